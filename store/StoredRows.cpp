#include "StoredRows.h"

#include "Connection.h"
#include "Recordset.h"

#include <QSet>

namespace {

// The engine's own names differ in case (PostgreSQL folds them down).
qsizetype indexOf(const QStringList &columns, const QString &column)
{
    return columns.indexOf(column.toUpper());
}

BoundStatement childrenOf(const QVariant &key)
{
    return {
        QStringLiteral("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = ? ORDER BY ACCOUNT_NO"), {key}};
}

} // namespace

QVariant StoredRow::value(const QString &column) const
{
    const qsizetype at = indexOf(columns, column);
    return at < 0 ? QVariant() : values.at(at);
}

void StoredRow::setValue(const QString &column, const QVariant &value)
{
    const qsizetype at = indexOf(columns, column);
    if (at >= 0) {
        values[at] = value;
        return;
    }
    columns << column.toUpper();
    values << value;
}

void StoredRow::remove(const QString &column)
{
    const qsizetype at = indexOf(columns, column);
    if (at < 0)
        return;
    columns.removeAt(at);
    values.removeAt(at);
}

StoredRow storedRowOf(const Recordset &row)
{
    StoredRow stored;
    for (int column = 0; column < row.fieldCount(); ++column) {
        stored.columns << row.fieldName(column).toUpper();
        stored.values << row.storedValue(column);
    }
    return stored;
}

std::vector<StoredRow> readSubtree(Connection &db, const QString &key)
{
    std::vector<StoredRow> rows;
    const QVariant top = key.toLongLong();
    const auto own = db.execute(
        BoundStatement {QStringLiteral("SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = ?"), {top}});
    if (key != u"0" && !own->isEOF())
        rows.push_back(storedRowOf(*own));
    own->close();
    QSet<qint64> seen = {top.toLongLong()};
    QVariantList parents = {top};
    // Level by level, so that every row comes after its parent.
    while (!parents.isEmpty()) {
        const auto found = db.execute(childrenOf(parents.takeFirst()));
        for (; !found->isEOF(); found->moveNext()) {
            StoredRow child = storedRowOf(*found);
            const QVariant childKey = child.value(QStringLiteral("ACCOUNT_NO"));
            if (seen.contains(childKey.toLongLong()))
                continue;
            seen.insert(childKey.toLongLong());
            parents << childKey;
            rows.push_back(std::move(child));
        }
        found->close();
    }
    return rows;
}

BoundStatement insertStatement(const StoredRow &row)
{
    return {QStringLiteral("INSERT INTO ACCOUNT(%1) VALUES(%2)")
                .arg(row.columns.join(u','),
                    QStringList(row.columns.size(), QStringLiteral("?")).join(u',')),
        row.values};
}
