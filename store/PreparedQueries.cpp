#include "PreparedQueries.h"

#include "DbError.h"
#include "QtRows.h"
#include "Statement.h"

#include <QSqlDatabase>
#include <QSqlError>

void PreparedQueries::attach(const QString &connectionName)
{
    clear();
    m_connectionName = connectionName;
}

void PreparedQueries::clear()
{
    m_shapes.clear();
}

QSqlQuery PreparedQueries::take(const QString &shape, Shape &prepared)
{
    if (!prepared.idle.empty()) {
        QSqlQuery query = std::move(prepared.idle.back());
        prepared.idle.pop_back();
        return query;
    }
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.prepare(shape))
        throw DbError(describe(query.lastError()));
    return query;
}

// A query that failed goes back as well: its statement is still prepared.
std::unique_ptr<RowSource> PreparedQueries::run(const Statement &statement, qint64 &rowsAffected)
{
    Shape &prepared = m_shapes[statement.shape()];
    QSqlQuery query = take(statement.shape(), prepared);
    query.bindValue(0, statement.number());
    const bool ran = query.exec();
    if (!ran || !query.isSelect()) {
        const QString failure = ran ? QString() : describe(query.lastError());
        rowsAffected = ran ? query.numRowsAffected() : -1;
        query.finish();
        prepared.idle.push_back(std::move(query));
        if (!ran)
            throw DbError(failure);
        return nullptr;
    }
    if (!prepared.columns)
        prepared.columns = query.record();
    std::vector<QSqlQuery> &idle = prepared.idle;
    return std::make_unique<QtRows>(std::move(query), *prepared.columns,
        [&idle](QSqlQuery &&done) { idle.push_back(std::move(done)); });
}
