#include "CompiledStatements.h"

#include "DbError.h"
#include "SqliteRows.h"
#include "StoredValue.h"

#include <sqlite3.h>

void CompiledStatements::attach(sqlite3 *db)
{
    finalizeAll();
    m_db = db;
}

sqlite3_stmt *CompiledStatements::take(const QString &shape)
{
    std::vector<sqlite3_stmt *> &idle = m_idle[shape];
    if (!idle.empty()) {
        sqlite3_stmt *compiled = idle.back();
        idle.pop_back();
        return compiled;
    }
    const QByteArray text = shape.toUtf8();
    sqlite3_stmt *compiled = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()) + 1, &compiled, nullptr)
        != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    return compiled;
}

void CompiledStatements::giveBack(const QString &shape, sqlite3_stmt *compiled)
{
    sqlite3_reset(compiled);
    sqlite3_clear_bindings(compiled);
    m_idle[shape].push_back(compiled);
}

std::unique_ptr<SqliteRows> CompiledStatements::run(const QString &shape, sqlite3_stmt *compiled)
{
    std::vector<sqlite3_stmt *> &idle = m_idle[shape];
    return SqliteRows::runCompiled(m_db, compiled, [&idle](sqlite3_stmt *done) {
        sqlite3_reset(done);
        sqlite3_clear_bindings(done);
        idle.push_back(done);
    });
}

void CompiledStatements::finalizeAll()
{
    for (const auto &[shape, statements] : m_idle)
        for (sqlite3_stmt *statement : statements)
            sqlite3_finalize(statement);
    m_idle.clear();
}

void CompiledStatements::bindNumber(sqlite3_stmt *compiled, qint64 number)
{
    sqlite3_bind_int64(compiled, 1, number);
}

// Text goes in as text, its bytes as given; bytes as a blob.
void CompiledStatements::bindValues(sqlite3_stmt *compiled, const QVariantList &values)
{
    for (int i = 0; i < int(values.size()); ++i) {
        const QVariant &value = values.at(i);
        const int type = value.metaType().id();
        int status = SQLITE_OK;
        if (value.isNull()) {
            status = sqlite3_bind_null(compiled, i + 1);
        } else if (isRawText(value)) {
            const QByteArray bytes = value.value<RawText>().bytes;
            status = sqlite3_bind_text64(
                compiled, i + 1, bytes.constData(), bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        } else if (type == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            status = sqlite3_bind_blob64(
                compiled, i + 1, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        } else if (type == QMetaType::Double) {
            status = sqlite3_bind_double(compiled, i + 1, value.toDouble());
        } else if (type == QMetaType::LongLong || type == QMetaType::Int) {
            status = sqlite3_bind_int64(compiled, i + 1, value.toLongLong());
        } else {
            const QByteArray text = value.toString().toUtf8();
            status = sqlite3_bind_text64(
                compiled, i + 1, text.constData(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        if (status != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
}
