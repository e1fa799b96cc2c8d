// The simulated Ensoniq sampler: answers commands with responses, gives and
// takes parameter blocks and wave data, and misbehaves on request (Wait and
// error responses, foreign or cut-short messages, silence). Written from the
// wire layout on its own; it shares no code with the editor.
#include "tools/sampler_sim/ensoniq_target.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

namespace sim {

namespace {

constexpr size_t kBlockBytes = 422;
constexpr int kAnswerTimeoutMs = 5000;
constexpr long kHeaderIndex = -1;  // "h": the parameter request

struct Wavesample {
    Bytes block;
    std::vector<int> memory;  // signed 16-bit words by address
};
using Key = std::tuple<int, int, int>;  // wire instrument, layer, wavesample

std::map<Key, Wavesample> gWaves;
std::map<long, int> gErrors;  // index -> response code, used once
bool gCopy = false;
std::string gStore;
std::vector<std::string> gTones;

// ---- the wire layout ----
void PutWord(Bytes& b, size_t at, unsigned v) {
    b[at] = (v >> 12) & 0x0F;
    b[at + 1] = (v >> 6) & 0x3F;
    b[at + 2] = v & 0x3F;
}
unsigned GetWord(const Bytes& b, size_t at) {
    return (unsigned(b[at]) << 12) + (unsigned(b[at + 1]) << 6) + b[at + 2];
}
// 23-bit address in nine bytes, three words holding bits 22..13, 14..5 and
// 6..0 at their tops.
void PutAddress(Bytes& b, size_t at, unsigned v) {
    PutWord(b, at, ((v >> 13) & 0x3FF) << 6);
    PutWord(b, at + 3, ((v >> 5) & 0x3FF) << 6);
    PutWord(b, at + 6, (v & 0x7F) << 9);
    b[at + 2] = b[at + 5] = b[at + 8] = 0;
}
unsigned GetAddress(const Bytes& b, size_t at) {
    unsigned high = GetWord(b, at) >> 6, middle = GetWord(b, at + 3) >> 6;
    unsigned low = GetWord(b, at + 6) >> 6;
    return (high << 13) | (middle << 5) | (low >> 3);
}
unsigned Get24(const Bytes& b, size_t at) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 6) | (b[at + size_t(i)] & 0x3F);
    return v;
}
unsigned Field8(const Bytes& b, size_t at) {
    return GetWord(b, at) >> 8;
}

Bytes Response(int cc, int code) {
    return {0xF0, 0x0F, 0x03, (unsigned char)cc, 0x01, 0x00, (unsigned char)code, 0xF7};
}

Bytes NewBlock(int cc) {
    Bytes b(kBlockBytes, 0);
    b[0] = 0xF0;
    b[1] = 0x0F;
    b[2] = 0x03;
    b[3] = (unsigned char)cc;
    b[kBlockBytes - 1] = 0xF7;
    // Bytes the editor must give back untouched.
    for (size_t i = 100; i < 240; ++i) b[i] = (unsigned char)((i * 5) & 0x3F);
    const char* name = "SIM TONE    ";
    for (size_t i = 0; i < 12; ++i) PutWord(b, 4 + 3 * i, unsigned((unsigned char)name[i]) << 8);
    PutWord(b, 244, 60u << 8);
    PutWord(b, 400, 0);
    PutWord(b, 403, 127u << 8);
    return b;
}

void WriteStore(const Key& key, const Wavesample& w) {
    if (gStore.empty()) return;
    char path[600];
    std::snprintf(path, sizeof path, "%s/eps_%d_%d_%d.txt", gStore.c_str(), std::get<0>(key),
                  std::get<1>(key), std::get<2>(key));
    FILE* f = std::fopen(path, "w");
    if (!f) return;
    const Bytes& b = w.block;
    std::string name;
    for (size_t i = 0; i < 12; ++i) name += char(Field8(b, 4 + 3 * i));
    unsigned start = GetAddress(b, 349), end = GetAddress(b, 361);
    std::fprintf(f, "name %s\nrate %u\nstart %u\nend %u\nloopstart %u\nloopend %u\nloopmode %u\n",
                 name.c_str(), Field8(b, 397), start, end, GetAddress(b, 373), GetAddress(b, 385),
                 (b[347] >> 2) & 15);
    std::fprintf(f, "root %u\nlow %u\nhigh %u\ncopy %u\n", Field8(b, 244), Field8(b, 400),
                 Field8(b, 403), unsigned(b[40] | b[41] | b[42] | b[43] | b[44] | b[45]));
    for (unsigned a = start; a < end && a < w.memory.size(); ++a)
        std::fprintf(f, "%d\n", w.memory[a]);
    std::fclose(f);
}

class Session {
  public:
    explicit Session(Link& link) : link_(link) {}

    void Handle(const Bytes& m) {
        if (m.size() < 6 || m[0] != 0xF0 || m[1] != 0x0F || m[2] != 0x03 || m.back() != 0xF7) {
            Log("rx other (%zu bytes)", m.size());
            return;
        }
        cc_ = m[3];
        int command = m[4];
        if (m.size() == 8 && command == 0x40) {
            Log("rx mode %d", m[6]);
            Send(Response(cc_, 0));
        } else if (m.size() == 8 && command == 0x01) {
            Log("rx response %d", m[6]);
        } else if (m.size() == 12 || m.size() == 20) {
            Key key{m[6], m[8], m[9] * 64 + m[10]};
            if (m.size() == 12) {
                Log("rx command %d %d %d %d", command, m[6], m[8], std::get<2>(key));
                Command(command, key, m);
            } else {
                unsigned start = Get24(m, 11), end = Get24(m, 15);
                Log("rx range %d %d %d %d %u %u", command, m[6], m[8], std::get<2>(key), start,
                    end);
                Range(command, key, m, start, end);
            }
        } else {
            Log("rx unexpected (%zu bytes)", m.size());
        }
    }

  private:
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[300];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        if (link_.log) link_.log(line);
    }
    void Send(const Bytes& m) { link_.send(m); }

    // The editor's acknowledgement of something sent; false when it did not come.
    bool AwaitAck() {
        Bytes m;
        if (!link_.next(m, kAnswerTimeoutMs)) {
            Log("no acknowledgement");
            return false;
        }
        bool ok = m.size() == 8 && m[4] == 0x01 && m[6] == 0;
        Log(ok ? "rx response 0" : "rx bad acknowledgement (%zu bytes)", m.size());
        return ok;
    }

    // The faults for the command of `index`; true when they replaced the answer.
    bool Misbehave(long index) {
        if (link_.silent && link_.silent(index)) {
            Log("silent at %ld", index);
            return true;
        }
        while (link_.fault && link_.fault("wait", index)) {
            Log("tx response 1");
            Send(Response(cc_, 1));
            if (!AwaitAck()) return true;
        }
        auto e = gErrors.find(index);
        if (e != gErrors.end()) {
            Log("tx response %d", e->second);
            Send(Response(cc_, e->second));
            gErrors.erase(e);
            return true;
        }
        if (link_.fault && link_.fault("foreign", index)) {
            Log("tx foreign");
            Send({0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7});
            return true;
        }
        return false;
    }

    void Command(int command, const Key& key, const Bytes& m) {
        if (command == 21 || command == 22 || command == 25) {
            Wavesample& w = gWaves[key];
            if (w.block.empty()) w.block = NewBlock(cc_);
            Log("created %d", command);
            Send(Response(cc_, 0));
            return;
        }
        if (command == 5) {
            if (Misbehave(kHeaderIndex)) return;
            auto found = gWaves.find(key);
            if (found == gWaves.end()) {
                Send(Response(cc_, 8));  // invalid wavesample number
                return;
            }
            Send(Response(cc_, 0));
            Bytes header = m;
            header[4] = 14;
            Send(header);
            if (!AwaitAck()) return;
            Bytes block = found->second.block;
            block[3] = (unsigned char)cc_;
            if (gCopy) block[41] = 4;
            if (link_.fault && link_.fault("truncate", kHeaderIndex)) {
                block.resize(200);
                block.push_back(0xF7);
                Log("tx parameters cut short");
            } else {
                Log("tx parameters");
            }
            Send(block);
            return;
        }
        if (command == 14) {
            Send(Response(cc_, 0));
            Bytes block;
            if (!link_.next(block, kAnswerTimeoutMs) || block.size() != kBlockBytes) {
                Log("no parameter block");
                return;
            }
            Wavesample& w = gWaves[key];
            w.block = block;
            Log("took parameters");
            WriteStore(key, w);  // stored before the answer ends the editor's transfer
            Send(Response(cc_, 0));
            return;
        }
        Send(Response(cc_, 23));  // not acknowledged
    }

    void Range(int command, const Key& key, const Bytes& m, unsigned start, unsigned end) {
        auto found = gWaves.find(key);
        if (found == gWaves.end() || end < start || end > 0x800000) {
            Send(Response(cc_, 10));  // invalid wave data range
            return;
        }
        Wavesample& w = found->second;
        unsigned waveStart = GetAddress(w.block, 349);
        long index = long((start - std::min(start, waveStart)) / 1000);
        if (Misbehave(index)) return;
        if (w.memory.size() < end + 1) w.memory.resize(end + 1, 0);
        if (command == 15) {
            Send(Response(cc_, 0));
            Bytes data;
            if (!link_.next(data, kAnswerTimeoutMs) || data.size() != (end - start + 1) * 3 + 5) {
                Log("no wave data");
                return;
            }
            for (unsigned i = 0; start + i <= end; ++i) {
                unsigned v = (unsigned(data[4 + 3 * i]) << 12) | (unsigned(data[5 + 3 * i]) << 6) |
                             data[6 + 3 * i];
                w.memory[start + i] = v >= 32768 ? int(v) - 65536 : int(v);
            }
            Log("took block %ld", index);
            WriteStore(key, w);
            Send(Response(cc_, 0));
            return;
        }
        if (command == 6) {
            Send(Response(cc_, 0));
            Bytes header = m;
            header[4] = 15;
            Send(header);
            if (!AwaitAck()) return;
            unsigned count = end - start;
            if (link_.fault && link_.fault("truncate", index)) {
                count /= 2;
                Log("tx block %ld cut short", index);
            } else {
                Log("tx block %ld", index);
            }
            Bytes data{0xF0, 0x0F, 0x03, (unsigned char)cc_};
            for (unsigned i = 0; i < count; ++i) {
                unsigned v = unsigned(w.memory[start + i]) & 0xFFFF;
                data.push_back((v >> 12) & 0x0F);
                data.push_back((v >> 6) & 0x3F);
                data.push_back(v & 0x3F);
            }
            data.push_back(0xF7);
            Send(data);
            return;
        }
        Send(Response(cc_, 23));
    }

    Link& link_;
    int cc_ = 0;
};

bool ParseTone(const char* value) {
    long i, l, wn, len, rate, ls = -1, le = -1, mode = 0, start = 0;
    int got = std::sscanf(value, "%ld:%ld:%ld:%ld:%ld:%ld:%ld:%ld:%ld", &i, &l, &wn, &len, &rate,
                          &ls, &le, &mode, &start);
    if (got < 5 || i < 1 || i > 8 || l < 1 || l > 8 || wn < 1 || wn > 127 || len <= 0 || rate < 0 ||
        rate > 255 || start < 0 || start + len > 0x7FFFFF)
        return false;
    Wavesample w;
    w.block = NewBlock(0);
    PutAddress(w.block, 349, unsigned(start));
    PutAddress(w.block, 361, unsigned(start + len));
    if (got >= 8) {
        PutAddress(w.block, 373, unsigned(start + ls));
        PutAddress(w.block, 385, unsigned(start + le));
        w.block[347] = (unsigned char)((mode & 15) << 2);
    }
    PutWord(w.block, 397, unsigned(rate) << 8);
    w.memory.assign(size_t(start + len), 0);
    for (long n = 0; n < len; ++n) {
        double x = std::sin(2 * M_PI * double(n) / 29.0) * std::exp(-double(n) / double(len));
        int v = int(std::lround(x * 32000.0));
        if (n == 0) v = -32768;
        if (n == 1) v = 32767;
        w.memory[size_t(start + n)] = v;
    }
    Key key{int(i - 1), int(l - 1), int(wn)};
    gWaves[key] = w;
    WriteStore(key, gWaves[key]);
    return true;
}

}  // namespace

bool EnsoniqOption(const std::string& name, const char* value) {
    if (name == "--eps-tone") {
        gTones.push_back(value);
        return true;
    }
    if (name == "--eps-error") {
        std::string v = value;
        size_t colon = v.find(':');
        long index = v.substr(0, colon) == "h" ? kHeaderIndex : std::strtol(v.c_str(), nullptr, 10);
        int code = colon == std::string::npos ? 12 : std::atoi(v.c_str() + colon + 1);
        gErrors[index] = code;
        return true;
    }
    if (name == "--eps-copy") {
        gCopy = std::atoi(value) != 0;
        return true;
    }
    return false;
}

bool EnsoniqStart(const std::string& store, std::string& error) {
    gStore = store;
    for (const std::string& t : gTones)
        if (!ParseTone(t.c_str())) {
            error = "bad --eps-tone " + t;
            return false;
        }
    return true;
}

void EnsoniqSession(Link& link, const Bytes& first) {
    Session session(link);
    Bytes m = first;
    do {
        session.Handle(m);
    } while (link.next(m, -1));
}

}  // namespace sim
