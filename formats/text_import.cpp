// Import of sound data written as text: one number per line (optionally with
// a four-number header giving the count and the sample period) or "time,value"
// pairs. Lines end with a carriage return; a line feed after it is ignored.
// There is no text export.
#include <cctype>
#include <cmath>
#include <cstdio>

#include "formats/sound_formats.h"
#include "formats/sound_io_ui.h"
#include "wave/file_io.h"

namespace ob {

namespace {

constexpr double kFullScale = 0.99999976;

bool IsNumberChar(int c) {
    return std::isdigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// The test of the first bytes: 0 = not text, else the column count (1 or 2).
int TextColumns(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        int c = bytes[i];
        if (!IsNumberChar(c) && c != '\r' && c != '\n' && c != ',') return 0;
    }
    int previous = 0, commas = 0, lineColumns = 0;
    for (size_t i = 0; i < n; ++i) {
        int c = bytes[i];
        if (c == '\n') continue;
        if ((c == '\r' || c == ',') && !IsNumberChar(previous)) return 0;
        if (c == ',' && ++commas > 1) return 0;
        if (c == '\r') {
            int columns = commas + 1;
            if (lineColumns != 0 && columns != lineColumns) return 0;
            lineColumns = columns;
            commas = 0;
        }
        previous = c;
    }
    return lineColumns;  // 0 when no carriage return was seen
}

// 1 = a number was read, 0 = end of file, -1 = something that is not a number.
int NextNumber(FILE* f, double& v) {
    int r = std::fscanf(f, "%lf", &v);
    if (r == EOF) return 0;
    return r == 1 && std::isfinite(v) ? 1 : -1;
}

int NextPair(FILE* f, double& t, double& v) {
    int r = std::fscanf(f, "%lf,%lf", &t, &v);
    if (r == EOF) return 0;
    return r == 2 && std::isfinite(t) && std::isfinite(v) ? 1 : -1;
}

// Limits a rate as the import does: 200000 or more is divided by 1000, up to
// twice; `divisions` counts how often. An infinite or non-positive rate (equal
// times, a period of 0) becomes 0, which SetSampleRate turns into 22050.
double LimitRate(double rate, int& divisions) {
    divisions = 0;
    if (!std::isfinite(rate) || rate <= 0) return 0;
    while (rate >= 200000.0 && divisions < 2) {
        rate /= 1000.0;
        ++divisions;
    }
    return rate;
}

struct TextImport {
    uint64_t count = 0;
    double largest = 0;
    double rate = 44100;
    int skip = 0;  // header numbers before the samples
};

int ScanOneColumn(FILE* f, TextImport& import) {
    double head[4];
    int headCount = 0;
    for (; headCount < 4; ++headCount) {
        int r = NextNumber(f, head[headCount]);
        if (r < 0) return kFileReadError;
        if (r == 0) break;
    }
    double v, largest = 0;
    uint64_t count = 0;
    int r;
    if (headCount == 4) {
        while ((r = NextNumber(f, v)) == 1) {
            ++count;
            largest = std::fmax(largest, std::fabs(v));
        }
        if (r < 0) return kFileReadError;
    }
    if (headCount == 4 && std::trunc(head[0]) == double(count)) {
        import.skip = 4;
        import.rate = 1.0 / head[1];
    } else {
        for (int i = 0; i < headCount; ++i) largest = std::fmax(largest, std::fabs(head[i]));
        count += uint64_t(headCount);
        import.rate = 44100;
    }
    import.count = count;
    import.largest = largest;
    return kFileOk;
}

int ScanTwoColumns(FILE* f, TextImport& import) {
    double t1, t2, v;
    if (NextPair(f, t1, v) != 1 || NextPair(f, t2, v) != 1) return kFileReadError;
    import.rate = 1.0 / std::fabs(t2 - t1);
    std::rewind(f);
    int r;
    while ((r = NextPair(f, t1, v)) == 1) {
        ++import.count;
        import.largest = std::fmax(import.largest, std::fabs(v));
    }
    return r < 0 ? kFileReadError : kFileOk;
}

int ReadSamples(FILE* f, int columns, const TextImport& import, float* out) {
    std::rewind(f);
    double t, v;
    for (int i = 0; i < import.skip; ++i)
        if (NextNumber(f, v) != 1) return kFileReadError;
    double scale = import.largest > 0 ? kFullScale / import.largest : 0.0;
    for (uint64_t i = 0; i < import.count; ++i) {
        int r = columns == 1 ? NextNumber(f, v) : NextPair(f, t, v);
        if (r != 1) return kFileReadError;
        out[i] = float(v * scale);
    }
    return kFileOk;
}

}  // namespace

ReadOutcome ReadText(const std::string& path, WaveRecord& record, bool interactive, SoundIoUi* ui) {
    ReadOutcome out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        out.result = kCantOpenFile;
        return out;
    }
    uint8_t first[256];
    size_t n = std::fread(first, 1, sizeof first, f);
    int columns = n >= 3 ? TextColumns(first, n) : 0;
    if (columns == 0) {
        std::fclose(f);
        out.result = kFormatNotSupported;
        return out;
    }
    std::rewind(f);
    TextImport import;
    int result = columns == 1 ? ScanOneColumn(f, import) : ScanTwoColumns(f, import);
    if (result == kFileOk && import.count == 0) result = kFileReadError;
    if (result == kFileOk) result = AllocateWave(record, import.count, 1);
    if (result == kFileOk) result = ReadSamples(f, columns, import, record.leftSamples);
    std::fclose(f);
    if (result != kFileOk) {
        ResetAfterFailedLoad(record);
        out.result = result;
        return out;
    }
    int divisions = 0;
    double rate = LimitRate(import.rate, divisions);
    if (interactive && ui && divisions > 0)
        ui->Report("Text File Import",
                   divisions == 1
                       ? "Sample rate is too high.\nIt has been reduced by a factor of 1000."
                       : "Sample rate is too high.\nIt has been reduced by a factor of 1 million.");
    SetSampleRate(record, rate < 4294967295.0 ? uint32_t(rate) : 0);
    record.viewSpan = record.frameCount;
    out.recognised = true;
    out.format = columns == 1 ? kFormatText1 : kFormatText2;
    return out;
}

}  // namespace ob
