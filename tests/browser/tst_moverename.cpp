// Rearranging the tree with the mouse and renaming labels in place, with the
// table checked after each gesture.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"

#include <QInputMethodEvent>
#include <QRegularExpression>
#include <QToolBar>

#include <optional>

namespace {

// How a gesture ends; a label edit may also be abandoned, or begun unchosen.
enum Outcome { Done, Ignored, Refused, TableRefuses, Escaped, NothingChosen };

const QStringList everyPress = {"Ctrl+X", "Ctrl+C", "Ctrl+V", "X", "Ctrl+Shift+X", "Ctrl+Alt+C"};

// A node dragged to another, or its label edited to a text.
struct Gesture {
    QString node, to;
    Outcome outcome;
    QString stored = {}; // the label as the statement holds it
};

// Records the character keys, with their modifiers, that reach a widget.
class KeyRecorder : public QObject {
public:
    QStringList keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        const auto *key = dynamic_cast<QKeyEvent *>(event);
        if (key && event->type() == QEvent::KeyPress && key->key() < Qt::Key_Escape)
            keys << QKeySequence(key->keyCombination()).toString();
        return false;
    }
};

// Folders A (an account, then B > C beneath it), a second A, two folders
// named Twin holding an account each, and an empty folder; keys by name.
QHash<QString, QString> addTree(TestDatabase &table)
{
    QHash<QString, QString> keys = {{"root", "0"}};
    const char *rows[][4] = {{"a", "root", "F", "A"}, {"a1", "a", "A", "a1"}, {"b", "a", "F", "B"},
        {"c", "b", "F", "C"}, {"other a", "root", "F", "A"}, {"twin", "root", "F", "Twin"},
        {"mail", "twin", "A", "mail"}, {"twin 2", "root", "F", "Twin"},
        {"other", "twin 2", "A", "other"}, {"target", "root", "F", "target"}};
    for (const auto &[name, parent, kind, label] : rows)
        keys[name] = table.addRow(keys[parent], kind, label);
    return keys;
}

} // namespace

Q_DECLARE_METATYPE(Gesture)

class TestMoveRename : public QObject {
    Q_OBJECT

    std::optional<Recording> m_recording;

    // Runs the action on the list opened on the table, recording its statements.
    void withTree(TestDatabase &table, const std::function<void(SSTree *)> &action)
    {
        m_recording.emplace();
        m_recording->tracing = false;
        QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
            m_recording->tracing = true;
            action(window.SSTree1());
            m_recording->tracing = false;
        }));
    }

    // The gesture's statements were the only ones, if it was to be written
    // at all; the table reads as expected; the refusal, if any, was told.
    void verifyAfter(TestDatabase &table, const QStringList &expected, Outcome outcome,
        const QStringList &statements)
    {
        const bool written = outcome == Done || outcome == TableRefuses;
        QCOMPARE(m_recording->statements, written ? statements : QStringList());
        QCOMPARE(table.snapshot(), expected);
        DialogTest::verifyRefusal(*m_recording, outcome == TableRefuses,
            outcome == Refused ? QStringLiteral("この場所への移動はできません") : QString(),
            outcome == Refused || outcome == TableRefuses);
    }

private Q_SLOTS:
    void aDroppedNode_data()
    {
        QTest::addColumn<Gesture>("drop");
        QTest::newRow("account onto a folder") << Gesture {"mail", "target", Done};
        QTest::newRow("folder onto the root, its subtree along") << Gesture {"b", "root", Done};
        QTest::newRow("account onto an account") << Gesture {"mail", "other", Ignored};
        QTest::newRow("account onto itself") << Gesture {"mail", "mail", Ignored};
        QTest::newRow("folder onto itself") << Gesture {"twin", "twin", Ignored};
        QTest::newRow("folder onto a folder of its name") << Gesture {"twin", "twin 2", Ignored};
        QTest::newRow("the root onto a folder") << Gesture {"root", "twin", Ignored};
        QTest::newRow("folder into its own child") << Gesture {"a", "b", Refused};
        QTest::newRow("folder into its own grandchild") << Gesture {"a", "c", Refused};
        QTest::newRow("folder below a namesake of itself") << Gesture {"other a", "b", Refused};
        QTest::newRow("the table refuses the write") << Gesture {"mail", "target", TableRefuses};
    }

    void aDroppedNode()
    {
        QFETCH(Gesture, drop);
        TestDatabase table;
        const auto keys = addTree(table);
        const QString dragged = keys[drop.node], target = keys[drop.to];
        QStringList expected = table.snapshot();
        if (drop.outcome == Done)
            expected.replaceInStrings(
                QRegularExpression("^" + dragged + " \\S+ "), dragged + " " + target + " ");
        if (drop.outcome == TableRefuses)
            DialogTest::refuseWrites(table, "UPDATE");
        withTree(table, [&](SSTree *tree) {
            dragNode(tree, tree->node(dragged), tree->node(target));
            QCOMPARE(tree->dropHighlight(), nullptr);
            // The tree holds exactly the rows expected, each in its place.
            QCOMPARE(tree->nodeCount(), expected.size() + 1);
            for (const QString &row : expected) {
                const SSNode *node = tree->findNode(row.section(u' ', 0, 0));
                QVERIFY2(node && node->parentNode()
                        && node->parentNode()->key() == row.section(u' ', 1, 1),
                    qPrintable(row));
            }
        });
        // A folder takes a node only while its row is still there.
        QStringList statements;
        if (target != u"0")
            statements << "select * from ACCOUNT where ACCOUNT_no= " + target;
        verifyAfter(table, expected, drop.outcome,
            statements << "UPDATE ACCOUNT SET P_ACCOUNT_NO = " + target
                    + " WHERE ACCOUNT_NO = " + dragged);
    }

    // One drag held over the edge lines: on the top line the view moves up
    // into the deepest shown node above, on the last line down a line.
    void holdingThePointerOnAnEdgeLineScrolls()
    {
        TestDatabase table;
        const auto keys = addTree(table);
        withTree(table, [&](SSTree *tree) {
            const int line = tree->visualItemRect(tree->node("0")).height();
            QWidget *window = tree->window();
            window->resize(300, window->height() - tree->viewport()->height() + 9 * line / 2);
            QTRY_COMPARE(tree->visibleCount(), 4);
            tree->setTopNode(tree->node(keys["other a"]));
            const QPoint pressed = centreOf(tree, tree->node(keys["mail"]));
            QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, pressed);
            moveWithLeftHeld(tree, pressed + QPoint(2, 0));
            for (const auto &[line, top] :
                {std::pair {1, "c"}, {1, "b"}, {4, "c"}, {4, "other a"}}) {
                moveWithLeftHeld(tree, centreOf(tree, tree->nodeOnLine(line)));
                QCOMPARE(tree->topNode(), tree->node(keys[top]));
            }
            // Over a folder the account could move to, then released outside: no drop.
            moveWithLeftHeld(tree, centreOf(tree, tree->node(keys["twin"])));
            QCOMPARE(tree->dropHighlight(), tree->node(keys["twin"]));
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, {-20, -20});
        });
        QCOMPARE(m_recording->statements, QStringList());
    }

    void aLabelEditedInPlace_data()
    {
        QTest::addColumn<Gesture>("rename");
        QTest::newRow("folder") << Gesture {"twin", "Sales", Done, "Sales"};
        QTest::newRow("account, in Japanese") << Gesture {"mail", "営業", Done, "営業"};
        QTest::newRow("apostrophes doubled") << Gesture {"mail", "O'Neill's", Done, "O''Neill''s"};
        QTest::newRow("root") << Gesture {"root", "Everything", Done, "Everything"};
        QTest::newRow("abandoned with Escape") << Gesture {"twin", "changed", Escaped};
        QTest::newRow("before any node was chosen") << Gesture {"twin", "x", NothingChosen};
        QTest::newRow("the table refuses the write")
            << Gesture {"mail", "Sales", TableRefuses, "Sales"};
    }

    void aLabelEditedInPlace()
    {
        QFETCH(Gesture, rename);
        TestDatabase table;
        const QString key = addTree(table)[rename.node];
        QStringList expected = table.snapshot();
        if (rename.outcome == Done)
            expected.replaceInStrings(
                QRegularExpression("^(" + key + " \\S+ \\S+ ).*$"), "\\1" + rename.to);
        if (rename.outcome == TableRefuses)
            DialogTest::refuseWrites(table, "UPDATE");
        withTree(table, [&](SSTree *tree) {
            const auto editor = [tree] { return tree->viewport()->findChild<QLineEdit *>(); };
            const QString shownBefore = tree->node(key)->text();
            // Chosen with a click (or only made current), F2, the text typed
            // through the input method as Japanese text is, Return or Escape.
            tree->setFocus();
            if (rename.outcome == NothingChosen)
                tree->setCurrentItem(tree->node(key));
            else
                clickNode(tree, tree->node(key));
            QTest::keyClick(tree, Qt::Key_F2);
            QTRY_VERIFY(editor());
            editor()->selectAll();
            QInputMethodEvent typed;
            typed.setCommitString(rename.to);
            QApplication::sendEvent(editor(), &typed);
            QTest::keyClick(editor(), rename.outcome == Escaped ? Qt::Key_Escape : Qt::Key_Return);
            QTRY_VERIFY(!editor());
            QCOMPARE(tree->node(key)->text(), rename.outcome == Done ? rename.to : shownBefore);
        });
        verifyAfter(table, expected, rename.outcome,
            {"UPDATE ACCOUNT SET NAME='" + rename.stored + "' WHERE ACCOUNT_NO=" + key});
    }

    void cutCopyAndPasteNeverReachTheTree_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QStringList>("reaching");
        const QStringList unfiltered = {"X", "Ctrl+Shift+X", "Ctrl+Alt+C"};
        QTest::newRow("tree focused") << "tree" << unfiltered;
        // The box a label is edited in is part of the tree.
        QTest::newRow("label being edited") << "label" << unfiltered;
        QTest::newRow("toolbar focused") << "toolbar" << everyPress;
    }

    void cutCopyAndPasteNeverReachTheTree()
    {
        QFETCH(QString, focused);
        TestDatabase table;
        const QString key = addTree(table)["twin"];
        withTree(table, [&](SSTree *tree) {
            QWidget *target = tree;
            if (focused == u"toolbar")
                target = tree->window()->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
            if (focused == u"label") {
                tree->setFocus();
                clickNode(tree, tree->node(key));
                QTest::keyClick(tree, Qt::Key_F2);
                QTRY_VERIFY((target = tree->viewport()->findChild<QLineEdit *>()) != nullptr);
            }
            target->setFocusPolicy(Qt::StrongFocus);
            target->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), target);
            KeyRecorder recorder;
            target->installEventFilter(&recorder);
            for (const QString &press : everyPress)
                QTest::keySequence(target, QKeySequence(press));
            target->removeEventFilter(&recorder);
            QTEST(recorder.keys, "reaching");
        });
    }
};

QTEST_MAIN(TestMoveRename)
#include "tst_moverename.moc"
