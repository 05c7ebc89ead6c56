/* A host in plain C that knows the component only by its public header: it
 * loads the library with dlopen and makes the calls a careless host makes.
 * Run without a display, showAccountForm must fail with a reason, not abort. */
#include "tx_account.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Every method is reached through the C vtable, as any C host reaches it. */
#define CALL(object, method, ...) ((object)->lpVtbl->method((object), __VA_ARGS__))
#define IS(call, want) expect((status = (call)) == (want), #call)
/* The out pointer is made non-null first, so that clearing it shows. */
#define NULLED(call, want) (none = &none, IS(call, want) && expect(!none, #call " clears"))

static int failures, checks;
static HRESULT status;
static void *none;
static const GUID unknownGuid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
static _ShowAccount *account;
static BSTR connStr;

/* A failed check shows the last status, which is most often the diagnosis. */
static int expect(int ok, const char *what)
{
    ++checks;
    failures += !ok;
    if (!ok)
        printf("FAIL: %s (last status 0x%08X)\n", what, (unsigned)status);
    return ok;
}

static int contains(BSTR text, const char *word)
{
    char ascii[256] = "";
    for (UINT i = 0; i < TxSysStringLen(text) && i + 1 < sizeof ascii; ++i)
        ascii[i] = text[i] < 128 ? (char)text[i] : '?';
    return strstr(ascii, word) != NULL;
}

static HRESULT invoke(WORD flags, DISPID member, VARIANT *arguments, UINT count, DISPID *name,
    EXCEPINFO *exception, UINT *argError)
{
    DISPPARAMS params = {arguments, name, count, name != NULL};
    return CALL(account, Invoke, member, &IID_NULL, 0, flags, &params, NULL, exception, argError);
}

/* showAccountForm by its DISPID, as a script host calls it: every wrong call
 * ends in an error status, and a type mismatch names the argument to a host
 * that asks which. The string may come by reference to a variant, and by its
 * parameter's name. Without a display the call fails and says why. */
static void checkInvoke(void)
{
    VARIANT text = {.vt = VT_BSTR | VT_BYREF, .u.pbstrVal = &connStr};
    VARIANT variant = {.vt = VT_VARIANT | VT_BYREF, .u.pvarVal = &text};
    VARIANT number = {.vt = VT_I4, .u.lVal = 7};
    const WORD method = DISPATCH_METHOD;
    const DISPID show = DISPID_showAccountForm;
    DISPID connStrId = 0, otherId = 1;
    EXCEPINFO exception = {0};
    UINT argError = 99;

    IS(invoke(DISPATCH_PROPERTYGET, show, &text, 1, NULL, NULL, NULL), DISP_E_MEMBERNOTFOUND);
    IS(invoke(method, show, NULL, 1, NULL, NULL, NULL), E_INVALIDARG);
    IS(invoke(method, show, &text, 0, NULL, NULL, NULL), DISP_E_BADPARAMCOUNT);
    IS(invoke(method, show, &text, 1, &otherId, NULL, NULL), DISP_E_PARAMNOTFOUND);
    IS(invoke(method, show, &number, 1, NULL, NULL, NULL), DISP_E_TYPEMISMATCH);
    IS(invoke(method, show, &number, 1, NULL, NULL, &argError), DISP_E_TYPEMISMATCH);
    expect(argError == 0, "the argument at fault is named");
    IS(invoke(method, show, &variant, 1, &connStrId, &exception, NULL), DISP_E_EXCEPTION);
    expect(FAILED(exception.scode) && contains(exception.bstrDescription, "display")
            && contains(exception.bstrSource, TX_ACCOUNT_PROGID),
        "Invoke says why through EXCEPINFO");
    TxSysFreeString(exception.bstrSource);
    TxSysFreeString(exception.bstrDescription);
}

/* Without a display showAccountForm fails, leaves the caller's string alone
 * and says why through IErrorInfo. Names are matched without regard to case. */
static void checkErrorInfoAndNames(IErrorInfo *info)
{
    BSTR text = NULL;
    LPOLESTR names[] = {u"ShowAccountForm", u"CONNSTR"}, unknown[] = {u"deleteEverything"};
    DISPID ids[2] = {0, 0};

    expect(FAILED(CALL(account, showAccountForm, &connStr)), "no display, no account form");
    expect(contains(connStr, "/nonexistent/accounts.db"), "the caller's string is unchanged");
    expect(CALL(info, GetDescription, &text) == S_OK && contains(text, "display"), "why");
    TxSysFreeString(text);
    ISupportErrorInfo *support = NULL;
    if (IS(CALL(account, QueryInterface, &IID_ISupportErrorInfo, (void **)&support), S_OK)) {
        IS(CALL(support, InterfaceSupportsErrorInfo, &IID__ShowAccount), S_OK);
        IS(CALL(support, InterfaceSupportsErrorInfo, &unknownGuid), S_FALSE);
        support->lpVtbl->Release(support);
    }

    IS(CALL(account, GetIDsOfNames, &IID_NULL, names, 2, 0, ids), S_OK);
    expect(ids[0] == DISPID_showAccountForm && ids[1] == 0, "the method and its parameter");
    IS(CALL(account, GetIDsOfNames, &IID_NULL, unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);
    expect(ids[0] == DISPID_UNKNOWN, "an unknown name has no DISPID");
}

int main(int argc, char **argv)
{
    void *library;
    TxDllRegisterServerFn registerServer;
    TxDllGetClassObjectFn getClassObject;
    TxDllCanUnloadNowFn canUnloadNow;
    IClassFactory *factory = NULL, *again = NULL;
    IErrorInfo *info = NULL;

    /* No display: the component must say so instead of letting Qt abort. */
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    if (argc != 2 || !(library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL))) {
        printf("FAIL: %s\n", argc == 2 ? dlerror() : "usage: c_host LIBRARY");
        return 2;
    }
    /* POSIX's way of turning dlsym's answer into a function pointer */
    *(void **)(&registerServer) = dlsym(library, "DllRegisterServer");
    *(void **)(&getClassObject) = dlsym(library, "DllGetClassObject");
    *(void **)(&canUnloadNow) = dlsym(library, "DllCanUnloadNow");
    if (!expect(registerServer && getClassObject && canUnloadNow, "the exports"))
        return 1;
    /* A registration that cannot be written is an error status, not a crash. */
    setenv("TX_ACCOUNT_REGISTRY", "/dev/null/registry.ini", 1);
    IS(registerServer(), SELFREG_E_CLASS);
    unsetenv("TX_ACCOUNT_REGISTRY");

    NULLED(getClassObject(&unknownGuid, &IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    IS(canUnloadNow(), S_OK);
    if (!IS(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&factory), S_OK))
        return 1;
    IS(canUnloadNow(), S_FALSE); /* a live factory keeps the library */
    NULLED(CALL(factory, CreateInstance, NULL, &unknownGuid, &none), E_NOINTERFACE);
    if (!IS(CALL(factory, CreateInstance, NULL, &IID__ShowAccount, (void **)&account), S_OK))
        return 1;
    IS(CALL(factory, LockServer, 1), S_OK);
    expect(factory->lpVtbl->Release(factory) == 0, "the factory's last Release");

    NULLED(CALL(account, QueryInterface, &unknownGuid, &none), E_NOINTERFACE);
    if (!IS(CALL(account, QueryInterface, &IID_IErrorInfo, (void **)&info), S_OK))
        return 1;
    connStr = TxSysAllocString(u"/nonexistent/accounts.db");
    checkErrorInfoAndNames(info);
    checkInvoke();

    expect(account->lpVtbl->AddRef(account) == 3 && account->lpVtbl->Release(account) == 2,
        "AddRef and Release count");
    expect(info->lpVtbl->Release(info) == 1, "a Release through IErrorInfo counts");
    IS(canUnloadNow(), S_FALSE);
    expect(account->lpVtbl->Release(account) == 0, "last Release");
    IS(canUnloadNow(), S_FALSE); /* the server lock */
    if (IS(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&again), S_OK)) {
        CALL(again, LockServer, 0);
        CALL(again, LockServer, 0); /* one unlock too many is ignored */
        again->lpVtbl->Release(again);
    }

    /* A released object stays an inert zombie: a Release too many, and any
     * call through a kept pointer, gets an error, never freed memory. */
    expect(account->lpVtbl->Release(account) == TX_RELEASED_COUNT, "a Release too many");
    expect(account->lpVtbl->AddRef(account) == TX_RELEASED_COUNT, "no AddRef brings it back");
    NULLED(CALL(account, QueryInterface, &IID_IUnknown, &none), RPC_E_DISCONNECTED);
    IS(CALL(info, GetDescription, &connStr), RPC_E_DISCONNECTED);
    IS(CALL(factory, CreateInstance, NULL, &IID__ShowAccount, &none), RPC_E_DISCONNECTED);
    /* Last, so that it also shows the zombies changed no count or lock. */
    IS(canUnloadNow(), S_OK);
    TxSysFreeString(connStr);

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
