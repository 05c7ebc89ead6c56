#include "ShowAccount.h"

#include "Bstr.h"
#include "ComModule.h"
#include "ui/Forms.h"
#include "HostApplication.h"
#include "Zombies.h"
#include "browser/AccountBrowse.h"
#include "ui/Failures.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScopeGuard>

namespace {

const QString methodName = QStringLiteral("showAccountForm");
const QString parameterName = QStringLiteral("connStr");
// The one parameter's position, which is also its dispatch id.
constexpr DISPID DISPID_connStr = 0;

bool is(REFIID a, const GUID &b)
{
    return a && TxIsEqualGUID(a, &b);
}

} // namespace

ShowAccount::ShowAccount()
{
    ComModule::objectCreated();
}

// The last reference is gone: the object lets go of what it holds and stays
// behind as a zombie that refuses every further call.
void ShowAccount::retire()
{
    m_lastError = QString();
    ComModule::objectDestroyed();
    Zombies::keep(this, &ShowAccount::destroy);
}

void ShowAccount::destroy(void *object)
{
    delete static_cast<ShowAccount *>(object);
}

HRESULT ShowAccount::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!riid)
        return E_INVALIDARG;
    if (is(riid, IID_IUnknown) || is(riid, IID_IDispatch) || is(riid, IID__ShowAccount))
        *ppv = static_cast<_ShowAccount *>(this);
    else if (is(riid, IID_IErrorInfo))
        *ppv = static_cast<IErrorInfo *>(this);
    else if (is(riid, IID_ISupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo *>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ShowAccount::AddRef()
{
    return m_refs.addRef();
}

ULONG ShowAccount::Release()
{
    const auto released = m_refs.release();
    if (released.wasLast)
        retire();
    return released.left;
}

HRESULT ShowAccount::GetTypeInfoCount(UINT *count)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ShowAccount::GetTypeInfo(UINT, LCID, ITypeInfo **info)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ShowAccount::GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID, DISPID *ids)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!is(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    if (!names[0])
        return E_INVALIDARG;
    // Automation names are matched without regard to case.
    const auto named = [](LPOLESTR name, const QString &expected) {
        return name && QString::fromUtf16(name).compare(expected, Qt::CaseInsensitive) == 0;
    };
    if (!named(names[0], methodName))
        return DISP_E_UNKNOWNNAME;
    ids[0] = DISPID_showAccountForm;
    if (count == 1)
        return S_OK;
    if (count > 2 || !named(names[1], parameterName))
        return DISP_E_UNKNOWNNAME;
    ids[1] = DISPID_connStr;
    return S_OK;
}

BSTR *ShowAccount::stringArgument(VARIANT &argument)
{
    if (argument.vt == (VT_BSTR | VT_BYREF))
        return argument.u.pbstrVal;
    if (argument.vt == VT_BSTR)
        return &argument.u.bstrVal;
    if (argument.vt == (VT_VARIANT | VT_BYREF) && argument.u.pvarVal)
        return stringArgument(*argument.u.pvarVal);
    return nullptr;
}

HRESULT ShowAccount::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS *params,
    VARIANT *result, EXCEPINFO *exception, UINT *argError)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!is(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (member != DISPID_showAccountForm || !(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (!params || (params->cArgs > 0 && !params->rgvarg))
        return E_INVALIDARG;
    // The one argument may come by position or by its name.
    if (params->cNamedArgs > 1)
        return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs == 1
        && (!params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_connStr))
        return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    BSTR *connStr = stringArgument(params->rgvarg[0]);
    if (!connStr) {
        if (argError)
            *argError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    if (result) {
        result->vt = VT_EMPTY;
        result->u.brecVal = {nullptr, nullptr};
    }
    const HRESULT status = showAccountForm(connStr);
    if (SUCCEEDED(status))
        return status;
    if (exception) {
        *exception = EXCEPINFO {};
        exception->bstrSource = toBstr(QStringLiteral(TX_ACCOUNT_PROGID));
        exception->bstrDescription = toBstr(m_lastError);
        exception->scode = status;
    }
    return DISP_E_EXCEPTION;
}

HRESULT ShowAccount::showAccountForm(BSTR *connStr)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!connStr)
        return fail({E_POINTER, QStringLiteral("showAccountForm was given no connection string")});
    try {
        return showWindow(fromBstr(*connStr));
    } catch (...) {
        return fail({E_FAIL, currentFailureText()});
    }
}

HRESULT ShowAccount::showWindow(const QString &connStr)
{
    if (const auto failure = prepareHostApplication())
        return fail(*failure);
    AccountBrowse &browse = Forms::accountBrowse();
    if (browse.isLoaded())
        return fail({E_FAIL, QStringLiteral("The account list is already open")});

    // Whatever ends the call, the window is unloaded and its widgets are gone
    // before the host gets control back.
    const auto cleanup = qScopeGuard([&browse] {
        runOn([&browse] { browse.unload(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    browse.basconnStr = connStr;
    browse.showModal();
    m_lastError.clear();
    return S_OK;
}

HRESULT ShowAccount::fail(const ComFailure &failure)
{
    m_lastError = failure.description;
    return failure.status;
}

HRESULT ShowAccount::GetGUID(GUID *guid)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!guid)
        return E_POINTER;
    *guid = IID__ShowAccount;
    return S_OK;
}

HRESULT ShowAccount::GetSource(BSTR *source)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!source)
        return E_POINTER;
    *source = toBstr(QStringLiteral(TX_ACCOUNT_PROGID));
    return S_OK;
}

HRESULT ShowAccount::GetDescription(BSTR *description)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!description)
        return E_POINTER;
    *description = toBstr(m_lastError);
    return S_OK;
}

HRESULT ShowAccount::GetHelpFile(BSTR *helpFile)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!helpFile)
        return E_POINTER;
    *helpFile = nullptr;
    return S_OK;
}

HRESULT ShowAccount::GetHelpContext(DWORD *helpContext)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    if (!helpContext)
        return E_POINTER;
    *helpContext = 0;
    return S_OK;
}

HRESULT ShowAccount::InterfaceSupportsErrorInfo(REFIID riid)
{
    if (m_refs.isReleased())
        return RPC_E_DISCONNECTED;
    return is(riid, IID__ShowAccount) || is(riid, IID_IDispatch) ? S_OK : S_FALSE;
}
