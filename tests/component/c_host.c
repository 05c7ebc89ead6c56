/* A host written in plain C that knows nothing of the component but its
 * public header: it loads the library with dlopen and uses every export and
 * interface method, including the calls a careless host makes. Run without
 * a display, showAccountForm must fail with a description, not abort. */
#include "tx_account.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

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

static const GUID unknownGuid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

/* Registration writes to the file TX_ACCOUNT_REGISTRY names; one that cannot
 * be written is an error status, not a crash. */
static void checkRegistration(void *library, const char *registryFile)
{
    TxDllRegisterServerFn registerServer;
    TxDllUnregisterServerFn unregisterServer;
    *(void **)(&registerServer) = entry(library, "DllRegisterServer");
    *(void **)(&unregisterServer) = entry(library, "DllUnregisterServer");
    if (!registerServer || !unregisterServer)
        return;
    setenv("TX_ACCOUNT_REGISTRY", registryFile, 1);
    expect(registerServer() == S_OK, "DllRegisterServer");
    expect(registerServer() == S_OK, "DllRegisterServer twice");
    expect(unregisterServer() == S_OK, "DllUnregisterServer");
    expect(unregisterServer() == S_OK, "DllUnregisterServer when not registered");
    setenv("TX_ACCOUNT_REGISTRY", "/dev/null/registry.ini", 1);
    expect(registerServer() == SELFREG_E_CLASS,
        "DllRegisterServer into a file that cannot be written");
    unsetenv("TX_ACCOUNT_REGISTRY");
}

static void checkTypeInformation(_ShowAccount *account)
{
    UINT count = 99;
    ITypeInfo *info = (ITypeInfo *)&count;
    expect(account->lpVtbl->GetTypeInfoCount(account, NULL) == E_POINTER, "GetTypeInfoCount(NULL)");
    expect(account->lpVtbl->GetTypeInfoCount(account, &count) == S_OK && count == 0,
        "no type information is served");
    expect(account->lpVtbl->GetTypeInfo(account, 0, 0, NULL) == E_POINTER, "GetTypeInfo(NULL)");
    expect(account->lpVtbl->GetTypeInfo(account, 0, 0, &info) == DISP_E_BADINDEX && info == NULL,
        "GetTypeInfo has nothing to give");
}

static void checkNames(_ShowAccount *account)
{
    OLECHAR name[] = u"showAccountForm";
    OLECHAR parameter[] = u"connStr";
    LPOLESTR names[2] = {name, parameter};
    LPOLESTR noName[1] = {NULL};
    DISPID ids[2] = {0, 0};
    expect(account->lpVtbl->GetIDsOfNames(account, &unknownGuid, names, 1, 0, ids)
            == DISP_E_UNKNOWNINTERFACE,
        "GetIDsOfNames with a non-null interface id");
    expect(
        account->lpVtbl->GetIDsOfNames(account, NULL, names, 1, 0, ids) == DISP_E_UNKNOWNINTERFACE,
        "GetIDsOfNames with a null interface id");
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 0, 0, ids) == E_INVALIDARG,
        "GetIDsOfNames for no name");
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 1, 0, NULL) == E_INVALIDARG,
        "GetIDsOfNames without room for the ids");
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, noName, 1, 0, ids) == E_INVALIDARG,
        "GetIDsOfNames with a null name");
    expect(
        account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 2, 0, ids) == DISP_E_UNKNOWNNAME
            && ids[0] == DISPID_showAccountForm && ids[1] == DISPID_UNKNOWN,
        "the parameter has no name to ask for");
}

static HRESULT invokeWith(_ShowAccount *account, WORD flags, VARIANT *arguments, UINT count,
    DISPID *named, UINT namedCount, UINT *argError)
{
    DISPPARAMS params;
    params.rgvarg = arguments;
    params.rgdispidNamedArgs = named;
    params.cArgs = count;
    params.cNamedArgs = namedCount;
    return account->lpVtbl->Invoke(
        account, DISPID_showAccountForm, &IID_NULL, 0, flags, &params, NULL, NULL, argError);
}

/* Every way a late-binding host can get the call wrong ends in an error status. */
static void checkInvokeArguments(_ShowAccount *account)
{
    VARIANT arguments[2];
    DISPID named = 0;
    UINT argError = 99;
    BSTR text = TxSysAllocString(u"/nonexistent/accounts.db");
    memset(arguments, 0, sizeof arguments);
    arguments[0].vt = VT_BSTR | VT_BYREF;
    arguments[0].u.pbstrVal = &text;
    expect(invokeWith(account, DISPATCH_PROPERTYGET, arguments, 1, NULL, 0, NULL)
            == DISP_E_MEMBERNOTFOUND,
        "showAccountForm is no property");
    expect(
        invokeWith(account, DISPATCH_METHOD, arguments, 0, NULL, 0, NULL) == DISP_E_BADPARAMCOUNT,
        "no argument");
    expect(invokeWith(account, DISPATCH_METHOD, NULL, 1, NULL, 0, NULL) == E_INVALIDARG,
        "one argument promised, none given");
    expect(
        invokeWith(account, DISPATCH_METHOD, arguments, 1, &named, 1, NULL) == DISP_E_NONAMEDARGS,
        "a named argument");
    arguments[0].vt = VT_EMPTY;
    expect(invokeWith(account, DISPATCH_METHOD, arguments, 1, NULL, 0, &argError)
                == DISP_E_TYPEMISMATCH
            && argError == 0,
        "an empty argument");
    arguments[0].vt = VT_VARIANT | VT_BYREF;
    arguments[0].u.pvarVal = NULL;
    expect(invokeWith(account, DISPATCH_METHOD, arguments, 1, NULL, 0, NULL) == DISP_E_TYPEMISMATCH,
        "a null variant reference");
    arguments[0].vt = VT_DISPATCH;
    arguments[0].u.byref = account;
    expect(invokeWith(account, DISPATCH_METHOD, arguments, 1, NULL, 0, NULL) == DISP_E_TYPEMISMATCH,
        "an object where text is expected");
    arguments[0].vt = VT_BSTR | VT_BYREF;
    arguments[0].u.pbstrVal = NULL;
    expect(invokeWith(account, DISPATCH_METHOD, arguments, 1, NULL, 0, NULL) == DISP_E_TYPEMISMATCH,
        "a null string reference");
    arguments[1] = arguments[0];
    expect(
        invokeWith(account, DISPATCH_METHOD, arguments, 2, NULL, 0, NULL) == DISP_E_BADPARAMCOUNT,
        "two arguments of the right type");
    TxSysFreeString(text);
}

static void checkErrorInfo(_ShowAccount *account)
{
    IErrorInfo *info = NULL;
    ISupportErrorInfo *support = NULL;
    GUID guid;
    BSTR text = NULL;
    DWORD context = 99;
    if (account->lpVtbl->QueryInterface(account, &IID_IErrorInfo, (void **)&info) != S_OK
        || !info) {
        expect(0, "IErrorInfo");
        return;
    }
    expect(info->lpVtbl->GetGUID(info, NULL) == E_POINTER, "GetGUID(NULL)");
    expect(info->lpVtbl->GetGUID(info, &guid) == S_OK && TxIsEqualGUID(&guid, &IID__ShowAccount),
        "the failing interface");
    expect(info->lpVtbl->GetSource(info, NULL) == E_POINTER, "GetSource(NULL)");
    expect(info->lpVtbl->GetSource(info, &text) == S_OK && containsAscii(text, TX_ACCOUNT_PROGID),
        "the source is the ProgID");
    TxSysFreeString(text);
    expect(info->lpVtbl->GetDescription(info, NULL) == E_POINTER, "GetDescription(NULL)");
    expect(info->lpVtbl->GetHelpFile(info, NULL) == E_POINTER, "GetHelpFile(NULL)");
    text = (BSTR)&context;
    expect(info->lpVtbl->GetHelpFile(info, &text) == S_OK && text == NULL, "no help file");
    expect(info->lpVtbl->GetHelpContext(info, NULL) == E_POINTER, "GetHelpContext(NULL)");
    expect(info->lpVtbl->GetHelpContext(info, &context) == S_OK && context == 0, "no help context");
    info->lpVtbl->Release(info);

    expect(
        account->lpVtbl->QueryInterface(account, &IID_ISupportErrorInfo, (void **)&support) == S_OK,
        "ISupportErrorInfo");
    if (support) {
        expect(support->lpVtbl->InterfaceSupportsErrorInfo(support, &IID__ShowAccount) == S_OK,
            "_ShowAccount reports errors");
        expect(support->lpVtbl->InterfaceSupportsErrorInfo(support, NULL) == S_FALSE,
            "a null interface id reports nothing");
        expect(support->lpVtbl->InterfaceSupportsErrorInfo(support, &unknownGuid) == S_FALSE,
            "an unknown interface reports nothing");
        support->lpVtbl->Release(support);
    }
}

/* A released object stays an inert zombie: a Release too many, and any call
 * through a kept pointer, gets an error, never freed memory. */
static void checkReleasedObjects(
    TxDllGetClassObjectFn getClassObject, TxDllCanUnloadNowFn canUnloadNow)
{
    IClassFactory *factory = NULL;
    _ShowAccount *account = NULL;
    IErrorInfo *info = NULL;
    void *none = &none;
    BSTR text = TxSysAllocString(u"/nonexistent/accounts.db");
    VARIANT argument;
    if (getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&factory) != S_OK
        || factory->lpVtbl->CreateInstance(factory, NULL, &IID__ShowAccount, (void **)&account)
            != S_OK) {
        expect(0, "objects for the release checks");
        return;
    }
    account->lpVtbl->QueryInterface(account, &IID_IErrorInfo, (void **)&info);
    expect(info->lpVtbl->Release(info) == 1, "releasing the error interface");
    expect(account->lpVtbl->Release(account) == 0, "the last Release");
    expect(account->lpVtbl->Release(account) == TX_RELEASED_COUNT, "a Release too many");
    expect(account->lpVtbl->Release(account) == TX_RELEASED_COUNT, "and another");
    expect(account->lpVtbl->AddRef(account) == TX_RELEASED_COUNT, "no AddRef brings it back");
    expect(account->lpVtbl->QueryInterface(account, &IID_IUnknown, &none) == RPC_E_DISCONNECTED
            && !none,
        "QueryInterface on a released object");
    expect(account->lpVtbl->showAccountForm(account, &text) == RPC_E_DISCONNECTED,
        "showAccountForm on a released object");
    memset(&argument, 0, sizeof argument);
    argument.vt = VT_BSTR | VT_BYREF;
    argument.u.pbstrVal = &text;
    expect(invokeWith(account, DISPATCH_METHOD, &argument, 1, NULL, 0, NULL) == RPC_E_DISCONNECTED,
        "Invoke on a released object");
    expect(info->lpVtbl->GetDescription(info, &text) == RPC_E_DISCONNECTED,
        "the error interface of a released object");
    expect(info->lpVtbl->Release(info) == TX_RELEASED_COUNT,
        "a Release too many through another interface");

    expect(factory->lpVtbl->Release(factory) == 0, "the factory's last Release");
    expect(factory->lpVtbl->Release(factory) == TX_RELEASED_COUNT, "a factory Release too many");
    expect(factory->lpVtbl->CreateInstance(factory, NULL, &IID__ShowAccount, &none)
            == RPC_E_DISCONNECTED,
        "CreateInstance on a released factory");
    expect(factory->lpVtbl->LockServer(factory, 1) == RPC_E_DISCONNECTED,
        "LockServer on a released factory");
    expect(canUnloadNow() == S_OK, "extra Releases do not unbalance the library's count");
    TxSysFreeString(text);
}

int main(int argc, char **argv)
{
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
    char registryDir[] = "/tmp/tx-c-host.XXXXXX";
    char registryFile[64];

    if (argc != 2) {
        fprintf(stderr, "usage: c_host LIBRARY\n");
        return 2;
    }
    if (!mkdtemp(registryDir)) {
        perror("mkdtemp");
        return 2;
    }
    snprintf(registryFile, sizeof registryFile, "%s/registry.ini", registryDir);
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
    checkRegistration(library, registryFile);
    expect(dlsym(library, "_ZN11ShowAccountC1Ev") == NULL, "internal symbols stay hidden");
    if (!getClassObject || !canUnloadNow)
        return 1;

    expect(getClassObject(NULL, &IID_IClassFactory, &none) == E_INVALIDARG, "null class id");
    expect(getClassObject(&CLSID_ShowAccount, NULL, &none) == E_INVALIDARG, "null interface id");
    expect(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, NULL) == E_POINTER,
        "null out pointer");
    expect(getClassObject(&unknownGuid, &IID_IClassFactory, &none) == CLASS_E_CLASSNOTAVAILABLE
            && !none,
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
    expect(
        account->lpVtbl->QueryInterface(account, &IID_IUnknown, NULL) == E_POINTER, "QI null out");
    expect(account->lpVtbl->QueryInterface(account, &unknownGuid, &none) == E_NOINTERFACE && !none,
        "QI unknown interface");
    if (unknown)
        unknown->lpVtbl->Release(unknown);

    checkTypeInformation(account);
    checkNames(account);
    names[0] = nameText;
    expect(account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 1, 0, &id) == S_OK
            && id == DISPID_showAccountForm,
        "GetIDsOfNames ignores case");
    names[0] = wrongName;
    expect(
        account->lpVtbl->GetIDsOfNames(account, &IID_NULL, names, 1, 0, &id) == DISP_E_UNKNOWNNAME
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
    hr = account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD,
        &params, NULL, &exception, &argError);
    expect(hr == DISP_E_EXCEPTION && FAILED(exception.scode)
            && containsAscii(exception.bstrDescription, "display"),
        "Invoke reports the failure through EXCEPINFO");
    TxSysFreeString(exception.bstrSource);
    TxSysFreeString(exception.bstrDescription);
    checkErrorInfo(account);
    checkInvokeArguments(account);

    expect(account->lpVtbl->Invoke(
               account, 12345, &IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL)
            == DISP_E_MEMBERNOTFOUND,
        "unknown DISPID");
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &unknownGuid, 0,
               DISPATCH_METHOD, &params, NULL, NULL, NULL)
            == DISP_E_UNKNOWNINTERFACE,
        "Invoke with a non-null interface id");
    expect(account->lpVtbl->Invoke(account, DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD,
               NULL, NULL, NULL, NULL)
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
    checkReleasedObjects(getClassObject, canUnloadNow);
    remove(registryFile);
    rmdir(registryDir);

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
