#pragma once

#include "Statement.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

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

// The row with the key, when there is one ("0", the root, has none), and
// every row beneath it, each after its parent, siblings in key order. A row
// that names one of its own ancestors as parent is not followed round.
std::vector<StoredRow> readSubtree(Connection &db, const QString &key);

// Puts the row back as it is, key included, its values bound.
BoundStatement insertStatement(const StoredRow &row);
