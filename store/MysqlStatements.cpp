#include "MysqlStatements.h"

#include "DbError.h"
#include "DriverLibrary.h"
#include "RowSource.h"
#include "Statement.h"
#include "StoredValue.h"

#include <mysql.h>

#include <functional>

// The client library's functions the statements need, from the driver's own
// library.
struct MysqlClient {
    decltype(&mysql_error) connectionError = nullptr;
    decltype(&mysql_stmt_init) init = nullptr;
    decltype(&mysql_stmt_attr_set) attrSet = nullptr;
    decltype(&mysql_stmt_prepare) prepare = nullptr;
    decltype(&mysql_stmt_param_count) paramCount = nullptr;
    decltype(&mysql_stmt_bind_param) bindParam = nullptr;
    decltype(&mysql_stmt_execute) execute = nullptr;
    decltype(&mysql_stmt_field_count) fieldCount = nullptr;
    decltype(&mysql_stmt_affected_rows) affectedRows = nullptr;
    decltype(&mysql_stmt_store_result) storeResult = nullptr;
    decltype(&mysql_stmt_num_rows) numRows = nullptr;
    decltype(&mysql_stmt_result_metadata) resultMetadata = nullptr;
    decltype(&mysql_fetch_fields) fetchFields = nullptr;
    decltype(&mysql_free_result) freeMetadata = nullptr;
    decltype(&mysql_stmt_bind_result) bindResult = nullptr;
    decltype(&mysql_stmt_fetch) fetch = nullptr;
    decltype(&mysql_stmt_free_result) freeResult = nullptr;
    decltype(&mysql_stmt_error) error = nullptr;
    decltype(&mysql_stmt_close) close = nullptr;

    bool findIn(const DriverLibrary &library)
    {
        return library.find(connectionError, "mysql_error") && library.find(init, "mysql_stmt_init")
            && library.find(attrSet, "mysql_stmt_attr_set")
            && library.find(prepare, "mysql_stmt_prepare")
            && library.find(paramCount, "mysql_stmt_param_count")
            && library.find(bindParam, "mysql_stmt_bind_param")
            && library.find(execute, "mysql_stmt_execute")
            && library.find(fieldCount, "mysql_stmt_field_count")
            && library.find(affectedRows, "mysql_stmt_affected_rows")
            && library.find(storeResult, "mysql_stmt_store_result")
            && library.find(numRows, "mysql_stmt_num_rows")
            && library.find(resultMetadata, "mysql_stmt_result_metadata")
            && library.find(fetchFields, "mysql_fetch_fields")
            && library.find(freeMetadata, "mysql_free_result")
            && library.find(bindResult, "mysql_stmt_bind_result")
            && library.find(fetch, "mysql_stmt_fetch")
            && library.find(freeResult, "mysql_stmt_free_result")
            && library.find(error, "mysql_stmt_error") && library.find(close, "mysql_stmt_close");
    }
};

namespace {

// The character set MariaDB gives bytes that are no text.
constexpr unsigned binaryCharset = 63;

// The rows of one run, fetched whole by the client library and read a row
// at a time into buffers of their own; each value as QtSql's driver gives
// it: whole numbers, reals, bytes for binary columns, text otherwise. The
// columns are described and the buffers made only for a run that has rows:
// most of the load's statements find none.
class MysqlRows final : public RowSource {
public:
    using GiveBack = std::function<void(MYSQL_STMT *)>;
    MysqlRows(const MysqlClient &client, MYSQL_STMT *statement, GiveBack giveBack);
    ~MysqlRows() override;
    MysqlRows(const MysqlRows &) = delete;
    MysqlRows &operator=(const MysqlRows &) = delete;

    bool next() override;
    int columnCount() const override { return m_columnCount; }
    int columnIndex(const QString &name) const override
    {
        return utf8ColumnIndex(
            name, columnCount(), [this](int column) { return fields()[column].name; });
    }
    QString columnName(int column) const override
    {
        return QString::fromUtf8(fields()[column].name);
    }
    QVariant value(int column) const override;

private:
    enum class Kind { Whole, Real, Bytes, Text };
    struct Column {
        Kind kind = Kind::Text;
        QByteArray buffer;
        qint64 whole = 0;
        double real = 0;
        unsigned long length = 0;
        my_bool isNull = 0;
    };

    const MYSQL_FIELD *fields() const;
    void bindColumns();
    void bindColumn(int column);
    [[noreturn]] void fail() const;

    const MysqlClient &m_client;
    MYSQL_STMT *m_statement;
    GiveBack m_giveBack;
    int m_columnCount;
    mutable MYSQL_RES *m_metadata = nullptr;
    std::vector<Column> m_columns;
    std::vector<MYSQL_BIND> m_binds;
};

MysqlRows::MysqlRows(const MysqlClient &client, MYSQL_STMT *statement, GiveBack giveBack)
    : m_client(client)
    , m_statement(statement)
    , m_giveBack(std::move(giveBack))
    , m_columnCount(int(client.fieldCount(statement)))
{
}

MysqlRows::~MysqlRows()
{
    if (m_metadata)
        m_client.freeMetadata(m_metadata);
    m_client.freeResult(m_statement);
    m_giveBack(m_statement);
}

// Taken after the rows are fetched, when they hold the longest value of
// each column.
const MYSQL_FIELD *MysqlRows::fields() const
{
    if (!m_metadata && !(m_metadata = m_client.resultMetadata(m_statement)))
        fail();
    return m_client.fetchFields(m_metadata);
}

void MysqlRows::bindColumns()
{
    m_columns.resize(size_t(m_columnCount));
    m_binds.resize(size_t(m_columnCount));
    for (int column = 0; column < m_columnCount; ++column)
        bindColumn(column);
    if (m_client.bindResult(m_statement, m_binds.data()))
        fail();
}

// Text and bytes get as much room as the longest value of the run (and the
// library's closing zero): no value is cut.
void MysqlRows::bindColumn(int column)
{
    const MYSQL_FIELD &field = fields()[column];
    Column &into = m_columns[column];
    MYSQL_BIND &bind = m_binds[column];
    bind.is_null = &into.isNull;
    bind.length = &into.length;
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        into.kind = Kind::Whole;
        bind.buffer_type = MYSQL_TYPE_LONGLONG;
        bind.buffer = &into.whole;
        bind.is_unsigned = (field.flags & UNSIGNED_FLAG) != 0;
        return;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        into.kind = Kind::Real;
        bind.buffer_type = MYSQL_TYPE_DOUBLE;
        bind.buffer = &into.real;
        return;
    default:
        into.kind = field.charsetnr == binaryCharset ? Kind::Bytes : Kind::Text;
        into.buffer.resize(qsizetype(field.max_length) + 1);
        bind.buffer_type = MYSQL_TYPE_STRING;
        bind.buffer = into.buffer.data();
        bind.buffer_length = field.max_length + 1;
    }
}

bool MysqlRows::next()
{
    if (m_binds.empty()) {
        if (m_client.numRows(m_statement) == 0)
            return false;
        bindColumns();
    }
    switch (m_client.fetch(m_statement)) {
    case 0:
        return true;
    case MYSQL_NO_DATA:
        return false;
    case MYSQL_DATA_TRUNCATED:
        throw DbError(QStringLiteral("A value was longer than the client library measured"));
    default:
        fail();
    }
}

void MysqlRows::fail() const
{
    throw DbError(QString::fromUtf8(m_client.error(m_statement)));
}

QVariant MysqlRows::value(int column) const
{
    const Column &value = m_columns[column];
    const bool isUnsigned = m_binds[column].is_unsigned;
    switch (value.kind) {
    case Kind::Whole:
        if (value.isNull)
            return QVariant(QMetaType::fromType<qint64>());
        return isUnsigned ? QVariant(quint64(value.whole)) : QVariant(value.whole);
    case Kind::Real:
        return value.isNull ? QVariant(QMetaType::fromType<double>()) : QVariant(value.real);
    case Kind::Bytes:
        if (value.isNull)
            return QVariant(QMetaType::fromType<QByteArray>());
        return QByteArray(value.buffer.constData(), qsizetype(value.length));
    case Kind::Text:
        break;
    }
    if (value.isNull)
        return QVariant(QMetaType::fromType<QString>());
    return textFromUtf8(value.buffer.constData(), qsizetype(value.length));
}

} // namespace

std::unique_ptr<PreparedQueries> MysqlStatements::on(const QSqlDriver *driver, void *connection)
{
    const MysqlClient *client = clientOf<MysqlClient>(driver);
    if (!client)
        return nullptr;
    return std::unique_ptr<PreparedQueries>(
        new MysqlStatements(*client, static_cast<MYSQL *>(connection)));
}

MysqlStatements::MysqlStatements(const MysqlClient &client, st_mysql *connection)
    : m_client(client)
    , m_connection(connection)
{
}

MysqlStatements::~MysqlStatements()
{
    for (const auto &[shape, statements] : m_idle)
        for (MYSQL_STMT *statement : statements)
            m_client.close(statement);
}

// An idle statement of the shape, or a newly prepared one that measures the
// longest value of each column as it fetches a run's rows.
MYSQL_STMT *MysqlStatements::take(const Statement &statement, std::vector<MYSQL_STMT *> &idle)
{
    if (!idle.empty()) {
        MYSQL_STMT *prepared = idle.back();
        idle.pop_back();
        return prepared;
    }
    MYSQL_STMT *prepared = m_client.init(m_connection);
    if (!prepared)
        throw DbError(QString::fromUtf8(m_client.connectionError(m_connection)));
    const my_bool measure = 1;
    m_client.attrSet(prepared, STMT_ATTR_UPDATE_MAX_LENGTH, &measure);
    const QByteArray text = statement.shape().toUtf8();
    if (m_client.prepare(prepared, text.constData(), static_cast<unsigned long>(text.size()))) {
        const QString failure = QString::fromUtf8(m_client.error(prepared));
        m_client.close(prepared);
        throw DbError(failure);
    }
    return prepared;
}

// A statement that failed goes back as well: it is still prepared.
void MysqlStatements::fail(MYSQL_STMT *prepared, std::vector<MYSQL_STMT *> &idle) const
{
    const QString failure = QString::fromUtf8(m_client.error(prepared));
    m_client.freeResult(prepared);
    idle.push_back(prepared);
    throw DbError(failure);
}

std::unique_ptr<RowSource> MysqlStatements::run(const Statement &statement, qint64 &rowsAffected)
{
    std::vector<MYSQL_STMT *> &idle = m_idle[statement.shape()];
    MYSQL_STMT *prepared = take(statement, idle);
    long long number = statement.number();
    std::vector<MYSQL_BIND> parameters(m_client.paramCount(prepared));
    for (MYSQL_BIND &parameter : parameters) {
        parameter.buffer_type = MYSQL_TYPE_LONGLONG;
        parameter.buffer = &number;
    }
    if (m_client.bindParam(prepared, parameters.data()) || m_client.execute(prepared))
        fail(prepared, idle);
    if (m_client.fieldCount(prepared) == 0) {
        rowsAffected = qint64(m_client.affectedRows(prepared));
        idle.push_back(prepared);
        return nullptr;
    }
    if (m_client.storeResult(prepared))
        fail(prepared, idle);
    return std::make_unique<MysqlRows>(
        m_client, prepared, [&idle](MYSQL_STMT *done) { idle.push_back(done); });
}
