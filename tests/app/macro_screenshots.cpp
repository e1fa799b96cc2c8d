// Screenshots of the macro editor (paused at a breakpoint, with globals and
// output) and of the help window (the script function reference), taken
// from the X server into the folder given. Each picture is checked for drawn
// pixels: the editor for the keyword colour, the breakpoint mark and the
// paused line's shade; the help window for text in both panes. Exit 0 when
// every check holds, 1 otherwise.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "app/code_editor.h"
#include "app/help_window.h"
#include "app/macro_editor.h"

using namespace ob;

namespace {
// Pixels near a colour (each component within 40) inside a rectangle.
int CountNear(const QImage& image, const QRect& rect, QColor colour) {
    int count = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 &&
                std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    return count;
}
// Pixels clearly darker than the background (text) inside a rectangle.
int CountDark(const QImage& image, const QRect& rect) {
    int count = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++count;
    return count;
}
QImage Grab(QWidget* window) {
    QTest::qWait(300);
    QApplication::processEvents();
    return window->screen()
        ->grabWindow(window->winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
bool Check(bool ok, const char* what) {
    std::fprintf(stderr, "%s: %s\n", ok ? "ok" : "FAILED", what);
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: macro_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Window, QColor(0xf0, 0xf0, 0xf0));
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::WindowText, Qt::black);
    app.setPalette(light);
    bool ok = true;

    MacroEditorWindow editor;
    editor.Text()->setPlainText(
        "' Sums the first ten numbers\n"
        "Dim total As Long\n"
        "Dim label As String\n"
        "Sub Main ()\n"
        "  For i = 1 To 10\n"
        "    total = total + i\n"
        "    label = \"turn \" & i\n"
        "    Print label; total\n"
        "  Next i\n"
        "  obSetAffectType OB_AFFECT_ALL\n"
        "End Sub\n");
    editor.resize(1000, 620);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor)) return Check(false, "editor shown"), 1;
    editor.ToggleBreakpoint(6);
    editor.Run();
    editor.Run();
    editor.Run();
    QImage shot = Grab(&editor);
    ok &= Check(shot.save(folder + "/macro_editor.png"), "macro_editor.png written");
    QWidget* text = editor.Text()->viewport();
    QRect textRect(text->mapTo(&editor, QPoint(0, 0)), text->size());
    QWidget* gutter = editor.Text()->findChild<QWidget*>("lineNumbers");
    QRect gutterRect(gutter->mapTo(&editor, QPoint(0, 0)), gutter->size());
    ok &= Check(CountNear(shot, textRect, QColor(0x00, 0x33, 0xaa)) > 50, "keywords coloured");
    ok &= Check(CountNear(shot, textRect, QColor(0x2e, 0x7d, 0x32)) > 20, "comment coloured");
    ok &= Check(CountNear(shot, textRect, QColor(0xff, 0xf3, 0xc4)) > 500, "paused line shaded");
    ok &= Check(CountNear(shot, gutterRect, QColor(0xd3, 0x2f, 0x2f)) > 20, "breakpoint mark");
    ok &= Check(CountDark(shot, gutterRect) > 100, "line numbers");
    QWidget* globals = editor.Globals()->viewport();
    ok &= Check(CountDark(shot, QRect(globals->mapTo(&editor, QPoint(0, 0)), globals->size())) > 50,
                "globals listed");
    ok &= Check(editor.Globals()->topLevelItemCount() == 2, "two globals");
    QWidget* output = editor.Output()->viewport();
    ok &= Check(CountDark(shot, QRect(output->mapTo(&editor, QPoint(0, 0)), output->size())) > 50,
                "output printed");
    editor.Stop();

    HelpWindow help;
    help.resize(1000, 620);
    help.show();
    if (!QTest::qWaitForWindowExposed(&help)) return Check(false, "help shown"), 1;
    help.ShowPage("reference");
    shot = Grab(&help);
    ok &= Check(shot.save(folder + "/help_reference.png"), "help_reference.png written");
    QWidget* page = help.Browser()->viewport();
    QWidget* contents = help.Contents()->viewport();
    ok &= Check(CountDark(shot, QRect(page->mapTo(&help, QPoint(0, 0)), page->size())) > 2000,
                "reference text drawn");
    ok &=
        Check(CountDark(shot, QRect(contents->mapTo(&help, QPoint(0, 0)), contents->size())) > 300,
              "contents drawn");
    help.ShowPage("setup");
    shot = Grab(&help);
    ok &= Check(shot.save(folder + "/help_setup.png"), "help_setup.png written");
    ok &= Check(CountDark(shot, QRect(page->mapTo(&help, QPoint(0, 0)), page->size())) > 2000,
                "setup page drawn");
    editor.Text()->document()->setModified(false);
    return ok ? 0 : 1;
}
