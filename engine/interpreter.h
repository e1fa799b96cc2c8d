// interpreter.h: runs the instruction array: value stack with activation
// frames, calls, GoSub, files and Print, debug stepping.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/context.h"

namespace tessel {

constexpr int kMaxCallDepth = 10000;
constexpr int kMaxDebugDepth = 20;

// What Run, Resume and Exec return.
enum RunResult : int {
    kRunStopped = -1,  // a failed instruction or a reported error stopped the program
    kRunEnded = 0,     // ran off the end or met a return or end instruction
    kRunPaused = 1,    // a debugging step stopped before a new line
};

// An instruction as the unwatched run loop dispatches it, prepared once per
// program: its handler (a form for the common operand and value types where
// there is one), operands as byte offsets (>= 0: from the frame; < 0: the
// complement of the offset from the globals), a folded constant or a
// target, and for a call the procedure.
struct Quick {
    Instr ins;  // first: the run loop's instruction pointer points here
    const void* handler;
    void* fn;
    int32_t x, y, z, k;
    int32_t spare[2];
};
static_assert(sizeof(Quick) == 64, "quick instructions index by a shift");

class Interpreter {
  public:
    explicit Interpreter(ScriptContext& ctx);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Runs from instruction `pc`. mode 0 runs to the end; 1 steps over calls,
    // 2 steps into them (stops before the first instruction of a new line).
    // Returns a RunResult.
    int Run(int pc, int mode, bool debug = false);
    // Continues a stepped run. Returns as Run; 0 also when nothing is paused.
    int Resume(int mode);
    bool Paused() const { return paused_; }
    int PausedLine() const;
    int PausedSource() const;

    // Calls a procedure of the program with argument cells (tesCallFunc).
    int CallProcedure(FuncRec* fn, std::vector<Cell>& args, Cell& result);

    void Reset();  // drops frames and stack (end of a run)
    // Closes every open file (CloseFile: one); returns the number of the
    // first whose output was lost, else 0.
    int CloseFiles();
    int CloseFile(int n);
    // Writes what the output files still buffer (the end of a run); reports
    // "Error writing to file" with the first number whose output was lost.
    bool FlushFiles();

    // Pushing and popping the value stack.
    bool PushCell(Cell*& out);
    Cell* Fresh(Cell* c);
    void PopCells(int n);
    // Pushes a Long onto the stack top, a cell that was popped (it owns
    // nothing and has no flags; the caller checked sp_ < built_).
    void PushLong(int32_t v) {
        Cell* c = sp_++;
        c->decl = VT_VARIANT;
        c->type = VT_LONG;
        c->fixedLen = 0;
        c->name = 0;
        c->v.l = v;
        c->link = nullptr;
    }
    // Pops down to `to`, tidying each cell.
    void PopTo(Cell* to) {
        for (Cell* c = sp_; c > to;) {
            --c;
            if ((c->flags | c->s.size()) != 0 || c->type == VT_OBJECT) Tidy(c);
        }
        if (to < sp_) sp_ = to;
    }

  private:
    int Exec(int pc, int mode);
    // Prepares quick_ and watch_ for the program's code (once per program):
    // handlers holds the run loop's handler of each opcode, typed those of
    // the typed forms (QuickForm), top the loop's top.
    void Quicken(const void* const* handlers, const void* generic, const void* const* typed,
                 const void* top);
    bool Watch(const Instr& in, int pc, int mode, int& startLine, size_t& startDepth);
    bool Call(const Instr& in, int& pc);
    bool PlaceNamedArguments(FuncRec* fn, const ScriptContext::NamedCall& nc, Cell* base,
                             int nargs);
    bool EnterProcedure(FuncRec* fn, int nargs, Cell* dest, int returnPc, int& pc);
    bool EnterPlain(FuncRec* fn, int nargs, Cell* dest, int returnPc);
    int LeavePlain();
    bool EnterQuick(FuncRec* fn, int nargs, Cell* dest, int returnPc);
    int LeaveQuick();
    bool Leave(int& pc, size_t baseFrames, bool& done);
    bool ElementAddress(Cell* arr, Cell* subs, int nsubs, Cell*& cell, void*& raw,
                        uint16_t& rawType);
    bool Print(const Instr& in);
    bool Open(const Instr& in);
    bool Close(const Instr& in);
    bool Fail(const std::string& msg);
    int FailAt(const Instr& in, const std::string& msg);
    int FailAt(const Instr& in, const char* msg);
    void Tidy(Cell* c);
    Cell* Operand(int op) { return op >= 0 ? globals_ + op : fp_ + (-op - 2); }

    struct Frame {
        FuncRec* fn;
        Cell* base;
        Cell* savedFp;
        Cell* dest;
        int returnPc;
        bool gosub;
        bool quick = false;  // entered by EnterQuick: a plain frame that LeaveQuick ends
    };

    // Call and GoSub frames: a fixed array (calls and GoSubs are each limited).
    struct FrameStack {
        std::unique_ptr<Frame[]> items{new Frame[2 * kMaxCallDepth + 16]};
        size_t count = 0;
        void push_back(const Frame& f) { items[count++] = f; }
        void pop_back() { --count; }
        Frame& back() { return items[count - 1]; }
        size_t size() const { return count; }
        void clear() { count = 0; }
        const Frame* begin() const { return items.get(); }
        const Frame* end() const { return items.get() + count; }
    };

    ScriptContext& ctx_;
    Cell* globals_ = nullptr;
    Cell* stack_ = nullptr;
    Cell* sp_ = nullptr;
    Cell* end_ = nullptr;
    Cell* built_ = nullptr;  // cells below this are constructed
    Cell* fp_ = nullptr;
    size_t capacity_ = 0;
    FrameStack frames_;
    std::vector<Quick> quick_;          // the code, then two end entries
    std::vector<Quick> watch_;          // the same, every handler the run loop's top
    const Instr* quickCode_ = nullptr;  // the code quick_ was made from
    size_t quickCount_ = 0;
    int64_t steps_ = 0;
    bool paused_ = false;
    int pausedPc_ = 0;
    int lastLine_ = -1;
    int depthLimit_ = kMaxCallDepth;
    bool debugging_ = false;  // a tesDebug* run: breakpoints and the poll apply
    uint32_t pollCount_ = 0;
    int callDepth_ = 0;
};

}  // namespace tessel
