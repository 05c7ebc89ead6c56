#include "browser/SSTree.h"
#include "ui/ImageList.h"

#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using TreeOperation = std::function<void(SSTree *)>;

// The colour of the icon the node shows; invalid for none.
QColor shownColour(const SSNode *node)
{
    const QIcon icon = node->data(0, Qt::DecorationRole).value<QIcon>();
    return icon.isNull() ? QColor() : icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

// The style shades the current node's selection a little differently.
bool looksAlike(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 12;
}

// The nodes beneath holder as text: each key, "+" if expanded, children in brackets.
QString outline(const QTreeWidgetItem *holder)
{
    QStringList nodes;
    for (int row = 0; row < holder->childCount(); ++row) {
        QTreeWidgetItem *child = holder->child(row);
        nodes << SSNode::cast(child)->key() + (child->isExpanded() ? "+" : "")
                + (child->childCount() ? "(" + outline(child) + ")" : "");
    }
    return nodes.join(',');
}

QStringList keysByPosition(const SSTree *tree)
{
    QStringList keys;
    for (int position = 1; position <= tree->nodeCount(); ++position)
        keys << tree->nodeAt(position)->key();
    return keys;
}

} // namespace

class TestSSTree : public QObject {
    Q_OBJECT

    // The tree sits in a window, as it does in the account list.
    std::unique_ptr<QWidget> window;
    SSTree *tree = nullptr;
    ImageList images;

    SSNode *add(const QString &relative, const QString &key)
    {
        return tree->addNode(relative, SSTree::tvwChild, key, key);
    }

    // r+ ─┬─ a+ ─┬─ a1+ ── a1x     (+: expanded)
    //     │      └─ a2
    //     ├─ b
    //     └─ c
    void buildSample()
    {
        add({}, "r");
        for (const char *key : {"a", "b", "c"})
            add("r", key);
        tree->addNode("a", SSTree::tvwChild, "a1", "a1");
        tree->addNode("a1", SSTree::tvwNext, "a2", "a2");
        add("a1", "a1x");
        for (const char *key : {"r", "a", "a1"})
            tree->node(key)->setExpanded(true);
    }

    void showTree(int lines = 8)
    {
        window->resize(240, 100);
        tree->resize(window->size());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        setViewportHeight(lines * lineHeight());
        QCOMPARE(tree->visibleCount(), lines);
    }

    int lineHeight() const { return tree->visualItemRect(tree->topLevelItem(0)).height(); }

    void setViewportHeight(int pixels)
    {
        tree->resize(tree->width(), tree->height() + pixels - tree->viewport()->height());
        window->resize(tree->size());
        QCOMPARE(tree->viewport()->height(), pixels);
    }

    QPoint centreOf(const char *key) const
    {
        return tree->visualItemRect(tree->node(key)).center();
    }

    // QTest::mouseMove carries no buttons; a drag needs moves with one held.
    void moveHeld(QPoint to, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, to, tree->viewport()->mapToGlobal(to), Qt::NoButton,
            held, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
    }

    // Lets the view act on what it was sent, such as opening an editor after a click.
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    QLineEdit *labelEditor() const
    {
        QLineEdit *editor = tree->viewport()->findChild<QLineEdit *>();
        return editor && editor->isVisible() ? editor : nullptr;
    }

    QColor pixelRightOf(const char *key) const
    {
        const QRect rect = tree->visualItemRect(tree->node(key));
        return tree->viewport()->grab().toImage().pixelColor(rect.right() - 3, rect.center().y());
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The view waits one double-click interval before it opens an editor for a
        // click; with no interval the wait is one pass of the event loop.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
        for (const auto &[key, colour] : {std::pair {"root", Qt::yellow}, {"close", Qt::blue},
                 {"open", Qt::green}, {"account", Qt::red}}) {
            QPixmap pixmap(16, 16);
            pixmap.fill(colour);
            images.add(key, QIcon(pixmap));
        }
    }

    void init()
    {
        window = std::make_unique<QWidget>();
        tree = new SSTree(window.get());
        tree->setImageList(&images);
    }

    void cleanup() { window.reset(); }

    // --- node collection ----------------------------------------------------

    void operationsReshapeTheTreeOrFailLeavingItAsItWas_data()
    {
        QTest::addColumn<TreeOperation>("operation");
        QTest::addColumn<QString>("outline");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const QString &outline, const QString &error,
                             const TreeOperation &operation) {
            QTest::newRow(name) << operation << outline << error;
        };

        // Relative to b, in the order of SSTree::Relationship.
        const QStringList relationships {"first", "last", "next", "previous", "child"};
        const QStringList added {"r+(n,a+(a1+(a1x),a2),b,c)", "r+(a+(a1+(a1x),a2),b,c,n)",
            "r+(a+(a1+(a1x),a2),b,n,c)", "r+(a+(a1+(a1x),a2),n,b,c)", "r+(a+(a1+(a1x),a2),b(n),c)"};
        for (int relationship = 0; relationship < relationships.size(); ++relationship)
            row(qPrintable("add " + relationships[relationship]), added[relationship], "",
                [relationship](SSTree *t) { t->addNode("b", relationship, "n", "n"); });
        row("add at the top", "r+(a+(a1+(a1x),a2),b,c),n", "",
            [](SSTree *t) { t->addNode({}, 0, "n", "n"); });
        row("remove", "r+(b,c)", "", [](SSTree *t) { t->removeNode("a"); });
        row("clear", "", "", [](SSTree *t) { t->clearNodes(); });
        // A moved subtree keeps its expanded states; the new parent stays as it was.
        row("move beneath c", "r+(b,c(a+(a1+(a1x),a2)))", "",
            [](SSTree *t) { t->node("a")->setParentNode(t->node("c")); });
        row("move to the top", "r+(b,c),a+(a1+(a1x),a2)", "",
            [](SSTree *t) { t->node("a")->setParentNode(nullptr); });

        const QString sample = "r+(a+(a1+(a1x),a2),b,c)";
        const QString notFound = "Element not found";
        const QString outOfBounds = "Index out of bounds";
        row("add a taken key", sample, "Key is not unique in collection",
            [](SSTree *t) { t->addNode("r", 4, "a", "A"); });
        row("add under an unknown key", sample, notFound,
            [](SSTree *t) { t->addNode("zz", 4, "n", "N"); });
        row("add with an unknown relationship", sample, "Invalid relationship",
            [](SSTree *t) { t->addNode("b", 9, "n", "N"); });
        row("item by an unknown key", sample, notFound, [](SSTree *t) { t->node("zz"); });
        row("remove an unknown key", sample, notFound, [](SSTree *t) { t->removeNode("zz"); });
        row("position 0", sample, outOfBounds, [](SSTree *t) { t->nodeAt(0); });
        row("position past the count", sample, outOfBounds,
            [](SSTree *t) { t->nodeAt(t->nodeCount() + 1); });
        for (const char *newParent : {"a", "a1", "a1x"})
            row(qPrintable(QString("move a beneath %1").arg(newParent)), sample,
                "A node cannot be moved beneath itself",
                [newParent](SSTree *t) { t->node("a")->setParentNode(t->node(newParent)); });
    }

    void operationsReshapeTheTreeOrFailLeavingItAsItWas()
    {
        QFETCH(TreeOperation, operation);
        QFETCH(QString, outline);
        QFETCH(QString, error);
        buildSample();
        tree->setSelectedNode(tree->node("a"));
        tree->setDropHighlight(tree->node("a2"));

        try {
            operation(tree);
            QVERIFY2(error.isEmpty(), "no TreeError thrown");
        } catch (const TreeError &thrown) {
            QCOMPARE(thrown.description(), error);
            QCOMPARE(QString::fromUtf8(thrown.what()), error);
        }

        QCOMPARE(::outline(tree->invisibleRootItem()), outline);
        // The keys, the positions (in creation order), the drop target and the selection
        // follow: a node that is gone is found nowhere, one that stays keeps its place.
        const QStringList kept = outline.split(QRegularExpression("[(),+]"), Qt::SkipEmptyParts);
        QStringList positions;
        for (const char *key : {"r", "a", "b", "c", "a1", "a2", "a1x", "n"}) {
            QVERIFY2((tree->findNode(key) != nullptr) == kept.contains(key), key);
            if (kept.contains(key))
                positions << key;
        }
        QCOMPARE(tree->nodeCount(), positions.size());
        QCOMPARE(keysByPosition(tree), positions);
        QCOMPARE(tree->dropHighlight(), tree->findNode("a2"));
        if (SSNode *a = tree->findNode("a")) {
            QCOMPARE(tree->selectedNode(), a);
            QCOMPARE(tree->currentItem(), a);
        }
    }

    void positionsFollowCreationOrderThroughManyChanges()
    {
        add({}, "x");
        for (int i = 0; i < 1000; ++i)
            add("x", QString::number(i));
        for (int i = 0; i < 1000; i += 2)
            tree->removeNode(QString::number(i));
        for (int i = 1000; i < 1600; ++i)
            add(i % 2 ? "3" : "1", QString::number(i));

        QStringList expected {"x"};
        for (int i = 1; i < 1000; i += 2)
            expected << QString::number(i);
        for (int i = 1000; i < 1600; ++i)
            expected << QString::number(i);
        QCOMPARE(keysByPosition(tree), expected);
        for (int position = 1; position <= tree->nodeCount(); ++position)
            QCOMPARE(tree->nodeAt(position)->text(), tree->nodeAt(position)->key());
        QCOMPARE(tree->node("1001")->parentNode()->key(), "3");
        QCOMPARE(tree->node("1000")->parentNode()->key(), "1");
    }

    void deepChainsAreHandledWithoutRecursion_data()
    {
        QTest::addColumn<TreeOperation>("operation");
        QTest::addColumn<int>("count");
        // The end of what is left of the chain, and its root.
        QTest::addColumn<QString>("leaf");
        QTest::addColumn<QString>("root");
        const auto row = [](const char *name, int count, const char *leaf, const char *root,
                             const TreeOperation &operation) {
            QTest::newRow(name) << operation << count << QString(leaf) << QString(root);
        };
        row("remove the top", 1, "x", "x", [](SSTree *t) { t->removeNode("0"); });
        row("remove inside", 11, "9", "0", [](SSTree *t) { t->removeNode("10"); });
        row("clear", 0, "", "", [](SSTree *t) { t->clearNodes(); });
        row("move beneath another node", 200001, "199999", "x",
            [](SSTree *t) { t->node("1")->setParentNode(t->node("x")); });
        row("destroy the tree", -1, "", "", [](SSTree *t) { delete t; });
    }

    void deepChainsAreHandledWithoutRecursion()
    {
        QFETCH(TreeOperation, operation);
        QFETCH(int, count);
        QFETCH(QString, leaf);
        // Deep enough that deleting level by level recursively overflows the stack.
        const int depth = 200000;
        add({}, "0");
        for (int level = 1; level < depth; ++level)
            add(QString::number(level - 1), QString::number(level));
        tree->addNode("0", SSTree::tvwNext, "x", "x");

        operation(tree);

        if (count < 0) // the tree is gone
            return;
        QCOMPARE(tree->nodeCount(), count);
        if (!leaf.isEmpty()) {
            QCOMPARE(tree->node(leaf)->firstChild(), nullptr);
            QTEST(tree->node(leaf)->rootNode()->key(), "root");
        }
    }

    void navigationFollowsTheTreeShape_data()
    {
        QTest::addColumn<QString>("key");
        // parent, previous sibling, next sibling, first child, last sibling, root
        QTest::addColumn<QStringList>("related");
        // clang-format off
        QTest::newRow("top")          << "r"  << QStringList {"",  "",   "r2", "a",  "r2", "r"};
        QTest::newRow("first child")  << "a"  << QStringList {"r", "",   "b",  "a1", "c",  "r"};
        QTest::newRow("middle child") << "b"  << QStringList {"r", "a",  "c",  "",   "c",  "r"};
        QTest::newRow("grandchild")   << "a2" << QStringList {"a", "a1", "",   "",   "a2", "r"};
        QTest::newRow("second top")   << "r2" << QStringList {"",  "r",  "",   "",   "r2", "r2"};
        // clang-format on
    }

    void navigationFollowsTheTreeShape()
    {
        QFETCH(QString, key);
        buildSample();
        add({}, "r2");
        const auto keyOf = [](const SSNode *node) { return node ? node->key() : QString(); };

        const SSNode *node = tree->node(key);

        QTEST((QStringList {keyOf(node->parentNode()), keyOf(node->previousSibling()),
                  keyOf(node->nextSibling()), keyOf(node->firstChild()), keyOf(node->lastSibling()),
                  keyOf(node->rootNode())}),
            "related");
    }

    // --- node attributes ----------------------------------------------------

    void shownIconIsLookedUpWhenDrawn_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("expandedImage");
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<QColor>("shown");
        // clang-format off
        QTest::newRow("folder closed")     << "close"         << "open" << false << QColor(Qt::blue);
        QTest::newRow("folder open")       << "close"         << "open" << true  << QColor(Qt::green);
        QTest::newRow("no expanded image") << "account"       << ""     << true  << QColor(Qt::red);
        QTest::newRow("unknown image")     << "no such image" << ""     << false << QColor();
        // clang-format on
    }

    void shownIconIsLookedUpWhenDrawn()
    {
        QFETCH(QString, image);
        QFETCH(QString, expandedImage);
        QFETCH(bool, expanded);
        tree->setImageList(nullptr);
        SSNode *node = tree->addNode({}, 0, "1", "Node", image, expandedImage, "0");
        add("1", "2");
        node->setExpanded(expanded);
        // The text and marker as given; the key is also column 0's user role.
        QCOMPARE((QStringList {
                     node->data(0, Qt::UserRole).toString(), node->text(), node->markerText()}),
            (QStringList {"1", "Node", "0"}));
        QCOMPARE(shownColour(node), QColor());

        tree->setImageList(&images);
        QCOMPARE(node->expanded(), expanded);
        QTEST(shownColour(node), "shown");

        node->setImage("root");
        node->setExpandedImage("root");
        QCOMPARE(shownColour(node), QColor(Qt::yellow));
    }

    void eachNodeKeepsItsOwnLookOverTheTreesFont()
    {
        tree->setFont(QFont("Serif", 7));
        SSNode *first = add({}, "1");
        SSNode *second = add({}, "2");
        SSNode *third = add({}, "3");
        QSignalSpy changed(tree->model(), &QAbstractItemModel::dataChanged);
        for (SSNode *node : {first, second}) {
            node->setFontBold(true);
            node->setFontSize(10);
            node->setForeColor(QColor(0, 80, 0));
        }
        QCOMPARE(changed.count(), 6);

        first->setFontBold(false);
        second->setFontSize(12);
        second->setForeColor(QColor(0, 0, 255));
        third->setFontSize(10);

        // As the view reads it: family, size, bold, colour.
        const auto look = [this](int row) {
            const QModelIndex index = tree->model()->index(row, 0);
            const QFont font = index.data(Qt::FontRole).value<QFont>().resolve(tree->font());
            return QVariantList {font.family(), font.pointSizeF(), font.bold(),
                index.data(Qt::ForegroundRole).value<QBrush>().color()};
        };
        QCOMPARE(look(0), (QVariantList {"Serif", 10.0, false, QColor(0, 80, 0)}));
        QCOMPARE(look(1), (QVariantList {"Serif", 12.0, true, QColor(0, 0, 255)}));
        QCOMPARE(look(2).mid(0, 3), (QVariantList {"Serif", 10.0, false}));
        // A size set on its own leaves the weight to the tree's font.
        QVERIFY(!(third->font(0).resolveMask() & QFont::WeightResolved));
    }

    void dragImageShowsTheIconAndTheText()
    {
        SSNode *shortName = tree->addNode({}, 0, "1", "ab", "account");
        SSNode *longName = tree->addNode({}, 0, "2", "a much longer name", "account");

        const QImage picture = shortName->dragImage().toImage();

        QCOMPARE(picture.pixelColor(8, picture.height() / 2), QColor(Qt::red));
        QVERIFY(longName->dragImage().width() > picture.width());
        bool textDrawn = false;
        for (int x = 20; x < picture.width(); ++x)
            for (int y = 0; y < picture.height(); ++y)
                textDrawn |= picture.pixelColor(x, y).alpha() > 0;
        QVERIFY(textDrawn);
    }

    // --- tree settings and view ---------------------------------------------

    void indentationIsGivenInTwips_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("250") << 250.0 << 17;
        QTest::newRow("300") << 300.0 << 20;
        QTest::newRow("0") << 0.0 << 0;
    }

    void indentationIsGivenInTwips()
    {
        QFETCH(double, twips);
        tree->setNodeIndentation(twips);
        QTEST(tree->indentation(), "pixels");
    }

    void redrawOffSuspendsPainting()
    {
        add({}, "1");
        showTree();
        struct PaintCounter : QObject {
            int count = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } paints;
        tree->viewport()->installEventFilter(&paints);

        tree->setRedraw(false);
        add({}, "2");
        tree->viewport()->update();
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 0);

        tree->setRedraw(true);
        QTRY_VERIFY(paints.count > 0);
    }

    void linesShowTheNodesFromTheTopNode()
    {
        buildSample();
        showTree();
        tree->node("a")->setExpanded(false);

        QStringList lines;
        for (int line = 0; line <= 5; ++line)
            lines << (tree->nodeOnLine(line) ? tree->nodeOnLine(line)->key() : "-");
        QCOMPARE(lines, (QStringList {"-", "r", "a", "b", "c", "-"}));
        const QPoint onB = centreOf("b");
        QCOMPARE(tree->hitTest(onB.x(), onB.y()), tree->node("b"));
        QCOMPARE(tree->hitTest(onB.x(), onB.y() + 3 * lineHeight()), nullptr);

        // Only whole lines count.
        setViewportHeight(5 * lineHeight() + 7);
        QCOMPARE(tree->visibleCount(), 5);
        setViewportHeight(5 * lineHeight() - 1);
        QCOMPARE(tree->visibleCount(), 4);

        // Selecting does not scroll; setting the top node does.
        for (int i = 1; i <= 40; ++i)
            add({}, QString::number(i));
        tree->setSelectedNode(tree->node("30"));
        QCOMPARE(tree->selectedNode(), tree->node("30"));
        QCOMPARE(tree->topNode(), tree->node("r"));
        tree->setTopNode(tree->node("20"));
        QCOMPARE(tree->topNode(), tree->node("20"));
        QCOMPARE(tree->nodeOnLine(2), tree->node("21"));
        QCOMPARE(tree->hitTest(1, 1), tree->node("20"));
        tree->setTopNode(tree->node("r"));
        QCOMPARE(tree->topNode(), tree->node("r"));
        tree->setSelectedNode(nullptr);
        QCOMPARE(tree->selectedNode(), nullptr);
    }

    void dropHighlightIsDrawnAsASelection()
    {
        buildSample();
        showTree();
        const QColor plain = pixelRightOf("b");
        tree->setSelectedNode(tree->node("a"));
        const QColor selected = pixelRightOf("a");
        QVERIFY(!looksAlike(selected, plain));

        tree->setDropHighlight(tree->node("b"));
        QCOMPARE(tree->dropHighlight(), tree->node("b"));
        QVERIFY(looksAlike(pixelRightOf("b"), selected));

        tree->setDropHighlight(nullptr);
        QCOMPARE(tree->dropHighlight(), nullptr);
        QCOMPARE(pixelRightOf("b"), plain);
    }

    // --- events -------------------------------------------------------------

    // Steps on the shown sample tree, and what it reports meanwhile. A step is
    // "press <button and modifiers> <spot>" ("left+shift b"), "release <spot>", "move <buttons
    // held> <spot>" ("none c"), "select <key>", "key <key>" to the tree or its open label
    // editor, or "type <text>" over the editor's text. Spots: a node's key, "a>" a's expand arrow,
    // "a+" and "a++" a pixel or two off a's centre, "out" left of and "below" under the viewport.
    void eventsFollowThePointerAndTheKeys_data()
    {
        // The account window's handlers: "drags" starts a drag of the selected node on a move
        // with the left button held, "selects" selects the node under a mouseDown, "cancels"
        // refuses a finished label edit.
        QTest::addColumn<QString>("handlers");
        QTest::addColumn<QStringList>("steps");
        // "down <button mask> <shift mask> <spot>", "click <key>", "move <button mask> <spot>",
        // "enter|over|drop <spot>", "edit <key> <text then> <new text>", "text <key> <text>",
        // "collapsed <key>", "editor opens|closes"; then the selected node.
        QTest::addColumn<QStringList>("heard");
        const auto row = [](const char *name, const char *handlers, const QStringList &steps,
                             const QStringList &heard) {
            QTest::newRow(name) << QString(handlers) << steps << heard;
        };
        using List = QStringList;
        row("left", "", {"press left b", "release b"}, {"down 1 0 b", "click b", "selected b"});
        row("left with shift and ctrl", "", {"press left+shift+ctrl b", "release b"},
            {"down 1 3 b", "click b", "selected b"});
        row("right with ctrl", "", {"press right+ctrl b", "release b"},
            {"down 2 2 b", "click b", "selected b"});
        row("middle with alt", "", {"press middle+alt b", "release b"},
            {"down 4 4 b", "click b", "selected b"});
        row("left on the expand arrow", "", {"press left a>", "release a>"},
            {"down 1 0 a>", "collapsed a", "selected none"});
        row("keys", "", {"select b", "key Down", "key Down", "key Home"},
            {"click c", "click r", "selected r"});

        // With a button held, the view would drag a selection along.
        for (const auto &[held, mask] :
            {std::pair {"none", "0"}, {"left", "1"}, {"left+right", "3"}, {"middle", "4"}}) {
            row(qPrintable(QString("move, %1 held").arg(held)), "",
                {"press left a", QString("move %1 b").arg(held), QString("move %1 c").arg(held),
                    "release c"},
                {"down 1 0 a", "click a", QString("move %1 b").arg(mask),
                    QString("move %1 c").arg(mask), "selected a"});
        }

        const List dragA {"select a", "press left a", "move left a+"};
        const List draggedA {"down 1 0 a", "click a", "move 1 a+"};
        row("drop on another node", "drags",
            dragA + List {"move left b", "move left c", "release c"},
            draggedA + List {"enter b", "over c", "drop c", "selected a"});
        row("drag out and back in", "drags",
            dragA
                + List {"move left b", "move left out", "move left below", "move left c",
                    "release c"},
            draggedA + List {"enter b", "enter c", "drop c", "selected a"});
        row("release outside", "drags",
            dragA + List {"move left b", "move left out", "release out"},
            draggedA + List {"enter b", "selected a"});
        // A drop is no click: no label editor opens on the pressed, selected node.
        row("drop on the pressed node", "drags", dragA + List {"move left a++", "release a++"},
            draggedA + List {"enter a++", "drop a++", "selected a"});

        // The click that selects a node does not edit it; the next one does.
        const List clicks {"press left b", "release b", "press left b", "release b"};
        const List clicked {"down 1 0 b", "click b", "down 1 0 b", "click b"};
        const List typed {"type Sales", "key Return"};
        const List edited {"editor opens", "edit b b Sales", "text b Sales", "editor closes"};
        row("edit on a second click", "", clicks + typed, clicked + edited + List {"selected b"});
        row("edit on a second click, mouseDown selects", "selects", clicks + typed,
            clicked + edited + List {"selected b"});
        const List f2 {"select b", "key F2", "type Sales"};
        row("edit on F2", "", f2 + List {"key Enter"}, edited + List {"selected b"});
        row("edit cancelled", "cancels", f2 + List {"key Enter"},
            {"editor opens", "edit b b Sales", "editor closes", "selected b"});
        row("edit abandoned", "", f2 + List {"key Esc"},
            {"editor opens", "editor closes", "selected b"});
    }

    void eventsFollowThePointerAndTheKeys()
    {
        QFETCH(QString, handlers);
        QFETCH(QStringList, steps);
        buildSample();
        showTree();
        tree->setFocus();
        const QRect rowA = tree->visualItemRect(tree->node("a"));
        const QMap<QString, QPoint> spots {{"a", rowA.center()}, {"b", centreOf("b")},
            {"c", centreOf("c")},
            {"a>", {rowA.left() - tree->indentation() / 2, rowA.center().y()}},
            {"a+", rowA.center() + QPoint(1, 1)}, {"a++", rowA.center() + QPoint(2, 2)},
            {"out", {-5, 10}}, {"below", {10, tree->viewport()->height() + 5}}};
        const auto spotAt = [&](double x, double y) {
            return spots.key(QPointF(x, y).toPoint(), QString("%1,%2").arg(x).arg(y));
        };

        QStringList heard;
        connect(tree, &SSTree::mouseDown, this, [&](int button, int shift, double x, double y) {
            heard << QString("down %1 %2 ").arg(button).arg(shift) + spotAt(x, y);
            if (handlers == "selects")
                tree->setSelectedNode(tree->hitTest(qRound(x), qRound(y)));
        });
        connect(
            tree, &SSTree::nodeClick, this, [&](SSNode *node) { heard << "click " + node->key(); });
        connect(tree, &SSTree::mouseMove, this, [&](int button, int, double x, double y) {
            heard << QString("move %1 ").arg(button) + spotAt(x, y);
            if (handlers == "drags" && button == 1 && tree->selectedNode()) {
                tree->setDragIcon(tree->selectedNode()->dragImage());
                tree->beginDrag();
            }
        });
        connect(tree, &SSTree::dragOver, this, [&](double x, double y, int state) {
            heard << QStringList {"enter", "?", "over"}.value(state, "?") + ' ' + spotAt(x, y);
        });
        connect(tree, &SSTree::dragDrop, this,
            [&](double x, double y) { heard << "drop " + spotAt(x, y); });
        connect(tree, &SSTree::afterLabelEdit, this,
            [&](SSNode *node, bool *cancel, const QString &text) {
                heard << "edit " + node->key() + ' ' + node->text() + ' ' + text;
                *cancel = handlers == "cancels";
            });
        connect(tree, &QTreeWidget::itemChanged, this, [&](QTreeWidgetItem *item) {
            heard << "text " + SSNode::cast(item)->key() + ' ' + item->text(0);
        });
        connect(tree, &QTreeWidget::itemCollapsed, this,
            [&](QTreeWidgetItem *item) { heard << "collapsed " + SSNode::cast(item)->key(); });

        // Buttons and modifiers by name; their bits do not overlap.
        static const QHash<QString, int> named {{"left", Qt::LeftButton},
            {"right", Qt::RightButton}, {"middle", Qt::MiddleButton}, {"shift", Qt::ShiftModifier},
            {"ctrl", Qt::ControlModifier}, {"alt", Qt::AltModifier}};
        bool editing = false;
        Qt::MouseButton pressed = Qt::NoButton;
        for (const QString &step : steps) {
            const QString verb = step.section(' ', 0, 0);
            const QString last = step.section(' ', -1);
            int held = 0;
            for (const QString &name : step.section(' ', 1, -2).split('+'))
                held |= named.value(name);
            const auto buttons = Qt::MouseButtons(held & ~Qt::KeyboardModifierMask);
            const auto modifiers = Qt::KeyboardModifiers(held & Qt::KeyboardModifierMask);
            if (verb == "press") {
                pressed = Qt::MouseButton(buttons.toInt());
                QTest::mousePress(tree->viewport(), pressed, modifiers, spots[last]);
            } else if (verb == "release") {
                QTest::mouseRelease(tree->viewport(), pressed, {}, spots[last]);
            } else if (verb == "move") {
                moveHeld(spots[last], buttons);
            } else if (verb == "select") {
                tree->setSelectedNode(tree->node(last));
            } else if (verb == "key") {
                QWidget *target = labelEditor() ? labelEditor() : tree->viewport();
                QTest::keyClick(target, QKeySequence(last)[0].key());
            } else if (verb == "type") {
                if (QLineEdit *editor = labelEditor()) {
                    editor->selectAll();
                    QTest::keyClicks(editor, last);
                } else {
                    heard << "no editor to type into";
                }
            }
            settle();
            if (editing != bool(labelEditor()))
                heard << ((editing = !editing) ? "editor opens" : "editor closes");
            // While a drag goes on, the pointer shows the dragged node.
            if (tree->isDragActive())
                QCOMPARE(tree->viewport()->cursor().pixmap().size(),
                    tree->selectedNode()->dragImage().size());
        }
        heard << "selected " + (tree->selectedNode() ? tree->selectedNode()->key() : "none");

        QTEST(heard, "heard");
        QVERIFY(!tree->isDragActive());
        QVERIFY(tree->viewport()->cursor().shape() != Qt::BitmapCursor);
        // The drag, if any, is over: moves are moves again.
        moveHeld(spots["c"], Qt::NoButton);
        QCOMPARE(heard.last(), "move 0 c");
    }
};

QTEST_MAIN(TestSSTree)
#include "tst_sstree.moc"
