// The one table of sound file formats: for each format code its name, its
// extension, the probe of the file's first 12 bytes that makes its reader the
// head of the open chain, its reader and its writer. The table's order is the
// order of the open chain; the save list follows the display order of the
// format codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/format_common.h"

namespace ob {

class SoundIoUi;

// What readers and writers get from the open and save chains.
struct FormatContext {
    SoundIoUi* ui = nullptr;   // never null when the chains call
    bool interactive = false;  // the user started the open
    uint32_t wavOptions = 15;  // WAV chunk switches
};

using ProbeFunction = bool (*)(const uint8_t head[12]);
using ReadFunction = ReadOutcome (*)(const std::string& path, WaveRecord& record,
                                     const FormatContext& context);
using WriteFunction = int (*)(const std::string& path, const WaveRecord& record,
                              const FormatContext& context);

struct FormatEntry {
    int code;
    const char* name;       // the name shown
    const char* extension;  // with the dot; "" for none
    ProbeFunction probe;    // null: never heads the chain by its header
    ReadFunction read;      // null: no reader of its own in the chain
    WriteFunction write;    // null: cannot be saved
};

// Every row, in the order of the open chain.
const std::vector<FormatEntry>& FormatTable();
// The row of a format code, or null.
const FormatEntry* FindFormat(int code);
// The distinct readers of the open chain, starting with the one that claims
// `head` (the first 12 bytes of the file). Files no probe claims start after
// the probed readers.
std::vector<const FormatEntry*> OpenChain(const uint8_t head[12]);
// The codes of the Save As type list: the display order without "Unspecified".
std::vector<int> SaveFormatList();
// True for the RAW codes 7..12.
bool IsRawFormat(int code);

// The Format menu: entry texts and the default save format each selects.
struct FormatMenuEntry {
    const char* text;
    int code;
};
extern const FormatMenuEntry kFormatMenu[18];

}  // namespace ob
