// The toolbar's commands as a person clicks them, the table checked after each.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSTree.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "store/Schema.h"

#include <QPlainTextEdit>

#include <optional>

namespace {

const QString childKeys = "select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= ";
const QString deleteRow = "Delete from ACCOUNT where ACCOUNT_no= ";
const QString readRow = "select * from ACCOUNT where ACCOUNT_no= ";

const QStringList editorBoxes = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7",
    "Text8", "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber", "TextFaxNumber",
    "TextAddress1", "TextAddress2", "TextHandy"};
// What the editor shows for accounts 2 and 3 (after its mode and caption).
const QStringList full = {"Mail", "Ann", "ann@x", "smtp.x", "587", "pop.x", "995", "ann",
    "s3cret pw", "Co", "Sec", "01", "02", "A1", "A2", "090", "Regards,\nAnn"};
const QStringList sparse = {"Other", "", "b@x", "smtp.x", "587", "pop.x", "", "b", "s3cret pw", "",
    "Sec", "01", "02", "A1", "A2", "090", ""};

struct Deletion {
    QString node, command;
    bool agreed;
    QStringList statements, gone, buttonsAfter;
};

struct Command {
    QString modifiedFirst; // opened in the editor beforehand, so what it left would show through
    QString node, command, dialog;
    QStringList shown, statements;
};

// Each row's key, then the values of its first `columns` columns.
void insertRows(TestDatabase &table, const QStringList &rows, int columns = 3)
{
    for (const QString &values : rows)
        table.db().execute(QStringLiteral("INSERT INTO ACCOUNT(ACCOUNT_NO,")
            + accountColumns().mid(0, columns).join(u',') + ") VALUES(" + values + ")");
}

// Folder 1; account 2 with every field; account 3 with empty and null fields.
// Its ports are stored as numbers, as another program may have written them.
void addAccounts(TestDatabase &table)
{
    table.db().execute("DROP TABLE ACCOUNT");
    for (QString statement : accountSchemaStatements(table.db().driverName()))
        table.db().execute(statement.replace("SMTP_PORT TEXT", "SMTP_PORT INTEGER")
                               .replace("POP_PORT TEXT", "POP_PORT REAL"));
    insertRows(table, {"1,0,'F','It''s name'"});
    insertRows(table,
        {"2,0,'A','Mail','Ann','ann@x','smtp.x','587','pop.x','995','ann','s3cret pw',"
         "'Regards,\nAnn','<b>html</b>','Co','Sec','01','02','A1','A2','090'",
            "3,0,'A','Other','','b@x','smtp.x','587','pop.x','','b','s3cret pw',NULL,NULL,NULL,"
            "'Sec','01','02','A1','A2','090'"},
        int(accountColumns().size()));
}

// Clicks the node and the command, and closes the dialog that opens. What it
// showed: mode, caption, boxes in order, and the editor's signature.
QStringList openDialog(
    AccountBrowse &window, const QString &key, const QString &command, const QString &dialog)
{
    QStringList shown;
    bool ran = false;
    ModalDriver::whenShown(
        dialog,
        [&](QWidget *opened) {
            shown = {window.basAU, opened->windowTitle()};
            for (const QString &box : dialog == u"FolderAdd" ? QStringList {"Text1"} : editorBoxes)
                shown << opened->findChild<QLineEdit *>(box)->text();
            if (dialog == u"AccountAdd")
                shown << Forms::sign().Text1()->toPlainText();
            opened->close();
        },
        &ran);
    clickNode(window.SSTree1(), window.SSTree1()->node(key));
    clickButton(window, command);
    if (!ran)
        ModalDriver::cancelPending();
    return shown;
}

} // namespace

Q_DECLARE_METATYPE(Deletion)
Q_DECLARE_METATYPE(Command)

class TestCommands : public QObject {
    Q_OBJECT

    std::optional<Recording> m_recording;

    // Runs the action on the list opened on the table, recording its statements.
    void withWindow(TestDatabase &table, const std::function<void(AccountBrowse &)> &action)
    {
        m_recording->tracing = false;
        m_recording->statements.clear();
        QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
            m_recording->tracing = true;
            action(window);
            m_recording->tracing = false;
        }));
    }

private Q_SLOTS:
    void init() { m_recording.emplace(); }
    void cleanup() { m_recording.reset(); }

    void deleting_data()
    {
        QTest::addColumn<Deletion>("deletion");
        QTest::newRow("a folder, its subtree deepest first") << Deletion {"5", "delf", true,
            {deleteRow + "5", childKeys + "5", childKeys + "7", deleteRow + "7", childKeys + "8",
                childKeys + "9", deleteRow + "9", deleteRow + "8", deleteRow + "5"},
            {"5", "7", "8", "9"}, {"close"}};
        QTest::newRow("an account")
            << Deletion {"10", "del", true, {deleteRow + "10"}, {"10"}, {"close"}};
        QTest::newRow("a folder, cancelled")
            << Deletion {"5", "delf", false, {}, {}, {"addf", "updatef", "delf", "add", "close"}};
        QTest::newRow("an account, cancelled")
            << Deletion {"10", "del", false, {}, {}, {"update", "copy", "del", "close"}};
    }

    void deleting()
    {
        QFETCH(Deletion, deletion);
        TestDatabase table;
        insertRows(table,
            {"5,0,'F','five'", "6,0,'F','six'", "7,5,'A','seven'", "8,5,'F','eight'",
                "9,8,'A','nine'", "10,6,'A','ten'", "11,6,'A','eleven'"});
        QStringList expected = table.snapshot();
        expected.removeIf(
            [&](const QString &row) { return deletion.gone.contains(row.section(u' ', 0, 0)); });
        m_recording->answer = deletion.agreed ? MessageBox::Answer::Ok : MessageBox::Answer::Cancel;
        withWindow(table, [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node(deletion.node));
            clickButton(window, deletion.command);
            QCOMPARE(tree->nodeCount(), expected.size() + 1);
            for (const QString &row : expected)
                QVERIFY2(tree->findNode(row.section(u' ', 0, 0)), qPrintable(row));
            QCOMPARE(enabledButtons(window), deletion.buttonsAfter);
        });
        QCOMPARE(m_recording->messages(), QStringList {"削除してもよろしいですか。"});
        QCOMPARE(m_recording->asked.front().buttons, MessageBox::Buttons::OkCancel);
        QCOMPARE(m_recording->asked.front().icon, MessageBox::Icon::None);
        QCOMPARE(m_recording->statements, deletion.statements);
        QCOMPARE(table.snapshot(), expected);
    }

    void aSubtreeAHundredThousandLevelsDeepIsDeletedWhole()
    {
        TestDatabase table;
        constexpr int rows = 100000;
        table.db().execute("BEGIN");
        table.db().execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n")
                               .arg(rows));
        insertRows(table, {QString::number(rows + 1) + ",0,'A','outside'"});
        table.db().execute("COMMIT");
        withWindow(table, [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node("1"));
            m_recording->tracing = false;
            clickButton(window, "delf");
            QVERIFY(!tree->findNode("1"));
        });
        QCOMPARE(table.snapshot(), QStringList {QString::number(rows + 1) + " 0 A outside"});
    }

    void eachDialogCommandOpensItsDialogFilled_data()
    {
        const QStringList presets
            = {"", "", "", "", "25", "", "110", "", "", "", "", "", "", "", "", "", ""};
        QTest::addColumn<Command>("c");
        QTest::newRow("add folder")
            << Command {"", "0", "addf", "FolderAdd", {"1", "アカウントフォルダの追加", ""}, {}};
        QTest::newRow("rename folder") << Command {
            "", "1", "updatef", "FolderAdd", {"2", "アカウントフォルダの修正", "Its name"}, {}};
        QTest::newRow("add account") << Command {
            "2", "1", "add", "AccountAdd", QStringList {"5", "アカウント追加"} + presets, {}};
        QTest::newRow("modify account") << Command {"3", "2", "update", "AccountAdd",
            QStringList {"6", "アカウント修正"} + full, {readRow + "2"}};
        QTest::newRow("copy account with empty and null fields") << Command {"2", "3", "copy",
            "AccountAdd", QStringList {"9", "アカウント複写"} + sparse, {readRow + "3"}};
    }

    void eachDialogCommandOpensItsDialogFilled()
    {
        QFETCH(Command, c);
        TestDatabase table;
        addAccounts(table);
        const QStringList before = table.snapshot();
        withWindow(table, [&](AccountBrowse &window) {
            if (!c.modifiedFirst.isEmpty())
                QCOMPARE(openDialog(window, c.modifiedFirst, "update", "AccountAdd").value(0),
                    QStringLiteral("6"));
            m_recording->statements.clear();
            QCOMPARE(openDialog(window, c.node, c.command, c.dialog), c.shown);
        });
        QCOMPARE(m_recording->statements, c.statements);
        QVERIFY(m_recording->asked.isEmpty());
        QCOMPARE(table.snapshot(), before);
    }

    void anAccountDeletedByAnotherProgramIsReportedInsteadOfEdited()
    {
        TestDatabase table;
        addAccounts(table);
        withWindow(table, [&](AccountBrowse &window) {
            table.db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 2");
            QCOMPARE(openDialog(window, "2", "update", "AccountAdd"), QStringList());
            QVERIFY(!Forms::accountAdd().isLoaded());
        });
        DialogTest::verifyRefusal(
            *m_recording, false, "このアカウントはすでに削除されています。", true);
    }

    void anotherProgramMayWriteOnceTheEditorHasItsRow_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("update") << "update";
        QTest::newRow("copy") << "copy";
    }

    // The host's mail client writes to the same file: the row the editor was
    // filled from must not hold a read lock that makes its writes fail.
    void anotherProgramMayWriteOnceTheEditorHasItsRow()
    {
        QFETCH(QString, command);
        TestDatabase table;
        addAccounts(table);
        withWindow(table, [&](AccountBrowse &window) {
            QCOMPARE(
                openDialog(window, "2", command, "AccountAdd").value(2), QStringLiteral("Mail"));
            const QString refused = table.writeWithoutWaiting(
                "UPDATE ACCOUNT SET NAME = 'Renamed' WHERE ACCOUNT_NO = 2");
            QVERIFY2(refused.isEmpty(), qPrintable(refused));
            QCOMPARE(window.basCopyRs->text("NAME"), QStringLiteral("Mail"));
        });
        QCOMPARE(table.value("SELECT NAME FROM ACCOUNT WHERE ACCOUNT_NO = 2"),
            QStringLiteral("Renamed"));
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
