// The simulated Korg DSS-1 and DSM-1: device inquiry and mode, a fixed
// multisound list (two multisounds in every bank), their parameters, and a
// PCM memory that dumps write into and data requests read from. What it
// takes is written to the store folder: korg_pcm.txt ("address value" for
// every sample taken, value = the 16-bit word - 32768), korg_params.txt and
// korg_name.txt (the messages in hex); what it gives to korg_given.txt.
//
// Faults (index = data block, h = the handshake or the parameter dump):
//   --nak B:N / --nak h:N   NAK the dump of block B, or the parameter dump, N times
//   --bad-checksum B:N      answer the request for block B with a bad checksum N times
//   --truncate B            answer the request for block B cut short once
//   --foreign B / h         a foreign message instead of the answer; h: the
//                           inquiry answered as the other model
//   --silence B / h         stop answering at block B, or at the inquiry
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "sim_target.h"

namespace sim {

namespace {

struct SoundDef {
    int high, root;
    long start, length, loopStart, loopLength;
    int rate;
};
struct MultisoundDef {
    std::string name;  // 8 characters
    long length;
    long address;  // DSM-1
    bool loop;
    std::vector<SoundDef> sounds;
};

class KorgModel {
  public:
    KorgModel(SimIo& io, bool dsm1) : io_(io), dsm1_(dsm1), id_(dsm1 ? 0x15 : 0x0B) {
        memory_.assign(1u << 21, 0);
        for (size_t a = 0; a < memory_.size(); ++a) {
            long v = std::lround(2000.0 * std::sin(double(a) * 0.05));
            memory_[a] = (unsigned(v + 2048) & 0xFFF) << 4;
        }
        list_ = {{"STRINGS ",
                  6000,
                  0,
                  true,
                  {{96, 60, 0, 3000, 1000, 500, 0}, {100, 72, 3000, 3000, 1000, 800, 1}}},
                 {"CHOIR   ", 4000, 6000, false, {{127, 60, 0, 4000, 0, 0, 2}}}};
        if (!io_.store.empty()) {
            for (const char* f : {"korg_pcm.txt", "korg_given.txt"})
                if (FILE* out = std::fopen((io_.store + "/" + f).c_str(), "w")) std::fclose(out);
        }
    }
    void Run();

  private:
    // ---- numbers ----
    void Number(Bytes& m, long v) const {
        if (dsm1_) {
            m.push_back(v & 0x7F);
            m.push_back((v >> 7) & 0x7F);
            m.push_back((v >> 14) & 0x7F);
            return;
        }
        m.push_back((v & 0xFF) >> 1);
        m.push_back((v & 1) ? 0x40 : 0);
        m.push_back((v >> 9) & 0x7F);
        m.push_back((v & 0x100) ? 0x40 : 0);
        m.push_back((v >> 17) & 3);
        m.push_back((v & 0x10000) ? 0x40 : 0);
    }
    long ReadNumber(const Bytes& m, size_t at) const {
        if (dsm1_) return m[at] + 128L * m[at + 1] + 16384L * m[at + 2];
        return 2L * m[at] + (m[at + 1] ? 1 : 0) + 512L * m[at + 2] + (m[at + 3] ? 256 : 0) +
               (m[at + 5] ? 65536 : 0) + 131072L * m[at + 4];
    }
    static unsigned char Sum(const Bytes& m, size_t from, size_t end) {
        unsigned s = 0;
        for (size_t i = from; i < end; ++i) s += m[i];
        return s & 0x7F;
    }
    Bytes Head(int f) const {
        return {0xF0, 0x42, (unsigned char)(0x30 | channel_), id_, (unsigned char)f};
    }
    Bytes Short(int f) const {
        Bytes m = Head(f);
        m.push_back(0xF7);
        return m;
    }
    void Log(const std::string& s) { io_.log(s); }
    void Send(const Bytes& m) { io_.send(m); }
    void Answer(const Bytes& m, long block) {
        if (io_.fault("foreign", block)) {
            Log("tx foreign");
            Send({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
            return;
        }
        Send(m);
    }
    void WriteHex(const char* file, const Bytes& m) {
        if (io_.store.empty()) return;
        FILE* f = std::fopen((io_.store + "/" + file).c_str(), "w");
        if (!f) return;
        for (unsigned char b : m) std::fprintf(f, "%02X ", b);
        std::fputc('\n', f);
        std::fclose(f);
    }
    void Append(const char* file, long address, long value) {
        if (io_.store.empty()) return;
        if (FILE* f = std::fopen((io_.store + "/" + file).c_str(), "a")) {
            std::fprintf(f, "%ld %ld\n", address, value);
            std::fclose(f);
        }
    }

    Bytes ListReply(int bank) const;
    Bytes ParamReply(int multisound) const;
    void TakeDump(const Bytes& m);
    void GiveData(const Bytes& m);
    void TakeParams(const Bytes& m);

    SimIo& io_;
    bool dsm1_;
    unsigned char id_;
    int channel_ = 0;
    std::vector<unsigned> memory_;  // 16-bit words
    std::vector<MultisoundDef> list_;
    std::map<int, Bytes> taken_params_;  // parameter dumps taken, by multisound byte
    long dumpBlock_ = 0, dumpNaks_ = 0;
    long requestBlock_ = -1, lastRequest_ = -1;
};

Bytes KorgModel::ListReply(int bank) const {
    Bytes m = Head(0x45);
    if (dsm1_) m.push_back((unsigned char)bank);
    m.push_back((unsigned char)list_.size());
    for (size_t k = 0; k < list_.size(); ++k) {
        // 14 bytes an entry: the name, then the length (DSS-1), or the
        // length and the address (DSM-1) at 14k + 1 and 14k + 4.
        Bytes entry(list_[k].name.begin(), list_[k].name.end());
        if (dsm1_) {
            Number(entry, list_[k].length);
            Number(entry, list_[k].address);
        } else {
            Number(entry, list_[k].length);
        }
        entry.resize(14, 0);
        m.insert(m.end(), entry.begin(), entry.end());
    }
    m.push_back(Sum(m, 5, m.size()));
    m.push_back(0xF7);
    return m;
}

Bytes KorgModel::ParamReply(int mm) const {
    auto taken = taken_params_.find(mm);
    if (taken != taken_params_.end()) {
        Bytes m = taken->second;
        m[2] = (unsigned char)(0x30 | channel_);
        return m;
    }
    int index = dsm1_ ? (mm & 0x0F) : mm;
    Bytes m = Head(0x44);
    m.push_back((unsigned char)mm);
    const MultisoundDef* ms = index < int(list_.size()) ? &list_[size_t(index)] : nullptr;
    size_t sounds = ms ? ms->sounds.size() : 0;
    m.resize((dsm1_ ? 19 : 22) + (dsm1_ ? 18 : 36) * sounds, 0);
    std::string name = ms ? ms->name : "        ";
    for (size_t i = 0; i < 8; ++i) m[6 + i] = (unsigned char)name[i];
    auto put = [&](size_t at, long v) {
        Bytes b;
        Number(b, v);
        for (size_t i = 0; i < b.size(); ++i) m[at + i] = b[i];
    };
    if (dsm1_) {
        m[17] = (unsigned char)sounds;
        for (size_t s = 0; s < sounds; ++s) {
            const SoundDef& d = ms->sounds[s];
            size_t e = 18 * s;
            m[e + 19] = (unsigned char)d.high;
            m[e + 20] = (unsigned char)d.root;
            put(e + 24, d.length);
            put(e + 27, d.start);
            put(e + 30, d.loopStart + d.start);
            put(e + 33, d.loopLength);
            m[e + 36] = (unsigned char)d.rate;
        }
    } else if (ms) {
        m[20] = (unsigned char)(sounds | (ms->loop ? 0x40 : 0));
        for (size_t s = 0; s < sounds; ++s) {
            const SoundDef& d = ms->sounds[s];
            size_t e = 36 * s;
            m[e + 22] = (unsigned char)d.high;
            m[e + 23] = (unsigned char)d.root;
            put(e + 33, d.start);
            put(e + 39, d.length);
            put(e + 45, d.loopStart + d.start);
            put(e + 51, d.loopLength);
            m[e + 57] = (unsigned char)d.rate;
        }
    }
    m.push_back(Sum(m, 5, m.size()));
    m.push_back(0xF7);
    return m;
}

void KorgModel::TakeDump(const Bytes& m) {
    const size_t at = dsm1_ ? 6 : 5;
    const size_t header = dsm1_ ? 12 : 17;
    long start = m.size() > header ? ReadNumber(m, at) : 0;
    long end = m.size() > header ? ReadNumber(m, at + size_t(dsm1_ ? 3 : 6)) : 0;
    long count = end - start;
    bool ok = m.size() > header + 2 && count > 0 && m.size() == header + 2 * size_t(count) + 2 &&
              Sum(m, 5, m.size() - 2) == m[m.size() - 2] && end <= long(memory_.size());
    char line[120];
    std::snprintf(line, sizeof line, "rx pcm block %ld start=%ld end=%ld %s", dumpBlock_, start,
                  end, ok ? "ok" : "bad");
    Log(line);
    if (!ok || io_.fault("nak", dumpBlock_)) {
        Log("tx NAK");
        Answer(Short(0x24), dumpBlock_);
        return;
    }
    for (long i = 0; i < count; ++i) {
        unsigned u = (unsigned(m[header + 2 * size_t(i) + 1]) << 9) |
                     (unsigned(m[header + 2 * size_t(i)]) << 2);
        memory_[size_t(start + i)] = u;
        Append("korg_pcm.txt", start + i, long(u) - 32768);
    }
    if (io_.silent(dumpBlock_)) {
        Log("silent");
        return;
    }
    Log("tx ACK");
    Answer(Short(0x23), dumpBlock_);
    ++dumpBlock_;
}

void KorgModel::GiveData(const Bytes& m) {
    const size_t at = dsm1_ ? 6 : 5;
    if (m.size() < at + size_t(dsm1_ ? 6 : 12) + 1) return;
    long start = ReadNumber(m, at);
    long end = ReadNumber(m, at + size_t(dsm1_ ? 3 : 6));
    if (start != lastRequest_) ++requestBlock_;
    lastRequest_ = start;
    long block = requestBlock_;
    char line[120];
    std::snprintf(line, sizeof line, "rx pcm request block %ld start=%ld end=%ld", block, start,
                  end);
    Log(line);
    if (io_.silent(block)) {
        Log("silent");
        return;
    }
    if (end < start || end > long(memory_.size()) || end - start > 5000) end = start;
    Bytes r = Head(0x43);
    if (dsm1_) r.push_back(m[5]);
    Number(r, start);
    Number(r, end);
    for (long a = start; a < end; ++a) {
        unsigned u = memory_[size_t(a)];
        r.push_back((u >> 2) & 0x7C);
        r.push_back(u >> 9);
        Append("korg_given.txt", a, long(u) - 32768);
    }
    r.push_back(Sum(r, 5, r.size()));
    r.push_back(0xF7);
    if (io_.fault("bad-checksum", block)) {
        Log("tx data bad checksum");
        r[r.size() - 2] ^= 0x21;
    } else if (io_.fault("truncate", block)) {
        Log("tx data truncated");
        r.resize(r.size() / 2);
        r.push_back(0xF7);
    }
    Answer(r, block);
}

void KorgModel::TakeParams(const Bytes& m) {
    bool ok = m.size() > 8 && Sum(m, 5, m.size() - 2) == m[m.size() - 2];
    Log(std::string("rx parameters ") + (ok ? "ok" : "bad"));
    if (!ok || io_.fault("nak", -1)) {
        Log("tx NAK");
        Send(Short(0x24));
        return;
    }
    WriteHex("korg_params.txt", m);
    taken_params_[m[5]] = m;
    Log("tx ACK");
    Send(Short(0x23));
}

void KorgModel::Run() {
    Bytes m;
    while (io_.next(m, -1)) {
        if (m.size() == 4 && m[1] == 0x42 && (m[2] & 0xF0) == 0x40) {
            channel_ = m[2] & 0x0F;
            Log("rx inquiry");
            if (io_.silent(-1)) {
                Log("silent");
                continue;
            }
            Bytes r = {0xF0, 0x42, (unsigned char)(0x30 | channel_), id_, 0xF7};
            if (io_.fault("foreign", -1)) r[3] = dsm1_ ? 0x0B : 0x15;
            Send(r);
            continue;
        }
        if (m.size() < 6 || m[1] != 0x42 || m[3] != id_) {
            Log("rx other");
            continue;
        }
        channel_ = m[2] & 0x0F;
        char line[80];
        std::snprintf(line, sizeof line, "rx function %02X (%zu bytes)", m[4], m.size());
        Log(line);
        switch (m[4]) {
            case 0x13:
                break;
            case 0x12: {
                Bytes r = Head(0x12);
                r.push_back(0);
                r.push_back(0xF7);
                Send(r);
                break;
            }
            case 0x42:
                Send(Short(0x23));
                break;
            case 0x16:
                Send(ListReply(dsm1_ ? m[5] : 0));
                break;
            case 0x15:
                Send(ParamReply(m[5]));
                break;
            case 0x14:
                GiveData(m);
                break;
            case 0x43:
                TakeDump(m);
                break;
            case 0x44:
                TakeParams(m);
                break;
            case 0x45:
                WriteHex("korg_name.txt", m);
                Send(Short(0x23));
                break;
            case 0x41:
                break;
            case 0x11:
                Send(Short(0x23));
                break;
        }
    }
}

}  // namespace

void RunKorgTarget(SimIo& io, bool dsm1) {
    KorgModel model(io, dsm1);
    model.Run();
}

}  // namespace sim
