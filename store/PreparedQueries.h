#pragma once

#include <QtGlobal>

#include <memory>

class QSqlDriver;
class RowSource;
class Statement;

// A server engine's statements prepared once per shape for one connection,
// through the engine's own client library on the handle QtSql opened, and
// run again with their number bound. Through QtSql every run of a prepared
// query sent a reset before it on MariaDB (two round trips a statement),
// and on both servers QtSql described every column and converted every
// value of every result: the load runs a statement for every row.
class PreparedQueries {
public:
    virtual ~PreparedQueries() = default;

    // For an open connection of QtSql's PostgreSQL or MariaDB driver; nullptr
    // for any other, or when the driver's client library cannot be reached.
    // Must be destroyed before the connection is closed.
    static std::unique_ptr<PreparedQueries> on(const QSqlDriver *driver);

    // Runs the statement's shape with its number bound: its rows, or for any
    // other statement nothing, and the rows it matched in `rowsAffected`.
    // Throws DbError with the engine's words.
    virtual std::unique_ptr<RowSource> run(const Statement &statement, qint64 &rowsAffected) = 0;
};
