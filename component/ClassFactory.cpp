#include "ClassFactory.h"

#include "ComModule.h"
#include "ShowAccount.h"

#include <new>

ClassFactory::ClassFactory()
{
    ComModule::objectCreated();
}

ClassFactory::~ClassFactory()
{
    ComModule::objectDestroyed();
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!riid)
        return E_INVALIDARG;
    if (!TxIsEqualGUID(riid, &IID_IUnknown) && !TxIsEqualGUID(riid, &IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory *>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef()
{
    return m_refs.addRef();
}

ULONG ClassFactory::Release()
{
    const auto released = m_refs.release();
    if (released.wasLast)
        delete this;
    return released.left;
}

HRESULT ClassFactory::CreateInstance(IUnknown *outer, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto *object = new (std::nothrow) ShowAccount;
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT status = object->QueryInterface(riid, ppv);
    object->Release();
    return status;
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    ComModule::lockServer(lock != 0);
    return S_OK;
}

HRESULT ClassFactory::getClassObject(REFCLSID rclsid, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!rclsid || !riid)
        return E_INVALIDARG;
    if (!TxIsEqualGUID(rclsid, &CLSID_ShowAccount))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto *factory = new (std::nothrow) ClassFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT status = factory->QueryInterface(riid, ppv);
    factory->Release();
    return status;
}
