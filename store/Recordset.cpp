#include "Recordset.h"

#include "DbError.h"

Recordset::Recordset() = default;

Recordset::Recordset(std::unique_ptr<RowSource> rows)
    : m_rows(std::move(rows))
{
    m_eof = !m_rows->next();
}

bool Recordset::isEOF() const
{
    if (!m_rows)
        throw DbError(QStringLiteral("Operation is not allowed when the result set is closed"));
    return m_eof;
}

void Recordset::moveNext()
{
    ensureRow();
    m_eof = !m_rows->next();
}

void Recordset::ensureRow() const
{
    if (isEOF())
        throw DbError(QStringLiteral("Either BOF or EOF is True: there is no current row"));
}

int Recordset::position(const QString &field) const
{
    ensureRow();
    // A name is mostly asked for by the same literal every time.
    for (const auto &[name, index] : m_positions)
        if ((name.constData() == field.constData() && name.size() == field.size()) || name == field)
            return index;
    const int index = m_rows->columnIndex(field);
    if (index < 0)
        throw DbError(
            QStringLiteral("Item cannot be found in the collection: no field \"%1\"").arg(field));
    m_positions.emplace_back(field, index);
    return index;
}

QVariant Recordset::value(const QString &field) const
{
    return m_rows->value(position(field));
}

QVariant Recordset::value(int position) const
{
    ensurePosition(position);
    return m_rows->value(position);
}

QVariant Recordset::storedValue(int position) const
{
    ensurePosition(position);
    return m_rows->storedValue(position);
}

int Recordset::fieldCount() const
{
    ensureRow();
    return m_rows->columnCount();
}

QString Recordset::fieldName(int position) const
{
    ensurePosition(position);
    return m_rows->columnName(position);
}

void Recordset::ensurePosition(int position) const
{
    ensureRow();
    if (position < 0 || position >= m_rows->columnCount())
        throw DbError(
            QStringLiteral("Item cannot be found in the collection: no field %1").arg(position));
}

void Recordset::close()
{
    m_rows.reset();
    m_positions.clear();
    m_eof = true;
}
