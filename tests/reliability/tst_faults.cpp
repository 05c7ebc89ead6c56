// Faults of the database while the account list is used: a lock another
// program holds, a server that stops, files that are no database, a table or
// a column that is missing, a statement that fails half way through a
// subtree delete. Each ends in a "Tovrix" message, a window that still works
// and closes, and a table that lost nothing the failing step did not reach.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSTree.h"
#include "store/DbError.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace DialogTest;
using Icon = MessageBox::Icon;

namespace {

// Runs the action while another program holds a write lock on ACCOUNT.
void underLock(Connection &db, const std::function<void()> &action)
{
    const QString driver = db.driverName();
    if (driver == u"QPSQL")
        db.execute("BEGIN");
    db.execute(driver == u"QPSQL" ? "LOCK TABLE ACCOUNT IN ACCESS EXCLUSIVE MODE"
            : driver == u"QMYSQL" ? "LOCK TABLES ACCOUNT WRITE"
                                  : "BEGIN EXCLUSIVE");
    action();
    db.execute(driver == u"QMYSQL" ? "UNLOCK TABLES" : "COMMIT");
}

// A PostgreSQL server of the test's own, so that stopping it spares the shared one.
bool postgresServer(const QString &action, const QString &dir)
{
    const QString script = qEnvironmentVariable("TX_SOURCE_DIR") + "/scripts/postgres-server";
    return QProcess::execute(script, {action, dir}) == 0;
}

// Clicks the node and "addf" or "add", types `text` into the name box (and
// the editor's other required boxes and HANDY) and presses OK. A dialog that
// stays open gives what those boxes and the port box hold, and is cancelled.
QStringList pressOk(
    AccountBrowse &window, const QString &key, const QString &button, const QString &text)
{
    const bool folder = button == u"addf";
    const auto boxes
        = QStringList {"Text1", "Text2", "Text3", "Text4", "TextHandy"}.first(folder ? 1 : 5);
    QStringList kept;
    bool shown = false;
    clickNode(window.SSTree1(), window.SSTree1()->node(key));
    ModalDriver::whenShown(
        folder ? "FolderAdd" : "AccountAdd",
        [&](QWidget *dialog) {
            for (const QString &box : boxes)
                retype(control(dialog, box), text);
            click(dialog, folder ? "Command2" : "Command1");
            if (!dialog->isVisible())
                return;
            for (const QString &box : folder ? boxes : boxes + QStringList {"Text5"})
                kept << control(dialog, box)->text();
            click(dialog, folder ? "Command3" : "Command2");
        },
        &shown);
    clickButton(window, button);
    return shown ? kept : QStringList {"the dialog never opened"};
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A fresh table on the row's engine; the test without rows has its own.
    void init()
    {
        m_record = std::make_unique<Recording>();
        if (!QTest::currentDataTag())
            return;
        QFETCH(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
    }
    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void aLockHeldByAnotherProgramIsWaitedForThenReported_data() { engineRows(); }
    void aLockHeldByAnotherProgramIsWaitedForThenReported();
    void aServerStoppedWhileTheWindowIsOpenIsReportedAndLosesNothing();
    void aDatabaseTheListCannotReadIsReportedAndLeftAsItWas_data();
    void aDatabaseTheListCannotReadIsReportedAndLeftAsItWas();
    void aMissingColumnFailsTheEditorsOkAndWritesNothing_data() { engineRows(); }
    void aMissingColumnFailsTheEditorsOkAndWritesNothing();
    void aDeleteFailingHalfwayKeepsEveryRowItDidNotReach_data() { engineRows(); }
    void aDeleteFailingHalfwayKeepsEveryRowItDidNotReach();

private:
    using Told = QList<std::pair<Icon, QString>>;
    // Opens the list and acts in it. The fault must end in the messages told
    // (each one's icon and a part of its text, in either case), in a window
    // that still answers a click on the root as before, and in its closing.
    void inList(const QString &connStr, const Told &told,
        const std::function<void(AccountBrowse &)> &action)
    {
        QVERIFY(inAccountList(connStr, [&](AccountBrowse &window) {
            action(window);
            clickNode(window.SSTree1(), window.SSTree1()->node("0"));
            QCOMPARE(enabledButtons(window), (QStringList {"addf", "add", "close"}));
        }));
        QVERIFY2(!list().isLoaded(), "the window closed and the call returned");
        QCOMPARE(m_record->asked.size(), told.size());
        for (qsizetype i = 0; i < told.size(); ++i) {
            const MessageBox::Request &message = m_record->asked.at(i);
            QCOMPARE(message.icon, told.at(i).first);
            QVERIFY2(message.text.contains(told.at(i).second, Qt::CaseInsensitive),
                qPrintable(message.text));
        }
    }

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
};

void TestFaults::aLockHeldByAnotherProgramIsWaitedForThenReported()
{
    const QString folder = m_table->addFolder("0", "Folder");
    const auto before = allRows(*m_table);
    inList(m_table->connectionString(), {{Icon::Critical, "lock"}}, [&](AccountBrowse &window) {
        underLock(m_table->db(),
            [&] { QCOMPARE(pressOk(window, folder, "addf", "Added"), QStringList {"Added"}); });
        QCOMPARE(allRows(*m_table), before);
        // Once the lock is gone the same add goes through, and only it.
        QCOMPARE(pressOk(window, folder, "addf", "Added"), QStringList());
    });

    const auto after = allRows(*m_table);
    QCOMPARE(after.back().mid(1, 3), (QStringList {folder, "F", "Added"}));
    QCOMPARE(std::vector(after.begin(), after.end() - 1), before);
}

void TestFaults::aServerStoppedWhileTheWindowIsOpenIsReportedAndLosesNothing()
{
    const QTemporaryDir dir(QDir::tempPath() + "/tx-throwaway-pg.XXXXXX");
    QVERIFY(postgresServer("start", dir.path()));
    const auto stop = qScopeGuard([&] { postgresServer("stop", dir.path()); });
    Connection server;
    server.setConnectionString(
        "Provider=PostgreSQL;Host=" + dir.path() + ";Database=postgres;User ID=postgres");
    server.open();
    createAccountSchema(server);
    server.execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','Kept')");
    const Told told = {{Icon::Critical, "connection"}, {Icon::Critical, "connection"}};
    inList(server.connectionString(), told, [&](AccountBrowse &window) {
        postgresServer("stop", dir.path());
        QCOMPARE(pressOk(window, "0", "addf", "Lost"), QStringList {"Lost"});
        QCOMPARE(pressOk(window, "0", "add", "x"), QStringList(5, "x") << "25");
        QCOMPARE(window.SSTree1()->nodeCount(), 2);
    });
}

void TestFaults::aDatabaseTheListCannotReadIsReportedAndLeftAsItWas_data()
{
    QTest::addColumn<int>("engine");
    QTest::addColumn<QString>("told");
    for (const Engine engine : TestDatabase::engines())
        QTest::addRow("%s: a missing table", TestDatabase::tag(engine)) << int(engine) << "account";
    const int sqlite = int(Engine::SQLite);
    QTest::newRow("a text file") << sqlite << "file is not a database";
    QTest::newRow("a truncated database") << sqlite << "malformed";
    QTest::newRow("a missing file") << sqlite << "unable to open database file";
    QTest::newRow("a missing folder") << sqlite << "unable to open database file";
    QTest::newRow("a folder") << sqlite << "unable to open database file";
}

void TestFaults::aDatabaseTheListCannotReadIsReportedAndLeftAsItWas()
{
    QFETCH(QString, told);
    const QString fault = QTest::currentDataTag();
    const bool noTable = fault.endsWith(u"a missing table");
    const QTemporaryDir dir;
    const QString path = noTable ? m_table->connectionString()
        : fault == u"a folder"
        ? dir.path()
        : dir.filePath(fault == u"a missing folder" ? "missing/accounts.db" : "accounts.db");
    if (noTable) {
        m_table->db().execute("DROP TABLE ACCOUNT");
    } else if (fault == u"a text file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("This is a list of accounts, not a database.\n").repeated(200));
    } else if (fault == u"a truncated database") {
        for (int i = 0; i < 300; ++i)
            m_table->addFolder("0", QString("Folder %1").arg(i));
        QVERIFY(QFile::copy(m_table->path(), path));
        QVERIFY(QFile::resize(path, QFile(path).size() / 2));
    }
    // The bytes at the path and the entries of the folder it is in.
    const auto state = [&] {
        QFile file(path);
        return QByteArrayList {file.open(QIODevice::ReadOnly) ? file.readAll() : "no file",
            QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).join('/').toUtf8()};
    };
    const QByteArrayList before = state();
    inList(path, {{Icon::None, told}, {Icon::Critical, told}}, [&](AccountBrowse &window) {
        QCOMPARE(window.SSTree1()->nodeCount(), 1);
        QCOMPARE(pressOk(window, "0", "addf", "Nowhere"), QStringList {"Nowhere"});
    });

    // Nothing was made or changed: no file, no folder, no table.
    QCOMPARE(state(), before);
    if (noTable)
        QVERIFY_THROWS_EXCEPTION(DbError, allRows(*m_table));
}

void TestFaults::aMissingColumnFailsTheEditorsOkAndWritesNothing()
{
    const QString folder = m_table->addFolder("0", "Folder");
    m_table->db().execute("ALTER TABLE ACCOUNT DROP COLUMN HANDY");
    const auto before = allRows(*m_table);
    inList(m_table->connectionString(), {{Icon::Critical, "HANDY"}}, [&](AccountBrowse &window) {
        QCOMPARE(pressOk(window, folder, "add", "Mail"), QStringList(5, "Mail") << "25");
        QCOMPARE(window.SSTree1()->nodeCount(), 2);
    });

    QCOMPARE(allRows(*m_table), before);
}

void TestFaults::aDeleteFailingHalfwayKeepsEveryRowItDidNotReach()
{
    const QString top = m_table->addFolder("0", "top");
    const QString middle = m_table->addFolder(top, "middle");
    m_table->addAccount(middle, "deep");
    m_table->addAccount(middle, "stuck");
    m_table->addAccount(top, "beside");
    const QString elsewhere = m_table->addAccount("0", "elsewhere");
    refuseWrites(*m_table, "DELETE", "stuck");
    auto expected = allRows(*m_table);
    QStringList ran;
    const Told told = {{Icon::None, u"削除してもよろしいですか。"_qs}, {Icon::Critical, "refused"}};
    inList(m_table->connectionString(), told, [&](AccountBrowse &window) {
        clickNode(window.SSTree1(), window.SSTree1()->node(top));
        m_record->statements.clear();
        clickButton(window, "delf");
        // Without the reload that shows again what is stored after the box.
        ran = m_record->statements;
        ran.removeIf([](const QString &statement) { return statement.startsWith("SELECT *"); });
        QVERIFY(!window.SSTree1()->findNode(top));
        clickNode(window.SSTree1(), window.SSTree1()->node(elsewhere));
        QCOMPARE(enabledButtons(window), (QStringList {"update", "copy", "del", "close"}));
    });

    // Every delete before the failing one took its row; nothing after it ran.
    const QString remove = "Delete from ACCOUNT where ACCOUNT_no= ";
    QVERIFY2(!ran.isEmpty() && ran.last().startsWith(remove), qPrintable(ran.join('\n')));
    QStringList deleted = ran.filter(remove).replaceInStrings(remove, QString());
    deleted.removeLast();
    std::erase_if(
        expected, [&deleted](const QStringList &row) { return deleted.contains(row.front()); });
    QVERIFY(!deleted.contains(elsewhere));
    QCOMPARE(allRows(*m_table), expected);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
