#pragma once

#include "ComObject.h"

// Creates ShowAccount objects for DllGetClassObject.
class ClassFactory final : public ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override;
    HRESULT LockServer(BOOL lock) override;

    static HRESULT getClassObject(REFCLSID rclsid, REFIID riid, void **ppv);

private:
    ~ClassFactory() override = default;
    void *interfaceFor(REFIID riid) override;
};
