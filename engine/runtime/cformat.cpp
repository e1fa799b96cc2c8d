// C-locale printf into a std::string.
#include "engine/runtime/cformat.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>

namespace tessel::runtime {

namespace {
locale_t CLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}
}  // namespace

std::string CFormat(const char* format, ...) {
    locale_t c = CLocale();
    locale_t previous = c ? uselocale(c) : nullptr;
    char small[128];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, copy);
        out.resize(static_cast<size_t>(n));
    }
    va_end(copy);
    if (previous) uselocale(previous);
    return out;
}

}  // namespace tessel::runtime
