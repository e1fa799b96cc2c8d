// The simulated Akai S612: 126 blocks of 256 14-bit samples. A send asks for
// each block (answered 4D) and sends its data (answered 4D); when block 125
// has arrived the memory is written to s612_sample.txt in the store folder
// (one signed 16-bit value a line: the 14-bit word shifted up, minus 32768).
// A receive asks for the parameters (41 41), confirms (4D 41) and asks for
// each block (41 21, then 42 21); what it gives goes to s612_given.txt.
//
// Faults (index = block):
//   --foreign B     a foreign message instead of the answer for block B
//   --truncate B    block B's data cut short once
//   --no-more B     answer the request for block B with 4E (no more data)
//   --silence B     stop answering at block B (h: at the parameter request)
#include <cmath>
#include <cstdio>
#include <string>

#include "sim_target.h"

namespace sim {

namespace {

constexpr int kBlocks = 126;
constexpr int kPerBlock = 256;

class S612Model {
  public:
    explicit S612Model(SimIo& io) : io_(io) {
        memory_.resize(kBlocks * kPerBlock);
        for (size_t i = 0; i < memory_.size(); ++i) {
            long v = std::lround(7000.0 * std::sin(double(i) * 0.031));
            memory_[i] = unsigned(v + 8192) & 0x3FFF;
        }
    }
    void Run();

  private:
    Bytes Reply(int code) const {
        return {0xF0, 0x47, (unsigned char)channel_, (unsigned char)code, 0x20, 0xF7};
    }
    void Log(const std::string& s) { io_.log(s); }
    // The loop start 1000 and end 30000, forward and backward; the values
    // carry 33280 on top, each 16-bit value in four bytes.
    Bytes Parameters() const {
        Bytes m(64, 0);
        m[0] = 0xF0;
        m[1] = 0x47;
        m[2] = (unsigned char)channel_;
        m[3] = 0x44;
        m[4] = 0x20;
        auto put = [&m](size_t at, unsigned v) {
            m[at] = (v >> 8) & 0x7F;
            m[at + 1] = (v >> 15) & 1;
            m[at + 2] = v & 0x7F;
            m[at + 3] = (v >> 7) & 1;
        };
        put(6, 1000 + 33280);
        m[14] = 1;
        put(54, 30000 + 33280);
        m.back() = 0xF7;
        return m;
    }
    void WriteMemory(const char* file, size_t count) {
        if (io_.store.empty()) return;
        FILE* f = std::fopen((io_.store + "/" + file).c_str(), "w");
        if (!f) return;
        for (size_t i = 0; i < count; ++i) std::fprintf(f, "%ld\n", long(memory_[i] << 2) - 32768);
        std::fclose(f);
    }
    void Answer(const Bytes& m, long block) {
        if (io_.fault("foreign", block)) {
            Log("tx foreign");
            io_.send({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
            return;
        }
        io_.send(m);
    }

    SimIo& io_;
    int channel_ = 0;
    std::vector<unsigned> memory_;
    long pendingBlock_ = -1;  // the block asked for by the last request
    long givenBlock_ = 0;
};

void S612Model::Run() {
    Bytes m;
    char line[100];
    while (io_.next(m, -1)) {
        if (m.size() < 6 || m[1] != 0x47) {
            Log("rx other");
            continue;
        }
        channel_ = m[2];
        if (m.size() == 8 && m[3] == 0x40 && m[5] == 0x21) {  // block request of a send
            pendingBlock_ = m[6];
            std::snprintf(line, sizeof line, "rx block request %ld", pendingBlock_);
            Log(line);
            if (io_.silent(pendingBlock_)) {
                Log("silent");
                continue;
            }
            Answer(Reply(0x4D), pendingBlock_);
        } else if (m.size() == 519 && m[3] == 0x44) {  // the block's data
            std::snprintf(line, sizeof line, "rx block data %ld", pendingBlock_);
            Log(line);
            if (pendingBlock_ < 0 || pendingBlock_ >= kBlocks) continue;
            for (int i = 0; i < kPerBlock; ++i)
                memory_[size_t(pendingBlock_ * kPerBlock + i)] =
                    m[6 + 2 * size_t(i)] | (unsigned(m[7 + 2 * size_t(i)]) << 7);
            if (pendingBlock_ == kBlocks - 1) WriteMemory("s612_sample.txt", memory_.size());
            Answer(Reply(0x4D), pendingBlock_);
        } else if (m.size() == 7 && m[3] == 0x41 && m[5] == 0x41) {
            Log("rx parameter request");
            givenBlock_ = 0;
            if (io_.silent(-1)) {
                Log("silent");
                continue;
            }
            io_.send(Parameters());
        } else if (m.size() == 7 && m[3] == 0x4D && m[5] == 0x41) {
            Log("rx go-ahead");
        } else if (m.size() == 7 && (m[3] == 0x41 || m[3] == 0x42) && m[5] == 0x21) {
            long block = m[3] == 0x41 ? 0 : givenBlock_;
            std::snprintf(line, sizeof line, "rx data request %ld", block);
            Log(line);
            if (io_.silent(block)) {
                Log("silent");
                continue;
            }
            if (block >= kBlocks || io_.fault("no-more", block)) {
                Log("tx no more");
                io_.send(Reply(0x4E));
                continue;
            }
            Bytes d = {0xF0, 0x47, (unsigned char)channel_, 0x44, 0x20, 0x21};
            for (int i = 0; i < kPerBlock; ++i) {
                unsigned u = memory_[size_t(block * kPerBlock + i)];
                d.push_back(u & 0x7F);
                d.push_back((u >> 7) & 0x7F);
            }
            d.push_back(0xF7);
            if (io_.fault("truncate", block)) {
                d.resize(200);
                d.push_back(0xF7);
            }
            givenBlock_ = block + 1;
            WriteMemory("s612_given.txt", size_t(givenBlock_) * kPerBlock);
            Answer(d, block);
        } else {
            Log("rx other");
        }
    }
}

}  // namespace

void RunS612Target(SimIo& io) {
    S612Model model(io);
    model.Run();
}

}  // namespace sim
