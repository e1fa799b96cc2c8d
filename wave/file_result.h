// File result codes shared by the sound file readers and writers, the preset
// container and the settings files, with their one table of texts.
#pragma once

namespace ob {

enum FileResult : int {
    kFileOk = 0,              // "Procedure OK"
    kFileFormImproper = 1,    // container id not found
    kFileTypeImproper = 2,    // container / form type wrong
    kFormatNotSupported = 3,  // recognised, but a variant we cannot read
    kItemNotFound = 4,        // no chunk / record of the wanted kind
    kCantOpenFile = 5,
    kFileReadError = 6,
    kFileWriteError = 7,
    kFileIOError = 8,
    kNotEnoughMemory = 9,
    kEndOfFile = 10,
    kUnknownFileError = 11,
    kGeneralFileError = 12,  // also: the record has no wave to save
    kCorruptFile = 13,
};

constexpr int kFileResultCount = 14;

// The text shown for a file result; codes outside 0..13 give "Unknown File Error".
const char* FileResultText(int code);

}  // namespace ob
