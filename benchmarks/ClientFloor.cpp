#include "ClientFloor.h"

#include "FloorConnection.h"

#include "store/AccountStatements.h"
#include "store/DbError.h"

#include <QSqlDriver>

#include <libpq-fe.h>
#include <mysql.h>

#include <iterator>
#include <vector>

namespace {

// The load's own statement, with the engine's placeholder for the number.
QByteArray shapeWith(const char *placeholder)
{
    return AccountStatements::children(0).shapeWith(QLatin1String(placeholder)).toUtf8();
}

// Each level is read whole and given back before the descent, as the load
// does below its outermost level; the servers' tables are shallow, so the
// descent may recurse.
template <typename Floor> int loadBelow(Floor &floor, int parent)
{
    const std::vector<int> keys = floor.children(parent);
    int read = int(keys.size());
    for (const int key : keys)
        read += loadBelow(floor, key);
    return read;
}

class PgFloor {
public:
    explicit PgFloor(PGconn *connection)
        : m_connection(connection)
    {
        PQclear(check(
            PQprepare(m_connection, "tx_bench_children", shapeWith("$1").constData(), 0, nullptr),
            PGRES_COMMAND_OK));
    }

    std::vector<int> children(int parent)
    {
        const QByteArray number = QByteArray::number(parent);
        const char *values[] = {number.constData()};
        PGresult *result
            = PQexecPrepared(m_connection, "tx_bench_children", 1, values, nullptr, nullptr, 0);
        check(result, PGRES_TUPLES_OK);
        const int keyAt = PQfnumber(result, "ACCOUNT_NO");
        const int parentAt = PQfnumber(result, "P_ACCOUNT_NO");
        const int kindAt = PQfnumber(result, "KIND");
        const int nameAt = PQfnumber(result, "NAME");
        std::vector<int> keys;
        for (int row = 0; row < PQntuples(result); ++row) {
            PQgetvalue(result, row, parentAt);
            PQgetvalue(result, row, kindAt);
            PQgetvalue(result, row, nameAt);
            keys.push_back(atoi(PQgetvalue(result, row, keyAt)));
        }
        PQclear(result);
        return keys;
    }

private:
    // The result, when it is what was expected; the caller clears it.
    PGresult *check(PGresult *result, ExecStatusType expected)
    {
        if (PQresultStatus(result) == expected)
            return result;
        PQclear(result);
        throw DbError(QString::fromUtf8(PQerrorMessage(m_connection)));
    }

    PGconn *m_connection;
};

class MysqlFloor {
public:
    explicit MysqlFloor(MYSQL *connection)
        : m_statement(mysql_stmt_init(connection))
    {
        const QByteArray text = shapeWith("?");
        if (!m_statement || mysql_stmt_prepare(m_statement, text.constData(), text.size()))
            fail();
        MYSQL_RES *metadata = mysql_stmt_result_metadata(m_statement);
        if (!metadata)
            fail();
        const MYSQL_FIELD *fields = mysql_fetch_fields(metadata);
        for (unsigned column = 0; column < mysql_num_fields(metadata); ++column) {
            const QByteArrayView name(fields[column].name);
            for (size_t wanted = 0; wanted < std::size(names); ++wanted)
                if (name.compare(names[wanted], Qt::CaseInsensitive) == 0)
                    m_columns[wanted] = column;
        }
        mysql_free_result(metadata);
        m_param.buffer_type = MYSQL_TYPE_LONG;
        m_param.buffer = &m_parent;
    }
    ~MysqlFloor() { mysql_stmt_close(m_statement); }
    MysqlFloor(const MysqlFloor &) = delete;
    MysqlFloor &operator=(const MysqlFloor &) = delete;

    std::vector<int> children(int parent)
    {
        m_parent = parent;
        if (mysql_stmt_bind_param(m_statement, &m_param) || mysql_stmt_execute(m_statement)
            || mysql_stmt_store_result(m_statement))
            fail();
        std::vector<int> keys;
        while (mysql_stmt_fetch(m_statement) == 0)
            keys.push_back(readRow());
        mysql_stmt_free_result(m_statement);
        return keys;
    }

private:
    static constexpr const char *names[] = {"ACCOUNT_NO", "P_ACCOUNT_NO", "KIND", "NAME"};

    // The key as a number, the other three as text, as the load reads them.
    int readRow()
    {
        int key = 0;
        char text[256];
        unsigned long length = 0;
        MYSQL_BIND field {};
        field.buffer_type = MYSQL_TYPE_LONG;
        field.buffer = &key;
        mysql_stmt_fetch_column(m_statement, &field, m_columns[0], 0);
        for (size_t wanted = 1; wanted < std::size(names); ++wanted) {
            field = {};
            field.buffer_type = MYSQL_TYPE_STRING;
            field.buffer = text;
            field.buffer_length = sizeof text;
            field.length = &length;
            mysql_stmt_fetch_column(m_statement, &field, m_columns[wanted], 0);
        }
        return key;
    }

    [[noreturn]] void fail() const
    {
        throw DbError(QString::fromUtf8(mysql_stmt_error(m_statement)));
    }

    MYSQL_STMT *m_statement;
    unsigned m_columns[std::size(names)] = {};
    MYSQL_BIND m_param {};
    int m_parent = 0;
};

} // namespace

int clientFloorLoad(const QString &connectionString)
{
    const FloorConnection connection(connectionString, QStringLiteral("tx_bench.clientFloor"));
    const QVariant handle = connection.database().driver()->handle();
    void *client = *static_cast<void *const *>(handle.constData());
    if (qstrcmp(handle.typeName(), "pg_conn*") == 0) {
        PgFloor floor(static_cast<PGconn *>(client));
        return loadBelow(floor, 0);
    }
    if (qstrcmp(handle.typeName(), "st_mysql*") == 0) {
        MysqlFloor floor(static_cast<MYSQL *>(client));
        return loadBelow(floor, 0);
    }
    throw DbError(QStringLiteral("client floor: not a server: ") + connectionString);
}
