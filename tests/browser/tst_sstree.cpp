#include "browser/SSTree.h"
#include "ui/ImageList.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>

#include <functional>
#include <memory>

namespace {

QIcon solidIcon(const QColor &color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QColor iconColour(const QVariant &decoration)
{
    return decoration.value<QIcon>().pixmap(16, 16).toImage().pixelColor(8, 8);
}

// The style shades the current node's selection a little differently.
bool looksAlike(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 12;
}

QStringList childKeys(const QTreeWidgetItem *holder)
{
    QStringList keys;
    for (int row = 0; row < holder->childCount(); ++row)
        keys << SSNode::cast(holder->child(row))->key();
    return keys;
}

} // namespace

class TestSSTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void addNodePlacesTheNodeByRelationship_data();
    void addNodePlacesTheNodeByRelationship();
    void failuresThrowTreeErrorWithTheirDescription_data();
    void failuresThrowTreeErrorWithTheirDescription();
    void positionsFollowCreationOrderWhateverTheTreeShape();
    void theKeyIsAlsoTheUserRoleOfColumnZero();
    void removingANodeRemovesItsSubtreeFromTheKeyIndex();
    void clearingFreesEveryKey();
    void nodesSurviveRemovalsAndRefillsInAnyOrder();
    void deepChainsAreHandledWithoutRecursion_data();
    void deepChainsAreHandledWithoutRecursion();

    void shownIconFollowsTheExpandedState_data();
    void shownIconFollowsTheExpandedState();
    void imagesAreLookedUpInTheImageListWhenDrawn();
    void fontSettingsKeepTheTreesFontFamily();
    void nodesWithTheSameLookKeepTheirOwnFontsAndColours();
    void lookChangesReachTheView();
    void navigationFollowsTheTreeShape_data();
    void navigationFollowsTheTreeShape();
    void settingTheParentMovesTheSubtreeWithItsExpandedStates();
    void settingTheParentKeepsTheSelectedNodeSelected();
    void settingTheParentBeneathItselfIsRefused_data();
    void settingTheParentBeneathItselfIsRefused();
    void dragImageShowsTheIconAndTheText();

    void indentationIsGivenInTwips_data();
    void indentationIsGivenInTwips();
    void redrawOffSuspendsPainting();
    void settingTheTopNodeScrollsItToTheTopLine();
    void visibleCountCountsOnlyWholeLines_data();
    void visibleCountCountsOnlyWholeLines();
    void nodeOnLineAndHitTestFindTheNodeShownThere();
    void settingTheSelectedNodeDoesNotScroll();
    void dropHighlightIsDrawnAsASelection();

    void pressReportsMouseDownThenNodeClick_data();
    void pressReportsMouseDownThenNodeClick();
    void pressOnTheExpandArrowIsNoNodeClick();
    void keyboardMovesReportNodeClick();
    void mouseMoveReportsTheHeldButtons_data();
    void mouseMoveReportsTheHeldButtons();
    void movingWithAButtonHeldLeavesTheSelectionAlone();
    void aStartedDragTurnsMovesIntoDragOverAndTheReleaseIntoADrop();
    void dragOverIsReportedOnlyOverTheViewport();
    void releasingOutsideTheViewportEndsTheDragWithoutADrop();

    void clickingTheSelectedNodeEditsItsLabel();
    void clickingAnUnselectedNodeDoesNotEdit_data();
    void clickingAnUnselectedNodeDoesNotEdit();
    void aDropOntoTheSelectedNodeDoesNotEdit();
    void afterLabelEditComesBeforeTheTextIsStored_data();
    void afterLabelEditComesBeforeTheTextIsStored();
    void escapeAbandonsTheEditSilently();

private:
    SSNode *add(const QString &relative, const QString &key);
    void buildSample();
    void addFlat(int count);
    void showTree(int lines = 8);
    void setViewportHeight(int pixels);
    QPoint centreOf(SSNode *node) const;
    void click(SSNode *node);
    void moveHeld(QPoint to, Qt::MouseButtons held = Qt::LeftButton);
    void startDragOnLeftMove();
    QLineEdit *labelEditor() const;
    QColor pixelRightOf(SSNode *node) const;

    // The tree sits in a window, as it does in the account list.
    std::unique_ptr<QWidget> window;
    SSTree *tree = nullptr;
    ImageList images;
};

void TestSSTree::initTestCase()
{
    // The view waits one double-click interval before it opens an editor for a
    // click; with no interval the wait is one pass of the event loop.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
    images.add("root", solidIcon(Qt::yellow));
    images.add("close", solidIcon(Qt::blue));
    images.add("open", solidIcon(Qt::green));
    images.add("account", solidIcon(Qt::red));
}

void TestSSTree::init()
{
    window = std::make_unique<QWidget>();
    tree = new SSTree(window.get());
    tree->setImageList(&images);
}

void TestSSTree::cleanup()
{
    window.reset();
    tree = nullptr;
}

SSNode *TestSSTree::add(const QString &relative, const QString &key)
{
    return tree->addNode(relative, SSTree::tvwChild, key, key);
}

// r ─┬─ a ─┬─ a1
//    │     └─ a2
//    ├─ b
//    └─ c
void TestSSTree::buildSample()
{
    add({}, "r");
    add("r", "a");
    add("a", "a1");
    add("a", "a2");
    add("r", "b");
    add("r", "c");
    for (const char *key : {"r", "a"})
        tree->node(key)->setExpanded(true);
}

void TestSSTree::addFlat(int count)
{
    for (int i = 1; i <= count; ++i)
        add({}, QString::number(i));
}

void TestSSTree::showTree(int lines)
{
    window->resize(240, 100);
    tree->resize(window->size());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const int lineHeight = tree->visualItemRect(tree->topLevelItem(0)).height();
    QVERIFY(lineHeight > 0);
    setViewportHeight(lines * lineHeight);
    QCOMPARE(tree->visibleCount(), lines);
}

void TestSSTree::setViewportHeight(int pixels)
{
    tree->resize(tree->width(), tree->height() + pixels - tree->viewport()->height());
    window->resize(tree->size());
    QCOMPARE(tree->viewport()->height(), pixels);
}

QPoint TestSSTree::centreOf(SSNode *node) const
{
    return tree->visualItemRect(node).center();
}

void TestSSTree::click(SSNode *node)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(node));
}

// QTest::mouseMove carries no buttons; a drag needs moves with one held.
void TestSSTree::moveHeld(QPoint to, Qt::MouseButtons held)
{
    QMouseEvent move(QEvent::MouseMove, to, tree->viewport()->mapToGlobal(to), Qt::NoButton, held,
        Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
}

// What the account window does: a move with the left button starts a drag.
void TestSSTree::startDragOnLeftMove()
{
    connect(tree, &SSTree::mouseMove, tree, [this](int button) {
        if (button == 1 && tree->selectedNode()) {
            tree->setDragIcon(tree->selectedNode()->dragImage());
            tree->beginDrag();
        }
    });
}

QLineEdit *TestSSTree::labelEditor() const
{
    QLineEdit *editor = tree->viewport()->findChild<QLineEdit *>();
    return editor && editor->isVisible() ? editor : nullptr;
}

QColor TestSSTree::pixelRightOf(SSNode *node) const
{
    const QRect rect = tree->visualItemRect(node);
    return tree->viewport()->grab().toImage().pixelColor(rect.right() - 3, rect.center().y());
}

// --- node collection --------------------------------------------------------

void TestSSTree::addNodePlacesTheNodeByRelationship_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<int>("relationship");
    QTest::addColumn<QString>("parentKey");
    QTest::addColumn<QStringList>("siblings");

    QTest::newRow("child") << "b" << int(SSTree::tvwChild) << "b" << QStringList {"n"};
    QTest::newRow("first") << "b" << int(SSTree::tvwFirst) << "r"
                           << QStringList {"n", "a", "b", "c"};
    QTest::newRow("last") << "b" << int(SSTree::tvwLast) << "r" << QStringList {"a", "b", "c", "n"};
    QTest::newRow("next") << "b" << int(SSTree::tvwNext) << "r" << QStringList {"a", "b", "n", "c"};
    QTest::newRow("previous") << "b" << int(SSTree::tvwPrevious) << "r"
                              << QStringList {"a", "n", "b", "c"};
    QTest::newRow("no relative") << "" << 0 << "" << QStringList {"r", "n"};
}

void TestSSTree::addNodePlacesTheNodeByRelationship()
{
    QFETCH(QString, relative);
    QFETCH(int, relationship);
    QFETCH(QString, parentKey);
    QFETCH(QStringList, siblings);
    buildSample();

    SSNode *added = tree->addNode(relative, relationship, "n", "New");

    QCOMPARE(tree->node("n"), added);
    QCOMPARE(added->parentNode(), tree->findNode(parentKey));
    const QTreeWidgetItem *holder
        = parentKey.isEmpty() ? tree->invisibleRootItem() : tree->node(parentKey);
    QCOMPARE(childKeys(holder), siblings);
}

void TestSSTree::failuresThrowTreeErrorWithTheirDescription_data()
{
    QTest::addColumn<std::function<void(SSTree *)>>("operation");
    QTest::addColumn<QString>("description");

    const QString notFound = "Element not found";
    const QString outOfBounds = "Index out of bounds";
    QTest::newRow("add a taken key")
        << std::function([](SSTree *t) { t->addNode("r", 4, "a", "A"); })
        << "Key is not unique in collection";
    QTest::newRow("add under an unknown key")
        << std::function([](SSTree *t) { t->addNode("zz", 4, "n", "N"); }) << notFound;
    QTest::newRow("add with an unknown relationship")
        << std::function([](SSTree *t) { t->addNode("b", 9, "n", "N"); }) << "Invalid relationship";
    QTest::newRow("item by an unknown key")
        << std::function([](SSTree *t) { t->node("zz"); }) << notFound;
    QTest::newRow("remove an unknown key")
        << std::function([](SSTree *t) { t->removeNode("zz"); }) << notFound;
    QTest::newRow("position 0") << std::function([](SSTree *t) { t->nodeAt(0); }) << outOfBounds;
    QTest::newRow("position past the count")
        << std::function([](SSTree *t) { t->nodeAt(t->nodeCount() + 1); }) << outOfBounds;
}

void TestSSTree::failuresThrowTreeErrorWithTheirDescription()
{
    QFETCH(std::function<void(SSTree *)>, operation);
    QFETCH(QString, description);
    buildSample();

    try {
        operation(tree);
        QFAIL("no TreeError thrown");
    } catch (const TreeError &error) {
        QCOMPARE(error.description(), description);
        QCOMPARE(QString::fromUtf8(error.what()), description);
    }
    QCOMPARE(tree->nodeCount(), 6);
    QCOMPARE(tree->findNode("n"), nullptr);
}

void TestSSTree::positionsFollowCreationOrderWhateverTheTreeShape()
{
    add({}, "x");
    add({}, "y");
    add("x", "x1");
    tree->addNode("x", SSTree::tvwPrevious, "w", "w");
    add("y", "y1");
    tree->node("x1")->setParentNode(tree->node("y1"));

    QStringList byPosition;
    for (int position = 1; position <= tree->nodeCount(); ++position)
        byPosition << tree->nodeAt(position)->key();
    QCOMPARE(byPosition, (QStringList {"x", "y", "x1", "w", "y1"}));

    tree->removeNode("y");
    QCOMPARE(tree->nodeCount(), 2);
    QCOMPARE(tree->nodeAt(1)->key(), "x");
    QCOMPARE(tree->nodeAt(2)->key(), "w");
}

void TestSSTree::theKeyIsAlsoTheUserRoleOfColumnZero()
{
    SSNode *node = tree->addNode({}, 0, "42", "Sales", "close", "open", "0");

    QCOMPARE(node->data(0, Qt::UserRole).toString(), "42");
    QCOMPARE(node->key(), "42");
    QCOMPARE(node->text(), "Sales");
    QCOMPARE(node->image(), "close");
    QCOMPARE(node->expandedImage(), "open");
    QCOMPARE(node->markerText(), "0");
}

void TestSSTree::removingANodeRemovesItsSubtreeFromTheKeyIndex()
{
    buildSample();
    tree->setDropHighlight(tree->node("a2"));

    tree->removeNode("a");

    for (const char *key : {"a", "a1", "a2"})
        QCOMPARE(tree->findNode(key), nullptr);
    QCOMPARE(tree->nodeCount(), 3);
    QCOMPARE(childKeys(tree->node("r")), (QStringList {"b", "c"}));
    QCOMPARE(tree->nodeAt(3)->key(), "c");
    QCOMPARE(tree->dropHighlight(), nullptr);
    QVERIFY(add("b", "a1"));
}

void TestSSTree::clearingFreesEveryKey()
{
    buildSample();

    tree->clearNodes();

    QCOMPARE(tree->nodeCount(), 0);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(tree->findNode("a1"), nullptr);
    add({}, "r");
    QVERIFY(add("r", "a1"));
}

void TestSSTree::nodesSurviveRemovalsAndRefillsInAnyOrder()
{
    add({}, "r");
    for (int i = 0; i < 1000; ++i)
        add("r", QString::number(i));
    for (int i = 0; i < 1000; i += 2)
        tree->removeNode(QString::number(i));
    for (int i = 1000; i < 1600; ++i)
        add(i % 2 ? "3" : "1", QString::number(i));

    QCOMPARE(tree->nodeCount(), 1 + 500 + 600);
    QStringList expected {"r"};
    for (int i = 1; i < 1000; i += 2)
        expected << QString::number(i);
    for (int i = 1000; i < 1600; ++i)
        expected << QString::number(i);
    QStringList found;
    for (int position = 1; position <= tree->nodeCount(); ++position) {
        SSNode *node = tree->nodeAt(position);
        QCOMPARE(node->text(), node->key());
        found << node->key();
    }
    QCOMPARE(found, expected);
    QCOMPARE(tree->node("1001")->parentNode()->key(), "3");
    QCOMPARE(tree->node("1000")->parentNode()->key(), "1");
}

void TestSSTree::deepChainsAreHandledWithoutRecursion_data()
{
    // Each operation reports whether the tree is left as expected.
    QTest::addColumn<std::function<bool(SSTree *&)>>("operation");

    QTest::newRow("remove the top") << std::function([](SSTree *&t) {
        t->removeNode("0");
        return t->nodeCount() == 1;
    });
    QTest::newRow("remove inside") << std::function([](SSTree *&t) {
        t->removeNode("10");
        return t->nodeCount() == 11 && !t->node("9")->firstChild();
    });
    QTest::newRow("clear") << std::function([](SSTree *&t) {
        t->clearNodes();
        return t->nodeCount() == 0;
    });
    QTest::newRow("destroy the tree") << std::function([](SSTree *&t) {
        delete t;
        t = nullptr;
        return true;
    });
    QTest::newRow("move beneath another node") << std::function([](SSTree *&t) {
        t->node("1")->setParentNode(t->node("x"));
        return t->node("199999")->rootNode() == t->node("x");
    });
}

void TestSSTree::deepChainsAreHandledWithoutRecursion()
{
    QFETCH(std::function<bool(SSTree *&)>, operation);
    // Deep enough that deleting level by level recursively overflows the stack.
    const int depth = 200000;
    add({}, "0");
    for (int level = 1; level < depth; ++level)
        add(QString::number(level - 1), QString::number(level));
    tree->addNode("0", SSTree::tvwNext, "x", "x");

    QVERIFY(operation(tree));
}

// --- node attributes --------------------------------------------------------

void TestSSTree::shownIconFollowsTheExpandedState_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("expandedImage");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<QColor>("shown");

    QTest::newRow("folder closed") << "close"
                                   << "open" << false << QColor(Qt::blue);
    QTest::newRow("folder open") << "close"
                                 << "open" << true << QColor(Qt::green);
    QTest::newRow("account open, no expanded image") << "account"
                                                     << "" << true << QColor(Qt::red);
}

void TestSSTree::shownIconFollowsTheExpandedState()
{
    QFETCH(QString, image);
    QFETCH(QString, expandedImage);
    QFETCH(bool, expanded);
    QFETCH(QColor, shown);
    SSNode *node = tree->addNode({}, 0, "1", "Node", image, expandedImage);
    add("1", "2");

    node->setExpanded(expanded);

    QCOMPARE(node->expanded(), expanded);
    QCOMPARE(iconColour(node->data(0, Qt::DecorationRole)), shown);
}

void TestSSTree::imagesAreLookedUpInTheImageListWhenDrawn()
{
    tree->setImageList(nullptr);
    SSNode *node = tree->addNode({}, 0, "1", "Node", "close");
    QVERIFY(node->data(0, Qt::DecorationRole).value<QIcon>().isNull());

    tree->setImageList(&images);
    QCOMPARE(iconColour(node->data(0, Qt::DecorationRole)), QColor(Qt::blue));

    node->setImage("account");
    QCOMPARE(node->image(), "account");
    QCOMPARE(iconColour(node->data(0, Qt::DecorationRole)), QColor(Qt::red));

    node->setImage("no such image");
    QVERIFY(node->data(0, Qt::DecorationRole).value<QIcon>().isNull());
}

void TestSSTree::fontSettingsKeepTheTreesFontFamily()
{
    QFont treeFont("Serif", 7);
    tree->setFont(treeFont);
    SSNode *node = add({}, "1");

    node->setFontBold(true);
    node->setFontSize(10);
    node->setForeColor(QColor(0, 80, 0));

    const QFont shown = node->font(0).resolve(tree->font());
    QCOMPARE(shown.family(), treeFont.family());
    QCOMPARE(shown.pointSizeF(), 10.0);
    QVERIFY(shown.bold());
    QCOMPARE(node->foreground(0).color(), QColor(0, 80, 0));

    node->setFontBold(false);
    QVERIFY(!node->font(0).resolve(tree->font()).bold());
    QCOMPARE(node->font(0).resolve(tree->font()).pointSizeF(), 10.0);
}

void TestSSTree::nodesWithTheSameLookKeepTheirOwnFontsAndColours()
{
    SSNode *first = add({}, "1");
    SSNode *second = add({}, "2");
    for (SSNode *node : {first, second}) {
        node->setFontSize(10);
        node->setFontBold(false);
        node->setForeColor(QColor(0, 80, 0));
    }

    second->setFontBold(true);
    second->setFontSize(12);
    second->setForeColor(QColor(0, 0, 255));

    QCOMPARE(first->font(0).pointSizeF(), 10.0);
    QVERIFY(!first->font(0).bold());
    QCOMPARE(first->foreground(0).color(), QColor(0, 80, 0));
    QCOMPARE(second->font(0).pointSizeF(), 12.0);
    QVERIFY(second->font(0).bold());
    QCOMPARE(second->foreground(0).color(), QColor(0, 0, 255));
    // A size set on its own leaves the weight to the tree's font.
    SSNode *third = add({}, "3");
    third->setFontSize(10);
    QVERIFY(!(third->font(0).resolveMask() & QFont::WeightResolved));
}

void TestSSTree::lookChangesReachTheView()
{
    SSNode *node = add({}, "1");
    QSignalSpy changed(tree->model(), &QAbstractItemModel::dataChanged);

    node->setFontSize(10);
    node->setFontBold(true);
    node->setForeColor(QColor(0, 80, 0));

    QCOMPARE(changed.count(), 3);
    const QModelIndex index = tree->model()->index(0, 0);
    QCOMPARE(index.data(Qt::FontRole).value<QFont>().pointSizeF(), 10.0);
    QCOMPARE(index.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 80, 0));
    QCOMPARE(index.data(Qt::UserRole).toString(), "1");
}

void TestSSTree::navigationFollowsTheTreeShape_data()
{
    QTest::addColumn<QString>("key");
    // parent, previous sibling, next sibling, first child, last sibling, root
    QTest::addColumn<QStringList>("related");

    QTest::newRow("top") << "r" << QStringList {"", "", "r2", "a", "r2", "r"};
    QTest::newRow("first child") << "a" << QStringList {"r", "", "b", "a1", "c", "r"};
    QTest::newRow("middle child") << "b" << QStringList {"r", "a", "c", "", "c", "r"};
    QTest::newRow("grandchild") << "a2" << QStringList {"a", "a1", "", "", "a2", "r"};
    QTest::newRow("second top") << "r2" << QStringList {"", "r", "", "", "r2", "r2"};
}

void TestSSTree::navigationFollowsTheTreeShape()
{
    QFETCH(QString, key);
    buildSample();
    add({}, "r2");
    const auto keyOf = [](const SSNode *node) { return node ? node->key() : QString(); };

    const SSNode *node = tree->node(key);

    const QStringList related {keyOf(node->parentNode()), keyOf(node->previousSibling()),
        keyOf(node->nextSibling()), keyOf(node->firstChild()), keyOf(node->lastSibling()),
        keyOf(node->rootNode())};
    QTEST(related, "related");
}

void TestSSTree::settingTheParentMovesTheSubtreeWithItsExpandedStates()
{
    buildSample();
    add("a1", "a1x");
    tree->node("a1")->setExpanded(true);
    tree->node("a2")->setExpanded(false);
    SSNode *target = tree->node("c");

    tree->node("a")->setParentNode(target);

    QCOMPARE(tree->node("a")->parentNode(), target);
    QCOMPARE(childKeys(tree->node("r")), (QStringList {"b", "c"}));
    QCOMPARE(childKeys(tree->node("a")), (QStringList {"a1", "a2"}));
    QCOMPARE(tree->node("a1x")->rootNode(), tree->node("r"));
    QVERIFY(tree->node("a")->expanded());
    QVERIFY(tree->node("a1")->expanded());
    QVERIFY(!tree->node("a2")->expanded());
    QVERIFY(!target->expanded());
    QCOMPARE(tree->nodeCount(), 7);

    tree->node("a")->setParentNode(nullptr);
    QCOMPARE(childKeys(tree->invisibleRootItem()), (QStringList {"r", "a"}));
    QVERIFY(tree->node("a1")->expanded());
}

void TestSSTree::settingTheParentKeepsTheSelectedNodeSelected()
{
    buildSample();
    showTree();
    tree->setSelectedNode(tree->node("a"));

    tree->node("a")->setParentNode(tree->node("b"));

    QCOMPARE(tree->selectedNode(), tree->node("a"));
    QCOMPARE(tree->currentItem(), tree->node("a"));
}

void TestSSTree::settingTheParentBeneathItselfIsRefused_data()
{
    QTest::addColumn<QString>("newParent");
    QTest::newRow("itself") << "a";
    QTest::newRow("its child") << "a1";
    QTest::newRow("its grandchild") << "a1x";
}

void TestSSTree::settingTheParentBeneathItselfIsRefused()
{
    QFETCH(QString, newParent);
    buildSample();
    add("a1", "a1x");

    QVERIFY_THROWS_EXCEPTION(TreeError, tree->node("a")->setParentNode(tree->node(newParent)));

    QCOMPARE(tree->node("a")->parentNode(), tree->node("r"));
    QCOMPARE(childKeys(tree->node("a")), (QStringList {"a1", "a2"}));
}

void TestSSTree::dragImageShowsTheIconAndTheText()
{
    SSNode *shortName = tree->addNode({}, 0, "1", "ab", "account");
    SSNode *longName = tree->addNode({}, 0, "2", "a much longer name", "account");

    const QImage picture = shortName->dragImage().toImage();

    QCOMPARE(picture.pixelColor(8, picture.height() / 2), QColor(Qt::red));
    QVERIFY(longName->dragImage().width() > picture.width());
    bool textDrawn = false;
    for (int x = 20; x < picture.width() && !textDrawn; ++x) {
        for (int y = 0; y < picture.height() && !textDrawn; ++y)
            textDrawn = picture.pixelColor(x, y).alpha() > 0;
    }
    QVERIFY(textDrawn);
}

// --- tree settings and view -------------------------------------------------

void TestSSTree::indentationIsGivenInTwips_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("250") << 250.0 << 17;
    QTest::newRow("300") << 300.0 << 20;
    QTest::newRow("0") << 0.0 << 0;
}

void TestSSTree::indentationIsGivenInTwips()
{
    QFETCH(double, twips);
    tree->setNodeIndentation(twips);
    QTEST(tree->indentation(), "pixels");
}

void TestSSTree::redrawOffSuspendsPainting()
{
    addFlat(3);
    showTree();
    int paints = 0;
    struct PaintCounter : QObject {
        int *count;
        bool eventFilter(QObject *, QEvent *event) override
        {
            *count += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    counter.count = &paints;
    tree->viewport()->installEventFilter(&counter);

    tree->setRedraw(false);
    tree->addNode({}, 0, "new", "new");
    tree->viewport()->update();
    QCoreApplication::processEvents();
    QCOMPARE(paints, 0);

    tree->setRedraw(true);
    QTRY_VERIFY(paints > 0);
}

void TestSSTree::settingTheTopNodeScrollsItToTheTopLine()
{
    addFlat(40);
    showTree();

    tree->setTopNode(tree->node("20"));

    QCOMPARE(tree->topNode(), tree->node("20"));
    QCOMPARE(tree->nodeOnLine(2), tree->node("21"));
    QCOMPARE(tree->hitTest(1, 1), tree->node("20"));

    tree->setTopNode(tree->node("1"));
    QCOMPARE(tree->topNode(), tree->node("1"));
}

void TestSSTree::visibleCountCountsOnlyWholeLines_data()
{
    QTest::addColumn<int>("wholeLines");
    QTest::addColumn<int>("extraPixels");
    QTest::newRow("exactly five") << 5 << 0;
    QTest::newRow("five and a part") << 5 << 7;
    QTest::newRow("one pixel short of five") << 4 << -1;
}

void TestSSTree::visibleCountCountsOnlyWholeLines()
{
    QFETCH(int, wholeLines);
    QFETCH(int, extraPixels);
    addFlat(2);
    showTree();
    const int lineHeight = tree->visualItemRect(tree->node("1")).height();
    const int wanted = (extraPixels < 0 ? wholeLines + 1 : wholeLines) * lineHeight + extraPixels;

    setViewportHeight(wanted);

    QCOMPARE(tree->visibleCount(), wholeLines);
}

void TestSSTree::nodeOnLineAndHitTestFindTheNodeShownThere()
{
    buildSample();
    showTree();
    tree->node("a")->setExpanded(false);

    QCOMPARE(tree->nodeOnLine(1), tree->node("r"));
    QCOMPARE(tree->nodeOnLine(3), tree->node("b"));
    QCOMPARE(tree->nodeOnLine(4), tree->node("c"));
    QCOMPARE(tree->nodeOnLine(5), nullptr);
    QCOMPARE(tree->nodeOnLine(0), nullptr);

    const QPoint onB = centreOf(tree->node("b"));
    QCOMPARE(tree->hitTest(onB.x(), onB.y()), tree->node("b"));
    const QPoint belowAll = centreOf(tree->node("c")) + QPoint(0, 3 * onB.y());
    QCOMPARE(tree->hitTest(belowAll.x(), belowAll.y()), nullptr);
}

void TestSSTree::settingTheSelectedNodeDoesNotScroll()
{
    addFlat(40);
    showTree();

    tree->setSelectedNode(tree->node("30"));

    QCOMPARE(tree->selectedNode(), tree->node("30"));
    QCOMPARE(tree->topNode(), tree->node("1"));

    tree->setSelectedNode(nullptr);
    QCOMPARE(tree->selectedNode(), nullptr);
}

void TestSSTree::dropHighlightIsDrawnAsASelection()
{
    buildSample();
    showTree();
    const QColor plain = pixelRightOf(tree->node("b"));
    tree->setSelectedNode(tree->node("a"));
    const QColor selected = pixelRightOf(tree->node("a"));
    QVERIFY(!looksAlike(selected, plain));

    tree->setDropHighlight(tree->node("b"));
    QCOMPARE(tree->dropHighlight(), tree->node("b"));
    QVERIFY(looksAlike(pixelRightOf(tree->node("b")), selected));

    tree->setDropHighlight(nullptr);
    QCOMPARE(tree->dropHighlight(), nullptr);
    QCOMPARE(pixelRightOf(tree->node("b")), plain);
}

// --- events -----------------------------------------------------------------

void TestSSTree::pressReportsMouseDownThenNodeClick_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("buttonMask");
    QTest::addColumn<int>("shiftMask");
    QTest::addColumn<bool>("nodeClick");

    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers() << 1 << 0 << true;
    QTest::newRow("left with shift and ctrl")
        << Qt::LeftButton << (Qt::ShiftModifier | Qt::ControlModifier) << 1 << 3 << true;
    QTest::newRow("right with ctrl")
        << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 2 << 2 << false;
    QTest::newRow("middle with alt")
        << Qt::MiddleButton << Qt::KeyboardModifiers(Qt::AltModifier) << 4 << 4 << false;
}

void TestSSTree::pressReportsMouseDownThenNodeClick()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, nodeClick);
    buildSample();
    showTree();
    QStringList heard;
    QList<QVariantList> downs;
    connect(tree, &SSTree::mouseDown, this, [&](int b, int s, double x, double y) {
        heard << "mouseDown";
        downs << QVariantList {b, s, x, y};
    });
    connect(
        tree, &SSTree::nodeClick, this, [&](SSNode *node) { heard << "nodeClick " + node->key(); });
    const QPoint at = centreOf(tree->node("b"));

    QTest::mousePress(tree->viewport(), button, modifiers, at);

    QCOMPARE(
        heard, nodeClick ? QStringList({"mouseDown", "nodeClick b"}) : QStringList("mouseDown"));
    QFETCH(int, buttonMask);
    QFETCH(int, shiftMask);
    QCOMPARE(downs.first(), (QVariantList {buttonMask, shiftMask, double(at.x()), double(at.y())}));
    QTest::mouseRelease(tree->viewport(), button, modifiers, at);
}

void TestSSTree::pressOnTheExpandArrowIsNoNodeClick()
{
    buildSample();
    showTree();
    QSignalSpy clicks(tree, &SSTree::nodeClick);
    QSignalSpy downs(tree, &SSTree::mouseDown);
    const QRect row = tree->visualItemRect(tree->node("a"));
    const QPoint arrow(row.left() - tree->indentation() / 2, row.center().y());

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, arrow);

    QVERIFY(!tree->node("a")->expanded());
    QCOMPARE(downs.count(), 1);
    QCOMPARE(clicks.count(), 0);

    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, QPoint(row.right() - 2, arrow.y()));
    QCOMPARE(clicks.count(), 1);
}

void TestSSTree::keyboardMovesReportNodeClick()
{
    buildSample();
    showTree();
    tree->setFocus();
    tree->setSelectedNode(tree->node("b"));
    QSignalSpy clicks(tree, &SSTree::nodeClick);

    QTest::keyClick(tree->viewport(), Qt::Key_Down);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<SSNode *>(), tree->node("c"));

    QTest::keyClick(tree->viewport(), Qt::Key_Down);
    QCOMPARE(clicks.count(), 1);

    QTest::keyClick(tree->viewport(), Qt::Key_Home);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(clicks.at(1).at(0).value<SSNode *>(), tree->node("r"));
}

void TestSSTree::mouseMoveReportsTheHeldButtons_data()
{
    QTest::addColumn<Qt::MouseButtons>("held");
    QTest::addColumn<int>("buttonMask");
    QTest::newRow("none") << Qt::MouseButtons() << 0;
    QTest::newRow("left") << Qt::MouseButtons(Qt::LeftButton) << 1;
    QTest::newRow("left and right") << (Qt::LeftButton | Qt::RightButton) << 3;
    QTest::newRow("middle") << Qt::MouseButtons(Qt::MiddleButton) << 4;
}

void TestSSTree::mouseMoveReportsTheHeldButtons()
{
    QFETCH(Qt::MouseButtons, held);
    buildSample();
    showTree();
    QSignalSpy moves(tree, &SSTree::mouseMove);

    moveHeld(QPoint(30, 7), held);

    QCOMPARE(moves.count(), 1);
    QTEST(moves.at(0).at(0).toInt(), "buttonMask");
    QCOMPARE(moves.at(0).at(2).toDouble(), 30.0);
    QCOMPARE(moves.at(0).at(3).toDouble(), 7.0);
}

void TestSSTree::movingWithAButtonHeldLeavesTheSelectionAlone()
{
    buildSample();
    showTree();
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("a")));

    moveHeld(centreOf(tree->node("b")));
    moveHeld(centreOf(tree->node("c")));

    QCOMPARE(tree->selectedNode(), tree->node("a"));
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("c")));
    QCOMPARE(tree->selectedNode(), tree->node("a"));
}

void TestSSTree::aStartedDragTurnsMovesIntoDragOverAndTheReleaseIntoADrop()
{
    buildSample();
    showTree();
    startDragOnLeftMove();
    QSignalSpy moves(tree, &SSTree::mouseMove);
    QSignalSpy overs(tree, &SSTree::dragOver);
    QSignalSpy drops(tree, &SSTree::dragDrop);

    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("a")));
    QVERIFY(!tree->isDragActive());
    moveHeld(centreOf(tree->node("a")) + QPoint(1, 1));
    QVERIFY(tree->isDragActive());
    QCOMPARE(tree->viewport()->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(tree->viewport()->cursor().pixmap().size(), tree->node("a")->dragImage().size());

    moveHeld(centreOf(tree->node("b")));
    moveHeld(centreOf(tree->node("c")));
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("c")));

    QCOMPARE(moves.count(), 1);
    QCOMPARE(overs.count(), 2);
    QCOMPARE(overs.at(0).at(2).toInt(), int(SSTree::DragEnter));
    QCOMPARE(overs.at(1).at(2).toInt(), int(SSTree::DragOver));
    QCOMPARE(overs.at(1).at(1).toDouble(), double(centreOf(tree->node("c")).y()));
    QCOMPARE(drops.count(), 1);
    QCOMPARE(drops.at(0).at(1).toDouble(), double(centreOf(tree->node("c")).y()));
    QVERIFY(!tree->isDragActive());
    QVERIFY(tree->viewport()->cursor().shape() != Qt::BitmapCursor);
}

void TestSSTree::dragOverIsReportedOnlyOverTheViewport()
{
    buildSample();
    showTree();
    startDragOnLeftMove();
    QSignalSpy overs(tree, &SSTree::dragOver);
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("a")));
    moveHeld(centreOf(tree->node("a")) + QPoint(1, 1));
    moveHeld(centreOf(tree->node("b")));

    moveHeld(QPoint(-5, 10));
    moveHeld(QPoint(10, tree->viewport()->height() + 5));
    QCOMPARE(overs.count(), 1);

    moveHeld(centreOf(tree->node("c")));
    QCOMPARE(overs.count(), 2);
    QCOMPARE(overs.at(1).at(2).toInt(), int(SSTree::DragEnter));
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("c")));
}

void TestSSTree::releasingOutsideTheViewportEndsTheDragWithoutADrop()
{
    buildSample();
    showTree();
    startDragOnLeftMove();
    QSignalSpy drops(tree, &SSTree::dragDrop);
    QSignalSpy overs(tree, &SSTree::dragOver);
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, centreOf(tree->node("a")));
    moveHeld(centreOf(tree->node("b")));
    const QPoint outside(-5, 10);
    moveHeld(outside);

    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, outside);

    QVERIFY(!tree->isDragActive());
    QCOMPARE(drops.count(), 0);
    moveHeld(centreOf(tree->node("c")), Qt::NoButton);
    QCOMPARE(overs.count(), 0);
}

// --- label editing ----------------------------------------------------------

void TestSSTree::clickingTheSelectedNodeEditsItsLabel()
{
    buildSample();
    showTree();
    QSignalSpy edits(tree, &SSTree::afterLabelEdit);
    click(tree->node("b"));
    QCoreApplication::processEvents();
    QVERIFY(!labelEditor());

    click(tree->node("b"));
    QTRY_VERIFY(labelEditor());
    labelEditor()->selectAll();
    QTest::keyClicks(labelEditor(), "Sales");
    QTest::keyClick(labelEditor(), Qt::Key_Return);

    QTRY_COMPARE(edits.count(), 1);
    QCOMPARE(edits.at(0).at(0).value<SSNode *>(), tree->node("b"));
    QCOMPARE(edits.at(0).at(2).toString(), "Sales");
    QCOMPARE(tree->node("b")->text(), "Sales");
}

void TestSSTree::clickingAnUnselectedNodeDoesNotEdit_data()
{
    QTest::addColumn<bool>("pressSelects");
    QTest::newRow("the view selects") << false;
    QTest::newRow("a mouseDown handler selects first") << true;
}

void TestSSTree::clickingAnUnselectedNodeDoesNotEdit()
{
    QFETCH(bool, pressSelects);
    buildSample();
    showTree();
    if (pressSelects) {
        connect(tree, &SSTree::mouseDown, this, [this](int, int, double x, double y) {
            tree->setSelectedNode(tree->hitTest(qRound(x), qRound(y)));
        });
    }
    click(tree->node("b"));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QCOMPARE(tree->selectedNode(), tree->node("b"));
    QVERIFY(!labelEditor());
}

void TestSSTree::aDropOntoTheSelectedNodeDoesNotEdit()
{
    buildSample();
    showTree();
    startDragOnLeftMove();
    tree->setSelectedNode(tree->node("b"));
    const QPoint onB = centreOf(tree->node("b"));

    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, onB);
    moveHeld(onB + QPoint(1, 0));
    moveHeld(onB + QPoint(2, 0));
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, onB + QPoint(2, 0));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QVERIFY(!labelEditor());
}

void TestSSTree::afterLabelEditComesBeforeTheTextIsStored_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("kept");
    QTest::newRow("accepted") << false << "Sales";
    QTest::newRow("cancelled") << true << "b";
}

void TestSSTree::afterLabelEditComesBeforeTheTextIsStored()
{
    QFETCH(bool, cancel);
    buildSample();
    showTree();
    tree->setFocus();
    tree->setSelectedNode(tree->node("b"));
    QString textDuringEvent;
    connect(tree, &SSTree::afterLabelEdit, this, [&](SSNode *node, bool *cancelEdit) {
        textDuringEvent = node->text();
        *cancelEdit = cancel;
    });

    QTest::keyClick(tree->viewport(), Qt::Key_F2);
    QVERIFY(labelEditor());
    labelEditor()->selectAll();
    QTest::keyClicks(labelEditor(), "Sales");
    QTest::keyClick(labelEditor(), Qt::Key_Enter);

    QTRY_VERIFY(!labelEditor());
    QCOMPARE(textDuringEvent, "b");
    QTEST(tree->node("b")->text(), "kept");
}

void TestSSTree::escapeAbandonsTheEditSilently()
{
    buildSample();
    showTree();
    tree->setFocus();
    tree->setSelectedNode(tree->node("b"));
    QSignalSpy edits(tree, &SSTree::afterLabelEdit);

    QTest::keyClick(tree->viewport(), Qt::Key_F2);
    QVERIFY(labelEditor());
    QTest::keyClicks(labelEditor(), "Sales");
    QTest::keyClick(labelEditor(), Qt::Key_Escape);

    QTRY_VERIFY(!labelEditor());
    QCOMPARE(edits.count(), 0);
    QCOMPARE(tree->node("b")->text(), "b");
}

QTEST_MAIN(TestSSTree)
#include "tst_sstree.moc"
