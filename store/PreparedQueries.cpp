#include "PreparedQueries.h"

#include "MysqlStatements.h"
#include "PgStatements.h"

#include <QSqlDriver>
#include <QVariant>

// The drivers hand out their connection as the client library's own handle,
// named by its type.
std::unique_ptr<PreparedQueries> PreparedQueries::on(const QSqlDriver *driver)
{
    const QVariant handle = driver->handle();
    if (!handle.isValid())
        return nullptr;
    void *connection = *static_cast<void *const *>(handle.constData());
    if (!connection)
        return nullptr;
    if (qstrcmp(handle.typeName(), "pg_conn*") == 0)
        return PgStatements::on(driver, connection);
    if (qstrcmp(handle.typeName(), "st_mysql*") == 0)
        return MysqlStatements::on(driver, connection);
    return nullptr;
}
