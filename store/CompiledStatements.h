#pragma once

#include <QString>
#include <QVariantList>

#include <map>
#include <memory>
#include <vector>

class SqliteRows;
struct sqlite3;
struct sqlite3_stmt;

// SQLite statements compiled once per shape for one connection and kept
// idle between runs, so that a shape run for every row of a load or a
// delete is compiled only once. A shape can be in use more than once at a
// time: the load's outermost level, and the level being read.
class CompiledStatements {
public:
    CompiledStatements() = default;
    ~CompiledStatements() { finalizeAll(); }
    CompiledStatements(const CompiledStatements &) = delete;
    CompiledStatements &operator=(const CompiledStatements &) = delete;

    // Finalizes what was compiled on an earlier handle.
    void attach(sqlite3 *db);
    // An idle statement of the shape, or a newly compiled one. Throws
    // DbError with SQLite's text when the shape does not compile.
    sqlite3_stmt *take(const QString &shape);
    // Puts a taken statement back unused.
    void giveBack(const QString &shape, sqlite3_stmt *compiled);
    // Runs a taken statement; it goes back, reset and unbound, as soon as its
    // rows are done with, so that no read lock outlives them.
    std::unique_ptr<SqliteRows> run(const QString &shape, sqlite3_stmt *compiled);
    // Must happen before the handle is closed.
    void finalizeAll();

    static void bindNumber(sqlite3_stmt *compiled, qint64 number);
    // Throws DbError when SQLite refuses a value.
    void bindValues(sqlite3_stmt *compiled, const QVariantList &values);

private:
    sqlite3 *m_db = nullptr;
    std::map<QString, std::vector<sqlite3_stmt *>> m_idle;
};
