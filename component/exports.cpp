// The library's four exports; everything else stays hidden.

#include "ClassFactory.h"
#include "ComModule.h"
#include "Registry.h"
#include "tx_account.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace {

QString libraryPath()
{
    Dl_info info {};
    if (!dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

} // namespace

extern "C" {

TX_EXPORT HRESULT DllRegisterServer(void)
{
    try {
        const QString library = libraryPath();
        if (library.isEmpty())
            return SELFREG_E_CLASS;
        const QFileInfo info(library);
        Registry::registerServer(library, info.absolutePath() + QStringLiteral("/tx_account.idl"));
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
