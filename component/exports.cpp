// The library's four exports; everything else stays hidden.

#include "ClassFactory.h"
#include "ComModule.h"
#include "Registry.h"
#include "tx_account.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

// The path the host loaded the library by, links kept: an entry naming
// libtx_account.so.1 still holds once an upgrade replaces the file it links to.
QString libraryPath()
{
    Dl_info info {};
    if (!dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

// Beside the library in the build tree; installed, it is where the install
// rules put it relative to the library's folder.
QString typeLibraryPath(const QString &libraryFolder)
{
    const QString beside = libraryFolder + QStringLiteral("/tx_account.idl");
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(libraryFolder + QStringLiteral("/" TX_TYPELIB_FROM_LIBDIR));
}

} // namespace

extern "C" {

TX_EXPORT HRESULT DllRegisterServer(void)
{
    try {
        const QString library = libraryPath();
        if (library.isEmpty())
            return SELFREG_E_CLASS;
        Registry::registerServer(library, typeLibraryPath(QFileInfo(library).absolutePath()));
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

TX_EXPORT HRESULT DllUnregisterServer(void)
{
    try {
        Registry::unregisterServer();
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

TX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void **ppv)
{
    try {
        return ClassFactory::getClassObject(rclsid, riid, ppv);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

TX_EXPORT HRESULT DllCanUnloadNow(void)
{
    return ComModule::canUnloadNow() ? S_OK : S_FALSE;
}

} // extern "C"
