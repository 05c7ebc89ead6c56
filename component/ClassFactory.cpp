#include "ClassFactory.h"

#include "ShowAccount.h"

void *ClassFactory::interfaceFor(REFIID riid)
{
    if (isId(riid, IID_IUnknown) || isId(riid, IID_IClassFactory))
        return static_cast<IClassFactory *>(this);
    return nullptr;
}

HRESULT ClassFactory::CreateInstance(IUnknown *outer, REFIID riid, void **ppv)
{
    if (const HRESULT refused = interfaceRefusal(ppv))
        return refused;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return createObject<ShowAccount>(riid, ppv);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (const HRESULT refused = refusal())
        return refused;
    ComModule::lockServer(lock != 0);
    return S_OK;
}

HRESULT ClassFactory::getClassObject(REFCLSID rclsid, REFIID riid, void **ppv)
{
    if (const HRESULT refused = clearOut(ppv))
        return refused;
    if (!rclsid || !riid)
        return E_INVALIDARG;
    if (!TxIsEqualGUID(rclsid, &CLSID_ShowAccount))
        return CLASS_E_CLASSNOTAVAILABLE;
    return createObject<ClassFactory>(riid, ppv);
}
