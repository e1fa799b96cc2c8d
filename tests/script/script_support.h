// Helpers of the script host tests: a temporary folder, a user interface
// that keeps every message box, editors filled with known samples, and a
// fixture that leaves the global state as it found it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/dialog_guard.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "wave/memory.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob::test {

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/orbick-script-XXXXXX";
        if (char* made = ::mkdtemp(name)) path = made;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BoxRecorder : public UserInterface {
  public:
    struct Box {
        std::string caption;
        std::string text;
    };
    std::vector<Box> boxes;
    std::vector<std::string> statusTexts;

    BoxRecorder() { previous_ = SetUserInterface(this); }
    ~BoxRecorder() override { SetUserInterface(previous_); }
    void SetWaitPointer(WaveRecord*, bool) override {}
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void SetProgressBar(int) override {}
    void StartAbortWindow(WaveRecord*) override {}
    void StopAbortWindow() override {}
    void MessageBox(void*, const std::string& caption, const std::string& text) override {
        boxes.push_back({caption, text});
    }
    QuestionAnswer Ask(void*, const std::string&, const std::string&, QuestionButtons,
                       QuestionAnswer answer) override {
        return answer;
    }

  private:
    UserInterface* previous_ = nullptr;
};

// Puts a wave of the given samples into editor `number` (created if needed).
inline WaveRecord& MakeEditor(int number, const std::vector<float>& left,
                              const std::vector<float>& right = {}, uint32_t rate = 44100) {
    if (!gEditorSlots[number]) {
        // Fill lower free slots temporarily so CreateEditor lands on `number`.
        std::vector<int> fillers;
        int made = 0;
        while (CreateEditor(&made) == 0 && made != number) fillers.push_back(made);
        for (int f : fillers) CloseEditor(f);
    }
    WaveRecord& r = *gEditorSlots[number];
    DiscardWave(r);
    size_t bytes = left.size() * sizeof(float);
    r.leftSamples = static_cast<float*>(Allocate(bytes, kAllocLarge));
    std::copy(left.begin(), left.end(), r.leftSamples);
    if (!right.empty()) {
        r.rightSamples = static_cast<float*>(Allocate(bytes, kAllocLarge));
        std::copy(right.begin(), right.end(), r.rightSamples);
    }
    r.frameCount = uint32_t(left.size());
    r.viewSpan = r.frameCount;
    r.sampleRate = rate;
    UpdateOverview(r, 0, 0, kEditLeftRight);
    return r;
}

// Restores the global state every test may change.
class ScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CloseAllEditors();
        gActiveEditor = 0;
        gEditing = EditingState{};
        gMessageType = kMsgTypeBox;
        gDialogsInUse.reset();
        SetBackupDepth(10);
    }
    void TearDown() override {
        CloseAllEditors();
        gActiveEditor = 0;
        gEditing = EditingState{};
        gMessageType = kMsgTypeBox;
        gDialogsInUse.reset();
        CloseMessageFile();
    }
};

}  // namespace ob::test
