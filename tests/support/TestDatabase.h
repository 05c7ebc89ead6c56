#pragma once

#include "store/Connection.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A fresh ACCOUNT table for one test: in a temporary SQLite file, or in a new
// database of the private PostgreSQL (TX_TEST_PG) or MariaDB (TX_TEST_MYSQL)
// server that ./test starts. The ODBC engines are the SQLite file and the
// PostgreSQL database reached through an ODBC driver (scripts/with-odbc);
// the test's own connection to them, db(), goes the direct way.
class TestDatabase {
public:
    enum class Engine { SQLite, PostgreSQL, MySQL, OdbcSQLite, OdbcPostgreSQL };

    // Every engine, and its name as a data row's tag.
    static const std::vector<Engine> &engines();
    static const char *tag(Engine engine);

    // Why the engine cannot be used here, or an empty text.
    static QString unavailable(Engine engine);
    // Runs the statement on the engine's server as its administrator.
    static void onServer(Engine engine, const QString &statement);

    explicit TestDatabase(Engine engine = Engine::SQLite);
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    QString connectionString() const { return m_connectionString; }
    QString path() const { return m_path; } // SQLite only
    // A connection of the test's own, for setting up and checking rows.
    Connection &db() { return *m_db; }

    // Rows of a query, each field as text (a null as a null QString).
    std::vector<QStringList> rows(const QString &query);
    QString value(const QString &query);
    // Every row as "key parent kind name", in key order.
    QStringList snapshot();

    // Rows with their keys: each "key,values..." for the key and the first
    // `columns` columns of an account row (P_ACCOUNT_NO, KIND, NAME, ...).
    void insertRows(const QStringList &rows, int columns = 3);
    // A folder ("F") or an account ("A") under the parent; its key.
    QString addRow(const QString &parent, const QString &kind, const QString &name);

private:
    Engine m_engine;
    QString m_path;
    QString m_dirPath;
    QString m_serverDatabase; // PostgreSQL and MySQL
    QString m_connectionString;
    std::unique_ptr<Connection> m_db;
};
