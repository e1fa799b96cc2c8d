// The questions and dialogs of opening and saving sounds. The base class is
// the non-interactive default (scripts, batch mode, the command line): yes/no
// questions go to the user-interface seam (base/user_interface.h), which
// answers them without asking in batch mode; messages go to the central
// message reporting (base/messages.h) and are also kept in `messages`; the RAW
// format, Save As and RealAudio dialogs keep their preselection, and Save As
// without a dialog cancels. The Qt shell derives its dialogs from it.
#pragma once

#include <string>
#include <vector>

namespace ob {

struct RealAudioExportParams;

class SoundIoUi {
  public:
    virtual ~SoundIoUi() = default;

    // A Yes/No question; `defaultAnswer` is taken when nobody can be asked.
    virtual bool AskYesNo(const std::string& caption, const std::string& text, bool defaultAnswer);
    // "File Not Recognized: Open As Raw": `code` holds the preselected RAW
    // code and receives the chosen one; false means Cancel.
    virtual bool ChooseRawFormat(const std::string& path, int& code);
    // The Save As dialog: `path` and `code` hold the proposal and receive the
    // choice; false means Cancel.
    virtual bool ChooseSavePath(const std::string& caption, std::string& path, int& code);
    // The RealAudio export dialog: `params` holds the encoder's version line
    // and flavor names and receives the choices; false means Cancel.
    virtual bool ChooseRealAudioParams(RealAudioExportParams& params);
    // A message with its caption.
    virtual void Report(const std::string& caption, const std::string& text);
    // The status line ("Saving: ..."; empty clears it).
    virtual void Status(const std::string& text);

    struct Message {
        std::string caption;
        std::string text;
    };
    std::vector<Message> messages;  // every message reported through this object
};

}  // namespace ob
