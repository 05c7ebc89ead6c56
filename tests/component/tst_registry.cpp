#include "component/Registry.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestRegistry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { qunsetenv("TX_ACCOUNT_REGISTRY"); }

    // Registering writes the user's own file; a lookup reads it first, then
    // each system-wide folder in order. TX_ACCOUNT_REGISTRY replaces them all.
    void thePerUserEntryWinsOverTheSystemWideOnes()
    {
        const QTemporaryDir home, system1, system2;
        qputenv("XDG_CONFIG_HOME", system1.path().toLocal8Bit());
        Registry::registerServer("/s1.so", "/x.idl");
        qputenv("XDG_CONFIG_HOME", system2.path().toLocal8Bit());
        Registry::registerServer("/s2.so", "/x.idl");
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", (system1.path() + ':' + system2.path()).toLocal8Bit());
        const QString clsid = Registry::guidText(CLSID_ShowAccount);
        QCOMPARE(Registry::inprocServer(clsid), "/s1.so");
        Registry::registerServer("/u.so", "/x.idl");
        QCOMPARE(Registry::filePath(), home.path() + "/tx_account/registry.ini");
        QCOMPARE(Registry::inprocServer(clsid), "/u.so");
        qputenv("TX_ACCOUNT_REGISTRY", (home.path() + "/other.ini").toLocal8Bit());
        QCOMPARE(Registry::inprocServer(clsid), QString());
    }

    // The package writes the system-wide file from a template, not through
    // DllRegisterServer; both must hold the same keys and values.
    void theInstalledSystemWideFileHoldsWhatRegisteringWrites()
    {
        const QTemporaryDir home;
        qputenv("TX_ACCOUNT_REGISTRY", (home.path() + "/registry.ini").toLocal8Bit());
        Registry::registerServer(
            "/usr/lib/libtx_account.so.1", "/usr/share/tx_account/tx_account.idl");
        const QSettings written(Registry::filePath(), QSettings::IniFormat);
        const QSettings installed(
            qEnvironmentVariable("TX_SYSTEM_REGISTRY_SAMPLE"), QSettings::IniFormat);
        QCOMPARE(installed.allKeys(), written.allKeys());
        for (const QString &key : written.allKeys())
            QCOMPARE(installed.value(key), written.value(key));
    }
};

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
