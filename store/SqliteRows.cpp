#include "SqliteRows.h"

#include "DbError.h"
#include "StoredValue.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3 *db)
{
    throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
}

bool onlySpaceIn(const char *text)
{
    return QByteArrayView(text).trimmed().isEmpty();
}

} // namespace

std::unique_ptr<SqliteRows> SqliteRows::run(sqlite3 *db, const QString &statement)
{
    const QByteArray text = statement.toUtf8();
    sqlite3_stmt *prepared = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()) + 1, &prepared, &tail)
        != SQLITE_OK)
        fail(db);
    if (!prepared)
        return nullptr;
    std::unique_ptr<SqliteRows> rows(new SqliteRows(db, prepared));
    // One statement a call, as QtSql allows: text after it is refused, not
    // run and not silently dropped.
    if (tail && !onlySpaceIn(tail))
        throw DbError(QStringLiteral("Unable to execute multiple statements at a time"));
    return rowsOf(std::move(rows));
}

std::unique_ptr<SqliteRows> SqliteRows::runCompiled(
    sqlite3 *db, sqlite3_stmt *statement, GiveBack giveBack)
{
    return rowsOf(std::unique_ptr<SqliteRows>(new SqliteRows(db, statement, std::move(giveBack))));
}

std::unique_ptr<SqliteRows> SqliteRows::rowsOf(std::unique_ptr<SqliteRows> rows)
{
    if (rows->m_columnCount > 0)
        return rows;
    while (rows->next()) { }
    return nullptr;
}

SqliteRows::SqliteRows(sqlite3 *db, sqlite3_stmt *statement, GiveBack giveBack)
    : m_db(db)
    , m_statement(statement)
    , m_giveBack(std::move(giveBack))
    , m_columnCount(sqlite3_column_count(statement))
{
}

SqliteRows::~SqliteRows()
{
    if (m_giveBack)
        m_giveBack(m_statement);
    else
        sqlite3_finalize(m_statement);
}

bool SqliteRows::next()
{
    // SQLite would start a finished statement over again.
    if (m_done)
        return false;
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        m_done = true;
        return false;
    default:
        m_done = true;
        fail(m_db);
    }
}

int SqliteRows::columnIndex(const QString &name) const
{
    return utf8ColumnIndex(name, m_columnCount,
        [this](int column) { return sqlite3_column_name(m_statement, column); });
}

QString SqliteRows::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

// The same values QtSql gives: 64-bit integers, doubles, a null string for
// NULL, bytes for a blob, text otherwise.
QVariant SqliteRows::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const void *bytes = sqlite3_column_blob(m_statement, column);
        return QByteArray(
            static_cast<const char *>(bytes), sqlite3_column_bytes(m_statement, column));
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return textFromUtf8(text, sqlite3_column_bytes(m_statement, column));
    }
    }
}

QVariant SqliteRows::storedValue(int column) const
{
    if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT)
        return value(column);
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    const QByteArray bytes(text, sqlite3_column_bytes(m_statement, column));
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes)
        return decoded;
    return QVariant::fromValue(RawText {bytes});
}
