#include "Connection.h"

#include "CompiledStatements.h"
#include "DbError.h"
#include "DriverLibrary.h"
#include "Odbc.h"
#include "QtRows.h"
#include "Recordset.h"
#include "SqlLog.h"
#include "SqliteRows.h"
#include "StoredValue.h"

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

// The engine's own words for a failure, where it gave any.
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
    const QString wait = QString::number(Connection::lockWaitSeconds);
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

// A Qt built with its own copy of SQLite hands out connections of that copy,
// which this library's SQLite must never touch. The driver's plugin is asked
// which sqlite3_prepare_v2 it runs on; only ours will do.
bool driverSharesOurSqlite(const QSqlDriver *driver)
{
    return DriverLibrary(driver).symbol("sqlite3_prepare_v2")
        == reinterpret_cast<const void *>(&sqlite3_prepare_v2);
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
    db.setConnectOptions(connectOptions());
    if (!db.open()) {
        const QString error = describe(db.lastError());
        db = QSqlDatabase();
        close();
        throw DbError(error);
    }
    m_sqlite = handleOf(db.driver());
    m_compiled.attach(m_sqlite);
    m_prepared = PreparedQueries::on(db.driver());
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

// MySQL counts only the rows an update changed; a row that already held the
// new values must count as found, as on the other engines. SQLite waits for
// a lock as long as the servers do.
QString Connection::connectOptions() const
{
    QStringList options = {m_settings.connectOptions};
    if (m_settings.driver == u"QMYSQL")
        options << QStringLiteral("CLIENT_FOUND_ROWS");
    if (m_settings.driver == u"QSQLITE")
        options << QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitSeconds * 1000);
    options.removeAll(QString());
    return options.join(u';');
}

sqlite3 *Connection::handleOf(const QSqlDriver *driver)
{
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    static const bool shared = driverSharesOurSqlite(driver);
    return shared ? *static_cast<sqlite3 *const *>(handle.constData()) : nullptr;
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

// Asked before every statement: an SQLite handle, or the servers' prepared
// queries, are held exactly while the connection is open, so the load need
// not look the connection up each time.
bool Connection::isOpen() const
{
    return m_sqlite || m_prepared
        || (m_registered && QSqlDatabase::database(m_name, false).isOpen());
}

void Connection::close()
{
    for (const auto &weak : m_recordsets)
        if (const auto recordset = weak.lock())
            recordset->close();
    m_recordsets.clear();
    m_pruneAt = minimumPruneAt;
    // Before QtSql closes the handle they were compiled or prepared on.
    m_compiled.finalizeAll();
    m_prepared.reset();
    m_sqlite = nullptr;
    // Only a registered connection touches QtSql: the instance that owns this
    // object may be destroyed at process exit, after QtSql's own globals.
    if (!m_registered)
        return;
    m_registered = false;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

// Whether anything shows the statements: only then is a text made to show.
bool Connection::watched()
{
    return traceHook() || lcSql().isDebugEnabled();
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
// own expansion, the very text the template gave. The servers are shown
// the filled text, which is the statement they run.
std::shared_ptr<Recordset> Connection::execute(const Statement &statement)
{
    if (statement.shape().isEmpty() || (!m_sqlite && !m_prepared))
        return execute(statement.text());
    if (!m_sqlite) {
        if (watched())
            report(statement.text());
        ensureOpen();
        m_rowsAffected = -1;
        return handOut(m_prepared->run(statement, m_rowsAffected));
    }
    sqlite3_stmt *compiled
        = takeCompiled(statement.shape(), [&statement] { return statement.text(); });
    CompiledStatements::bindNumber(compiled, statement.number());
    if (watched()) {
        char *expanded = sqlite3_expanded_sql(compiled);
        report(expanded ? QString::fromUtf8(expanded) : statement.text());
        sqlite3_free(expanded);
    }
    m_rowsAffected = -1;
    return handOut(m_compiled.run(statement.shape(), compiled));
}

std::shared_ptr<Recordset> Connection::execute(const BoundStatement &statement)
{
    const QString shown = watched() ? statement.filled() : statement.text;
    if (!m_sqlite) {
        report(shown);
        ensureOpen();
        m_rowsAffected = -1;
        return handOut(runBoundQuery(statement));
    }
    sqlite3_stmt *compiled = takeCompiled(statement.text, [&shown] { return shown; });
    report(shown);
    try {
        m_compiled.bindValues(compiled, statement.values);
    } catch (...) {
        m_compiled.giveBack(statement.text, compiled);
        throw;
    }
    m_rowsAffected = -1;
    return handOut(m_compiled.run(statement.text, compiled));
}

// A shape that does not compile is reported as the text it stood for, then
// refused.
sqlite3_stmt *Connection::takeCompiled(const QString &shape, const std::function<QString()> &shown)
{
    try {
        return m_compiled.take(shape);
    } catch (...) {
        report(shown());
        throw;
    }
}

void Connection::inTransaction(const std::function<void()> &work)
{
    begin();
    try {
        work();
        commit();
    } catch (...) {
        rollBack();
        throw;
    }
}

// SQLite takes the write lock at once, waiting for it as for any lock: a
// transaction that first reads and then writes could not wait for it later.
void Connection::begin()
{
    if (m_sqlite) {
        execute(QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    report(QStringLiteral("BEGIN"));
    ensureOpen();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.transaction())
        throw DbError(describe(db.lastError()));
}

void Connection::commit()
{
    if (m_sqlite) {
        execute(QStringLiteral("COMMIT"));
        return;
    }
    report(QStringLiteral("COMMIT"));
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.commit())
        throw DbError(describe(db.lastError()));
}

// Whatever the transaction wrote is undone; a failure to roll back leaves
// the engine to drop the transaction with the connection.
void Connection::rollBack()
{
    report(QStringLiteral("ROLLBACK"));
    if (m_sqlite) {
        if (!sqlite3_get_autocommit(m_sqlite))
            sqlite3_exec(m_sqlite, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    if (isOpen())
        QSqlDatabase::database(m_name, false).rollback();
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
    return rowsOf(std::move(query));
}

std::unique_ptr<RowSource> Connection::runBoundQuery(const BoundStatement &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    if (!query.prepare(statement.text))
        throw DbError(describe(query.lastError()));
    for (const QVariant &value : statement.values) {
        if (value.isNull())
            query.addBindValue(QVariant(QMetaType::fromType<QString>()));
        else if (isRawText(value))
            query.addBindValue(value.value<RawText>().bytes);
        else
            query.addBindValue(value);
    }
    if (!query.exec())
        throw DbError(describe(query.lastError()));
    return rowsOf(std::move(query));
}

std::unique_ptr<RowSource> Connection::rowsOf(QSqlQuery &&query)
{
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
