#include "Recordset.h"

#include "DbError.h"

#include <QSqlError>
#include <QSqlRecord>

Recordset::Recordset() = default;

Recordset::Recordset(QSqlQuery &&query)
    : m_query(std::move(query))
    , m_columns(m_query->record())
{
    m_eof = !m_query->next();
}

bool Recordset::isEOF() const
{
    if (!m_query)
        throw DbError(QStringLiteral("Operation is not allowed when the result set is closed"));
    return m_eof;
}

void Recordset::moveNext()
{
    if (isEOF())
        throw DbError(QStringLiteral("Either BOF or EOF is True: there is no current row"));
    m_eof = !m_query->next();
    if (m_eof && m_query->lastError().isValid())
        throw DbError(m_query->lastError().text());
}

const QSqlQuery &Recordset::currentRow() const
{
    if (isEOF())
        throw DbError(QStringLiteral("Either BOF or EOF is True: there is no current row"));
    return *m_query;
}

int Recordset::position(const QString &field) const
{
    currentRow();
    for (const auto &[name, index] : m_positions)
        if (name == field)
            return index;
    const int index = m_columns.indexOf(field);
    if (index < 0)
        throw DbError(QStringLiteral("Item cannot be found in the collection: no field \"%1\"")
                          .arg(field));
    m_positions.emplace_back(field, index);
    return index;
}

QVariant Recordset::value(const QString &field) const
{
    return currentRow().value(position(field));
}

QVariant Recordset::value(int position) const
{
    const QSqlQuery &row = currentRow();
    if (position < 0 || position >= m_columns.count())
        throw DbError(QStringLiteral("Item cannot be found in the collection: no field %1")
                          .arg(position));
    return row.value(position);
}

void Recordset::close()
{
    m_query.reset();
    m_columns.clear();
    m_eof = true;
}
