// ReportMessage, the message file and the standard messages.
#include "base/messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/user_interface.h"

namespace ob {

int32_t gMessageType = kMsgTypeBox;

namespace {
std::FILE* gMessageFile = nullptr;
}

void ReportMessage(void* owner, const std::string& caption, const std::string& text) {
    switch (gMessageType) {
        case kMsgTypeBox:
            UI().MessageBox(owner, caption, text);
            break;
        case kMsgTypeStatus:
            UI().SetStatusText(text);
            break;
        case kMsgTypeFile:
            if (gMessageFile) {
                std::fwrite(text.data(), 1, text.size(), gMessageFile);
                std::fputc('\n', gMessageFile);
                std::fflush(gMessageFile);
            }
            break;
        default:
            break;
    }
}

bool OpenMessageFile(const std::string& path) {
    CloseMessageFile();
    gMessageFile = std::fopen(path.c_str(), "wb");
    return gMessageFile != nullptr;
}

void CloseMessageFile() {
    if (gMessageFile) std::fclose(gMessageFile);
    gMessageFile = nullptr;
}

bool MessageFileOpen() {
    return gMessageFile != nullptr;
}

bool WriteMessageFile(const std::string& text) {
    if (!gMessageFile) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), gMessageFile) == text.size();
    return std::fflush(gMessageFile) == 0 && ok;
}

void ReportNoMemory(void* owner, const std::string& caption) {
    ReportMessage(owner, caption, kTextNoMemory);
}
void ReportEditorMissing() {
    ReportMessage(nullptr, "Internal Error", kTextEditorMissing);
}
void ReportNotAvailable() {
    ReportMessage(nullptr, kProgramCaption, kTextNotAvailable);
}

void ReportSystemError(int code) {
    std::string text = std::strerror(code);
    if (text.size() > 260) text.resize(260);
    ReportMessage(nullptr, "System Error Msg:", text);
}
void ReportSystemError() {
    ReportSystemError(errno);
}

}  // namespace ob
