// codegen.h: instructions of the interpreter, the emitter the parser drives,
// and the code listing used by tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

struct ScriptContext;

// Opcodes. Operands are cell operands (>= 0 global cell, <= -2 frame slot
// -op-2, -1 none), counts, modes or instruction indices as noted.
enum Op : int32_t {
    OP_DIALOG = 1,     // show dialog A, result into C
    OP_MOVE = 2,       // C := A (converted to C's declared type)
    OP_ASTORE = 3,     // array A, B subscripts popped, value C (pad 1: Set, by reference)
    OP_JFALSE = 4,     // if A is false jump to C
    OP_JUMP = 5,       // jump to C
    OP_CASENE = 6,     // if A <> B jump to C
    OP_GOSUB = 7,      // push return point, jump to C (label cell until resolved)
    OP_BRANCH = 8,     // jump to C (exits, branch ends, GoTo)
    OP_RETURN = 9,     // return from GoSub
    OP_LEAVE = 10,     // return from the procedure
    OP_END = 11,       // end the program
    OP_CALL = 12,      // call function cell A with C pushed arguments, result into B
    OP_OPEN = 13,      // open file name A in mode B as number C
    OP_CLOSE = 14,     // close A pushed file numbers (0: all)
    OP_PRINT = 15,     // print A pushed items (negative: Write form) to file B or output
    OP_FORTEST = 16,   // variable A against limit B; done: continue after NEXT at C
    OP_NEXT = 17,      // variable of the test at C plus 1, jump to C
    OP_NEXTSTEP = 18,  // variable of the test at C plus step A, jump to C
    OP_DOTEST = 19,    // if A <> -1 and A is false jump to C
    OP_LOOP = 20,      // jump to C
    OP_PUSH = 21,      // push a copy of A (pad 1: A is a temporary, moved)
    OP_PUSHREF = 22,   // push a copy of A that remembers A (by-reference arguments)
    OP_POP = 23,       // pop A cells
    OP_CLEAR = 24,     // reinitialise cell A
    OP_RELEASE = 25,   // release the object in A: it becomes Nothing
    OP_ADD = 26,
    OP_POW = 27,
    OP_MOD = 28,
    OP_AREAD = 29,  // array A, B subscripts popped, element into C
    OP_CONCAT = 30,
    OP_SUB = 31,
    OP_MUL = 32,
    OP_DIV = 33,
    OP_AND = 34,
    OP_OR = 35,
    OP_EQ = 36,
    OP_NE = 37,
    OP_LT = 38,
    OP_GT = 39,
    OP_LE = 40,
    OP_GE = 41,
    OP_NEG = 42,      // C := -A
    OP_NOT = 43,      // C := Not A
    OP_JTRUE = 44,    // if A is true jump to C
    OP_AREF = 45,     // array A, B subscripts popped: push a reference to the element
    OP_AREAD1 = 46,   // one-dimensional read: array A, subscript cell B, element into C
    OP_ASTORE1 = 47,  // one-dimensional store: array A, subscript cell B, value C
    OP_JNOTREL = 48,  // if not (A relation B) jump to C; the relation's opcode (36..41) is in pad
    OP_SETREF = 49,  // Set: C takes a reference to the object in A (pad 1: A is a temporary, moved)
    OP_PUSHOP = 50,  // C := A op B (OP_ADD or OP_SUB in pad), then the PUSH of C that follows
    OP_ADDK = 51,    // C := C op constant cell B (op, OP_ADD or OP_SUB, in pad); A = C
    OP_NEXTL = 52,   // OP_NEXT that names its variable A and limit B (test at C)
    OP_AUPDK = 53,   // OP_AREAD1 whose OP_ADD/OP_SUB of a constant and OP_ASTORE1 follow
    // The first push of a Mid call's text whose start and length pushes, the
    // call and an OP_JNOTREL on its result follow (B: the built-in's index;
    // pad: the push's own opcode).
    OP_MIDREL = 54,
    // The first push of an InStr call's start whose two text pushes and the
    // call follow (B and pad as OP_MIDREL).
    OP_INSTR3 = 55,
    OP_COUNT = 56
};

struct Instr {
    int32_t op, a, b, c;
    int32_t line;
    int16_t source;
    int16_t pad;
};

const char* OpName(int op);

// A text listing of the instructions, one per line: "index name a b c line".
std::string ListCode(const ScriptContext& ctx);

}  // namespace tessel
