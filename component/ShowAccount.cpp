#include "ShowAccount.h"

#include "Bstr.h"
#include "Forms.h"
#include "HostApplication.h"
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

} // namespace

void *ShowAccount::interfaceFor(REFIID riid)
{
    if (isId(riid, IID_IUnknown) || isId(riid, IID_IDispatch) || isId(riid, IID__ShowAccount))
        return static_cast<_ShowAccount *>(this);
    if (isId(riid, IID_IErrorInfo))
        return static_cast<IErrorInfo *>(this);
    if (isId(riid, IID_ISupportErrorInfo))
        return static_cast<ISupportErrorInfo *>(this);
    return nullptr;
}

void ShowAccount::letGo()
{
    m_lastError = QString();
}

HRESULT ShowAccount::GetTypeInfoCount(UINT *count)
{
    return handOut(count, UINT(0));
}

// The type library is the IDL file beside the library; no ITypeInfo serves it.
HRESULT ShowAccount::GetTypeInfo(UINT, LCID, ITypeInfo **info)
{
    const HRESULT status = handOut(info, static_cast<ITypeInfo *>(nullptr));
    return SUCCEEDED(status) ? DISP_E_BADINDEX : status;
}

HRESULT ShowAccount::GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID, DISPID *ids)
{
    if (const HRESULT refused = refusal())
        return refused;
    if (!isId(riid, IID_NULL))
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
    if (const HRESULT refused = refusal())
        return refused;
    if (!isId(riid, IID_NULL))
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
    if (const HRESULT refused = refusal())
        return refused;
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
    browse.showAccountForm(connStr);
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
    return handOut(guid, IID__ShowAccount);
}

HRESULT ShowAccount::GetSource(BSTR *source)
{
    return handOut(source, [] { return toBstr(QStringLiteral(TX_ACCOUNT_PROGID)); });
}

HRESULT ShowAccount::GetDescription(BSTR *description)
{
    return handOut(description, [this] { return toBstr(m_lastError); });
}

HRESULT ShowAccount::GetHelpFile(BSTR *helpFile)
{
    return handOut(helpFile, BSTR(nullptr));
}

HRESULT ShowAccount::GetHelpContext(DWORD *helpContext)
{
    return handOut(helpContext, DWORD(0));
}

HRESULT ShowAccount::InterfaceSupportsErrorInfo(REFIID riid)
{
    if (const HRESULT refused = refusal())
        return refused;
    return isId(riid, IID__ShowAccount) || isId(riid, IID_IDispatch) ? S_OK : S_FALSE;
}
