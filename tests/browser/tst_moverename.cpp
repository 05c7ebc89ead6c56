// Rearranging the tree with the mouse and renaming labels in place, with the
// table checked after each gesture.

#include "support/AccountListDriver.h"
#include "support/Recording.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>

namespace {

const QString refused = QStringLiteral("この場所への移動はできません");

// Every row as "key parent kind name", in key order.
// Records the keys that reach a widget.
class KeyRecorder : public QObject {
public:
    QStringList keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const int code = key->key();
        if (code != Qt::Key_Control && code != Qt::Key_Shift && code != Qt::Key_Alt
            && code != Qt::Key_Meta)
            keys << QKeySequence(key->keyCombination()).toString();
        return false;
    }
};

QLineEdit *labelEditor(SSTree *tree)
{
    return tree->viewport()->findChild<QLineEdit *>();
}

} // namespace

class TestMoveRename : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void anAccountDroppedOnAFolderMovesThereInTreeAndTable();
    void aFolderDroppedOnTheRootTakesItsSubtreeAlong();
    void dropsThatMakeNoSenseChangeNothingSilently_data();
    void dropsThatMakeNoSenseChangeNothingSilently();
    void aDropBelowANodeOfTheDraggedNodesNameIsRefused_data();
    void aDropBelowANodeOfTheDraggedNodesNameIsRefused();
    void aFailingMoveLeavesTheNodeWhereItWas();
    void holdingThePointerOnTheLastLineScrollsDown();
    void holdingThePointerOnTheTopLineScrollsUpIntoTheDeepestShownNode();
    void aLabelEditedInPlaceRenamesItsRow_data();
    void aLabelEditedInPlaceRenamesItsRow();
    void anAbandonedEditWritesNothing();
    void anEditBeforeAnyNodeWasChosenWritesNothing();
    void cutCopyAndPasteNeverReachTheTree_data();
    void cutCopyAndPasteNeverReachTheTree();

private:
    void withTree(TestDatabase &table, const std::function<void(SSTree *)> &action);
    void renameInPlace(SSTree *tree, SSNode *node, const QString &text);

    std::unique_ptr<Recording> m_recording;
};

void TestMoveRename::init()
{
    m_recording = std::make_unique<Recording>();
    m_recording->tracing = false;
}

void TestMoveRename::cleanup()
{
    m_recording.reset();
}

// Opens the list on the table and runs the action; only the statements the
// action causes are recorded.
void TestMoveRename::withTree(TestDatabase &table, const std::function<void(SSTree *)> &action)
{
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        m_recording->tracing = true;
        action(window.SSTree1());
        m_recording->tracing = false;
    }));
}

void TestMoveRename::renameInPlace(SSTree *tree, SSNode *node, const QString &text)
{
    clickNode(tree, node);
    QTest::keyClick(tree, Qt::Key_F2);
    QTRY_VERIFY(labelEditor(tree));
    QLineEdit *editor = labelEditor(tree);
    editor->selectAll();
    // Typed through the input method, as Japanese text is.
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(editor, &typed);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!labelEditor(tree));
}

void TestMoveRename::anAccountDroppedOnAFolderMovesThereInTreeAndTable()
{
    TestDatabase table;
    const QString from = table.addFolder("0", "from");
    const QString account = table.addAccount(from, "mail");
    const QString to = table.addFolder("0", "to");
    QStringList expected = table.snapshot();
    expected.replaceInStrings(
        QRegularExpression("^" + account + " " + from + " "), account + " " + to + " ");

    withTree(table, [&](SSTree *tree) {
        dragNode(tree, tree->node(account), tree->node(to));
        QCOMPARE(tree->node(account)->parentNode(), tree->node(to));
        QCOMPARE(tree->dropHighlight(), nullptr);
    });
    QCOMPARE(m_recording->statements,
        QStringList {"UPDATE ACCOUNT SET P_ACCOUNT_NO = " + to + " WHERE ACCOUNT_NO = " + account});
    QCOMPARE(table.snapshot(), expected);
    QVERIFY(m_recording->messages().isEmpty());
}

void TestMoveRename::aFolderDroppedOnTheRootTakesItsSubtreeAlong()
{
    TestDatabase table;
    const QString outer = table.addFolder("0", "outer");
    const QString inner = table.addFolder(outer, "inner");
    const QString account = table.addAccount(inner, "mail");
    withTree(table, [&](SSTree *tree) {
        dragNode(tree, tree->node(inner), tree->node("0"));
        QCOMPARE(tree->node(inner)->parentNode(), tree->node("0"));
        QCOMPARE(tree->node(account)->parentNode(), tree->node(inner));
    });
    QCOMPARE(m_recording->statements,
        QStringList {"UPDATE ACCOUNT SET P_ACCOUNT_NO = 0 WHERE ACCOUNT_NO = " + inner});
    QCOMPARE(table.value("select P_ACCOUNT_NO from ACCOUNT where ACCOUNT_NO = " + inner),
        QStringLiteral("0"));
    QCOMPARE(table.value("select P_ACCOUNT_NO from ACCOUNT where ACCOUNT_NO = " + account), inner);
}

void TestMoveRename::dropsThatMakeNoSenseChangeNothingSilently_data()
{
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::newRow("account onto account") << "mail"
                                          << "other mail";
    QTest::newRow("account onto itself") << "mail"
                                         << "mail";
    QTest::newRow("folder onto itself") << "twin"
                                        << "twin";
    QTest::newRow("folder onto a folder of the same name") << "twin"
                                                           << "twin 2";
    QTest::newRow("the root onto a folder") << "root"
                                            << "twin";
}

void TestMoveRename::dropsThatMakeNoSenseChangeNothingSilently()
{
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    TestDatabase table;
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["twin"] = table.addFolder("0", "Twin");
    keys["twin 2"] = table.addFolder("0", "Twin");
    keys["mail"] = table.addAccount(keys["twin"], "mail");
    keys["other mail"] = table.addAccount(keys["twin 2"], "other");
    const QStringList before = table.snapshot();
    withTree(table, [&](SSTree *tree) {
        SSNode *parentBefore = tree->node(keys[dragged])->parentNode();
        dragNode(tree, tree->node(keys[dragged]), tree->node(keys[target]));
        QCOMPARE(tree->node(keys[dragged])->parentNode(), parentBefore);
    });
    QVERIFY2(m_recording->statements.isEmpty(), qPrintable(m_recording->statements.join('\n')));
    QVERIFY(m_recording->messages().isEmpty());
    QCOMPARE(table.snapshot(), before);
}

void TestMoveRename::aDropBelowANodeOfTheDraggedNodesNameIsRefused_data()
{
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::newRow("into its own child") << "a"
                                        << "b";
    QTest::newRow("into its own grandchild") << "a"
                                             << "c";
    QTest::newRow("a namesake of an ancestor") << "other a"
                                               << "b";
}

void TestMoveRename::aDropBelowANodeOfTheDraggedNodesNameIsRefused()
{
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    TestDatabase table;
    QHash<QString, QString> keys;
    keys["a"] = table.addFolder("0", "A");
    keys["b"] = table.addFolder(keys["a"], "B");
    keys["c"] = table.addFolder(keys["b"], "C");
    keys["other a"] = table.addFolder("0", "A");
    const QStringList before = table.snapshot();
    withTree(table,
        [&](SSTree *tree) { dragNode(tree, tree->node(keys[dragged]), tree->node(keys[target])); });
    QCOMPARE(m_recording->messages(), QStringList {refused});
    QVERIFY(m_recording->statements.isEmpty());
    QCOMPARE(table.snapshot(), before);
}

void TestMoveRename::aFailingMoveLeavesTheNodeWhereItWas()
{
    TestDatabase table;
    const QString from = table.addFolder("0", "from");
    const QString account = table.addAccount(from, "mail");
    const QString to = table.addFolder("0", "to");
    table.db().execute("CREATE TRIGGER refuse BEFORE UPDATE ON ACCOUNT BEGIN SELECT RAISE(ABORT, "
                       "'moves refused'); END");
    withTree(table, [&](SSTree *tree) {
        dragNode(tree, tree->node(account), tree->node(to));
        QCOMPARE(tree->node(account)->parentNode(), tree->node(from));
        QCOMPARE(tree->dropHighlight(), nullptr);
    });
    QCOMPARE(m_recording->messages().size(), 1);
    QVERIFY2(m_recording->messages().front().contains("moves refused"),
        qPrintable(m_recording->messages().front()));
    QCOMPARE(table.value("select P_ACCOUNT_NO from ACCOUNT where ACCOUNT_NO = " + account), from);
}

void TestMoveRename::holdingThePointerOnTheLastLineScrollsDown()
{
    TestDatabase table;
    QStringList keys;
    for (int i = 0; i < 40; ++i)
        keys << table.addFolder("0", QStringLiteral("folder %1").arg(i));
    withTree(table, [&](SSTree *tree) {
        tree->window()->resize(300, 200);
        QTRY_VERIFY(tree->visibleCount() > 3);
        const int lines = tree->visibleCount();
        SSNode *first = tree->node(keys[0]);
        QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(tree, first));
        moveWithLeftHeld(tree, centreOf(tree, first) + QPoint(2, 0));
        for (int step = 1; step <= 3; ++step) {
            moveWithLeftHeld(tree, centreOf(tree, tree->nodeOnLine(lines)));
            QCOMPARE(tree->topNode(), tree->node(keys[step - 1]));
        }
        // Released outside the tree: no drop.
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    });
    QVERIFY(m_recording->statements.isEmpty());
}

void TestMoveRename::holdingThePointerOnTheTopLineScrollsUpIntoTheDeepestShownNode()
{
    TestDatabase table;
    const QString before = table.addFolder("0", "before");
    table.addAccount(before, "b1");
    const QString inner = table.addFolder(before, "inner");
    const QString deepest = table.addAccount(inner, "deepest");
    const QString after = table.addFolder("0", "after");
    for (int i = 0; i < 30; ++i)
        table.addAccount(after, QStringLiteral("mail %1").arg(i));
    withTree(table, [&](SSTree *tree) {
        tree->window()->resize(300, 200);
        tree->setTopNode(tree->node(after));
        QCOMPARE(tree->topNode(), tree->node(after));
        SSNode *pressed = tree->nodeOnLine(2);
        QTest::mousePress(
            tree->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(tree, pressed));
        moveWithLeftHeld(tree, centreOf(tree, pressed) + QPoint(2, 0));
        moveWithLeftHeld(tree, centreOf(tree, tree->node(after)));
        QCOMPARE(tree->topNode(), tree->node(deepest));
        moveWithLeftHeld(tree, centreOf(tree, tree->node(deepest)));
        QCOMPARE(tree->topNode(), tree->node(inner));
        QTest::mouseRelease(
            tree->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(tree, pressed));
    });
}

void TestMoveRename::aLabelEditedInPlaceRenamesItsRow_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("statementName");
    QTest::newRow("folder") << "folder"
                            << "Sales"
                            << "Sales";
    QTest::newRow("account") << "account"
                             << "営業"
                             << "営業";
    QTest::newRow("apostrophes") << "account"
                                 << "O'Neill's"
                                 << "O''Neill''s";
    QTest::newRow("root") << "root"
                          << "Everything"
                          << "Everything";
}

void TestMoveRename::aLabelEditedInPlaceRenamesItsRow()
{
    QFETCH(QString, which);
    QFETCH(QString, label);
    QFETCH(QString, statementName);
    TestDatabase table;
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table.addFolder("0", "folder");
    keys["account"] = table.addAccount(keys["folder"], "account");
    QStringList expected = table.snapshot();
    withTree(table, [&](SSTree *tree) {
        renameInPlace(tree, tree->node(keys[which]), label);
        QCOMPARE(tree->node(keys[which])->text(), label);
    });
    QCOMPARE(m_recording->statements,
        QStringList {
            "UPDATE ACCOUNT SET NAME='" + statementName + "' WHERE ACCOUNT_NO=" + keys[which]});
    if (which != u"root")
        expected.replaceInStrings(
            QRegularExpression("^(" + keys[which] + " \\S+ \\S+ ).*$"), "\\1" + label);
    QCOMPARE(table.snapshot(), expected);
}

void TestMoveRename::anAbandonedEditWritesNothing()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "folder");
    withTree(table, [&](SSTree *tree) {
        clickNode(tree, tree->node(folder));
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(labelEditor(tree));
        QTest::keyClicks(labelEditor(tree), "changed");
        QTest::keyClick(labelEditor(tree), Qt::Key_Escape);
        QTRY_VERIFY(!labelEditor(tree));
        QCOMPARE(tree->node(folder)->text(), QStringLiteral("folder"));
    });
    QVERIFY(m_recording->statements.isEmpty());
    QCOMPARE(table.value("select NAME from ACCOUNT"), QStringLiteral("folder"));
}

void TestMoveRename::anEditBeforeAnyNodeWasChosenWritesNothing()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "folder");
    withTree(table, [&](SSTree *tree) {
        tree->setCurrentItem(tree->node(folder));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(labelEditor(tree));
        QTest::keyClicks(labelEditor(tree), "x");
        QTest::keyClick(labelEditor(tree), Qt::Key_Return);
        QTRY_VERIFY(!labelEditor(tree));
        QCOMPARE(tree->node(folder)->text(), QStringLiteral("folder"));
    });
    QVERIFY(m_recording->statements.isEmpty());
}

void TestMoveRename::cutCopyAndPasteNeverReachTheTree_data()
{
    QTest::addColumn<bool>("treeFocused");
    QTest::addColumn<QStringList>("reaching");
    QTest::newRow("tree focused") << true << QStringList {"X", "Ctrl+Shift+X", "Ctrl+Alt+C"};
    QTest::newRow("toolbar focused")
        << false << QStringList {"Ctrl+X", "Ctrl+C", "Ctrl+V", "X", "Ctrl+Shift+X", "Ctrl+Alt+C"};
}

void TestMoveRename::cutCopyAndPasteNeverReachTheTree()
{
    QFETCH(bool, treeFocused);
    TestDatabase table;
    table.addFolder("0", "folder");
    withTree(table, [&](SSTree *tree) {
        QWidget *target = tree;
        if (!treeFocused) {
            auto *toolbar = tree->window()->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
            target = toolbar->widgetForAction(toolbar->actions().constLast());
            target->setFocusPolicy(Qt::StrongFocus);
        }
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        KeyRecorder recorder;
        target->installEventFilter(&recorder);
        const std::pair<Qt::Key, Qt::KeyboardModifiers> presses[]
            = {{Qt::Key_X, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
                {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_X, Qt::NoModifier},
                {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier},
                {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier}};
        for (const auto &[key, modifiers] : presses)
            QTest::keyClick(target, key, modifiers);
        target->removeEventFilter(&recorder);
        QTEST(recorder.keys, "reaching");
    });
}

QTEST_MAIN(TestMoveRename)
#include "tst_moverename.moc"
