#include "Odbc.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringView>

#include <clocale>
#include <locale.h>

namespace {

QVariant firstValue(const QSqlDatabase &db, const QString &query)
{
    QSqlQuery probe(db);
    return probe.exec(query) && probe.next() ? probe.value(0) : QVariant();
}

} // namespace

namespace Odbc {

// unixODBC converts between the application's UTF-16 and a driver that takes
// only narrow text (SQLite's) in the codeset of the thread's LC_CTYPE, chosen
// once as the connection is made; in the C locale every character past ASCII
// would be cut to its low byte. The narrow side is UTF-8 for such a driver.
bool open(QSqlDatabase &db)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    const locale_t previous = utf8 ? uselocale(utf8) : locale_t(nullptr);
    const bool opened = db.open();
    if (utf8) {
        uselocale(previous);
        freelocale(utf8);
    }
    return opened;
}

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

// A driver that takes narrow text gets it through the driver manager's UCS-2
// conversion, which fails for a whole statement holding a character past
// U+FFFF and then sends each UTF-16 unit's low byte instead.
char32_t widestCharacter(const QSqlDatabase &db)
{
    const std::pair<QString, char32_t> probes[] = {{QStringLiteral(u"\U0001D11E"), 0x10FFFF},
        {QStringLiteral(u"\u55B6"), 0xFFFF}, {QStringLiteral(u"\u00E9"), 0xFF}};
    for (const auto &[text, widest] : probes)
        if (firstValue(db, QStringLiteral("select '%1'").arg(text)).toString() == text)
            return widest;
    return 0x7F;
}

QString withWideValuesAsBytes(const QString &statement, char32_t widest)
{
    QString carried;
    carried.reserve(statement.size());
    qsizetype i = 0;
    while (i < statement.size()) {
        if (statement.at(i) != u'\'') {
            carried += statement.at(i++);
            continue;
        }
        // A quoted value, its doubled quotes read as one.
        const qsizetype start = i++;
        QString value;
        while (i < statement.size()) {
            if (statement.at(i) == u'\'' && (++i >= statement.size() || statement.at(i) != u'\''))
                break;
            value += statement.at(i++);
        }
        if (firstBeyond(value, widest))
            carried += QStringLiteral("CAST(X'%1' AS TEXT)")
                           .arg(QString::fromLatin1(value.toUtf8().toHex().toUpper()));
        else
            carried += QStringView(statement).sliced(start, i - start);
    }
    return carried;
}

char32_t firstBeyond(const QString &text, char32_t widest)
{
    for (const char32_t character : QStringView(text).toUcs4())
        if (character > widest)
            return character;
    return 0;
}

} // namespace Odbc
