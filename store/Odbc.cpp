#include "Odbc.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringView>

namespace {

QVariant firstValue(const QSqlDatabase &db, const QString &query)
{
    QSqlQuery probe(db);
    return probe.exec(query) && probe.next() ? probe.value(0) : QVariant();
}

} // namespace

namespace Odbc {

QString engineBehind(const QSqlDatabase &db)
{
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::PostgreSQL:
        return QStringLiteral("QPSQL");
    case QSqlDriver::MySqlServer:
        return QStringLiteral("QMYSQL");
    default:
        break;
    }
    // QtSql does not recognise SQLite behind ODBC; only SQLite has this function.
    return firstValue(db, QStringLiteral("select sqlite_version()")).isValid()
        ? QStringLiteral("QSQLITE")
        : QStringLiteral("QODBC");
}

// unixODBC hands a driver without wide functions (SQLite's) each statement
// converted from UTF-16 to the codeset of the host's locale through UCS-2;
// a character that conversion cannot take (past ASCII in the C locale, past
// U+FFFF in any) makes it send every UTF-16 unit's low byte instead. Text the
// driver returns is its own conversion, and right.
bool carriesEveryCharacter(const QSqlDatabase &db)
{
    const QString probe = QStringLiteral(u"\u00E9\u55B6\U0001D11E");
    return firstValue(db, QStringLiteral("select '%1'").arg(probe)).toString() == probe;
}

QString withValuesAsBytes(const QString &statement)
{
    QString carried;
    carried.reserve(statement.size());
    qsizetype i = 0;
    while (i < statement.size()) {
        if (statement.at(i) != u'\'') {
            carried += statement.at(i++);
            continue;
        }
        // A quoted value, its doubled quotes read as one; an unclosed one is
        // left to fail as it stands.
        const qsizetype start = i++;
        QString value;
        bool closed = false;
        while (i < statement.size() && !closed) {
            closed
                = statement.at(i) == u'\'' && (++i >= statement.size() || statement.at(i) != u'\'');
            if (!closed)
                value += statement.at(i++);
        }
        if (closed && firstPastAscii(value))
            carried += QStringLiteral("CAST(X'%1' AS TEXT)")
                           .arg(QString::fromLatin1(value.toUtf8().toHex().toUpper()));
        else
            carried += QStringView(statement).sliced(start, i - start);
    }
    return carried;
}

char32_t firstPastAscii(const QString &text)
{
    for (const char32_t character : QStringView(text).toUcs4())
        if (character > 0x7F)
            return character;
    return 0;
}

} // namespace Odbc
