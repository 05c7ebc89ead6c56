// DbSet makes of any text one SQL string literal whose value is that text:
// put between single quotes, SQLite reads back exactly what was quoted.

#include "store/AccountStatements.h"
#include "store/Storable.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <cstdint>
#include <cstdlib>

namespace {

QSqlDatabase &memoryDatabase()
{
    static QSqlDatabase db = [] {
        QSqlDatabase opened = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        opened.setDatabaseName(QStringLiteral(":memory:"));
        if (!opened.open())
            std::abort();
        return opened;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The SQL driver plugins are found through the application object.
    new QCoreApplication(*argc, *argv);
    memoryDatabase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // What a text box can hold: never a character no statement can carry.
    const QString text = withoutUnstorable(
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString quoted = text;
    const QString result = DbSet(quoted);
    if (result != quoted || quoted.count(u'\'') != 2 * text.count(u'\''))
        std::abort();
    QSqlQuery query(memoryDatabase());
    if (!query.exec(QStringLiteral("SELECT '") + quoted + QStringLiteral("' AS value"))
        || !query.next())
        std::abort();
    if (query.value(0).toString() != text)
        std::abort();
    return 0;
}
