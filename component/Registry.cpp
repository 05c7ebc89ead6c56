#include "Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>

#include <stdexcept>

namespace {

const QString classes = QStringLiteral("Software/Classes/");
const QString defaultValue = QStringLiteral("/Default");

QString clsidKey(const QString &clsid)
{
    return classes + QStringLiteral("CLSID/") + clsid;
}

QString typeLibKey(const QString &libid)
{
    return classes + QStringLiteral("TypeLib/") + libid + QStringLiteral("/1.0");
}

QString interfaceKey()
{
    return classes + QStringLiteral("Interface/") + Registry::guidText(IID__ShowAccount);
}

QString progIdKey()
{
    return classes + QStringLiteral(TX_ACCOUNT_PROGID);
}

QString lookup(const QString &key)
{
    for (const QString &file : Registry::searchPath()) {
        if (!QFileInfo::exists(file))
            continue;
        const QSettings settings(file, QSettings::IniFormat);
        if (settings.contains(key))
            return settings.value(key).toString();
    }
    return QString();
}

void commit(QSettings &settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw std::runtime_error(
            "cannot write the registration file " + settings.fileName().toStdString());
}

} // namespace

namespace Registry {

QString filePath()
{
    return searchPath().constFirst();
}

QStringList searchPath()
{
    const QString overridden = qEnvironmentVariable("TX_ACCOUNT_REGISTRY");
    if (!overridden.isEmpty())
        return {overridden};
    QStringList files;
    for (const QString &folder :
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files << folder + QStringLiteral("/tx_account/registry.ini");
    return files;
}

QString guidText(const GUID &g)
{
    const QUuid uuid(g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
        g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return uuid.toString(QUuid::WithBraces).toUpper();
}

bool parseGuid(const QString &text, GUID &guid)
{
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull())
        return false;
    guid.Data1 = uuid.data1;
    guid.Data2 = uuid.data2;
    guid.Data3 = uuid.data3;
    std::copy(std::begin(uuid.data4), std::end(uuid.data4), std::begin(guid.Data4));
    return true;
}

void registerServer(const QString &libraryPath, const QString &typeLibraryPath)
{
    const QString clsid = guidText(CLSID_ShowAccount);
    const QString libid = guidText(LIBID_tx_account);
    QDir().mkpath(QFileInfo(filePath()).absolutePath());
    QSettings settings(filePath(), QSettings::IniFormat);

    settings.setValue(clsidKey(clsid) + defaultValue, QStringLiteral("ShowAccount"));
    settings.setValue(
        clsidKey(clsid) + QStringLiteral("/InprocServer32") + defaultValue, libraryPath);
    settings.setValue(clsidKey(clsid) + QStringLiteral("/InprocServer32/ThreadingModel"),
        QStringLiteral("Apartment"));
    settings.setValue(clsidKey(clsid) + QStringLiteral("/ProgID") + defaultValue,
        QStringLiteral(TX_ACCOUNT_PROGID));
    settings.setValue(clsidKey(clsid) + QStringLiteral("/TypeLib") + defaultValue, libid);

    settings.setValue(progIdKey() + defaultValue, QStringLiteral("ShowAccount"));
    settings.setValue(progIdKey() + QStringLiteral("/CLSID") + defaultValue, clsid);

    settings.setValue(typeLibKey(libid) + defaultValue, QStringLiteral("tx_account"));
    settings.setValue(
        typeLibKey(libid) + QStringLiteral("/0/linux64") + defaultValue, typeLibraryPath);

    settings.setValue(interfaceKey() + defaultValue, QStringLiteral("_ShowAccount"));
    settings.setValue(interfaceKey() + QStringLiteral("/TypeLib") + defaultValue, libid);
    commit(settings);
}

void unregisterServer()
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.remove(clsidKey(guidText(CLSID_ShowAccount)));
    settings.remove(progIdKey());
    settings.remove(classes + QStringLiteral("TypeLib/") + guidText(LIBID_tx_account));
    settings.remove(interfaceKey());
    commit(settings);
}

QString clsidForProgId(const QString &progId)
{
    return lookup(classes + progId + QStringLiteral("/CLSID") + defaultValue);
}

QString inprocServer(const QString &clsid)
{
    return lookup(clsidKey(clsid) + QStringLiteral("/InprocServer32") + defaultValue);
}

QString threadingModel(const QString &clsid)
{
    return lookup(clsidKey(clsid) + QStringLiteral("/InprocServer32/ThreadingModel"));
}

QString typeLibrary(const QString &libid)
{
    return lookup(typeLibKey(libid) + QStringLiteral("/0/linux64") + defaultValue);
}

} // namespace Registry
