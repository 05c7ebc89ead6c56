/* A host written in plain C that knows nothing of the component but its
 * public header: it loads the library with dlopen and uses every export and
 * interface method, including the calls a careless host makes. Run without
 * a display, showAccountForm must fail with a description, not abort. */
#include "tx_account.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static int failures = 0;
static int checks = 0;

static void expect(int ok, const char *what)
{
    ++checks;
    if (!ok) {
        ++failures;
        printf("FAIL: %s\n", what);
    }
}

static int containsAscii(BSTR text, const char *word)
{
    UINT length = TxSysStringLen(text);
    size_t wordLength = strlen(word);
    for (UINT i = 0; i + wordLength <= length; ++i) {
        size_t j = 0;
        while (j < wordLength && text[i + j] == (OLECHAR)word[j])
            ++j;
        if (j == wordLength)
            return 1;
    }
    return 0;
}

static void *entry(void *library, const char *name)
{
    void *symbol = dlsym(library, name);
    expect(symbol != NULL, name);
    return symbol;
}

int main(int argc, char **argv)
{
    static const GUID unknownGuid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void *library;
    TxDllGetClassObjectFn getClassObject;
    TxDllCanUnloadNowFn canUnloadNow;
    IClassFactory *factory = NULL;
    _ShowAccount *account = NULL;
    IUnknown *unknown = NULL;
    IErrorInfo *errorInfo = NULL;
    void *none = NULL;
    BSTR connStr, description = NULL;
    OLECHAR nameText[] = u"ShowAccountForm";
    OLECHAR wrongName[] = u"deleteEverything";
    LPOLESTR names[1];
    DISPID id = 0;
    VARIANT argument;
    DISPPARAMS params;
    EXCEPINFO exception;
    UINT argError = 99;
    HRESULT hr;

    if (argc != 2) {
        fprintf(stderr, "usage: c_host LIBRARY\n");
        return 2;
    }
    /* No display: the component must say so instead of letting Qt abort. */
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");

    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        printf("FAIL: dlopen: %s\n", dlerror());
        return 1;
    }
    /* POSIX's way of turning dlsym's answer into a function pointer */
    *(void **)(&getClassObject) = entry(library, "DllGetClassObject");
    *(void **)(&canUnloadNow) = entry(library, "DllCanUnloadNow");
    entry(library, "DllRegisterServer");
    entry(library, "DllUnregisterServer");
    expect(dlsym(library, "_ZN11ShowAccountC1Ev") == NULL, "internal symbols stay hidden");
    if (!getClassObject || !canUnloadNow)
        return 1;

    expect(getClassObject(NULL, &IID_IClassFactory, &none) == E_INVALIDARG, "null class id");
    expect(getClassObject(&CLSID_ShowAccount, NULL, &none) == E_INVALIDARG, "null interface id");
    expect(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, NULL) == E_POINTER, "null out pointer");
    expect(getClassObject(&unknownGuid, &IID_IClassFactory, &none) == CLASS_E_CLASSNOTAVAILABLE && !none,
           "unknown class");
    expect(getClassObject(&CLSID_ShowAccount, &unknownGuid, &none) == E_NOINTERFACE && !none,
           "factory for an unknown interface");
    expect(canUnloadNow() == S_OK, "nothing alive before the first object");

    hr = getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&factory);
    expect(hr == S_OK && factory, "class factory");
    if (!factory)
        return 1;
    expect(canUnloadNow() == S_FALSE, "a live factory keeps the library");
    expect(factory->lpVtbl->CreateInstance(factory, (IUnknown *)factory, &IID__ShowAccount, &none)
               == CLASS_E_NOAGGREGATION,
           "aggregation refused");
    expect(factory->lpVtbl->CreateInstance(factory, NULL, &unknownGuid, &none) == E_NOINTERFACE,
           "unknown interface of the object");
    expect(factory->lpVtbl->CreateInstance(factory, NULL, &IID__ShowAccount, NULL) == E_POINTER,
           "CreateInstance without out pointer");
    hr = factory->lpVtbl->CreateInstance(factory, NULL, &IID__ShowAccount, (void **)&account);
    expect(hr == S_OK && account, "object created");
    expect(factory->lpVtbl->LockServer(factory, 1) == S_OK, "lock");
    factory->lpVtbl->Release(factory);
    if (!account)
        return 1;

    expect(account->lpVtbl->QueryInterface(account, &IID_IUnknown, (void **)&unknown) == S_OK,
           "IUnknown");
    expect(account->lpVtbl->QueryInterface(account, NULL, &none) == E_INVALIDARG, "QI null id");
    expect(account->lpVtbl->QueryInterface(account, &IID_IUnknown, NULL) == E_POINTER, "QI null out");
    expect(account->lpVtbl->QueryInterface(account, &unknownGuid, &none) == E_NOINTERFACE && !none,
           "QI unknown interface");
    if (unknown)
        unknown->lpVtbl->Release(unknown);

    names[0] = nameText;
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 1, 0, &id) == S_OK
               && id == DISPID_showAccountForm,
           "GetIDsOfNames ignores case");
    names[0] = wrongName;
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 1, 0, &id) == DISP_E_UNKNOWNNAME
               && id == DISPID_UNKNOWN,
           "unknown member name");
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, NULL, 1, 0, &id) == E_INVALIDARG,
           "GetIDsOfNames without names");

    connStr = TxSysAllocString(u"/nonexistent/accounts.db");
    hr = account->lpVtbl->showAccountForm(account, &connStr);
    expect(FAILED(hr), "showAccountForm without a display fails");
    expect(containsAscii(connStr, "/nonexistent/accounts.db") && TxSysStringLen(connStr) == 24,
           "the caller's string is unchanged");
    expect(account->lpVtbl->QueryInterface(account, &IID_IErrorInfo, (void **)&errorInfo) == S_OK,
           "IErrorInfo");
    if (errorInfo) {
        expect(errorInfo->lpVtbl->GetDescription(errorInfo, &description) == S_OK
                   && containsAscii(description, "display"),
               "the description names the missing display");
        TxSysFreeString(description);
        errorInfo->lpVtbl->Release(errorInfo);
    }
    expect(account->lpVtbl->showAccountForm(account, NULL) == E_POINTER, "null string pointer");

    memset(&argument, 0, sizeof argument);
    argument.vt = VT_BSTR | VT_BYREF;
    argument.u.pbstrVal = &connStr;
    params.rgvarg = &argument;
    params.rgdispidNamedArgs = NULL;
    params.cArgs = 1;
    params.cNamedArgs = 0;
    memset(&exception, 0, sizeof exception);
    hr = account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD, &params,
                                 NULL, &exception, &argError);
    expect(hr == DISP_E_EXCEPTION && FAILED(exception.scode)
               && containsAscii(exception.bstrDescription, "display"),
           "Invoke reports the failure through EXCEPINFO");
    TxSysFreeString(exception.bstrSource);
    TxSysFreeString(exception.bstrDescription);

    expect(account->lpVtbl->Invoke(account, 12345, &IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL,
                                   NULL)
               == DISP_E_MEMBERNOTFOUND,
           "unknown DISPID");
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &unknownGuid, 0, DISPATCH_METHOD,
                                   &params, NULL, NULL, NULL)
               == DISP_E_UNKNOWNINTERFACE,
           "Invoke with a non-null interface id");
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD, NULL,
                                   NULL, NULL, NULL)
               == E_INVALIDARG,
           "Invoke without parameters");
    params.cArgs = 2;
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD,
                                   &params, NULL, NULL, NULL)
               == DISP_E_BADPARAMCOUNT,
           "two arguments");
    params.cArgs = 1;
    argument.vt = VT_I4;
    argument.u.lVal = 7;
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD,
                                   &params, NULL, NULL, &argError)
                   == DISP_E_TYPEMISMATCH
               && argError == 0,
           "a number where text is expected");
    TxSysFreeString(connStr);

    expect(account->lpVtbl->AddRef(account) == 2, "AddRef counts");
    expect(account->lpVtbl->Release(account) == 1, "Release counts");
    expect(canUnloadNow() == S_FALSE, "a live object keeps the library");
    expect(account->lpVtbl->Release(account) == 0, "last Release");
    expect(canUnloadNow() == S_FALSE, "a server lock keeps the library");

    hr = getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&factory);
    expect(hr == S_OK && factory, "class factory again");
    if (factory) {
        factory->lpVtbl->LockServer(factory, 0);
        factory->lpVtbl->LockServer(factory, 0); /* one unlock too many is ignored */
        factory->lpVtbl->Release(factory);
    }
    expect(canUnloadNow() == S_OK, "no object and no lock: the library may go");

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
