#pragma once

#include "ComFailure.h"
#include "ComObject.h"

#include <QString>

// The component's one creatable class. It shows the account list window for
// the host's database; a failure's description stays with the object and is
// handed out through IErrorInfo.
class ShowAccount final : public ComObject<_ShowAccount, IErrorInfo, ISupportErrorInfo> {
public:
    // IDispatch
    HRESULT GetTypeInfoCount(UINT *count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT GetIDsOfNames(
        REFIID riid, LPOLESTR *names, UINT count, LCID lcid, DISPID *ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
        VARIANT *result, EXCEPINFO *exception, UINT *argError) override;

    // _ShowAccount
    HRESULT showAccountForm(BSTR *connStr) override;

    // IErrorInfo: the last failure of this object
    HRESULT GetGUID(GUID *guid) override;
    HRESULT GetSource(BSTR *source) override;
    HRESULT GetDescription(BSTR *description) override;
    HRESULT GetHelpFile(BSTR *helpFile) override;
    HRESULT GetHelpContext(DWORD *helpContext) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    ~ShowAccount() override = default;
    void *interfaceFor(REFIID riid) override;
    void letGo() override;
    HRESULT fail(const ComFailure &failure);
    HRESULT showWindow(const QString &connStr);
    static BSTR *stringArgument(VARIANT &argument);

    QString m_lastError;
};
