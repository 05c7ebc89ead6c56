#include "Transfer.h"

#include "SampleDatabase.h"

#include "store/AccountFile.h"
#include "store/AccountImport.h"
#include "store/Connection.h"
#include "store/Failure.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

enum ExitCode { Ok = 0, Failed = 1, Usage = 2 };

void say(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "tx-account-host: %s\n", qPrintable(text));
}

QString exportAll(Connection &db, const QString &file, bool withPasswords)
{
    const std::vector<StoredRow> rows = readSubtree(db, QStringLiteral("0"));
    AccountFile::save(file, rows, withPasswords);
    return AccountFile::exportedSummary(rows);
}

QString importUnder(Connection &db, const QString &file, qint64 key)
{
    const AccountFile::Contents contents = AccountFile::load(file);
    if (!importRows(db, QString::number(key), contents))
        throw Failure(QStringLiteral("キー %1 の行はありません。").arg(key));
    return AccountFile::importedSummary(contents.rows);
}

} // namespace

namespace Transfer {

bool isAskedFor(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (QByteArrayView(argv[i]).startsWith("--export")
            || QByteArrayView(argv[i]).startsWith("--import"))
            return true;
    return false;
}

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("export"), QStringLiteral("Write every folder and account to FILE."),
             QStringLiteral("FILE")},
            {QStringLiteral("with-passwords"), QStringLiteral("Write the passwords too.")},
            {QStringLiteral("import"), QStringLiteral("Read the folders and accounts of FILE."),
                QStringLiteral("FILE")},
            {QStringLiteral("under"), QStringLiteral("Under the folder KEY (default: the root)."),
                QStringLiteral("KEY")}});
    const bool parsed = parser.parse(app.arguments());
    const bool exporting = parser.isSet(QStringLiteral("export"));
    bool keyOk = true;
    const qint64 key = parser.value(QStringLiteral("under")).toLongLong(&keyOk);
    if (!parsed || exporting == parser.isSet(QStringLiteral("import"))
        || parser.positionalArguments().size() > 1
        || parser.isSet(exporting ? QStringLiteral("under") : QStringLiteral("with-passwords"))
        || (parser.isSet(QStringLiteral("under")) && !keyOk)) {
        say(stderr,
            parsed ? QStringLiteral("usage: --export FILE [--with-passwords] [CONNSTR] | "
                                    "--import FILE [--under KEY] [CONNSTR]")
                   : parser.errorText());
        return Usage;
    }
    try {
        Connection db;
        db.setConnectionString(parser.positionalArguments().isEmpty()
                ? sampleConnectionString()
                : parser.positionalArguments().constFirst());
        db.open();
        say(stdout,
            exporting ? exportAll(db, parser.value(QStringLiteral("export")),
                parser.isSet(QStringLiteral("with-passwords")))
                      : importUnder(db, parser.value(QStringLiteral("import")), key));
        return Ok;
    } catch (const Failure &failure) {
        say(stderr, failure.description());
        return Failed;
    }
}

} // namespace Transfer
