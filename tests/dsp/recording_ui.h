// A user interface for tests: records every call so tests can check what the
// frame showed, and can request an abort once the progress bar reaches a value.
#pragma once

#include <string>
#include <vector>

#include "base/user_interface.h"
#include "dsp/frame.h"

namespace ob {

class RecordingUserInterface : public UserInterface {
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
    int undoRefreshes = 0, redraws = 0;
    int abortAtProgress = -1;            // request an abort when the bar reaches this
    QuestionAnswer answer = kAnswerYes;  // what Ask returns

    RecordingUserInterface() { previous_ = SetUserInterface(this); }
    ~RecordingUserInterface() override { SetUserInterface(previous_); }

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
    void RefreshUndoCommands(WaveRecord*) override { ++undoRefreshes; }
    void Redraw(WaveRecord*) override { ++redraws; }

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
