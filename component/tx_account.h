/*
 * tx_account: the account-settings component of the Tovrix mail client.
 *
 * Public header for hosts, usable from C (C11) and C++. It declares the
 * small COM binary layer the component speaks on Linux, the class and
 * interface identifiers, the _ShowAccount dual interface and the four
 * library exports. The host loads libtx_account.so with dlopen, looks up
 * DllGetClassObject with dlsym and creates ShowAccount through the class
 * factory, exactly as an in-process COM server is used.
 *
 * Strings cross the boundary as BSTR: UTF-16 text preceded by a 32-bit
 * byte count and followed by a 16-bit NUL, allocated with malloc(). The
 * TxSys* helpers below allocate and free them; a BSTR the component hands
 * out (an error description) is freed by the host with TxSysFreeString.
 */
#ifndef TX_ACCOUNT_H
#define TX_ACCOUNT_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
#include <cstdint>
#else
#include <uchar.h>
#endif

#if defined(__GNUC__)
#define TX_UNUSED __attribute__((unused))
#define TX_EXPORT __attribute__((visibility("default")))
#else
#define TX_UNUSED
#define TX_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- basic COM types ------------------------------------------------ */

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint32_t LCID;
typedef int32_t DISPID;
typedef int32_t BOOL;
typedef int16_t VARIANT_BOOL;
typedef uint16_t VARTYPE;
typedef char16_t OLECHAR;
typedef OLECHAR *BSTR;
typedef OLECHAR *LPOLESTR;

typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
/* Identifiers are passed by pointer in C and C++ alike, so that a null one
 * is a detectable error and never a null reference. */
#define REFGUID const GUID *
#define REFIID const IID *
#define REFCLSID const CLSID *

static inline int TxIsEqualGUID(const GUID *a, const GUID *b)
{
    return memcmp(a, b, sizeof(GUID)) == 0;
}

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define SELFREG_E_CLASS ((HRESULT)0x80040201L)
#define RPC_E_WRONG_THREAD ((HRESULT)0x8001010EL)
#define RPC_E_DISCONNECTED ((HRESULT)0x80010108L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
/* What AddRef and Release answer on an object already released to zero:
 * they change nothing, and every other method of such an object fails with
 * RPC_E_DISCONNECTED instead of touching freed memory. */
#define TX_RELEASED_COUNT ((ULONG)0xFFFFFFFFu)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)

enum TxVarEnum {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000
};

typedef struct VARIANT VARIANT;
typedef VARIANT VARIANTARG;
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        BSTR bstrVal;
        BSTR *pbstrVal;
        VARIANT *pvarVal;
        void *byref;
        struct {
            void *pvRecord;
            void *pRecInfo;
        } brecVal;
    } u;
};

typedef struct DISPPARAMS {
    VARIANTARG *rgvarg;
    DISPID *rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
} DISPPARAMS;

typedef struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void *pvReserved;
    void *pfnDeferredFillIn;
    SCODE scode;
} EXCEPINFO;

/* Type information is not served (GetTypeInfoCount answers 0). */
typedef struct ITypeInfo ITypeInfo;

/* ---- BSTR helpers ----------------------------------------------------- */

static inline BSTR TxSysAllocStringLen(const OLECHAR *text, UINT length)
{
    uint32_t bytes = length * (uint32_t)sizeof(OLECHAR);
    char *block = (char *)malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR));
    BSTR result;
    if (!block)
        return NULL;
    memcpy(block, &bytes, sizeof bytes);
    result = (BSTR)(block + sizeof(uint32_t));
    if (text)
        memcpy(result, text, bytes);
    else
        memset(result, 0, bytes);
    result[length] = 0;
    return result;
}

static inline BSTR TxSysAllocString(const OLECHAR *text)
{
    UINT length = 0;
    if (!text)
        return NULL;
    while (text[length])
        ++length;
    return TxSysAllocStringLen(text, length);
}

static inline UINT TxSysStringLen(BSTR text)
{
    uint32_t bytes;
    if (!text)
        return 0;
    memcpy(&bytes, (const char *)text - sizeof(uint32_t), sizeof bytes);
    return bytes / (uint32_t)sizeof(OLECHAR);
}

static inline void TxSysFreeString(BSTR text)
{
    if (text)
        free((char *)text - sizeof(uint32_t));
}

/* ---- identifiers ---------------------------------------------------- */

/* {D2A5EE3C-1581-4727-AB75-AF9DC0044D9B} type library tx_account 1.0 */
static const GUID LIBID_tx_account TX_UNUSED
    = {0xD2A5EE3C, 0x1581, 0x4727, {0xAB, 0x75, 0xAF, 0x9D, 0xC0, 0x04, 0x4D, 0x9B}};
/* {84A65E4E-0516-4E6D-8F86-AF57DE481DE1} class ShowAccount */
static const GUID CLSID_ShowAccount TX_UNUSED
    = {0x84A65E4E, 0x0516, 0x4E6D, {0x8F, 0x86, 0xAF, 0x57, 0xDE, 0x48, 0x1D, 0xE1}};
/* {4EA7FC76-B472-41C6-A010-6605457FE7A2} interface _ShowAccount */
static const GUID IID__ShowAccount TX_UNUSED
    = {0x4EA7FC76, 0xB472, 0x41C6, {0xA0, 0x10, 0x66, 0x05, 0x45, 0x7F, 0xE7, 0xA2}};

static const GUID IID_NULL TX_UNUSED = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
static const GUID IID_IUnknown TX_UNUSED
    = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const GUID IID_IClassFactory TX_UNUSED
    = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const GUID IID_IDispatch TX_UNUSED
    = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const GUID IID_IErrorInfo TX_UNUSED
    = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
static const GUID IID_ISupportErrorInfo TX_UNUSED
    = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

#define TX_ACCOUNT_PROGID "tx_account.ShowAccount"
/* DISPID of showAccountForm, as Visual Basic numbers a class's first method */
#define DISPID_showAccountForm ((DISPID)0x60030000)

/* ---- interfaces ------------------------------------------------------
 * In C++ the interfaces are abstract classes without virtual destructors,
 * whose vtables the Itanium C++ ABI lays out exactly as the C structs
 * below: one pointer per method, in declaration order.
 */

#if defined(__cplusplus) && !defined(CINTERFACE)

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void **ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown *outer, REFIID riid, void **ppv) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT *count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid, DISPID *ids)
        = 0;
    virtual HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
        VARIANT *result, EXCEPINFO *exception, UINT *argError)
        = 0;
};

struct _ShowAccount : IDispatch {
    virtual HRESULT showAccountForm(BSTR *connStr) = 0;
};

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID *guid) = 0;
    virtual HRESULT GetSource(BSTR *source) = 0;
    virtual HRESULT GetDescription(BSTR *description) = 0;
    virtual HRESULT GetHelpFile(BSTR *helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD *helpContext) = 0;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

#else

/* The C vtables, laid out one interface a line as COM's own headers lay them out. */
/* clang-format off */
#define TX_UNKNOWN_METHODS(T)                                                  \
    HRESULT (*QueryInterface)(T * self, REFIID riid, void **ppv);             \
    ULONG (*AddRef)(T * self);                                                 \
    ULONG (*Release)(T * self);

#define TX_DISPATCH_METHODS(T)                                                 \
    TX_UNKNOWN_METHODS(T)                                                      \
    HRESULT (*GetTypeInfoCount)(T * self, UINT * count);                       \
    HRESULT (*GetTypeInfo)(T * self, UINT index, LCID lcid, ITypeInfo * *info); \
    HRESULT (*GetIDsOfNames)(T * self, REFIID riid, LPOLESTR * names, UINT count, \
                             LCID lcid, DISPID * ids);                         \
    HRESULT (*Invoke)(T * self, DISPID member, REFIID riid, LCID lcid, WORD flags, \
                      DISPPARAMS * params, VARIANT * result, EXCEPINFO * exception, \
                      UINT * argError);

typedef struct IUnknown IUnknown;
typedef struct IUnknownVtbl { TX_UNKNOWN_METHODS(IUnknown) } IUnknownVtbl;
struct IUnknown { const IUnknownVtbl *lpVtbl; };

typedef struct IClassFactory IClassFactory;
typedef struct IClassFactoryVtbl {
    TX_UNKNOWN_METHODS(IClassFactory)
    HRESULT (*CreateInstance)(IClassFactory *self, IUnknown *outer, REFIID riid, void **ppv);
    HRESULT (*LockServer)(IClassFactory *self, BOOL lock);
} IClassFactoryVtbl;
struct IClassFactory { const IClassFactoryVtbl *lpVtbl; };

typedef struct IDispatch IDispatch;
typedef struct IDispatchVtbl { TX_DISPATCH_METHODS(IDispatch) } IDispatchVtbl;
struct IDispatch { const IDispatchVtbl *lpVtbl; };

typedef struct _ShowAccount _ShowAccount;
typedef struct _ShowAccountVtbl {
    TX_DISPATCH_METHODS(_ShowAccount)
    HRESULT (*showAccountForm)(_ShowAccount *self, BSTR *connStr);
} _ShowAccountVtbl;
struct _ShowAccount { const _ShowAccountVtbl *lpVtbl; };

typedef struct IErrorInfo IErrorInfo;
typedef struct IErrorInfoVtbl {
    TX_UNKNOWN_METHODS(IErrorInfo)
    HRESULT (*GetGUID)(IErrorInfo *self, GUID *guid);
    HRESULT (*GetSource)(IErrorInfo *self, BSTR *source);
    HRESULT (*GetDescription)(IErrorInfo *self, BSTR *description);
    HRESULT (*GetHelpFile)(IErrorInfo *self, BSTR *helpFile);
    HRESULT (*GetHelpContext)(IErrorInfo *self, DWORD *helpContext);
} IErrorInfoVtbl;
struct IErrorInfo { const IErrorInfoVtbl *lpVtbl; };

typedef struct ISupportErrorInfo ISupportErrorInfo;
typedef struct ISupportErrorInfoVtbl {
    TX_UNKNOWN_METHODS(ISupportErrorInfo)
    HRESULT (*InterfaceSupportsErrorInfo)(ISupportErrorInfo *self, REFIID riid);
} ISupportErrorInfoVtbl;
struct ISupportErrorInfo { const ISupportErrorInfoVtbl *lpVtbl; };
/* clang-format on */

#endif

/* ---- library exports -------------------------------------------------
 * After a failing showAccountForm, QueryInterface(IID_IErrorInfo) on the
 * object and GetDescription tell what went wrong; Invoke puts the same
 * text into EXCEPINFO.bstrDescription with DISP_E_EXCEPTION.
 */

typedef HRESULT (*TxDllRegisterServerFn)(void);
typedef HRESULT (*TxDllUnregisterServerFn)(void);
typedef HRESULT (*TxDllGetClassObjectFn)(REFCLSID rclsid, REFIID riid, void **ppv);
typedef HRESULT (*TxDllCanUnloadNowFn)(void);

TX_EXPORT HRESULT DllRegisterServer(void);
TX_EXPORT HRESULT DllUnregisterServer(void);
TX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void **ppv);
TX_EXPORT HRESULT DllCanUnloadNow(void);

#ifdef __cplusplus
}
#endif

#endif /* TX_ACCOUNT_H */
