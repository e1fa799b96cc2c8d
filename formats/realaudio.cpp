// RealAudio export around a run-time loaded encoder library: the rate and
// channel checks, the flavor list, 16-bit interleaved input in the library's
// buffer size with the last buffer padded with silence.
#include "formats/realaudio.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "base/dialog_guard.h"
#include "formats/sound_io_ui.h"
#include "wave/file_io.h"
#include "wave/file_result.h"
#include "wave/memory.h"
#include "wave/sample_convert.h"

namespace ob {

std::string gRealAudioEncoderLibrary;

namespace {

constexpr size_t kMaxText = 259;  // texts are passed in 260-byte fields
const char kWarning[] =
    "WARNING:\nFor backward compatibility on old systems only.\nDo not use for new work.\n"
    "Do you wish to continue?";
const char kRateRefused[] =
    "Sorry, Encoder can only handle input sample rates of\n44.1 kHz, 22.05 kHz, 11.025 kHz, "
    "and 8 kHz.\nPlease use Sample Rate Transpose before encoding.";
const char kInitFailed[] = "Sorry, Encoder failed to initialize.";
const char kNoEncoder[] = "No RealAudio encoder is installed.";
const char kBadFlavor[] = "Bad flavor index!\nCheck your system for duplicate/obsolete codec DLLs";
const char kMonoFlavor[] = "Please choose a mono compression method to encode a mono sound.";
const char kEncoderInit[] = "Encoder failed to initialize!";
const char kCannotOpen[] =
    "Cannot open desired output file.\n\nPossible reasons: \nThe file may be corrupted,\nan "
    "unsupported format,\nor in use by another application.";
const char kResampling[] = "Encoder will perform resampling.";
const char kEncodeFailed[] = "RealAudio encoding failed.";

template <typename F>
bool Resolve(void* library, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(library, name));
    return out != nullptr;
}

std::string Limited(const std::string& text) {
    return text.substr(0, kMaxText);
}

// Fills the dialog's version line and flavor list.
void DescribeEncoder(const RealAudioEncoder& enc, RealAudioExportParams& params) {
    uint32_t v = enc.ProductVersion();
    char line[64];
    std::snprintf(line, sizeof line, "Encoder Version: %d.%d.%d.%d", int(v >> 28),
                  int((v >> 20) & 0xFF), int((v >> 12) & 0xFF), int(v & 0xFFF));
    params.versionLine = line;
    params.flavorNames.clear();
    void* handle = enc.Create();
    if (!handle) return;
    int count = enc.GetNumFlavors(handle);
    for (int i = 0; i < count; ++i) {
        uint32_t flavor = 0;
        if (enc.GetFlavorByIndex(handle, i, &flavor) != 0) continue;
        const void* data = nullptr;
        uint32_t length = 0;
        std::string name;
        if (enc.GetFlavorProperty(handle, flavor, 0, &data, &length) == 0 && data)
            name =
                std::string(static_cast<const char*>(data),
                            strnlen(static_cast<const char*>(data), length < 260 ? length : 260));
        params.flavorNames.push_back(name);
    }
    enc.Destroy(handle);
}

// Feeds the wave as interleaved 16-bit samples in buffers of `size` bytes,
// the last one padded with silence. False at the first refused buffer.
bool FeedSamples(const RealAudioEncoder& enc, void* handle, const WaveRecord& record,
                 uint8_t* buffer, uint32_t size) {
    int channels = record.rightSamples ? 2 : 1;
    uint32_t used = 0;
    auto flush = [&]() {
        uint32_t outValue = 0, inOut = size;
        bool ok = enc.Encode(handle, buffer, size, 0, &outValue, 0, &inOut) == 0;
        used = 0;
        return ok;
    };
    for (uint32_t i = 0; i < record.frameCount; ++i) {
        for (int c = 0; c < channels; ++c) {
            float x = ClampSample(c == 0 ? record.leftSamples[i] : record.rightSamples[i]);
            int16_t v = int16_t(double(x) * 32767.0);
            uint8_t bytes[2];
            std::memcpy(bytes, &v, 2);
            for (uint8_t b : bytes) {
                buffer[used++] = b;
                if (used == size && !flush()) return false;
            }
        }
    }
    if (used > 0) {
        std::memset(buffer + used, 0, size - used);
        if (!flush()) return false;
    }
    return true;
}

int RunEncoder(const RealAudioEncoder& enc, void* handle, uint32_t flavor, uint32_t rate,
               const std::string& path, const WaveRecord& record,
               const RealAudioExportParams& params, SoundIoUi& ui, const std::string& caption) {
    RealAudioInputFormat format{1, rate, 16, uint16_t(record.rightSamples ? 2 : 1)};
    if (enc.InitializeEncoder(handle, flavor, &format) != 0) {
        ui.Report(caption, kEncoderInit);
        return kGeneralFileError;
    }
    enc.SetDestination(handle, 1);
    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) {
        ui.Report(caption, kCannotOpen);
        return kCantOpenFile;
    }
    if (enc.SetOutputFile(handle, save.temporary.c_str()) != 0) {
        AbortSafeSave(save);
        ui.Report(caption, kCannotOpen);
        return kCantOpenFile;
    }
    uint32_t inputBytes = 0, secondSize = 0;
    int resamples = 0;
    enc.GetBufferSizes(handle, &inputBytes, &secondSize, &resamples);
    if (resamples) ui.Report(caption, kResampling);
    if (inputBytes == 0) {
        AbortSafeSave(save);
        ui.Report(caption, kEncoderInit);
        return kGeneralFileError;
    }
    enc.Title(handle, Limited(params.title).c_str());
    enc.Author(handle, Limited(params.author).c_str());
    enc.Copyright(handle, Limited(params.copyright).c_str());
    enc.SelRecBit(handle, params.selectiveRecord ? 1 : 0);
    enc.PerfPlayBit(handle, params.perfectPlay ? 1 : 0);
    auto* buffer = static_cast<uint8_t*>(Allocate(inputBytes, kAllocHeap));
    if (!buffer) {
        AbortSafeSave(save);
        ui.Report(caption, FileResultText(kNotEnoughMemory));
        return kNotEnoughMemory;
    }
    enc.Start(handle);
    bool fed = FeedSamples(enc, handle, record, buffer, inputBytes);
    enc.Done(handle);
    Release(buffer, inputBytes, kAllocHeap);
    if (!fed) {
        AbortSafeSave(save);
        ui.Report(caption, kEncodeFailed);
        return kFileWriteError;
    }
    int result = CommitSafeSave(save);
    if (result != kFileOk) ui.Report(caption, FileResultText(result));
    return result;
}

int EncodeWith(const RealAudioEncoder& enc, uint32_t rate, const std::string& path,
               const WaveRecord& record, const RealAudioExportParams& params, SoundIoUi& ui,
               const std::string& caption) {
    void* handle = enc.Create();
    if (!handle) {
        ui.Report(caption, kInitFailed);
        return kGeneralFileError;
    }
    uint32_t flavor = 0;
    if (params.flavorIndex < 0 || enc.GetFlavorByIndex(handle, params.flavorIndex, &flavor) != 0) {
        ui.Report(caption, kBadFlavor);
        enc.Destroy(handle);
        return kGeneralFileError;
    }
    const void* data = nullptr;
    uint32_t length = 0;
    int flavorChannels = 1;
    if (enc.GetFlavorProperty(handle, flavor, 2, &data, &length) == 0 && data && length >= 10) {
        uint16_t channels;
        std::memcpy(&channels, static_cast<const uint8_t*>(data) + 8, 2);
        flavorChannels = channels;
    }
    if (flavorChannels > (record.rightSamples ? 2 : 1)) {
        ui.Report(caption, kMonoFlavor);
        enc.Destroy(handle);
        return kFormatNotSupported;
    }
    int result = RunEncoder(enc, handle, flavor, rate, path, record, params, ui, caption);
    enc.Destroy(handle);
    return result;
}

}  // namespace

bool LoadRealAudioEncoder(const std::string& path, RealAudioEncoder& e) {
    if (path.empty()) return false;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    bool ok = Resolve(lib, "RAenc_PackageInit", e.PackageInit) &&
              Resolve(lib, "RAenc_ProductVersion", e.ProductVersion) &&
              Resolve(lib, "RAenc_Create", e.Create) &&
              Resolve(lib, "RAenc_GetNumFlavors", e.GetNumFlavors) &&
              Resolve(lib, "RAenc_GetFlavorByIndex", e.GetFlavorByIndex) &&
              Resolve(lib, "RAenc_GetFlavorProperty", e.GetFlavorProperty) &&
              Resolve(lib, "RAenc_InitializeEncoder", e.InitializeEncoder) &&
              Resolve(lib, "RAenc_SetDestination", e.SetDestination) &&
              Resolve(lib, "RAenc_SetOutputFile", e.SetOutputFile) &&
              Resolve(lib, "RAenc_GetBufferSizes", e.GetBufferSizes) &&
              Resolve(lib, "RAenc_Title", e.Title) && Resolve(lib, "RAenc_Author", e.Author) &&
              Resolve(lib, "RAenc_Copyright", e.Copyright) &&
              Resolve(lib, "RAenc_SelRecBit", e.SelRecBit) &&
              Resolve(lib, "RAenc_PerfPlayBit", e.PerfPlayBit) &&
              Resolve(lib, "RAenc_Start", e.Start) && Resolve(lib, "RAenc_Encode", e.Encode) &&
              Resolve(lib, "RAenc_Done", e.Done) && Resolve(lib, "RAenc_Destroy", e.Destroy) &&
              Resolve(lib, "RAenc_PackageRelease", e.PackageRelease);
    if (!ok) dlclose(lib);
    return ok;
}

uint32_t RealAudioInputRate(uint32_t hz) {
    for (uint32_t rate : {44100u, 22050u, 11025u, 8000u})
        if (hz + 1 >= rate && hz <= rate + 1) return rate;
    return 0;
}

int ExportRealAudio(const std::string& path, const WaveRecord& record, SoundIoUi& ui,
                    const RealAudioEncoder* encoder) {
    if (!WaveHasData(&record)) return kGeneralFileError;
    std::string caption = TitleOf(record);
    if (DialogInUse(kDialogRealAudioEncoder)) {
        ui.Report(caption, DialogGuardText(kDialogRealAudioEncoder));
        return kGeneralFileError;
    }
    if (!ui.AskYesNo(caption, kWarning, true)) return kGeneralFileError;
    RealAudioEncoder loaded{};
    if (!encoder) {
        if (!LoadRealAudioEncoder(gRealAudioEncoderLibrary, loaded)) {
            ui.Report(caption, kNoEncoder);
            return kFormatNotSupported;
        }
        encoder = &loaded;
    }
    uint32_t rate = RealAudioInputRate(record.sampleRate);
    if (rate == 0) {
        ui.Report(caption, kRateRefused);
        return kFormatNotSupported;
    }
    if (encoder->PackageInit(3) != 0) {
        ui.Report(caption, kInitFailed);
        return kGeneralFileError;
    }
    SetDialogInUse(kDialogRealAudioEncoder, true);
    RealAudioExportParams params;
    DescribeEncoder(*encoder, params);
    int result = kGeneralFileError;  // Cancel: nothing saved
    if (ui.ChooseRealAudioParams(params))
        result = EncodeWith(*encoder, rate, path, record, params, ui, caption);
    SetDialogInUse(kDialogRealAudioEncoder, false);
    encoder->PackageRelease();
    return result;
}

}  // namespace ob
