// The open chain, the save dispatch, Save As and the non-interactive
// defaults of the open and save questions.
#include "formats/sound_io.h"

#include <cstring>

#include "base/dialog_guard.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "formats/format_table.h"
#include "formats/realaudio.h"
#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "wave/file_io.h"

namespace ob {

// ---- Non-interactive defaults ----

bool SoundIoUi::AskYesNo(const std::string& caption, const std::string& text, bool defaultAnswer) {
    return UI().Ask(nullptr, caption, text, kButtonsYesNo,
                    defaultAnswer ? kAnswerYes : kAnswerNo) == kAnswerYes;
}
bool SoundIoUi::ChooseRawFormat(const std::string&, int&) {
    return true;
}
bool SoundIoUi::ChooseSavePath(const std::string&, std::string&, int&) {
    return false;
}
bool SoundIoUi::ChooseRealAudioParams(RealAudioExportParams&) {
    return true;
}
void SoundIoUi::Report(const std::string& caption, const std::string& text) {
    messages.push_back({caption, text});
    ReportMessage(nullptr, caption, text);
}
void SoundIoUi::Status(const std::string& text) {
    UI().SetStatusText(text);
}

namespace {

// Wait pointer for the length of an open or save.
struct WaitPointer {
    WaveRecord* record;
    explicit WaitPointer(WaveRecord* r) : record(r) { UI().SetWaitPointer(record, true); }
    ~WaitPointer() { UI().SetWaitPointer(record, false); }
};

bool ReadHead(const std::string& path, uint8_t head[12]) {
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) return false;
    bool ok = ReadBlock(fd, head, 12) == 12;
    CloseFile(fd);
    return ok;
}

void ReportFailure(SoundIoUi& ui, const std::string& path, int code) {
    ui.Report(path, FileResultText(code));
}

// RAW import, the end of the chain. Returns the result; `format` gets the code.
int OpenRaw(WaveRecord& record, const std::string& path, bool interactive, SoundIoUi& ui,
            int& format) {
    int code = gEditing.defaultSaveFormat;
    if (interactive) {
        if (!IsRawFormat(code)) code = kFormatRaw8u;
        if (DialogInUse(kDialogRawOpen)) {
            ui.Report(TitleOf(record), DialogGuardText(kDialogRawOpen));
            return 1;
        }
        SetDialogInUse(kDialogRawOpen, true);
        bool chosen = ui.ChooseRawFormat(path, code);
        SetDialogInUse(kDialogRawOpen, false);
        if (!chosen) return 1;
    }
    ReadOutcome raw = ReadRaw(path, record, code, &ui);
    if (raw.result != kFileOk) {
        ReportFailure(ui, path, raw.result);
        return raw.result;
    }
    format = raw.format;
    return kFileOk;
}

}  // namespace

int OpenSound(WaveRecord& record, bool interactive, SoundIoUi* uiIn) {
    SoundIoUi fallback;
    SoundIoUi& ui = uiIn ? *uiIn : fallback;
    const std::string path = record.filePath;
    if (WaveHasData(&record) &&
        !ui.AskYesNo(TitleOf(record), "A wave already exists here!\nDo you want to delete it?",
                     true))
        return 1;
    DiscardWave(record);
    record.filePath = path;
    record.sourceFormat = -1;
    WaitPointer wait(&record);

    FormatContext context;
    context.ui = &ui;
    context.interactive = interactive;
    int result = -1;
    int format = -1;
    uint8_t head[12];
    if (ReadHead(path, head)) {
        for (const FormatEntry* reader : OpenChain(head)) {
            ReadOutcome out = reader->read(path, record, context);
            if (out.result == kFileOk) {
                result = kFileOk;
                format = out.format;
                break;
            }
            if (record.leftSamples) {
                DiscardWave(record);
                record.filePath = path;
            }
            if (out.recognised) {
                ReportFailure(ui, path, out.result);
                // A script cannot answer the RAW question: it gets the failure
                // instead of the file's bytes taken as samples.
                if (!interactive) result = out.result;
                break;
            }
        }
    }
    if (result < 0) result = OpenRaw(record, path, interactive, ui, format);

    if (result != kFileOk) {
        DiscardWave(record);
        return result;
    }
    record.sourceFormat = format;
    record.viewSpan = record.frameCount;
    record.stateFlags &= ~kStateChanged;
    TidyLoopsAndMarkers(record);
    // The record held no overview before the read, so one of the right size
    // is the reader's own, built while it read the samples (the WAV reader
    // does that); otherwise it is computed here.
    const uint32_t blocks = OverviewBlockCount(record.frameCount);
    const bool built =
        record.leftOverview.pairs && record.leftOverview.blocks == blocks &&
        (record.rightSamples ? record.rightOverview.pairs && record.rightOverview.blocks == blocks
                             : !record.rightOverview.pairs);
    if (!LoadOverviewCache(record, path) && !built) UpdateOverview(record, 0, 0, kEditLeftRight);
    return kFileOk;
}

int SaveSound(WaveRecord& record, int code, uint32_t wavOptions, SoundIoUi* uiIn) {
    SoundIoUi fallback;
    SoundIoUi& ui = uiIn ? *uiIn : fallback;
    if (record.filePath.empty()) return SaveSoundAs(record, code, wavOptions, &ui);
    if (!WaveHasData(&record)) {
        ui.Report(TitleOf(record), "No wave to save!");
        return 1;
    }
    const FormatEntry* entry = FindFormat(code);
    if (!entry || !entry->write) return 1;
    const std::string path = record.filePath;
    ui.Status("Saving: " + path);
    TidyLoopsAndMarkers(record);
    int result;
    {
        WaitPointer wait(&record);
        FormatContext context;
        context.ui = &ui;
        context.wavOptions = wavOptions;
        result = entry->write(path, record, context);
    }
    bool wav =
        code == kFormatWav8 || code == kFormatWav16 || code == kFormatWav24 || code == kFormatWav32;
    // RealAudio reports its own failures.
    if (code != kFormatRealAudio && (result == kFileWriteError || result == kNotEnoughMemory ||
                                     (result == kGeneralFileError && !wav)))
        ReportFailure(ui, path, result);
    if (result == kFileOk) {
        record.stateFlags &= ~kStateChanged;
        if (code != kFormatRealAudio) SaveOverviewCache(record, path);
    }
    ui.Status("");
    return result;
}

int SaveSoundAs(WaveRecord& record, int code, uint32_t wavOptions, SoundIoUi* uiIn) {
    SoundIoUi fallback;
    SoundIoUi& ui = uiIn ? *uiIn : fallback;
    std::string path = record.filePath.empty() ? record.name : record.filePath;
    path = PathWithFormatExtension(path, code);
    if (!ui.ChooseSavePath(SaveAsCaption(record), path, code) || path.empty()) return 1;
    record.filePath = path;
    return SaveSound(record, code, wavOptions, &ui);
}

std::string SaveAsCaption(const WaveRecord& record) {
    return std::string("Save As (Default ") + FormatName(gEditing.defaultSaveFormat) +
           ", originally " + FormatName(record.sourceFormat) + "):";
}

std::string PathWithFormatExtension(const std::string& path, int code) {
    const FormatEntry* entry = FindFormat(code);
    if (!entry || entry->extension[0] == 0) return path;
    std::string_view extension = ExtensionPart(path);
    return path.substr(0, path.size() - extension.size()) + entry->extension;
}

int SetDefaultSaveFormat(int code) {
    int previous = gEditing.defaultSaveFormat;
    bool names = code >= 0 && code <= kFormatMp3 && code != 1 && code != 4;
    gEditing.defaultSaveFormat = names ? code : kFormatWav16;
    return previous;
}

}  // namespace ob
