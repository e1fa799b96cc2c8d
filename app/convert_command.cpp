// `orbick --convert IN OUT --format CODE`: argument parsing and the
// open-then-save sequence with the same after-open and before-save steps as
// the editor (tidy, overview from the peak cache or computed, cache written).
#include "app/convert_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/wav.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

namespace ob {

const char* const kConvertUsage =
    "usage: orbick --convert IN OUT --format CODE\n"
    "  CODE: 5 WAVE 8 bit, 6 WAVE 16 bit, 19 WAVE 24 bit, 17 WAVE 32 bit\n";

namespace {

struct ConvertArgs {
    std::string in;
    std::string out;
    int format = -1;
};

// The WAV depth a format code saves, or 0 for a code this command cannot write.
int BitsForFormat(int code) {
    switch (code) {
        case kFormatWav8: return 8;
        case kFormatWav16: return 16;
        case kFormatWav24: return 24;
        case kFormatWav32: return 32;
        default: return 0;
    }
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
    const int bits = BitsForFormat(args.format);
    if (bits == 0) {
        std::fprintf(stderr, "orbick: format %d cannot be written by --convert\n", args.format);
        std::fputs(kConvertUsage, stderr);
        return 2;
    }

    WaveRecord record;
    WaveReadResult read = ReadWave(args.in, record);
    if (read.result != kFileOk) {
        ReportFileError(args.in, read.result);
        return 1;
    }
    record.sourceFormat = read.formatCode;
    record.filePath = args.in;
    if (!LoadOverviewCache(record, args.in)) UpdateOverview(record, 0, 0, kEditLeftRight);

    TidyLoopsAndMarkers(record);
    int written = WriteWave(args.out, record, bits, kWavOptionsAll);
    if (written != kFileOk) {
        ReportFileError(args.out, written);
        DiscardWave(record);
        return 1;
    }
    record.filePath = args.out;
    record.stateFlags &= ~kStateChanged;
    SaveOverviewCache(record, args.out);
    DiscardWave(record);
    return 0;
}

}  // namespace ob
