#pragma once

#include "tx_account.h"

#include <QString>
#include <QStringList>

// The registration of the component: the keys COM keeps in the registry, in
// INI files named tx_account/registry.ini. Registering writes the per-user
// file in the user's configuration folder; lookups read it first, then the
// system-wide files of $XDG_CONFIG_DIRS in their order, so a per-user entry
// wins. TX_ACCOUNT_REGISTRY names one file that replaces them all.
namespace Registry {

QString filePath();
QStringList searchPath();
QString guidText(const GUID &guid);
bool parseGuid(const QString &text, GUID &guid);

// Throws std::runtime_error when the file cannot be written.
void registerServer(const QString &libraryPath, const QString &typeLibraryPath);
void unregisterServer();

// Empty when not registered.
QString clsidForProgId(const QString &progId);
QString inprocServer(const QString &clsid);
QString threadingModel(const QString &clsid);
QString typeLibrary(const QString &libid);

} // namespace Registry
