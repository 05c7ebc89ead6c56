#pragma once

#include "RowSource.h"

#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Statements on an SQLite connection, run through the connection handle
// QtSql opened. QtSql's driver describes every column of every statement
// and converts every value of every row; a tree load runs one query per
// row and reads four fields of it, and that work was half its time.
class SqliteRows final : public RowSource {
public:
    // A query's rows, not yet stepped; any other statement runs to its end
    // here and gives nothing. Throws DbError with SQLite's own text.
    static std::unique_ptr<SqliteRows> run(sqlite3 *db, const QString &statement);
    // The same for a statement compiled earlier and bound: `giveBack` takes
    // it back, instead of its being finalized, once its rows are done with.
    using GiveBack = std::function<void(sqlite3_stmt *)>;
    static std::unique_ptr<SqliteRows> runCompiled(
        sqlite3 *db, sqlite3_stmt *statement, GiveBack giveBack);

    ~SqliteRows() override;
    SqliteRows(const SqliteRows &) = delete;
    SqliteRows &operator=(const SqliteRows &) = delete;

    bool next() override;
    int columnCount() const override { return m_columnCount; }
    int columnIndex(const QString &name) const override;
    QString columnName(int column) const override;
    QVariant value(int column) const override;
    QVariant storedValue(int column) const override;

private:
    SqliteRows(sqlite3 *db, sqlite3_stmt *statement, GiveBack giveBack = {});
    // A query's rows; any other statement run to its end, and nothing.
    static std::unique_ptr<SqliteRows> rowsOf(std::unique_ptr<SqliteRows> rows);

    sqlite3 *m_db;
    sqlite3_stmt *m_statement;
    GiveBack m_giveBack;
    int m_columnCount;
    bool m_done = false;
};
