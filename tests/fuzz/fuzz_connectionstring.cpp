// Any text a host may pass as its connection string is either understood or
// refused with a DbError whose description shows no password.

#include "store/ConnectionString.h"
#include "store/DbError.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

const QString secret = QStringLiteral("Zq9Hunter2Pw");

void check(const QString &connStr)
{
    try {
        const ConnectionSettings settings = parseConnectionString(connStr);
        if (settings.driver != u"QSQLITE" && settings.driver != u"QPSQL"
            && settings.driver != u"QMYSQL" && settings.driver != u"QODBC")
            std::abort();
    } catch (const DbError &error) {
        if (error.description().contains(secret) || error.description().isEmpty())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // A text that brings the password itself may rightly show it as something else.
    if (text.contains(secret))
        return 0;
    check(text);
    // The fuzzed text after a password, in each form that carries one; the
    // password comes first so that it stays a password whatever follows.
    check(QStringLiteral("Password=") + secret + QLatin1Char(';') + text);
    check(QStringLiteral("PWD={") + secret + QStringLiteral("};") + text);
    check(
        QStringLiteral("Provider=PostgreSQL;Password=\"") + secret + QStringLiteral("\";") + text);
    check(QStringLiteral("postgresql://ann:") + secret + QLatin1Char('@') + text);
    check(QStringLiteral("mysql://ann:") + secret + QStringLiteral("@host/") + text);
    return 0;
}
