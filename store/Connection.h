#pragma once

#include "CompiledStatements.h"
#include "ConnectionString.h"
#include "PreparedQueries.h"
#include "Statement.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSqlDriver;
class QSqlQuery;
class Recordset;
class RowSource;
struct sqlite3;
struct sqlite3_stmt;

// One database connection opened from a host's connection string. Statements
// run as given: no parameters, no transactions. Each object uses a named
// QSqlDatabase connection of its own; on SQLite the statements run on its
// handle directly.
class Connection {
public:
    using TraceHook = std::function<void(const QString &statement)>;

    // How long a statement waits for a lock another program holds before it
    // fails with the engine's own description: the user waits, then is told.
    static constexpr int lockWaitSeconds = 5;

    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QString connectionString() const { return m_connectionString; }
    void setConnectionString(const QString &text) { m_connectionString = text; }

    void open();
    bool isOpen() const;
    // Harmless on a connection that is not open; result sets still held by
    // others are closed with it.
    void close();
    QString driverName() const { return m_settings.driver; }
    // The engine whose SQL the database speaks, named by QtSql's driver for
    // it: through ODBC, the engine behind the ODBC driver when it is known.
    QString engine() const { return m_engine; }

    // Runs one statement. A query's rows come back positioned on the first
    // row; any other statement gives a closed result set.
    std::shared_ptr<Recordset> execute(const QString &statement);
    // The same. On SQLite the statement's shape is compiled once for the
    // connection, on PostgreSQL and MariaDB prepared once, and run again
    // with its number bound: the load and the recursive delete run one
    // shape for every row, and compiling each text anew was most of their
    // time. Through ODBC each text runs as it is.
    std::shared_ptr<Recordset> execute(const Statement &statement);
    // A statement of the program's own, its values bound.
    std::shared_ptr<Recordset> execute(const BoundStatement &statement);
    // Runs the work in one transaction: all of what it writes, or, when it
    // throws, none of it. The trace shows BEGIN (BEGIN IMMEDIATE on SQLite),
    // COMMIT or ROLLBACK.
    void inTransaction(const std::function<void()> &work);
    // The rows the last statement that was not a query matched; -1 when the
    // engine cannot tell.
    qint64 rowsAffected() const { return m_rowsAffected; }

    // Sees every statement text before it runs (tests use it).
    static void setTraceHook(TraceHook hook);

private:
    void connect();
    void openAs(const QString &databaseName);
    void meetOdbcDriver();
    QString connectOptions() const;
    void prepareSession();
    // The SQLite connection behind an open QtSql connection, or nullptr
    // when there is none this library may use.
    static sqlite3 *handleOf(const QSqlDriver *driver);
    QString asTheDriverTakesIt(const QString &statement) const;
    std::unique_ptr<RowSource> runQuery(const QString &statement);
    std::unique_ptr<RowSource> runBoundQuery(const BoundStatement &statement);
    std::unique_ptr<RowSource> rowsOf(QSqlQuery &&query);
    sqlite3_stmt *takeCompiled(const QString &shape, const std::function<QString()> &shown);
    void begin();
    void commit();
    void rollBack();
    static bool watched();
    void report(const QString &statement) const;
    void ensureOpen() const;
    std::shared_ptr<Recordset> handOut(std::unique_ptr<RowSource> rows);
    void track(const std::shared_ptr<Recordset> &recordset);

    static constexpr size_t minimumPruneAt = 16;

    QString m_connectionString;
    QString m_name;
    ConnectionSettings m_settings;
    QString m_engine;
    bool m_narrowText = false; // through an ODBC driver that takes narrow text
    QString m_openFailure; // why the last open failed, for the statements that follow
    std::vector<std::weak_ptr<Recordset>> m_recordsets;
    size_t m_pruneAt = minimumPruneAt;
    qint64 m_rowsAffected = -1;
    bool m_registered = false;

    sqlite3 *m_sqlite = nullptr; // owned by QtSql's connection
    CompiledStatements m_compiled;
    // On PostgreSQL and MariaDB, through QtSql's own driver.
    std::unique_ptr<PreparedQueries> m_prepared;
};
