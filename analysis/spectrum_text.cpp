// The text export of a spectrum analysis.
#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis/spectrum.h"

namespace ob {

void FormatFixed12(double v, std::string& out) {
    char buffer[400];
    int length;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    if (result.ec == std::errc()) {
        length = int(result.ptr - buffer);
        // printf spells the non-numbers in lower case; to_chars does too.
    } else {
        length = std::snprintf(buffer, sizeof buffer, "%f", v);
        if (length < 0) length = 0;
    }
    if (length < 12) out.append(size_t(12 - length), ' ');
    out.append(buffer, size_t(length));
}

int WriteSpectrumText(const std::string& path, const SpectrumData& data) {
    // Only a regular file is deleted after a failed write (never a device or
    // anything else the path names).
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    const bool removable = !existed || S_ISREG(before.st_mode);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return kSpectrumCantOpen;
    std::string text;
    text.reserve(1 << 20);
    char line[96];
    std::snprintf(line, sizeof line, "Records:%d Points:%d dB:%d\n", data.records, data.n,
                  data.decibels ? 1 : 0);
    text += line;
    const double binHz = data.n ? data.rate / (2.0 * data.n) : 0.0;
    bool ok = true;
    for (int r = 0; r < data.records && ok; ++r) {
        std::snprintf(line, sizeof line, "\nRecord:%d\n", r + 1);
        text += line;
        const double* v = data.Record(r);
        for (int k = 0; k < data.n; ++k) {
            FormatFixed12(k * binHz, text);
            text += ' ';
            FormatFixed12(v[k], text);
            text += '\n';
        }
        if (text.size() >= (1u << 20)) {
            ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
            text.clear();
        }
    }
    if (ok && !text.empty()) ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        if (removable) std::remove(path.c_str());
        return kSpectrumWriteError;
    }
    return kSpectrumOk;
}

}  // namespace ob
