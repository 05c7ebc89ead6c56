#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class RowSource;
class Statement;

// A server engine's statements prepared once per shape for one connection
// and kept idle between runs, as CompiledStatements keeps SQLite's: run as a
// text each, every statement of the load was parsed and planned by the
// server and had its columns described anew by QtSql. A shape can be in use
// more than once at a time, as the load's outermost level and the level
// being read.
class PreparedQueries {
public:
    // The connection, by its QtSql name, that the shapes are prepared on.
    void attach(const QString &connectionName);
    // Runs the shape with the number bound: its rows, or for any other
    // statement nothing, and the rows it matched in `rowsAffected`. Throws
    // DbError with the engine's words.
    std::unique_ptr<RowSource> run(const Statement &statement, qint64 &rowsAffected);
    // Must happen before the connection is closed.
    void clear();

private:
    struct Shape {
        std::vector<QSqlQuery> idle;
        std::optional<QSqlRecord> columns;
    };

    QSqlQuery take(const QString &shape, Shape &prepared);

    QString m_connectionName;
    std::map<QString, Shape> m_shapes;
};
