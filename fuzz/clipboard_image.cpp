// Fuzz target for the clipboard image: the input is parsed as the clipboard's
// bytes; an accepted image is decoded whole (each channel) and must describe
// only bytes that are present; then it is pasted into an editor.
#include "wave/clipboard_image.h"

#include <cstdint>
#include <vector>

#include "base/user_interface.h"
#include "dsp/clip_edit.h"
#include "wave/wave_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ob::ClipboardAudio audio;
    if (ob::ParseClipboardImage(data, size, audio) != ob::kImageOk) return 0;
    if (audio.channels < 1 || audio.channels > 2) __builtin_trap();
    const uint64_t bytes = uint64_t(audio.frames) * audio.channels * (audio.bits / 8);
    if (audio.data < data || audio.data + bytes > data + size) __builtin_trap();
    std::vector<float> out(audio.frames);
    for (int c = 0; c < 2; ++c) {
        ob::DecodeClipboardChannel(audio, c, 0, audio.frames, out.data());
        for (float x : out)
            if (!(x >= -1.0f && x <= 1.0f)) __builtin_trap();
    }
    if (audio.frames > 1000000) return 0;
    int number = 0;
    if (ob::CreateEditor(&number) != 0) return 0;
    ob::WaveRecord& record = *ob::gEditorSlots[number];
    int result = ob::SystemPasteImage(record, data, size);
    if (result == 0 && !ob::WaveHasData(&record)) __builtin_trap();
    ob::CloseEditor(number);
    return 0;
}
