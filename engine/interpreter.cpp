// interpreter.cpp: the run loop, calls with activation frames, GoSub, loops,
// files and Print.
#include "engine/interpreter.h"

#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string_view>

#include "engine/builtins.h"
#include "engine/builtins_runtime.h"
#include "engine/runtime/text.h"

namespace tessel {

static std::string Fmt(const char* fmt, long v) {
    char buf[200];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

static std::string Fmt(const char* fmt, const std::string& v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, fmt, v.substr(0, 200).c_str());
    return buf;
}

Interpreter::Interpreter(ScriptContext& ctx) : ctx_(ctx) {
    // Reserved, committed on touch: cells never move, so references stay valid.
    capacity_ = (size_t)1 << 21;
    void* p = mmap(nullptr, capacity_ * sizeof(Cell), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        capacity_ = 0;
        p = nullptr;
    }
    stack_ = sp_ = fp_ = built_ = (Cell*)p;
    end_ = stack_ + capacity_;
}

Interpreter::~Interpreter() {
    Reset();
    CloseFiles();
    for (Cell* c = stack_; c < built_; ++c) c->~Cell();
    if (stack_) munmap(stack_, capacity_ * sizeof(Cell));
}

void Interpreter::Reset() {
    PopCells((int)(sp_ - stack_));
    frames_.clear();
    callDepth_ = 0;
    fp_ = stack_;
    paused_ = false;
}

int Interpreter::CloseFile(int n) {
    OpenFile& f = ctx_.files[n];
    if (!f.fp) return 0;
    // A write that failed earlier leaves the error flag; the close writes
    // what is still buffered.
    bool lost = f.mode != 1 && std::ferror(f.fp);
    if (std::fclose(f.fp) != 0 && f.mode != 1) lost = true;
    f.fp = nullptr;
    return lost ? n : 0;
}

int Interpreter::CloseFiles() {
    int failed = 0;
    for (int n = 1; n <= kMaxFiles; ++n) {
        int r = CloseFile(n);
        if (r && !failed) failed = r;
    }
    return failed;
}

bool Interpreter::FlushFiles() {
    int failed = 0;
    for (int n = 1; n <= kMaxFiles; ++n) {
        OpenFile& f = ctx_.files[n];
        if (!f.fp || f.mode == 1) continue;
        bool lost = std::fflush(f.fp) != 0 || std::ferror(f.fp);
        std::clearerr(f.fp);  // reported once
        if (lost && !failed) failed = n;
    }
    return failed ? Fail(Fmt("Error writing to file: %d\n", failed)) : true;
}

// Stack cells are constructed once (up to a high-water mark) and reused:
// pushing resets a cell, popping releases what it owns but keeps string
// capacity, so calls and pushes allocate nothing in steady state.
Cell* Interpreter::Fresh(Cell* c) {
    if (c >= built_) {
        new (c) Cell();
        built_ = c + 1;
        return c;
    }
    if (c->flags & CF_ARRAY)
        c->DeleteArray();
    else
        c->DropObject();
    c->flags = 0;
    c->type = VT_EMPTY;
    c->decl = VT_VARIANT;
    c->fixedLen = 0;
    c->name = 0;
    c->link = nullptr;
    c->v.d = 0;
    c->s.clear();
    return c;
}

bool Interpreter::PushCell(Cell*& out) {
    if (sp_ >= end_) return false;
    out = Fresh(sp_);
    ++sp_;
    return true;
}

void Interpreter::PopCells(int n) {
    if (n > sp_ - stack_) n = (int)(sp_ - stack_);
    if (n > 0) PopTo(sp_ - n);
}

// A popped cell owns nothing (its object reference released), has no flags
// and holds an empty string (its capacity is kept unless it grew large).
void Interpreter::Tidy(Cell* c) {
    if (c->flags & CF_ARRAY)
        c->DeleteArray();
    else
        c->DropObject();
    if (c->type == VT_OBJECT) c->type = VT_EMPTY;  // a reference cell held no object of its own
    c->flags = 0;
    c->s.clear();
    if (c->s.capacity() > 4096) std::string().swap(c->s);
}

bool Interpreter::Fail(const std::string& msg) {
    ReportError(ctx_, msg);
    return false;
}

// The run loop's errors, kept out of its handlers: reports msg at the line of
// `in` and stops the run.
__attribute__((noinline, cold)) int Interpreter::FailAt(const Instr& in, const std::string& msg) {
    ctx_.line = in.line;
    ctx_.currentSource = in.source;
    Fail(msg);
    return kRunStopped;
}

__attribute__((noinline, cold)) int Interpreter::FailAt(const Instr& in, const char* msg) {
    return FailAt(in, std::string(msg));
}

int Interpreter::PausedLine() const {
    if (!paused_ || pausedPc_ < 0 || pausedPc_ >= (int)ctx_.code.size()) return -1;
    return ctx_.code[pausedPc_].line;
}

int Interpreter::PausedSource() const {
    if (!paused_ || pausedPc_ < 0 || pausedPc_ >= (int)ctx_.code.size()) return 0;
    return ctx_.code[pausedPc_].source;
}

int Interpreter::Run(int pc, int mode, bool debug) {
    Reset();
    steps_ = 0;
    lastLine_ = -1;
    depthLimit_ = debug ? kMaxDebugDepth : kMaxCallDepth;
    debugging_ = debug;
    pausedPc_ = -1;
    pollCount_ = 0;
    if (!stack_) return Fail("Out of memory for stack\n") ? kRunEnded : kRunStopped;
    // Starting at a procedure's entry runs it as a call, with its own frame.
    for (const auto& f : ctx_.funcs) {
        if (f->kind == FK_PROC && f->entry == pc) {
            int end = (int)ctx_.code.size();
            if (!f->params.empty()) {
                // The usual slip: a helper written above Sub Main. Point at
                // the helper's header and say why it runs.
                ctx_.line = f->line;
                ctx_.currentSource = f->source;
                std::string name = f->name.substr(0, 200);
                bool main = strcasecmp(name.c_str(), "Main") == 0;
                char buf[600];
                std::snprintf(buf, sizeof buf,
                              "Argument-count mismatch - %s takes %d arguments - 0 pushed (a "
                              "program starts with its first procedure, %s, and passes it no "
                              "arguments%s)\n",
                              name.c_str(), (int)f->params.size(), name.c_str(),
                              main ? "" : "; put Sub Main first");
                Fail(buf);
                Reset();
                return kRunStopped;
            }
            if (!EnterProcedure(f.get(), 0, nullptr, end, pc)) {
                Reset();
                return kRunStopped;
            }
            break;
        }
    }
    int r = Exec(pc, mode);
    if (r != kRunPaused) {
        Reset();
        if (!FlushFiles()) r = kRunStopped;
    }
    return r;
}

int Interpreter::Resume(int mode) {
    if (!paused_) return kRunEnded;
    paused_ = false;
    depthLimit_ = kMaxDebugDepth;
    debugging_ = true;
    int r = Exec(pausedPc_, mode);
    if (r != kRunPaused) {
        Reset();
        if (!FlushFiles()) r = kRunStopped;
    }
    return r;
}

bool Interpreter::ElementAddress(Cell* arrCell, Cell* subs, int nsubs, Cell*& cell, void*& raw,
                                 uint16_t& rawType) {
    Cell* a = Deref(arrCell);
    cell = nullptr;
    raw = nullptr;
    if (!(a->flags & CF_ARRAY) || !a->v.arr) return Fail("Type mismatch\n");
    ArrayData* d = a->v.arr;
    if (nsubs != d->dims) return Fail("Wrong number of dimensions\n");
    size_t index = 0, scale = 1;
    std::string err;
    for (int i = 0; i < nsubs; ++i) {
        int32_t s;
        Cell* sc = Deref(subs + i);
        if ((sc->type == VT_INTEGER || sc->type == VT_LONG) && !(sc->flags & CF_HOSTREF))
            s = sc->type == VT_LONG ? sc->v.l : sc->v.i;
        else if (!GetLong(sc, s, err))
            return Fail(err);
        int64_t off = (int64_t)s - d->lower[i];
        if (off < 0 || off >= (int64_t)d->count[i]) return Fail("Subscript out of range\n");
        index += (size_t)off * scale;
        scale *= d->count[i];
    }
    if (d->Packed()) {
        raw = d->raw.data() + index * ArrayData::ElemSize(d->elem);
        rawType = d->elem;
    } else {
        cell = &d->cells[index];
    }
    return true;
}

// Reads or writes a packed element through a host-reference view.
static void RawView(Cell& view, void* raw, uint16_t type) {
    view.decl = type;
    view.flags = CF_HOSTREF;
    view.v.host = raw;
}

// A plain pushed copy that already has its parameter's type (or goes into a
// Variant) is bound as it is. A by-value parameter needs no link to the
// variable the copy came from (a lazily read string still needs it).
static inline bool BindsAsIs(Cell& p, const Param& pr) {
    if (p.flags == CF_LINKED && pr.byVal) {
        p.flags = 0;
        p.link = nullptr;
    }
    return p.flags == 0 && !pr.array &&
           ((p.type == pr.type && pr.type != VT_STRING) || pr.type == VT_VARIANT);
}

bool Interpreter::EnterProcedure(FuncRec* fn, int nargs, Cell* dest, int returnPc, int& pc) {
    if ((int)fn->params.size() != nargs) {
        char buf[400];
        std::snprintf(buf, sizeof buf,
                      "Argument-count mismatch - %s takes %d arguments - %d pushed\n",
                      fn->name.substr(0, 200).c_str(), (int)fn->params.size(), nargs);
        return Fail(buf);
    }
    if (callDepth_ >= depthLimit_)
        return Fail(Fmt("Nested calls cannot exceed: %d\n", depthLimit_));
    Cell* base = sp_ - nargs;
    if (base + fn->frameSize > end_) return Fail("Out of memory for stack\n");
    std::string err;
    for (int i = 0; i < nargs; ++i) {
        Cell& p = base[i];
        const Param& pr = fn->params[i];
        if (BindsAsIs(p, pr)) {
            p.decl = pr.type;
            p.fixedLen = 0;
            continue;
        }
        if (!pr.byVal && (p.flags & CF_LINKED) && p.link) {
            Cell* target = p.link;
            p.DropObject();
            p.s.clear();
            p.flags = CF_REF;
            p.v.ref = target;
            p.link = nullptr;
            continue;
        }
        if (!pr.byVal && (p.flags & CF_LINKRAW) && p.link) {
            void* raw = p.link;
            p.DropObject();
            p.decl = (uint16_t)p.fixedLen;
            p.fixedLen = 0;
            p.flags = CF_HOSTREF;
            p.v.host = raw;
            p.link = nullptr;
            continue;
        }
        if (pr.array) return Fail("Parameter mismatch\n");
        Materialize(&p);
        p.flags = 0;
        p.link = nullptr;
        p.fixedLen = 0;
        if (pr.type == VT_OBJECT && p.type != VT_OBJECT) {
            return Fail("Type mismatch\n");  // only an object (or Nothing) passes as an Object
        } else if (pr.type == p.type && pr.type != VT_STRING) {
            p.decl = pr.type;
        } else if (pr.type != VT_VARIANT) {
            Cell tmp;
            CopyValue(&tmp, &p);
            p.decl = pr.type;
            p.Clear();
            if (!Assign(&p, &tmp, err)) return Fail(err);
        } else {
            p.decl = VT_VARIANT;
        }
    }
    sp_ = base + nargs;
    // The result slot, locals and temporaries start fresh in every activation:
    // numbers zero, strings empty (fixed-length ones blank), objects Nothing,
    // Variants Empty.
    for (const SlotInit& s : fn->slots) {
        Cell* c = sp_++;
        if (c >= built_) {
            new (c) Cell();
            built_ = c + 1;
        } else if (c->flags) {
            Fresh(c);
        }
        // Popped cells own nothing and have no flags: the fields are enough.
        c->name = s.name;
        c->decl = s.decl;
        c->fixedLen = s.fixedLen;
        c->type = s.decl < 16 && ((0x33Cu >> s.decl) & 1)
                      ? s.decl
                      : VT_EMPTY;  // numbers, String, Object (Nothing)
        c->v.d = 0;
        c->link = nullptr;
        if (!c->s.empty()) c->s.clear();
        if (s.decl == VT_STRING && s.fixedLen > 0) c->s.assign(s.fixedLen, ' ');
        if (s.array) {
            ArrayData* a = s.array->CopyShape();
            a->Allocate();
            c->flags |= CF_ARRAY;
            c->v.arr = a;
        }
    }
    frames_.push_back({fn, base, fp_, dest, returnPc, false});
    ++callDepth_;
    fp_ = base;
    pc = fn->entry;
    return true;
}

// The call of a plain procedure (FuncRec::fastArgs) whose arguments already
// have their parameters' types: binds them and starts the frame from the
// layout computed at compile time. False leaves everything to EnterProcedure
// (other arguments, the depth limit, a full stack). Kept out of the run loop
// so both compile to tight code.
__attribute__((noinline)) bool Interpreter::EnterPlain(FuncRec* fn, int nargs, Cell* dest,
                                                       int returnPc) {
    if (!fn || fn->fastArgs != nargs || nargs < 0 || sp_ - stack_ < nargs ||
        callDepth_ >= depthLimit_)
        return false;
    Cell* base = sp_ - nargs;
    if (fn->frameSize > end_ - base) return false;
    const Param* pr = fn->params.data();
    for (int i = 0; i < nargs; ++i) {
        Cell& p = base[i];
        if (!BindsAsIs(p, pr[i])) {
            // Undo nothing: the bound ones keep what EnterProcedure would give them.
            return false;
        }
        p.decl = pr[i].type;
        p.fixedLen = 0;
    }
    if (dest) dest = Deref(dest);
    // Cells above the stack top own nothing, have no flags and empty strings
    // (PopTo keeps it so), so each slot only needs its fields.
    Cell* end = base + fn->frameSize;
    for (; built_ < end; ++built_) new (built_) Cell();
    const SlotInit* si = fn->slots.data();
    for (Cell* c = base + nargs; c < end; ++c, ++si) {
        c->decl = si->decl;
        c->type = si->type;
        c->fixedLen = si->fixedLen;
        c->name = si->name;
        c->v.d = 0;
        c->link = nullptr;
    }
    if (fn->fixedStrings) {
        si = fn->slots.data();
        for (Cell* c = base + nargs; c < end; ++c, ++si)
            if (si->decl == VT_STRING && si->fixedLen > 0) c->s.assign(si->fixedLen, ' ');
    }
    sp_ = end;
    frames_.push_back({fn, base, fp_, dest, returnPc, false});
    ++callDepth_;
    fp_ = base;
    return true;
}

// Returns from a plain frame whose result is a number (or that has none)
// into a destination that holds no object: gives the return pc, or -1 to
// leave it to Leave.
__attribute__((noinline)) int Interpreter::LeavePlain() {
    const Frame& f = frames_.back();
    if (f.gosub || !f.fn || !f.fn->plainFrame) return -1;
    Cell* result = f.base + f.fn->params.size();
    Cell* dest = f.dest;
    if (dest) {
        if (((dest->flags | result->flags) & (CF_HOSTREF | CF_ARRAY)) ||
            result->type == VT_STRING || result->type == VT_OBJECT || dest->type == VT_OBJECT ||
            (dest->decl != VT_VARIANT && dest->decl != result->type))
            return -1;
        dest->type = result->type;
        dest->v = result->v;
    }
    Cell* base = f.base;
    fp_ = f.savedFp;
    const int pc = f.returnPc;
    frames_.pop_back();
    --callDepth_;
    PopTo(base);
    return pc;
}

static_assert(offsetof(Cell, decl) == offsetof(SlotImage, decl) &&
                  offsetof(Cell, type) == offsetof(SlotImage, type) &&
                  offsetof(Cell, flags) == offsetof(SlotImage, flags) &&
                  offsetof(Cell, fixedLen) == offsetof(SlotImage, fixedLen) &&
                  offsetof(Cell, name) == offsetof(SlotImage, name) &&
                  offsetof(Cell, v) == offsetof(SlotImage, value) &&
                  offsetof(Cell, link) == offsetof(SlotImage, link) &&
                  offsetof(Cell, s) == sizeof(SlotImage),
              "a slot image is the start of a cell");

// EnterPlain and LeavePlain for the quick call forms, built into the run
// loop: the procedure is a plain one of nargs parameters (checked
// when the call was prepared) without fixed-length String slots, and its
// frame's cells were constructed by an earlier call. False (-1) leaves the
// call (the return) to the general path, with nothing to undo.
__attribute__((always_inline)) inline bool Interpreter::EnterQuick(FuncRec* fn, int nargs,
                                                                   Cell* dest, int returnPc) {
    Cell* const base = sp_ - nargs;
    Cell* const end = base + fn->frameSize;
    if (callDepth_ >= depthLimit_ || sp_ - stack_ < nargs || end > built_ || fn->fixedStrings)
        return false;
    // As BindsAsIs (a plain procedure has no array parameters).
    const Param* pr = fn->params.data();
    for (int i = 0; i < nargs; ++i) {
        Cell& p = base[i];
        if (p.flags) {
            if (p.flags != CF_LINKED || !pr[i].byVal) return false;
            p.flags = 0;
            p.link = nullptr;
        }
        if (p.type != pr[i].type ? pr[i].type != VT_VARIANT : pr[i].type == VT_STRING) return false;
        p.decl = pr[i].type;
        p.fixedLen = 0;
    }
    if (dest && (dest->flags & CF_REF)) dest = Deref(dest);
    // Cells above the stack top own nothing, have no flags and empty strings:
    // the leading fields are the whole start.
    const SlotImage* im = fn->images.data();
    for (Cell* c = base + nargs; c < end; ++c, ++im)
        std::memcpy(static_cast<void*>(c), im, sizeof(SlotImage));
    sp_ = end;
    Frame& f = frames_.items[frames_.count++];
    f.fn = fn;
    f.base = base;
    f.savedFp = fp_;
    f.dest = dest;
    f.returnPc = returnPc;
    f.gosub = false;
    f.quick = true;
    ++callDepth_;
    fp_ = base;
    return true;
}

__attribute__((always_inline)) inline int Interpreter::LeaveQuick() {
    if (frames_.count == 0) return -1;
    const Frame& f = frames_.back();
    if (!f.quick) return -1;
    Cell* const result = f.base + f.fn->resultSlot;
    Cell* const dest = f.dest;
    if (dest) {
        if (((dest->flags | result->flags) & (CF_HOSTREF | CF_ARRAY)) ||
            result->type == VT_STRING || result->type == VT_OBJECT || dest->type == VT_OBJECT ||
            (dest->decl != VT_VARIANT && dest->decl != result->type))
            return -1;
        dest->type = result->type;
        dest->v = result->v;
    }
    Cell* const base = f.base;
    fp_ = f.savedFp;
    const int pc = f.returnPc;
    --frames_.count;
    --callDepth_;
    PopTo(base);
    return pc;
}

// Returns from the current procedure; done when this Run level ends.
bool Interpreter::Leave(int& pc, size_t baseFrames, bool& done) {
    while (frames_.size() > baseFrames && frames_.back().gosub) frames_.pop_back();
    if (frames_.size() <= baseFrames) {
        done = true;
        return true;
    }
    Frame f = frames_.back();
    frames_.pop_back();
    --callDepth_;
    if (f.dest && f.fn) {
        Cell* result = f.base + f.fn->params.size();
        if (f.dest->decl == VT_VARIANT && !(f.dest->flags & (CF_HOSTREF | CF_ARRAY)) &&
            !(result->flags & CF_HOSTREF)) {
            MoveValue(f.dest, result);
        } else {
            std::string err;
            if (!Assign(f.dest, result, err)) return Fail(err);
        }
    }
    PopCells((int)(sp_ - f.base));
    fp_ = f.savedFp;
    pc = f.returnPc;
    done = false;
    return true;
}

// Moves named arguments into the places of the parameters they name. Each
// written argument takes spans[i] cells (a user-type argument takes one per
// member besides its own). A count that does not match is left to the
// callee's argument-count check.
bool Interpreter::PlaceNamedArguments(FuncRec* fn, const ScriptContext::NamedCall& nc, Cell* base,
                                      int nargs) {
    if (fn->kind == FK_UNDECLARED || fn->builtin >= 0)
        return Fail(Fmt("Named arguments need declared parameters: %s\n", fn->name));
    // The declared parameters: first cell and cell count of each.
    std::vector<int> pfirst, pspan;
    for (size_t i = 0; i < fn->params.size(); ++i) {
        if (fn->params[i].member) {
            ++pspan.back();
            continue;
        }
        pfirst.push_back((int)i);
        pspan.push_back(1);
    }
    size_t n = nc.names.size();
    std::vector<int> target(n, -1);  // written argument -> parameter
    std::vector<int> taken(pfirst.size(), -1);
    for (size_t j = 0; j < n; ++j) {
        int p = -1;
        if (nc.names[j] < 0) {
            p = (int)j;
        } else {
            for (size_t k = 0; k < pfirst.size(); ++k)
                if (fn->params[pfirst[k]].name == nc.names[j]) p = (int)k;
            if (p < 0)
                return Fail(Fmt("Named argument not found: %s\n", ctx_.names[nc.names[j]].text));
        }
        if (p >= (int)pfirst.size()) return true;  // too many: the count check reports it
        if (taken[p] >= 0)
            return Fail(
                Fmt("Argument given twice: %s\n", ctx_.names[fn->params[pfirst[p]].name].text));
        taken[p] = (int)j;
        target[j] = p;
    }
    if (n != pfirst.size()) return true;
    std::vector<int> afirst(n);
    int at = 0;
    for (size_t j = 0; j < n; ++j) {
        if (nc.spans[j] != pspan[target[j]]) return Fail("Type mismatch\n");
        afirst[j] = at;
        at += nc.spans[j];
    }
    if (at != nargs) return Fail("Data corruption detected in DoCallFunc - type: 0\n");
    std::vector<Cell> moved(nargs);
    for (int i = 0; i < nargs; ++i) moved[i] = std::move(base[i]);
    for (size_t k = 0; k < pfirst.size(); ++k) {
        int j = taken[k];
        for (int c = 0; c < nc.spans[j]; ++c) base[pfirst[k] + c] = std::move(moved[afirst[j] + c]);
    }
    return true;
}

bool Interpreter::Call(const Instr& in, int& pc) {
    if (in.a <= 0 || in.a >= (int)ctx_.storage.size() || globals_[in.a].decl != VT_FUNC ||
        !globals_[in.a].v.fn)
        return Fail("NULL function\n");
    FuncRec* fn = globals_[in.a].v.fn;
    Cell* dest = in.b == -1 ? nullptr : Deref(Operand(in.b));
    int nargs = in.c;
    if (nargs < 0 || sp_ - stack_ < nargs)
        return Fail("Data corruption detected in DoCallFunc - type: 0\n");
    const std::vector<int32_t>* names = nullptr;
    if (in.pad > 0) {
        if (in.pad > (int)ctx_.namedCalls.size())
            return Fail("Data corruption detected in DoCallFunc - type: 0\n");
        const ScriptContext::NamedCall& nc = ctx_.namedCalls[in.pad - 1];
        // Objects and the host's undefined-function callback get the names
        // themselves; for procedures the arguments move into place.
        if (fn->kind == FK_MEMBER || (fn->kind == FK_UNDECLARED && ctx_.undefFuncCb)) {
            if ((int)nc.names.size() != nargs) return Fail("Type mismatch\n");
            names = &nc.names;
        } else if (!PlaceNamedArguments(fn, nc, sp_ - nargs, nargs)) {
            return false;
        }
    }
    if (fn->kind == FK_PROC) return EnterProcedure(fn, nargs, dest, pc + 1, pc);
    Cell out;
    std::string err;
    bool ok;
    int popped = nargs;
    if (fn->builtin < 0)
        for (Cell* a = sp_ - nargs; a < sp_; ++a) Materialize(a);
    if (fn->kind == FK_MEMBER) {
        // The object was pushed before the arguments.
        if (sp_ - stack_ < nargs + 1)
            return Fail("Data corruption detected in DoCallFunc - type: 4\n");
        ok = CallMember(ctx_, fn, sp_ - nargs - 1, sp_ - nargs, nargs, names, &out, err);
        popped = nargs + 1;
    } else if (fn->kind == FK_UNDECLARED) {
        ok = CallUndefined(ctx_, fn, sp_ - nargs, nargs, names, &out, err);
    } else if (fn->kind == FK_LIB && fn->builtin >= 0) {
        ok = CallBuiltin(ctx_, fn->builtin, sp_ - nargs, nargs, &out, err);
    } else if (fn->kind == FK_LIB || fn->kind == FK_APP) {
        ok = CallExternal(ctx_, fn, sp_ - nargs, nargs, &out, err);
    } else {
        return Fail(Fmt("Data corruption detected in DoCallFunc - type: %d\n", fn->kind));
    }
    PopCells(popped);
    if (!ok) return err.empty() ? false : Fail(err);
    if (ctx_.errorStatus == kStatusError) return false;
    if (dest && dest->decl == VT_VARIANT && !(dest->flags & (CF_HOSTREF | CF_ARRAY))) {
        MoveValue(dest, &out);
    } else if (dest && !Assign(dest, &out, err)) {
        return Fail(err);
    }
    ++pc;
    return true;
}

int Interpreter::CallProcedure(FuncRec* fn, std::vector<Cell>& args, Cell& result) {
    Reset();
    steps_ = 0;
    depthLimit_ = kMaxCallDepth;
    if (!stack_) return -1;
    for (auto& a : args) {
        Cell* c;
        if (!PushCell(c)) return Fail("Out of memory for stack\n") ? 0 : -1;
        *c = std::move(a);
    }
    // A return point past the end of the code ends the run after the call.
    int pc = 0;
    Cell* dest = &result;
    if (!EnterProcedure(fn, (int)args.size(), dest, (int)ctx_.code.size(), pc)) {
        Reset();
        return -1;
    }
    int r = Exec(pc, 0);
    Reset();
    if (!FlushFiles()) r = -1;
    return r;
}

static bool WriteFormText(const Cell* c, std::string& out, std::string& err) {
    uint16_t t = TypeOf(c);
    if (t == VT_STRING) {
        std::string s;
        GetString(c, s, err);
        out = "\"" + s + "\"";
        return true;
    }
    return GetString(c, out, err);
}

bool Interpreter::Print(const Instr& in) {
    int count = in.a < 0 ? -in.a : in.a;
    bool write = in.a < 0;
    if (sp_ - stack_ < count) return Fail("Data corruption detected in Print\n");
    std::string line, item, err;
    for (int i = 0; i < count; ++i) {
        Cell* c = sp_ - count + i;
        bool ok = write ? WriteFormText(c, item, err) : PrintText(c, item, err);
        if (!ok) {
            // Items of a type without a text form go to the user type subsystem.
            if (ctx_.userTypeRoutine && TypeOf(c) != VT_OBJECT) {
                TesVariant v{};
                v.vt = TypeOf(c);
                ctx_.userTypeRoutine(ctx_.handle, 15, nullptr, nullptr, nullptr, &v,
                                     ctx_.userTypeDatum);
                continue;
            }
            PopCells(count);
            return Fail(err);
        }
        if (write && i > 0) line += ",";
        line += item;
    }
    PopCells(count);
    if (in.b == -1) {
        EmitOutputLine(ctx_, line);
        return true;
    }
    int16_t n;
    if (!GetShort(Operand(in.b), n, err)) return Fail(err);
    if (n < 1 || n > kMaxFiles || !ctx_.files[n].fp || ctx_.files[n].mode == 1)
        return Fail(Fmt("Error writing to file: %d\n", n));
    line += "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), ctx_.files[n].fp) != line.size())
        return Fail(Fmt("Error writing to file: %d\n", n));
    return true;
}

static Cell* FreeFileCell(ScriptContext& ctx) {
    int n = ctx.names.Find("FreeFile", false);
    if (n < 0 || ctx.names[n].globalCell <= 0) return nullptr;
    return &ctx.storage[ctx.names[n].globalCell];
}

bool Interpreter::Open(const Instr& in) {
    std::string name, err;
    int16_t n;
    if (!GetString(Operand(in.a), name, err) || !GetShort(Operand(in.c), n, err)) return Fail(err);
    char buf[400];
    std::snprintf(buf, sizeof buf, "Unable to open file: %s as: %d\n", name.substr(0, 300).c_str(),
                  n);
    if (n < 1 || n > kMaxFiles || ctx_.files[n].fp) return Fail(buf);
    if (ctx_.sandbox && in.b != 1) return Fail(buf);
    const char* mode = in.b == 1 ? "rb" : in.b == 2 ? "wb" : in.b == 8 ? "ab" : nullptr;
    FILE* fp = mode ? std::fopen(name.c_str(), mode) : nullptr;
    if (!fp) return Fail(buf);
    ctx_.files[n].fp = fp;
    ctx_.files[n].mode = in.b;
    // FreeFile names the lowest number not in use (counting up from the
    // last value could name a file that is open).
    if (Cell* ff = FreeFileCell(ctx_)) SetInteger(ff, LowestFreeFile(ctx_));
    return true;
}

bool Interpreter::Close(const Instr& in) {
    std::string err;
    int failed = 0;
    if (in.a == 0) {
        failed = CloseFiles();
    } else {
        if (sp_ - stack_ < in.a) return Fail("Data corruption detected in Close\n");
        for (int i = 0; i < in.a; ++i) {
            int16_t n;
            if (!GetShort(sp_ - in.a + i, n, err)) {
                PopCells(in.a);
                return Fail(err);
            }
            if (n >= 1 && n <= kMaxFiles) {
                int r = CloseFile(n);
                if (r && !failed) failed = r;
            }
        }
        PopCells(in.a);
    }
    if (Cell* ff = FreeFileCell(ctx_)) SetInteger(ff, LowestFreeFile(ctx_));
    // Output lost on close (a full disk) is an error, not a quiet success.
    if (failed) return Fail(Fmt("Error writing to file: %d\n", failed));
    return true;
}

static inline bool IntPair(const Cell* a, const Cell* b) {
    return (a->type == VT_INTEGER || a->type == VT_LONG) &&
           (b->type == VT_INTEGER || b->type == VT_LONG) && !((a->flags | b->flags) & CF_HOSTREF);
}
static inline int32_t IntOf(const Cell* c) {
    return c->type == VT_INTEGER ? c->v.i : c->v.l;
}
// The leading eight bytes of a cell: declared type, current type, flags, pad.
static inline uint64_t Head(const Cell* c) {
    uint64_t h;
    std::memcpy(&h, static_cast<const void*>(c), sizeof h);
    return h;
}
// A Long value in a cell without flags (no reference, no host storage).
static inline bool PlainLong(const Cell* c) {
    return ((Head(c) >> 16) & 0xffffffffu) == VT_LONG;
}
// A cell without flags that takes a Long result as it is: declared Variant
// (holding no object) or Long.
static inline bool TakesLong(const Cell* c) {
    const uint64_t h = Head(c);
    const uint16_t decl = (uint16_t)h, type = (uint16_t)(h >> 16);
    return (uint16_t)(h >> 32) == 0 &&
           (decl == VT_LONG || (decl == VT_VARIANT && type != VT_OBJECT));
}
// Addition and subtraction with a Long among Integer/Long operands into a
// Variant or Long: exact as a Long sum (no conversions, no temporaries).
static inline bool SumsAsLong(const Cell* a, const Cell* b, const Cell* out) {
    return ((a->flags | b->flags | out->flags) & (CF_REF | CF_HOSTREF | CF_ARRAY)) == 0 &&
           (out->decl == VT_VARIANT || out->decl == VT_LONG) && out->type != VT_OBJECT &&
           IntPair(a, b) && (a->type == VT_LONG || b->type == VT_LONG);
}

// For the fused text calls: the function cell `fn` is runtime built-in
// `builtin`; a String cell read as it is; a count a built-in takes as it is
// (0 .. 65000, beyond that the call reports "Invalid procedure call"); a
// temporary that takes a call's result by a plain move.
static inline bool Calls(const Cell* glob, int nglobals, int fn, int builtin) {
    return fn > 0 && fn < nglobals && glob[fn].decl == VT_FUNC && glob[fn].v.fn &&
           glob[fn].v.fn->kind == FK_LIB && glob[fn].v.fn->builtin == builtin;
}
static inline bool PlainText(const Cell* c) {
    return c->type == VT_STRING && !(c->flags & (CF_HOSTREF | CF_ARRAY | CF_LAZY));
}
static inline bool CountIn(const Cell* c) {
    return (c->type == VT_INTEGER || c->type == VT_LONG) && !(c->flags & CF_HOSTREF) &&
           IntOf(c) >= 0 && IntOf(c) <= runtime::kMaxCount;
}
static inline bool PlainTemp(const Cell* t) {
    return t->decl == VT_VARIANT && t->type != VT_OBJECT &&
           !(t->flags & (CF_REF | CF_HOSTREF | CF_ARRAY | CF_LAZY));
}
// Whether relation `op` (OP_EQ .. OP_GE) holds for a comparison result r.
static inline bool RelationHolds(int op, int r) {
    switch (op) {
        case OP_EQ:
            return r == 0;
        case OP_NE:
            return r != 0;
        case OP_LT:
            return r < 0;
        case OP_GT:
            return r > 0;
        case OP_LE:
            return r <= 0;
        default:
            return r >= 0;
    }
}

// Debug stepping and the step limit, before instruction `pc` runs. False
// stops the run: paused_ is set when a step ends here, else an error was
// reported.
bool Interpreter::Watch(const Instr& in, int pc, int mode, int& startLine, size_t& startDepth) {
    if (mode && in.line != startLine && pc != pausedPc_) {
        bool stop = mode == 2 || frames_.size() <= startDepth;
        if (stop && startLine != -1) {
            paused_ = true;
            pausedPc_ = pc;
            lastLine_ = in.line;
            return false;
        }
    }
    if (debugging_) {
        // A breakpoint stops where its line is entered; the poll may pause
        // anywhere between instructions.
        bool stop = in.line != startLine && pc != pausedPc_ && !ctx_.breakpoints.empty() &&
                    ctx_.breakpoints.count({in.source, in.line}) != 0;
        if (!stop && ctx_.debugPoll && ++pollCount_ >= ctx_.debugPollInterval) {
            pollCount_ = 0;
            stop = ctx_.debugPoll(ctx_.handle, ctx_.debugPollUser) != 0;
        }
        if (stop) {
            paused_ = true;
            pausedPc_ = pc;
            lastLine_ = in.line;
            return false;
        }
        startLine = in.line;
        lastLine_ = in.line;
    }
    if (mode) {
        startLine = in.line;
        lastLine_ = in.line;
        startDepth = std::min(startDepth, frames_.size());
    }
    // The instruction a resumed run starts at stops nothing; once it ran,
    // a loop that comes back to it stops there again.
    if (pc == pausedPc_) pausedPc_ = -1;
    if (ctx_.maxSteps && ++steps_ > ctx_.maxSteps) {
        ctx_.line = in.line;
        ctx_.currentSource = in.source;
        return Fail("Step limit reached\n");
    }
    return true;
}

// The typed forms of the quick instructions (Quick::handler).
enum QuickForm : int {
    kQuickAddK,     // OP_ADDK on a variable at z with the constant k folded in
    kQuickNextL,    // OP_NEXTL: variable x, limit y, loop start k
    kQuickRel,      // OP_JNOTREL / OP_CASENE on x and y; k: the outcomes that hold
    kQuickAdd,      // OP_ADD x + y into z
    kQuickSub,      // OP_SUB x - y into z
    kQuickPushOp,   // OP_PUSHOP x op y into z and the push of z that follows
    kQuickMove,     // OP_MOVE x into z
    kQuickPush,     // OP_PUSH / OP_PUSHREF of x
    kQuickCall,     // OP_CALL of the plain procedure fn (result into z when y is 1)
    kQuickArith,    // other OP_ADD .. OP_GE operations on x and y into z
    kQuickLeave,    // OP_LEAVE
    kQuickRelK,     // kQuickRel whose y is an Integer or Long constant (spare[0])
    kQuickModK,     // OP_MOD of x by a constant other than 0 (spare[0]) into z
    kQuickAUpdK,    // OP_AUPDK on array x, subscript y, temporary z; constant k added
    kQuickAddSubK,  // OP_ADD / OP_SUB of x and a constant (spare[0], negated for OP_SUB) into z
    kQuickPushOpK,  // kQuickPushOp whose y is a constant (spare[0], negated for OP_SUB)
    kQuickForms
};

// A cell operand as a byte offset (see Quick); false for none or out of range.
static bool QuickOperand(int32_t op, int nglobals, int32_t& out) {
    if (op >= 0) {
        if (op >= nglobals || op >= (1 << 24)) return false;
        out = ~(op * (int32_t)sizeof(Cell));
        return true;
    }
    if (op == -1 || op < -(1 << 24)) return false;
    out = (-op - 2) * (int32_t)sizeof(Cell);
    return true;
}

// An Integer or Long constant cell (its value never changes during a run).
static bool ConstantInt(const Cell* glob, int nglobals, int32_t op, int64_t& value) {
    if (op < 0 || op >= nglobals) return false;
    const Cell& k = glob[op];
    if (!(k.flags & CF_CONST) || (k.flags & (CF_REF | CF_HOSTREF | CF_ARRAY))) return false;
    if (k.type == VT_INTEGER)
        value = k.v.i;
    else if (k.type == VT_LONG)
        value = k.v.l;
    else
        return false;
    return true;
}

void Interpreter::Quicken(const void* const* handlers, const void* generic,
                          const void* const* typed, const void* top) {
    std::vector<Instr>& code = ctx_.code;
    const Cell* glob = ctx_.storage.data();
    const int nglobals = (int)ctx_.storage.size();
    const int count = (int)code.size();
    // Every pc the handlers go to lies in 0 .. count + 1, so the run loop
    // dispatches without a range check: a jump outside the code ends the
    // run (at the end entry), a loop instruction outside it reports its
    // error, and the two end entries go to the loop's top, which ends.
    for (Instr& in : code) {
        switch (in.op) {
            case OP_JFALSE:
            case OP_JUMP:
            case OP_CASENE:
            case OP_BRANCH:
            case OP_DOTEST:
            case OP_LOOP:
            case OP_JTRUE:
            case OP_JNOTREL:
                if (in.c < 0 || in.c > count) in.c = count;
                break;
            case OP_FORTEST:
            case OP_NEXT:
            case OP_NEXTSTEP:
            case OP_NEXTL:
                if (in.c < 0 || in.c >= count) in.c = count;
                break;
            default:
                break;
        }
    }
    quick_.assign(code.size() + 2, Quick{});
    watch_.assign(code.size() + 2, Quick{});
    for (int i = count; i < count + 2; ++i) quick_[i].handler = watch_[i].handler = top;
    for (int i = 0; i < count; ++i) {
        const Instr& in = code[i];
        Quick& q = quick_[i];
        q.ins = in;
        q.handler = (unsigned)in.op < (unsigned)OP_COUNT ? handlers[in.op] : generic;
        int32_t x, y, z;
        int64_t k;
        switch (in.op) {
            case OP_ADDK:
                if ((in.pad == OP_ADD || in.pad == OP_SUB || in.pad == -OP_ADD) &&
                    QuickOperand(in.c, nglobals, z) && ConstantInt(glob, nglobals, in.b, k)) {
                    if (in.pad == OP_SUB) k = -k;
                    if (k < INT32_MIN || k > INT32_MAX) break;
                    q.z = z;
                    q.k = (int32_t)k;
                    q.handler = typed[kQuickAddK];
                }
                break;
            case OP_NEXTL:
                if (in.c >= 0 && in.c < count && QuickOperand(in.a, nglobals, x) &&
                    QuickOperand(in.b, nglobals, y)) {
                    q.x = x;
                    q.y = y;
                    q.k = in.c + 1;
                    q.handler = typed[kQuickNextL];
                }
                break;
            case OP_CASENE:
            case OP_JNOTREL: {
                // Which of less (1), equal (2), greater (4) make each relation hold.
                static const uint8_t kHolds[6] = {2, 5, 1, 4, 3, 6};
                const int rel = in.op == OP_CASENE ? 0 : in.pad - OP_EQ;
                if (rel >= 0 && rel <= OP_GE - OP_EQ && QuickOperand(in.a, nglobals, x) &&
                    QuickOperand(in.b, nglobals, y)) {
                    q.x = x;
                    q.y = y;
                    q.k = kHolds[rel];
                    q.handler = typed[kQuickRel];
                    if (ConstantInt(glob, nglobals, in.b, k)) {
                        q.spare[0] = (int32_t)k;
                        q.handler = typed[kQuickRelK];
                    }
                }
                break;
            }
            case OP_ADD:
            case OP_SUB:
            case OP_MUL:
            case OP_MOD:
            case OP_AND:
            case OP_OR:
            case OP_EQ:
            case OP_NE:
            case OP_LT:
            case OP_GT:
            case OP_LE:
            case OP_GE:
                if (QuickOperand(in.a, nglobals, x) && QuickOperand(in.b, nglobals, y) &&
                    QuickOperand(in.c, nglobals, z)) {
                    q.x = x;
                    q.y = y;
                    q.z = z;
                    q.handler = typed[in.op == OP_ADD   ? kQuickAdd
                                      : in.op == OP_SUB ? kQuickSub
                                                        : kQuickArith];
                    if ((in.op == OP_ADD || in.op == OP_SUB) &&
                        ConstantInt(glob, nglobals, in.b, k)) {
                        if (in.op == OP_SUB) k = -k;
                        if (k >= INT32_MIN && k <= INT32_MAX) {
                            q.spare[0] = (int32_t)k;
                            q.handler = typed[kQuickAddSubK];
                        }
                    }
                    if (in.op == OP_MOD && ConstantInt(glob, nglobals, in.b, k) && k != 0) {
                        q.spare[0] = (int32_t)k;
                        q.handler = typed[kQuickModK];
                    }
                }
                break;
            case OP_PUSHOP:
                if ((in.pad == OP_ADD || in.pad == OP_SUB) && i + 1 < count &&
                    code[i + 1].op == OP_PUSH && code[i + 1].a == in.c &&
                    QuickOperand(in.a, nglobals, x) && QuickOperand(in.b, nglobals, y) &&
                    QuickOperand(in.c, nglobals, z)) {
                    q.x = x;
                    q.y = y;
                    q.z = z;
                    q.k = in.pad;
                    q.handler = typed[kQuickPushOp];
                    if (ConstantInt(glob, nglobals, in.b, k)) {
                        if (in.pad == OP_SUB) k = -k;
                        if (k >= INT32_MIN && k <= INT32_MAX) {
                            q.spare[0] = (int32_t)k;
                            q.handler = typed[kQuickPushOpK];
                        }
                    }
                }
                break;
            case OP_MOVE:
                if (QuickOperand(in.a, nglobals, x) && QuickOperand(in.c, nglobals, z)) {
                    q.x = x;
                    q.z = z;
                    q.handler = typed[kQuickMove];
                }
                break;
            case OP_PUSH:
            case OP_PUSHREF:
                if (QuickOperand(in.a, nglobals, x)) {
                    q.x = x;
                    q.handler = typed[kQuickPush];
                }
                break;
            case OP_CALL:
                if (in.pad == 0 && in.a > 0 && in.a < nglobals && glob[in.a].decl == VT_FUNC &&
                    glob[in.a].v.fn && glob[in.a].v.fn->fastArgs == in.c && in.c >= 0 &&
                    glob[in.a].v.fn->entry >= 0 && glob[in.a].v.fn->entry < count &&
                    (in.b == -1 || QuickOperand(in.b, nglobals, z))) {
                    q.fn = glob[in.a].v.fn;
                    q.y = in.b != -1;
                    q.z = in.b != -1 ? z : 0;
                    q.handler = typed[kQuickCall];
                }
                break;
            case OP_LEAVE:
                q.handler = typed[kQuickLeave];
                break;
            case OP_AUPDK:
                // The operation (an addition or subtraction of a constant) and
                // the store follow; the constant is folded in.
                if (i + 2 < count && (code[i + 1].op == OP_ADD || code[i + 1].op == OP_SUB) &&
                    ConstantInt(glob, nglobals, code[i + 1].b, k) &&
                    QuickOperand(in.a, nglobals, x) && QuickOperand(in.b, nglobals, y) &&
                    QuickOperand(in.c, nglobals, z)) {
                    if (code[i + 1].op == OP_SUB) k = -k;
                    if (k < INT32_MIN || k > INT32_MAX) break;
                    q.x = x;
                    q.y = y;
                    q.z = z;
                    q.k = (int32_t)k;
                    q.handler = typed[kQuickAUpdK];
                }
                break;
            default:
                break;
        }
    }
    for (int i = 0; i < count; ++i) {
        watch_[i].ins = quick_[i].ins;
        watch_[i].handler = top;
    }
    quickCode_ = code.data();
    quickCount_ = code.size();
}

int Interpreter::Exec(int pc, int mode) {
    globals_ = ctx_.storage.data();
    const Instr* code = ctx_.code.data();
    const int count = (int)ctx_.code.size();
    const size_t baseFrames = 0;
    size_t startDepth = frames_.size();
    int startLine = lastLine_;
    const int64_t maxSteps = ctx_.maxSteps;
    std::string err;
    // Stepping and the step limit share one rarely taken test per instruction.
    const bool watched =
        mode != 0 || maxSteps != 0 || (debugging_ && (!ctx_.breakpoints.empty() || ctx_.debugPoll));
    // Threaded dispatch: the frequent instructions end by jumping straight to
    // the next one's handler; the others return to the switch.
    static const void* const kHandler[OP_COUNT] = {
        &&generic,  &&generic,   &&op_move,    &&generic,   &&op_test,   &&op_jump,   &&op_compare,
        &&generic,  &&op_jump,   &&generic,    &&op_leave,  &&generic,   &&op_call,   &&generic,
        &&generic,  &&generic,   &&op_fortest, &&op_next,   &&generic,   &&op_test,   &&op_jump,
        &&op_push,  &&op_push,   &&generic,    &&generic,   &&generic,   &&op_addsub, &&generic,
        &&op_arith, &&generic,   &&generic,    &&op_addsub, &&op_arith,  &&generic,   &&op_arith,
        &&op_arith, &&op_arith,  &&op_arith,   &&op_arith,  &&op_arith,  &&op_arith,  &&op_arith,
        &&generic,  &&generic,   &&op_test,    &&generic,   &&op_array1, &&op_array1, &&op_compare,
        &&generic,  &&op_pushop, &&op_addk,    &&op_nextl,  &&op_aupdk,  &&op_midrel, &&op_instr3};
    static_assert(OP_COUNT == 56, "one handler per opcode");
    static const void* const kTyped[] = {
        &&q_addk, &&q_nextl, &&q_rel,   &&q_add,  &&q_sub,  &&q_pushop, &&q_move,    &&q_push,
        &&q_call, &&q_arith, &&q_leave, &&q_relk, &&q_modk, &&q_aupdk,  &&q_addsubk, &&q_pushopk};
    static_assert(sizeof kTyped / sizeof kTyped[0] == kQuickForms, "one handler per form");
    if (quickCode_ != code || quickCount_ != (size_t)count)
        Quicken(kHandler, &&generic, kTyped, &&top);
    // Stepping and counting steps send every instruction through the top.
    const Quick* const quick = watched ? watch_.data() : quick_.data();
    const Instr* ip;
    Cell *qa, *qb, *qo;  // the operand cells of an operation (op_arith and its typed forms)
    Instr fusedAlone;    // an OP_PUSHOP run as its operation alone
    // The fused handlers run their whole form only unwatched: pc below this
    // bound (0 while stepping or counting steps).
    const unsigned threadedCount = watched ? 0u : (unsigned)count;
    // Frame and global cells through locals: fp follows fp_ (reloaded after
    // anything that may call or return).
    Cell* const glob = globals_;
    const int nglobals = (int)ctx_.storage.size();
    Cell* fp = fp_;
#define OPND(o) ((o) >= 0 ? glob + (o) : fp + (-(o)-2))
#define in (*ip)
#define Q ((const Quick*)ip)
#define QOP(o) ((o) >= 0 ? (Cell*)((char*)fp + (o)) : (Cell*)((char*)glob + ~(o)))
// The frequent handlers leave the context's line to be written when they
// report an error or call anything that might (SYNC_LINE); the others write
// it before they start.
#define SYNC_LINE (ctx_.line = ip->line, ctx_.currentSource = ip->source)
#define FAIL(msg) return FailAt(*ip, msg)
#define NEXT_INSTR               \
    do {                         \
        ip = &quick[pc].ins;     \
        goto* quick[pc].handler; \
    } while (0)
    for (;;) {
    top:
        fp = fp_;
        if ((unsigned)pc >= (unsigned)count)
            return ctx_.errorStatus == kStatusError ? kRunStopped : kRunEnded;
        ip = &quick[pc].ins;
        if (!watched) goto* quick[pc].handler;
        if (!Watch(in, pc, mode, startLine, startDepth)) return paused_ ? kRunPaused : kRunStopped;
    generic:
        SYNC_LINE;
        switch (in.op) {
            case OP_MOVE:
            op_move : {
                Cell* src = OPND(in.a);
                Cell* dst = Deref(OPND(in.c));
                if (src->flags & CF_REF) src = Deref(src);
                if (dst->decl == VT_INTEGER && src->type == VT_INTEGER &&
                    !((src->flags | dst->flags) & CF_HOSTREF)) {
                    dst->v.i = src->v.i;
                    dst->type = VT_INTEGER;
                } else if (dst->decl == VT_LONG &&
                           (src->type == VT_LONG || src->type == VT_INTEGER) &&
                           !((src->flags | dst->flags) & CF_HOSTREF)) {
                    dst->v.l = src->type == VT_LONG ? src->v.l : src->v.i;
                    dst->type = VT_LONG;
                } else if (dst->decl == VT_VARIANT && src->type != VT_STRING &&
                           src->type != VT_OBJECT && dst->type != VT_OBJECT &&
                           !((src->flags | dst->flags) & (CF_HOSTREF | CF_ARRAY))) {
                    dst->type = src->type;
                    dst->v = src->v;
                } else if (!Assign(dst, src, err)) {
                    FAIL(err);
                }
                ++pc;
                NEXT_INSTR;
            }
            case OP_SETREF: {
                Cell* src = Operand(in.a);
                Cell* dst = Operand(in.c);
                if (!SetReference(dst, src, err)) FAIL(err);
                if (in.pad == 1) Deref(src)->DropObject();  // a temporary keeps no reference
                ++pc;
                break;
            }
            case OP_ASTORE:
            case OP_AREAD:
            case OP_AREF: {
                Cell* elem;
                void* raw;
                uint16_t rawType = 0;
                if (sp_ - stack_ < in.b ||
                    !ElementAddress(OPND(in.a), sp_ - in.b, in.b, elem, raw, rawType)) {
                    PopCells(in.b);
                    return kRunStopped;
                }
                PopCells(in.b);
                Cell view;
                if (raw) {
                    RawView(view, raw, rawType);
                    elem = &view;
                }
                if (in.op == OP_ASTORE) {
                    if (!(in.pad == 1 ? SetReference(elem, OPND(in.c), err)
                                      : Assign(elem, OPND(in.c), err)))
                        FAIL(err);
                } else if (in.op == OP_AREAD) {
                    Cell* dst = Deref(OPND(in.c));
                    if (!Assign(dst, elem, err)) FAIL(err);
                } else {
                    Cell* c;
                    if (!PushCell(c)) FAIL("Out of memory for stack\n");
                    CopyValue(c, elem);
                    if (raw) {
                        c->flags = CF_LINKRAW;
                        c->link = (Cell*)raw;
                        c->fixedLen = rawType;
                    } else {
                        c->flags = CF_LINKED;
                        c->link = elem;
                    }
                }
                view.flags = 0;
                ++pc;
                break;
            }
            case OP_AREAD1:
            case OP_ASTORE1:
            op_array1 : {
                if (in.pad == 0) {
                    // A Long element of a one-dimensional array with an Integer or
                    // Long subscript, read into a Variant or stored from a Long:
                    // straight from the packed data.
                    Cell* arr = Deref(OPND(in.a));
                    Cell* sub = Deref(OPND(in.b));
                    Cell* other = Deref(OPND(in.c));
                    ArrayData* d = arr->v.arr;
                    if ((arr->flags & (CF_ARRAY | CF_HOSTREF)) == CF_ARRAY && d && d->dims == 1 &&
                        d->elem == VT_LONG && !((sub->flags | other->flags) & CF_HOSTREF) &&
                        (sub->type == VT_LONG || sub->type == VT_INTEGER)) {
                        int64_t off =
                            (int64_t)(sub->type == VT_LONG ? sub->v.l : sub->v.i) - d->lower[0];
                        if (off >= 0 && off < (int64_t)d->count[0]) {
                            uint8_t* raw = d->raw.data() + off * 4;
                            if (in.op == OP_AREAD1 && other->decl == VT_VARIANT &&
                                other->type != VT_OBJECT && !(other->flags & CF_ARRAY)) {
                                other->type = VT_LONG;
                                std::memcpy(&other->v.l, raw, 4);
                                ++pc;
                                NEXT_INSTR;
                            }
                            if (in.op == OP_ASTORE1 && other->type == VT_LONG &&
                                !(other->flags & CF_ARRAY)) {
                                std::memcpy(raw, &other->v.l, 4);
                                ++pc;
                                NEXT_INSTR;
                            }
                        }
                    }
                }
                Cell* elem;
                void* raw;
                uint16_t rawType = 0;
                SYNC_LINE;
                if (!ElementAddress(OPND(in.a), OPND(in.b), 1, elem, raw, rawType))
                    return kRunStopped;
                Cell* other = Deref(OPND(in.c));
                if (in.pad == 1) {  // Set of an element
                    Cell view;
                    if (raw) {
                        RawView(view, raw, rawType);
                        elem = &view;
                    }
                    bool ok = SetReference(elem, other, err);
                    view.flags = 0;
                    if (!ok) FAIL(err);
                } else if (raw && rawType == VT_LONG && in.op == OP_AREAD1 &&
                           other->decl == VT_VARIANT && other->type != VT_OBJECT &&
                           !(other->flags & (CF_HOSTREF | CF_ARRAY))) {
                    other->type = VT_LONG;
                    std::memcpy(&other->v.l, raw, 4);
                } else if (raw && rawType == VT_LONG && in.op == OP_ASTORE1 &&
                           other->type == VT_LONG && !(other->flags & CF_HOSTREF)) {
                    std::memcpy(raw, &other->v.l, 4);
                } else {
                    Cell view;
                    if (raw) {
                        RawView(view, raw, rawType);
                        elem = &view;
                    }
                    bool ok =
                        in.op == OP_AREAD1 ? Assign(other, elem, err) : Assign(elem, other, err);
                    view.flags = 0;
                    if (!ok) FAIL(err);
                }
                ++pc;
                NEXT_INSTR;
            }
            case OP_JFALSE:
            case OP_JTRUE:
            case OP_DOTEST:
            op_test : {
                if (in.op == OP_DOTEST && in.a == -1) {
                    ++pc;
                    break;
                }
                bool t;
                Cell* c = Deref(OPND(in.a));
                if (c->type == VT_INTEGER && !(c->flags & CF_HOSTREF))
                    t = c->v.i != 0;
                else if (!IsTrue(c, t, err))
                    FAIL(err);
                pc = (t == (in.op == OP_JTRUE)) ? in.c : pc + 1;
                NEXT_INSTR;
            }
            case OP_JUMP:
            case OP_BRANCH:
            case OP_LOOP:
            op_jump:
                pc = in.c;
                NEXT_INSTR;
            case OP_CASENE:
            case OP_JNOTREL:
            op_compare : {
                Cell* a = OPND(in.a);
                Cell* b = OPND(in.b);
                if (((a->flags | b->flags) & (CF_REF | CF_HOSTREF)) == 0 && IntPair(a, b) &&
                    (in.op == OP_CASENE ||
                     (unsigned)(in.pad - OP_EQ) <= (unsigned)(OP_GE - OP_EQ))) {
                    // Which of less (1), equal (2), greater (4) make each relation hold.
                    static const uint8_t kHolds[6] = {2, 5, 1, 4, 3, 6};
                    int32_t x = IntOf(a), y = IntOf(b);
                    unsigned rel = in.op == OP_CASENE ? 0u : (unsigned)(in.pad - OP_EQ);
                    unsigned got = x < y ? 1u : x > y ? 4u : 2u;
                    pc = (kHolds[rel] & got) ? pc + 1 : in.c;
                    NEXT_INSTR;
                }
                a = Deref(a);
                b = Deref(b);
                int r;
                if (IntPair(a, b)) {
                    int32_t x = IntOf(a), y = IntOf(b);
                    r = x < y ? -1 : x > y ? 1 : 0;
                } else if (!Compare(a, b, r, err)) {
                    FAIL(err);
                }
                bool holds;
                switch (in.op == OP_CASENE ? (int)OP_EQ : (int)in.pad) {
                    case OP_EQ:
                        holds = r == 0;
                        break;
                    case OP_NE:
                        holds = r != 0;
                        break;
                    case OP_LT:
                        holds = r < 0;
                        break;
                    case OP_GT:
                        holds = r > 0;
                        break;
                    case OP_LE:
                        holds = r <= 0;
                        break;
                    case OP_GE:
                        holds = r >= 0;
                        break;
                    default:
                        FAIL("Illegal instruction in interpreter: 48\n");
                }
                pc = holds ? pc + 1 : in.c;
                NEXT_INSTR;
            }
            case OP_GOSUB: {
                if (frames_.size() >= (size_t)kMaxCallDepth + (size_t)callDepth_)
                    FAIL(Fmt("Nested calls cannot exceed: %d\n", kMaxCallDepth));
                frames_.push_back({nullptr, nullptr, fp_, nullptr, pc + 1, true});
                pc = in.c;
                break;
            }
            case OP_RETURN:
                // Only a GoSub of this procedure's activation is returned
                // from (a call pushes a frame of its own above it).
                if (frames_.size() > baseFrames && frames_.back().gosub) {
                    pc = frames_.back().returnPc;
                    frames_.pop_back();
                    break;
                }
                FAIL("Return without GoSub\n");
            q_leave : {
                const int back = LeaveQuick();
                if (back >= 0) {
                    pc = back;
                    fp = fp_;
                    NEXT_INSTR;
                }
                goto op_leave;
            }
            case OP_LEAVE:
            op_leave : {
                if (frames_.size() > baseFrames) {
                    const int back = LeavePlain();
                    if (back >= 0) {
                        pc = back;
                        fp = fp_;
                        NEXT_INSTR;
                    }
                }
                bool done;
                SYNC_LINE;
                // pc goes to the calls through a copy: a pc whose address is
                // taken lives in memory in every handler.
                int next = pc;
                if (!Leave(next, baseFrames, done)) return kRunStopped;
                pc = next;
                if (done) return kRunEnded;
                break;
            }
            case OP_END:
                Reset();
                ctx_.line = -1;
                return kRunEnded;
            case OP_CALL:
            op_call : {
                // A plain procedure of the program whose arguments already have
                // their parameters' types starts here; anything else (and every
                // error) takes the general path.
                if (in.pad == 0 && in.a > 0 && in.a < nglobals && glob[in.a].decl == VT_FUNC &&
                    glob[in.a].v.fn && glob[in.a].v.fn->fastArgs == in.c &&
                    EnterPlain(glob[in.a].v.fn, in.c, in.b == -1 ? nullptr : OPND(in.b), pc + 1)) {
                    fp = fp_;
                    pc = glob[in.a].v.fn->entry;
                    break;  // the top checks the entry
                }
                SYNC_LINE;
                int next = pc;
                if (!Call(in, next) || ctx_.errorStatus == kStatusError) return kRunStopped;
                pc = next;
                break;
            }
            case OP_OPEN:
                if (!Open(in)) return kRunStopped;
                ++pc;
                break;
            case OP_CLOSE:
                if (!Close(in)) return kRunStopped;
                ++pc;
                break;
            case OP_PRINT:
                if (!Print(in)) return kRunStopped;
                ++pc;
                break;
            case OP_FORTEST:
            op_fortest : {
                Cell* v = Deref(OPND(in.a));
                Cell* lim = Deref(OPND(in.b));
                if (in.c < 0 || in.c >= count) FAIL("Illegal instruction in interpreter: 16\n");
                const Instr& next = code[in.c];
                bool up = true;
                if (next.op == OP_NEXTSTEP) {
                    Cell zero;
                    SetInteger(&zero, 0);
                    int r;
                    if (!Compare(OPND(next.a), &zero, r, err)) FAIL(err);
                    up = r > 0;
                }
                int r;
                if (IntPair(v, lim)) {
                    int32_t x = IntOf(v), y = IntOf(lim);
                    r = x < y ? -1 : x > y ? 1 : 0;
                } else if (!Compare(v, lim, r, err)) {
                    FAIL(err);
                }
                pc = (up ? r > 0 : r < 0) ? in.c + 1 : pc + 1;
                NEXT_INSTR;
            }
            case OP_NEXT:
            op_next : {
                if (in.c < 0 || in.c >= count) FAIL("Illegal instruction in interpreter: 17\n");
                Cell* v = Deref(OPND(code[in.c].a));
                if (!(v->flags & CF_HOSTREF) && v->type == VT_INTEGER) {
                    if (v->v.i < 32767)
                        ++v->v.i;
                    else if (v->decl == VT_VARIANT)
                        SetLong(v, 32768);
                    else
                        FAIL("Overflow\n");
                } else if (!(v->flags & CF_HOSTREF) && v->type == VT_LONG) {
                    if (v->v.l == INT32_MAX) FAIL("Overflow\n");
                    ++v->v.l;
                    // Unstepped and unwatched: the loop test runs here, which
                    // saves a dispatch per turn (stepping still stops at the
                    // For line, as every instruction goes through the top).
                    const Instr& t = code[in.c];
                    Cell* lim = OPND(t.b);
                    if (t.op == OP_FORTEST && t.c == pc && (unsigned)pc < threadedCount &&
                        !(lim->flags & (CF_REF | CF_HOSTREF)) &&
                        (lim->type == VT_LONG || lim->type == VT_INTEGER)) {
                        int32_t limit = lim->type == VT_LONG ? lim->v.l : lim->v.i;
                        pc = v->v.l > limit ? pc + 1 : in.c + 1;
                        NEXT_INSTR;
                    }
                } else if (!(v->flags & CF_HOSTREF) && v->type == VT_SINGLE) {
                    v->v.f += 1.0f;
                } else if (!(v->flags & CF_HOSTREF) && v->type == VT_DOUBLE) {
                    v->v.d += 1.0;
                } else if (TypeOf(v) == VT_INTEGER || TypeOf(v) == VT_LONG ||
                           TypeOf(v) == VT_DOUBLE || TypeOf(v) == VT_SINGLE) {
                    Cell one, sum;
                    SetInteger(&one, 1);
                    if (!BinaryOp(OP_ADD, v, &one, &sum, err) || !Assign(v, &sum, err)) FAIL(err);
                } else {
                    std::string name =
                        v->name > 0 && v->name < ctx_.names.Count() ? ctx_.names[v->name].text : "";
                    FAIL("ERROR: cannot increment variable: " + name + " - unknown type\n");
                }
                pc = in.c;
                NEXT_INSTR;
            }
            case OP_NEXTSTEP: {
                if (in.c < 0 || in.c >= count) FAIL("Illegal instruction in interpreter: 18\n");
                Cell* v = Deref(OPND(code[in.c].a));
                Cell sum;
                if (TypeOf(v) == VT_STRING) {
                    std::string name =
                        v->name > 0 && v->name < ctx_.names.Count() ? ctx_.names[v->name].text : "";
                    FAIL("ERROR: cannot increment variable: " + name + " - unknown type\n");
                }
                if (!BinaryOp(OP_ADD, v, OPND(in.a), &sum, err)) {
                    // An Integer Variant loop variable continues as a Long.
                    if (v->decl == VT_VARIANT && TypeOf(v) == VT_INTEGER) {
                        int32_t x, s;
                        if (!GetLong(v, x, err) || !GetLong(OPND(in.a), s, err)) FAIL(err);
                        SetLong(&sum, x + s);
                    } else {
                        FAIL(err);
                    }
                }
                if (!Assign(v, &sum, err)) FAIL(err);
                pc = in.c;
                break;
            }
            case OP_PUSH:
            case OP_PUSHREF:
            op_push : {
                Cell* src = OPND(in.a);
                if (sp_ < built_) {
                    // A number into a reused stack cell (popped cells own nothing, no
                    // flags); a variable's copy remembers the variable.
                    Cell* d = src->flags & CF_REF ? Deref(src) : src;
                    if (!(d->flags & (CF_HOSTREF | CF_ARRAY)) && d->type >= VT_INTEGER &&
                        d->type <= VT_DOUBLE && sp_->flags == 0) {
                        Cell* c = sp_++;
                        c->decl = VT_VARIANT;
                        c->type = d->type;
                        c->fixedLen = 0;
                        c->name = 0;
                        c->v = d->v;
                        c->link = nullptr;
                        if (in.op == OP_PUSHREF) {
                            c->flags = CF_LINKED;
                            c->link = d;
                        }
                        ++pc;
                        NEXT_INSTR;
                    }
                }
                Cell* c;
                if (!PushCell(c)) FAIL("Out of memory for stack\n");
                Cell* d = Deref(src);
                if (in.pad == 1 && !(d->flags & (CF_HOSTREF | CF_ARRAY))) {
                    MoveValue(c, d);  // a temporary: its value moves onto the stack
                    ++pc;
                    break;
                }
                if (in.op == OP_PUSHREF && d->type == VT_STRING &&
                    !(d->flags & (CF_HOSTREF | CF_ARRAY))) {
                    // The text is read through the link; it is copied only if a callee needs its
                    // own.
                    c->type = VT_STRING;
                    c->flags = CF_LINKED | CF_LAZY;
                    c->link = d;
                    ++pc;
                    break;
                }
                CopyValue(c, d);
                if (in.op == OP_PUSHREF) {
                    if (d->flags & CF_HOSTREF) {
                        c->flags = CF_LINKRAW;
                        c->link = (Cell*)d->v.host;
                        c->fixedLen = d->decl;
                    } else {
                        c->flags = CF_LINKED;
                        c->link = d;
                    }
                }
                ++pc;
                break;
            }
            case OP_POP:
                PopCells(in.a);
                ++pc;
                break;
            case OP_CLEAR:
                Deref(OPND(in.a))->Clear();
                ++pc;
                break;
            case OP_RELEASE: {
                // Set x = Nothing
                Cell nothing;
                nothing.Init(VT_OBJECT, 0);
                if (!SetReference(OPND(in.a), &nothing, err)) FAIL(err);
                ++pc;
                break;
            }
            case OP_PUSHOP:
            op_pushop : {
                // The addition or subtraction and the PUSH after it in one step
                // when the result is a Long (as op_addsub); otherwise the
                // operation alone, and the PUSH runs next as usual.
                Cell* a = OPND(in.a);
                Cell* b = OPND(in.b);
                Cell* out = OPND(in.c);
                if (SumsAsLong(a, b, out) && sp_ < built_ && pc + 1 < count &&
                    code[pc + 1].op == OP_PUSH && code[pc + 1].a == in.c) {
                    int64_t r = in.pad == OP_ADD ? (int64_t)IntOf(a) + IntOf(b)
                                                 : (int64_t)IntOf(a) - IntOf(b);
                    if (r < INT32_MIN || r > INT32_MAX) FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = (int32_t)r;
                    PushLong(out->v.l);
                    pc += 2;
                    NEXT_INSTR;
                }
                if (in.pad != OP_ADD && in.pad != OP_SUB)
                    FAIL("Illegal instruction in interpreter: 50\n");
                fusedAlone = in;
                fusedAlone.op = in.pad;
                fusedAlone.pad = 0;
                ip = &fusedAlone;
                goto op_arith;
            }
            case OP_ADDK:
            op_addk : {
                // x = x + k, x = k + x or x = x - k on an Integer or Long variable and an
                // Integer or Long constant: no temporaries, no conversions.
                Cell* x = OPND(in.c);
                if (!(x->flags & (CF_REF | CF_HOSTREF | CF_ARRAY)) &&
                    (unsigned)in.b < (unsigned)nglobals) {
                    const Cell* k = glob + in.b;
                    int64_t r = in.pad == OP_SUB ? (int64_t)0 - IntOf(k) : (int64_t)IntOf(k);
                    if (x->decl == VT_LONG && x->type == VT_LONG) {
                        r += x->v.l;
                        if (r < INT32_MIN || r > INT32_MAX) FAIL("Overflow\n");
                        x->v.l = (int32_t)r;
                        ++pc;
                        NEXT_INSTR;
                    }
                    if (x->decl == VT_INTEGER && x->type == VT_INTEGER) {
                        r += x->v.i;
                        if (r < -32768 || r > 32767) FAIL("Overflow\n");
                        x->v.i = (int16_t)r;
                        ++pc;
                        NEXT_INSTR;
                    }
                }
                // Anything else: the addition or subtraction as written.
                int op = in.pad < 0 ? -in.pad : in.pad;
                if (op != OP_ADD && op != OP_SUB) FAIL("Illegal instruction in interpreter: 51\n");
                fusedAlone = in;
                fusedAlone.op = op;
                fusedAlone.pad = 0;
                if (in.pad < 0) {
                    fusedAlone.a = in.b;
                    fusedAlone.b = in.c;
                }
                ip = &fusedAlone;
                goto op_arith;
            }
            case OP_NEXTL:
            op_nextl : {
                // Next of a Long variable with an Integer or Long limit, unwatched: the
                // increment and the loop test in one step. Otherwise as OP_NEXT.
                Cell* v = OPND(in.a);
                Cell* lim = OPND(in.b);
                if (!((v->flags | lim->flags) & (CF_REF | CF_HOSTREF)) && v->type == VT_LONG &&
                    (lim->type == VT_LONG || lim->type == VT_INTEGER) &&
                    (unsigned)pc < threadedCount) {
                    if (v->v.l == INT32_MAX) FAIL("Overflow\n");
                    ++v->v.l;
                    int32_t limit = lim->type == VT_LONG ? lim->v.l : lim->v.i;
                    pc = v->v.l > limit ? pc + 1 : in.c + 1;
                    NEXT_INSTR;
                }
                goto op_next;
            }
            case OP_AUPDK:
            op_aupdk : {
                // a(s) = a(s) + k on a one-dimensional Long array, unwatched (step counts
                // stay one per instruction): the element is updated in place and the
                // temporary keeps the value as the three instructions would leave it.
                if ((unsigned)pc < threadedCount && pc + 2 < count) {
                    const Instr& op = code[pc + 1];
                    Cell* arr = Deref(OPND(in.a));
                    Cell* sub = Deref(OPND(in.b));
                    Cell* t = OPND(in.c);
                    ArrayData* d = arr->v.arr;
                    if ((arr->flags & (CF_ARRAY | CF_HOSTREF)) == CF_ARRAY && d && d->dims == 1 &&
                        d->elem == VT_LONG && !(sub->flags & CF_HOSTREF) &&
                        (sub->type == VT_LONG || sub->type == VT_INTEGER) &&
                        t->decl == VT_VARIANT && t->type != VT_OBJECT &&
                        !(t->flags & (CF_REF | CF_HOSTREF | CF_ARRAY)) &&
                        (unsigned)op.b < (unsigned)nglobals &&
                        (op.op == OP_ADD || op.op == OP_SUB)) {
                        int64_t off =
                            (int64_t)(sub->type == VT_LONG ? sub->v.l : sub->v.i) - d->lower[0];
                        if (off >= 0 && off < (int64_t)d->count[0]) {
                            uint8_t* raw = d->raw.data() + off * 4;
                            int32_t x;
                            std::memcpy(&x, raw, 4);
                            int64_t r = op.op == OP_SUB ? (int64_t)x - IntOf(glob + op.b)
                                                        : (int64_t)x + IntOf(glob + op.b);
                            if (r < INT32_MIN || r > INT32_MAX) FAIL("Overflow\n");
                            int32_t v = (int32_t)r;
                            std::memcpy(raw, &v, 4);
                            t->type = VT_LONG;
                            t->v.l = v;
                            pc += 3;
                            NEXT_INSTR;
                        }
                    }
                }
                fusedAlone = in;
                fusedAlone.op = OP_AREAD1;
                ip = &fusedAlone;
                goto op_array1;
            }
            case OP_MIDREL:
            op_midrel : {
                // Mid(s, i, n) compared with a text, unwatched, on plain String cells and
                // Integer or Long counts in range: the piece is compared where it lies in s
                // (no call, no pushes); the temporary takes the piece as the call leaves it.
                if ((unsigned)pc < threadedCount && pc + 4 < count &&
                    ctx_.errorStatus != kStatusError) {
                    const Instr& call = code[pc + 3];
                    const Instr& rel = code[pc + 4];
                    const Cell* s = Deref(OPND(in.a));
                    const Cell* from = Deref(OPND(code[pc + 1].a));
                    const Cell* length = Deref(OPND(code[pc + 2].a));
                    const Cell* k = Deref(OPND(rel.b));
                    Cell* t = OPND(call.b);
                    if (Calls(glob, nglobals, call.a, in.b) && PlainText(s) && PlainText(k) &&
                        CountIn(from) && CountIn(length) && PlainTemp(t)) {
                        const size_t f = IntOf(from) < 1 ? 0 : (size_t)IntOf(from) - 1;
                        std::string_view piece;
                        if (f < s->s.size())
                            piece = std::string_view(s->s).substr(f, IntOf(length));
                        t->type = VT_STRING;
                        t->s.assign(piece.data(), piece.size());
                        // As Compare: byte-equal texts are equal, others by strcasecmp.
                        int r = 0;
                        if (piece != std::string_view(k->s)) {
                            r = strcasecmp(t->s.c_str(), k->s.c_str());
                            r = r < 0 ? -1 : r > 0 ? 1 : 0;
                        }
                        pc = RelationHolds(rel.pad, r) ? pc + 5 : rel.c;
                        NEXT_INSTR;
                    }
                }
                fusedAlone = in;
                fusedAlone.op = in.pad;
                fusedAlone.b = -1;
                fusedAlone.pad = 0;
                ip = &fusedAlone;
                goto op_push;
            }
            case OP_INSTR3:
            op_instr3 : {
                // InStr(i, s, t), unwatched, on an Integer or Long start in range and
                // plain String cells: the search runs on the cells themselves and the
                // temporary takes the Long result as the call leaves it.
                if ((unsigned)pc < threadedCount && pc + 3 < count &&
                    ctx_.errorStatus != kStatusError) {
                    const Instr& call = code[pc + 3];
                    const Cell* from = Deref(OPND(in.a));
                    const Cell* s = Deref(OPND(code[pc + 1].a));
                    const Cell* k = Deref(OPND(code[pc + 2].a));
                    Cell* t = OPND(call.b);
                    if (Calls(glob, nglobals, call.a, in.b) && CountIn(from) && PlainText(s) &&
                        PlainText(k) && PlainTemp(t)) {
                        const size_t f = IntOf(from) < 1 ? 0 : (size_t)IntOf(from) - 1;
                        int32_t at = 0;
                        if (f < s->s.size()) {
                            const size_t found = std::string_view(s->s).find(k->s, f);
                            at = found == std::string_view::npos ? 0 : (int32_t)found + 1;
                        }
                        t->type = VT_LONG;
                        t->v.l = at;
                        pc += 4;
                        NEXT_INSTR;
                    }
                }
                fusedAlone = in;
                fusedAlone.op = in.pad;
                fusedAlone.b = -1;
                fusedAlone.pad = 0;
                ip = &fusedAlone;
                goto op_push;
            }
            // The typed forms of the quick instructions: the common operand types
            // on decoded operands; anything else goes to the instruction's handler.
            q_addk : {
                Cell* x = QOP(Q->z);
                if (x->flags == 0 && x->decl == VT_LONG && x->type == VT_LONG) {
                    int32_t r;
                    if (__builtin_add_overflow(x->v.l, Q->k, &r)) FAIL("Overflow\n");
                    x->v.l = r;
                    ++pc;
                    NEXT_INSTR;
                }
                goto op_addk;
            }
            q_nextl : {
                Cell* v = QOP(Q->x);
                const Cell* lim = QOP(Q->y);
                if (PlainLong(v) && PlainLong(lim)) {
                    int32_t n;
                    if (__builtin_add_overflow(v->v.l, 1, &n)) FAIL("Overflow\n");
                    v->v.l = n;
                    pc = n > lim->v.l ? pc + 1 : Q->k;
                    NEXT_INSTR;
                }
                if (!((v->flags | lim->flags) & (CF_REF | CF_HOSTREF)) && v->type == VT_LONG &&
                    (lim->type == VT_LONG || lim->type == VT_INTEGER)) {
                    if (v->v.l == INT32_MAX) FAIL("Overflow\n");
                    ++v->v.l;
                    pc = v->v.l > IntOf(lim) ? pc + 1 : Q->k;
                    NEXT_INSTR;
                }
                goto op_nextl;
            }
            q_relk : {
                // The second operand is a constant (spare[0]).
                const Cell* a = QOP(Q->x);
                if (PlainLong(a)) {
                    const int32_t x = a->v.l, y = Q->spare[0];
                    const unsigned got = x < y ? 1u : x > y ? 4u : 2u;
                    pc = ((unsigned)Q->k & got) ? pc + 1 : in.c;
                    NEXT_INSTR;
                }
                goto q_rel;
            }
            q_rel : {
                const Cell* a = QOP(Q->x);
                const Cell* b = QOP(Q->y);
                if (PlainLong(a) && PlainLong(b)) {
                    const int32_t x = a->v.l, y = b->v.l;
                    const unsigned got = x < y ? 1u : x > y ? 4u : 2u;
                    pc = ((unsigned)Q->k & got) ? pc + 1 : in.c;
                    NEXT_INSTR;
                }
                if (((a->flags | b->flags) & (CF_REF | CF_HOSTREF)) == 0 && IntPair(a, b)) {
                    const int32_t x = IntOf(a), y = IntOf(b);
                    const unsigned got = x < y ? 1u : x > y ? 4u : 2u;
                    pc = ((unsigned)Q->k & got) ? pc + 1 : in.c;
                    NEXT_INSTR;
                }
                goto op_compare;
            }
            q_add:
            q_sub : {
                // As op_addsub.
                Cell* a = QOP(Q->x);
                Cell* b = QOP(Q->y);
                Cell* out = QOP(Q->z);
                if ((PlainLong(a) && PlainLong(b) && TakesLong(out)) || SumsAsLong(a, b, out)) {
                    int32_t r;
                    if (in.op == OP_ADD ? __builtin_add_overflow(IntOf(a), IntOf(b), &r)
                                        : __builtin_sub_overflow(IntOf(a), IntOf(b), &r))
                        FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = r;
                    ++pc;
                    NEXT_INSTR;
                }
                qa = a;
                qb = b;
                qo = out;
                goto arith_cells;
            }
            q_addsubk : {
                // A Long and a constant into a cell that takes a Long.
                const Cell* a = QOP(Q->x);
                Cell* out = QOP(Q->z);
                if (PlainLong(a) && TakesLong(out)) {
                    int32_t r;
                    if (__builtin_add_overflow(a->v.l, Q->spare[0], &r)) FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = r;
                    ++pc;
                    NEXT_INSTR;
                }
                goto q_add;
            }
            q_pushopk : {
                // As q_pushop with the constant folded in.
                const Cell* a = QOP(Q->x);
                Cell* out = QOP(Q->z);
                if (PlainLong(a) && TakesLong(out) && sp_ < built_) {
                    int32_t r;
                    if (__builtin_add_overflow(a->v.l, Q->spare[0], &r)) FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = r;
                    PushLong(out->v.l);
                    pc += 2;
                    NEXT_INSTR;
                }
                goto q_pushop;
            }
            q_modk : {
                // A Long modulo a constant into a cell that takes a Long.
                const Cell* a = QOP(Q->x);
                Cell* out = QOP(Q->z);
                if (PlainLong(a) && TakesLong(out)) {
                    out->v.l = (int32_t)((int64_t)a->v.l % Q->spare[0]);
                    out->type = VT_LONG;
                    ++pc;
                    NEXT_INSTR;
                }
                goto q_arith;
            }
            q_aupdk : {
                // As op_aupdk on a Long array that is no reference, a Long subscript and a
                // plain Variant temporary.
                const Cell* arr = QOP(Q->x);
                const Cell* sub = QOP(Q->y);
                Cell* t = QOP(Q->z);
                const ArrayData* d = arr->v.arr;
                const uint64_t th = Head(t);
                if ((arr->flags & (CF_ARRAY | CF_HOSTREF | CF_REF)) == CF_ARRAY && d &&
                    d->dims == 1 && d->elem == VT_LONG && PlainLong(sub) &&
                    (uint16_t)th == VT_VARIANT && (uint16_t)(th >> 16) != VT_OBJECT &&
                    (uint16_t)(th >> 32) == 0) {
                    const int64_t off = (int64_t)sub->v.l - d->lower[0];
                    if (off >= 0 && off < (int64_t)d->count[0]) {
                        uint8_t* raw = const_cast<uint8_t*>(d->raw.data()) + off * 4;
                        int32_t v;
                        std::memcpy(&v, raw, 4);
                        if (__builtin_add_overflow(v, Q->k, &v)) FAIL("Overflow\n");
                        std::memcpy(raw, &v, 4);
                        t->type = VT_LONG;
                        t->v.l = v;
                        pc += 3;
                        NEXT_INSTR;
                    }
                }
                goto op_aupdk;
            }
            q_arith:
                qa = QOP(Q->x);
                qb = QOP(Q->y);
                qo = QOP(Q->z);
                goto arith_cells;
            q_pushop : {
                // As op_pushop (the push that follows was checked when prepared).
                Cell* a = QOP(Q->x);
                Cell* b = QOP(Q->y);
                Cell* out = QOP(Q->z);
                if (((PlainLong(a) && PlainLong(b) && TakesLong(out)) || SumsAsLong(a, b, out)) &&
                    sp_ < built_) {
                    int32_t r;
                    if (Q->k == OP_ADD ? __builtin_add_overflow(IntOf(a), IntOf(b), &r)
                                       : __builtin_sub_overflow(IntOf(a), IntOf(b), &r))
                        FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = r;
                    PushLong(out->v.l);
                    pc += 2;
                    NEXT_INSTR;
                }
                goto op_pushop;
            }
            q_move : {
                // As op_move on cells that are not references.
                const Cell* src = QOP(Q->x);
                Cell* dst = QOP(Q->z);
                if (PlainLong(src) && TakesLong(dst)) {
                    dst->v.l = src->v.l;
                    dst->type = VT_LONG;
                    ++pc;
                    NEXT_INSTR;
                }
                if (((src->flags | dst->flags) & (CF_REF | CF_HOSTREF)) == 0) {
                    if (dst->decl == VT_LONG && (src->type == VT_LONG || src->type == VT_INTEGER)) {
                        dst->v.l = IntOf(src);
                        dst->type = VT_LONG;
                        ++pc;
                        NEXT_INSTR;
                    }
                    if (dst->decl == VT_VARIANT && src->type != VT_STRING &&
                        src->type != VT_OBJECT && dst->type != VT_OBJECT &&
                        !((src->flags | dst->flags) & CF_ARRAY)) {
                        dst->type = src->type;
                        dst->v = src->v;
                        ++pc;
                        NEXT_INSTR;
                    }
                }
                goto op_move;
            }
            q_push : {
                // As the first part of op_push.
                Cell* d = QOP(Q->x);
                if (d->flags & CF_REF) d = Deref(d);
                if (sp_ < built_ && !(d->flags & (CF_HOSTREF | CF_ARRAY)) &&
                    d->type >= VT_INTEGER && d->type <= VT_DOUBLE && sp_->flags == 0) {
                    Cell* c = sp_++;
                    c->decl = VT_VARIANT;
                    c->type = d->type;
                    c->fixedLen = 0;
                    c->name = 0;
                    c->v = d->v;
                    if (in.op == OP_PUSHREF) {
                        c->flags = CF_LINKED;
                        c->link = d;
                    } else {
                        c->link = nullptr;
                    }
                    ++pc;
                    NEXT_INSTR;
                }
                goto op_push;
            }
            q_call : {
                FuncRec* f = (FuncRec*)Q->fn;
                if (EnterQuick(f, in.c, Q->y ? QOP(Q->z) : nullptr, pc + 1)) {
                    fp = fp_;
                    pc = f->entry;
                    NEXT_INSTR;
                }
                goto op_call;
            }
            op_addsub : {
                // Addition and subtraction with a Long among Integer/Long operands
                // into a Variant or Long: exact in 64 bits, then the Long range.
                Cell* a = OPND(in.a);
                Cell* b = OPND(in.b);
                Cell* out = OPND(in.c);
                if (SumsAsLong(a, b, out)) {
                    int64_t r = in.op == OP_ADD ? (int64_t)IntOf(a) + IntOf(b)
                                                : (int64_t)IntOf(a) - IntOf(b);
                    if (r < INT32_MIN || r > INT32_MAX) FAIL("Overflow\n");
                    out->type = VT_LONG;
                    out->v.l = (int32_t)r;
                    ++pc;
                    NEXT_INSTR;
                }
                goto op_arith;
            }
            case OP_ADD:
            case OP_SUB:
            case OP_MUL:
            case OP_MOD:
            case OP_AND:
            case OP_OR:
            case OP_EQ:
            case OP_NE:
            case OP_LT:
            case OP_GT:
            case OP_LE:
            case OP_GE:
            op_arith:
                qa = OPND(in.a);
                qb = OPND(in.b);
                qo = OPND(in.c);
            arith_cells : {
                // Integer and Long operands into a plain temporary: no conversions.
                Cell* a = qa;
                Cell* b = qb;
                Cell* out = qo;
                if ((a->flags | b->flags | out->flags) & CF_REF) {
                    a = Deref(a);
                    b = Deref(b);
                    out = Deref(out);
                }
                if (IntPair(a, b) && !(out->flags & (CF_HOSTREF | CF_ARRAY)) &&
                    out->type != VT_OBJECT &&
                    (out->decl == VT_VARIANT || out->decl == VT_LONG || out->decl == VT_INTEGER)) {
                    int64_t x = IntOf(a), y = IntOf(b), r;
                    bool isInt = a->type == VT_INTEGER && b->type == VT_INTEGER, compare = false;
                    switch (in.op) {
                        case OP_ADD:
                            r = x + y;
                            break;
                        case OP_SUB:
                            r = x - y;
                            break;
                        case OP_MUL:
                            r = x * y;
                            break;
                        case OP_MOD:
                            if (y == 0) FAIL("Division by zero\n");
                            r = x % y;
                            break;
                        case OP_AND:
                            r = x & y;
                            break;
                        case OP_OR:
                            r = x | y;
                            break;
                        default: {
                            compare = true;
                            bool t = in.op == OP_EQ   ? x == y
                                     : in.op == OP_NE ? x != y
                                     : in.op == OP_LT ? x < y
                                     : in.op == OP_GT ? x > y
                                     : in.op == OP_LE ? x <= y
                                                      : x >= y;
                            r = t ? -1 : 0;
                        }
                    }
                    // The operation's own range, then the target's declared type.
                    bool small = compare || isInt;
                    if (small ? (r < -32768 || r > 32767) : (r < INT32_MIN || r > INT32_MAX))
                        FAIL("Overflow\n");
                    uint16_t t =
                        out->decl == VT_VARIANT ? (small ? VT_INTEGER : VT_LONG) : out->decl;
                    if (t == VT_INTEGER) {
                        if (r < -32768 || r > 32767) FAIL("Overflow\n");
                        out->type = VT_INTEGER;
                        out->v.i = (int16_t)r;
                    } else {
                        out->type = VT_LONG;
                        out->v.l = (int32_t)r;
                    }
                    ++pc;
                    NEXT_INSTR;
                }
                [[fallthrough]];
            }
            case OP_POW:
            case OP_CONCAT:
            case OP_DIV: {
                Cell* a = Deref(OPND(in.a));
                Cell* b = Deref(OPND(in.b));
                Cell* out = Deref(OPND(in.c));
                if (in.op == OP_CONCAT && out == a && out->type == VT_STRING &&
                    !(out->flags & CF_HOSTREF) && out->fixedLen == 0) {
                    if (b->type == VT_STRING)
                        out->s += b->s;
                    else {
                        std::string t;
                        if (!GetString(b, t, err)) FAIL(err);
                        out->s += t;
                    }
                    ++pc;
                    break;
                }
                if (out->decl == VT_VARIANT && !(out->flags & (CF_HOSTREF | CF_ARRAY))) {
                    if (!BinaryOp(in.op, a, b, out, err)) FAIL(err);
                } else {
                    Cell tmp;
                    if (!BinaryOp(in.op, a, b, &tmp, err) || !Assign(out, &tmp, err)) FAIL(err);
                }
                ++pc;
                break;
            }
            case OP_NEG:
            case OP_NOT: {
                Cell tmp;
                bool ok =
                    in.op == OP_NEG ? Negate(OPND(in.a), &tmp, err) : NotOp(OPND(in.a), &tmp, err);
                if (!ok || !Assign(OPND(in.c), &tmp, err)) FAIL(err);
                ++pc;
                break;
            }
            default:
                FAIL(Fmt("Illegal instruction in interpreter: %d\n", in.op));
        }
    }
#undef NEXT_INSTR
#undef Q
#undef QOP
#undef SYNC_LINE
#undef OPND
#undef in
#undef FAIL
}

}  // namespace tessel
