// builtins_args.h: argument access shared by the runtime built-ins
// (builtins_*.cpp). After CallBuiltin's conversion every argument cell holds
// its declared type, so these read the cells directly.
#pragma once
#include <string>

#include "engine/context.h"
#include "engine/runtime/status.h"
#include "engine/runtime/value.h"

namespace tessel::bargs {

inline double D(Cell* a) {
    return a->v.d;
}
inline int16_t I(Cell* a) {
    return a->v.i;
}
inline int32_t L(Cell* a) {
    return a->v.l;
}
inline const std::string& S(Cell* a) {
    return (a->flags & CF_LAZY) ? a->link->s : a->s;
}
// An "any value" argument: the variable itself when one was passed.
inline Cell* V(Cell* a) {
    if ((a->flags & CF_LINKED) && a->link) return Deref(a->link);
    return Deref(a);
}

// The cell as a runtime value (type, number, text, array flag).
runtime::Value ToRuntime(Cell* a);
// Reports a runtime failure: warnings go on, everything else stops.
bool Finish(ScriptContext& ctx, const runtime::Report& r, std::string& err);
// Refuses a built-in in the sandbox mode of tesSetRunLimits.
bool Refused(ScriptContext& ctx, const char* what, std::string& err);

}  // namespace tessel::bargs

#define TES_BUILTIN(name) bool name(ScriptContext& ctx, Cell* a, int n, Cell* out, std::string& err)
#define TES_UNUSED_ARGS (void)ctx, (void)a, (void)n, (void)out, (void)err
