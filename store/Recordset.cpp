#include "Recordset.h"

#include "DbError.h"

namespace {

// One row read out whole; its statement is gone.
class KeptRow final : public RowSource {
public:
    explicit KeptRow(const RowSource &rows)
    {
        for (int column = 0; column < rows.columnCount(); ++column) {
            m_names.append(rows.columnName(column));
            m_values.append(rows.value(column));
        }
    }

    bool next() override { return false; }
    int columnCount() const override { return int(m_names.size()); }
    QString columnName(int column) const override { return m_names.at(column); }
    QVariant value(int column) const override { return m_values.at(column); }

private:
    QStringList m_names;
    QVariantList m_values;
};

} // namespace

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
    for (const auto &[name, index] : m_positions)
        if (name == field)
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
    ensureRow();
    if (position < 0 || position >= m_rows->columnCount())
        throw DbError(
            QStringLiteral("Item cannot be found in the collection: no field %1").arg(position));
    return m_rows->value(position);
}

void Recordset::keepCurrentRowOnly()
{
    ensureRow();
    m_rows = std::make_unique<KeptRow>(*m_rows);
}

void Recordset::close()
{
    m_rows.reset();
    m_positions.clear();
    m_eof = true;
}
