#pragma once

#include "RefCount.h"
#include "tx_account.h"

// Creates ShowAccount objects for DllGetClassObject.
class ClassFactory final : public IClassFactory {
public:
    ClassFactory();
    ClassFactory(const ClassFactory &) = delete;
    ClassFactory &operator=(const ClassFactory &) = delete;

    HRESULT QueryInterface(REFIID riid, void **ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override;
    HRESULT LockServer(BOOL lock) override;

    static HRESULT getClassObject(REFCLSID rclsid, REFIID riid, void **ppv);

private:
    ~ClassFactory() = default;
    void retire();
    static void destroy(void *factory);

    RefCount m_refs;
};
