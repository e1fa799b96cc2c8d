// The command-line conversion `orbick --convert IN OUT --format CODE [--raw
// CODE]`: opens IN through the open chain (any readable format; RAW only with
// --raw) and saves OUT in the format CODE (any format code with a writer; WAV
// with every chunk), writing the peak cache beside OUT.
#pragma once

namespace ob {

// The usage line of the conversion command.
extern const char* const kConvertUsage;

// Runs the command on the arguments that follow "--convert". Returns the exit
// status: 0 done, 1 a file could not be read or written (the file result text
// is printed to stderr), 2 a usage error (the usage line is printed).
int RunConvertCommand(int argc, char** argv);

}  // namespace ob
