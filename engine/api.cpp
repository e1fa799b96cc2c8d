// api.cpp: the exported tes* interface: handles, context lifecycle, sources,
// callbacks, message reporting, globals, execution and debugging. Every
// entry catches everything and returns a result code.
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

#include "engine/builtins.h"
#include "engine/context.h"
#include "engine/interpreter.h"

namespace tessel {

namespace {

struct Slot {
    std::unique_ptr<ScriptContext> ctx;
    uint16_t generation = 1;
};

std::vector<Slot> g_slots;
std::vector<uint32_t> g_order;  // handles, newest first
ScriptContext* g_current = nullptr;
std::string* g_messageBuffer = nullptr;  // shared by all contexts

const char kBanner[] = "Larchmere Tessel Version 2.567";

ScriptContext* Lookup(TesContext h) {
    uint32_t index = (h & 0xFFFF);
    uint16_t gen = (uint16_t)(h >> 16);
    if (index == 0 || index > g_slots.size()) return nullptr;
    Slot& s = g_slots[index - 1];
    if (!s.ctx || s.generation != gen) return nullptr;
    g_current = s.ctx.get();
    return s.ctx.get();
}

}  // namespace

bool SharedBufferAllocated() {
    return g_messageBuffer != nullptr;
}
ScriptContext* FindContext(TesContext h) {
    uint32_t index = (h & 0xFFFF);
    if (index == 0 || index > g_slots.size()) return nullptr;
    Slot& s = g_slots[index - 1];
    return s.ctx && s.generation == (uint16_t)(h >> 16) ? s.ctx.get() : nullptr;
}
TesDispatch* NewRegisteredHostObject(TesContext context, void* object, TesUserTypeRoutine routine,
                                     intptr_t datum);
void SetHostObjectFree(TesDispatch* d, TesHostObjectFree onFree);
ScriptContext* CurrentContext() {
    return g_current;
}

ScriptContext::ScriptContext() {
    storage.emplace_back();  // cell 0 is never handed out
    std::string err;
    for (int k = 0; k < T_COUNT; ++k) {
        int n = names.Enter(kTokenNames[k], false, err);
        if (n >= 0) names[n].kind = (uint16_t)k;
    }
    interp = std::make_unique<Interpreter>(*this);
}

ScriptContext::~ScriptContext() {
    FreeBuffers();
}

void ScriptContext::FreeBuffers() {
    if (interp) {
        interp->Reset();
        interp->CloseFiles();
    }
    code.clear();
    storage.clear();
    memberRecords.clear();
    ReleaseHostObjects(*this);
    funcs.clear();
    names.Clear();
    stream.clear();
    sources.clear();
}

int ScriptContext::NewCell(uint16_t decl, int32_t name) {
    storage.emplace_back();
    Cell& c = storage.back();
    c.decl = decl;
    c.name = name;
    c.Clear();
    return (int)storage.size() - 1;
}

static void Deliver(ScriptContext& ctx, const std::string& msg, int32_t code, bool prefix) {
    if (!g_messageBuffer) g_messageBuffer = new std::string;
    if (ctx.outputCb) {
        *g_messageBuffer = msg;
        ctx.info = {ctx.handle,        1,        code, g_messageBuffer->c_str(),
                    ctx.currentSource, ctx.line, 0,    0};
        ctx.outputCb(&ctx.info);
        return;
    }
    std::string text = msg;
    if (prefix) text = "Error on line: " + std::to_string(ctx.line) + " - " + msg;
    std::istringstream in(text);
    std::string piece;
    while (std::getline(in, piece)) {
        *g_messageBuffer = piece;
        if (ctx.messageCb)
            ctx.messageCb(ctx.handle, 1, 1, g_messageBuffer->c_str());
        else
            std::fprintf(stderr, ">>Larchmere Tessel Scripting Language: %s\n", piece.c_str());
    }
}

int ReportError(ScriptContext& ctx, const std::string& msg) {
    ctx.errorStatus = kStatusError;
    Deliver(ctx, msg, TES_E_FAIL, true);
    return -1;
}

int ReportWarning(ScriptContext& ctx, const std::string& msg) {
    if (ctx.errorStatus == kStatusClean) ctx.errorStatus = kStatusWarning;
    Deliver(ctx, msg, TES_E_FAIL, false);
    return -1;
}

void ReportSyntax(ScriptContext& ctx, const std::string& tokenText, int source, int line,
                  int column, int length, const std::string& before, const std::string& after,
                  SyntaxWhere where) {
    ctx.errorStatus = kStatusError;
    if (!g_messageBuffer) g_messageBuffer = new std::string;
    if (column < 0) column = length = 0;
    if (ctx.outputCb) {
        *g_messageBuffer = tokenText;
        ctx.info = {ctx.handle, 1,    TES_E_SYNTAX, g_messageBuffer->c_str(),
                    source,     line, column,       where == kSyntaxAtEndOfFile ? 0 : length};
        ctx.outputCb(&ctx.info);
        return;
    }
    int saved = ctx.line;
    ctx.line = line;
    std::string msg;
    if (where == kSyntaxAtEndOfLine)
        msg = "Syntax error at: end of line\n";
    else if (where == kSyntaxAtEndOfFile)
        msg = "Syntax error at: end of file\n";
    else if (!tokenText.empty() && (unsigned char)tokenText[0] < 32)
        msg = "Syntax error at: [" + std::to_string((unsigned char)tokenText[0]) + "]\n";
    else
        msg = "Syntax error at: " + tokenText + "\n";
    Deliver(ctx, msg, TES_E_SYNTAX, false);
    if (where != kSyntaxAtEndOfFile && (!before.empty() || !after.empty()))
        Deliver(ctx, std::to_string(line) + " " + before + "__" + after + "\n", TES_E_SYNTAX,
                false);
    ctx.line = saved;
    ctx.errorStatus = kStatusError;
}

void EmitOutputLine(ScriptContext& ctx, const std::string& text) {
    if (!g_messageBuffer) g_messageBuffer = new std::string;
    *g_messageBuffer = text;
    if (ctx.outputCb) {
        ctx.info = {ctx.handle, 0, 0, g_messageBuffer->c_str(), ctx.currentSource, ctx.line, 0, 0};
        ctx.outputCb(&ctx.info);
    } else if (ctx.messageCb) {
        ctx.messageCb(ctx.handle, 0, 0, g_messageBuffer->c_str());
    } else {
        std::fprintf(stdout, "%s\n", text.c_str());
    }
}

// Frames a text as a source: LF, text without one trailing character 26, LF
// when missing, character 26.
static std::string Frame(const char* data, size_t n) {
    if (n >= 3 && (unsigned char)data[0] == 0xEF && (unsigned char)data[1] == 0xBB &&
        (unsigned char)data[2] == 0xBF) {
        data += 3;  // UTF-8 byte-order mark
        n -= 3;
    }
    if (n > 0 && data[n - 1] == '\x1a') --n;
    std::string s;
    s.reserve(n + 3);
    s += '\n';
    s.append(data, n);
    if (n == 0 || data[n - 1] != '\n') s += '\n';
    s += '\x1a';
    return s;
}

static int32_t LoadFileSources(ScriptContext& ctx) {
    for (auto& src : ctx.sources) {
        if (!src.isFile) continue;
        FILE* f = std::fopen(src.path.c_str(), "rb");
        if (!f) {
            ReportError(ctx, "File " + src.path + " not found\n");
            return errno == EMFILE || errno == ENFILE ? TES_E_TOOMANYFILES : TES_E_FILENOTFOUND;
        }
        std::string data;
        char buf[65536];
        size_t k;
        while (data.size() <= kMaxFileBytes && (k = std::fread(buf, 1, sizeof buf, f)) > 0)
            data.append(buf, k);
        bool bad = std::ferror(f);
        std::fclose(f);
        if (bad) {
            ReportError(ctx, "Read error on file " + src.path + "\n");
            return TES_E_READ;
        }
        if (data.size() > kMaxFileBytes) {
            ReportError(ctx, "Source file " + src.path + " is larger than " +
                                 std::to_string(kMaxFileBytes >> 20) + " MB\n");
            return TES_E_BUFFERFULL;
        }
        src.text = Frame(data.data(), data.size());
    }
    return 0;
}

// Start of a parse: the empty name, FreeFile, True, False, the runtime.
static void Predeclare(ScriptContext& ctx) {
    std::string err;
    ctx.names.Enter("", true, err);
    int ff = ctx.names.Enter("FreeFile", false, err);
    int cell = ctx.NewCell(VT_INTEGER, ff);
    SetInteger(&ctx.storage[cell], 1);
    ctx.names[ff].globalCell = cell;
    ctx.names[ff].type = TC_INTEGER;
    for (int v : {-1, 0}) {
        int n = ctx.names.Enter(v ? "True" : "False", false, err);
        int c = ctx.NewCell(VT_INTEGER, n);
        SetInteger(&ctx.storage[c], (int16_t)v);
        ctx.storage[c].flags |= CF_CONST;
        ctx.names[n].globalCell = c;
        ctx.names[n].kind = T_DECLCONST;
        ctx.names[n].type = TC_INTEGER;
    }
    PredeclareBuiltins(ctx);
    ctx.predeclaredNames = ctx.names.Count();
    DeclareHostObjects(ctx);
}

}  // namespace tessel

using namespace tessel;

#define ENTRY_BEGIN try {
#define ENTRY_END                   \
    }                               \
    catch (const std::bad_alloc&) { \
        return TES_E_OUTOFMEMORY;   \
    }                               \
    catch (...) {                   \
        return TES_E_EXCEPTION;     \
    }

#define GET_CTX(h)                  \
    ScriptContext* ctx = Lookup(h); \
    if (!ctx) return TES_E_CONTEXT;

#define LIVE_CTX(h) \
    GET_CTX(h)      \
    if (ctx->freed) return TES_E_STATE;

static Cell* GlobalCell(ScriptContext* ctx, const char* name) {
    if (!name) return nullptr;
    int n = ctx->names.Find(name, false);
    if (n < 0 || ctx->names[n].globalCell <= 0 ||
        ctx->names[n].globalCell >= (int)ctx->storage.size())
        return nullptr;
    Cell* c = &ctx->storage[ctx->names[n].globalCell];
    if (c->decl == VT_FUNC || (c->flags & CF_CONST) || c->decl == VT_USER) return nullptr;
    return c;
}

// The Basic type a global number is read as.
enum class NumberKind { Integer, Long, Double };

template <typename T>
static TesResult GetNumber(TesContext h, const char* name, T* out, NumberKind kind) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name || !out) return TES_E_INVALIDARG;
    *out = 0;
    Cell* c = GlobalCell(ctx, name);
    if (!c || (c->flags & CF_ARRAY)) return TES_OK;
    std::string err;
    if (kind == NumberKind::Integer) {
        int16_t v;
        if (!GetShort(c, v, err)) return TES_E_FAIL;
        *out = (T)v;
    } else if (kind == NumberKind::Long) {
        int32_t v;
        if (!GetLong(c, v, err)) return TES_E_FAIL;
        *out = (T)v;
    } else {
        double v;
        if (!GetDouble(c, v, err)) return TES_E_FAIL;
        *out = (T)v;
    }
    return TES_OK;
    ENTRY_END
}

extern "C" {

TES_API TesResult tesCreateContext(const char* userName, intptr_t instance, intptr_t window,
                                   TesContext* out) {
    ENTRY_BEGIN
    bool first = g_order.empty();
    if (first && !g_messageBuffer) g_messageBuffer = new std::string;
    std::unique_ptr<ScriptContext> ctx;
    try {
        ctx = std::make_unique<ScriptContext>();
    } catch (const std::bad_alloc&) {
        if (first) {
            delete g_messageBuffer;
            g_messageBuffer = nullptr;
        }
        return TES_E_OUTOFMEMORY;
    }
    if (!out) {
        // Nothing could ever free a context whose handle the host never got.
        if (first) {
            delete g_messageBuffer;
            g_messageBuffer = nullptr;
        }
        return TES_E_INVALIDARG;
    }
    size_t index = 0;
    while (index < g_slots.size() && g_slots[index].ctx) ++index;
    if (index >= 0xFFFF) return TES_E_OUTOFMEMORY;
    if (index == g_slots.size()) g_slots.emplace_back();
    Slot& s = g_slots[index];
    ctx->handle = (uint32_t)(index + 1) | ((uint32_t)s.generation << 16);
    ctx->userName = userName ? std::string(userName).substr(0, 32) : std::string();
    ctx->instance = instance;
    ctx->window = window;
    s.ctx = std::move(ctx);
    g_order.insert(g_order.begin(), s.ctx->handle);
    g_current = s.ctx.get();
    *out = s.ctx->handle;
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesRegisterCallback(TesContext h, TesMessageCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->messageCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterCallbackParam(TesContext h, intptr_t param, TesMessageCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->userParam = param;
    ctx->messageCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterOutputCallback(TesContext h, TesOutputCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->outputCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterGetProcAddrCallback(TesContext h, TesGetProcAddrCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->procCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterUndefFuncCallback(TesContext h, TesUndefFuncCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->undefFuncCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterUndefVarCallback(TesContext h, TesUndefVarCallback cb) {
    ENTRY_BEGIN GET_CTX(h) ctx->undefVarCb = cb;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesRegisterUserTypeSubsystem(TesContext h, TesUserTypeRoutine routine,
                                               TesUserTypeAlloc alloc, intptr_t datum) {
    ENTRY_BEGIN GET_CTX(h) ctx->userTypeRoutine = routine;
    ctx->userTypeAlloc = alloc;
    ctx->userTypeDatum = datum;
    return TES_OK;
    ENTRY_END
}

TES_API intptr_t tesGetUserParam(TesContext h) {
    try {
        ScriptContext* ctx = Lookup(h);
        return ctx ? ctx->userParam : 0;
    } catch (...) {
        return 0;
    }
}

TES_API TesResult tesAppendText(TesContext h, const char* text) {
    ENTRY_BEGIN LIVE_CTX(h) if (!text) return TES_E_INVALIDARG;
    if (ctx->compileUsed) return TES_E_STATE;
    if ((int)ctx->sources.size() >= kMaxSources) return TES_E_BUFFERFULL;
    size_t n = std::strlen(text);
    if (n > kMaxFileBytes) return TES_E_BUFFERFULL;
    Source s;
    s.text = Frame(text, n);
    ctx->sources.push_back(std::move(s));
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesAddFile(TesContext h, const char* path) {
    ENTRY_BEGIN LIVE_CTX(h) if (!path) return TES_E_INVALIDARG;
    if (ctx->compileUsed) return TES_E_STATE;
    FILE* f = std::fopen(path, "rb");
    if (!f) return errno == EMFILE || errno == ENFILE ? TES_E_TOOMANYFILES : TES_E_FILENOTFOUND;
    std::fclose(f);
    if ((int)ctx->sources.size() >= kMaxSources) return TES_E_BUFFERFULL;
    std::string err;
    if (ctx->names.Enter(path, true, err) < 0) return TES_E_OUTOFMEMORY;
    Source s;
    s.path = path;
    s.isFile = true;
    ctx->sources.push_back(std::move(s));
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesAddFunctionQualifier(TesContext h, const char* word) {
    ENTRY_BEGIN LIVE_CTX(h) if (ctx->state == kContextCompiled ||
                                ctx->compileUsed) return TES_E_STATE;
    if (!word) return TES_E_INVALIDARG;
    std::string err;
    int n = ctx->names.Enter(word, false, err);
    if (n < 0) return TES_E_FAIL;
    ctx->names[n].kind = T_QUALIFIER;
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesCompile(TesContext h) {
    ENTRY_BEGIN LIVE_CTX(h) if (ctx->compileUsed) return TES_E_STATE;
    ctx->compileUsed = true;
    ctx->errorStatus = kStatusClean;
    ctx->currentSource = 1;
    int32_t r = LoadFileSources(*ctx);
    if (r == 0) {
        try {
            Predeclare(*ctx);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            return TES_E_CODEGEN;
        }
        r = CompileProgram(*ctx, false);
    }
    for (auto& s : ctx->sources) std::string().swap(s.text);
    if (r != 0) return r;
    if (ctx->errorStatus != kStatusClean) return TES_E_SYNTAX;
    ctx->state = kContextCompiled;
    return TES_OK;
    ENTRY_END
}

static TesResult Finish(ScriptContext* ctx, int r) {
    if (r == kRunStopped) return TES_STOPPED;
    if (ctx->errorStatus != kStatusClean) return TES_E_RUNTIME;
    return TES_OK;
}

TES_API TesResult tesExecute(TesContext h) {
    ENTRY_BEGIN LIVE_CTX(h) if (ctx->state != kContextCompiled) return TES_E_STATE;
    ctx->errorStatus = kStatusClean;
    int r = ctx->interp->Run(0, 0);
    return Finish(ctx, r);
    ENTRY_END
}

static void CellToVariant(ScriptContext* ctx, const Cell* c, TesVariant& v) {
    std::memset(&v, 0, sizeof v);
    std::string err;
    uint16_t t = TypeOf(c);
    v.vt = t;
    switch (t) {
        case VT_INTEGER:
            GetShort(c, v.u.iVal, err);
            break;
        case VT_LONG:
            GetLong(c, v.u.lVal, err);
            break;
        case VT_SINGLE: {
            double d;
            GetDouble(c, d, err);
            v.u.fltVal = (float)d;
            break;
        }
        case VT_DOUBLE:
            GetDouble(c, v.u.dblVal, err);
            break;
        case VT_STRING:
            GetString(c, ctx->resultText, err);
            v.u.strVal = ctx->resultText.data();
            break;
        case VT_OBJECT: {
            // An object result carries a reference for the host.
            const Cell* d = Deref(const_cast<Cell*>(c));
            TesDispatch* obj = (d->flags & CF_ARRAY) ? nullptr : d->v.obj;
            if (obj) obj->vtbl->addRef(obj);
            v.u.objVal = obj;
            break;
        }
        default:
            v.vt = VT_EMPTY;
            break;
    }
}

TES_API TesResult tesCallFunc(TesContext h, const char* name, TesArgList* args,
                              TesVariant* result) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name || !result) return TES_E_INVALIDARG;
    if (ctx->state != kContextCompiled) return TES_E_STATE;
    int n = ctx->names.Find(name, false);
    if (n < 0 || ctx->names[n].globalCell <= 0) return TES_E_NOTFOUND;
    Cell& fc = ctx->storage[ctx->names[n].globalCell];
    if (fc.decl != VT_FUNC || !fc.v.fn || fc.v.fn->kind != FK_PROC) return TES_E_NOTFOUND;
    FuncRec* fn = fc.v.fn;
    uint32_t count = args ? args->count : 0;
    if (count != fn->params.size() || (count && !args->args)) return TES_E_INVALIDARG;
    std::vector<Cell> cells(count);
    for (uint32_t i = 0; i < count; ++i) {
        const TesVariant& v = args->args[count - 1 - i];  // last argument first
        if ((v.vt & TES_VT_ARRAY) && !fn->params[i].array) return TES_E_INVALIDARG;
        if (fn->params[i].code == TC_USER || fn->params[i].member)
            return TES_E_INVALIDARG;  // no host user-type values
        if ((v.vt & 0xFFF) == VT_NULL || !VariantToCell(*ctx, v, cells[i], false)) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "unknown type: %d\n", v.vt);
            ReportError(*ctx, buf);
            return TES_E_FAIL;
        }
        if ((v.vt & TES_VT_BYREF) && v.u.byref && (v.vt & 0xFFF) != VT_STRING) {
            cells[i].flags = CF_LINKRAW;
            cells[i].link = (Cell*)v.u.byref;
            cells[i].fixedLen = v.vt & 0xFFF;
        }
    }
    ctx->errorStatus = kStatusClean;
    Cell out;
    int r = ctx->interp->CallProcedure(fn, cells, out);
    CellToVariant(ctx, &out, *result);
    return Finish(ctx, r);
    ENTRY_END
}

// Globals ---------------------------------------------------------------------

static TesResult SetGlobal(TesContext h, const char* name, const Cell& v) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name) return TES_E_INVALIDARG;
    Cell* c = GlobalCell(ctx, name);
    if (!c || (c->flags & CF_ARRAY)) return TES_E_NOGLOBAL;
    std::string err;
    return Assign(c, &v, err) ? TES_OK : TES_E_FAIL;
    ENTRY_END
}

TES_API TesResult tesSetGlobalIntegerVar(TesContext h, const char* name, int32_t value) {
    Cell v;
    std::string err;
    SetLong(&v, value);
    int16_t s;
    if (!GetShort(&v, s, err))
        SetLong(&v, value);
    else
        SetInteger(&v, s);
    return SetGlobal(h, name, v);
}
TES_API TesResult tesSetGlobalLongVar(TesContext h, const char* name, int32_t value) {
    Cell v;
    SetLong(&v, value);
    return SetGlobal(h, name, v);
}
TES_API TesResult tesSetGlobalDoubleVar(TesContext h, const char* name, double value) {
    Cell v;
    SetDouble(&v, value);
    return SetGlobal(h, name, v);
}
TES_API TesResult tesSetGlobalStringVar(TesContext h, const char* name, const char* text) {
    if (!text) return Lookup(h) ? TES_E_INVALIDARG : TES_E_CONTEXT;
    Cell v;
    SetString(&v, text);
    return SetGlobal(h, name, v);
}
TES_API TesResult tesSetGlobalStringVarByIndex(TesContext h, int32_t index, const char* text) {
    ENTRY_BEGIN LIVE_CTX(h) if (!text) return TES_E_INVALIDARG;
    if (index < 0 || index >= ctx->names.Count()) return TES_E_NOGLOBAL;
    int cell = ctx->names[index].globalCell;
    if (cell <= 0 || cell >= (int)ctx->storage.size()) return TES_E_NOGLOBAL;
    Cell* c = &ctx->storage[cell];
    if (c->decl == VT_FUNC || (c->flags & (CF_CONST | CF_ARRAY)) || c->decl == VT_USER)
        return TES_E_NOGLOBAL;
    Cell v;
    SetString(&v, text);
    std::string err;
    return Assign(c, &v, err) ? TES_OK : TES_E_FAIL;
    ENTRY_END
}
// A global that can hold an object: declared Object or Variant, not an array.
static TesResult ObjectGlobal(ScriptContext* ctx, const char* name, Cell*& c) {
    c = GlobalCell(ctx, name);
    if (!c) return TES_E_NOGLOBAL;
    c = Deref(c);
    if ((c->flags & (CF_ARRAY | CF_HOSTREF)) || (c->decl != VT_OBJECT && c->decl != VT_VARIANT))
        return TES_E_TYPEMISMATCH;
    return TES_OK;
}

TES_API TesResult tesSetGlobalObjectVar(TesContext h, const char* name, void* object) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name) return TES_E_INVALIDARG;
    Cell* c;
    TesResult r = ObjectGlobal(ctx, name, c);
    if (r != TES_OK) return r;
    TesDispatch* d = static_cast<TesDispatch*>(object);
    if (d) d->vtbl->addRef(d);
    SetObject(c, d);
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesSetGlobalCPPObjectRef(TesContext h, const char* name, void* object,
                                           TesUserTypeRoutine routine, intptr_t datum,
                                           TesHostObjectFree onFree) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name || !*name || !object) return TES_E_INVALIDARG;
    if (ctx->state == kContextCompiled) {
        Cell* c;
        TesResult r = ObjectGlobal(ctx, name, c);
        if (r != TES_OK) return r;
        TesDispatch* d = NewRegisteredHostObject(ctx->handle, object, routine, datum);
        SetHostObjectFree(d, onFree);
        SetObject(c, d);
        return TES_OK;
    }
    if (ctx->compileUsed) return TES_E_STATE;
    // Declared as a global object name when compiling starts.
    TesDispatch* d = NewRegisteredHostObject(ctx->handle, object, routine, datum);
    SetHostObjectFree(d, onFree);
    for (auto& e : ctx->hostObjects) {
        if (strcasecmp(e.first.c_str(), name) == 0) {
            std::swap(e.second, d);
            d->vtbl->release(d);
            return TES_OK;
        }
    }
    ctx->hostObjects.emplace_back(name, d);
    return TES_OK;
    ENTRY_END
}

static bool ArrayElement(ScriptContext* ctx, const char* name, const int32_t* indices, Cell& view,
                         Cell*& elem, TesResult& r) {
    Cell* c = nullptr;
    int n = name ? ctx->names.Find(name, false) : -1;
    if (n >= 0 && ctx->names[n].globalCell > 0) c = &ctx->storage[ctx->names[n].globalCell];
    if (!c || c->decl == VT_FUNC) {
        r = TES_E_NOGLOBAL;
        return false;
    }
    if (!(c->flags & CF_ARRAY)) {
        r = TES_E_TYPEMISMATCH;
        return false;
    }
    if (!indices) {
        r = TES_E_INVALIDARG;
        return false;
    }
    ArrayData* d = c->v.arr;
    size_t index = 0, scale = 1;
    for (int i = 0; i < d->dims; ++i) {
        int64_t off = (int64_t)indices[i] - d->lower[i];
        if (off < 0 || off >= (int64_t)d->count[i]) {
            r = TES_E_INVALIDARG;
            return false;
        }
        index += (size_t)off * scale;
        scale *= d->count[i];
    }
    if (d->Packed()) {
        view.decl = d->elem;
        view.flags = CF_HOSTREF;
        view.v.host = d->raw.data() + index * ArrayData::ElemSize(d->elem);
        elem = &view;
    } else {
        elem = &d->cells[index];
    }
    return true;
}

TES_API TesResult tesSetGlobalArrayElement(TesContext h, const char* name, const int32_t* indices,
                                           const TesVariant* value) {
    ENTRY_BEGIN LIVE_CTX(h) if (!value) return TES_E_INVALIDARG;
    Cell view, *elem;
    TesResult r;
    if (!ArrayElement(ctx, name, indices, view, elem, r)) {
        view.flags = 0;
        return r;
    }
    Cell v;
    std::string err;
    bool ok = VariantToCell(*ctx, *value, v, false) &&
              (TypeOf(&v) == VT_OBJECT ? SetReference(elem, &v, err) : Assign(elem, &v, err));
    view.flags = 0;
    return ok ? TES_OK : TES_E_FAIL;
    ENTRY_END
}

TES_API TesResult tesGetGlobalArrayElement(TesContext h, const char* name, const int32_t* indices,
                                           TesVariant* out) {
    ENTRY_BEGIN LIVE_CTX(h) if (!out) return TES_E_INVALIDARG;
    Cell view, *elem;
    TesResult r;
    if (!ArrayElement(ctx, name, indices, view, elem, r)) {
        view.flags = 0;
        return r;
    }
    CellToVariant(ctx, elem, *out);
    view.flags = 0;
    return TES_OK;
    ENTRY_END
}

static TesResult BindRef(TesContext h, const char* name, void* ref, uint16_t type) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name || !ref) return TES_E_INVALIDARG;
    Cell* c = GlobalCell(ctx, name);
    if (!c || (c->flags & CF_ARRAY)) return TES_E_NOGLOBAL;
    if (c->decl != type) return TES_E_TYPEMISMATCH;
    c->flags |= CF_HOSTREF;
    c->v.host = ref;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesSetGlobalIntegerRef(TesContext h, const char* name, int16_t* ref) {
    return BindRef(h, name, ref, VT_INTEGER);
}
TES_API TesResult tesSetGlobalLongRef(TesContext h, const char* name, int32_t* ref) {
    return BindRef(h, name, ref, VT_LONG);
}
TES_API TesResult tesSetGlobalDoubleRef(TesContext h, const char* name, double* ref) {
    return BindRef(h, name, ref, VT_DOUBLE);
}

TES_API TesResult tesSetGlobalFixedStringRef(TesContext h, const char* name, const char* text) {
    ENTRY_BEGIN LIVE_CTX(h) if (!name || !text) return TES_E_INVALIDARG;
    Cell* c = GlobalCell(ctx, name);
    if (!c || (c->flags & CF_ARRAY)) return TES_E_NOGLOBAL;
    if (c->decl != VT_STRING) return TES_E_TYPEMISMATCH;
    std::string t = text;
    if (c->fixedLen > 0) t.resize(c->fixedLen, ' ');
    SetString(c, t);
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesGetGlobalIntegerVar(TesContext h, const char* name, int32_t* out) {
    return GetNumber(h, name, out, NumberKind::Integer);
}
TES_API TesResult tesGetGlobalLongVar(TesContext h, const char* name, int32_t* out) {
    return GetNumber(h, name, out, NumberKind::Long);
}
TES_API TesResult tesGetGlobalDoubleVar(TesContext h, const char* name, double* out) {
    return GetNumber(h, name, out, NumberKind::Double);
}

TES_API TesResult tesGetGlobalStringVar(TesContext h, const char* name, char* buffer,
                                        int32_t length) {
    ENTRY_BEGIN LIVE_CTX(h) if (!buffer || length < 1) return TES_E_INVALIDARG;
    buffer[0] = 0;
    if (!name) return TES_E_INVALIDARG;
    Cell* c = GlobalCell(ctx, name);
    if (!c || (c->flags & CF_ARRAY)) return TES_E_INVALIDARG;
    std::string s, err;
    if (!GetString(c, s, err)) return TES_E_INVALIDARG;
    size_t n = std::min(s.size(), (size_t)length - 1);
    std::memcpy(buffer, s.data(), n);
    buffer[n] = 0;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesGetVarValueString(TesContext h, const char* name, char* buffer,
                                       int32_t length) {
    return tesGetGlobalStringVar(h, name, buffer, length);
}

// Debugging -------------------------------------------------------------------

static TesResult Debug(TesContext h, int32_t* source, int32_t* line, int mode) {
    ENTRY_BEGIN LIVE_CTX(h) if (ctx->state != kContextCompiled) return TES_E_STATE;
    int r;
    if (ctx->interp->Paused())
        r = ctx->interp->Resume(mode);
    else {
        ctx->errorStatus = kStatusClean;
        r = ctx->interp->Run(0, mode, true);
    }
    int32_t src = ctx->interp->Paused() ? ctx->interp->PausedSource() : ctx->currentSource;
    int32_t ln = ctx->interp->Paused() ? ctx->interp->PausedLine() : -1;
    if (source) *source = src;
    if (line) *line = ln;
    if (r == kRunStopped) return TES_STOPPED;
    if (ctx->errorStatus != kStatusClean) return TES_E_RUNTIME;
    return TES_OK;
    ENTRY_END
}
TES_API TesResult tesDebugStep(TesContext h, int32_t* source, int32_t* line) {
    return Debug(h, source, line, 1);
}
TES_API TesResult tesDebugStepInto(TesContext h, int32_t* source, int32_t* line) {
    return Debug(h, source, line, 2);
}
TES_API TesResult tesDebugGo(TesContext h, int32_t* source, int32_t* line) {
    if (!line) return TES_E_CONTEXT;
    return Debug(h, source, line, 0);
}

// Compiled code -----------------------------------------------------------------

TES_API TesResult tesSaveCompiledCode(TesContext h, const char* path) {
    ENTRY_BEGIN LIVE_CTX(h) if (!path) return TES_E_INVALIDARG;
    if (ctx->state != kContextCompiled) return TES_E_STATE;
    return SaveCode(*ctx, path);
    ENTRY_END
}

TES_API TesResult tesLoadCompiledCode(TesContext h, const char* path) {
    ENTRY_BEGIN LIVE_CTX(h) if (!path) return TES_E_INVALIDARG;
    if (ctx->compileUsed) return TES_E_STATE;
    ctx->compileUsed = true;
    std::vector<StreamToken> tokens;
    std::vector<std::string> names;
    ctx->errorStatus = kStatusClean;
    Predeclare(*ctx);
    TesResult r = LoadCode(*ctx, path, tokens, names);
    if (r != 0) return r;
    ctx->stream = tokens;
    ctx->replayNames = names;
    r = CompileProgram(*ctx, true);
    if (r != 0) return r;
    if (ctx->errorStatus != kStatusClean) return TES_E_SYNTAX;
    ctx->state = kContextCompiled;
    return TES_OK;
    ENTRY_END
}

// Lifecycle -------------------------------------------------------------------------

TES_API TesResult tesFreeBuffers(TesContext h) {
    ENTRY_BEGIN GET_CTX(h) ctx->FreeBuffers();
    ctx->freed = true;
    ctx->state = kContextCreated;
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesFreeContext(TesContext h) {
    ENTRY_BEGIN GET_CTX(h) uint32_t index = h & 0xFFFF;
    Slot& s = g_slots[index - 1];
    s.ctx.reset();
    ++s.generation;
    if (s.generation == 0) s.generation = 1;
    for (size_t i = 0; i < g_order.size(); ++i)
        if (g_order[i] == h) {
            g_order.erase(g_order.begin() + i);
            break;
        }
    if (g_current == ctx) g_current = nullptr;
    if (g_order.empty()) {
        delete g_messageBuffer;
        g_messageBuffer = nullptr;
    }
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesContextFromUserName(const char* name, TesContext* out) {
    ENTRY_BEGIN
    if (!name || !out) return TES_E_INVALIDARG;
    for (uint32_t h : g_order) {
        ScriptContext* ctx = Lookup(h);
        if (ctx && strcasecmp(ctx->userName.c_str(), name) == 0) {
            *out = h;
            return TES_OK;
        }
    }
    *out = 0;
    return TES_E_NOTFOUND;
    ENTRY_END
}

TES_API const char* tesVersion(int32_t* major, int32_t* minor) {
    if (major) *major = 2;
    if (minor) *minor = 567;
    return kBanner;
}

TES_API const char* tesResultText(TesResult code) {
    static const char* const texts[] = {"Tessel: Not implemented",
                                        "Tessel: Ran out of memory",
                                        "Tessel: One or more arguments are invalid",
                                        "Tessel: No such interface supported",
                                        "Tessel: Invalid pointer",
                                        "Tessel: Invalid handle",
                                        "Tessel: Operation aborted",
                                        "Tessel: General error",
                                        "Tessel: General access denied error",
                                        "Tessel: Context argument is invalid",
                                        "Tessel: File not found",
                                        "Tessel: Internal buffer is full",
                                        "Tessel: Item to be returned was not found",
                                        "Tessel: Read error on file",
                                        "Tessel: Internal stack overflow",
                                        "Tessel: Global variable not declared",
                                        "Tessel: Syntax error",
                                        "Tessel: Runtime error",
                                        "Tessel: Types do not match",
                                        "Tessel: This API call requires another state",
                                        "Tessel: Error occured during parsing",
                                        "Tessel: Too many open files",
                                        "Tessel: Unhandled exception",
                                        "Tessel: Unhandled exception during code generation",
                                        "Tessel: Unhandled exception during code generation",
                                        "Tessel: Compiled code file is out of date or corrupted"};
    static_assert(sizeof texts / sizeof texts[0] == 0x1A,
                  "one text per code 0x80000001..0x8000001A");
    if (code == 0) return "Tessel: Success";
    uint32_t u = (uint32_t)code;
    if (u >= 0x80000001u && u <= 0x8000001Au) return texts[u - 0x80000001u];
    return "Tessel: Relatively catastrophic failure";
}

TES_API TesResult tesSetRunLimits(TesContext h, int64_t maxSteps, int32_t sandbox) {
    ENTRY_BEGIN GET_CTX(h) ctx->maxSteps = maxSteps > 0 ? maxSteps : 0;
    ctx->sandbox = sandbox != 0;
    return TES_OK;
    ENTRY_END
}

TES_API TesResult tesSetCommandArgs(TesContext h, int32_t count, const char* const* args) {
    ENTRY_BEGIN GET_CTX(h) if (count < 0 || (count > 0 && !args)) return TES_E_INVALIDARG;
    std::vector<std::string> copy;
    for (int32_t i = 0; i < count; ++i) copy.emplace_back(args[i] ? args[i] : "");
    ctx->commandArgs = std::move(copy);
    return TES_OK;
    ENTRY_END
}

TES_API void* tesProcByOrdinal(int32_t ordinal) {
    static const struct {
        int32_t ord;
        void* fn;
    } table[] = {{1, (void*)&tesCreateContext},
                 {2, (void*)&tesRegisterCallback},
                 {3, (void*)&tesRegisterGetProcAddrCallback},
                 {4, (void*)&tesAppendText},
                 {5, (void*)&tesAddFile},
                 {6, (void*)&tesCompile},
                 {7, (void*)&tesSetGlobalIntegerVar},
                 {8, (void*)&tesSetGlobalLongVar},
                 {9, (void*)&tesSetGlobalDoubleVar},
                 {10, (void*)&tesSetGlobalStringVar},
                 {11, (void*)&tesExecute},
                 {12, (void*)&tesCallFunc},
                 {13, (void*)&tesGetGlobalIntegerVar},
                 {14, (void*)&tesGetGlobalLongVar},
                 {15, (void*)&tesGetGlobalDoubleVar},
                 {16, (void*)&tesGetGlobalStringVar},
                 {17, (void*)&tesFreeBuffers},
                 {18, (void*)&tesFreeContext},
                 {19, (void*)&tesVersion},
                 {20, (void*)&tesSaveCompiledCode},
                 {21, (void*)&tesLoadCompiledCode},
                 {24, (void*)&tesContextFromUserName},
                 {30, (void*)&tesSetGlobalArrayElement},
                 {33, (void*)&tesSetGlobalIntegerRef},
                 {34, (void*)&tesSetGlobalLongRef},
                 {35, (void*)&tesSetGlobalFixedStringRef},
                 {36, (void*)&tesSetGlobalDoubleRef},
                 {37, (void*)&tesDebugStep},
                 {38, (void*)&tesDebugGo},
                 {39, (void*)&tesGetVarValueString},
                 {40, (void*)&tesDebugStepInto},
                 {41, (void*)&tesSetGlobalCPPObjectRef},
                 {49, (void*)&tesGetGlobalArrayElement},
                 {111, (void*)&tesSetGlobalObjectVar},
                 {129, (void*)&tesRegisterOutputCallback},
                 {200, (void*)&tesRegisterCallbackParam},
                 {201, (void*)&tesGetUserParam},
                 {210, (void*)&tesSetGlobalStringVarByIndex},
                 {300, (void*)&tesRegisterUndefFuncCallback},
                 {301, (void*)&tesRegisterUndefVarCallback},
                 {302, (void*)&tesRegisterUserTypeSubsystem},
                 {370, (void*)&tesAddFunctionQualifier}};
    for (const auto& e : table)
        if (e.ord == ordinal) return e.fn;
    return nullptr;
}

}  // extern "C"
