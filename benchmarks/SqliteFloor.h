#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// The statements the component runs, issued through the SQLite C library
// with nothing between: the floor of what those statements can cost.
class SqliteFloor {
public:
    // Opens the file as the component does: read-write, with a busy timeout.
    explicit SqliteFloor(const QString &path);
    ~SqliteFloor();
    SqliteFloor(const SqliteFloor &) = delete;
    SqliteFloor &operator=(const SqliteFloor &) = delete;

    // The tree load's queries, depth first, as the load runs them. Returns
    // the rows read.
    int loadStatements();
    // The folder delete's queries and deletes, in the component's order.
    // Returns the statements run.
    int deleteStatements(int key);
    // The same two, each statement shape compiled once and run again with
    // its number bound (floor c).
    int loadCompiled();
    int deleteCompiled(int key);

private:
    sqlite3_stmt *prepare(const QByteArray &statement);
    void run(const QByteArray &statement);

    sqlite3 *m_db = nullptr;
};
