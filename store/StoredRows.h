#pragma once

#include "Statement.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <vector>

class Connection;
class Recordset;

// One row of ACCOUNT with every column the table has, each value exactly as
// stored (see Recordset::storedValue). Column names are upper case, as the
// statements spell them, whatever case the engine reports.
struct StoredRow {
    QStringList columns;
    QVariantList values;

    // A null value for a column the row does not have.
    QVariant value(const QString &column) const;
    void setValue(const QString &column, const QVariant &value);
    void remove(const QString &column);
};

// The current row of a result set, every column.
StoredRow storedRowOf(const Recordset &row);

// The row with the key, every column; none when no row has it.
std::optional<StoredRow> readStoredRow(Connection &db, const QVariant &key);
bool isKeyStored(Connection &db, const QVariant &key);
bool hasChildRows(Connection &db, const QVariant &key);

// The row with the key, when there is one ("0", the root, has none), and
// every row beneath it, each after its parent, siblings in key order. A row
// that names one of its own ancestors as parent is not followed round.
std::vector<StoredRow> readSubtree(Connection &db, const QString &key);

// Puts the row back as it is, key included, its values bound.
BoundStatement insertStatement(const StoredRow &row);
BoundStatement deleteStatement(const QVariant &key);
// Sets the row's columns to the values the given row holds.
BoundStatement updateStatement(const StoredRow &values, const QVariant &key);

// Whether two values read from the table are the same: both NULL, or the
// same as stored. Engines hand numbers back as numbers or as their text, so
// a number and its text count as the same; bytes only equal bytes.
bool sameStoredValue(const QVariant &a, const QVariant &b);
// Whether every column of `part` holds its value in `row`.
bool holds(const StoredRow &row, const StoredRow &part);
// The text a stored value shows as, as Recordset::value would give it.
QString shownText(const QVariant &stored);
