// orbick --batch [--config-dir DIR] MACRO.bas [ARG...]: runs a macro without
// windows, handing it the arguments.
#pragma once

namespace ob {

extern const char* const kBatchUsage;
// `argc`/`argv` are the arguments after "--batch". Returns the exit status:
// 0 when the macro ran, 1 when it failed (the engine's result text is on
// standard error), 2 for a bad command line.
int RunBatchCommand(int argc, char** argv);

}  // namespace ob
