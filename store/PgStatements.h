#pragma once

#include "PreparedQueries.h"

#include <QString>

#include <map>

class QSqlDriver;
struct PgClient;
struct pg_conn;

// PostgreSQL's statements prepared on QtSql's connection through libpq: one
// round trip a run, and the rows read as libpq holds them.
class PgStatements final : public PreparedQueries {
public:
    static std::unique_ptr<PreparedQueries> on(const QSqlDriver *driver, void *connection);

    std::unique_ptr<RowSource> run(const Statement &statement, qint64 &rowsAffected) override;

private:
    PgStatements(const PgClient &client, pg_conn *connection);
    const QByteArray &preparedName(const Statement &statement);
    [[noreturn]] void fail(struct pg_result *result) const;

    const PgClient &m_client;
    pg_conn *m_connection;
    // Statements live as long as the session, under names of this process's
    // own: QtSql's driver names its own prepared statements otherwise.
    std::map<QString, QByteArray> m_names;
};
