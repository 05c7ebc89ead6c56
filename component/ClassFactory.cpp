#include "ClassFactory.h"

#include "ComModule.h"
#include "ShowAccount.h"
#include "Zombies.h"

#include <new>

ClassFactory::ClassFactory()
{
    ComModule::objectCreated();
}

void ClassFactory::retire()
{
    ComModule::objectDestroyed();
    Zombies::keep(this, &ClassFactory::destroy);
}

void ClassFactory::destroy(void *factory)
{
    delete static_cast<ClassFactory *>(factory);
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
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
        retire();
    return released.left;
}

HRESULT ClassFactory::CreateInstance(IUnknown *outer, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
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
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
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
