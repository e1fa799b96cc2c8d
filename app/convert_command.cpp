// `orbick --convert IN OUT --format CODE [--raw CODE]`: argument parsing and
// the open-then-save sequence through the editor's open chain and Save As
// (tidy, overview from the peak cache or computed, cache written). The
// command line answers the open and save dialogs: Save As takes OUT and
// CODE; the RAW dialog takes the --raw code, and without one an unrecognised
// file is an error instead of being read as headerless samples.
#include "app/convert_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/format_table.h"
#include "formats/sound_io.h"
#include "formats/sound_io_ui.h"
#include "formats/wav.h"
#include "wave/file_io.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

namespace ob {

const char* const kConvertUsage =
    "usage: orbick --convert IN OUT --format CODE [--raw CODE]\n"
    "  CODE: 5 WAVE 8 bit, 6 WAVE 16 bit, 19 WAVE 24 bit, 17 WAVE 32 bit, 3 8SVX,\n"
    "        0 AIFF 16 bit, 18 AIFF 24 bit, 14 AU, 7 RAW 8 signed, 8 RAW 8 unsigned,\n"
    "        9 RAW 16 Motorola, 10 RAW 16 Intel, 11 RAW a-law, 12 RAW u-law,\n"
    "        16 RealAudio, 2 Sound Designer 1, 13 Studio 16 V3, 15 VOC\n"
    "  --raw CODE: read IN as RAW data of that kind (7..12) when no reader\n"
    "        recognises it\n";

namespace {

struct ConvertArgs {
    std::string in;
    std::string out;
    int format = -1;
    int raw = -1;
};

// The command line in the place of the open and save dialogs; messages are
// kept and printed only when the conversion fails.
class ConvertUi : public SoundIoUi {
  public:
    ConvertUi(const ConvertArgs& args) : args_(args) {}
    bool ChooseRawFormat(const std::string&, int& code) override {
        if (args_.raw < 0) return false;
        code = args_.raw;
        return true;
    }
    bool ChooseSavePath(const std::string&, std::string& path, int& code) override {
        path = args_.out;
        code = args_.format;
        return true;
    }
    void Report(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
    }

  private:
    const ConvertArgs& args_;
};

// True for a code the save dispatch can write.
bool Writable(int code) {
    const FormatEntry* entry = FindFormat(code);
    return entry && entry->write;
}

bool ParseFormatCode(const char* text, int& code) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < -1 || v > 1000) return false;
    code = int(v);
    return true;
}

// IN and OUT in that order, "--format CODE" anywhere among them. Other words
// starting with "--" are unknown options (a file of such a name can be given
// as ./--name).
bool ParseArgs(int argc, char** argv, ConvertArgs& args) {
    int positional = 0;
    bool formatGiven = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--format") == 0) {
            if (i + 1 >= argc || formatGiven || !ParseFormatCode(argv[i + 1], args.format))
                return false;
            formatGiven = true;
            ++i;
        } else if (std::strcmp(argv[i], "--raw") == 0) {
            if (i + 1 >= argc || args.raw >= 0 || !ParseFormatCode(argv[i + 1], args.raw) ||
                !IsRawFormat(args.raw))
                return false;
            ++i;
        } else if (std::strncmp(argv[i], "--", 2) == 0 || argv[i][0] == 0) {
            return false;  // an unknown option or an empty name
        } else if (positional == 0) {
            args.in = argv[i];
            ++positional;
        } else if (positional == 1) {
            args.out = argv[i];
            ++positional;
        } else {
            return false;
        }
    }
    return positional == 2 && formatGiven;
}

void ReportFileError(const std::string& path, int result) {
    std::fprintf(stderr, "orbick: %s: %s\n", path.c_str(), FileResultText(result));
}

}  // namespace

int RunConvertCommand(int argc, char** argv) {
    ConvertArgs args;
    if (!ParseArgs(argc, argv, args)) {
        std::fputs(kConvertUsage, stderr);
        return 2;
    }
    if (!Writable(args.format)) {
        std::fprintf(stderr, "orbick: format %d cannot be written by --convert\n", args.format);
        std::fputs(kConvertUsage, stderr);
        return 2;
    }
    int fd = OpenFile(args.in, kOpenRead);
    if (fd < 0) {
        ReportFileError(args.in, kCantOpenFile);
        return 1;
    }
    CloseFile(fd);

    ConvertUi ui(args);
    WaveRecord record;
    record.filePath = args.in;
    // A user-started open: a file no reader takes goes to the RAW dialog.
    int result = OpenSound(record, true, &ui);
    const std::string* failed = &args.in;
    if (result == kFileOk) {
        failed = &args.out;
        record.filePath.clear();
        ui.messages.clear();
        result = SaveSoundAs(record, args.format, kWavOptionsAll, &ui);
    }
    if (result != kFileOk) {
        // The failure as the open or save reported it (the path is the
        // caption), else the result code's text for the file that failed.
        if (ui.messages.empty()) ReportFileError(*failed, result);
        for (const SoundIoUi::Message& m : ui.messages)
            std::fprintf(stderr, "orbick: %s: %s\n", m.caption.c_str(), m.text.c_str());
    }
    DiscardWave(record);
    return result == kFileOk ? 0 : 1;
}

}  // namespace ob
