// tx-account-host: a minimal mail-client host. It registers the component when
// needed, creates it by its ProgID and shows the account list for a database.

#include "SampleDatabase.h"
#include "Screenshots.h"
#include "Transfer.h"

#include "component/Bstr.h"
#include "component/Registry.h"
#include "host/ComActivator.h"
#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Recordset.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

enum ExitCode { Ok = 0, Failed = 1, Usage = 2 };

void say(const QString &text)
{
    std::fprintf(stderr, "tx-account-host: %s\n", qPrintable(text));
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The component reports a database it cannot open only inside the window;
// a host checks first so that its user gets a plain answer.
bool checkDatabase(const QString &connStr)
{
    try {
        Connection db;
        db.setConnectionString(connStr);
        db.open();
        try {
            db.execute(QStringLiteral("select count(*) from ACCOUNT"));
        } catch (const DbError &error) {
            say(QStringLiteral("the database has no usable ACCOUNT table: %1")
                    .arg(error.description()));
            return false;
        }
    } catch (const DbError &error) {
        say(QStringLiteral("cannot open the database: %1").arg(error.description()));
        return false;
    }
    return true;
}

// Beside the host in a build folder; in the library folder of the prefix
// when installed, or unpacked from the packages anywhere.
QString libraryToRegister()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("libtx_account.so"));
    const QString installed
        = QDir::cleanPath(here.filePath(QStringLiteral(TX_LIBRARY_FROM_BINDIR)));
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

bool ensureRegistered()
{
    const QString clsid = Registry::guidText(CLSID_ShowAccount);
    if (QFileInfo::exists(Registry::inprocServer(clsid)))
        return true;
    const QString library = libraryToRegister();
    const ComFailure outcome = ComActivator::registerLibrary(library);
    if (FAILED(outcome.status)) {
        say(QStringLiteral("cannot register %1: %2").arg(library, outcome.description));
        return false;
    }
    say(QStringLiteral("registered %1 in %2").arg(library, Registry::filePath()));
    return true;
}

// Whether pictures were asked for: they are taken while showAccountForm runs.
bool startScreenshots(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("screenshot")))
        Screenshots::accountList(parser.value(QStringLiteral("screenshot")));
    else if (parser.isSet(QStringLiteral("screenshots")))
        Screenshots::allWindows(parser.value(QStringLiteral("screenshots")));
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (Transfer::isAskedFor(argc, argv))
        return Transfer::run(argc, argv);
    bool screenshot = false;
    for (int i = 1; i < argc; ++i)
        screenshot = screenshot || QByteArrayView(argv[i]).startsWith("--screenshot");
    if (screenshot && !hasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!hasDisplay()) {
        say(QStringLiteral("there is no display (DISPLAY is not set); "
                           "use --screenshot FILE to see the window as a picture"));
        return Failed;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tx_account"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the tx_account account list for a database.\n"
                       "--export FILE [--with-passwords] [CONNSTR] and --import FILE "
                       "[--under KEY] [CONNSTR] move the settings without a window."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("screenshot"),
        QStringLiteral("Save the window as a PNG and close it."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("screenshots"),
        QStringLiteral("Save the account list, the account editor, the signature dialog, the "
                       "folder dialog and a folder's menu as PNGs in DIR and close them."),
        QStringLiteral("DIR")});
    parser.addPositionalArgument(QStringLiteral("CONNSTR"),
        QStringLiteral("Connection string (default: a sample SQLite database)."));
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        say(QStringLiteral("give at most one connection string"));
        return Usage;
    }

    QString connStr;
    try {
        connStr = parser.positionalArguments().isEmpty()
            ? sampleConnectionString()
            : parser.positionalArguments().constFirst();
    } catch (const DbError &error) {
        say(QStringLiteral("cannot create the sample database: %1").arg(error.description()));
        return Failed;
    }
    if (!checkDatabase(connStr) || !ensureRegistered())
        return Failed;

    ComActivator::Result created = ComActivator::createByProgId(QStringLiteral(TX_ACCOUNT_PROGID));
    if (!created.object) {
        say(QStringLiteral("cannot create %1: %2")
                .arg(QStringLiteral(TX_ACCOUNT_PROGID), created.description));
        return Failed;
    }
    const bool pictures = startScreenshots(parser);

    BSTR text = toBstr(connStr);
    const HRESULT status = created.object->showAccountForm(&text);
    TxSysFreeString(text);
    const QString description = ComActivator::errorDescription(created.object);
    created.object->Release();
    if (FAILED(status)) {
        say(QStringLiteral("showAccountForm failed (0x%1): %2")
                .arg(quint32(status), 8, 16, QLatin1Char('0'))
                .arg(description));
        return Failed;
    }
    say(QStringLiteral("the account list was closed"));
    return pictures && !Screenshots::succeeded() ? Failed : Ok;
}
