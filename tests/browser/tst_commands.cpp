// The toolbar's commands as a person clicks them, with the table checked
// after each.

#include "support/AccountListDriver.h"
#include "support/ModalDriver.h"
#include "support/Recording.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QToolBar>

namespace {

const QString confirmation = QStringLiteral("削除してもよろしいですか。");

void insertRow(TestDatabase &table, int key, int parent, const char *kind, const QString &name)
{
    table.db().execute(QStringLiteral(
        "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(%1,%2,'%3','%4')")
                           .arg(key)
                           .arg(parent)
                           .arg(QLatin1String(kind), name));
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void deletingAFolderRemovesItsWholeSubtreeDeepestFirst();
    void deletingAnAccountRemovesOneNodeAndOneRow();
    void cancellingTheConfirmationChangesNothing_data();
    void cancellingTheConfirmationChangesNothing();
    void aSubtreeAHundredThousandLevelsDeepIsDeletedWhole();
    void eachDialogCommandSetsItsModeCaptionAndPresets_data();
    void eachDialogCommandSetsItsModeCaptionAndPresets();
    void modifyingFillsTheEditorFromTheStoredRow();
    void addingAfterModifyingStartsFromTheNewAccountPresets();
    void aNumericPortIsShownAsDecimalText();
    void aNullSignatureReplacesTheSignatureShownBefore();
    void anAccountDeletedByAnotherProgramIsReportedInsteadOfEdited();
    void anotherProgramMayWriteOnceTheEditorHasItsRow_data();
    void anotherProgramMayWriteOnceTheEditorHasItsRow();

private:
    void withWindow(TestDatabase &table, const std::function<void(AccountBrowse &)> &action);

    std::unique_ptr<Recording> m_recording;
};

void TestCommands::init()
{
    m_recording = std::make_unique<Recording>();
    m_recording->tracing = false;
}

void TestCommands::cleanup()
{
    m_recording.reset();
}

// Only the statements the action causes are recorded.
void TestCommands::withWindow(
    TestDatabase &table, const std::function<void(AccountBrowse &)> &action)
{
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        m_recording->tracing = true;
        action(window);
        m_recording->tracing = false;
    }));
}

void TestCommands::deletingAFolderRemovesItsWholeSubtreeDeepestFirst()
{
    TestDatabase table;
    insertRow(table, 5, 0, "F", "five");
    insertRow(table, 6, 0, "F", "sibling");
    insertRow(table, 7, 5, "A", "seven");
    insertRow(table, 8, 5, "F", "eight");
    insertRow(table, 9, 8, "A", "nine");
    insertRow(table, 10, 6, "A", "ten");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node("5"));
        clickButton(window, "delf");
        for (const char *gone : {"5", "7", "8", "9"})
            QVERIFY(!tree->findNode(gone));
        QVERIFY(tree->findNode("10"));
        QCOMPARE(enabledButtons(window), QStringList {"close"});
    });
    QCOMPARE(m_recording->asked.size(), 1);
    QCOMPARE(m_recording->asked.front().text, confirmation);
    QCOMPARE(m_recording->asked.front().buttons, MessageBox::Buttons::OkCancel);
    QCOMPARE(m_recording->asked.front().icon, MessageBox::Icon::None);
    const QString children
        = QStringLiteral("select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= ");
    const QString remove = QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ");
    QCOMPARE(m_recording->statements,
        (QStringList {remove + "5", children + "5", children + "7", remove + "7", children + "8",
            children + "9", remove + "9", remove + "8", remove + "5"}));
    QCOMPARE(table.snapshot(), (QStringList {"6 0 F sibling", "10 6 A ten"}));
}

void TestCommands::deletingAnAccountRemovesOneNodeAndOneRow()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "folder");
    const QString doomed = table.addAccount(folder, "doomed");
    const QString kept = table.addAccount(folder, "kept");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        const int before = tree->nodeCount();
        clickNode(tree, tree->node(doomed));
        clickButton(window, "del");
        QCOMPARE(tree->nodeCount(), before - 1);
        QVERIFY(!tree->findNode(doomed));
        QCOMPARE(enabledButtons(window), QStringList {"close"});
    });
    QCOMPARE(
        m_recording->statements, QStringList {"Delete from ACCOUNT where ACCOUNT_no= " + doomed});
    QCOMPARE(
        table.snapshot(), (QStringList {folder + " 0 F folder", kept + " " + folder + " A kept"}));
}

void TestCommands::cancellingTheConfirmationChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("which");
    QTest::newRow("folder") << "delf"
                            << "folder";
    QTest::newRow("account") << "del"
                             << "account";
}

void TestCommands::cancellingTheConfirmationChangesNothing()
{
    QFETCH(QString, command);
    QFETCH(QString, which);
    TestDatabase table;
    QHash<QString, QString> keys;
    keys["folder"] = table.addFolder("0", "folder");
    keys["account"] = table.addAccount(keys["folder"], "account");
    const QStringList before = table.snapshot();
    m_recording->answer = MessageBox::Answer::Cancel;
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node(keys[which]));
        const QStringList offered = enabledButtons(window);
        clickButton(window, command);
        QCOMPARE(tree->nodeCount(), 3);
        QCOMPARE(enabledButtons(window), offered);
    });
    QCOMPARE(m_recording->asked.size(), 1);
    QVERIFY(m_recording->statements.isEmpty());
    QCOMPARE(table.snapshot(), before);
}

void TestCommands::aSubtreeAHundredThousandLevelsDeepIsDeletedWhole()
{
    TestDatabase table;
    constexpr int rows = 100000;
    table.db().execute("BEGIN");
    table.db().execute(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n")
                           .arg(rows));
    insertRow(table, rows + 1, 0, "A", "outside");
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

namespace {

struct EditorView {
    QString mode, caption;
    QStringList boxes; // Text1..Text9, then the office boxes
    QString signature;
    bool passwordHidden = false;
};

EditorView readEditor(AccountBrowse &window)
{
    EditorView view;
    AccountAdd &editor = Forms::accountAdd();
    view.mode = window.basAU;
    view.caption = editor.caption();
    for (QLineEdit *box :
        {editor.Text1(), editor.Text2(), editor.Text3(), editor.Text4(), editor.Text5(),
            editor.Text6(), editor.Text7(), editor.Text8(), editor.Text9(), editor.TextOfficeName(),
            editor.TextOfficeSection(), editor.TextTelNumber(), editor.TextFaxNumber(),
            editor.TextAddress1(), editor.TextAddress2(), editor.TextHandy()})
        view.boxes << box->text();
    view.signature = Forms::sign().Text1()->toPlainText();
    view.passwordHidden = editor.Text9()->echoMode() == QLineEdit::Password;
    return view;
}

// Clicks the node and the command, reads the editor it opens, then cancels.
EditorView openEditor(AccountBrowse &window, const QString &key, const QString &command)
{
    EditorView view;
    bool ran = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountAdd"),
        [&](QWidget *dialog) {
            view = readEditor(window);
            dialog->close();
        },
        &ran);
    clickNode(window.SSTree1(), window.SSTree1()->node(key));
    clickButton(window, command);
    if (!ran) {
        ModalDriver::cancelPending();
        view.mode = QStringLiteral("editor never shown");
    }
    return view;
}

QString insertFullAccount(TestDatabase &table, const QString &values)
{
    table.db().execute(
        QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,"
                       "SMTP_PORT,POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,"
                       "OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY) VALUES(")
        + values + QLatin1Char(')'));
    return table.value(QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"));
}

const QString fullValues = QStringLiteral("0,'A','Mail','Ann','ann@x','smtp.x','587','pop.x','995',"
                                          "'ann','s3cret pw','Regards,\nAnn','<b>html</b>',"
                                          "'Co','Sec','01','02','A1','A2','090'");

} // namespace

void TestCommands::eachDialogCommandSetsItsModeCaptionAndPresets_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("firstBox");
    QTest::newRow("add folder under the root") << "root"
                                               << "addf"
                                               << "FolderAdd"
                                               << "1"
                                               << "アカウントフォルダの追加"
                                               << "";
    QTest::newRow("add folder under a folder") << "folder"
                                               << "addf"
                                               << "FolderAdd"
                                               << "1"
                                               << "アカウントフォルダの追加"
                                               << "";
    QTest::newRow("rename folder") << "folder"
                                   << "updatef"
                                   << "FolderAdd"
                                   << "2"
                                   << "アカウントフォルダの修正"
                                   << "Its name";
    QTest::newRow("add account") << "folder"
                                 << "add"
                                 << "AccountAdd"
                                 << "5"
                                 << "アカウント追加"
                                 << "";
    QTest::newRow("modify account") << "account"
                                    << "update"
                                    << "AccountAdd"
                                    << "6"
                                    << "アカウント修正"
                                    << "Mail";
    QTest::newRow("copy account") << "account"
                                  << "copy"
                                  << "AccountAdd"
                                  << "9"
                                  << "アカウント複写"
                                  << "Mail";
}

void TestCommands::eachDialogCommandSetsItsModeCaptionAndPresets()
{
    QFETCH(QString, node);
    QFETCH(QString, command);
    QFETCH(QString, dialog);
    TestDatabase table;
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table.addFolder("0", "It's name");
    keys["account"] = insertFullAccount(table, fullValues);
    const QStringList before = table.snapshot();
    QString mode, caption, firstBox;
    withWindow(table, [&](AccountBrowse &window) {
        bool ran = false;
        ModalDriver::whenShown(
            dialog,
            [&](QWidget *shown) {
                mode = window.basAU;
                caption = shown->windowTitle();
                firstBox = shown->findChild<QLineEdit *>(QStringLiteral("Text1"))->text();
                shown->close();
            },
            &ran);
        clickNode(window.SSTree1(), window.SSTree1()->node(keys[node]));
        clickButton(window, command);
        QVERIFY(ran);
    });
    QTEST(mode, "mode");
    QTEST(caption, "caption");
    QTEST(firstBox, "firstBox");
    QCOMPARE(table.snapshot(), before);
}

void TestCommands::modifyingFillsTheEditorFromTheStoredRow()
{
    TestDatabase table;
    const QString key = insertFullAccount(table,
        "0,'A','Mail','','ann@x','smtp.x','587','pop.x','','ann','s3cret "
        "pw','sig',NULL,NULL,'Sec','01',"
        "'02','A1','A2','090'");
    withWindow(table, [&](AccountBrowse &window) {
        const EditorView view = openEditor(window, key, "update");
        QCOMPARE(view.mode, QStringLiteral("6"));
        QCOMPARE(view.boxes,
            (QStringList {"Mail", "", "ann@x", "smtp.x", "587", "pop.x", "", "ann", "s3cret pw", "",
                "Sec", "01", "02", "A1", "A2", "090"}));
        QCOMPARE(view.signature, QStringLiteral("sig"));
        QVERIFY(view.passwordHidden);
    });
}

void TestCommands::addingAfterModifyingStartsFromTheNewAccountPresets()
{
    TestDatabase table;
    const QString key = insertFullAccount(table, fullValues);
    withWindow(table, [&](AccountBrowse &window) {
        QCOMPARE(openEditor(window, key, "update").signature, QStringLiteral("Regards,\nAnn"));
        const EditorView view = openEditor(window, "0", "add");
        QCOMPARE(view.mode, QStringLiteral("5"));
        QStringList expected(16);
        expected[4] = "25";
        expected[6] = "110";
        QCOMPARE(view.boxes, expected);
        QCOMPARE(view.signature, QString());
    });
}

void TestCommands::aNumericPortIsShownAsDecimalText()
{
    TestDatabase table;
    table.db().execute("DROP TABLE ACCOUNT");
    table.db().execute(
        "CREATE TABLE ACCOUNT (ACCOUNT_NO INTEGER PRIMARY KEY, P_ACCOUNT_NO INTEGER, KIND TEXT, "
        "NAME TEXT, SMTP_PORT INTEGER, POP_PORT REAL, SENDER TEXT, MAIL_ADDRESS TEXT, SMTP_HOST "
        "TEXT, "
        "POP_HOST TEXT, USERID TEXT, PSWD TEXT, TEXT_SIG TEXT, OFFICE_NAME TEXT, OFFICE_SECTION "
        "TEXT, "
        "TEL_NUMBER TEXT, FAX_NUMBER TEXT, ADDRESS1 TEXT, ADDRESS2 TEXT, HANDY TEXT)");
    table.db().execute("INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME,SMTP_PORT,POP_PORT) "
                       "VALUES(3,0,'A','n',587,110)");
    withWindow(table, [&](AccountBrowse &window) {
        const EditorView view = openEditor(window, "3", "update");
        QCOMPARE(view.boxes.at(4), QStringLiteral("587"));
        QCOMPARE(view.boxes.at(6), QStringLiteral("110"));
    });
}

void TestCommands::aNullSignatureReplacesTheSignatureShownBefore()
{
    TestDatabase table;
    const QString withSignature = insertFullAccount(table, fullValues);
    const QString without = insertFullAccount(table,
        "0,'A','Other','B','b@x','smtp.x','25','pop.x','110','b','','',NULL,'','','','','','',''");
    table.db().execute("UPDATE ACCOUNT SET TEXT_SIG = NULL WHERE ACCOUNT_NO = " + without);
    withWindow(table, [&](AccountBrowse &window) {
        QCOMPARE(
            openEditor(window, withSignature, "update").signature, QStringLiteral("Regards,\nAnn"));
        const EditorView view = openEditor(window, without, "copy");
        QCOMPARE(view.mode, QStringLiteral("9"));
        QCOMPARE(view.signature, QString());
    });
}

void TestCommands::anAccountDeletedByAnotherProgramIsReportedInsteadOfEdited()
{
    TestDatabase table;
    const QString key = insertFullAccount(table, fullValues);
    withWindow(table, [&](AccountBrowse &window) {
        table.db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = " + key);
        const EditorView view = openEditor(window, key, "update");
        QCOMPARE(view.mode, QStringLiteral("editor never shown"));
        QVERIFY(!Forms::accountAdd().isLoaded());
    });
    QCOMPARE(m_recording->asked.size(), 1);
    QVERIFY2(m_recording->asked.front().text.contains(QStringLiteral("削除")),
        qPrintable(m_recording->asked.front().text));
}

void TestCommands::anotherProgramMayWriteOnceTheEditorHasItsRow_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("update") << "update";
    QTest::newRow("copy") << "copy";
}

// The host's mail client writes to the same file: the row the editor was
// filled from must not hold a read lock that makes its writes fail.
void TestCommands::anotherProgramMayWriteOnceTheEditorHasItsRow()
{
    QFETCH(QString, command);
    TestDatabase table;
    const QString key = insertFullAccount(table, fullValues);
    withWindow(table, [&](AccountBrowse &window) {
        const EditorView view = openEditor(window, key, command);
        QCOMPARE(view.mode, QString(command == u"update" ? "6" : "9"));
        {
            QSqlDatabase writer
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
            writer.setDatabaseName(table.path());
            writer.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(writer.open());
            QSqlQuery update(writer);
            QVERIFY2(update.exec("UPDATE ACCOUNT SET NAME = 'Renamed' WHERE ACCOUNT_NO = " + key),
                qPrintable(update.lastError().text()));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
        QCOMPARE(window.basCopyRs->text(QStringLiteral("NAME")), QStringLiteral("Mail"));
    });
    QCOMPARE(table.value("SELECT NAME FROM ACCOUNT WHERE ACCOUNT_NO = " + key),
        QStringLiteral("Renamed"));
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
