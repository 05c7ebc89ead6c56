#include "PgStatements.h"

#include "DbError.h"
#include "DriverLibrary.h"
#include "RowSource.h"
#include "Statement.h"
#include "StoredValue.h"

#include <libpq-fe.h>

// The libpq functions the statements need, from the driver's own libpq.
struct PgClient {
    decltype(&PQprepare) prepare = nullptr;
    decltype(&PQexecPrepared) execPrepared = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQresultErrorField) resultErrorField = nullptr;
    decltype(&PQcmdTuples) cmdTuples = nullptr;
    decltype(&PQclear) clear = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQfname) fname = nullptr;
    decltype(&PQftype) ftype = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQgetlength) getlength = nullptr;
    decltype(&PQunescapeBytea) unescapeBytea = nullptr;
    decltype(&PQfreemem) freemem = nullptr;

    bool findIn(const DriverLibrary &library)
    {
        return library.find(prepare, "PQprepare") && library.find(execPrepared, "PQexecPrepared")
            && library.find(resultStatus, "PQresultStatus")
            && library.find(errorMessage, "PQerrorMessage")
            && library.find(resultErrorField, "PQresultErrorField")
            && library.find(cmdTuples, "PQcmdTuples") && library.find(clear, "PQclear")
            && library.find(ntuples, "PQntuples") && library.find(nfields, "PQnfields")
            && library.find(fname, "PQfname") && library.find(ftype, "PQftype")
            && library.find(getisnull, "PQgetisnull") && library.find(getvalue, "PQgetvalue")
            && library.find(getlength, "PQgetlength")
            && library.find(unescapeBytea, "PQunescapeBytea") && library.find(freemem, "PQfreemem");
    }
};

namespace {

// Types by their fixed numbers in PostgreSQL's catalogue.
enum PgType : Oid {
    Bool = 16,
    Bytea = 17,
    Int8 = 20,
    Int2 = 21,
    Int4 = 23,
    OidType = 26,
    Float4 = 700,
    Float8 = 701,
    Numeric = 1700,
};

bool isWhole(Oid type)
{
    return type == Int8 || type == Int2 || type == Int4 || type == OidType;
}

// The rows of one run, as libpq holds them; each value as QtSql's driver
// gives it: whole numbers, reals, bytes, truth values, text otherwise.
class PgRows final : public RowSource {
public:
    PgRows(const PgClient &client, PGresult *result)
        : m_client(client)
        , m_result(result)
        , m_rows(client.ntuples(result))
        , m_columns(client.nfields(result))
    {
    }
    ~PgRows() override { m_client.clear(m_result); }
    PgRows(const PgRows &) = delete;
    PgRows &operator=(const PgRows &) = delete;

    bool next() override { return ++m_row < m_rows; }
    int columnCount() const override { return m_columns; }
    int columnIndex(const QString &name) const override
    {
        return utf8ColumnIndex(
            name, m_columns, [this](int column) { return m_client.fname(m_result, column); });
    }
    QString columnName(int column) const override
    {
        return QString::fromUtf8(m_client.fname(m_result, column));
    }
    QVariant value(int column) const override;

private:
    const PgClient &m_client;
    PGresult *m_result;
    int m_rows;
    int m_columns;
    int m_row = -1;
};

QVariant PgRows::value(int column) const
{
    const Oid type = m_client.ftype(m_result, column);
    if (m_client.getisnull(m_result, m_row, column))
        return QVariant(
            isWhole(type) ? QMetaType::fromType<qint64>() : QMetaType::fromType<QString>());
    const char *text = m_client.getvalue(m_result, m_row, column);
    const QByteArrayView bytes(text, m_client.getlength(m_result, m_row, column));
    if (isWhole(type))
        return QVariant(bytes.toLongLong());
    switch (type) {
    case Bool:
        return QVariant(bytes == "t");
    case Float4:
    case Float8:
    case Numeric:
        return QVariant(bytes.toDouble());
    case Bytea: {
        size_t size = 0;
        unsigned char *unescaped
            = m_client.unescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
        const QByteArray value(reinterpret_cast<const char *>(unescaped), qsizetype(size));
        m_client.freemem(unescaped);
        return value;
    }
    default:
        return textFromUtf8(text, bytes.size());
    }
}

} // namespace

std::unique_ptr<PreparedQueries> PgStatements::on(const QSqlDriver *driver, void *connection)
{
    const PgClient *client = clientOf<PgClient>(driver);
    if (!client)
        return nullptr;
    return std::unique_ptr<PreparedQueries>(
        new PgStatements(*client, static_cast<PGconn *>(connection)));
}

PgStatements::PgStatements(const PgClient &client, pg_conn *connection)
    : m_client(client)
    , m_connection(connection)
{
}

// The engine's words, with the state code after them, as QtSql reports them.
void PgStatements::fail(PGresult *result) const
{
    QString message = QString::fromUtf8(m_client.errorMessage(m_connection));
    if (result) {
        if (const char *state = m_client.resultErrorField(result, PG_DIAG_SQLSTATE))
            message += QLatin1Char('(') + QLatin1String(state) + QLatin1Char(')');
        m_client.clear(result);
    }
    throw DbError(message.trimmed());
}

const QByteArray &PgStatements::preparedName(const Statement &statement)
{
    const auto known = m_names.find(statement.shape());
    if (known != m_names.end())
        return known->second;
    static int prepared = 0;
    const QByteArray name = "tx_account_" + QByteArray::number(++prepared);
    const QByteArray text = statement.shapeWith(QStringLiteral("$1")).toUtf8();
    PGresult *result
        = m_client.prepare(m_connection, name.constData(), text.constData(), 0, nullptr);
    if (!result || m_client.resultStatus(result) != PGRES_COMMAND_OK)
        fail(result);
    m_client.clear(result);
    return m_names.emplace(statement.shape(), name).first->second;
}

std::unique_ptr<RowSource> PgStatements::run(const Statement &statement, qint64 &rowsAffected)
{
    const QByteArray &name = preparedName(statement);
    const QByteArray number = QByteArray::number(statement.number());
    const char *values[] = {number.constData()};
    PGresult *result
        = m_client.execPrepared(m_connection, name.constData(), 1, values, nullptr, nullptr, 0);
    switch (result ? m_client.resultStatus(result) : PGRES_FATAL_ERROR) {
    case PGRES_TUPLES_OK:
        return std::make_unique<PgRows>(m_client, result);
    case PGRES_COMMAND_OK:
        rowsAffected = QByteArrayView(m_client.cmdTuples(result)).toLongLong();
        m_client.clear(result);
        return nullptr;
    default:
        fail(result);
    }
}
