#include "TestDatabase.h"

#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>

namespace {

std::atomic<int> serial {0};

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''"))
        + QLatin1Char('\'');
}

// Every statement outside a transaction is a commit that SQLite syncs to
// disk; on a memory file system that costs nothing, which keeps the tests
// that delete thousands of rows one by one fast.
QString scratchFolder()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

using Engine = TestDatabase::Engine;

// The engine the table lives in, whatever the way in.
Engine storedIn(Engine engine)
{
    return engine == Engine::OdbcSQLite    ? Engine::SQLite
        : engine == Engine::OdbcPostgreSQL ? Engine::PostgreSQL
                                           : engine;
}

const char *serverVariable(Engine engine)
{
    return storedIn(engine) == Engine::MySQL ? "TX_TEST_MYSQL" : "TX_TEST_PG";
}

// The variables a test run through ./test has for the engine.
QList<const char *> variablesFor(Engine engine)
{
    QList<const char *> needed;
    if (storedIn(engine) != Engine::SQLite)
        needed << serverVariable(engine);
    if (engine == Engine::OdbcSQLite)
        needed << "TX_TEST_ODBC_SQLITE";
    if (engine == Engine::OdbcPostgreSQL)
        needed << "TX_TEST_ODBC_PG";
    return needed;
}

} // namespace

void TestDatabase::onServer(Engine engine, const QString &statement)
{
    Connection admin;
    admin.setConnectionString(qEnvironmentVariable(serverVariable(engine)));
    admin.open();
    admin.execute(statement);
}

const std::vector<TestDatabase::Engine> &TestDatabase::engines()
{
    static const std::vector<Engine> all = {Engine::SQLite, Engine::PostgreSQL, Engine::MySQL,
        Engine::OdbcSQLite, Engine::OdbcPostgreSQL};
    return all;
}

const char *TestDatabase::tag(Engine engine)
{
    const char *const tags[] = {"sqlite", "postgresql", "mysql", "odbc-sqlite", "odbc-postgresql"};
    return tags[int(engine)];
}

QString TestDatabase::unavailable(Engine engine)
{
    for (const char *variable : variablesFor(engine))
        if (qEnvironmentVariableIsEmpty(variable))
            return QStringLiteral("%1 is not set: run the tests through ./test")
                .arg(QLatin1String(variable));
    return QString();
}

TestDatabase::TestDatabase(Engine engine)
    : m_engine(engine)
    , m_db(std::make_unique<Connection>())
{
    const QString name
        = QStringLiteral("tx_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(serial++);
    if (storedIn(engine) == Engine::SQLite) {
        m_dirPath = scratchFolder() + QLatin1Char('/') + name;
        QDir().mkpath(m_dirPath);
        m_path = m_dirPath + QStringLiteral("/accounts.db");
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly))
            throw DbError(QStringLiteral("cannot create ") + m_path);
        m_connectionString = m_path;
    } else {
        engine = storedIn(engine);
        m_serverDatabase = name;
        // MySQL gives a new database the server's character set, which need
        // not hold every character a person can type.
        onServer(engine,
            QStringLiteral("CREATE DATABASE ") + name
                + (engine == Engine::MySQL ? QStringLiteral(" CHARACTER SET utf8mb4") : QString()));
        m_connectionString
            = qEnvironmentVariable(serverVariable(engine)) + QStringLiteral(";Database=") + name;
    }
    m_db->setConnectionString(m_connectionString);
    m_db->open();
    createAccountSchema(*m_db);
    if (m_engine == Engine::OdbcSQLite)
        m_connectionString
            = qEnvironmentVariable("TX_TEST_ODBC_SQLITE") + QStringLiteral(";Database=") + m_path;
    if (m_engine == Engine::OdbcPostgreSQL)
        m_connectionString = qEnvironmentVariable("TX_TEST_ODBC_PG") + QStringLiteral(";Database=")
            + m_serverDatabase;
}

TestDatabase::~TestDatabase()
{
    m_db.reset();
    if (!m_dirPath.isEmpty())
        QDir(m_dirPath).removeRecursively();
    if (!m_serverDatabase.isEmpty()) {
        try {
            onServer(m_engine,
                QStringLiteral("DROP DATABASE ") + m_serverDatabase
                    + (storedIn(m_engine) == Engine::PostgreSQL ? QStringLiteral(" WITH (FORCE)")
                                                                : QString()));
        } catch (const DbError &) {
        }
    }
}

std::vector<QStringList> TestDatabase::rows(const QString &query)
{
    std::vector<QStringList> result;
    const auto rs = m_db->execute(query);
    while (!rs->isEOF()) {
        QStringList row;
        for (int i = 0;; ++i) {
            try {
                row << (rs->isNull(i) ? QString() : rs->text(i));
            } catch (const DbError &) {
                break;
            }
        }
        result.push_back(row);
        rs->moveNext();
    }
    return result;
}

QString TestDatabase::value(const QString &query)
{
    const auto found = rows(query);
    return found.empty() || found.front().isEmpty() ? QString() : found.front().front();
}

QStringList TestDatabase::snapshot()
{
    QStringList lines;
    for (const QStringList &row : rows(QStringLiteral(
             "select ACCOUNT_NO, P_ACCOUNT_NO, KIND, NAME from ACCOUNT order by ACCOUNT_NO")))
        lines << row.join(QLatin1Char(' '));
    return lines;
}

void TestDatabase::insertRows(const QStringList &rows, int columns)
{
    for (const QString &values : rows)
        m_db->execute(QStringLiteral("INSERT INTO ACCOUNT(ACCOUNT_NO,")
            + accountColumns().mid(0, columns).join(u',') + QStringLiteral(") VALUES(") + values
            + u')');
}

QString TestDatabase::addRow(const QString &parent, const QString &kind, const QString &name)
{
    m_db->execute(QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(%1,%2,%3)")
                      .arg(parent, quoted(kind), quoted(name)));
    return value(QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"));
}
