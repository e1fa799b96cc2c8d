// SMDI send and receive over a ScsiBus.
#include "sampler/smdi_transfer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "base/progress.h"
#include "base/user_interface.h"
#include "sampler/midi_driver.h"
#include "sampler/smdi_messages.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

SmdiParamDialogHook gSmdiParamDialogHook = nullptr;

namespace {

constexpr uint32_t kReceiveAllocation = 0x01007F;  // RECEIVE 08 00 01 00 7F 00
constexpr uint32_t kIdentifyAllocation = 0x40;     // RECEIVE 08 00 00 00 40 00
constexpr uint8_t kInquiryBytes = 36;
constexpr uint8_t kProcessorDevice = 3;
constexpr uint32_t kMaxNumber = 0xFFFFFF;
constexpr int64_t kWorkerMarginMs = 250;  // beyond the command's own time limit
constexpr uint8_t kRejectSampleNumber = 0x20;
constexpr uint8_t kRejectProcedure = 0x02;
constexpr uint8_t kRejectTransfer = 0x22;
constexpr uint8_t kRejectBusy = 5;

// The bus of the transfer that runs (one at a time).
std::shared_ptr<ScsiBus> gSessionBus;

int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs one SCSI command: 0 with the reply, 2 user abort, 8 no answer in time.
class SmdiLink {
  public:
    virtual ~SmdiLink() = default;
    virtual int32_t Run(const ScsiCommand& command, ScsiReply& reply) = 0;
    virtual int32_t Pause(int64_t ms) = 0;  // 0, or 2 when the user aborted
    virtual int64_t NowMs() = 0;
};

// The scan: commands run on the caller's thread.
class DirectLink : public SmdiLink {
  public:
    explicit DirectLink(ScsiBus& bus) : bus_(bus) {}
    int32_t Run(const ScsiCommand& command, ScsiReply& reply) override {
        reply = bus_.Execute(command);
        return reply.host == kScsiHostTimedOut ? kTransferTimeout : kTransferOk;
    }
    int32_t Pause(int64_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return kTransferOk;
    }
    int64_t NowMs() override { return SteadyNowMs(); }

  private:
    ScsiBus& bus_;
};

// A command of a transfer: run by a worker thread that posts a message event
// when it is done; the transfer waits on its queue, so an abort ends the
// wait at once. An abandoned worker (abort, time-out) keeps the bus alive and
// posts nowhere.
struct Job {
    std::mutex mutex;
    TransferEventQueue* queue = nullptr;
    ScsiReply reply;
    bool done = false;
};

class TransferLink : public SmdiLink {
  public:
    TransferLink(TransferContext& c, std::shared_ptr<ScsiBus> bus) : c_(c), bus_(std::move(bus)) {}

    int32_t Run(const ScsiCommand& command, ScsiReply& reply) override {
        const unsigned done = EventBit(kEventMessage) | EventBit(kEventInputError);
        c_.events.Drop(done);
        auto job = std::make_shared<Job>();
        job->queue = &c_.events;
        std::shared_ptr<ScsiBus> bus = bus_;
        std::thread worker([job, bus, command] {
            ScsiReply r = bus->Execute(command);
            std::lock_guard<std::mutex> lock(job->mutex);
            job->reply = std::move(r);
            job->done = true;
            if (job->queue) {
                TransferEvent e;
                e.kind = kEventMessage;
                job->queue->Post(std::move(e));
            }
        });
        bool posted = WaitForTransferEvent(
            c_, done, std::max<int64_t>(1, command.timeoutMs) + kWorkerMarginMs);
        int32_t result = kTransferOk;
        if (TakeTransferAbort(c_))
            result = kTransferUserAborted;
        else if (!posted)
            result = kTransferTimeout;
        if (result != kTransferOk) {
            {
                std::lock_guard<std::mutex> lock(job->mutex);
                job->queue = nullptr;
            }
            bus->Interrupt();
            worker.detach();
            c_.events.Drop(done);
            return result;
        }
        worker.join();
        c_.events.Drop(done);
        reply = std::move(job->reply);
        return reply.host == kScsiHostTimedOut ? kTransferTimeout : kTransferOk;
    }

    int32_t Pause(int64_t ms) override {
        TransferClock& clock = TransferClockOf(c_);
        const int64_t until = clock.NowMs() + ms;
        while (clock.NowMs() < until) {
            if (TakeTransferAbort(c_)) return kTransferUserAborted;
            clock.WaitPosted(c_.events, c_.events.Generation(),
                             std::min(until, clock.NowMs() + kSmdiPollMs));
        }
        return TakeTransferAbort(c_) ? kTransferUserAborted : kTransferOk;
    }

    int64_t NowMs() override { return TransferClockOf(c_).NowMs(); }

  private:
    TransferContext& c_;
    std::shared_ptr<ScsiBus> bus_;
};

// ---- one command and one exchange ----

struct Outcome {
    int code = kSmdiNoError;
    bool timedOut = false;
    std::vector<uint8_t> reply;
    int cls = kSmdiUnknown;
    bool Rejected() const { return code == kSmdiRejected; }
    uint8_t RejectCode() const { return SmdiRejectCode(reply.data(), reply.size()); }
    uint8_t RejectSubCode() const { return SmdiRejectSubCode(reply.data(), reply.size()); }
};

// A command whose target answers BUSY is repeated every 20 ms within its
// time limit. Gives the exchange code.
int RunCommand(SmdiLink& link, ScsiCommand command, ScsiReply& reply, bool& timedOut) {
    const int64_t deadline = link.NowMs() + command.timeoutMs;
    for (;;) {
        int32_t r = link.Run(command, reply);
        if (r == kTransferUserAborted) return kSmdiUserAbort;
        if (r != kTransferOk) {
            timedOut = true;
            return kSmdiIoFailure;
        }
        if (reply.Good()) return kSmdiNoError;
        if (reply.host != kScsiHostDone || reply.status != kScsiBusy) return kSmdiIoFailure;
        if (link.NowMs() + kSmdiPollMs >= deadline) return kSmdiBusy;
        if (link.Pause(kSmdiPollMs) != kTransferOk) return kSmdiUserAbort;
        command.timeoutMs = std::max<int64_t>(1, deadline - link.NowMs());
    }
}

ScsiCommand Command(const ScsiAddress& a, std::vector<uint8_t> cdb, ScsiDirection direction,
                    int64_t timeoutMs) {
    ScsiCommand command;
    command.address = a;
    command.cdb = std::move(cdb);
    command.direction = direction;
    command.timeoutMs = timeoutMs;
    return command;
}

// Sends one message and takes its reply; a Wait from the sampler is polled
// again every 20 ms (without resending) up to `waitLimitMs` (0: until the
// user aborts).
Outcome Exchange(SmdiLink& link, const ScsiAddress& a, const std::vector<uint8_t>& message,
                 int64_t timeoutMs, int64_t waitLimitMs) {
    Outcome x;
    ScsiReply reply;
    ScsiCommand send = Command(a, ScsiSendCdb(uint32_t(message.size())), kScsiDataOut, timeoutMs);
    send.dataOut = message;
    x.code = RunCommand(link, send, reply, x.timedOut);
    if (x.code != kSmdiNoError) return x;
    ScsiCommand receive = Command(a, ScsiReceiveCdb(kReceiveAllocation), kScsiDataIn, timeoutMs);
    receive.allocation = kReceiveAllocation;
    const int64_t waitUntil = link.NowMs() + waitLimitMs;
    for (;;) {
        x.code = RunCommand(link, receive, reply, x.timedOut);
        if (x.code != kSmdiNoError) return x;
        x.reply = std::move(reply.data);
        x.cls = ClassifySmdi(x.reply.data(), x.reply.size());
        if (x.cls == kSmdiMessageReject)
            x.code = x.RejectCode() == kRejectBusy ? kSmdiBusy : kSmdiRejected;
        else if (x.cls == kSmdiAbortProcedure)
            x.code = kSmdiAborted;
        else if (x.cls == kSmdiWait)
            x.code = kSmdiEngaged;
        if (x.code != kSmdiEngaged) return x;
        if (waitLimitMs > 0 && link.NowMs() >= waitUntil) {
            x.timedOut = true;
            return x;
        }
        if (link.Pause(kSmdiPollMs) != kTransferOk) {
            x.code = kSmdiUserAbort;
            return x;
        }
    }
}

// The exchange of a transfer step that expects one class of reply.
Outcome Expect(SmdiLink& link, const ScsiAddress& a, const std::vector<uint8_t>& message,
               int expected) {
    Outcome x =
        Exchange(link, a, message, gTransferTiming.replyTimeoutMs, gTransferTiming.waitLimitMs);
    if (x.code == kSmdiNoError && x.cls != expected) x.code = kSmdiContentFailure;
    return x;
}

// ---- the target test ----

std::string InquiryName(const std::vector<uint8_t>& data) {
    std::string name;
    for (size_t i = 8; i < std::min<size_t>(data.size(), 36); ++i) {
        char ch = char(data[i]);
        if (ch == 0) break;
        name += (ch >= 32 && ch < 127) ? ch : '?';
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

// 0 passed, 1 failed, 2 user abort. `name` (may be null) takes the INQUIRY name.
int TestTarget(SmdiLink& link, const ScsiAddress& a, std::string* name) {
    ScsiReply reply;
    bool timedOut = false;
    int code = RunCommand(link, Command(a, ScsiTestUnitReadyCdb(), kScsiNoData, kSmdiTestLimitMs),
                          reply, timedOut);
    if (code == kSmdiUserAbort) return 2;
    if (code != kSmdiNoError) return 1;
    ScsiCommand inquiry = Command(a, ScsiInquiryCdb(kInquiryBytes), kScsiDataIn, kSmdiTestLimitMs);
    inquiry.allocation = kInquiryBytes;
    code = RunCommand(link, inquiry, reply, timedOut);
    if (code == kSmdiUserAbort) return 2;
    if (code != kSmdiNoError || reply.data.empty() || (reply.data[0] & 0x1F) != kProcessorDevice)
        return 1;
    if (name) *name = InquiryName(reply.data);
    std::vector<uint8_t> identify;
    BuildSmdiMasterIdentify(identify);
    ScsiCommand send =
        Command(a, ScsiSendCdb(uint32_t(identify.size())), kScsiDataOut, kSmdiTestLimitMs);
    send.dataOut = identify;
    code = RunCommand(link, send, reply, timedOut);
    if (code == kSmdiUserAbort) return 2;
    if (code != kSmdiNoError) return 1;
    ScsiCommand receive =
        Command(a, ScsiReceiveCdb(kIdentifyAllocation), kScsiDataIn, kSmdiTestLimitMs);
    receive.allocation = kIdentifyAllocation;
    code = RunCommand(link, receive, reply, timedOut);
    if (code == kSmdiUserAbort) return 2;
    if (code != kSmdiNoError) return 1;
    return ClassifySmdi(reply.data.data(), reply.data.size()) == kSmdiSlaveIdentify ? 0 : 1;
}

// ---- a transfer ----

struct Run {
    TransferContext& c;
    TransferLink link;
    ScsiAddress address;
    uint32_t number = 0;

    Run(TransferContext& context, std::shared_ptr<ScsiBus> bus)
        : c(context), link(context, std::move(bus)) {
        address.adapter = c.channel();
        address.target = c.words[kWordLayer];
        address.lun = c.words[kWordInstrument];
        number = uint32_t(c.sampleNumber());
    }

    bool Quiet() const { return (c.messageFlags() & kMessageQuiet) != 0; }
    void Box(const char* text) const {
        if (!Quiet()) UI().MessageBox(c.wave ? c.wave->window : nullptr, kSmdiErrorCaption, text);
    }
    // A failed step: a user abort gives 2 and a time-out 8 without a box;
    // otherwise the box (`text`, or the code's text) and `result`.
    int32_t Fail(const Outcome& x, int32_t result, const char* text) const {
        if (x.code == kSmdiUserAbort) return kTransferUserAborted;
        if (x.timedOut) return kTransferTimeout;
        Box(text ? text : SmdiErrorText(x.code));
        return result;
    }

    // Tested before every transfer, once more after 300 ms when it fails.
    int32_t Verify() {
        int t = TestTarget(link, address, nullptr);
        if (t == 1) {
            if (link.Pause(kSmdiRetryPauseMs) != kTransferOk) return kTransferUserAborted;
            t = TestTarget(link, address, nullptr);
        }
        if (t == 2) return kTransferUserAborted;
        if (t == 1) {
            Box("Error verifying target as SMDI slave");
            return kTransferInitFailed;
        }
        return kTransferOk;
    }

    int32_t Send();
    int32_t Receive();
};

int16_t Word(float x) {
    if (!(x == x)) return 0;  // NaN is silence
    double v = std::clamp<double>(double(x) * 32767.0, -32768.0, 32767.0);
    return int16_t(std::trunc(v));
}

void SendHeaderFields(const WaveRecord& w, uint32_t number, SmdiSampleHeader& h) {
    h.sample = number;
    h.bits = 16;
    h.channels = w.rightSamples ? 2 : 1;
    uint32_t rate = w.sampleRate ? w.sampleRate : 22050;
    h.period = std::min<uint32_t>(1000000000u / rate, 0xFFFFFF);
    h.length = w.frameCount;
    const uint32_t last = w.frameCount ? w.frameCount - 1 : 0;
    h.loopStart = 0;
    h.loopEnd = last;
    h.loopControl = 0;
    for (const LoopNode* loop = w.sustainLoopId >= 0 ? w.loops : nullptr; loop; loop = loop->next) {
        if (loop->id != w.sustainLoopId) continue;
        uint32_t end = std::min(loop->end, last);
        if (loop->start < end) {
            h.loopStart = loop->start;
            h.loopEnd = end;
        }
        h.loopControl = loop->type & 0x0F;
        break;
    }
    // A negative fine tune goes out as the next lower pitch with the
    // complementary fraction.
    if (w.fineTune >= 0) {
        h.pitch = w.keyRoot;
        h.fraction = uint16_t(std::min(int(w.fineTune), 100) * 655);
    } else if (w.keyRoot > 0) {
        h.pitch = uint16_t(w.keyRoot - 1);
        h.fraction = uint16_t(std::max(int(w.fineTune) + 100, 0) * 655);
    } else {
        h.pitch = 0;
        h.fraction = 0;
    }
    h.name = w.name;
}

int32_t Run::Send() {
    const WaveRecord& w = *c.wave;
    int32_t r = Verify();
    if (r != kTransferOk) return r;
    SmdiSampleHeader header;
    SendHeaderFields(w, number, header);
    std::vector<uint8_t> message;
    uint32_t packetLength = 0;
    for (int failures = 0;;) {
        BuildSmdiSampleHeader(message, header);
        Outcome x = Expect(link, address, message, kSmdiBeginTransferAck);
        if (x.code == kSmdiNoError) {
            packetLength = SmdiNumber24(x.reply.data(), x.reply.size(), 14);
            if (packetLength == 0) x.code = kSmdiContentFailure;
        }
        if (x.code != kSmdiNoError) {
            const char* text = nullptr;
            if (x.Rejected() && x.RejectCode() == kRejectSampleNumber) {
                uint8_t sub = x.RejectSubCode();
                text = sub == 0               ? "Sample number out of range"
                       : sub == 2             ? "No sample at this sample number"
                       : sub == 4 || sub == 5 ? "Insufficient memory in sampler"
                                              : "Sampler cannot accomodate waveform";
            } else if (x.Rejected() && x.RejectCode() == kRejectProcedure) {
                text = "Procedure not supported or inappropriate";
            }
            return Fail(x, kTransferGeneralError, text);
        }
        packetLength = std::min(packetLength, kSmdiMaxPacket);
        BuildSmdiBeginTransfer(message, number, packetLength);
        x = Expect(link, address, message, kSmdiSendNextPacket);
        if (x.code == kSmdiNoError) break;
        if (x.code == kSmdiUserAbort || x.timedOut || ++failures >= kSmdiSendAttempts)
            return Fail(x, kTransferDataError, nullptr);
        if (link.Pause(kSmdiRetryPauseMs) != kTransferOk) return kTransferUserAborted;
        r = Verify();
        if (r != kTransferOk) return r;
    }

    const uint32_t channels = header.channels;
    const uint64_t total = uint64_t(w.frameCount) * channels * 2;
    const uint64_t packets = (total + packetLength - 1) / packetLength;
    if (packets > kMaxNumber + uint64_t(1)) {
        Box("Sampler cannot accomodate waveform");
        return kTransferIllegalParameter;
    }
    std::vector<uint8_t> data;
    for (uint64_t i = 0; i < packets; ++i) {
        c.packetNumber = int32_t(i);
        SetProgress(i, packets);
        const uint64_t first = i * packetLength;
        const size_t count = size_t(std::min<uint64_t>(packetLength, total - first));
        data.resize(count);
        for (size_t k = 0; k < count; ++k) {
            uint64_t byte = first + k, word = byte / 2;
            uint64_t frame = word / channels;
            const float* source = (word % channels) ? w.rightSamples : w.leftSamples;
            uint16_t v = uint16_t(Word(source[frame]));
            data[k] = (byte & 1) ? uint8_t(v) : uint8_t(v >> 8);
        }
        BuildSmdiDataPacket(message, uint32_t(i), data.data(), data.size());
        const bool last = i + 1 == packets;
        Outcome x =
            Expect(link, address, message, last ? kSmdiEndOfProcedure : kSmdiSendNextPacket);
        if (x.code != kSmdiNoError)
            return Fail(x, kTransferDataError,
                        x.Rejected() ? "Sampler rejected transfer" : nullptr);
    }
    return kTransferOk;
}

// Received data are one byte stream of interleaved 16-bit big-endian words;
// a word whose two bytes came in different packets is joined here.
struct WordSink {
    float* left;
    float* right;
    uint32_t channels;
    uint64_t total;  // bytes
    uint64_t pendingOffset = UINT64_MAX;
    uint8_t pendingHigh = 0;

    void Put(uint64_t offset, const uint8_t* bytes, size_t count) {
        for (size_t k = 0; k < count; ++k) {
            uint64_t o = offset + k;
            if (o >= total) return;
            if ((o & 1) == 0) {
                pendingOffset = o;
                pendingHigh = bytes[k];
                continue;
            }
            if (pendingOffset != o - 1) continue;  // its high byte never came
            int16_t v = int16_t(uint16_t(pendingHigh << 8 | bytes[k]));
            uint64_t word = o / 2;
            float* channel = (word % channels) ? right : left;
            channel[word / channels] = float(v / 32768.0);
            pendingOffset = UINT64_MAX;
        }
    }
};

int32_t Run::Receive() {
    int32_t r = Verify();
    if (r != kTransferOk) return r;
    std::vector<uint8_t> message;
    BuildSmdiHeaderRequest(message, number);
    Outcome x = Expect(link, address, message, kSmdiSampleHeader);
    if (x.code != kSmdiNoError)
        return Fail(x, kTransferIllegalParameter,
                    x.Rejected() && x.RejectCode() == kRejectSampleNumber
                        ? "No such sample number, format, or memory available"
                        : nullptr);
    SmdiSampleHeader h;
    if (!ParseSmdiSampleHeader(x.reply.data(), x.reply.size(), h) || h.bits < 9 || h.bits > 16 ||
        h.channels >= 3 || h.length == 0 || h.period == 0) {
        Box("Data format error. Unable to accept wave");
        return kTransferDataError;
    }
    const uint32_t channels = h.channels == 2 ? 2 : 1;
    const uint32_t length = h.length;
    int keyRoot = std::min<int>(h.pitch, 127);
    int cents = h.fraction / 655;
    int fineTune = cents;
    if (cents > 50) {
        keyRoot = std::min(keyRoot + 1, 127);
        fineTune = cents - 100;
    }

    const size_t bytes = size_t(length) * sizeof(float);
    auto* left = static_cast<float*>(Allocate(bytes, kAllocLarge | kAllocZero));
    auto* right = channels == 2 && left
                      ? static_cast<float*>(Allocate(bytes, kAllocLarge | kAllocZero))
                      : nullptr;
    if (!left || (channels == 2 && !right)) {
        Release(left, bytes, kAllocLarge);
        Box("Not enough memory for wave");
        return kTransferNoMemory;
    }
    auto failed = [&](int32_t result) {
        Release(left, bytes, kAllocLarge);
        Release(right, bytes, kAllocLarge);
        return result;
    };

    BuildSmdiBeginTransfer(message, number, kSmdiMaxPacket);
    x = Expect(link, address, message, kSmdiBeginTransferAck);
    if (x.code != kSmdiNoError)
        return failed(Fail(x, kTransferGeneralError,
                           x.Rejected() && x.RejectCode() == kRejectTransfer
                               ? "Sampler cannot transfer sample"
                               : nullptr));
    const uint32_t packetLength = SmdiNumber24(x.reply.data(), x.reply.size(), 14);
    if (packetLength == 0 || packetLength > kSmdiMaxPacket) {
        Box("Sampler violated SMDI protocol");
        return failed(kTransferDataError);
    }
    WordSink sink{left, right, channels, uint64_t(length) * channels * 2};
    const uint64_t packets = (sink.total + packetLength - 1) / packetLength;
    for (uint64_t i = 0; i < packets; ++i) {
        c.packetNumber = int32_t(i);
        SetProgress(i, packets);
        BuildSmdiSendNextPacket(message, uint32_t(i));
        x = Expect(link, address, message, kSmdiDataPacket);
        if (x.code != kSmdiNoError)
            return failed(Fail(x, kTransferSamplerAborted,
                               x.Rejected() ? "Sampler rejected transfer" : nullptr));
        const size_t dataLength = SmdiDataLength(x.reply.data(), x.reply.size());
        if (dataLength < 3 ||
            SmdiNumber24(x.reply.data(), x.reply.size(), 11) != (i & kMaxNumber)) {
            BuildSmdiAbortProcedure(message);
            Outcome ignored = Exchange(link, address, message, gTransferTiming.replyTimeoutMs,
                                       gTransferTiming.replyTimeoutMs);
            if (ignored.code == kSmdiUserAbort) return failed(kTransferUserAborted);
            Box("Sampler sent bad waveform data");
            return failed(kTransferDataError);
        }
        sink.Put(i * packetLength, x.reply.data() + 14, dataLength - 3);
    }

    WaveRecord& w = *c.wave;
    w.leftSamples = left;
    w.rightSamples = right;
    w.frameCount = length;
    w.viewStart = 0;
    w.viewSpan = length;
    SetSampleRate(w, 1000000000u / h.period);
    w.keyRoot = uint8_t(keyRoot);
    w.fineTune = int8_t(fineTune);
    if (!h.name.empty()) w.name = h.name;
    w.sustainLoopId = -1;
    // Control 0 forward, 1 forward/backward, others no loop; the points must
    // lie inside the wave.
    if (h.loopControl <= 1 && h.loopStart < h.loopEnd && h.loopEnd <= length - 1 &&
        SetLoop(w, h.loopStart, h.loopEnd, h.loopControl, 0))
        w.sustainLoopId = 0;
    return kTransferOk;
}

int32_t Transfer(TransferContext& c, int32_t direction) {
    InstallSmdiDriver(c);
    c.direction = direction;
    if (c.sampleNumber() < 0 || uint32_t(c.sampleNumber()) > kMaxNumber) {
        c.lastResult = kTransferIllegalParameter;
        return kTransferIllegalParameter;
    }
    if (c.OpenDriver(c) != kTransferOk) {
        c.lastResult = kTransferInitFailed;
        return kTransferInitFailed;
    }
    UI().SetWaitPointer(c.wave, true);
    int32_t result;
    {
        Run run(c, gSessionBus);
        result = direction == 1 ? run.Receive() : run.Send();
    }
    c.CloseDriver(c);
    c.lastResult = result;
    UI().SetWaitPointer(c.wave, false);
    ResetProgress();
    return result;
}

}  // namespace

int32_t OpenSmdiDriver(TransferContext& c) {
    c.lastResult = 0;
    c.packetNumber = 0;
    c.samplerWaiting = false;
    c.currentMessage.clear();
    c.events.Drop(~0u);
    ClearAbort();
    gSessionBus = NewScsiBus();
    if (!gSessionBus) return kTransferInitFailed;
    UI().StartTransferWindow(c.wave, (c.direction == 1 ? "Receiving " : "Sending ") + c.typeName,
                             PostTransferUserAbort, &c);
    return kTransferOk;
}

int32_t CloseSmdiDriver(TransferContext& c) {
    UI().StopTransferWindow();
    if (gSessionBus) gSessionBus->Close();
    gSessionBus.reset();
    c.events.Drop(~0u);
    ClearAbort();
    return 0;
}

void InstallSmdiDriver(TransferContext& c) {
    c.OpenDriver = OpenSmdiDriver;
    c.CloseDriver = CloseSmdiDriver;
}

int32_t SmdiSendWave(TransferContext& c) {
    if (!WaveHasData(c.wave)) return kTransferIllegalParameter;
    return Transfer(c, 0);
}

int32_t SmdiReceiveWave(TransferContext& c) {
    if (!c.wave || WaveHasData(c.wave)) return kTransferIllegalParameter;
    return Transfer(c, 1);
}

bool SmdiPassThroughAvailable() {
    std::unique_ptr<ScsiBus> bus = NewScsiBus();
    return bus && bus->Available();
}

int32_t SmdiParamDialog(int32_t direction, TransferContext& c) {
    if (!SmdiPassThroughAvailable()) {
        if (!(c.messageFlags() & kMessageQuiet))
            UI().MessageBox(c.wave ? c.wave->window : nullptr, kSmdiErrorCaption,
                            kSmdiNoPassThrough);
        return kTransferUserCancel;
    }
    if (gSmdiParamDialogHook && !gSmdiParamDialogHook(direction, c)) return kTransferUserCancel;
    return direction == 1 ? c.ReceiveWave(c) : c.SendWave(c);
}

std::vector<SmdiFoundDevice> ScanSmdiBus(ScsiBus& bus) {
    std::vector<SmdiFoundDevice> found;
    DirectLink link(bus);
    for (const ScsiDeviceEntry& entry : bus.List()) {
        ScsiAddress a = entry.address;
        a.lun = 0;
        std::string name;
        if (TestTarget(link, a, &name) != 0) continue;
        SmdiFoundDevice d;
        d.adapter = a.adapter;
        d.target = a.target;
        d.name = name.empty() ? entry.name : name;
        char line[80];
        std::snprintf(line, sizeof line, "%2d %2d  ", d.adapter, d.target);
        d.line = line + d.name;
        d.value = d.target + d.adapter * 256;
        found.push_back(std::move(d));
    }
    bus.Close();
    return found;
}

}  // namespace ob
