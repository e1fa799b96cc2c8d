/* tessel.h: the public interface of the scripting engine libtessel32.so.
 *
 * A host creates a context, registers callbacks, adds source texts and files,
 * compiles, executes and frees the context. Every function returns a 32-bit
 * result code (TES_OK or one of the TES_E_* codes below); no exception or
 * signal ever leaves the library. Handles are opaque 32-bit values: a stale or
 * forged handle gives TES_E_CONTEXT. The engine is single-threaded: two
 * threads must never be inside it at once. */
#ifndef TESSEL_H
#define TESSEL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TESSEL_BUILDING)
#define TES_API __attribute__((visibility("default")))
#else
#define TES_API
#endif

typedef uint32_t TesContext; /* opaque: index plus generation */
typedef int32_t TesResult;

/* Result codes; tesResultText gives the host's text for each. */
#define TES_OK ((TesResult)0)
/* tesExecute and debug stepping: a failed instruction stopped the program
   after its message was delivered. */
#define TES_STOPPED ((TesResult)-1)
#define TES_E_NOTIMPL ((TesResult)0x80000001)
#define TES_E_OUTOFMEMORY ((TesResult)0x80000002)
#define TES_E_INVALIDARG ((TesResult)0x80000003)
#define TES_E_NOINTERFACE ((TesResult)0x80000004)
#define TES_E_POINTER ((TesResult)0x80000005)
#define TES_E_HANDLE ((TesResult)0x80000006)
#define TES_E_ABORT ((TesResult)0x80000007)
#define TES_E_FAIL ((TesResult)0x80000008)
#define TES_E_ACCESSDENIED ((TesResult)0x80000009)
#define TES_E_CONTEXT ((TesResult)0x8000000A)
#define TES_E_FILENOTFOUND ((TesResult)0x8000000B)
#define TES_E_BUFFERFULL ((TesResult)0x8000000C)
#define TES_E_NOTFOUND ((TesResult)0x8000000D)
#define TES_E_READ ((TesResult)0x8000000E)
#define TES_E_STACKOVERFLOW ((TesResult)0x8000000F)
#define TES_E_NOGLOBAL ((TesResult)0x80000010)
#define TES_E_SYNTAX ((TesResult)0x80000011)
#define TES_E_RUNTIME ((TesResult)0x80000012)
#define TES_E_TYPEMISMATCH ((TesResult)0x80000013)
#define TES_E_STATE ((TesResult)0x80000014)
#define TES_E_PARSE ((TesResult)0x80000015)
#define TES_E_TOOMANYFILES ((TesResult)0x80000016)
#define TES_E_EXCEPTION ((TesResult)0x80000017)
#define TES_E_CODEGEN ((TesResult)0x80000018)
#define TES_E_CODEGEN2 ((TesResult)0x80000019)
#define TES_E_BADCODEFILE ((TesResult)0x8000001A)

/* Ordinals of the interface functions (kept for hosts that address the
 * interface by number; tesProcByOrdinal maps them to addresses). */
enum TesOrdinal {
    TES_ORD_CREATECONTEXT = 1,
    TES_ORD_REGISTERCALLBACK = 2,
    TES_ORD_REGISTERGETPROCADDRCALLBACK = 3,
    TES_ORD_APPENDTEXT = 4,
    TES_ORD_ADDFILE = 5,
    TES_ORD_COMPILE = 6,
    TES_ORD_SETGLOBALINTEGERVAR = 7,
    TES_ORD_SETGLOBALLONGVAR = 8,
    TES_ORD_SETGLOBALDOUBLEVAR = 9,
    TES_ORD_SETGLOBALSTRINGVAR = 10,
    TES_ORD_EXECUTE = 11,
    TES_ORD_CALLFUNC = 12,
    TES_ORD_GETGLOBALINTEGERVAR = 13,
    TES_ORD_GETGLOBALLONGVAR = 14,
    TES_ORD_GETGLOBALDOUBLEVAR = 15,
    TES_ORD_GETGLOBALSTRINGVAR = 16,
    TES_ORD_FREEBUFFERS = 17,
    TES_ORD_FREECONTEXT = 18,
    TES_ORD_VERSION = 19,
    TES_ORD_SAVECOMPILEDCODE = 20,
    TES_ORD_LOADCOMPILEDCODE = 21,
    TES_ORD_CONTEXTFROMUSERNAME = 24,
    TES_ORD_SETGLOBALARRAYELEMENT = 30,
    TES_ORD_SETGLOBALINTEGERREF = 33,
    TES_ORD_SETGLOBALLONGREF = 34,
    TES_ORD_SETGLOBALFIXEDSTRINGREF = 35,
    TES_ORD_SETGLOBALDOUBLEREF = 36,
    TES_ORD_DEBUGSTEP = 37,
    TES_ORD_DEBUGGO = 38,
    TES_ORD_GETVARVALUESTRING = 39,
    TES_ORD_DEBUGSTEPINTO = 40,
    TES_ORD_SETGLOBALCPPOBJECTREF = 41,
    TES_ORD_GETGLOBALARRAYELEMENT = 49,
    TES_ORD_SETGLOBALOBJECTVAR = 111,
    TES_ORD_REGISTEROUTPUTCALLBACK = 129,
    TES_ORD_REGISTERCALLBACKPARAM = 200,
    TES_ORD_GETUSERPARAM = 201,
    TES_ORD_SETGLOBALSTRINGVARBYINDEX = 210,
    TES_ORD_REGISTERUNDEFFUNCCALLBACK = 300,
    TES_ORD_REGISTERUNDEFVARCALLBACK = 301,
    TES_ORD_REGISTERUSERTYPESUBSYSTEM = 302,
    TES_ORD_ADDFUNCTIONQUALIFIER = 370
};

/* Value type codes of variants and globals. */
enum TesVarType {
    TES_VT_EMPTY = 0,
    TES_VT_NULL = 1,
    TES_VT_INTEGER = 2,
    TES_VT_LONG = 3,
    TES_VT_SINGLE = 4,
    TES_VT_DOUBLE = 5,
    TES_VT_STRING = 8,
    TES_VT_OBJECT = 9,
    TES_VT_VARIANT = 12,
    TES_VT_HOSTOBJECT =
        91, /* objVal: a host object whose member calls go to the user type routine */
    TES_VT_BYREF = 0x4000,
    TES_VT_ARRAY = 0x2000
};

/* A variant: the engine's own value record of the automation shape. A string
 * is NUL-terminated 8-bit text; in results handed to the host it stays owned
 * by the engine and is valid until the next call on the context. */
typedef struct TesVariant {
    uint16_t vt;
    uint16_t reserved1, reserved2, reserved3;
    union {
        int16_t iVal;
        int32_t lVal;
        float fltVal;
        double dblVal;
        char* strVal;
        void* byref;
        void* objVal;
    } u;
} TesVariant;

/* An argument block: variants last argument first, as automation lists are.
 * Named arguments come first: args[0 .. namedCount-1] are the named ones,
 * namedIds[i] is i and names[i] the parameter name written in the program
 * (UTF-8) for args[i]. names is null when there are no named arguments. */
typedef struct TesArgList {
    TesVariant* args;
    int32_t* namedIds;
    uint32_t count;
    uint32_t namedCount;
    const char* const* names;
} TesArgList;

/* The automation interface of objects (the engine's dispatch interface).
 * Reference counted: the engine holds one reference per variable or value
 * that holds the object. Member names are UTF-8 and compared without regard
 * to case; getIdOfName answers 0 with the member's id, or
 * TES_DISP_E_UNKNOWNNAME. Id 0 (TES_DISPID_VALUE) is the default member.
 * invoke calls a member with flags TES_DISPATCH_*; arguments are variants,
 * last argument first (for a property put the new value is args[0]). Strings
 * and objects in args are lent for the duration of the call (addRef an object
 * to keep it). An object put into *result carries a reference that the engine
 * takes over; a string in *result stays owned by the object and is copied at
 * once. On TES_DISP_E_EXCEPTION the object writes a description into
 * errorText (at most errorSize bytes including the NUL). */
typedef struct TesDispatch TesDispatch;
typedef struct TesDispatchVtbl {
    uint32_t (*addRef)(TesDispatch* self);
    uint32_t (*release)(TesDispatch* self);
    int32_t (*getIdOfName)(TesDispatch* self, const char* name, int32_t* id);
    int32_t (*invoke)(TesDispatch* self, int32_t id, int32_t flags, TesArgList* args,
                      TesVariant* result, char* errorText, size_t errorSize);
} TesDispatchVtbl;
struct TesDispatch {
    const TesDispatchVtbl* vtbl;
};

#define TES_DISPID_VALUE 0
#define TES_DISPATCH_METHOD 1
#define TES_DISPATCH_PROPERTYGET 2 /* 3 = method or property get */
#define TES_DISPATCH_PROPERTYPUT 4
#define TES_DISP_E_MEMBERNOTFOUND ((int32_t)0x80020003)
#define TES_DISP_E_TYPEMISMATCH ((int32_t)0x80020005)
#define TES_DISP_E_UNKNOWNNAME ((int32_t)0x80020006)
#define TES_DISP_E_EXCEPTION ((int32_t)0x80020009)
#define TES_DISP_E_PARAMNOTOPTIONAL ((int32_t)0x8002000F)

/* One dimension of an array descriptor. */
typedef struct TesArrayBound {
    uint32_t elements;
    int32_t lowerBound;
} TesArrayBound;

/* Array descriptor handed to host functions taking an array by reference
 * (the host receives the address of a pointer to it). Numeric arrays hold
 * their elements packed (Integer 2 bytes, Long and Single 4, Double 8). */
typedef struct TesArray {
    uint16_t dims;
    uint16_t features;
    uint32_t elementSize;
    uint32_t locks;
    void* data;
    TesArrayBound bounds[20]; /* declaration order: first written first */
} TesArray;

/* The record handed to the output callback. */
typedef struct TesMessageInfo {
    TesContext context;
    int32_t kind; /* 1 error, 0 a line of program output */
    int32_t code; /* TES_E_SYNTAX, TES_E_FAIL, another code, or 0 for output */
    const char* text;
    int32_t source; /* 1-based source number */
    int32_t line;   /* line within that source, the first line being 1 */
    int32_t column; /* 0-based column of the offending token (syntax errors) */
    int32_t length; /* length of the offending token (syntax errors) */
} TesMessageInfo;

typedef int32_t (*TesMessageCallback)(TesContext context, int32_t flag1, int32_t flag2,
                                      const char* text);
typedef void (*TesOutputCallback)(const TesMessageInfo* info);
typedef void* (*TesGetProcAddrCallback)(TesContext context, const char* name);
typedef int32_t (*TesUndefFuncCallback)(TesContext context, const char* name, TesArgList* args,
                                        TesVariant* result);
typedef int32_t (*TesUndefVarCallback)(TesContext context, const char* name, TesVariant* value);
/* User type subsystem and host objects. The routine receives:
 * - selector 15: a Print item of a type Print has no text for, in *value
 *   (object, member and args are null);
 * - selectors 1 (method), 2 (property get), 3 (method or get) and 4 (property
 *   put): a member call on a host object: object is the host's pointer,
 *   member the member name ("" for the default member), args the arguments
 *   as in TesDispatch invoke, value the result variant. It returns 0, or a
 *   TES_DISP_E_* code; for TES_DISP_E_EXCEPTION it may put a String
 *   description into *value.
 * The allocation routine gives the value of a variable declared As a type the
 * host defines (a TES_VT_OBJECT or TES_VT_HOSTOBJECT variant makes an object). */
typedef int32_t (*TesUserTypeRoutine)(TesContext context, int32_t selector, void* object,
                                      const char* member, TesArgList* args, TesVariant* value,
                                      intptr_t datum);
typedef int32_t (*TesUserTypeAlloc)(TesContext context, const char* typeName, const char* varName,
                                    TesVariant* value);

TES_API TesResult tesCreateContext(const char* userName, intptr_t instance, intptr_t window,
                                   TesContext* out);
TES_API TesResult tesRegisterCallback(TesContext context, TesMessageCallback callback);
TES_API TesResult tesRegisterCallbackParam(TesContext context, intptr_t userParam,
                                           TesMessageCallback callback);
TES_API TesResult tesRegisterOutputCallback(TesContext context, TesOutputCallback callback);
TES_API TesResult tesRegisterGetProcAddrCallback(TesContext context,
                                                 TesGetProcAddrCallback callback);
TES_API TesResult tesRegisterUndefFuncCallback(TesContext context, TesUndefFuncCallback callback);
TES_API TesResult tesRegisterUndefVarCallback(TesContext context, TesUndefVarCallback callback);
TES_API TesResult tesRegisterUserTypeSubsystem(TesContext context, TesUserTypeRoutine routine,
                                               TesUserTypeAlloc alloc, intptr_t datum);
TES_API intptr_t tesGetUserParam(TesContext context);
TES_API TesResult tesAppendText(TesContext context, const char* text);
TES_API TesResult tesAddFile(TesContext context, const char* path);
TES_API TesResult tesAddFunctionQualifier(TesContext context, const char* word);
TES_API TesResult tesCompile(TesContext context);
TES_API TesResult tesExecute(TesContext context);
TES_API TesResult tesCallFunc(TesContext context, const char* name, TesArgList* args,
                              TesVariant* result);
TES_API TesResult tesSetGlobalIntegerVar(TesContext context, const char* name, int32_t value);
TES_API TesResult tesSetGlobalLongVar(TesContext context, const char* name, int32_t value);
TES_API TesResult tesSetGlobalDoubleVar(TesContext context, const char* name, double value);
TES_API TesResult tesSetGlobalStringVar(TesContext context, const char* name, const char* text);
TES_API TesResult tesSetGlobalStringVarByIndex(TesContext context, int32_t index, const char* text);
/* Stores an object (a TesDispatch*, which the engine addRefs; null stores
 * Nothing) in a global declared Object or Variant. */
TES_API TesResult tesSetGlobalObjectVar(TesContext context, const char* name, void* object);
TES_API TesResult tesSetGlobalArrayElement(TesContext context, const char* name,
                                           const int32_t* indices, const TesVariant* value);
TES_API TesResult tesSetGlobalIntegerRef(TesContext context, const char* name, int16_t* ref);
TES_API TesResult tesSetGlobalLongRef(TesContext context, const char* name, int32_t* ref);
TES_API TesResult tesSetGlobalFixedStringRef(TesContext context, const char* name,
                                             const char* text);
TES_API TesResult tesSetGlobalDoubleRef(TesContext context, const char* name, double* ref);
/* Called when the engine drops its last reference to a host object. */
typedef void (*TesHostObjectFree)(void* object, intptr_t datum);
/* Registers a host object under a global name. Before compiling, the name
 * becomes a global object name of the program; once compiled, the name must
 * be a global declared Object or Variant. Member calls go to routine with
 * datum (a null routine: the user type subsystem's routine and datum at the
 * time of the call); onFree (may be null) gets object and datum once the
 * engine holds no reference any more (at the latest when the context is
 * freed). */
TES_API TesResult tesSetGlobalCPPObjectRef(TesContext context, const char* name, void* object,
                                           TesUserTypeRoutine routine, intptr_t datum,
                                           TesHostObjectFree onFree);
TES_API TesResult tesGetGlobalIntegerVar(TesContext context, const char* name, int32_t* out);
TES_API TesResult tesGetGlobalLongVar(TesContext context, const char* name, int32_t* out);
TES_API TesResult tesGetGlobalDoubleVar(TesContext context, const char* name, double* out);
TES_API TesResult tesGetGlobalStringVar(TesContext context, const char* name, char* buffer,
                                        int32_t length);
TES_API TesResult tesGetGlobalArrayElement(TesContext context, const char* name,
                                           const int32_t* indices, TesVariant* out);
TES_API TesResult tesGetVarValueString(TesContext context, const char* name, char* buffer,
                                       int32_t length);
TES_API TesResult tesDebugStep(TesContext context, int32_t* source, int32_t* line);
TES_API TesResult tesDebugStepInto(TesContext context, int32_t* source, int32_t* line);
TES_API TesResult tesDebugGo(TesContext context, int32_t* source, int32_t* line);
TES_API TesResult tesSaveCompiledCode(TesContext context, const char* path);
TES_API TesResult tesLoadCompiledCode(TesContext context, const char* path);
TES_API TesResult tesFreeBuffers(TesContext context);
TES_API TesResult tesFreeContext(TesContext context);
TES_API TesResult tesContextFromUserName(const char* name, TesContext* out);
TES_API const char* tesVersion(int32_t* major, int32_t* minor);

/* Additions of this implementation. */
/* The host text of a result code ("Tessel: Success", ...). */
TES_API const char* tesResultText(TesResult code);
/* The address of the interface function with that ordinal, or null. */
TES_API void* tesProcByOrdinal(int32_t ordinal);
/* Limits for untrusted programs: at most maxSteps instructions per run (0 =
 * no limit); sandbox != 0 refuses Lib and App calls, Shell, Kill, FileCopy,
 * MkDir, RmDir, Name and opening files for output or append. */
TES_API TesResult tesSetRunLimits(TesContext context, int64_t maxSteps, int32_t sandbox);
/* The program's arguments (count texts, copied): Command returns them as one
 * text, separated by spaces, each one that is empty or holds a space, a tab
 * or a double quote in double quotes (inner quotes doubled); CommandArg(i)
 * returns argument i (1 = first; "" outside 1..CommandArgCount). */
TES_API TesResult tesSetCommandArgs(TesContext context, int32_t count, const char* const* args);

/* User interaction of the runtime library (MsgBox, InputBox, Beep,
 * AppActivate), registered by the host per context. Any entry may be null;
 * without a table the engine uses the terminal. messageBox returns the button
 * code (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No); inputBox
 * writes the edited text (NUL-terminated, at most size - 1 bytes) and returns
 * non-zero for OK, 0 for Cancel; appActivate returns non-zero when a window
 * with exactly that title was brought to the front. */
typedef struct TesUiCallbacks {
    int32_t (*messageBox)(TesContext context, const char* text, int32_t type, const char* title,
                          void* user);
    int32_t (*inputBox)(TesContext context, const char* prompt, const char* title,
                        const char* defaultText, char* buffer, int32_t size, void* user);
    void (*beep)(TesContext context, void* user);
    int32_t (*appActivate)(TesContext context, const char* title, void* user);
    void* user;
} TesUiCallbacks;
/* Copies the table (null removes it). */
TES_API TesResult tesRegisterUiCallbacks(TesContext context, const TesUiCallbacks* callbacks);

#ifdef __cplusplus
}
#endif

#endif
