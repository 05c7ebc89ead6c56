#pragma once

#include "tx_account.h"

#include <QString>

// The per-user registration of the component: the keys COM keeps in the
// registry, in an INI file. TX_ACCOUNT_REGISTRY names the file; otherwise
// it is tx_account/registry.ini in the user's configuration folder.
namespace Registry {

QString filePath();
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
