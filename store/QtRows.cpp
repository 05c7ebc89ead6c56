#include "QtRows.h"

#include "DbError.h"

#include <QSqlError>

QString describe(const QSqlError &error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

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
