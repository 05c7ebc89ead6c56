#pragma once

#include "ComModule.h"
#include "RefCount.h"
#include "Zombies.h"
#include "tx_account.h"

#include <new>
#include <type_traits>

inline bool isId(REFIID id, const GUID &known)
{
    return id && TxIsEqualGUID(id, &known);
}

// A method handing out a pointer clears the caller's first, so that no
// failure, not even a zombie's, leaves a stale pointer behind.
inline HRESULT clearOut(void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    return S_OK;
}

// The life every object of the library shares: counted references, the
// library's count of live objects, and after the last Release a zombie that
// refuses every call. A class names the interfaces it implements and says
// which of them answers an interface id; the rest is its own.
template <typename... Interfaces> class ComObject : public Interfaces... {
public:
    ComObject() { ComModule::objectCreated(); }
    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    HRESULT QueryInterface(REFIID riid, void **ppv) final
    {
        if (const HRESULT refused = interfaceRefusal(ppv))
            return refused;
        if (!riid)
            return E_INVALIDARG;
        *ppv = interfaceFor(riid);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() final { return m_refs.addRef(); }

    ULONG Release() final
    {
        const auto released = m_refs.release();
        if (released.wasLast)
            retire();
        return released.left;
    }

protected:
    // The interfaces have no virtual destructor, and a zombie is freed through
    // this base. The virtual functions added here come after the interfaces'
    // own in the vtable, where a C host never looks.
    virtual ~ComObject() = default;

    // This object's pointer for the interface `riid` (never null here), or null.
    virtual void *interfaceFor(REFIID riid) = 0;
    // What the object holds goes when its last reference does.
    virtual void letGo() { }

    // S_OK lets the call on; anything else is the call's answer.
    HRESULT refusal() const { return m_refs.isReleased() ? RPC_E_DISCONNECTED : S_OK; }

    HRESULT refusal(const void *out) const
    {
        if (const HRESULT refused = refusal())
            return refused;
        return out ? S_OK : E_POINTER;
    }

    HRESULT interfaceRefusal(void **ppv) const
    {
        if (const HRESULT refused = clearOut(ppv))
            return refused;
        return refusal();
    }

    // A callable `value` runs only when the call is let on, so that a refused
    // call allocates nothing the caller would have to free.
    template <typename T, typename Value> HRESULT handOut(T *out, const Value &value) const
    {
        if (const HRESULT refused = refusal(out))
            return refused;
        if constexpr (std::is_invocable_v<Value>)
            *out = value();
        else
            *out = value;
        return S_OK;
    }

private:
    void retire()
    {
        letGo();
        ComModule::objectDestroyed();
        Zombies::keep(this, &ComObject::destroy);
    }

    static void destroy(void *object) { delete static_cast<ComObject *>(object); }

    RefCount m_refs;
};

// A new object asked for one of its interfaces; the caller holds the only
// reference, or none when the object has no such interface.
template <typename Object> HRESULT createObject(REFIID riid, void **ppv)
{
    auto *object = new (std::nothrow) Object;
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT status = object->QueryInterface(riid, ppv);
    object->Release();
    return status;
}
