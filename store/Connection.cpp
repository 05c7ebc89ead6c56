#include "Connection.h"

#include "DbError.h"
#include "Odbc.h"
#include "QtRows.h"
#include "Recordset.h"
#include "SqlLog.h"
#include "SqliteRows.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {

Connection::TraceHook &traceHook()
{
    static Connection::TraceHook hook;
    return hook;
}

QString describe(const QSqlError &error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

// Doubled single quotes are the only escaping a statement ever carries, and
// a lock held by another program is waited for as long as SQLite's busy
// timeout, not for ever (the servers' own defaults: no limit, or a year).
// Through ODBC they are those of the engine behind the driver.
QStringList sessionSettings(const QString &engine)
{
    const QString wait = QString::number(lockWaitSeconds);
    if (engine == u"QPSQL")
        return {QStringLiteral("SET standard_conforming_strings = on"),
            QStringLiteral("SET lock_timeout = '%1s'").arg(wait)};
    if (engine == u"QMYSQL")
        return {QStringLiteral("SET SESSION sql_mode = TRIM(BOTH ',' FROM "
                               "CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES'))"),
            QStringLiteral(
                "SET SESSION innodb_lock_wait_timeout = %1, SESSION lock_wait_timeout = %1")
                .arg(wait)};
    return {};
}

} // namespace

Connection::Connection()
    : m_name(QStringLiteral("tx_account.%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

Connection::~Connection()
{
    close();
}

void Connection::setTraceHook(TraceHook hook)
{
    traceHook() = std::move(hook);
}

void Connection::open()
{
    if (isOpen())
        throw DbError(QStringLiteral("Operation is not allowed when the connection is open"));
    close();
    try {
        connect();
        m_openFailure.clear();
    } catch (const DbError &error) {
        m_openFailure = error.description();
        throw;
    }
}

void Connection::connect()
{
    m_settings = parseConnectionString(m_connectionString);
    if (!QSqlDatabase::isDriverAvailable(m_settings.driver))
        throw DbError(
            QStringLiteral("The database driver %1 is not installed").arg(m_settings.driver));
    m_engine = m_settings.driver;
    m_narrowText = false;
    openAs(m_settings.databaseName);
    if (m_settings.driver == u"QODBC")
        meetOdbcDriver();
    prepareSession();
}

void Connection::openAs(const QString &databaseName)
{
    QSqlDatabase db = m_registered ? QSqlDatabase::database(m_name, false)
                                   : QSqlDatabase::addDatabase(m_settings.driver, m_name);
    m_registered = true;
    db.setDatabaseName(databaseName);
    db.setHostName(m_settings.hostName);
    db.setPort(m_settings.port);
    db.setUserName(m_settings.userName);
    db.setPassword(m_settings.password);
    // MySQL counts only the rows an update changed; a row that already
    // held the new values must count as found, as on the other engines.
    QStringList options = {m_settings.connectOptions};
    if (m_settings.driver == u"QMYSQL")
        options << QStringLiteral("CLIENT_FOUND_ROWS");
    options.removeAll(QString());
    db.setConnectOptions(options.join(u';'));
    if (!db.open()) {
        const QString error = describe(db.lastError());
        db = QSqlDatabase();
        close();
        throw DbError(error);
    }
    m_sqlite = SqliteRows::handleOf(db.driver());
}

// What the driver does differently from QtSql's own driver for its engine.
// SQLite's driver reports INTEGER columns as 32-bit and cuts a larger key to
// its low 32 bits unless its key BigInt is set, and waits 100 s for a lock
// unless its key Timeout says otherwise (in milliseconds, counted afresh for
// each of its two or three tries: half the wait here makes 5 to 7.5 s). So it
// is opened again with both; the host's own keys come first and win.
// (No copy of the QSqlDatabase is kept here: a failed open removes it.)
void Connection::meetOdbcDriver()
{
    m_engine = Odbc::engineBehind(QSqlDatabase::database(m_name, false));
    if (m_engine == u"QSQLITE") {
        QSqlDatabase::database(m_name, false).close();
        openAs(m_settings.databaseName
            + QStringLiteral(";BigInt=1;Timeout=%1").arg(lockWaitSeconds * 500));
    }
    m_narrowText = !Odbc::carriesEveryCharacter(QSqlDatabase::database(m_name, false));
}

void Connection::prepareSession()
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    for (const QString &setting : sessionSettings(m_engine)) {
        if (!query.exec(setting)) {
            const QString error = describe(query.lastError());
            query = QSqlQuery();
            close();
            throw DbError(error);
        }
    }
}

// Asked before every statement: an SQLite handle is held exactly while the
// connection is open, so the load need not look the connection up each time.
bool Connection::isOpen() const
{
    return m_sqlite || (m_registered && QSqlDatabase::database(m_name, false).isOpen());
}

void Connection::close()
{
    for (const auto &weak : m_recordsets)
        if (const auto recordset = weak.lock())
            recordset->close();
    m_recordsets.clear();
    m_pruneAt = minimumPruneAt;
    // Before QtSql closes the handle they were compiled on.
    finalizeCompiled();
    m_sqlite = nullptr;
    // Only a registered connection touches QtSql: the instance that owns this
    // object may be destroyed at process exit, after QtSql's own globals.
    if (!m_registered)
        return;
    m_registered = false;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

void Connection::report(const QString &statement) const
{
    if (const TraceHook &hook = traceHook())
        hook(statement);
    qCDebug(lcSql).noquote() << withoutPasswords(statement);
}

// After a failed open the user is told why, not only that it is closed.
void Connection::ensureOpen() const
{
    if (!isOpen())
        throw DbError(QStringLiteral("Operation is not allowed when the connection is closed")
            + (m_openFailure.isEmpty() ? QString() : QStringLiteral(": ") + m_openFailure));
}

std::shared_ptr<Recordset> Connection::execute(const QString &statement)
{
    report(statement);
    ensureOpen();
    m_rowsAffected = -1;
    return handOut(
        m_sqlite ? SqliteRows::run(m_sqlite, statement) : runQuery(asTheDriverTakesIt(statement)));
}

// What runs, and what the trace and the log show, is the bound statement's
// own expansion, the very text the template gave.
std::shared_ptr<Recordset> Connection::execute(const Statement &statement)
{
    if (!m_sqlite || statement.shape.isEmpty())
        return execute(statement.text);
    std::vector<sqlite3_stmt *> &idle = m_idle[statement.shape];
    sqlite3_stmt *bound = nullptr;
    if (idle.empty()) {
        try {
            bound = compile(statement.shape);
        } catch (...) {
            report(statement.text);
            throw;
        }
    } else {
        bound = idle.back();
        idle.pop_back();
    }
    for (size_t i = 0; i < statement.numbers.size(); ++i)
        sqlite3_bind_int64(bound, int(i) + 1, statement.numbers[i]);
    if (traceHook() || lcSql().isDebugEnabled()) {
        char *expanded = sqlite3_expanded_sql(bound);
        report(expanded ? QString::fromUtf8(expanded) : statement.text);
        sqlite3_free(expanded);
    }
    m_rowsAffected = -1;
    // Reset as soon as its rows are done with, so that no read lock outlives them.
    return handOut(SqliteRows::runCompiled(m_sqlite, bound, [&idle](sqlite3_stmt *done) {
        sqlite3_reset(done);
        sqlite3_clear_bindings(done);
        idle.push_back(done);
    }));
}

sqlite3_stmt *Connection::compile(const QString &shape)
{
    const QByteArray text = shape.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_sqlite, text.constData(), int(text.size()) + 1, &statement, nullptr)
        != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_sqlite)));
    return statement;
}

void Connection::finalizeCompiled()
{
    for (const auto &[shape, statements] : m_idle)
        for (sqlite3_stmt *statement : statements)
            sqlite3_finalize(statement);
    m_idle.clear();
}

// The statement as it can reach the database through a driver that takes
// narrow text (see Odbc): on SQLite a value holding a character past ASCII
// goes as its bytes, which store the same text. Elsewhere such a statement is
// refused, as it would be stored as other text than the user typed.
QString Connection::asTheDriverTakesIt(const QString &statement) const
{
    if (!m_narrowText)
        return statement;
    const QString carried = m_engine == u"QSQLITE" ? Odbc::withValuesAsBytes(statement) : statement;
    if (const char32_t character = Odbc::firstPastAscii(carried))
        throw DbError(QStringLiteral("The ODBC driver cannot carry the character \"%1\" (U+%2): "
                                     "the statement was not run")
                          .arg(QString::fromUcs4(&character, 1),
                              QString::number(quint32(character), 16).toUpper()));
    return carried;
}

std::shared_ptr<Recordset> Connection::handOut(std::unique_ptr<RowSource> rows)
{
    if (!rows) {
        if (m_sqlite)
            m_rowsAffected = sqlite3_changes64(m_sqlite);
        return std::make_shared<Recordset>();
    }
    auto recordset = std::make_shared<Recordset>(std::move(rows));
    track(recordset);
    return recordset;
}

// The server drivers stream a forward-only result only while no other
// statement runs on the connection, so there a query's rows are fetched whole.
std::unique_ptr<RowSource> Connection::runQuery(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    if (!query.exec(statement))
        throw DbError(describe(query.lastError()));
    if (!query.isSelect()) {
        m_rowsAffected = query.numRowsAffected();
        return nullptr;
    }
    return std::make_unique<QtRows>(std::move(query));
}

// The released ones are dropped only when the list has doubled: a tree load
// holds as many result sets open as the tree is deep, and walking them all
// for every statement would make a deep load quadratic.
void Connection::track(const std::shared_ptr<Recordset> &recordset)
{
    if (m_recordsets.size() >= m_pruneAt) {
        std::erase_if(m_recordsets, [](const auto &weak) { return weak.expired(); });
        m_pruneAt = std::max<size_t>(minimumPruneAt, 2 * m_recordsets.size());
    }
    m_recordsets.push_back(recordset);
}
