// Texts of the file result codes.
#include "wave/file_result.h"

namespace ob {

namespace {
const char* const kTexts[kFileResultCount] = {
    "Procedure OK",       "File Form improper", "File Type improper",  "Format Not Supported",
    "Item Not Found",     "Can't Open File",    "File Read Error",     "File Write Error",
    "File I/O Error",     "Not Enough Memory",  "End Of File Reached", "Unknown File Error",
    "General File Error", "Corrupt File",
};
}  // namespace

const char* FileResultText(int code) {
    if (code < 0 || code >= kFileResultCount) return "Unknown File Error";
    return kTexts[code];
}

}  // namespace ob
