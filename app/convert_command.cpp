// `orbick --convert IN OUT [--format FORMAT] [--raw FORMAT]`: argument parsing and
// the open-then-save sequence through the editor's open chain and Save As
// (tidy, overview from the peak cache or computed, cache written). The
// command line answers the open and save dialogs: Save As takes OUT and
// CODE; the RAW dialog takes the --raw code, and without one an unrecognised
// file is an error instead of being read as headerless samples.
#include "app/convert_command.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/format_table.h"
#include "formats/sound_io.h"
#include "formats/sound_io_ui.h"
#include "formats/wav.h"
#include "wave/file_io.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

namespace ob {

const char* const kConvertUsage =
    "usage: orbick --convert IN OUT [--format FORMAT] [--raw FORMAT]\n"
    "  FORMAT, by name or code: wav8 5, wav16 6, wav24 19, wavf (wav32) 17,\n"
    "        8svx 3, aiff (aiff16) 0, aiff24 18, au 14, voc 15, sd1 2,\n"
    "        studio16 (s16) 13, raw8s 7, raw8u 8, raw16m 9, raw16i 10,\n"
    "        rawalaw 11, rawulaw 12, realaudio (ra) 16\n"
    "  without --format, OUT's extension chooses the format (.wav .aif .aiff\n"
    "        .au .snd .svx .8svx .voc .sd .s16 .ra) at the depth of IN\n"
    "  --raw FORMAT: read IN as RAW data of that kind (raw8s .. rawulaw, 7..12)\n"
    "        when no reader recognises it\n";

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

// Format names of the command line; several may name one code.
struct FormatName {
    const char* name;
    int code;
};
const FormatName kFormatNames[] = {
    {"wav8", kFormatWav8},       {"wav16", kFormatWav16},     {"wav24", kFormatWav24},
    {"wavf", kFormatWav32},      {"wav32", kFormatWav32},     {"aiff", kFormatAiff16},
    {"aiff16", kFormatAiff16},   {"aiff24", kFormatAiff24},   {"8svx", kFormat8svx},
    {"au", kFormatAu},           {"voc", kFormatVoc},         {"sd1", kFormatSd1},
    {"studio16", kFormatS16v3},  {"s16", kFormatS16v3},       {"raw8s", kFormatRaw8s},
    {"raw8u", kFormatRaw8u},     {"raw16m", kFormatRaw16m},   {"raw16i", kFormatRaw16i},
    {"rawalaw", kFormatRawAlaw}, {"rawulaw", kFormatRawUlaw}, {"realaudio", kFormatRealAudio},
    {"ra", kFormatRealAudio},
};

// A format name (any case) or a decimal code.
bool ParseFormatCode(const char* text, int& code) {
    for (const FormatName& entry : kFormatNames) {
        if (strcasecmp(text, entry.name) == 0) {
            code = entry.code;
            return true;
        }
    }
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < 0 || v > 1000) return false;
    code = int(v);
    return true;
}

// The formats an output extension stands for, in order of depth; empty when
// the extension says nothing (.raw, none, unknown).
std::vector<int> FormatsOfExtension(const std::string& path) {
    std::string ext(ExtensionPart(path));
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".wav" || ext == ".wave")
        return {kFormatWav8, kFormatWav16, kFormatWav24, kFormatWav32};
    if (ext == ".aif" || ext == ".aiff") return {kFormatAiff16, kFormatAiff24};
    if (ext == ".au" || ext == ".snd") return {kFormatAu};
    if (ext == ".svx" || ext == ".8svx") return {kFormat8svx};
    if (ext == ".voc") return {kFormatVoc};
    if (ext == ".sd" || ext == ".sd1") return {kFormatSd1};
    if (ext == ".s16") return {kFormatS16v3};
    if (ext == ".ra") return {kFormatRealAudio};
    return {};
}

// The format of the extension's family that keeps what the source holds: the
// source's own format when it belongs, else the shallowest one at least as
// deep as the source, else the deepest.
int FormatForOutput(const std::vector<int>& family, int sourceFormat) {
    for (int code : family)
        if (code == sourceFormat) return code;
    int want = FormatBits(sourceFormat);
    for (int code : family)
        if (FormatBits(code) >= want) return code;
    return family.back();
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
    return positional == 2;
}

void ReportFileError(const std::string& path, int result) {
    std::fprintf(stderr, "orbick: %s: %s\n", path.c_str(), FileResultText(result));
}

}  // namespace

int RunConvertCommand(int argc, char** argv) {
    ConvertArgs args;
    if (argc == 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        std::fputs(kConvertUsage, stdout);
        return 0;
    }
    if (!ParseArgs(argc, argv, args)) {
        std::fputs(kConvertUsage, stderr);
        return 2;
    }
    std::vector<int> family;
    if (args.format < 0) {
        family = FormatsOfExtension(args.out);
        if (family.empty()) {
            std::fprintf(stderr,
                         "orbick: %s: the extension does not tell the format; give --format\n",
                         args.out.c_str());
            std::fputs(kConvertUsage, stderr);
            return 2;
        }
    } else if (!Writable(args.format)) {
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
        if (!family.empty()) args.format = FormatForOutput(family, record.sourceFormat);
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
