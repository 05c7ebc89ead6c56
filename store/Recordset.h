#pragma once

#include "RowSource.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

// A forward-only, read-only set of rows, positioned on its first row when it
// is handed out. Reading a closed set, or past its end, throws DbError.
class Recordset {
public:
    explicit Recordset(std::unique_ptr<RowSource> rows);
    Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    bool isOpen() const { return m_rows != nullptr; }
    bool isEOF() const;
    void moveNext();

    // Field names are matched without regard to case.
    QVariant value(const QString &field) const;
    QVariant value(int position) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    bool isNull(int position) const { return value(position).isNull(); }
    QString text(const QString &field) const { return value(field).toString(); }
    QString text(int position) const { return value(position).toString(); }

    // The field's value exactly as stored (see RowSource::storedValue).
    QVariant storedValue(int position) const;
    int fieldCount() const;
    QString fieldName(int position) const;

    void close();

private:
    void ensureRow() const;
    void ensurePosition(int position) const;
    int position(const QString &field) const;

    std::unique_ptr<RowSource> m_rows;
    // Each name asked for, as it was spelled, with its column.
    mutable std::vector<std::pair<QString, int>> m_positions;
    bool m_eof = true;
};
