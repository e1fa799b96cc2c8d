// orbick-sampler-sim --smdi: a simulated SMDI sampler on a simulated SCSI
// bus. It listens on a Unix stream socket that carries one SCSI command per
// request ("SCSQ" ... / "SCSR" ...), answers as a processor device at one
// target id, keeps the reply to the last SEND for the next RECEIVE, takes
// samples (writing each to the store) and gives the samples it holds. It is
// written on its own from the protocol description and shares no code with
// the editor.
//
// usage: orbick-sampler-sim --smdi --listen PATH [options]
//   --store DIR         write each sample taken to DIR/sample_N.txt
//   --log FILE          one line per message taken or given
//   --target T          the sampler's target id (default 0); LUN 0 only
//   --packet-length N   the packet length its acknowledges name (default 65536)
//   --tone N:LEN:RATE:CH[:LSTART:LEND:LCTRL[:PITCH:FRAC]]
//                       hold a generated sample N (also written to the store)
//   --connections N     exit after N connections
// Faults; P is h (the header or its request), b (Begin Sample Transfer) or a
// data packet index:
//   --busy P:N          answer the SEND of that message with BUSY N times
//   --wait P:N          answer Wait N times before the reply to that message
//   --reject P:CODE:SUB answer that message with Message Reject
//   --wrong-number P    give data packet P with the number P + 1
//   --silence P         never answer the SEND of that message
//   --not-processor     report device type 0 to INQUIRY
//   --hostile KIND      broken replies: header-short, header-name,
//                       header-period0, header-bits8, header-channels3,
//                       data-empty, data-overlong, tiny, noise
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tools/sampler_sim/sim_server.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Held {
    int channels = 1;
    unsigned long period = 22675;
    unsigned long length = 0;  // frames
    unsigned long loopStart = 0, loopEnd = 0;
    int loopControl = 0;
    int pitch = 60, fraction = 0;
    std::string name;
    std::vector<int> words;  // signed 16-bit, interleaved
};

struct Options {
    std::string listen, store, log, hostile;
    int target = 0;
    unsigned long packetLength = 65536;
    int connections = -1;
    bool notProcessor = false;
    std::map<std::string, std::map<long, long>> faults;  // kind -> key -> count
    std::map<long, std::pair<int, int>> rejects;         // key -> code, sub-code
} opt;

std::map<long, Held> gHeld;
std::mt19937 gNoise(7);

constexpr long kHeader = -1, kBegin = -2, kNone = -100;

using sim::Log;

bool Take(const char* kind, long key) {
    auto k = opt.faults.find(kind);
    if (k == opt.faults.end()) return false;
    auto p = k->second.find(key);
    if (p == k->second.end() || p->second <= 0) return false;
    --p->second;
    return true;
}

unsigned long Be(const unsigned char* p, int n) {
    unsigned long v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

void Add(Bytes& b, unsigned long v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back((v >> (8 * i)) & 0xFF);
}

Bytes Msg(int id, int sub, const Bytes& data) {
    Bytes b = {'S', 'M', 'D', 'I'};
    Add(b, id, 2);
    Add(b, sub, 2);
    Add(b, data.size(), 3);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes Reject(int code, int sub) {
    Bytes d;
    Add(d, code, 2);
    Add(d, sub, 2);
    return Msg(0x0002, 0, d);
}

Bytes Number(unsigned long n) {
    Bytes d;
    Add(d, n, 3);
    return d;
}

void WriteSample(long number, const Held& s) {
    if (opt.store.empty()) return;
    std::string path = opt.store + "/sample_" + std::to_string(number) + ".txt";
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return;
    std::fprintf(f, "channels %d\nperiod %lu\nlength %lu\nloop %lu %lu %d\npitch %d %d\nname %s\n",
                 s.channels, s.period, s.length, s.loopStart, s.loopEnd, s.loopControl, s.pitch,
                 s.fraction, s.name.c_str());
    for (int w : s.words) std::fprintf(f, "%d\n", w);
    std::fclose(f);
}

// ---- the SMDI side ----

enum State { kIdle, kGotHeader, kTaking, kGaveHeader, kGiving };

struct Session {
    State state = kIdle;
    long number = 0;
    Held taking;
    unsigned long total = 0, packetLength = 0, expected = 0;
    Bytes received;
    Bytes reply;  // the reply to the last SEND (read once)
    int waits = 0;
    bool silent = false;
};

Bytes HeldHeader(long number, const Held& s) {
    Bytes d;
    Add(d, number, 3);
    d.push_back(16);
    d.push_back(s.channels);
    Add(d, opt.hostile == "header-period0" ? 0 : s.period, 3);
    Add(d, s.length, 4);
    Add(d, s.loopStart, 4);
    Add(d, s.loopEnd, 4);
    d.push_back(s.loopControl);
    Add(d, s.pitch, 2);
    Add(d, s.fraction, 2);
    d.push_back(s.name.size());
    d.insert(d.end(), s.name.begin(), s.name.end());
    d.push_back(0);
    if (opt.hostile == "header-bits8") d[3] = 8;
    if (opt.hostile == "header-channels3") d[4] = 3;
    Bytes m = Msg(0x0121, 0, d);
    if (opt.hostile == "header-name") {
        m[36] = 200;  // more name than the message holds
    } else if (opt.hostile == "header-short") {
        m.resize(20);  // the length field still names the whole header
    }
    return m;
}

Bytes DataPacket(const Session& s, unsigned long i) {
    const Held& h = gHeld[s.number];
    unsigned long total = h.words.size() * 2, first = i * s.packetLength;
    Bytes d;
    Add(d, Take("wrong-number", long(i)) ? i + 1 : i, 3);
    for (unsigned long o = first; o < total && o < first + s.packetLength; ++o) {
        unsigned v = unsigned(h.words[o / 2]) & 0xFFFF;
        d.push_back(o % 2 ? v & 0xFF : v >> 8);
    }
    Bytes m = Msg(0x0110, 0, d);
    if (opt.hostile == "data-empty") m = Msg(0x0110, 0, Bytes());
    if (opt.hostile == "data-overlong") {
        m.resize(std::min<size_t>(m.size(), 24));
        m[8] = 0x00, m[9] = 0xFD, m[10] = 0xE8;  // 65000 bytes claimed
    }
    return m;
}

// Takes one SMDI message; sets the reply. `key` is the fault key of the message.
void Handle(Session& s, const Bytes& m, long& key) {
    key = kNone;
    if (m.size() < 11 || std::memcmp(m.data(), "SMDI", 4) != 0) {
        Log("rx garbage %zu", m.size());
        s.reply = Reject(0x0002, 0);
        return;
    }
    int id = int(Be(&m[4], 2)), sub = int(Be(&m[6], 2));
    unsigned long length = Be(&m[8], 3);
    const unsigned char* d = m.data() + 11;
    size_t have = m.size() - 11;
    if (id == 0x0001 && sub == 0) {
        Log("rx identify");
        s.reply = Msg(0x0001, 1, Bytes());
        return;
    }
    if (id == 0x0105) {
        Log("rx abort");
        s.state = kIdle;
        s.reply = Msg(0x0100, 0, Bytes());
        return;
    }
    if (id == 0x0121 && sub == 0) {  // a sample comes
        key = kHeader;
        if (have < 26 || length < 26 || have < length || have - 26 < d[25] ||
            length - 26 != d[25]) {
            Log("rx bad header %zu %lu", have, length);
            s.reply = Reject(0x0002, 0);
            return;
        }
        Held h;
        s.number = long(Be(d, 3));
        int bits = d[3];
        h.channels = d[4];
        h.period = Be(d + 5, 3);
        h.length = Be(d + 8, 4);
        h.loopStart = Be(d + 12, 4);
        h.loopEnd = Be(d + 16, 4);
        h.loopControl = d[20];
        h.pitch = int(Be(d + 21, 2));
        h.fraction = int(Be(d + 23, 2));
        h.name.assign(reinterpret_cast<const char*>(d + 26), d[25]);
        Log("rx header %ld bits=%d channels=%d length=%lu nul=%d", s.number, bits, h.channels,
            h.length, have > 26u + d[25] && d[26 + d[25]] == 0);
        if (opt.rejects.count(kHeader)) {
            s.reply = Reject(opt.rejects[kHeader].first, opt.rejects[kHeader].second);
            return;
        }
        s.taking = h;
        s.total = h.length * (h.channels == 2 ? 2 : 1) * 2;
        s.received.clear();
        s.state = kGotHeader;
        Bytes a = Number(s.number);
        Add(a, opt.packetLength, 3);
        s.reply = Msg(0x0122, 1, a);
        return;
    }
    if (id == 0x0122 && sub == 0 && have >= 6) {
        key = kBegin;
        long n = long(Be(d, 3));
        unsigned long asked = Be(d + 3, 3);
        Log("rx begin %ld %lu", n, asked);
        if (opt.rejects.count(kBegin)) {
            s.reply = Reject(opt.rejects[kBegin].first, opt.rejects[kBegin].second);
            return;
        }
        if (s.state == kGotHeader && n == s.number && asked > 0) {
            s.packetLength = asked;
            s.expected = 0;
            s.state = kTaking;
            s.reply = Msg(0x0103, 0, Number(0));
            return;
        }
        if (s.state == kGaveHeader && n == s.number) {
            s.packetLength = opt.packetLength;
            s.state = kGiving;
            Bytes a = Number(n);
            Add(a, opt.packetLength, 3);
            s.reply = Msg(0x0122, 1, a);
            return;
        }
        s.reply = Reject(0x0002, 0);
        return;
    }
    if (id == 0x0110 && sub == 0 && have >= 3 && length >= 3) {
        unsigned long i = Be(d, 3);
        key = long(i);
        size_t count = std::min<size_t>(have, length) - 3;
        Log("rx data %lu bytes=%zu", i, count);
        if (opt.rejects.count(key)) {
            s.reply = Reject(opt.rejects[key].first, opt.rejects[key].second);
            return;
        }
        if (s.state != kTaking || i != s.expected) {
            s.reply = Reject(0x0002, 0);
            return;
        }
        unsigned long left = s.total - s.received.size();
        if (count != std::min<unsigned long>(left, s.packetLength)) Log("rx bad length %zu", count);
        s.received.insert(s.received.end(), d + 3, d + 3 + std::min<size_t>(count, left));
        ++s.expected;
        if (s.received.size() >= s.total) {
            Held& h = s.taking;
            for (size_t o = 0; o + 1 < s.received.size(); o += 2)
                h.words.push_back(int(short((s.received[o] << 8) | s.received[o + 1])));
            gHeld[s.number] = h;
            WriteSample(s.number, h);
            Log("tx end");
            s.state = kIdle;
            s.reply = Msg(0x0104, 0, Bytes());
        } else {
            s.reply = Msg(0x0103, 0, Number(s.expected));
        }
        return;
    }
    if (id == 0x0120 && sub == 0 && have >= 3) {
        key = kHeader;
        long n = long(Be(d, 3));
        Log("rx request %ld", n);
        if (opt.rejects.count(kHeader)) {
            s.reply = Reject(opt.rejects[kHeader].first, opt.rejects[kHeader].second);
            return;
        }
        if (!gHeld.count(n)) {
            s.reply = Reject(0x0020, 0x0002);
            return;
        }
        s.number = n;
        s.state = kGaveHeader;
        s.reply = HeldHeader(n, gHeld[n]);
        return;
    }
    if (id == 0x0103 && sub == 0 && have >= 3) {
        unsigned long i = Be(d, 3);
        key = long(i);
        Log("rx next %lu", i);
        if (opt.rejects.count(key)) {
            s.reply = Reject(opt.rejects[key].first, opt.rejects[key].second);
            return;
        }
        if (s.state != kGiving) {
            s.reply = Reject(0x0002, 0);
            return;
        }
        s.reply = DataPacket(s, i);
        return;
    }
    Log("rx other %04x %04x", id, sub);
    s.reply = Reject(0x0002, 0);
}

// ---- the SCSI side ----

bool ReadAll(int fd, unsigned char* p, size_t n) {
    while (n > 0) {
        ssize_t got = ::read(fd, p, n);
        if (got <= 0) return false;
        p += got;
        n -= size_t(got);
    }
    return true;
}

bool WriteAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        ssize_t put = ::send(fd, p, n, MSG_NOSIGNAL);
        if (put <= 0) return false;
        p += put;
        n -= size_t(put);
    }
    return true;
}

bool Respond(int fd, int host, int status, const Bytes& data, unsigned long allocation) {
    Bytes r = {'S', 'C', 'S', 'R', (unsigned char)host, (unsigned char)status, 0, 0};
    Bytes sense;
    if (status == 2) sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0};
    r[6] = sense.size();
    size_t n = std::min<size_t>(data.size(), allocation);
    Add(r, n, 4);
    r.insert(r.end(), sense.begin(), sense.end());
    r.insert(r.end(), data.begin(), data.begin() + n);
    return WriteAll(fd, r.data(), r.size());
}

Bytes Noise() {
    Bytes b(gNoise() % 40);
    for (auto& x : b) x = gNoise() & 0xFF;
    if (gNoise() % 2 && b.size() >= 11) std::memcpy(b.data(), "SMDI", 4);
    return b;
}

void Serve(int fd) {
    Session s;
    for (;;) {
        unsigned char head[20];
        if (!ReadAll(fd, head, sizeof head)) return;
        if (std::memcmp(head, "SCSQ", 4) != 0) return;
        int target = head[4], lun = head[5], n = head[6], direction = head[7];
        unsigned long d = Be(head + 8, 4), a = Be(head + 12, 4);
        if (n < 6 || n > 16 || d > (1u << 20) || a > (1u << 20)) return;
        Bytes cdb(n), out(d);
        if (!ReadAll(fd, cdb.data(), n) || (d && !ReadAll(fd, out.data(), d))) return;
        if (s.silent) continue;  // never answers again
        if (target != opt.target || lun != 0) {
            if (!Respond(fd, 1, 0, Bytes(), a)) return;
            continue;
        }
        bool ok = true;
        switch (cdb[0]) {
            case 0x00:
                ok = Respond(fd, 0, 0, Bytes(), a);
                break;
            case 0x12: {
                Bytes q = {(unsigned char)(opt.notProcessor ? 0 : 3), 0, 2, 2, 0x1F, 0, 0, 0};
                const char* text = "SIMULATESMDI SAMPLER    1.0 ";
                q.insert(q.end(), text, text + 28);
                q.resize(std::min<size_t>(q.size(), cdb[4]));
                ok = Respond(fd, 0, 0, q, a);
                break;
            }
            case 0x0A: {
                if (direction != 1 || Be(&cdb[2], 3) != d) {
                    ok = Respond(fd, 0, 2, Bytes(), a);
                    break;
                }
                // The fault key of the message before it is taken.
                long key = kNone;
                if (out.size() >= 14 && std::memcmp(out.data(), "SMDI", 4) == 0) {
                    int id = int(Be(&out[4], 2));
                    if (id == 0x0121 || id == 0x0120) key = kHeader;
                    if (id == 0x0122) key = kBegin;
                    if (id == 0x0110 || id == 0x0103) key = long(Be(&out[11], 3));
                }
                if (key != kNone && Take("busy", key)) {
                    Log("tx busy");
                    ok = Respond(fd, 0, 8, Bytes(), a);
                    break;
                }
                if (key != kNone && Take("silence", key)) {
                    Log("silent");
                    s.silent = true;
                    break;
                }
                Handle(s, out, key);
                s.waits = 0;
                while (key != kNone && Take("wait", key)) ++s.waits;
                if (opt.hostile == "tiny") s.reply = {'S', 'M', 'D', 'I', 1};
                if (opt.hostile == "noise" && key != kNone) s.reply = Noise();
                ok = Respond(fd, 0, 0, Bytes(), a);
                break;
            }
            case 0x08: {
                unsigned long l = Be(&cdb[2], 3);
                Bytes r;
                if (s.waits > 0) {
                    --s.waits;
                    Log("tx wait");
                    r = Msg(0x0102, 0, Bytes());
                } else {
                    r.swap(s.reply);
                    s.reply.clear();
                }
                if (r.size() > l) r.resize(l);
                ok = Respond(fd, 0, 0, r, a);
                break;
            }
            default:
                ok = Respond(fd, 0, 2, Bytes(), a);
        }
        if (!ok) return;
    }
}

bool ParseTone(const char* text) {
    long n = 0;
    unsigned long len = 0, rate = 0, ls = 0, le = 0;
    int ch = 1, lc = 0, pitch = 60, fraction = 0;
    int got = std::sscanf(text, "%ld:%lu:%lu:%d:%lu:%lu:%d:%d:%d", &n, &len, &rate, &ch, &ls, &le,
                          &lc, &pitch, &fraction);
    if (got < 4 || len == 0 || rate == 0 || ch < 1 || ch > 2) return false;
    Held h;
    h.channels = ch;
    h.period = 1000000000ul / rate;
    h.length = len;
    h.loopStart = got >= 7 ? ls : 0;
    h.loopEnd = got >= 7 ? le : len - 1;
    h.loopControl = got >= 7 ? lc : 0;
    h.pitch = pitch;
    h.fraction = fraction;
    h.name = "tone " + std::to_string(n);
    std::mt19937 g(unsigned(n * 7 + 1));
    for (unsigned long k = 0; k < len * ch; ++k) h.words.push_back(int(g() % 65536) - 32768);
    gHeld[n] = h;
    WriteSample(n, h);
    return true;
}

long FaultKey(const std::string& p) {
    if (p == "h") return kHeader;
    if (p == "b") return kBegin;
    return std::atol(p.c_str());
}

}  // namespace

int RunSmdiTarget(int argc, char** argv) {
    std::vector<std::string> tones;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--not-processor") {
            opt.notProcessor = true;
            continue;
        }
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) {
            std::fprintf(stderr, "orbick-sampler-sim: %s needs a value\n", a.c_str());
            return 2;
        }
        ++i;
        std::string value = v;
        std::string first = value.substr(0, value.find(':'));
        long count = value.find(':') == std::string::npos
                         ? 1
                         : std::atol(value.c_str() + value.find(':') + 1);
        if (a == "--listen")
            opt.listen = value;
        else if (a == "--store")
            opt.store = value;
        else if (a == "--log")
            opt.log = value;
        else if (a == "--target")
            opt.target = std::atoi(v);
        else if (a == "--packet-length")
            opt.packetLength = std::strtoul(v, nullptr, 10) & 0xFFFFFF;
        else if (a == "--connections")
            opt.connections = std::atoi(v);
        else if (a == "--tone")
            tones.push_back(value);
        else if (a == "--hostile")
            opt.hostile = value;
        else if (a == "--busy" || a == "--wait")
            opt.faults[a.substr(2)][FaultKey(first)] += count;
        else if (a == "--wrong-number" || a == "--silence")
            opt.faults[a.substr(2)][FaultKey(value)] += 1;
        else if (a == "--reject") {
            int code = 0, sub = 0;
            size_t colon = value.find(':');
            if (colon == std::string::npos ||
                std::sscanf(value.c_str() + colon + 1, "%i:%i", &code, &sub) != 2) {
                std::fprintf(stderr, "orbick-sampler-sim: bad --reject %s\n", v);
                return 2;
            }
            opt.rejects[FaultKey(first)] = {code, sub};
        } else {
            std::fprintf(stderr, "orbick-sampler-sim: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (opt.listen.empty()) {
        std::fputs("usage: orbick-sampler-sim --smdi --listen PATH [options]\n", stderr);
        return 2;
    }
    sim::OpenLog(opt.log);
    for (const std::string& t : tones)
        if (!ParseTone(t.c_str())) {
            std::fprintf(stderr, "orbick-sampler-sim: bad --tone %s\n", t.c_str());
            return 2;
        }
    return sim::ServeSocket(opt.listen, opt.connections, Serve);
}
