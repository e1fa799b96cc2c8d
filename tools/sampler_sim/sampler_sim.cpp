// orbick-sampler-sim: a simulated sampler speaking the MIDI Sample Dump
// Standard over a Unix stream socket carrying raw MIDI bytes. It takes dumps
// (keeping each sample in memory and writing it to the store folder), answers
// dump requests, logs every message it sends and takes, and can misbehave on
// request. It shares no code with the editor, so it checks the editor rather
// than agreeing with it.
//
// usage: orbick-sampler-sim --listen PATH [options]
//        orbick-sampler-sim --smdi ... (SMDI over SCSI: see smdi_target.cpp)
//   --store DIR         write each received sample to DIR/sample_N.txt
//   --log FILE          one line per message sent or taken
//   --connections N     exit after N connections (default: run until killed)
//   --tone N:LEN:RATE:BITS[:LSTART:LEND:LTYPE]
//                       hold a generated sample N (also written to the store)
// Faults; P is a data packet index from 0, or h for the dump header:
//   --nak P:N           answer packet P with NAK N times before taking it
//   --wait P:N          answer WAIT N times before the answer to P
//   --bad-checksum P:N  send packet P with a wrong checksum N times
//   --duplicate P       send packet P twice / acknowledge packet P twice
//   --truncate P        send packet P (or the answer to P) cut short once
//   --foreign P         send a foreign system-exclusive message instead of
//                       packet P (or of the answer to P) once
//   --cancel P          send CANCEL instead of packet P (or of the answer to P)
//   --silence P         stop answering at packet P
//   --answer-delay MS   pause before each answer
// Models other than the Sample Dump Standard (their faults in their files):
//   --dss1, --dsm1      a Korg DSS-1 or DSM-1 (korg_target.cpp)
//   --s612              an Akai S612 (akai_target.cpp)
//   --eps               an Ensoniq EPS-family sampler (ensoniq_target.h lists
//                       its own options; --wait, --truncate, --foreign and
//                       --silence then take a block index or h for the
//                       parameter request)
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sim_target.h"
#include "tools/sampler_sim/ensoniq_target.h"
#include "tools/sampler_sim/sim_server.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Sample {
    int bits = 16;
    long period = 22675;
    long loopStart = 0, loopEnd = 0;
    int loopType = 0x7F;
    std::vector<long> words;  // offset-binary words of `bits` bits
};

struct Fault {
    int count = 0;  // remaining
};

struct Options {
    bool eps = false;
    std::string listen, store, log;
    std::string model;  // "" (SDS), "dss1", "dsm1", "s612"
    int connections = -1;
    int answerDelayMs = 0;
    std::map<std::string, std::map<long, int>> faults;  // kind -> packet (-1 = header) -> count
} opt;

std::map<long, Sample> gSamples;

using sim::Log;

// Takes one use of a fault; true when it applies.
bool Fault(const char* kind, long packet) {
    auto k = opt.faults.find(kind);
    if (k == opt.faults.end()) return false;
    auto p = k->second.find(packet);
    if (p == k->second.end() || p->second <= 0) return false;
    --p->second;
    return true;
}
bool Silent(long packet) {
    auto k = opt.faults.find("silence");
    return k != opt.faults.end() && k->second.count(packet) != 0;
}

// ---- the connection: raw MIDI bytes in, complete SysEx messages out ----
class Link {
  public:
    explicit Link(int fd) : fd_(fd) {}
    // The next complete SysEx message; false on timeout or when the peer left.
    bool Next(Bytes& message, int timeoutMs) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (TakeQueued(message)) return true;
            if (closed_) return false;
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               until - std::chrono::steady_clock::now())
                               .count());
            if (timeoutMs >= 0 && left <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs < 0 ? -1 : left) <= 0) continue;
            unsigned char buffer[512];
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                closed_ = true;
                continue;
            }
            for (ssize_t i = 0; i < n; ++i) Byte(buffer[i]);
        }
    }
    void Send(const Bytes& message) {
        if (opt.answerDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(opt.answerDelayMs));
        size_t done = 0;
        while (done < message.size()) {
            ssize_t n = ::send(fd_, message.data() + done, message.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += size_t(n);
        }
    }
    bool closed() const { return closed_; }

  private:
    void Byte(unsigned char b) {
        if (b == 0xF0) {
            current_.assign(1, b);
            inside_ = true;
        } else if (inside_ && b == 0xF7) {
            current_.push_back(b);
            queue_.push_back(current_);
            inside_ = false;
        } else if (inside_ && b < 0x80) {
            current_.push_back(b);
        } else if (b < 0xF8) {
            inside_ = false;  // anything else ends a message unfinished
        }
    }
    bool TakeQueued(Bytes& message) {
        if (queue_.empty()) return false;
        message = queue_.front();
        queue_.erase(queue_.begin());
        return true;
    }
    int fd_;
    bool closed_ = false;
    bool inside_ = false;
    Bytes current_;
    std::vector<Bytes> queue_;
};

// ---- messages, written from the Sample Dump Standard layout ----
long Read7s(const Bytes& m, size_t at, int groups) {
    long v = 0;
    for (int i = 0; i < groups; ++i) v |= long(m[at + size_t(i)]) << (7 * i);
    return v;
}
void Write7s(Bytes& m, long v, int groups) {
    for (int i = 0; i < groups; ++i) m.push_back((v >> (7 * i)) & 0x7F);
}

Bytes Handshake(int channel, int code, long packet) {
    return {0xF0, 0x7E, (unsigned char)channel, (unsigned char)code, (unsigned char)(packet & 0x7F),
            0xF7};
}
const char* HandshakeName(int code) {
    switch (code) {
        case 0x7F:
            return "ACK";
        case 0x7E:
            return "NAK";
        case 0x7D:
            return "CANCEL";
        case 0x7C:
            return "WAIT";
    }
    return "?";
}
Bytes Foreign() {
    return {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
}

int WordsPerPacket(int bits) {
    int bytesPerWord = (bits + 6) / 7;
    return 120 / bytesPerWord;
}

// The words of one packet, left-justified in 7-bit groups as the standard lays them out.
Bytes Packet(int channel, long number, const Sample& s, size_t first) {
    Bytes m = {0xF0, 0x7E, (unsigned char)channel, 0x02, (unsigned char)(number & 0x7F)};
    int bytesPerWord = (s.bits + 6) / 7;
    int shiftUp = bytesPerWord * 7 - s.bits;  // left justification
    size_t n = size_t(WordsPerPacket(s.bits));
    for (size_t i = 0; i < n; ++i) {
        long w = first + i < s.words.size() ? s.words[first + i] << shiftUp : 0;
        for (int b = bytesPerWord - 1; b >= 0; --b) m.push_back((w >> (7 * b)) & 0x7F);
    }
    while (m.size() < 125) m.push_back(0);
    unsigned char sum = 0;
    for (size_t i = 1; i < 125; ++i) sum ^= m[i];
    m.push_back(sum & 0x7F);
    m.push_back(0xF7);
    return m;
}

void TakeWords(const Bytes& m, Sample& s, size_t count) {
    int bytesPerWord = (s.bits + 6) / 7;
    int shiftUp = bytesPerWord * 7 - s.bits;
    for (size_t i = 0; i < count; ++i) {
        long w = 0;
        for (int b = 0; b < bytesPerWord; ++b)
            w = (w << 7) | m[5 + i * size_t(bytesPerWord) + size_t(b)];
        s.words.push_back(w >> shiftUp);
    }
}

std::string StorePath(long number) {
    return opt.store + "/sample_" + std::to_string(number) + ".txt";
}

void WriteStoreFile(long number, const Sample& s, int channel) {
    if (opt.store.empty()) return;
    std::string path = StorePath(number);
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return;
    std::fprintf(f, "bits %d\nperiod %ld\nlength %zu\nloop %ld %ld %d\nchannel %d\n", s.bits,
                 s.period, s.words.size(), s.loopStart, s.loopEnd, s.loopType, channel);
    long half = 1L << (s.bits - 1);
    for (long w : s.words) std::fprintf(f, "%ld\n", w - half);
    std::fclose(f);
}

void Store(long number, const Sample& s, int channel) {
    gSamples[number] = s;
    WriteStoreFile(number, s, channel);
}

// ---- the sampler's side of a dump it takes ----
void TakeDump(Link& link, const Bytes& header) {
    int channel = header[2];
    long number = Read7s(header, 4, 2);
    Sample s;
    s.bits = header[6];
    s.period = Read7s(header, 7, 3);
    long length = Read7s(header, 10, 3);
    s.loopStart = Read7s(header, 13, 3);
    s.loopEnd = Read7s(header, 16, 3);
    s.loopType = header[19];
    Log("rx header sample=%ld bits=%d period=%ld length=%ld loop=%ld,%ld,%d channel=%d", number,
        s.bits, s.period, length, s.loopStart, s.loopEnd, s.loopType, channel);
    if (s.bits < 8 || s.bits > 28 || length <= 0) {
        Log("tx CANCEL (bad header)");
        link.Send(Handshake(channel, 0x7D, 0));
        return;
    }
    auto answer = [&](long packet, long number7) -> bool {
        // Faults that replace the answer; false ends the dump.
        if (Silent(packet)) {
            Log("silent at %ld", packet);
            return false;
        }
        while (Fault("wait", packet)) {
            Log("tx WAIT %ld", number7 & 0x7F);
            link.Send(Handshake(channel, 0x7C, number7));
        }
        if (Fault("cancel", packet)) {
            Log("tx CANCEL %ld", number7 & 0x7F);
            link.Send(Handshake(channel, 0x7D, number7));
            return false;
        }
        if (Fault("foreign", packet)) {
            Log("tx foreign");
            link.Send(Foreign());
            return true;
        }
        if (Fault("truncate", packet)) {
            Log("tx truncated ACK");
            link.Send({0xF0, 0x7E, (unsigned char)channel, 0x7F, 0xF7});
            return true;
        }
        Log("tx ACK %ld", number7 & 0x7F);
        link.Send(Handshake(channel, 0x7F, number7));
        if (Fault("duplicate", packet)) {
            Log("tx ACK %ld (again)", number7 & 0x7F);
            link.Send(Handshake(channel, 0x7F, number7));
        }
        return true;
    };
    if (!answer(-1, 0)) return;
    const int per = WordsPerPacket(s.bits);
    const long total = (length + per - 1) / per;
    long index = 0;
    Bytes m;
    while (index < total) {
        if (!link.Next(m, 5000)) {
            Log("timeout waiting for packet %ld", index);
            return;
        }
        if (m.size() == 6 && m[1] == 0x7E && m[3] == 0x7D) {
            Log("rx CANCEL %d", m[4]);
            return;
        }
        if (m.size() < 4 || m[1] != 0x7E || m[3] != 0x02) {
            Log("rx unexpected");
            continue;
        }
        long expected = index & 0x7F;
        bool sizeOk = m.size() == 127;
        unsigned char sum = 0;
        if (sizeOk)
            for (size_t i = 1; i < 125; ++i) sum ^= m[i];
        bool sumOk = sizeOk && (sum & 0x7F) == m[125];
        long got = sizeOk ? m[4] : -1;
        if (sumOk && index > 0 && got == ((index - 1) & 0x7F)) {
            Log("rx packet %ld again", got);
            link.Send(Handshake(channel, 0x7F, got));
            continue;
        }
        if (!sumOk || got != expected) {
            Log("rx bad packet %ld (%s)", index,
                !sizeOk  ? "length"
                : !sumOk ? "checksum"
                         : "number");
            Log("tx NAK %ld", expected);
            link.Send(Handshake(channel, 0x7E, expected));
            continue;
        }
        Log("rx packet %ld number=%ld", index, got);
        if (Fault("nak", index)) {
            Log("tx NAK %ld", expected);
            link.Send(Handshake(channel, 0x7E, expected));
            continue;
        }
        TakeWords(m, s, size_t(std::min<long>(per, length - index * per)));
        // The file is written before the last ACK: the sender may end, and
        // the simulator be stopped, as soon as that ACK arrives.
        const bool last = index + 1 == total;
        if (last) WriteStoreFile(number, s, channel);
        if (!answer(index, expected)) {
            if (last && !opt.store.empty()) std::remove(StorePath(number).c_str());
            return;
        }
        ++index;
    }
    gSamples[number] = s;
    if (total == 0) WriteStoreFile(number, s, channel);
    Log("stored sample %ld", number);
}

// ---- the sampler's side of a dump it gives ----
void GiveDump(Link& link, const Bytes& request) {
    int channel = request[2];
    long number = Read7s(request, 4, 2);
    Log("rx request sample=%ld channel=%d", number, channel);
    auto found = gSamples.find(number);
    if (found == gSamples.end()) {
        Log("tx CANCEL (no such sample)");
        link.Send(Handshake(channel, 0x7D, 0));
        return;
    }
    const Sample& s = found->second;
    Bytes h = {0xF0, 0x7E, (unsigned char)channel, 0x01};
    Write7s(h, number, 2);
    h.push_back((unsigned char)s.bits);
    Write7s(h, s.period, 3);
    Write7s(h, long(s.words.size()), 3);
    Write7s(h, s.loopStart, 3);
    Write7s(h, s.loopEnd, 3);
    h.push_back((unsigned char)s.loopType);
    h.push_back(0xF7);
    if (Silent(-1)) {
        Log("silent at h");
        return;
    }
    Log("tx header length=%zu", s.words.size());
    link.Send(h);
    // The answer: ACK goes on, WAIT waits, anything else ends.
    auto await = [&](long& naks) -> int {  // 1 ACK, 2 NAK, 0 end
        Bytes m;
        for (;;) {
            if (!link.Next(m, 5000)) {
                Log("timeout waiting for an answer");
                return 0;
            }
            if (m.size() != 6 || m[1] != 0x7E) {
                Log("rx unexpected");
                return 0;
            }
            Log("rx %s %d", HandshakeName(m[3]), m[4]);
            if (m[3] == 0x7C) continue;
            if (m[3] == 0x7F) return 1;
            if (m[3] == 0x7E) {
                ++naks;
                return 2;
            }
            return 0;
        }
    };
    long naks = 0;
    if (await(naks) != 1) return;
    const int per = WordsPerPacket(s.bits);
    const long total = (long(s.words.size()) + per - 1) / per;
    for (long index = 0; index < total;) {
        long number7 = index & 0x7F;
        if (Silent(index)) {
            Log("silent at %ld", index);
            return;
        }
        if (Fault("cancel", index)) {
            Log("tx CANCEL %ld", number7);
            link.Send(Handshake(channel, 0x7D, number7));
            return;
        }
        Bytes p = Packet(channel, number7, s, size_t(index * per));
        if (Fault("foreign", index)) {
            Log("tx foreign");
            link.Send(Foreign());
        } else if (Fault("truncate", index)) {
            Log("tx packet %ld truncated", index);
            Bytes cut(p.begin(), p.begin() + 60);
            cut.push_back(0xF7);
            link.Send(cut);
        } else if (Fault("bad-checksum", index)) {
            Log("tx packet %ld bad checksum", index);
            p[125] ^= 0x55;
            link.Send(p);
        } else {
            Log("tx packet %ld", index);
            link.Send(p);
        }
        int a = await(naks);
        if (a == 0) return;
        if (a == 2) continue;  // the same packet again
        if (Fault("duplicate", index)) {
            Log("tx packet %ld again", index);
            link.Send(p);
            if (await(naks) == 0) return;
        }
        ++index;
    }
    Log("gave sample %ld", number);
}

// A model of its own file: the connection, the log and the faults handed over.
bool ModelSession(Link& link) {
    if (opt.model.empty()) return false;
    sim::SimIo io;
    io.next = [&link](Bytes& m, int timeoutMs) { return link.Next(m, timeoutMs); };
    io.send = [&link](const Bytes& m) { link.Send(m); };
    io.log = [](const std::string& line) { Log("%s", line.c_str()); };
    io.fault = [](const char* kind, long index) { return Fault(kind, index); };
    io.silent = [](long index) { return Silent(index); };
    io.store = opt.store;
    if (opt.model == "s612")
        sim::RunS612Target(io);
    else
        sim::RunKorgTarget(io, opt.model == "dsm1");
    return true;
}

void EnsoniqConnection(Link& link, const Bytes& first) {
    sim::Link io;
    io.next = [&link](Bytes& m, int timeoutMs) { return link.Next(m, timeoutMs); };
    io.send = [&link](const Bytes& m) { link.Send(m); };
    io.fault = [](const char* kind, long index) { return Fault(kind, index); };
    io.silent = [](long index) { return Silent(index); };
    io.log = [](const std::string& line) { Log("%s", line.c_str()); };
    sim::EnsoniqSession(io, first);
}

void Session(int fd) {
    Link link(fd);
    if (ModelSession(link)) return;
    Bytes m;
    while (link.Next(m, -1)) {
        if (opt.eps) {
            EnsoniqConnection(link, m);
            break;
        }
        if (m.size() == 21 && m[1] == 0x7E && m[3] == 0x01) {
            TakeDump(link, m);
        } else if (m.size() == 7 && m[1] == 0x7E && m[3] == 0x03) {
            GiveDump(link, m);
        } else if (m.size() == 6 && m[1] == 0x7E) {
            Log("rx %s %d", HandshakeName(m[3]), m[4]);
        } else {
            Log("rx other (%zu bytes)", m.size());
        }
    }
}

bool ParseFault(const char* kind, const char* value) {
    std::string v = value;
    long packet = -1;
    int count = 1;
    size_t colon = v.find(':');
    std::string p = v.substr(0, colon);
    if (p != "h") packet = std::strtol(p.c_str(), nullptr, 10);
    if (colon != std::string::npos) count = std::atoi(v.c_str() + colon + 1);
    opt.faults[kind][packet] = count;
    return true;
}

bool ParseTone(const char* value) {
    long n, len, rate, bits, ls = -1, le = -1, lt = 0x7F;
    int got =
        std::sscanf(value, "%ld:%ld:%ld:%ld:%ld:%ld:%ld", &n, &len, &rate, &bits, &ls, &le, &lt);
    if (got < 4 || len <= 0 || rate <= 0 || bits < 8 || bits > 16) return false;
    Sample s;
    s.bits = int(bits);
    s.period = 1000000000L / rate;
    if (got >= 7) {
        s.loopStart = ls;
        s.loopEnd = le;
        s.loopType = int(lt);
    } else {
        s.loopStart = s.loopEnd = len;
        s.loopType = 0x7F;
    }
    long half = 1L << (bits - 1);
    for (long i = 0; i < len; ++i) {
        // A decaying sine with full-scale ends, so both extremes are on the wire.
        double x = std::sin(2 * M_PI * double(i) / 37.0) * std::exp(-double(i) / double(len));
        long w = half + long(std::lround(x * double(half - 1)));
        if (i == 0) w = 0;
        if (i == 1) w = 2 * half - 1;
        s.words.push_back(w);
    }
    Store(n, s, 0);
    return true;
}

}  // namespace

// The SMDI sampler on a simulated SCSI bus (smdi_target.cpp).
int RunSmdiTarget(int argc, char** argv);

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--smdi") return RunSmdiTarget(argc - 1, argv + 1);
    std::vector<std::string> toneArgs;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--dss1" || a == "--dsm1" || a == "--s612") {
            opt.model = a.substr(2);
            continue;
        }
        if (a == "--eps") {
            opt.eps = true;
            continue;
        }
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) {
            std::fprintf(stderr, "orbick-sampler-sim: %s needs a value\n", a.c_str());
            return 2;
        }
        ++i;
        if (a == "--listen")
            opt.listen = v;
        else if (a == "--store")
            opt.store = v;
        else if (a == "--log")
            opt.log = v;
        else if (a == "--connections")
            opt.connections = std::atoi(v);
        else if (a == "--answer-delay")
            opt.answerDelayMs = std::atoi(v);
        else if (a == "--tone")
            toneArgs.push_back(v);
        else if (a == "--nak" || a == "--wait" || a == "--bad-checksum" || a == "--duplicate" ||
                 a == "--truncate" || a == "--foreign" || a == "--cancel" || a == "--silence" ||
                 a == "--no-more")
            ParseFault(a.c_str() + 2, v);
        else if (sim::EnsoniqOption(a, v))
            continue;
        else {
            std::fprintf(stderr, "orbick-sampler-sim: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (opt.listen.empty()) {
        std::fputs("usage: orbick-sampler-sim --listen PATH [options]\n", stderr);
        return 2;
    }
    sim::OpenLog(opt.log);
    for (const std::string& t : toneArgs)
        if (!ParseTone(t.c_str())) {
            std::fprintf(stderr, "orbick-sampler-sim: bad --tone %s\n", t.c_str());
            return 2;
        }
    std::string epsError;
    if (opt.eps && !sim::EnsoniqStart(opt.store, epsError)) {
        std::fprintf(stderr, "orbick-sampler-sim: %s\n", epsError.c_str());
        return 2;
    }
    return sim::ServeSocket(opt.listen, opt.connections, Session);
}
