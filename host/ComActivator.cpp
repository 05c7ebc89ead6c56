#include "ComActivator.h"

#include "component/Bstr.h"
#include "component/Registry.h"

#include <dlfcn.h>

namespace {

// A loaded COM server stays loaded for the life of the process, as it does
// for most hosts.
void *loadLibrary(const QString &path, QString &error)
{
    void *handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        error = QString::fromLocal8Bit(dlerror());
    return handle;
}

template <typename Fn> Fn entry(void *handle, const char *name)
{
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

namespace ComActivator {

Result createByProgId(const QString &progId)
{
    Result result;
    const QString clsidText = Registry::clsidForProgId(progId);
    GUID clsid {};
    if (clsidText.isEmpty() || !Registry::parseGuid(clsidText, clsid)) {
        result.description = QStringLiteral("%1 is not registered").arg(progId);
        return result;
    }
    const QString path = Registry::inprocServer(clsidText);
    if (path.isEmpty()) {
        result.description = QStringLiteral("%1 names no library").arg(clsidText);
        return result;
    }
    void *handle = loadLibrary(path, result.description);
    if (!handle)
        return result;
    const auto getClassObject = entry<TxDllGetClassObjectFn>(handle, "DllGetClassObject");
    if (!getClassObject) {
        result.description = QStringLiteral("%1 has no DllGetClassObject").arg(path);
        return result;
    }
    IClassFactory *factory = nullptr;
    result.status = getClassObject(&clsid, &IID_IClassFactory, reinterpret_cast<void **>(&factory));
    if (FAILED(result.status)) {
        result.description = QStringLiteral("DllGetClassObject failed");
        return result;
    }
    result.status = factory->CreateInstance(
        nullptr, &IID__ShowAccount, reinterpret_cast<void **>(&result.object));
    factory->Release();
    if (FAILED(result.status))
        result.description = QStringLiteral("CreateInstance failed");
    return result;
}

ComFailure registerLibrary(const QString &libraryPath)
{
    QString error;
    void *handle = loadLibrary(libraryPath, error);
    if (!handle)
        return {E_FAIL, error};
    const auto registerServer = entry<TxDllRegisterServerFn>(handle, "DllRegisterServer");
    if (!registerServer)
        return {E_FAIL, QStringLiteral("%1 has no DllRegisterServer").arg(libraryPath)};
    const HRESULT status = registerServer();
    return {status, SUCCEEDED(status) ? QString() : QStringLiteral("DllRegisterServer failed")};
}

QString errorDescription(IUnknown *object)
{
    IErrorInfo *info = nullptr;
    if (!object
        || FAILED(object->QueryInterface(&IID_IErrorInfo, reinterpret_cast<void **>(&info))))
        return QString();
    BSTR description = nullptr;
    QString text;
    if (SUCCEEDED(info->GetDescription(&description)))
        text = fromBstr(description);
    TxSysFreeString(description);
    info->Release();
    return text;
}

} // namespace ComActivator
