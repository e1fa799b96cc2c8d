// The one seam between the editor core and whatever shows it: wait pointer,
// status text, progress bar, abort window, message boxes and questions. (What
// changed in a record reaches the window as a change notice, wave/change_notice.h.)
// The core calls the
// current implementation; the Qt shell installs its own, batch mode and the
// tests use the batch implementation below (or a recording fake).
#pragma once

#include <string>

namespace ob {

struct WaveRecord;

// Buttons of a question and the answers.
enum QuestionButtons : int { kButtonsYesNo = 0, kButtonsYesNoCancel = 1, kButtonsOkCancel = 2 };
enum QuestionAnswer : int { kAnswerYes = 1, kAnswerNo = 2, kAnswerCancel = 3, kAnswerOk = 4 };

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // Wait pointer over the editor's window (record may be null: the frame).
    virtual void SetWaitPointer(WaveRecord* record, bool on) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // Progress bar position 0..100.
    virtual void SetProgressBar(int percent) = 0;
    // Shows the abort window beside the editor; a click calls RequestAbort().
    // Returns once the window is up. Stop closes it; both may be called when
    // nothing is shown.
    virtual void StartAbortWindow(WaveRecord* record) = 0;
    virtual void StopAbortWindow() = 0;
    // The window of a sampler transfer: `text` says what runs, the progress
    // bar follows SetProgressBar, and its Abort button calls abort(data)
    // (which posts the transfer's user-abort event). Returns once the window
    // is up. Without a window of its own an implementation shows the abort
    // window, whose abort flag the transfer notices as well.
    using TransferAbort = void (*)(void* data);
    virtual void StartTransferWindow(WaveRecord* record, const std::string& text,
                                     TransferAbort abort, void* data) {
        (void)text, (void)abort, (void)data;
        StartAbortWindow(record);
    }
    virtual void StopTransferWindow() { StopAbortWindow(); }
    // A message box with the exclamation icon; waits for the user.
    virtual void MessageBox(void* owner, const std::string& caption, const std::string& text) = 0;
    // A question; `nonInteractive` is the answer taken when nobody can be asked.
    virtual QuestionAnswer Ask(void* owner, const std::string& caption, const std::string& text,
                               QuestionButtons buttons, QuestionAnswer nonInteractive) = 0;

    // The dialogs of the scripting engine's MsgBox, InputBox and Beep. An
    // implementation without dialogs of its own (batch mode) leaves them to
    // the engine, which then uses the terminal.
    virtual bool HasScriptDialogs() const { return false; }
    // `type` is the MsgBox style (buttons 0..5, icon 16/32/48/64, default
    // button 0/256/512); returns the button code (1 OK, 2 Cancel, 3 Abort,
    // 4 Retry, 5 Ignore, 6 Yes, 7 No).
    virtual int ScriptMessageBox(const std::string& text, int type, const std::string& title) {
        (void)text, (void)type, (void)title;
        return 1;
    }
    // A line of text; false for Cancel (then `text` is unchanged).
    virtual bool InputBox(const std::string& prompt, const std::string& title,
                          const std::string& defaultText, std::string& text) {
        (void)prompt, (void)title, (void)defaultText, (void)text;
        return false;
    }
    virtual void Beep() {}
};

// Batch mode: message boxes go to standard error as "caption: text", questions
// take the non-interactive answer, pointer, status, progress and redraws are
// silent, there is no abort window (SIGINT sets the abort flag instead).
class BatchUserInterface : public UserInterface {
  public:
    void SetWaitPointer(WaveRecord*, bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgressBar(int) override {}
    void StartAbortWindow(WaveRecord*) override {}
    void StopAbortWindow() override {}
    void MessageBox(void* owner, const std::string& caption, const std::string& text) override;
    QuestionAnswer Ask(void*, const std::string&, const std::string&, QuestionButtons,
                       QuestionAnswer nonInteractive) override {
        return nonInteractive;
    }
};

// The current implementation (the batch one until another is installed).
UserInterface& UI();
// Installs `ui` (null restores the batch implementation); returns the previous one.
UserInterface* SetUserInterface(UserInterface* ui);

}  // namespace ob
