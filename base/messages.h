// Central message reporting: every failure reaches the user through
// ReportMessage, which by the current MessageType shows a message box, writes
// the status bar, appends a line to the open message file, or drops the text.
// Also the message file itself and the standard messages.
#pragma once

#include <cstdint>
#include <string>

namespace ob {

enum MessageTypeValue : int32_t {
    kMsgTypeNone = 0,    // OB_MSGTYPE_NONE
    kMsgTypeBox = 1,     // OB_MSGTYPE_BOX, the start value
    kMsgTypeFile = 2,    // OB_MSGTYPE_FILE
    kMsgTypeStatus = 3,  // OB_MSGTYPE_STATUS
};
extern int32_t gMessageType;

// Never fails. Type 1 box, 3 status bar, 2 text plus one line feed to the
// message file when one is open; 0 and anything else drop the text.
void ReportMessage(void* owner, const std::string& caption, const std::string& text);

// The message file: opening truncates an existing file and closes an open
// one first. Results: true on success.
bool OpenMessageFile(const std::string& path);
void CloseMessageFile();
bool MessageFileOpen();
// Writes the text unchanged; false when no file is open or the write failed.
bool WriteMessageFile(const std::string& text);

// Standard messages.
constexpr const char* kTextNoMemory = "Not enough memory for this operation.\n";
constexpr const char* kTextEditorMissing = "Wave Editor not available.\n";
constexpr const char* kTextNoWave = "No wave data here.\n";
constexpr const char* kTextNoAffectArea = "No edit affect area selected.\n";
constexpr const char* kTextNoEditChannel = "No edit channel selected.\n";
constexpr const char* kTextNotAvailable = "This item is not yet available.\n";
constexpr const char* kProgramCaption = "Sample Orbick";

void ReportNoMemory(void* owner, const std::string& caption);
void ReportEditorMissing();
void ReportNotAvailable();
// "System Error Msg:" with the system's text for the error code (at most 260
// characters); the variant without an argument takes errno.
void ReportSystemError(int code);
void ReportSystemError();

}  // namespace ob
