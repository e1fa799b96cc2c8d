// SMDI over SCSI: message layout and classes from hand-written bytes, the
// generic SCSI driver's device list over a made-up sysfs tree, and the
// transfers against a fake ScsiBus (a scripted target): no bus, the target
// test, Wait, BUSY, time-outs, the user's abort while a command runs, the
// bus scan and the parameter dialog without pass-through.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "../dsp/recording_ui.h"
#include "base/progress.h"
#include "sampler/sampler_types.h"
#include "sampler/scsi_bus.h"
#include "sampler/scsi_sg.h"
#include "sampler/scsi_socket.h"
#include "sampler/smdi_messages.h"
#include "sampler/smdi_transfer.h"
#include "sampler/transfer_context.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Smdi(uint16_t id, uint16_t sub, Bytes data) {
    Bytes b = {'S',
               'M',
               'D',
               'I',
               uint8_t(id >> 8),
               uint8_t(id),
               uint8_t(sub >> 8),
               uint8_t(sub),
               uint8_t(data.size() >> 16),
               uint8_t(data.size() >> 8),
               uint8_t(data.size())};
    for (uint8_t x : data) b.push_back(x);
    return b;
}

TEST(SmdiMessages, ClassesOfHandWrittenReplies) {
    struct Row {
        uint16_t id, sub;
        int cls;
    } rows[] = {{0x0000, 0, 1},  {0x0001, 0, 2},  {0x0001, 1, 3},  {0x0002, 0, 4},  {0x0200, 0, 18},
                {0x0100, 0, 5},  {0x0101, 0, 6},  {0x0102, 0, 7},  {0x0103, 0, 8},  {0x0104, 0, 9},
                {0x0105, 0, 10}, {0x0110, 0, 11}, {0x0120, 0, 12}, {0x0121, 0, 13}, {0x0122, 0, 14},
                {0x0122, 1, 15}, {0x0123, 0, 16}, {0x0124, 0, 17}, {0x0125, 0, 0},  {0x0002, 1, 0}};
    for (const Row& r : rows) {
        Bytes m = Smdi(r.id, r.sub, {1, 2, 3});
        EXPECT_EQ(r.cls, ClassifySmdi(m.data(), m.size())) << std::hex << r.id << " " << r.sub;
    }
    Bytes m = Smdi(0x0001, 1, {});
    EXPECT_EQ(0, ClassifySmdi(m.data(), 10));  // shorter than the head
    Bytes wrong = m;
    wrong[0] = 's';
    EXPECT_EQ(0, ClassifySmdi(wrong.data(), wrong.size()));
    wrong = m;
    wrong[6] = 1;  // byte 6 must be 0
    EXPECT_EQ(0, ClassifySmdi(wrong.data(), wrong.size()));
    Bytes longer = Smdi(0x0110, 0, {0, 0, 1, 9, 9});
    EXPECT_EQ(11, ClassifySmdi(longer.data(), longer.size()));
    EXPECT_EQ(0, ClassifySmdi(longer.data(), longer.size() - 1));  // length field past the bytes
    EXPECT_EQ(5u, SmdiDataLength(longer.data(), longer.size()));
    EXPECT_EQ(0u, SmdiNumber24(longer.data(), 13, 11));
    EXPECT_EQ(1u, SmdiNumber24(longer.data(), longer.size(), 11));
}

TEST(SmdiMessages, SentMessagesByteForByte) {
    Bytes out;
    BuildSmdiMasterIdentify(out);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 0, 1, 0, 0, 0, 0, 0}), out);
    BuildSmdiAbortProcedure(out);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 1, 5, 0, 0, 0, 0, 0}), out);
    BuildSmdiHeaderRequest(out, 0x012345);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 1, 0x20, 0, 0, 0, 0, 3, 1, 0x23, 0x45}), out);
    BuildSmdiBeginTransfer(out, 7, 65536);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 1, 0x22, 0, 0, 0, 0, 6, 0, 0, 7, 1, 0, 0}), out);
    BuildSmdiSendNextPacket(out, 258);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 1, 3, 0, 0, 0, 0, 3, 0, 1, 2}), out);
    uint8_t data[] = {0xAB, 0xCD};
    BuildSmdiDataPacket(out, 3, data, 2);
    EXPECT_EQ(Bytes({'S', 'M', 'D', 'I', 1, 0x10, 0, 0, 0, 0, 5, 0, 0, 3, 0xAB, 0xCD}), out);

    SmdiSampleHeader h;
    h.sample = 5;
    h.channels = 2;
    h.period = 22675;
    h.length = 100000;
    h.loopStart = 10;
    h.loopEnd = 99999;
    h.loopControl = 1;
    h.pitch = 59;
    h.fraction = 45850;
    h.name = "ab";
    BuildSmdiSampleHeader(out, h);
    Bytes want = {'S', 'M', 'D',  'I',  1, 0x21, 0,    0,    0, 0, 28,  // length = 2 + 26
                  0,   0,   5,    16,   2, 0,    0x58, 0x93,            // period 22675
                  0,   1,   0x86, 0xA0,                                 // 100000 frames
                  0,   0,   0,    10,   0, 1,    0x86, 0x9F, 1, 0, 59, 0xB3, 0x1A, 2, 'a', 'b', 0};
    EXPECT_EQ(want, out);
    SmdiSampleHeader back;
    ASSERT_TRUE(ParseSmdiSampleHeader(out.data(), out.size(), back));
    EXPECT_EQ(100000u, back.length);
    EXPECT_EQ(45850, back.fraction);
    EXPECT_EQ("ab", back.name);
    // Without the NUL the header is whole; one name byte short it is not.
    EXPECT_TRUE(ParseSmdiSampleHeader(out.data(), out.size() - 1, back));
    EXPECT_FALSE(ParseSmdiSampleHeader(out.data(), out.size() - 2, back));
    out[36] = 200;  // a name longer than the message
    EXPECT_FALSE(ParseSmdiSampleHeader(out.data(), out.size(), back));
    EXPECT_STREQ("User abort of transfer", SmdiErrorText(8));
    EXPECT_STREQ("SCSI sampler is busy", SmdiErrorText(4));
}

// ---- the generic SCSI driver's list over a made-up sysfs tree ----

TEST(ScsiSgBus, ListsSysfsEntriesAndFailsCleanlyOnNonDevices) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("smdi_sg_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::path sysfs = root / "class", dev = root / "dev", devices = root / "devices";
    fs::create_directories(sysfs);
    fs::create_directories(dev);
    auto entry = [&](const char* sg, const char* hctl, const char* vendor, const char* model) {
        fs::create_directories(devices / hctl);
        std::ofstream(devices / hctl / "vendor") << vendor << "\n";
        std::ofstream(devices / hctl / "model") << model << "\n";
        fs::create_directories(sysfs / sg);
        fs::create_directory_symlink(devices / hctl, sysfs / sg / "device");
        std::ofstream(dev / sg) << "";
    };
    auto empty = NewSgScsiBus(sysfs.string(), dev.string());
    EXPECT_FALSE(empty->Available());
    EXPECT_TRUE(empty->List().empty());
    entry("sg3", "2:0:5:0", "SAMPLER ", "S-1000          ");
    entry("sg1", "0:0:0:0", "ATA", "DISK");
    entry("sg2", "2:0:5:1", "SAMPLER", "LUN1");
    std::ofstream(sysfs / "sg9") << "";  // no device link: left out
    auto bus = NewSgScsiBus(sysfs.string(), dev.string());
    EXPECT_TRUE(bus->Available());
    auto list = bus->List();
    ASSERT_EQ(2u, list.size());  // LUN 0 only
    EXPECT_EQ(0, list[0].address.adapter);
    EXPECT_EQ(2, list[1].address.adapter);
    EXPECT_EQ(5, list[1].address.target);
    EXPECT_EQ("SAMPLER S-1000", list[1].name);
    ScsiCommand c;
    c.address = {2, 5, 0};
    c.cdb = ScsiTestUnitReadyCdb();
    EXPECT_EQ(kScsiHostFailure, bus->Execute(c).host);  // a plain file takes no SG_IO
    c.address = {2, 6, 0};
    EXPECT_EQ(kScsiHostNoTarget, bus->Execute(c).host);
    fs::remove_all(root);
}

// ---- a scripted target on a fake bus ----

struct FakeTarget {
    int target = 2;
    int type = 3;
    int busyLeft = 0;   // BUSY to that many commands
    int waitsLeft = 0;  // Wait to that many RECEIVEs before the reply
    int64_t delayMs = 0;
    bool blockUntilInterrupt = false;
    std::function<Bytes(const Bytes& message)> reply;  // the reply to a SEND
    std::vector<Bytes> sent;
    int commands = 0;
    Bytes pending;
    std::mutex mutex;
    std::condition_variable interrupted;
    bool interruptFlag = false;
};
FakeTarget* gTarget = nullptr;
// Commands running in the fake bus (an abandoned worker may outlive its wait).
std::atomic<int> gRunning{0};

class FakeBus : public ScsiBus {
  public:
    bool Available() override { return gTarget != nullptr; }
    std::vector<ScsiDeviceEntry> List() override {
        std::vector<ScsiDeviceEntry> list;
        if (gTarget)
            for (int t = 0; t < 8; ++t) list.push_back({{1, t, 0}, "fake"});
        return list;
    }
    ScsiReply Execute(const ScsiCommand& c) override {
        struct Running {
            Running() { ++gRunning; }
            ~Running() { --gRunning; }
        } running;
        ScsiReply r;
        FakeTarget* t = gTarget;
        if (!t || c.address.target != t->target || c.address.lun != 0 || c.address.adapter > 1) {
            r.host = kScsiHostNoTarget;
            return r;
        }
        std::unique_lock<std::mutex> lock(t->mutex);
        ++t->commands;
        if (t->blockUntilInterrupt) {
            t->interrupted.wait(lock, [t] { return t->interruptFlag; });
            r.host = kScsiHostFailure;
            return r;
        }
        if (t->delayMs) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(t->delayMs));
            lock.lock();
        }
        r.host = kScsiHostDone;
        if (t->busyLeft > 0) {
            --t->busyLeft;
            r.status = kScsiBusy;
            return r;
        }
        switch (c.cdb[0]) {
            case 0x12:
                r.data = {uint8_t(t->type), 0, 2, 2, 0x1F, 0, 0, 0};
                for (char ch : std::string("FAKE    SMDI UNIT       1.0 "))
                    r.data.push_back(uint8_t(ch));
                r.data.resize(std::min<size_t>(r.data.size(), c.allocation));
                break;
            case 0x0A:
                t->sent.push_back(c.dataOut);
                t->pending = t->reply ? t->reply(c.dataOut) : Bytes();
                break;
            case 0x08:
                if (t->waitsLeft > 0) {
                    --t->waitsLeft;
                    r.data = Smdi(0x0102, 0, {});
                    break;
                }
                r.data.swap(t->pending);
                t->pending.clear();
                if (r.data.size() > c.allocation) r.data.resize(c.allocation);
                break;
            default:
                break;
        }
        return r;
    }
    void Interrupt() override {
        if (!gTarget) return;
        std::lock_guard<std::mutex> lock(gTarget->mutex);
        gTarget->interruptFlag = true;
        gTarget->interrupted.notify_all();
    }
};

std::unique_ptr<ScsiBus> MakeFakeBus() {
    return std::make_unique<FakeBus>();
}

Bytes Ack(uint32_t packetLength) {
    return Smdi(
        0x0122, 1,
        {0, 0, 5, uint8_t(packetLength >> 16), uint8_t(packetLength >> 8), uint8_t(packetLength)});
}
Bytes Next(uint32_t i) {
    return Smdi(0x0103, 0, {uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)});
}

class SmdiTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        gScsiBusFactory = MakeFakeBus;
        gTransferTiming = TransferTiming();
        gTransferTiming.replyTimeoutMs = 300;
        gTransferTiming.waitLimitMs = 2000;
        target.reply = [this](const Bytes& m) { return Answer(m); };
        gTarget = &target;
    }
    void TearDown() override {
        // Abandoned workers finish before the target they use goes away.
        for (int i = 0; i < 300 && gRunning.load() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(0, gRunning.load());
        gTarget = nullptr;
        gScsiBusFactory = nullptr;
        gTransferTiming = TransferTiming();
        DiscardWave(wave);
    }
    void Prepare(uint32_t frames) {
        if (frames) {
            wave.leftSamples = static_cast<float*>(Allocate(frames * 4, kAllocLarge | kAllocZero));
            wave.frameCount = frames;
            for (uint32_t i = 0; i < frames; ++i) wave.leftSamples[i] = float(i % 100) / 100.0f;
        }
        InitTransferContext(c, &wave);
        ASSERT_EQ(0, SetupSamplerType(c, kSamplerSmdi));
        c.channel() = 1;               // adapter
        c.words[kWordLayer] = 2;       // target
        c.words[kWordInstrument] = 0;  // LUN
        c.sampleNumber() = 5;
    }
    // A target taking a sample: header -> acknowledge, begin -> packet 0, data -> next or end.
    Bytes Answer(const Bytes& m) {
        int cls = ClassifySmdi(m.data(), m.size());
        if (cls == kSmdiMasterIdentify) return Smdi(0x0001, 1, {});
        if (cls == kSmdiSampleHeader) {
            target.waitsLeft = waitsBeforeAck;
            waitsBeforeAck = 0;
            return Ack(packetLength);
        }
        if (cls == kSmdiBeginSampleTransfer) return Next(0);
        if (cls == kSmdiDataPacket) {
            uint32_t i = SmdiNumber24(m.data(), m.size(), 11);
            received += SmdiDataLength(m.data(), m.size()) - 3;
            return received >= wave.frameCount * 2u ? Smdi(0x0104, 0, {}) : Next(i + 1);
        }
        return Smdi(0x0002, 0, {0, 2, 0, 0});
    }
    int Count(int cls) {
        int n = 0;
        for (const Bytes& m : target.sent) n += ClassifySmdi(m.data(), m.size()) == cls;
        return n;
    }

    RecordingUserInterface ui;
    FakeTarget target;
    WaveRecord wave;
    TransferContext c;
    uint32_t packetLength = 64;
    int waitsBeforeAck = 0;
    size_t received = 0;
};

TEST_F(SmdiTransfer, SendsThroughTheFakeBusWithWaitAndBusy) {
    Prepare(100);
    target.busyLeft = 3;
    waitsBeforeAck = 2;
    EXPECT_EQ(kTransferOk, c.SendWave(c));
    EXPECT_EQ(200u, received);
    EXPECT_EQ(4, Count(kSmdiDataPacket));    // 200 bytes in 64-byte packets
    EXPECT_EQ(1, Count(kSmdiSampleHeader));  // a Wait asks again without resending
    EXPECT_EQ(0, target.waitsLeft);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(1, ui.abortWindowsStarted);
    EXPECT_EQ(1, ui.abortWindowsStopped);
}

TEST_F(SmdiTransfer, NoTargetGivesInitializationFailedAfterTwoTests) {
    Prepare(100);
    c.words[kWordLayer] = 3;  // nobody there
    EXPECT_EQ(kTransferInitFailed, c.SendWave(c));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("SMDI Error Message", ui.boxes[0].caption);
    EXPECT_EQ("Error verifying target as SMDI slave", ui.boxes[0].text);
    target.type = 0;  // there, but not a processor
    c.words[kWordLayer] = 2;
    c.messageFlags() = kMessageQuiet;
    EXPECT_EQ(kTransferInitFailed, c.SendWave(c));
    EXPECT_EQ(1u, ui.boxes.size());  // quiet: no box
    EXPECT_EQ(4, target.commands);   // TEST UNIT READY and INQUIRY, twice
    gTarget = nullptr;               // no bus at all
    WaveRecord empty;
    c.wave = &empty;
    EXPECT_EQ(kTransferInitFailed, c.ReceiveWave(c));
    EXPECT_EQ(nullptr, empty.leftSamples);
}

TEST_F(SmdiTransfer, BusyPastTheTimeLimitAndSilenceEndInTime) {
    Prepare(100);
    target.reply = [this](const Bytes& m) -> Bytes {
        if (ClassifySmdi(m.data(), m.size()) == kSmdiSampleHeader) target.busyLeft = 1000000;
        return Answer(m);
    };
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(kTransferGeneralError, c.SendWave(c));
    EXPECT_EQ("SCSI sampler is busy", ui.LastBoxText());
    // A reply that never stops being Wait: the long limit, then a time-out.
    target.busyLeft = 0;
    target.reply = [this](const Bytes& m) {
        Bytes reply = Answer(m);
        if (ClassifySmdi(m.data(), m.size()) == kSmdiSampleHeader) target.waitsLeft = 1000000;
        return reply;
    };
    gTransferTiming.waitLimitMs = 200;
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));
    target.waitsLeft = 0;
    // A command that takes longer than the reply time-out.
    target.reply = [this](const Bytes& m) {
        if (ClassifySmdi(m.data(), m.size()) == kSmdiSampleHeader) target.delayMs = 800;
        return Answer(m);
    };
    EXPECT_EQ(kTransferTimeout, c.SendWave(c));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    target.delayMs = 0;
}

TEST_F(SmdiTransfer, AbortWhileACommandRunsEndsAtOnce) {
    Prepare(100);
    target.reply = [this](const Bytes& m) {
        if (ClassifySmdi(m.data(), m.size()) == kSmdiSampleHeader)
            target.blockUntilInterrupt = true;
        return Answer(m);
    };
    gTransferTiming.replyTimeoutMs = 20000;
    std::thread user([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        TransferEvent e;
        e.kind = kEventUserAbort;
        c.events.Post(std::move(e));
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(kTransferUserAborted, c.SendWave(c));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    user.join();
    EXPECT_TRUE(target.interruptFlag);  // the running command was cut short
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SmdiTransfer, ScanFindsTheTargetAndNamesIt) {
    FakeBus bus;
    auto found = ScanSmdiBus(bus);
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(" 1  2  FAKE    SMDI UNIT       1.0", found[0].line);
    EXPECT_EQ(2 + 256, found[0].value);
    gTarget = nullptr;
    EXPECT_TRUE(ScanSmdiBus(bus).empty());
}

TEST_F(SmdiTransfer, ParamDialogWithoutPassThroughCancels) {
    Prepare(100);
    gTarget = nullptr;  // the fake bus is then not available
    EXPECT_EQ(kTransferUserCancel, c.ParamDialog(0, c));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("SCSI pass-through is not available.", ui.boxes[0].text);
    EXPECT_EQ(0, target.commands);
}

TEST_F(SmdiTransfer, ReceiveCutsNothingPastTheBytesOfHostileReplies) {
    Prepare(0);
    // A header naming a huge wave and then packets with lengths that lie.
    SmdiSampleHeader h;
    h.channels = 2;
    h.period = 22675;
    h.length = 10;
    h.loopStart = 5;
    h.loopEnd = 50;  // past the wave: no loop
    Bytes header;
    BuildSmdiSampleHeader(header, h);
    target.reply = [&](const Bytes& m) -> Bytes {
        int cls = ClassifySmdi(m.data(), m.size());
        if (cls == kSmdiMasterIdentify) return Smdi(0x0001, 1, {});
        if (cls == kSmdiSampleHeaderRequest) return header;
        if (cls == kSmdiBeginSampleTransfer) return Ack(7);  // splits frames and words
        if (cls == kSmdiSendNextPacket) {
            uint32_t i = SmdiNumber24(m.data(), m.size(), 11);
            Bytes d = {uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)};
            for (uint32_t k = 0; k < 7; ++k) d.push_back(uint8_t(0x40 + i * 7 + k));
            return Smdi(0x0110, 0, d);
        }
        return {};
    };
    EXPECT_EQ(kTransferOk, c.ReceiveWave(c));
    ASSERT_NE(nullptr, wave.rightSamples);
    EXPECT_EQ(10u, wave.frameCount);
    EXPECT_EQ(-1, wave.sustainLoopId);
    // Byte b of the stream is 0x40 + b: word w = (0x40 + 2w) << 8 | (0x41 + 2w).
    for (uint32_t f = 0; f < 10; ++f) {
        uint32_t wl = 2 * f, wr = 2 * f + 1;
        EXPECT_EQ(float(int16_t((0x40 + 2 * wl) << 8 | (0x41 + 2 * wl)) / 32768.0),
                  wave.leftSamples[f]);
        EXPECT_EQ(float(int16_t((0x40 + 2 * wr) << 8 | (0x41 + 2 * wr)) / 32768.0),
                  wave.rightSamples[f]);
    }
}

}  // namespace

// ---- the socket bus against a server written here from the socket format ----

namespace {

struct ScriptedServer {
    std::string path;
    int listener = -1;
    std::thread thread;
    std::atomic<int> accepted{0};
    // One response per request, in order: the bytes to send after `delayMs`.
    std::vector<std::pair<int, Bytes>> responses;

    explicit ScriptedServer(std::vector<std::pair<int, Bytes>> script)
        : responses(std::move(script)) {
        path = (std::filesystem::temp_directory_path() /
                ("smdi_sock_" + std::to_string(::getpid()) + ".sock"))
                   .string();
        ::unlink(path.c_str());
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener, 4);
        thread = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        ::shutdown(listener, SHUT_RDWR);
        ::close(listener);
        thread.join();
        ::unlink(path.c_str());
    }
    void Serve() {
        size_t next = 0;
        while (next < responses.size()) {
            int fd = ::accept(listener, nullptr, nullptr);
            if (fd < 0) return;
            ++accepted;
            while (next < responses.size()) {
                uint8_t head[20];
                if (::recv(fd, head, sizeof head, MSG_WAITALL) != 20) break;
                size_t rest = head[6] + (size_t(head[8]) << 24 | size_t(head[9]) << 16 |
                                         size_t(head[10]) << 8 | head[11]);
                Bytes body(rest);
                if (rest && ::recv(fd, body.data(), rest, MSG_WAITALL) != ssize_t(rest)) break;
                auto [delay, bytes] = responses[next++];
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            }
            ::close(fd);
        }
    }
};

Bytes Response(uint8_t host, uint8_t status, Bytes sense, Bytes data) {
    Bytes r = {'S', 'C', 'S', 'R', host, status, uint8_t(sense.size()), 0};
    for (int shift = 24; shift >= 0; shift -= 8) r.push_back(uint8_t(data.size() >> shift));
    for (uint8_t x : sense) r.push_back(x);
    for (uint8_t x : data) r.push_back(x);
    return r;
}

}  // namespace

TEST(ScsiSocketBus, BrokenLateAndGoodResponses) {
    Bytes bad = Response(0, 0, {}, {1, 2});
    bad[0] = 'X';
    ScriptedServer server({{0, bad},                                       // bad magic
                           {0, Response(0, 0, {}, Bytes(40, 7))},          // more than allocated
                           {600, Response(0, 0, {}, {})},                  // too late
                           {0, Response(0, 2, {0x70, 0, 5}, {})},          // check condition
                           {0, Response(0, 0, {}, {0xAA, 0xBB, 0xCC})}});  // good
    auto bus = NewSocketScsiBus(server.path);
    ASSERT_EQ(8u, bus->List().size());
    ScsiCommand c;
    c.cdb = ScsiReceiveCdb(36);
    c.direction = kScsiDataIn;
    c.allocation = 36;
    c.timeoutMs = 300;
    EXPECT_EQ(kScsiHostFailure, bus->Execute(c).host);
    EXPECT_EQ(kScsiHostFailure, bus->Execute(c).host);
    EXPECT_EQ(kScsiHostTimedOut, bus->Execute(c).host);
    c.timeoutMs = 3000;  // the server is still sleeping on the late one
    ScsiReply check = bus->Execute(c);
    EXPECT_EQ(kScsiHostDone, check.host);
    EXPECT_EQ(kScsiCheckCondition, check.status);
    EXPECT_EQ(Bytes({0x70, 0, 5}), check.sense);
    ScsiReply good = bus->Execute(c);
    EXPECT_TRUE(good.Good());
    EXPECT_EQ(Bytes({0xAA, 0xBB, 0xCC}), good.data);
    EXPECT_EQ(4, server.accepted.load());  // every broken exchange closed the connection
    bus->Close();
    c.address.target = 8;  // past the socket's targets
    EXPECT_EQ(kScsiHostNoTarget, bus->Execute(c).host);
    auto none = NewSocketScsiBus(server.path + ".missing");
    c.address.target = 0;
    EXPECT_EQ(kScsiHostNoTarget, none->Execute(c).host);
}
