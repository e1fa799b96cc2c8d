// orbick-window: the windowed editor itself. `orbick` starts it (with the
// same arguments) when no command-line mode is asked for, so the command-line
// modes never load Qt; see main.cpp.
#include "app/shell_startup.h"

int main(int argc, char** argv) {
    return ob::RunWindowedShell(argc, argv);
}
