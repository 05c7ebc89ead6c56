#pragma once

#include "RowSource.h"

#include <QSqlQuery>
#include <QSqlRecord>

// The rows of a query run through QtSql (the server engines).
class QtRows final : public RowSource {
public:
    explicit QtRows(QSqlQuery &&query);
    QtRows(const QtRows &) = delete;
    QtRows &operator=(const QtRows &) = delete;

    bool next() override;
    int columnCount() const override { return m_columns.count(); }
    int columnIndex(const QString &name) const override { return m_columns.indexOf(name); }
    QString columnName(int column) const override { return m_columns.fieldName(column); }
    QVariant value(int column) const override { return m_query.value(column); }

private:
    QSqlQuery m_query;
    // Taken once: QSqlQuery::record() copies every value of the current row
    // each time it is asked.
    QSqlRecord m_columns;
};
