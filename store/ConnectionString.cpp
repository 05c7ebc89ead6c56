#include "ConnectionString.h"

#include "DbError.h"

#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

#include <optional>
#include <vector>

namespace {

struct Pair {
    QString key; // lower case, blanks removed
    QString rawKey;
    QString value;
};

QString normalizedKey(const QString &key)
{
    QString k = key.trimmed().toLower();
    k.remove(QLatin1Char(' '));
    return k;
}

// Reads a value that starts at text[pos]: "quoted" (a doubled quote is a
// quote), {braced} (a doubled closing brace is a brace) or plain up to ';'.
QString readValue(const QString &text, qsizetype &pos, const QString &rawKey)
{
    const QChar first = text.at(pos);
    if (first == QLatin1Char('"') || first == QLatin1Char('{')) {
        const QChar close = first == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char('}');
        QString value;
        ++pos;
        while (true) {
            if (pos >= text.size())
                throw DbError(
                    QStringLiteral("Connection string: the value of \"%1\" has no closing %2")
                        .arg(rawKey, close));
            if (text.at(pos) == close) {
                if (pos + 1 < text.size() && text.at(pos + 1) == close) {
                    value += close;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += text.at(pos++);
        }
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        if (pos < text.size() && text.at(pos) != QLatin1Char(';'))
            throw DbError(QStringLiteral(
                "Connection string: unexpected text after the quoted value of \"%1\"")
                              .arg(rawKey));
        return value;
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
    const qsizetype stop = end < 0 ? text.size() : end;
    QString value = text.mid(pos, stop - pos).trimmed();
    pos = stop;
    if (value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')))
        throw DbError(
            QStringLiteral("Connection string: unbalanced quote or brace in the value of \"%1\"")
                .arg(rawKey));
    return value;
}

std::vector<Pair> splitPairs(const QString &text)
{
    std::vector<Pair> pairs;
    qsizetype pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text.at(pos).isSpace() || text.at(pos) == QLatin1Char(';')))
            ++pos;
        if (pos >= text.size())
            break;
        const qsizetype eq = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
        if (eq < 0 || (semi >= 0 && semi < eq))
            throw DbError(QStringLiteral("Connection string: \"%1\" is not of the form key=value")
                              .arg(text.mid(pos, (semi < 0 ? text.size() : semi) - pos).trimmed()));
        const QString rawKey = text.mid(pos, eq - pos).trimmed();
        if (rawKey.isEmpty())
            throw DbError(QStringLiteral("Connection string: a key is empty before \"=\""));
        pos = eq + 1;
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        const QString value = pos < text.size() ? readValue(text, pos, rawKey) : QString();
        pairs.push_back({normalizedKey(rawKey), rawKey, value});
    }
    return pairs;
}

// A value handed on to the ODBC driver is braced when it would otherwise end
// early or be read as braced, with its closing braces doubled.
QString odbcValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('{'))
        && !value.contains(QLatin1Char('}')))
        return value;
    return QLatin1Char('{') + QString(value).replace(QLatin1Char('}'), QStringLiteral("}}"))
        + QLatin1Char('}');
}

// Every pair but Provider, for the ODBC driver. QtSql's ODBC driver hands on
// as it stands only a string that holds "DRIVER=", "SERVER=" or ".dsn"; any
// other it takes for a data source's name and puts "DSN=" before it. Then
// the DSN pair goes first, without its key, and comes out whole.
QString forQtOdbc(const std::vector<Pair> &pairs)
{
    QStringList rest;
    QString dataSource;
    for (const Pair &p : pairs) {
        if (p.key == u"provider")
            continue;
        if (p.key == u"dsn" && dataSource.isEmpty())
            dataSource = odbcValue(p.value);
        else
            rest << p.rawKey + QLatin1Char('=') + odbcValue(p.value);
    }
    if (rest.isEmpty() && dataSource.isEmpty())
        throw DbError(QStringLiteral("Connection string: ODBC needs a DSN or a driver"));
    const QString joined = rest.join(QLatin1Char(';'));
    const bool handedOn = joined.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive)
        || joined.contains(QLatin1String("SERVER="), Qt::CaseInsensitive)
        || joined.contains(QLatin1String(".dsn"), Qt::CaseInsensitive);
    if (dataSource.isEmpty())
        return joined;
    if (handedOn)
        return QStringLiteral("DSN=") + dataSource + QLatin1Char(';') + joined;
    return joined.isEmpty() ? dataSource : dataSource + QLatin1Char(';') + joined;
}

QString driverForProvider(const QString &provider)
{
    const QString p = provider.trimmed().toLower();
    if (p.isEmpty() || p == u"sqlite" || p == u"sqlite3")
        return QStringLiteral("QSQLITE");
    if (p == u"postgresql" || p == u"postgres" || p == u"pgsql")
        return QStringLiteral("QPSQL");
    if (p == u"mysql" || p == u"mariadb")
        return QStringLiteral("QMYSQL");
    if (p == u"odbc" || p == u"msdasql")
        return QStringLiteral("QODBC");
    throw DbError(QStringLiteral("Connection string: unknown provider \"%1\" "
                                 "(use SQLite, PostgreSQL, MySQL or ODBC)")
                      .arg(provider.trimmed()));
}

QString sqliteOptions()
{
    return QStringLiteral("QSQLITE_OPEN_URI");
}

// SQLite must open an existing file read-write and never create one, so the
// path becomes a URI with mode=rw (a host's explicit mode=ro is respected).
ConnectionSettings sqliteFromUri(QUrl uri)
{
    QUrlQuery query(uri);
    if (query.queryItemValue(QStringLiteral("mode")) != u"ro") {
        query.removeAllQueryItems(QStringLiteral("mode"));
        query.addQueryItem(QStringLiteral("mode"), QStringLiteral("rw"));
    }
    uri.setQuery(query);
    ConnectionSettings s;
    s.driver = QStringLiteral("QSQLITE");
    s.databaseName = uri.toString(QUrl::FullyEncoded);
    s.connectOptions = sqliteOptions();
    return s;
}

ConnectionSettings sqliteFromPath(const QString &path)
{
    if (path.trimmed().isEmpty())
        throw DbError(QStringLiteral("Connection string: no database file is named"));
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return sqliteFromUri(QUrl(path));
    return sqliteFromUri(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

const QStringList knownKeys = {QStringLiteral("provider"), QStringLiteral("datasource"),
    QStringLiteral("database"), QStringLiteral("initialcatalog"), QStringLiteral("server"),
    QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("userid"), QStringLiteral("uid"),
    QStringLiteral("user"), QStringLiteral("password"), QStringLiteral("pwd"),
    QStringLiteral("dsn"), QStringLiteral("driver")};

bool looksLikePairs(const QString &text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    return text.contains(QLatin1Char(';')) || knownKeys.contains(normalizedKey(text.left(eq)));
}

int parsePort(const QString &value)
{
    bool ok = false;
    const int port = value.toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        throw DbError(
            QStringLiteral("Connection string: the port \"%1\" is not a number from 1 to 65535")
                .arg(value));
    return port;
}

// A host that is a directory path is a unix socket: PostgreSQL takes it as
// the host name, MySQL as a connect option.
void setHost(ConnectionSettings &s, const QString &host)
{
    if (s.driver == u"QMYSQL" && host.startsWith(QLatin1Char('/')))
        s.connectOptions = QStringLiteral("UNIX_SOCKET=") + host;
    else
        s.hostName = host;
}

ConnectionSettings fromPairs(const QString &text)
{
    const std::vector<Pair> pairs = splitPairs(text);
    std::optional<QString> provider;
    for (const Pair &p : pairs)
        if (p.key == u"provider")
            provider = p.value;
    ConnectionSettings s;
    s.driver = driverForProvider(provider.value_or(QString()));

    if (s.driver == u"QODBC") {
        s.databaseName = forQtOdbc(pairs);
        return s;
    }

    QString database;
    for (const Pair &p : pairs) {
        if (p.key == u"provider")
            continue;
        else if (p.key == u"datasource" || p.key == u"database" || p.key == u"initialcatalog")
            database = p.value;
        else if (p.key == u"server" || p.key == u"host")
            setHost(s, p.value);
        else if (p.key == u"port")
            s.port = parsePort(p.value);
        else if (p.key == u"userid" || p.key == u"uid" || p.key == u"user")
            s.userName = p.value;
        else if (p.key == u"password" || p.key == u"pwd")
            s.password = p.value;
        else
            throw DbError(QStringLiteral("Connection string: unknown key \"%1\"").arg(p.rawKey));
    }
    if (s.driver == u"QSQLITE")
        return sqliteFromPath(database);
    if (database.isEmpty())
        throw DbError(QStringLiteral("Connection string: no database is named (Database=...)"));
    s.databaseName = database;
    return s;
}

ConnectionSettings fromServerUrl(const QUrl &url, const QString &driver)
{
    // QUrl's description quotes the whole URL, password and all.
    if (!url.isValid())
        throw DbError(QStringLiteral("Connection string: the URL is not valid: %1")
                          .arg(url.errorString().section(QStringLiteral("; source was"), 0, 0)));
    ConnectionSettings s;
    s.driver = driver;
    s.userName = url.userName();
    s.password = url.password();
    s.port = url.port(-1);
    s.databaseName = url.path().mid(1);
    const QUrlQuery query(url);
    const QString socketKey
        = driver == u"QMYSQL" ? QStringLiteral("socket") : QStringLiteral("host");
    const QString host = query.hasQueryItem(socketKey)
        ? query.queryItemValue(socketKey, QUrl::FullyDecoded)
        : url.host();
    setHost(s, host);
    if (s.databaseName.isEmpty())
        throw DbError(QStringLiteral("Connection string: the URL names no database"));
    return s;
}

} // namespace

ConnectionSettings parseConnectionString(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw DbError(QStringLiteral("Connection string: the connection string is empty"));
    const QString lower = trimmed.toLower();
    if (lower.startsWith(u"file:"))
        return sqliteFromPath(trimmed);
    if (lower.startsWith(u"sqlite:")) {
        const QUrl url(trimmed);
        return sqliteFromPath(url.path(QUrl::FullyDecoded));
    }
    if (lower.startsWith(u"postgresql://") || lower.startsWith(u"postgres://"))
        return fromServerUrl(QUrl(trimmed), QStringLiteral("QPSQL"));
    if (lower.startsWith(u"mysql://") || lower.startsWith(u"mariadb://"))
        return fromServerUrl(QUrl(trimmed), QStringLiteral("QMYSQL"));
    if (looksLikePairs(trimmed))
        return fromPairs(trimmed);
    return sqliteFromPath(trimmed);
}
