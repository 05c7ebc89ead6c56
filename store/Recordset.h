#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

// A forward-only, read-only set of rows, positioned on its first row when it
// is handed out. Reading a closed set, or past its end, throws DbError.
class Recordset {
public:
    explicit Recordset(QSqlQuery &&query);
    Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    bool isOpen() const { return m_query.has_value(); }
    bool isEOF() const;
    void moveNext();

    // Field names are matched without regard to case.
    QVariant value(const QString &field) const;
    QVariant value(int position) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    bool isNull(int position) const { return value(position).isNull(); }
    QString text(const QString &field) const { return value(field).toString(); }
    QString text(int position) const { return value(position).toString(); }

    void close();

private:
    const QSqlQuery &currentRow() const;
    int position(const QString &field) const;

    std::optional<QSqlQuery> m_query;
    // The columns, taken once: QSqlQuery::record() copies every value of
    // the current row each time it is asked.
    QSqlRecord m_columns;
    // Each name asked for, as it was spelled, with its column.
    mutable std::vector<std::pair<QString, int>> m_positions;
    bool m_eof = true;
};
