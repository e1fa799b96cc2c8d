// The player: set-up, device opening and priming, the playback thread, the
// range and block entry points, the position readout and stopping.
#include "audio/player.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/audio_device.h"
#include "audio/play_prefs.h"
#include "base/messages.h"
#include "base/progress.h"
#include "dsp/frame.h"
#include "wave/memory.h"
#include "wave/record_report.h"

namespace ob {

namespace {

const char* const kResultTexts[10] = {
    "Playback was successful.",
    "Out of memory for playback.",
    "Bad audio device ID.",
    "Audio device is already allocated by another application.",
    "Unsupported audio format.\nTry alternate Playback Preferences.",
    "Play area outside of legal range.",
    "Loop outside of legal range.",
    "Audio device cannot meet the requested capabilities.\nTry alternate Playback Preferences.",
    "Audio device read/write error.",
    "Internal Audio Error.",
};

// A channel buffer the player holds: a shared reference to the record's
// buffer, or a private copy when the buffer cannot be shared.
struct HeldChannel {
    float* samples = nullptr;
    bool shared = false;
    size_t bytes = 0;

    bool Hold(float* source, uint32_t frames) {
        Drop();
        if (!source) return true;
        if (ShareBlock(source)) {
            samples = source;
            shared = true;
            return true;
        }
        bytes = size_t(frames) * sizeof(float);
        samples = static_cast<float*>(Allocate(bytes, kAllocLarge));
        if (!samples) return false;
        std::memcpy(samples, source, bytes);
        return true;
    }
    void Drop() {
        if (samples) Release(samples, bytes, kAllocLarge);
        samples = nullptr;
        shared = false;
        bytes = 0;
    }
};

// The window of streamed frames for PlayBlocks.
struct BlockStream {
    PlayFillFunction fill;
    float* window[2] = {};  // two channels, `capacity` frames each
    uint32_t capacity = 0;
    uint32_t channels = 1;
    int64_t base = 0;
    int64_t length = 0;
    bool ended = false;
};

enum class Source { Sound, Blocks };

struct Player {
    // Set up by SetUpPlay.
    WaveRecord* record = nullptr;
    int editor = 0;
    uint32_t channelBits = 0;
    int mode = 0;
    FillState setup;
    // Chosen by the start.
    Source source = Source::Sound;
    uint32_t playRate = 0;
    uint32_t deviceRate = 0;
    AudioFormat format;
    uint32_t framesPerBuffer = 0;
    HeldChannel left, right;
    int64_t frameCount = 0;
    BlockStream stream;
    FillState state;    // the fill's running state (playback thread)
    FillState started;  // the state when the first buffer was filled
    FillBounds bounds;
    uint8_t* buffers = nullptr;  // two buffers, one allocation
    size_t bufferBytes = 0;
    std::unique_ptr<AudioOutput> device;
    std::mutex deviceMutex;  // guards `device` against PlayPosition
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
    std::atomic<bool> open{false};
    std::atomic<int64_t> framesWritten{0};
    std::atomic<int> threadResult{0};
    std::function<void()> endedHandler;
    bool showPosition = false;
    int transpose = 0;  // semitones for the play rate
    // A keyboard note: the release loop to go on with after the key is let go.
    std::atomic<bool> releaseRequested{false};
    bool noteHasRelease = false;
    int64_t releaseStart = 0, releaseEnd = 0;
    bool releasePingPong = false;
};

Player& P() {
    static Player player;
    return player;
}

// Pulls frames from the caller until the fill of `frames` output frames
// starting at `position` has what it reads (or the caller ended).
void PullBlocks(Player& p, uint32_t frames) {
    BlockStream& s = p.stream;
    int64_t at = p.state.position >> kFractionBits;
    int64_t drop = std::clamp<int64_t>(at - s.base, 0, s.length);
    if (drop > 0) {
        for (uint32_t c = 0; c < s.channels; ++c)
            std::memmove(s.window[c], s.window[c] + drop, size_t(s.length - drop) * sizeof(float));
        s.base += drop;
        s.length -= drop;
    }
    int64_t need = at + ((int64_t(frames) * p.state.step) >> kFractionBits) + 3 - s.base;
    need = std::min<int64_t>(need, s.capacity);
    while (!s.ended && s.length < need) {
        uint32_t ask = uint32_t(s.capacity - s.length);
        uint32_t got =
            s.fill(s.window[0] + s.length, s.channels == 2 ? s.window[1] + s.length : nullptr, ask);
        got = std::min(got, ask);
        s.length += got;
        if (got < ask) s.ended = true;
    }
    p.state.rangeCount = s.ended ? s.base + s.length : INT64_MAX / 4;
}

// A released key leaves the sustain loop: on to the release loop when the
// sound has one after it, else through the tail to the end.
void ReleaseSustain(Player& p) {
    FillState& st = p.state;
    if (st.loopKind != kLoopSustain || st.exhausted) return;
    st.backward = false;
    if (p.noteHasRelease) {
        st.loopKind = kLoopRelease;
        st.loopStart = p.releaseStart;
        st.loopEnd = p.releaseEnd;
        st.pingPong = p.releasePingPong;
        st.iterationsLeft = uint32_t(std::max<int32_t>(gPlayPrefs.iterations, 1));
    } else {
        st.loopKind = kLoopNone;
        st.pingPong = false;
        st.iterationsLeft = 1;
    }
}

// Fills buffer k; false when the source was already exhausted.
uint8_t* FillNext(Player& p, int k) {
    uint8_t* out = p.buffers + size_t(k) * p.bufferBytes;
    FillSource src;
    if (p.source == Source::Blocks) {
        PullBlocks(p, p.framesPerBuffer);
        src.left = p.stream.window[0];
        src.right = p.stream.channels == 2 ? p.stream.window[1] : nullptr;
        src.base = p.stream.base;
        src.frames = p.stream.length;
    } else {
        src.left = p.left.samples;
        src.right = p.right.samples;
        src.frames = p.frameCount;
    }
    if (p.releaseRequested.load(std::memory_order_acquire)) {
        p.releaseRequested.store(false, std::memory_order_relaxed);
        ReleaseSustain(p);
    }
    FillBuffer(p.state, src, out, p.framesPerBuffer);
    return out;
}

void PlaybackThread(Player* p) {
    int k = 0;
    int result = kPlayOk;
    while (!p->stop.load(std::memory_order_acquire) && !p->state.exhausted) {
        uint8_t* out = FillNext(*p, k);
        if (p->device->Write(out, p->framesPerBuffer, p->stop) != kDeviceOk) {
            result = kPlayReadWrite;
            break;
        }
        p->framesWritten.store(p->state.framesWritten, std::memory_order_release);
        k ^= 1;
    }
    if (result == kPlayOk && !p->stop.load(std::memory_order_acquire) &&
        p->device->Drain(p->stop) != kDeviceOk)
        result = kPlayReadWrite;
    p->threadResult.store(result, std::memory_order_release);
    p->running.store(false, std::memory_order_release);
    if (p->endedHandler) p->endedHandler();
}

// StartPlay steps 3 to 8 for an already chosen source, rate and channels.
int OpenAndPrime(Player& p, uint32_t channels, uint32_t bits) {
    AudioBackend& audio = Audio();
    int device = gPlayPrefs.device;
    int devices = int(audio.OutputDevices().size());
    if (device < 0 || device >= devices) device = 0;
    if (int error = audio.CheckOutput(device); error != kDeviceOk) return PlayResultOfDevice(error);
    bool lock44k = (gPlayPrefs.flags & kPlayLock44k) != 0;
    AudioFormat format{p.playRate, channels, bits};
    bool taken = (!lock44k || p.playRate == 44100) && audio.OutputSupports(device, format);
    p.deviceRate = p.playRate;
    if (!taken) {
        p.deviceRate = FallbackDeviceRate(p.playRate, lock44k);
        if (!audio.OutputSupports(device, AudioFormat{p.deviceRate, channels, 16}))
            return kPlayCannotMeet;
    }
    format.rate = p.deviceRate;
    p.format = format;
    uint32_t bytes16 = PlayBufferBytes(gPlayPrefs.bufferSize);
    p.framesPerBuffer = bytes16 / (channels * 2);
    p.bufferBytes = size_t(p.framesPerBuffer) * format.BytesPerFrame();
    int64_t intStep = p.playRate / p.deviceRate;
    int64_t fracStep = int64_t(uint64_t(p.playRate % p.deviceRate) * kFractionOne / p.deviceRate);
    if (intStep == 0 && fracStep < 1) intStep = 1;
    p.state.step = (intStep << kFractionBits) + fracStep;
    p.state.channels = channels;
    p.state.bits = bits;

    std::unique_ptr<AudioOutput> out;
    int error = audio.OpenOutput(device, format, AudioBuffering{p.framesPerBuffer, 2}, out);
    if (error != kDeviceOk) return PlayResultOfDevice(error);
    p.buffers = static_cast<uint8_t*>(Allocate(2 * p.bufferBytes, kAllocHeap));
    if (!p.buffers) return kPlayNoMemory;
    if (p.source == Source::Blocks) {
        BlockStream& s = p.stream;
        s.capacity =
            uint32_t(std::min<int64_t>(int64_t(p.framesPerBuffer) * (intStep + 1) + 8, INT32_MAX));
        for (uint32_t c = 0; c < s.channels; ++c) {
            s.window[c] =
                static_cast<float*>(Allocate(size_t(s.capacity) * sizeof(float), kAllocHeap));
            if (!s.window[c]) return kPlayNoMemory;
        }
    }
    {
        std::lock_guard<std::mutex> lock(p.deviceMutex);
        p.device = std::move(out);
    }
    p.started = p.state;
    p.bounds = DropShortLoop(p.started, p.source == Source::Blocks ? INT64_MAX / 4 : p.frameCount);
    p.open.store(true);
    p.running.store(true);
    p.stop.store(false);
    p.threadResult.store(kPlayOk);
    p.framesWritten.store(0);
    p.showPosition = (gPlayPrefs.flags & kPlayShowPosition) != 0;
    // Prime both buffers on this thread: the first one reaches the device now.
    for (int k = 0; k < 2 && !p.state.exhausted; ++k) {
        uint8_t* data = FillNext(p, k);
        if (p.device->Write(data, p.framesPerBuffer, p.stop) != kDeviceOk) return kPlayReadWrite;
        p.framesWritten.store(p.state.framesWritten);
    }
    p.thread = std::thread(PlaybackThread, &p);
    return kPlayOk;
}

int Fail(int result) {
    StopPlay();
    return result;
}

}  // namespace

const char* PlayResultText(int code) {
    return code >= 0 && code < 10 ? kResultTexts[code] : kResultTexts[9];
}

int PlayResultOfDevice(int deviceError) {
    switch (deviceError) {
        case kDeviceOk:
            return kPlayOk;
        case kDeviceBadId:
        case kDeviceNoDriver:
            return kPlayBadDevice;
        case kDeviceAllocated:
            return kPlayDeviceAllocated;
        case kDeviceNoMemory:
            return kPlayNoMemory;
        case kDeviceBadFormat:
            return kPlayUnsupportedFormat;
        default:
            return kPlayInternal;
    }
}

int SetUpPlay(WaveRecord& record, bool whole, bool loop) {
    Player& p = P();
    if (p.open.load()) StopPlay();
    p.channelBits = 0;
    p.record = &record;
    p.editor = record.editorNumber;
    if (!WaveHasData(&record)) {
        p.record = nullptr;
        p.editor = 0;
        return kSetUpNoSound;
    }
    FillState& st = p.setup;
    st = FillState{};
    const PlayPrefs& prefs = gPlayPrefs;
    if (whole) {
        gPlayPrefs.area = 0;
        st.rangeStart = 0;
        st.rangeCount = record.frameCount;
        if (prefs.channel == 0 || prefs.channel == 1) p.channelBits |= 1;
        if ((prefs.channel == 0 || prefs.channel == 2) && record.rightSamples) p.channelBits |= 2;
        p.mode = loop ? 4 : prefs.loopChoice;
    } else {
        gPlayPrefs.area = 1;
        FrameRange area = AffectRange(record);
        st.rangeStart = area.start;
        st.rangeCount = area.length;
        p.channelBits = AffectChannels(record) & (record.rightSamples ? 3u : 1u);
        p.mode = 3;
    }
    int result = kSetUpOk;
    if (p.channelBits == 0) {
        p.channelBits = 1;
        result = kSetUpLeftChosen;
    }
    st.iterationsLeft = uint32_t(std::max<int32_t>(prefs.iterations, 1));
    st.backward = false;
    // The loop, by mode.
    auto valid = [&](int id) -> LoopNode* {
        LoopNode* node = id >= 0 ? FindLoop(record, id) : nullptr;
        if (!node || node->start < st.rangeStart || node->end > st.rangeStart + st.rangeCount)
            return nullptr;
        return node;
    };
    LoopNode* chosen = nullptr;
    int kind = kLoopNone;
    switch (p.mode) {
        case 0:
            if ((chosen = valid(record.sustainLoopId)))
                kind = kLoopSustain;
            else if ((chosen = valid(record.releaseLoopId)))
                kind = kLoopRelease;
            break;
        case 2:
            if ((chosen = valid(record.releaseLoopId))) kind = kLoopRelease;
            break;
        case 3:
            kind = kLoopAffectRange;
            st.pingPong = prefs.loopDirection == 2;
            break;
        case 4:
            kind = kLoopWholeRange;
            break;
        default:
            break;
    }
    if (chosen) {
        st.loopStart = chosen->start;
        st.loopEnd = chosen->end;
        st.pingPong = prefs.loopDirection == 2 || (prefs.loopDirection == 0 && (chosen->type & 1));
    }
    st.loopKind = kind;
    if (kind == kLoopNone) {
        st.pingPong = false;
        st.iterationsLeft = 1;
    }
    p.transpose = gPlayPrefs.transpose;
    p.noteHasRelease = false;
    p.releaseRequested.store(false);
    return result;
}

int PlayNote(WaveRecord& record, int key) {
    if (!WaveHasData(&record)) return kPlayBadRange;
    if (key < record.keyLow || key > record.keyHigh) return kNoteOutsideKeyRange;
    Player& p = P();
    int32_t savedChoice = gPlayPrefs.loopChoice;
    gPlayPrefs.loopChoice = 1;  // the sustain loop is chosen below
    SetUpPlay(record, true, false);
    gPlayPrefs.loopChoice = savedChoice;
    FillState& st = p.setup;
    auto inRange = [&](int id) -> LoopNode* {
        LoopNode* node = id >= 0 ? FindLoop(record, id) : nullptr;
        return node && node->end < record.frameCount && node->start < node->end ? node : nullptr;
    };
    bool forward = gPlayPrefs.loopDirection == 1, pingPong = gPlayPrefs.loopDirection == 2;
    if (LoopNode* sustain = inRange(record.sustainLoopId)) {
        st.loopKind = kLoopSustain;
        st.loopStart = sustain->start;
        st.loopEnd = sustain->end;
        st.pingPong = pingPong || (!forward && (sustain->type & 1));
        st.iterationsLeft = UINT32_MAX;  // while the key is held
    }
    LoopNode* release = inRange(record.releaseLoopId);
    if (release && (st.loopKind != kLoopSustain || int64_t(release->start) > st.loopEnd)) {
        p.noteHasRelease = true;
        p.releaseStart = release->start;
        p.releaseEnd = release->end;
        p.releasePingPong = pingPong || (!forward && (release->type & 1));
        if (st.loopKind != kLoopSustain) {
            // No sustain loop: the note plays on into its release loop.
            st.loopKind = kLoopRelease;
            st.loopStart = release->start;
            st.loopEnd = release->end;
            st.pingPong = p.releasePingPong;
            st.iterationsLeft = uint32_t(std::max<int32_t>(gPlayPrefs.iterations, 1));
            p.noteHasRelease = false;
        }
    }
    p.transpose = key - int(record.keyRoot);
    return StartPlay();
}

void ReleaseNote() {
    P().releaseRequested.store(true, std::memory_order_release);
}

int StartPlay() {
    Player& p = P();
    WaveRecord* record = p.record;
    if (p.open.load() || !record || !WaveHasData(record)) return kPlayInternal;
    p.source = Source::Sound;
    p.state = p.setup;
    p.state.position = p.state.rangeStart << kFractionBits;
    p.state.attenuationShift = AttenuationShift(gPlayPrefs.attenuation);
    uint32_t bits = (gPlayPrefs.flags & kPlay24Bit) ? 24 : 16;
    p.playRate = PlayRate(GetSampleRate(*record), record->fineTune, p.transpose);
    if (p.playRate < 100) return Fail(kPlayUnsupportedFormat);
    uint32_t channels = p.channelBits == 3 ? 2 : 1;
    p.state.firstFromRight = p.channelBits == 2;
    p.frameCount = record->frameCount;
    if (!p.left.Hold(record->leftSamples, record->frameCount) ||
        !p.right.Hold(record->rightSamples, record->frameCount))
        return Fail(kPlayNoMemory);
    int result = OpenAndPrime(p, channels, bits);
    return result == kPlayOk ? kPlayOk : Fail(result);
}

int PlayRange(WaveRecord& record, int64_t first, int64_t last, uint32_t channels) {
    Player& p = P();
    if (p.open.load()) StopPlay();
    if (!WaveHasData(&record)) return kPlayBadRange;
    channels &= record.rightSamples ? 3u : 1u;
    int64_t low = std::min(first, last), high = std::max(first, last);
    if (channels == 0 || low < 0 || high >= int64_t(record.frameCount)) return kPlayBadRange;
    p.record = &record;
    p.editor = record.editorNumber;
    p.channelBits = channels;
    p.source = Source::Sound;
    p.state = FillState{};
    p.state.rangeStart = low;
    p.state.rangeCount = high - low + 1;
    p.state.backward = first > last;
    p.state.position = (first > last ? high : low) << kFractionBits;
    p.state.firstFromRight = channels == 2;
    p.playRate = GetSampleRate(record);
    p.frameCount = record.frameCount;
    if (!p.left.Hold(record.leftSamples, record.frameCount) ||
        !p.right.Hold(record.rightSamples, record.frameCount))
        return Fail(kPlayNoMemory);
    int result = OpenAndPrime(p, channels == 3 ? 2 : 1, 16);
    return result == kPlayOk ? kPlayOk : Fail(result);
}

int PlayBlocks(uint32_t rate, uint32_t channels, PlayFillFunction fill) {
    Player& p = P();
    if (p.open.load()) StopPlay();
    if (!fill || channels < 1 || channels > 2) return kPlayInternal;
    if (rate < 100) return kPlayUnsupportedFormat;
    p.record = nullptr;
    p.editor = 0;
    p.channelBits = channels == 2 ? 3 : 1;
    p.source = Source::Blocks;
    p.stream = BlockStream{};
    p.stream.fill = std::move(fill);
    p.stream.channels = channels;
    p.state = FillState{};
    p.state.rangeCount = INT64_MAX / 4;
    p.playRate = rate;
    p.frameCount = 0;
    int result = OpenAndPrime(p, channels, 16);
    return result == kPlayOk ? kPlayOk : Fail(result);
}

void StopPlay() {
    Player& p = P();
    p.stop.store(true, std::memory_order_release);
    if (p.thread.joinable()) p.thread.join();
    {
        std::lock_guard<std::mutex> lock(p.deviceMutex);
        p.device.reset();
    }
    if (p.buffers) Release(p.buffers, 2 * p.bufferBytes, kAllocHeap);
    p.buffers = nullptr;
    for (float*& w : p.stream.window) {
        if (w) Release(w, size_t(p.stream.capacity) * sizeof(float), kAllocHeap);
        w = nullptr;
    }
    p.stream.fill = nullptr;
    p.left.Drop();
    p.right.Drop();
    p.record = nullptr;
    p.editor = 0;
    p.running.store(false);
    p.open.store(false);
}

bool PlaybackRunning() {
    return P().running.load(std::memory_order_acquire);
}

bool PlayerOpen() {
    return P().open.load(std::memory_order_acquire);
}

int PlayedEditor() {
    return P().open.load() ? P().editor : 0;
}

bool PlayPosition(int64_t* frame) {
    Player& p = P();
    std::lock_guard<std::mutex> lock(p.deviceMutex);
    if (!p.device || !p.showPosition) return false;
    int64_t done = p.device->FramesDone();
    int64_t written = p.framesWritten.load(std::memory_order_acquire);
    if (p.source == Source::Blocks) {
        int64_t played = std::min(done, written);
        *frame = int64_t((__int128(played) * p.started.step) >> kFractionBits);
        return true;
    }
    *frame = PositionReadout(p.started, p.bounds, done, written);
    return true;
}

void SetPlaybackEndedHandler(std::function<void()> handler) {
    P().endedHandler = std::move(handler);
}

bool WaitForPlaybackEnd() {
    while (PlaybackRunning()) {
        if (AbortRequested()) return false;
        timespec ts{0, 10000000};
        nanosleep(&ts, nullptr);
    }
    return true;
}

PlayerInfo CurrentPlayerInfo() {
    Player& p = P();
    PlayerInfo info;
    info.playRate = p.playRate;
    info.deviceRate = p.deviceRate;
    info.channels = p.format.channels;
    info.bits = p.format.bits;
    info.framesPerBuffer = p.framesPerBuffer;
    info.step = p.started.step;
    info.loopKind = p.setup.loopKind;
    info.pingPong = p.setup.pingPong;
    info.iterations = p.setup.iterationsLeft;
    info.channelBits = p.channelBits;
    info.framesWritten = p.framesWritten.load();
    info.result = p.threadResult.load();
    return info;
}

void InstallPlayerHooks() {
    gEditAndPlayHook = [](WaveRecord& record) {
        if (PlaybackRunning()) return;
        StopPlay();
        if (SetUpPlay(record, false, false) == kSetUpNoSound) return;
        int result = StartPlay();
        if (result != kPlayOk) ReportMessage(record, PlayResultText(result));
    };
    gStopSharingHook = [] { StopPlay(); };
}

}  // namespace ob
