// Runs the shell tests inside one QApplication. Before the application is
// made, a de_DE locale is generated (when localedef can) and put into the
// environment, so that every test runs the way a user with a decimal-comma
// locale runs the window.
#include <QApplication>
#include <QDir>
#include <QTest>
#include <clocale>
#include <cstdlib>
#include <string>

#include "shell_test_classes.h"

namespace shelltest {
bool gGermanLocale = false;
}

int main(int argc, char** argv) {
    std::string dir = QDir::tempPath().toStdString() + "/orbick-shell-locale";
    QDir().mkpath(QString::fromStdString(dir));
    std::string command = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0 ||
        QDir(QString::fromStdString(dir + "/de_DE.UTF-8")).exists()) {
        setenv("LOCPATH", dir.c_str(), 1);
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        setenv("LANG", "de_DE.UTF-8", 1);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Qt has now set the process locale from the environment.
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    shelltest::gGermanLocale = numeric && std::string(numeric).rfind("de_DE", 0) == 0;

    int status = 0;
    {
        shelltest::StartupTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::SettingsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::CommandsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::ClipCommandsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::GenerateDialogTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::MacroUiTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::DialogsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::SpectrumTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::LoopMarkerTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        shelltest::CrossfadeDialogTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}
