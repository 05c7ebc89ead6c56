// The account list window as a person uses it: the mouse and the keys on the
// tree, the toolbar, and the table after each.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Sign.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStyleHints>
#include <QTimer>

using namespace DialogTest;
using Gesture = std::function<void(AccountBrowse &)>;
Q_DECLARE_METATYPE(Gesture)

namespace {

const QString question = "削除してもよろしいですか。";

QLineEdit *labelEditor(SSTree *tree)
{
    return tree->viewport()->findChild<QLineEdit *>();
}

Gesture press(const char *keys)
{
    return
        [keys](AccountBrowse &window) { QTest::keySequence(window.SSTree1(), QKeySequence(keys)); };
}

// The label editor the gesture opens on the current node, its text selected.
QLineEdit *openLabel(AccountBrowse &window, const Gesture &open = press("F2"))
{
    open(window);
    QLineEdit *label = nullptr;
    [&] { QTRY_VERIFY((label = labelEditor(window.SSTree1()))); }();
    if (label)
        label->selectAll();
    return label;
}

// The node's menu asked for with the right button, as a desktop sends it.
Gesture rightPress(const char *key)
{
    return [key](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        const QPoint at = centreOf(tree, tree->node(key));
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, at);
    };
}

} // namespace

class TestAccountBrowse : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;

    void inList(const std::function<void(AccountBrowse &, SSTree *)> &action)
    {
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            tree->activateWindow();
            tree->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), tree);
            m_record->statements.clear();
            action(window, tree);
        }));
    }
    QString ran() { return std::exchange(m_record->statements, {}).join('\n'); }
    // The window made as small as three and a half lines of the tree.
    static bool showsThreeLines(SSTree *tree)
    {
        const int line = tree->nodeRect(tree->node("0")).height();
        tree->window()->resize(
            300, tree->window()->height() - tree->viewport()->height() + 7 * line / 2);
        return QTest::qWaitFor([tree] { return tree->visibleCount() == 3; });
    }
private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    // The view opens a label editor one double-click interval after a click
    // on the chosen node; with none, at the next pass of the event loop.
    void initTestCase() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(0); }

    void init()
    {
        QFETCH_GLOBAL(int, engine);
        const QStringList writing = {"aDraggedNodeScrollsTheTreeAndMovesWhereItMay",
            "aLabelIsEditedInPlace", "theButtonsOfferWhatTheChosenNodeAllowsUntilADelete",
            "closingTakesALabelBeingEditedFirst"};
        if (Engine(engine) != Engine::SQLite && !writing.contains(QTest::currentTestFunction()))
            QSKIP("Writes nothing: one engine is enough");
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        addSampleTree(*m_table);
        m_record = std::make_unique<Recording>();
    }

    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void aScreenReaderHearsTheListsNameAndEachNodesKind()
    {
        inList([](AccountBrowse &, SSTree *tree) {
            QAccessibleInterface *list = QAccessible::queryAccessibleInterface(tree);
            QCOMPARE(list->text(QAccessible::Name), "アカウント一覧");
            QStringList kinds; // after the header's
            for (int i = 0; i < list->childCount(); ++i)
                kinds << list->child(i)->text(QAccessible::Description);
            QCOMPARE(kinds.join(' '),
                " ルート フォルダ フォルダ アカウント アカウント アカウント フォルダ");
        });
    }

    // A load names its top node while the tree is not drawn; it is on the top
    // line once the tree is drawn again, wherever the view was scrolled.
    void theTopNodeNamedWhileDrawingIsOffIsOnTopOnceDrawn()
    {
        inList([&](AccountBrowse &, SSTree *tree) {
            QVERIFY(showsThreeLines(tree));
            SSNode *middle = tree->nodeOnLine(3);
            tree->setTopNode(tree->node("6"));
            tree->setRedraw(false);
            tree->setTopNode(middle);
            tree->setRedraw(true);
            QTRY_COMPARE(tree->topNode(), middle);
        });
    }

    // Held on the top line the view moves up a line, into the last open node
    // above; on the bottom line, down a line. The node under the pointer is
    // the target; a folder cannot go into its own subtree.
    void aDraggedNodeScrollsTheTreeAndMovesWhereItMay()
    {
        inList([&](AccountBrowse &, SSTree *tree) {
            QVERIFY(showsThreeLines(tree));
            tree->setTopNode(tree->node("5"));
            const QPoint pressed = centreOf(tree, tree->node("2"));
            QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, pressed);
            moveWithLeftHeld(tree, pressed + QPoint(2, 0));
            for (const auto &[line, top] : {std::pair {1, "4"}, {1, "3"}, {3, "4"}, {3, "5"}}) {
                moveWithLeftHeld(tree, centreOf(tree, tree->nodeOnLine(line)));
                QCOMPARE(tree->topNode(), tree->node(top));
            }
            const QPoint target = centreOf(tree, tree->node("6"));
            moveWithLeftHeld(tree, target);
            QCOMPARE(tree->dropHighlight(), tree->node("6"));
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, target);
            QCOMPARE(tree->node("2")->parentNode(), tree->node("6"));
            tree->window()->resize(300, 400);
            dragNode(tree, tree->node("1"), tree->node("3"));
        });
        QCOMPARE(m_record->messages(), QStringList {"この場所への移動はできません"});
        QCOMPARE(m_table->snapshot(),
            (QStringList {"1 0 F Zeta", "2 6 A Alpha", "3 1 F 営業部", "4 3 A O'Neill",
                "5 1 A Beta", "6 0 F Zeta"}));
    }

    // Typed over the old label, with Ctrl+X, Ctrl+C and Ctrl+V doing nothing:
    // stored on Enter, abandoned on Escape, and never stored for a node the
    // program made current without the user choosing it.
    void aLabelIsEditedInPlace_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<Gesture>("open");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("statement");
        const QString renamed = "SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = 4\n"
                                "UPDATE ACCOUNT SET NAME='営業''s' WHERE ACCOUNT_NO=4";
        const Gesture click = [](AccountBrowse &window) {
            clickNode(window.SSTree1(), window.SSTree1()->node("4"));
        };
        QTest::newRow("F2") << "4" << press("F2") << int(Qt::Key_Return) << renamed;
        QTest::newRow("a second click") << "4" << click << int(Qt::Key_Return) << renamed;
        QTest::newRow("Escape") << "4" << press("F2") << int(Qt::Key_Escape) << "";
        QTest::newRow("a node not chosen") << "6" << press("F2") << int(Qt::Key_Return) << "";
    }

    void aLabelIsEditedInPlace()
    {
        QFETCH(QString, current);
        QFETCH(Gesture, open);
        QFETCH(int, key);
        QGuiApplication::clipboard()->setText("clipped");
        inList([&](AccountBrowse &window, SSTree *tree) {
            clickNode(tree, tree->node("4"));
            tree->setSelectedNode(tree->node(current));
            QTest::keySequence(tree, QKeySequence::Copy);
            QLineEdit *label = openLabel(window, open);
            QTest::keySequence(label, QKeySequence::Cut);
            QTest::keySequence(label, QKeySequence::Paste);
            typeText(label, "営業's");
            QTest::keyClick(label, Qt::Key(key));
            QTRY_VERIFY(!labelEditor(tree));
            QTEST(ran(), "statement");
            QCOMPARE(tree->node(current)->text(),
                m_table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + current));
        });
        QCOMPARE(QGuiApplication::clipboard()->text(), "clipped");
        QCOMPARE(m_record->messages(), QStringList());
    }

    // Each runs through the toolbar's button; a node's menu is answered by a
    // click on its entry, a dialog read and cancelled, the question with Cancel.
    void keysAndTheNodesMenuRunTheirCommands_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("runs"); // a dialog's caption and first box, or the question
        const auto row = [](const char *tag, const char *chosen, const Gesture &gesture,
                             const char *entry, const QString &runs) {
            QTest::newRow(tag) << QString(chosen) << gesture << QString(entry) << runs;
        };
        row("Delete on a folder", "6", press("Del"), "", question);
        row("Delete on an account", "2", press("Del"), "", question);
        row("Delete on the root", "0", press("Del"), "", "");
        row("Insert", "0", press("Ins"), "", "アカウント追加 ");
        row("Shift+Insert", "1", press("Shift+Ins"), "", "アカウントフォルダの追加 ");
        row("Enter", "2", press("Return"), "", "アカウント修正 Alpha");
        row("Ctrl+D", "2", press("Ctrl+D"), "", "アカウント複写 Alpha");
        row("menu key", "4", press("Menu"), "update", "アカウント修正 O'Neill");
        row("Shift+F10", "6", press("Shift+F10"), "updatef", "アカウントフォルダの修正 Zeta");
        row("right press on another node", "2", rightPress("5"), "copy", "アカウント複写 Beta");
    }

    void keysAndTheNodesMenuRunTheirCommands()
    {
        QFETCH(QString, chosen);
        QFETCH(Gesture, gesture);
        QFETCH(QString, entry);
        m_record->answer = MessageBox::Answer::Cancel;
        QString shown;
        QTimer answer;
        inList([&](AccountBrowse &window, SSTree *tree) {
            connect(&answer, &QTimer::timeout, [&] {
                if (QWidget *dialog = QApplication::activeModalWidget();
                    dialog && dialog->objectName() != "AccountBrowse") {
                    shown = dialog->windowTitle() + ' ' + control(dialog, "Text1")->text();
                    dialog->close();
                } else if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    const QPoint at = menu->actionGeometry(window.button(entry)).center();
                    // Posted: a timer does not fire again inside the dialog its own slot
                    // opens. A menu whose entry is off is closed.
                    QTimer::singleShot(
                        0, menu, [=] { QTest::mouseClick(menu, Qt::LeftButton, {}, at); });
                    QTimer::singleShot(500, menu, &QMenu::close);
                }
            });
            answer.start(10);
            clickNode(tree, tree->node(chosen));
            gesture(window);
            QTest::qWait(100);
            QTEST(shown + m_record->messages().join(""), "runs");
        });
    }

    // A delete asks first; afterwards nothing is chosen, nothing offered, and
    // F2 edits no label.
    void theButtonsOfferWhatTheChosenNodeAllowsUntilADelete()
    {
        inList([&](AccountBrowse &window, SSTree *tree) {
            QCOMPARE(enabledButtons(window), QStringList {"close"});
            clickNode(tree, tree->node("3"));
            QCOMPARE(
                enabledButtons(window), (QStringList {"addf", "updatef", "delf", "add", "close"}));
            QTest::keyClick(tree, Qt::Key_Home);
            QCOMPARE(enabledButtons(window), (QStringList {"addf", "add", "close"}));
            clickNode(tree, tree->node("5"));
            m_record->answer = MessageBox::Answer::Cancel;
            clickButton(window, "del");
            QCOMPARE(enabledButtons(window), (QStringList {"update", "copy", "del", "close"}));
            m_record->answer = MessageBox::Answer::Ok;
            clickButton(window, "del");
            QCOMPARE(ran(),
                "SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = 5\n"
                "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = 5 ORDER BY ACCOUNT_NO\n"
                "Delete from ACCOUNT where ACCOUNT_no= 5");
            QCOMPARE(enabledButtons(window), QStringList {"close"});
            QTest::keyClick(tree, Qt::Key_F2);
            QCoreApplication::processEvents();
            QVERIFY(!labelEditor(tree));
        });
        QCOMPARE(m_record->messages(), (QStringList {question, question}));
        QCOMPARE(m_record->asked[0].buttons, MessageBox::Buttons::OkCancel);
        QCOMPARE(m_table->snapshot(),
            (QStringList {
                "1 0 F Zeta", "2 0 A Alpha", "3 1 F 営業部", "4 3 A O'Neill", "6 0 F Zeta"}));
    }

    // With no Enter, the edit is stored, or refused with the table's words,
    // before the dialogs unload and the connection closes.
    void closingTakesALabelBeingEditedFirst_data()
    {
        QTest::addColumn<Gesture>("close");
        QTest::addColumn<bool>("refused");
        QTest::newRow("閉じる") << Gesture([](AccountBrowse &window) {
            clickButton(window, "close");
        }) << false;
        QTest::newRow("the close box, refused")
            << Gesture([](AccountBrowse &window) { window.SSTree1()->window()->close(); }) << true;
    }

    void closingTakesALabelBeingEditedFirst()
    {
        QFETCH(Gesture, close);
        QFETCH(bool, refused);
        if (refused)
            refuseWrites(*m_table, "UPDATE");
        inList([&](AccountBrowse &window, SSTree *tree) {
            clickNode(tree, tree->node("6"));
            typeText(openLabel(window), "Sales");
            Forms::sign().widget(); // used, and only hidden since
            close(window);
            QCOMPARE(ran(),
                "SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = 6\n"
                "UPDATE ACCOUNT SET NAME='Sales' WHERE ACCOUNT_NO=6");
            QVERIFY(!window.isLoaded());
            QVERIFY(!Forms::sign().isLoaded());
            QVERIFY(!window.list().isOpen());
        });
        QCOMPARE(m_record->messages().size(), refused ? 1 : 0);
        QVERIFY(!refused || m_record->messages()[0].contains("refused"));
        QCOMPARE(m_table->snapshot().last(), refused ? "6 0 F Zeta" : "6 0 F Sales");
    }

    // Deeper than the view can lay out: the first levels are shown, once
    // said; deleting the top folder deletes the whole chain.
    void aChainOfAHundredThousandFoldersIsShownCutAndDeletedWhole()
    {
        m_table->db().execute("DELETE FROM ACCOUNT");
        m_table->db().execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n "
            "UNION ALL SELECT 100001, 0, 'A', 'outside'");
        m_record->tracing = false;
        inList([&](AccountBrowse &window, SSTree *tree) {
            QCOMPARE(tree->nodeCount(), 10002); // the root, 10000 levels, the account outside
            clickNode(tree, tree->node("1"));
            clickButton(window, "delf");
            QCOMPARE(tree->nodeCount(), 2);
        });
        QCOMPARE(m_record->messages(),
            (QStringList {
                "階層が深すぎるため、10000 階層より下のアカウントは表示されません。", question}));
        QCOMPARE(m_table->snapshot(), QStringList {"100001 0 A outside"});
    }
};

QTEST_MAIN(TestAccountBrowse)
#include "tst_accountbrowse.moc"
