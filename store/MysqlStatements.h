#pragma once

#include "PreparedQueries.h"

#include <QString>

#include <map>
#include <vector>

class QSqlDriver;
struct MysqlClient;
struct st_mysql;
struct st_mysql_stmt;

// MariaDB's statements prepared on QtSql's connection through its client
// library: one round trip a run, the rows fetched whole, so that the next
// statement can run while a level's rows are still being read. A shape can
// be in use more than once at a time, as the load's outermost level and the
// level being read.
class MysqlStatements final : public PreparedQueries {
public:
    static std::unique_ptr<PreparedQueries> on(const QSqlDriver *driver, void *connection);
    ~MysqlStatements() override;

    std::unique_ptr<RowSource> run(const Statement &statement, qint64 &rowsAffected) override;

private:
    MysqlStatements(const MysqlClient &client, st_mysql *connection);
    st_mysql_stmt *take(const Statement &statement, std::vector<st_mysql_stmt *> &idle);
    [[noreturn]] void fail(st_mysql_stmt *prepared, std::vector<st_mysql_stmt *> &idle) const;

    const MysqlClient &m_client;
    st_mysql *m_connection;
    std::map<QString, std::vector<st_mysql_stmt *>> m_idle;
};
