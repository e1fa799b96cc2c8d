// Start-up and the message loop of the windowed program.
#pragma once

#include <QString>
#include <QStringList>

namespace ob {

class MainFrame;
class QtUserInterface;

struct ShellOptions {
    QString configDir;    // --config-dir; empty: the settings folder rule
    QString file;         // the command line's sound file (may carry quotes)
    bool showTip = true;  // false: never show the tip of the day (tests)
};

// Parses the arguments after the program name: [--config-dir DIR] [FILE].
// False for an unknown option.
bool ParseShellArguments(const QStringList& arguments, ShellOptions& options);

// The command line's file as start-up takes it: a trailing double quote is
// dropped, a leading one skipped.
QString StripCommandLineQuotes(const QString& text);

// Start-up steps 1..8 (QApplication must exist): creates the frame and the
// user interface, reads the settings and start-up files, runs the start-up
// macro, opens the file or one empty editor, and shows the tip of the day.
MainFrame* StartShell(const ShellOptions& options);
// The Qt user interface installed by StartShell (null before).
QtUserInterface* ShellUserInterface();
// Undoes StartShell for tests: the frame is closed and destroyed, the seam
// returns to the batch implementation.
void StopShell(MainFrame* frame);

// The whole program: QApplication, StartShell, the message loop.
int RunWindowedShell(int argc, char** argv);

}  // namespace ob
