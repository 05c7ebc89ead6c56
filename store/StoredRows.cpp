#include "StoredRows.h"

#include "Connection.h"
#include "Recordset.h"
#include "StoredValue.h"

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

std::optional<StoredRow> readStoredRow(Connection &db, const QVariant &key)
{
    const auto own = db.execute(
        BoundStatement {QStringLiteral("SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = ?"), {key}});
    if (own->isEOF())
        return std::nullopt;
    StoredRow row = storedRowOf(*own);
    own->close();
    return row;
}

bool isKeyStored(Connection &db, const QVariant &key)
{
    return !db.execute(
                  BoundStatement {
                      QStringLiteral("SELECT ACCOUNT_NO FROM ACCOUNT WHERE ACCOUNT_NO = ?"), {key}})
                ->isEOF();
}

bool hasChildRows(Connection &db, const QVariant &key)
{
    return !db
                .execute(BoundStatement {
                    QStringLiteral("SELECT ACCOUNT_NO FROM ACCOUNT WHERE P_ACCOUNT_NO = ?"), {key}})
                ->isEOF();
}

std::vector<StoredRow> readSubtree(Connection &db, const QString &key)
{
    std::vector<StoredRow> rows;
    const QVariant top = key.toLongLong();
    std::optional<StoredRow> own = readStoredRow(db, top);
    if (key != u"0" && own)
        rows.push_back(std::move(*own));
    QSet<qint64> seen = {top.toLongLong()};
    QVariantList parents = {top};
    // Level by level, so that every row comes after its parent.
    while (!parents.isEmpty()) {
        const auto found = db.execute(childrenOf(parents.takeFirst()));
        for (; !found->isEOF(); found->moveNext()) {
            StoredRow child = storedRowOf(*found);
            // One list of names for all the rows, not one each.
            if (!rows.empty() && child.columns == rows.back().columns)
                child.columns = rows.back().columns;
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

BoundStatement deleteStatement(const QVariant &key)
{
    return {QStringLiteral("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = ?"), {key}};
}

BoundStatement updateStatement(const StoredRow &values, const QVariant &key)
{
    return {QStringLiteral("UPDATE ACCOUNT SET %1 = ? WHERE ACCOUNT_NO = ?")
                .arg(values.columns.join(QStringLiteral(" = ?, "))),
        values.values + QVariantList {key}};
}

bool sameStoredValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.metaType() == b.metaType())
        return a == b;
    const auto exact = [](const QVariant &value) {
        return isRawText(value) || value.metaType() == QMetaType::fromType<QByteArray>();
    };
    return !exact(a) && !exact(b) && a.toString() == b.toString();
}

bool holds(const StoredRow &row, const StoredRow &part)
{
    for (qsizetype i = 0; i < part.columns.size(); ++i)
        if (!sameStoredValue(row.value(part.columns.at(i)), part.values.at(i)))
            return false;
    return true;
}

QString shownText(const QVariant &stored)
{
    return isRawText(stored) ? QString::fromUtf8(stored.value<RawText>().bytes) : stored.toString();
}
