/* A host written in plain C that knows nothing of the component but its
 * public header: it loads the library with dlopen and uses every export and
 * interface method, including the calls a careless host makes. Run without
 * a display, showAccountForm must fail with a description, not abort. */
#include "tx_account.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

/* Every method is reached through the C vtable, as any C host reaches it. */
#define CALL(object, method, ...) ((object)->lpVtbl->method((object), __VA_ARGS__))
/* A call that describes itself, such as one with a null argument. */
#define IS(call, want) is((call), (want), #call)
/* The out pointer is made non-null first, so that clearing it shows. */
#define NULLED(call, want) (none = &none, IS(call, want) && expect(!none, #call " clears"))
/* A field left out of a table row means the right value. */
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

static int failures, checks;
static void *none;
static const GUID unknownGuid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
/* The string a host passes by reference, as Invoke's one argument. */
static BSTR connStr;
static const VARIANT textArgument = {.vt = VT_BSTR | VT_BYREF, .u.pbstrVal = &connStr};

static int expect(int ok, const char *what)
{
    ++checks;
    failures += !ok;
    if (!ok)
        printf("FAIL: %s\n", what);
    return ok;
}

/* A wrong status is shown with the one expected: the code is the diagnosis. */
static int is(HRESULT got, HRESULT want, const char *what)
{
    if (got != want)
        printf("got 0x%08X instead of 0x%08X:\n", (unsigned)got, (unsigned)want);
    return expect(got == want, what);
}

static int contains(BSTR text, const char *word)
{
    char ascii[256] = "";
    for (UINT i = 0; i < TxSysStringLen(text) && i + 1 < sizeof ascii; ++i)
        ascii[i] = text[i] < 128 ? (char)text[i] : '?';
    return strstr(ascii, word) != NULL;
}

static void *entry(void *library, const char *name)
{
    void *symbol = dlsym(library, name);
    expect(symbol != NULL, name);
    return symbol;
}

/* Registration writes to the file TX_ACCOUNT_REGISTRY names; one that cannot
 * be written is an error status, not a crash. */
static void checkRegistration(void *library)
{
    TxDllRegisterServerFn registerServer;
    TxDllUnregisterServerFn unregisterServer;
    char directory[] = "/tmp/tx-c-host.XXXXXX", file[64];
    *(void **)(&registerServer) = entry(library, "DllRegisterServer");
    *(void **)(&unregisterServer) = entry(library, "DllUnregisterServer");
    if (!registerServer || !unregisterServer || !expect(mkdtemp(directory) != NULL, "mkdtemp"))
        return;
    snprintf(file, sizeof file, "%s/registry.ini", directory);
    setenv("TX_ACCOUNT_REGISTRY", file, 1);
    is(registerServer(), S_OK, "DllRegisterServer");
    is(registerServer(), S_OK, "DllRegisterServer twice");
    is(unregisterServer(), S_OK, "DllUnregisterServer");
    is(unregisterServer(), S_OK, "DllUnregisterServer when not registered");
    setenv("TX_ACCOUNT_REGISTRY", "/dev/null/registry.ini", 1);
    is(registerServer(), SELFREG_E_CLASS, "DllRegisterServer into a file that cannot be written");
    unsetenv("TX_ACCOUNT_REGISTRY");
    remove(file);
    rmdir(directory);
}

static void checkTypeInformationAndNames(_ShowAccount *account)
{
    UINT count = 99;
    ITypeInfo *info = (ITypeInfo *)&count;
    LPOLESTR method[] = {u"showAccountForm", u"CONNSTR"}, wrongParameter[] = {method[0], u"x"};
    LPOLESTR otherCase[] = {u"ShowAccountForm"}, wrong[] = {u"deleteEverything"}, noName[] = {0};
    DISPID ids[2] = {0, 0};
    IS(CALL(account, GetTypeInfoCount, NULL), E_POINTER);
    expect(CALL(account, GetTypeInfoCount, &count) == S_OK && count == 0, "no type information");
    IS(CALL(account, GetTypeInfo, 0, 0, NULL), E_POINTER);
    expect(CALL(account, GetTypeInfo, 0, 0, &info) == DISP_E_BADINDEX && info == NULL,
        "GetTypeInfo has nothing to give");

    IS(CALL(account, GetIDsOfNames, &unknownGuid, method, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    IS(CALL(account, GetIDsOfNames, NULL, method, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    IS(CALL(account, GetIDsOfNames, &IID_NULL, method, 0, 0, ids), E_INVALIDARG);
    IS(CALL(account, GetIDsOfNames, &IID_NULL, method, 1, 0, NULL), E_INVALIDARG);
    IS(CALL(account, GetIDsOfNames, &IID_NULL, noName, 1, 0, ids), E_INVALIDARG);
    IS(CALL(account, GetIDsOfNames, &IID_NULL, NULL, 1, 0, ids), E_INVALIDARG);
    /* Each lookup below changes what the one before it left in ids. */
    IS(CALL(account, GetIDsOfNames, &IID_NULL, method, 2, 0, ids), S_OK);
    expect(ids[0] == DISPID_showAccountForm && ids[1] == 0, "the parameter by its name");
    IS(CALL(account, GetIDsOfNames, &IID_NULL, wrongParameter, 2, 0, ids), DISP_E_UNKNOWNNAME);
    expect(ids[0] == DISPID_showAccountForm && ids[1] == DISPID_UNKNOWN, "no such parameter");
    IS(CALL(account, GetIDsOfNames, &IID_NULL, wrong, 1, 0, ids), DISP_E_UNKNOWNNAME);
    expect(ids[0] == DISPID_UNKNOWN, "an unknown member name has no DISPID");
    IS(CALL(account, GetIDsOfNames, &IID_NULL, otherCase, 1, 0, ids), S_OK);
    expect(ids[0] == DISPID_showAccountForm, "GetIDsOfNames ignores case");
}

/* A call to showAccountForm by its DISPID with the string argument, spoilt
 * in at most one way. */
typedef struct InvokeCase {
    const char *what;
    HRESULT want;
    DISPID member;
    const GUID *riid;
    WORD flags;
    int extra, named; /* arguments counted beyond the one expected; named ones */
    DISPID name; /* of the named arguments */
    enum { GIVEN, NO_ARGUMENTS, NO_PARAMETERS } missing;
    const VARIANT *argument; /* given twice when two are counted */
} InvokeCase;

static HRESULT invoke(
    _ShowAccount *account, const InvokeCase *c, EXCEPINFO *exception, UINT *argError)
{
    const VARIANT *argument = c->argument ? c->argument : &textArgument;
    VARIANT arguments[2] = {*argument, *argument};
    DISPID names[2] = {c->name, c->name};
    DISPPARAMS params = {c->missing == NO_ARGUMENTS ? NULL : arguments, c->named ? names : NULL,
        (UINT)(1 + c->extra), (UINT)c->named};
    return CALL(account, Invoke, c->member ? c->member : DISPID_showAccountForm,
        c->riid ? c->riid : &IID_NULL, 0, c->flags ? c->flags : DISPATCH_METHOD,
        c->missing == NO_PARAMETERS ? NULL : &params, NULL, exception, argError);
}

/* Every wrong call ends in an error status; a type mismatch names the
 * argument to a host that asks which, and a host that does not ask is safe. */
static void checkInvokeArguments(_ShowAccount *account)
{
    const VARIANT empty = {.vt = VT_EMPTY}, nullText = {.vt = VT_BSTR | VT_BYREF};
    const VARIANT number = {.vt = VT_I4, .u.lVal = 7}, nullVariant = {.vt = VT_VARIANT | VT_BYREF};
    const VARIANT object = {.vt = VT_DISPATCH, .u.byref = account};
    const InvokeCase rows[] = {
        {"showAccountForm is no property", DISP_E_MEMBERNOTFOUND, .flags = DISPATCH_PROPERTYGET},
        {"unknown DISPID", DISP_E_MEMBERNOTFOUND, .member = 12345},
        {"Invoke with a non-null interface id", DISP_E_UNKNOWNINTERFACE, .riid = &unknownGuid},
        {"Invoke without parameters", E_INVALIDARG, .missing = NO_PARAMETERS},
        {"one argument promised, none given", E_INVALIDARG, .missing = NO_ARGUMENTS},
        {"no argument", DISP_E_BADPARAMCOUNT, .extra = -1},
        {"two arguments of the right type", DISP_E_BADPARAMCOUNT, .extra = 1},
        {"the argument by its name reaches the call", DISP_E_EXCEPTION, .named = 1},
        {"a named argument of no such name", DISP_E_PARAMNOTFOUND, .named = 1, .name = 1},
        {"two named arguments", DISP_E_BADPARAMCOUNT, .extra = 1, .named = 2},
        {"an empty argument", DISP_E_TYPEMISMATCH, .argument = &empty},
        {"a number where text is expected", DISP_E_TYPEMISMATCH, .argument = &number},
        {"a null variant reference", DISP_E_TYPEMISMATCH, .argument = &nullVariant},
        {"an object where text is expected", DISP_E_TYPEMISMATCH, .argument = &object},
        {"a null string reference", DISP_E_TYPEMISMATCH, .argument = &nullText},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        UINT argError = 99;
        is(invoke(account, &rows[i], NULL, NULL), rows[i].want, rows[i].what);
        is(invoke(account, &rows[i], NULL, &argError), rows[i].want, rows[i].what);
        if (rows[i].want == DISP_E_TYPEMISMATCH)
            expect(argError == 0, rows[i].what);
    }
}

/* showAccountForm without a display: it fails, leaves the caller's string
 * alone, and says why through IErrorInfo and through Invoke's EXCEPINFO. */
static void checkFailureReport(_ShowAccount *account, IErrorInfo *info)
{
    ISupportErrorInfo *support = NULL;
    const InvokeCase call = {"Invoke"};
    EXCEPINFO exception = {0};
    BSTR got = NULL;
    GUID guid;
    DWORD context = 99;

    expect(FAILED(CALL(account, showAccountForm, &connStr)), "no display, no account form");
    expect(contains(connStr, "/nonexistent/accounts.db") && TxSysStringLen(connStr) == 24,
        "the caller's string is unchanged");
    IS(CALL(account, showAccountForm, NULL), E_POINTER);
    expect(invoke(account, &call, &exception, NULL) == DISP_E_EXCEPTION && FAILED(exception.scode)
            && contains(exception.bstrDescription, "display"),
        "Invoke reports the failure through EXCEPINFO");
    TxSysFreeString(exception.bstrSource);
    TxSysFreeString(exception.bstrDescription);

    expect(CALL(info, GetDescription, &got) == S_OK && contains(got, "display"),
        "the description names the missing display");
    TxSysFreeString(got);
    expect(CALL(info, GetGUID, &guid) == S_OK && TxIsEqualGUID(&guid, &IID__ShowAccount),
        "the failing interface");
    expect(CALL(info, GetSource, &got) == S_OK && contains(got, TX_ACCOUNT_PROGID),
        "the source is the ProgID");
    TxSysFreeString(got);
    got = (BSTR)&context;
    expect(CALL(info, GetHelpFile, &got) == S_OK && got == NULL, "no help file");
    expect(CALL(info, GetHelpContext, &context) == S_OK && context == 0, "no help context");
    IS(CALL(info, GetGUID, NULL), E_POINTER);
    IS(CALL(info, GetSource, NULL), E_POINTER);
    IS(CALL(info, GetDescription, NULL), E_POINTER);
    IS(CALL(info, GetHelpFile, NULL), E_POINTER);
    IS(CALL(info, GetHelpContext, NULL), E_POINTER);

    if (!IS(CALL(account, QueryInterface, &IID_ISupportErrorInfo, (void **)&support), S_OK))
        return;
    IS(CALL(support, InterfaceSupportsErrorInfo, &IID__ShowAccount), S_OK);
    IS(CALL(support, InterfaceSupportsErrorInfo, NULL), S_FALSE);
    IS(CALL(support, InterfaceSupportsErrorInfo, &unknownGuid), S_FALSE);
    support->lpVtbl->Release(support);
}

/* A released object stays an inert zombie: a Release too many, and any call
 * through a kept pointer, gets an error, never freed memory. */
static void checkReleasedObjects(_ShowAccount *account, IErrorInfo *info, IClassFactory *factory)
{
    const InvokeCase call = {"Invoke"};
    expect(account->lpVtbl->Release(account) == TX_RELEASED_COUNT, "a Release too many");
    expect(account->lpVtbl->Release(account) == TX_RELEASED_COUNT, "and another");
    expect(account->lpVtbl->AddRef(account) == TX_RELEASED_COUNT, "no AddRef brings it back");
    NULLED(CALL(account, QueryInterface, &IID_IUnknown, &none), RPC_E_DISCONNECTED);
    IS(CALL(account, showAccountForm, &connStr), RPC_E_DISCONNECTED);
    IS(invoke(account, &call, NULL, NULL), RPC_E_DISCONNECTED);
    IS(CALL(info, GetDescription, &connStr), RPC_E_DISCONNECTED);
    expect(info->lpVtbl->Release(info) == TX_RELEASED_COUNT, "a Release too many of IErrorInfo");
    expect(factory->lpVtbl->Release(factory) == TX_RELEASED_COUNT, "a factory Release too many");
    IS(CALL(factory, CreateInstance, NULL, &IID__ShowAccount, &none), RPC_E_DISCONNECTED);
    IS(CALL(factory, LockServer, 1), RPC_E_DISCONNECTED);
}

int main(int argc, char **argv)
{
    void *library;
    TxDllGetClassObjectFn getClassObject;
    TxDllCanUnloadNowFn canUnloadNow;
    IClassFactory *factory = NULL, *again = NULL;
    _ShowAccount *account = NULL;
    IUnknown *unknown = NULL;
    IErrorInfo *info = NULL;

    if (argc != 2) {
        fprintf(stderr, "usage: c_host LIBRARY\n");
        return 2;
    }
    /* No display: the component must say so instead of letting Qt abort. */
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    if (!(library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL))) {
        printf("FAIL: dlopen: %s\n", dlerror());
        return 1;
    }
    /* POSIX's way of turning dlsym's answer into a function pointer */
    *(void **)(&getClassObject) = entry(library, "DllGetClassObject");
    *(void **)(&canUnloadNow) = entry(library, "DllCanUnloadNow");
    checkRegistration(library);
    expect(dlsym(library, "_ZN11ShowAccountC1Ev") == NULL, "internal symbols stay hidden");
    if (!getClassObject || !canUnloadNow)
        return 1;

    IS(getClassObject(NULL, &IID_IClassFactory, &none), E_INVALIDARG);
    IS(getClassObject(&CLSID_ShowAccount, NULL, &none), E_INVALIDARG);
    IS(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, NULL), E_POINTER);
    NULLED(getClassObject(&unknownGuid, &IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    NULLED(getClassObject(&CLSID_ShowAccount, &unknownGuid, &none), E_NOINTERFACE);
    is(canUnloadNow(), S_OK, "nothing alive before the first object");
    if (!IS(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&factory), S_OK))
        return 1;
    is(canUnloadNow(), S_FALSE, "a live factory keeps the library");
    IS(CALL(factory, CreateInstance, (IUnknown *)factory, &IID__ShowAccount, &none),
        CLASS_E_NOAGGREGATION);
    NULLED(CALL(factory, CreateInstance, NULL, &unknownGuid, &none), E_NOINTERFACE);
    IS(CALL(factory, CreateInstance, NULL, &IID__ShowAccount, NULL), E_POINTER);
    if (!IS(CALL(factory, CreateInstance, NULL, &IID__ShowAccount, (void **)&account), S_OK))
        return 1;
    IS(CALL(factory, LockServer, 1), S_OK);
    expect(factory->lpVtbl->Release(factory) == 0, "the factory's last Release");

    if (IS(CALL(account, QueryInterface, &IID_IUnknown, (void **)&unknown), S_OK))
        unknown->lpVtbl->Release(unknown);
    IS(CALL(account, QueryInterface, NULL, &none), E_INVALIDARG);
    IS(CALL(account, QueryInterface, &IID_IUnknown, NULL), E_POINTER);
    NULLED(CALL(account, QueryInterface, &unknownGuid, &none), E_NOINTERFACE);
    if (!IS(CALL(account, QueryInterface, &IID_IErrorInfo, (void **)&info), S_OK))
        return 1;
    connStr = TxSysAllocString(u"/nonexistent/accounts.db");
    checkTypeInformationAndNames(account);
    checkFailureReport(account, info);
    checkInvokeArguments(account);

    expect(account->lpVtbl->AddRef(account) == 3, "AddRef counts");
    expect(account->lpVtbl->Release(account) == 2, "Release counts");
    expect(info->lpVtbl->Release(info) == 1, "a Release through IErrorInfo counts");
    is(canUnloadNow(), S_FALSE, "a live object keeps the library");
    expect(account->lpVtbl->Release(account) == 0, "last Release");
    is(canUnloadNow(), S_FALSE, "a server lock keeps the library");
    if (IS(getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, (void **)&again), S_OK)) {
        CALL(again, LockServer, 0);
        CALL(again, LockServer, 0); /* one unlock too many is ignored */
        again->lpVtbl->Release(again);
    }
    /* Last, so that it also shows the zombies changed no count or lock. */
    checkReleasedObjects(account, info, factory);
    is(canUnloadNow(), S_OK, "no object and no lock: the library may go");
    TxSysFreeString(connStr);

    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
