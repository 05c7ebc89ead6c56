#include "QtRows.h"

#include "DbError.h"

#include <QSqlError>

QtRows::QtRows(QSqlQuery &&query)
    : m_query(std::move(query))
    , m_columns(m_query.record())
{
}

bool QtRows::next()
{
    if (m_query.next())
        return true;
    if (m_query.lastError().isValid())
        throw DbError(m_query.lastError().text());
    return false;
}
