// Helpers of the shell tests: a temporary folder, a test user interface that
// answers questions without asking, sound files made with the core's writer,
// and a closer that cancels any modal dialog a command opens.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_user_interface.h"

class QDialog;

namespace ob {
class MainFrame;
}

namespace shelltest {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    QString path;
    QString File(const QString& name) const { return path + "/" + name; }
};

// Answers every question with `answer`, records boxes and questions; the
// engine's InputBox gets `inputText`.
class TestUi : public ob::QtUserInterface {
  public:
    explicit TestUi(ob::MainFrame* frame) : ob::QtUserInterface(frame) {}
    void MessageBox(void*, const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
    }
    ob::QuestionAnswer Ask(void*, const std::string&, const std::string& text, ob::QuestionButtons,
                           ob::QuestionAnswer) override {
        questions.push_back(text);
        return answer;
    }
    int ScriptMessageBox(const std::string& text, int, const std::string&) override {
        scriptBoxes.push_back(text);
        return 1;
    }
    bool InputBox(const std::string& prompt, const std::string&, const std::string&,
                  std::string& text) override {
        prompts.push_back(prompt);
        text = inputText;
        return true;
    }
    ob::QuestionAnswer answer = ob::kAnswerCancel;
    std::string inputText;
    std::vector<std::string> boxes, questions, scriptBoxes, prompts;
};

// Writes a 16-bit WAV of `frames` frames (a ramp per channel) with the name
// `name` stored in it; returns false on failure.
bool WriteTestWav(const QString& path, int channels, unsigned frames, const std::string& name,
                  int formatCode = 6);

// Rejects every modal dialog (and closes message boxes) shortly after it
// opens, while it lives.
class ModalCloser : public QObject {
    Q_OBJECT
  public:
    ModalCloser();
    int closed = 0;

  private:
    QTimer timer_;
};

// What happened to the dialog a command opened.
struct DialogRun {
    bool seen = false;        // a modal dialog was there
    QString title;            // its caption
    bool stayedOpen = false;  // OK was refused (closed by the test afterwards)
    int lateClosed = 0;       // other modal dialogs the late closer had to reject
};

// Runs `command`; when its dialog is up, `act` sets its controls, then OK or
// Cancel. Nothing is checked inside the timer: it records and always closes.
DialogRun DriveDialog(ob::MainFrame* frame, int command, const std::function<void(QDialog*)>& act,
                      bool ok);

// Starts the shell with the test folder as settings folder and no tip.
ob::MainFrame* Start(const QString& folder, const QString& file = QString());

}  // namespace shelltest
