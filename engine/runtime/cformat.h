// printf-style formatting that always uses the C locale (decimal point '.'),
// whatever locale the host program has set.
#pragma once

#include <string>

namespace tessel::runtime {

// vsnprintf under the C locale into a string of any length.
std::string CFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tessel::runtime
