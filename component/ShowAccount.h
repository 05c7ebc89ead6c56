#pragma once

#include "ComFailure.h"
#include "RefCount.h"
#include "tx_account.h"

#include <QString>

// The component's one creatable class. It shows the account list window for
// the host's database; a failure's description stays with the object and is
// handed out through IErrorInfo.
class ShowAccount final : public _ShowAccount, public IErrorInfo, public ISupportErrorInfo {
public:
    ShowAccount();
    ShowAccount(const ShowAccount &) = delete;
    ShowAccount &operator=(const ShowAccount &) = delete;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void **ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

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
    ~ShowAccount() = default;
    void retire();
    static void destroy(void *object);
    HRESULT fail(const ComFailure &failure);
    HRESULT showWindow(const QString &connStr);
    static BSTR *stringArgument(VARIANT &argument);

    RefCount m_refs;
    QString m_lastError;
};
