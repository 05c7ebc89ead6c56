// Faults of the database while the account list is used: a lock another
// program holds, a server that stops, files that are no database, a table or
// a column that is missing, a statement that fails half way through a
// subtree delete. Each ends in a "Tovrix" message, a window that still works
// and closes, and a table that lost nothing the failing step did not reach.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace DialogTest;

namespace {

void engineColumn()
{
    QTest::addColumn<int>("engine");
    for (const Engine engine : TestDatabase::engines())
        QTest::newRow(TestDatabase::tag(engine)) << int(engine);
}

// Another program's connection holding a write lock on ACCOUNT until it is
// released.
class LockHolder {
public:
    explicit LockHolder(TestDatabase &table)
        : m_db(table.db())
    {
        for (const QString &statement : statements(true))
            m_db.execute(statement);
    }
    ~LockHolder()
    {
        for (const QString &statement : statements(false))
            m_db.execute(statement);
    }

private:
    QStringList statements(bool take) const
    {
        const QString driver = m_db.driverName();
        if (driver == u"QPSQL")
            return take ? QStringList {"BEGIN", "LOCK TABLE ACCOUNT IN ACCESS EXCLUSIVE MODE"}
                        : QStringList {"COMMIT"};
        if (driver == u"QMYSQL")
            return {take ? "LOCK TABLES ACCOUNT WRITE" : "UNLOCK TABLES"};
        return {take ? "BEGIN EXCLUSIVE" : "COMMIT"};
    }

    Connection &m_db;
};

// A PostgreSQL server of the test's own, which the test may stop while the
// account list is open without disturbing the server the other tests share.
class ThrowawayPostgres {
public:
    ThrowawayPostgres() { m_running = control("start"); }
    ~ThrowawayPostgres() { stop(); }

    bool isRunning() const { return m_running; }
    QString connectionString() const
    {
        return "Provider=PostgreSQL;Host=" + m_dir.path() + ";Database=postgres;User ID=postgres";
    }
    void stop()
    {
        if (m_running)
            control("stop");
        m_running = false;
    }

private:
    bool control(const QString &action)
    {
        const QString script
            = qEnvironmentVariable("TX_SOURCE_DIR") + QStringLiteral("/scripts/postgres-server");
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(script, {action, m_dir.path()});
        return process.waitForFinished(60000) && process.exitCode() == 0;
    }

    QTemporaryDir m_dir {QDir::tempPath() + "/tx-throwaway-pg.XXXXXX"};
    bool m_running = false;
};

// The window answers a click as before and offers what a click on the root
// offers.
void stillUsable(AccountBrowse &window)
{
    SSTree *tree = window.SSTree1();
    clickNode(tree, tree->node("0"));
    QCOMPARE(enabledButtons(window), (QStringList {"addf", "add", "close"}));
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void aLockHeldByAnotherProgramIsWaitedForThenReported_data() { engineColumn(); }
    void aLockHeldByAnotherProgramIsWaitedForThenReported();
    void aServerStoppedWhileTheWindowIsOpenIsReportedAndLosesNothing();
    void aFileThatIsNoDatabaseIsReportedAndLeftAsItWas_data();
    void aFileThatIsNoDatabaseIsReportedAndLeftAsItWas();
    void aMissingTableIsReportedAndTheWindowStillWorks_data() { engineColumn(); }
    void aMissingTableIsReportedAndTheWindowStillWorks();
    void aMissingColumnFailsTheEditorsOkAndWritesNothing_data() { engineColumn(); }
    void aMissingColumnFailsTheEditorsOkAndWritesNothing();
    void aDeleteFailingHalfwayKeepsEveryRowItDidNotReach_data() { engineColumn(); }
    void aDeleteFailingHalfwayKeepsEveryRowItDidNotReach();

private:
    // Opens the list on the connection string; afterwards the window must be
    // closed and the call returned.
    void withList(const QString &connStr, const std::function<void(AccountBrowse &)> &action);
    // Clicks the node and "addf" and presses OK on the name; tells whether
    // the dialog stayed open, which it then leaves by cancel.
    bool addFolder(AccountBrowse &window, const QString &parentKey, const QString &name);

    QList<MessageBox::Request> m_messages;
    QStringList m_statements;
};

void TestFaults::init()
{
    m_messages.clear();
    m_statements.clear();
    MessageBox::setAnswerer([this](const MessageBox::Request &request) {
        m_messages << request;
        return MessageBox::Answer::Ok;
    });
    Connection::setTraceHook([this](const QString &statement) { m_statements << statement; });
}

void TestFaults::cleanup()
{
    ModalDriver::closeAllModals();
    list().unload();
    MessageBox::setAnswerer({});
    Connection::setTraceHook({});
    QCOMPARE(visibleWindows(), QStringList());
}

void TestFaults::withList(
    const QString &connStr, const std::function<void(AccountBrowse &)> &action)
{
    QVERIFY(inAccountList(connStr, action));
    QVERIFY2(!list().isLoaded(), "the window closed and the call returned");
}

bool TestFaults::addFolder(AccountBrowse &window, const QString &parentKey, const QString &name)
{
    bool stayedOpen = false;
    bool shown = false;
    clickNode(window.SSTree1(), window.SSTree1()->node(parentKey));
    ModalDriver::whenShown(
        "FolderAdd",
        [&](QWidget *dialog) {
            retype(control(dialog, "Text1"), name);
            click(dialog, "Command2");
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                click(dialog, "Command3");
        },
        &shown);
    clickButton(window, "addf");
    return shown && stayedOpen;
}

void TestFaults::aLockHeldByAnotherProgramIsWaitedForThenReported()
{
    QFETCH(int, engine);
    auto table = tableOn(Engine(engine));
    if (!table)
        QSKIP(noServer);
    const QString folder = table->addFolder("0", "Folder");
    const auto before = allRows(*table);
    bool refused = false;
    std::vector<QStringList> whileLocked;
    withList(table->connectionString(), [&](AccountBrowse &window) {
        {
            LockHolder lock(*table);
            refused = addFolder(window, folder, "Added");
        }
        whileLocked = allRows(*table);
        QVERIFY(!addFolder(window, folder, "Added"));
        stillUsable(window);
    });

    QVERIFY(refused);
    QCOMPARE(whileLocked, before);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.front().icon, MessageBox::Icon::Critical);
    QVERIFY2(m_messages.front().text.contains("lock", Qt::CaseInsensitive),
        qPrintable(m_messages.front().text));
    QCOMPARE(allRows(*table).size(), before.size() + 1);
    QCOMPARE(table->value("select NAME from ACCOUNT where P_ACCOUNT_NO = " + folder), "Added");
}

void TestFaults::aServerStoppedWhileTheWindowIsOpenIsReportedAndLosesNothing()
{
    ThrowawayPostgres server;
    QVERIFY(server.isRunning());
    Connection setup;
    setup.setConnectionString(server.connectionString());
    setup.open();
    createAccountSchema(setup);
    setup.execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','Kept')");
    setup.close();
    bool folderRefused = false;
    bool editorRefused = false;
    QStringList editorShown;
    withList(server.connectionString(), [&](AccountBrowse &window) {
        QCOMPARE(window.SSTree1()->nodeCount(), 2);
        server.stop();
        folderRefused = addFolder(window, "0", "Lost");
        clickNode(window.SSTree1(), window.SSTree1()->node("0"));
        bool shown = false;
        ModalDriver::whenShown(
            "AccountAdd",
            [&](QWidget *editor) {
                for (const char *box : {"Text1", "Text2", "Text3", "Text4"})
                    retype(control(editor, box), "x");
                click(editor, "Command1");
                editorRefused = editor->isVisible();
                editorShown << control(editor, "Text1")->text() << control(editor, "Text5")->text();
                click(editor, "Command2");
            },
            &shown);
        clickButton(window, "add");
        QVERIFY(shown);
        stillUsable(window);
    });

    QVERIFY(folderRefused);
    QVERIFY(editorRefused);
    QCOMPARE(editorShown, (QStringList {"x", "25"}));
    QCOMPARE(m_messages.size(), 2);
    for (const MessageBox::Request &message : std::as_const(m_messages)) {
        QCOMPARE(message.icon, MessageBox::Icon::Critical);
        QVERIFY2(
            message.text.contains("connection", Qt::CaseInsensitive), qPrintable(message.text));
    }
}

void TestFaults::aFileThatIsNoDatabaseIsReportedAndLeftAsItWas_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("told");
    QTest::newRow("a text file") << "text"
                                 << "file is not a database";
    QTest::newRow("a truncated database") << "truncated"
                                          << "malformed";
    QTest::newRow("a missing file") << "missing"
                                    << "unable to open database file";
    QTest::newRow("a missing folder") << "missing folder"
                                      << "unable to open database file";
    QTest::newRow("a folder") << "folder"
                              << "unable to open database file";
}

void TestFaults::aFileThatIsNoDatabaseIsReportedAndLeftAsItWas()
{
    QFETCH(QString, fault);
    QFETCH(QString, told);
    QTemporaryDir dir;
    QString path = dir.filePath("accounts.db");
    if (fault == u"text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("This is a list of accounts, not a database.\n").repeated(200));
    } else if (fault == u"truncated") {
        TestDatabase table;
        for (int i = 0; i < 300; ++i)
            table.addFolder("0", QString("Folder %1").arg(i));
        QFile copy(table.path());
        QVERIFY(copy.copy(path));
        QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
    } else if (fault == u"missing folder") {
        path = dir.filePath("missing/accounts.db");
    } else if (fault == u"folder") {
        path = dir.path();
    }
    const QByteArray before = contentsOf(path);
    const QStringList filesBefore
        = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    int nodes = 0;
    withList(path, [&](AccountBrowse &window) {
        nodes = window.SSTree1()->nodeCount();
        stillUsable(window);
    });

    QCOMPARE(nodes, 1);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.front().text.contains(told), qPrintable(m_messages.front().text));
    QCOMPARE(contentsOf(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), filesBefore);
}

void TestFaults::aMissingTableIsReportedAndTheWindowStillWorks()
{
    QFETCH(int, engine);
    auto table = tableOn(Engine(engine));
    if (!table)
        QSKIP(noServer);
    table->db().execute("DROP TABLE ACCOUNT");
    bool refused = false;
    withList(table->connectionString(), [&](AccountBrowse &window) {
        QCOMPARE(window.SSTree1()->nodeCount(), 1);
        refused = addFolder(window, "0", "Nowhere");
        stillUsable(window);
    });

    QVERIFY(refused);
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(m_messages.front().icon, MessageBox::Icon::None);
    QCOMPARE(m_messages.back().icon, MessageBox::Icon::Critical);
    for (const MessageBox::Request &message : std::as_const(m_messages))
        QVERIFY2(message.text.contains("account", Qt::CaseInsensitive), qPrintable(message.text));
}

void TestFaults::aMissingColumnFailsTheEditorsOkAndWritesNothing()
{
    QFETCH(int, engine);
    auto table = tableOn(Engine(engine));
    if (!table)
        QSKIP(noServer);
    const QString folder = table->addFolder("0", "Folder");
    table->db().execute("ALTER TABLE ACCOUNT DROP COLUMN HANDY");
    const auto before = allRows(*table);
    bool refused = false;
    QString keptName;
    withList(table->connectionString(), [&](AccountBrowse &window) {
        clickNode(window.SSTree1(), window.SSTree1()->node(folder));
        bool shown = false;
        ModalDriver::whenShown(
            "AccountAdd",
            [&](QWidget *editor) {
                for (const char *box : {"Text1", "Text2", "Text3", "Text4", "TextHandy"})
                    retype(control(editor, box), "Mail");
                click(editor, "Command1");
                refused = editor->isVisible();
                keptName = control(editor, "TextHandy")->text();
                click(editor, "Command2");
            },
            &shown);
        clickButton(window, "add");
        QVERIFY(shown);
        QCOMPARE(window.SSTree1()->nodeCount(), 2);
        stillUsable(window);
    });

    QVERIFY(refused);
    QCOMPARE(keptName, "Mail");
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.front().text.contains("HANDY", Qt::CaseInsensitive),
        qPrintable(m_messages.front().text));
    QCOMPARE(allRows(*table), before);
}

void TestFaults::aDeleteFailingHalfwayKeepsEveryRowItDidNotReach()
{
    QFETCH(int, engine);
    auto table = tableOn(Engine(engine));
    if (!table)
        QSKIP(noServer);
    const QString top = table->addFolder("0", "top");
    const QString middle = table->addFolder(top, "middle");
    table->addAccount(middle, "deep");
    table->addAccount(middle, "stuck");
    table->addAccount(top, "beside");
    const QString elsewhere = table->addAccount("0", "elsewhere");
    refuseWrites(*table, "DELETE", "stuck");
    auto expected = allRows(*table);
    QStringList ran;
    withList(table->connectionString(), [&](AccountBrowse &window) {
        clickNode(window.SSTree1(), window.SSTree1()->node(top));
        m_statements.clear();
        clickButton(window, "delf");
        ran = m_statements;
        QVERIFY(!window.SSTree1()->findNode(top));
        clickNode(window.SSTree1(), window.SSTree1()->node(elsewhere));
        QCOMPARE(enabledButtons(window), (QStringList {"update", "copy", "del", "close"}));
        stillUsable(window);
    });

    QCOMPARE(m_messages.size(), 2);
    QVERIFY2(m_messages.back().text.contains("refused"), qPrintable(m_messages.back().text));
    // Every delete before the failing one took its row; nothing after it ran.
    const QString remove = "Delete from ACCOUNT where ACCOUNT_no= ";
    QVERIFY2(ran.last().startsWith(remove), qPrintable(ran.join('\n')));
    QStringList deleted = ran.filter(remove);
    QVERIFY(!deleted.isEmpty());
    deleted.removeLast();
    deleted.replaceInStrings(remove, QString());
    std::erase_if(
        expected, [&deleted](const QStringList &row) { return deleted.contains(row.front()); });
    QCOMPARE(allRows(*table), expected);
    QCOMPARE(table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + elsewhere), "elsewhere");
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
