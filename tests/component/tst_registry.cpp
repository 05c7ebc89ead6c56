#include "component/Registry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString clsid = Registry::guidText(CLSID_ShowAccount);
const QString progId = QStringLiteral(TX_ACCOUNT_PROGID);

void registerIn(const QString &file, const QString &library)
{
    qputenv("TX_ACCOUNT_REGISTRY", file.toLocal8Bit());
    Registry::registerServer(library, library + QStringLiteral(".idl"));
}

QMap<QString, QString> contents(const QString &file)
{
    const QSettings settings(file, QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void thePerUserEntryWinsOverTheSystemWideOnes_data();
    void thePerUserEntryWinsOverTheSystemWideOnes();
    void theInstalledSystemWideFileHoldsWhatRegisteringWrites();
};

void TestRegistry::cleanup()
{
    qunsetenv("TX_ACCOUNT_REGISTRY");
}

void TestRegistry::thePerUserEntryWinsOverTheSystemWideOnes_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("firstSystem");
    QTest::addColumn<QString>("secondSystem");
    QTest::addColumn<bool>("overridden");
    QTest::addColumn<QString>("found");

    QTest::newRow("per-user only") << "/u.so"
                                   << ""
                                   << "" << false << "/u.so";
    QTest::newRow("system-wide only") << ""
                                      << ""
                                      << "/s2.so" << false << "/s2.so";
    QTest::newRow("both: the user's") << "/u.so"
                                      << "/s1.so"
                                      << "/s2.so" << false << "/u.so";
    QTest::newRow("two system folders: the first") << ""
                                                   << "/s1.so"
                                                   << "/s2.so" << false << "/s1.so";
    QTest::newRow("TX_ACCOUNT_REGISTRY hides the system-wide file") << ""
                                                                    << "/s1.so"
                                                                    << "" << true << "";
    QTest::newRow("none") << ""
                          << ""
                          << "" << false << "";
}

void TestRegistry::thePerUserEntryWinsOverTheSystemWideOnes()
{
    QFETCH(QString, user);
    QFETCH(QString, firstSystem);
    QFETCH(QString, secondSystem);
    QFETCH(bool, overridden);

    const QTemporaryDir home, system1, system2;
    const std::pair<QString, QString> levels[]
        = {{home.path(), user}, {system1.path(), firstSystem}, {system2.path(), secondSystem}};
    for (const auto &[folder, library] : levels)
        if (!library.isEmpty())
            registerIn(folder + QStringLiteral("/tx_account/registry.ini"), library);
    qunsetenv("TX_ACCOUNT_REGISTRY");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (system1.path() + u':' + system2.path()).toLocal8Bit());
    if (overridden)
        qputenv("TX_ACCOUNT_REGISTRY", (home.path() + QStringLiteral("/other.ini")).toLocal8Bit());

    QFETCH(QString, found);
    QCOMPARE(Registry::inprocServer(clsid), found);
    QCOMPARE(Registry::clsidForProgId(progId), found.isEmpty() ? QString() : clsid);
    QCOMPARE(Registry::filePath(),
        overridden ? home.path() + QStringLiteral("/other.ini")
                   : home.path() + QStringLiteral("/tx_account/registry.ini"));
}

// The package writes the system-wide file from a template, not through
// DllRegisterServer; both must name the same keys.
void TestRegistry::theInstalledSystemWideFileHoldsWhatRegisteringWrites()
{
    const QString installed = qEnvironmentVariable("TX_SYSTEM_REGISTRY_SAMPLE");
    QVERIFY2(QFileInfo::exists(installed), qPrintable(installed));
    const QTemporaryDir home;
    const QString written = home.path() + QStringLiteral("/registry.ini");
    qputenv("TX_ACCOUNT_REGISTRY", written.toLocal8Bit());
    Registry::registerServer(QStringLiteral("/usr/lib/libtx_account.so.1"),
        QStringLiteral("/usr/share/tx_account/tx_account.idl"));

    QCOMPARE(contents(installed), contents(written));
}

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
