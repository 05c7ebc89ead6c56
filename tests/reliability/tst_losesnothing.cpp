// What people meet every day must lose nothing: values longer than their box,
// a right press before a command, signatures, large keys, rows another
// program deleted meanwhile, a delete the database refuses, a huge name.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"

#include <QPlainTextEdit>
#include <QScreen>

using namespace DialogTest;

namespace {

const QString folderGone = u"このフォルダはすでに削除されています。"_qs;
const QString accountGone = u"このアカウントはすでに削除されています。"_qs;

// An account under the parent with the required values and those given.
QString addAccount(TestDatabase &table, const QString &parent, const QString &columns = {},
    const QString &values = {}, const QString &key = {})
{
    table.db().execute("INSERT INTO ACCOUNT(" + QString(key.isEmpty() ? "" : "ACCOUNT_NO,")
        + "P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT" + columns + ") VALUES("
        + (key.isEmpty() ? "" : key + ",") + parent + ",'A','Mail','Ann','ann@x','smtp','25'"
        + values + ")");
    return key.isEmpty() ? table.value("select max(ACCOUNT_NO) from ACCOUNT") : key;
}

// Opens the dialog with the command on the node and acts in it; the dialog
// is left by its cancel button if the action kept it open.
void inDialog(AccountBrowse &window, const QString &key, const QString &command,
    const std::function<void(QWidget *)> &action)
{
    const bool folder = command.endsWith(u'f');
    bool ran = false;
    ModalDriver::whenShown(
        folder ? "FolderAdd" : "AccountAdd",
        [&](QWidget *dialog) {
            action(dialog);
            if (dialog->isVisible())
                click(dialog, folder ? "Command3" : "Command2");
        },
        &ran);
    clickNode(window.SSTree1(), window.SSTree1()->node(key));
    clickButton(window, command);
    QVERIFY2(ran, qPrintable(command));
}

void typeAtEnd(QLineEdit *box, const QString &text)
{
    QTest::keyClick(box, Qt::Key_End);
    typeText(box, text);
}

} // namespace

class TestLosesNothing : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;

    TestDatabase &table() { return *m_table; }

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        m_record = std::make_unique<Recording>();
        m_record->tracing = false;
    }
    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    // Other programs and renaming in place write values longer than the
    // boxes take: opening and confirming must not cut them, while typing
    // stays bound by the limit and deleting is free.
    void aValueLongerThanItsBoxIsKeptWhole()
    {
        const QString folder = table().addFolder("0", QString(150, u'F'));
        const QString account = addAccount(table(), folder, ",USERID,PSWD,TEL_NUMBER",
            ",'" + QString(45, u'u') + "','" + QString(40, u'p') + "','" + QString(25, u'1') + "'");
        table().db().execute(
            "UPDATE ACCOUNT SET NAME = '" + QString(150, u'N') + "' WHERE ACCOUNT_NO = " + account);
        const auto before = allRows(table());
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            inDialog(window, account, "update", [](QWidget *dialog) {
                QCOMPARE(control(dialog, "Text9")->text().size(), 40);
                click(dialog, "Command1");
            });
            inDialog(window, folder, "updatef", [](QWidget *dialog) {
                QLineEdit *name = control(dialog, "Text1");
                typeAtEnd(name, "x");
                QCOMPARE(name->text(), QString(150, u'F'));
                QTest::keyClick(name, Qt::Key_Backspace);
                click(dialog, "Command2");
            });
        }));
        QVERIFY(m_record->asked.isEmpty());
        auto expected = before;
        expected.front()[3] = QString(149, u'F');
        QCOMPARE(allRows(table()), expected);
    }

    void aPressWithAnyButtonChoosesTheNodeTheCommandsActOn_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }

    void aPressWithAnyButtonChoosesTheNodeTheCommandsActOn()
    {
        QFETCH(Qt::MouseButton, button);
        const QString first = addAccount(table(), "0");
        const QString pressed = addAccount(table(), "0");
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node(first));
            QTest::mouseClick(tree->viewport(), button, {}, centreOf(tree, tree->node(pressed)));
            QCOMPARE(tree->selectedNode(), tree->node(pressed));
            QCOMPARE(window.basNodeKey, pressed);
            clickButton(window, "del");
        }));
        QCOMPARE(table().snapshot(), QStringList {first + " 0 A Mail"});
    }

    void aSignatureComesBackAsItWasStored_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("CRLF, modified") << "update"
                                        << "Ann\r\nSales\r\n"
                                        << ""
                                        << "Ann\r\nSales\r\n";
        QTest::newRow("LF, copied") << "copy"
                                    << "Ann\nSales\n"
                                    << ""
                                    << "Ann\nSales\n";
        QTest::newRow("LF, edited") << "update"
                                    << "Ann\nSales"
                                    << "!"
                                    << "Ann\r\nSales!";
    }

    void aSignatureComesBackAsItWasStored()
    {
        QFETCH(QString, command);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        const QString account = addAccount(table(), "0", ",TEXT_SIG", ",'" + stored + "'");
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            inDialog(window, account, command, [&](QWidget *dialog) {
                if (!typed.isEmpty()) {
                    bool signed_ = false;
                    ModalDriver::whenShown(
                        "Sign",
                        [&](QWidget *sign) {
                            auto *box = control<QPlainTextEdit>(sign, "Text1");
                            QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
                            typeText(box, typed);
                            click(sign, "Command1");
                        },
                        &signed_);
                    click(dialog, "Command3");
                    QVERIFY(signed_);
                }
                click(dialog, "Command1");
            });
        }));
        QCOMPARE(table().value("SELECT TEXT_SIG FROM ACCOUNT ORDER BY ACCOUNT_NO DESC"), written);
    }

    // Identity columns reach numbers past 32 bits: such an account loads with
    // the load's one message, and is modified and deleted like any other.
    void anAccountKeyPast32BitsIsLoadedEditedAndDeleted()
    {
        const QString folder = table().addFolder("0", "Folder");
        const QString big = addAccount(table(), "0", {}, {}, "4294967296");
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            QCOMPARE(tree->nodeCount(), 3);
            QCOMPARE(m_record->asked.size(), 1);
            QVERIFY2(m_record->asked.front().text.contains("Overflow"),
                qPrintable(m_record->asked.front().text));
            QCOMPARE(m_record->asked.front().icon, MessageBox::Icon::None);
            inDialog(window, big, "update", [](QWidget *dialog) {
                retype(control(dialog, "Text1"), "Renamed");
                click(dialog, "Command1");
            });
            QCOMPARE(enabledButtons(window), (QStringList {"update", "copy", "del", "close"}));
            QCOMPARE(
                table().snapshot(), (QStringList {folder + " 0 F Folder", big + " 0 A Renamed"}));
            clickButton(window, "del");
        }));
        QCOMPARE(table().snapshot(), QStringList {folder + " 0 F Folder"});
    }

    void aRowAnotherProgramDeletedIsReportedAndNothingIsOrphaned_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("message");
        for (const char *gesture :
            {"rename in place", "rename", "move onto", "add folder under", "add account under"})
            QTest::newRow(gesture) << gesture << folderGone;
        QTest::newRow("modify account") << "modify account" << accountGone;
    }

    void aRowAnotherProgramDeletedIsReportedAndNothingIsOrphaned()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, message);
        const QString gone = table().addFolder("0", "Gone");
        const QString account = addAccount(table(), "0");
        const QString goneKey = gesture == u"modify account" ? account : gone;
        const QString deleteGone = "DELETE FROM ACCOUNT WHERE ACCOUNT_NO = " + goneKey;
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            if (gesture == u"rename in place") {
                clickNode(tree, tree->node(gone));
                // The name it already has matches its row on every engine;
                // once the row is gone, no name does.
                for (const QString name : {"Gone", "New"}) {
                    if (name == u"New")
                        table().db().execute(deleteGone);
                    QTest::keyClick(tree, Qt::Key_F2);
                    QLineEdit *label = nullptr;
                    QTRY_VERIFY((label = tree->viewport()->findChild<QLineEdit *>()) != nullptr);
                    typeText(label, name);
                    QTest::keyClick(label, Qt::Key_Return);
                    QTRY_VERIFY(!tree->viewport()->findChild<QLineEdit *>());
                }
            } else if (gesture == u"move onto") {
                table().db().execute(deleteGone);
                dragNode(tree, tree->node(account), tree->node(gone));
            } else {
                const QString command = gesture == u"rename" ? "updatef"
                    : gesture == u"add folder under"         ? "addf"
                    : gesture == u"add account under"        ? "add"
                                                             : "update";
                inDialog(window, goneKey, command, [&](QWidget *dialog) {
                    table().db().execute(deleteGone);
                    QLineEdit *name = control(dialog, "Text1");
                    retype(name, "Typed");
                    if (command == u"add")
                        for (const char *required : {"Text2", "Text3", "Text4"})
                            retype(control(dialog, required), "x");
                    click(dialog, command.endsWith(u'f') ? "Command2" : "Command1");
                    // Told, and left open with what was typed.
                    QVERIFY(dialog->isVisible());
                    QCOMPARE(name->text(), QStringLiteral("Typed"));
                });
            }
            QTRY_VERIFY(!tree->findNode(goneKey));
            QCOMPARE(tree->nodeCount(), 2);
        }));
        QCOMPARE(m_record->messages(), QStringList {message});
        QCOMPARE(m_record->asked.front().icon, MessageBox::Icon::None);
        QCOMPARE(table().snapshot(),
            QStringList {goneKey == gone ? account + " 0 A Mail" : gone + " 0 F Gone"});
    }

    // The nodes go before their rows: when the database refuses the delete,
    // the window shows again every row still stored.
    void aDeleteTheDatabaseRefusesShowsTheRowsAgain()
    {
        const QString folder = table().addFolder("0", "Folder");
        addAccount(table(), table().addFolder(folder, "Inner"));
        const QStringList before = table().snapshot();
        refuseWrites(table(), "DELETE");
        QVERIFY(inAccountList(table().connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node(folder));
            clickButton(window, "delf");
            QCOMPARE(tree->nodeCount(), before.size() + 1);
            QCOMPARE(enabledButtons(window), QStringList {"close"});
        }));
        QCOMPARE(m_record->asked.size(), 2);
        QCOMPARE(m_record->asked.back().icon, MessageBox::Icon::Critical);
        QVERIFY(m_record->asked.back().text.contains("refused"));
        QCOMPARE(table().snapshot(), before);
    }

    // A name of a million characters is drawn from a screen's worth of it.
    void aHugeNameIsDrawnAtMostAScreenWide()
    {
        QFETCH_GLOBAL(int, engine);
        if (Engine(engine) != Engine::SQLite)
            QSKIP("Runs no statement: the engine plays no part");
        SSTree tree;
        SSNode *node = tree.addNode({}, 0, "1", QString(1000000, u'W'));
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QVERIFY(node->dragImage().width() <= tree.screen()->geometry().width());
        const int laidOut = tree.sizeHintForIndex(tree.model()->index(0, 0)).width();
        node->setText(QString(SSNode::maxShownLength, u'W'));
        QCOMPARE(laidOut, tree.sizeHintForIndex(tree.model()->index(0, 0)).width());
    }
};

QTEST_MAIN(TestLosesNothing)
#include "tst_losesnothing.moc"
