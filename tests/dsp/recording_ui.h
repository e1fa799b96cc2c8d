// A user interface for tests: records every call so tests can check what the
// frame showed, and can request an abort once the progress bar reaches a value.
// It also observes change notices (what a window would redraw from).
#pragma once

#include <string>
#include <vector>

#include "base/user_interface.h"
#include "dsp/frame.h"
#include "wave/change_notice.h"

namespace ob {

class RecordingUserInterface : public UserInterface, public ChangeObserver {
  public:
    struct Box {
        std::string caption;
        std::string text;
    };
    std::vector<std::string> statusTexts;
    std::vector<int> progress;
    std::vector<Box> boxes;
    std::vector<std::string> questions;
    int waitPointerOn = 0, waitPointerOff = 0;
    int abortWindowsStarted = 0, abortWindowsStopped = 0;
    std::vector<ChangeNotice> notices;
    int abortAtProgress = -1;            // request an abort when the bar reaches this
    QuestionAnswer answer = kAnswerYes;  // what Ask returns

    RecordingUserInterface() {
        previous_ = SetUserInterface(this);
        AddChangeObserver(this);
    }
    ~RecordingUserInterface() override {
        RemoveChangeObserver(this);
        SetUserInterface(previous_);
    }

    void SetWaitPointer(WaveRecord*, bool on) override { ++(on ? waitPointerOn : waitPointerOff); }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void SetProgressBar(int percent) override {
        progress.push_back(percent);
        if (abortAtProgress >= 0 && percent >= abortAtProgress) RequestAbort();
    }
    void StartAbortWindow(WaveRecord*) override { ++abortWindowsStarted; }
    void StopAbortWindow() override { ++abortWindowsStopped; }
    void MessageBox(void*, const std::string& caption, const std::string& text) override {
        boxes.push_back({caption, text});
    }
    QuestionAnswer Ask(void*, const std::string&, const std::string& text, QuestionButtons,
                       QuestionAnswer) override {
        questions.push_back(text);
        return answer;
    }
    void OnChange(const ChangeNotice& notice) override { notices.push_back(notice); }

    std::string LastBoxText() const { return boxes.empty() ? "" : boxes.back().text; }
    int StepsSeen() const {
        int steps = 0;
        for (size_t i = 1; i < progress.size(); ++i)
            if (progress[i] == progress[i - 1] + 5) ++steps;
        return steps;
    }

  private:
    UserInterface* previous_ = nullptr;
};

}  // namespace ob
