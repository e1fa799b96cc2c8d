// Akai S612 (type 7): its memory of 126 blocks of 256 samples at 16000 Hz,
// moved block by block. Sending asks for each block and sends a 519-byte
// data message (positions past the wave's end as the middle value);
// receiving asks for the parameters (the loop), then for the blocks until
// the sampler says it has no more. Context words: channel 1..9 (limited
// before a transfer, the limit stays), message bit 0 quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sampler/transfer_context.h"

namespace ob {

constexpr uint8_t kAkaiId = 0x47;
constexpr size_t kS612BufferBytes = 612;
constexpr uint32_t kS612Blocks = 126;
constexpr uint32_t kS612BlockSamples = 256;
constexpr uint32_t kS612Frames = kS612Blocks * kS612BlockSamples;  // 32256
constexpr uint32_t kS612Rate = 16000;
constexpr size_t kS612DataBytes = 519;
constexpr size_t kS612ParameterBytes = 59;  // the shortest parameter reply read
constexpr uint8_t kS612Reply = 0x4D;        // byte 3 of the sampler's go-ahead
constexpr uint8_t kS612NoMore = 0x4E;       // byte 3 when no block follows
constexpr uint32_t kS612ValueOffset = 33280;

using S612Bytes = std::vector<uint8_t>;

// 14-bit samples in two bytes; a position past the wave is 00 40.
void PackS612Sample(float x, uint8_t out[2]);
float UnpackS612Sample(const uint8_t in[2]);

// c: the channel byte 0..8.
S612Bytes S612Short(uint8_t c, uint8_t oo, uint8_t ss);
S612Bytes S612BlockRequest(uint8_t c, uint8_t block);
// The data message of block `block` of the wave `samples` (`frames` long).
S612Bytes S612Data(uint8_t c, const float* samples, uint32_t frames, uint32_t block);

// F0 47 .. F7 and at least `minSize` bytes.
bool S612Framed(const uint8_t* data, size_t size, size_t minSize);
// A 16-bit value in four bytes.
uint32_t S612Value(const uint8_t p[4]);

// The loop a parameter reply gives, after the record's rules for a 32256-frame wave.
struct S612Loop {
    bool present = false;
    uint32_t start = 0, end = 0;
    uint8_t type = 0;  // 0 forward, 1 forward/backward
};
// False when the reply is not a parameter reply of at least 59 bytes.
bool ParseS612Parameters(const uint8_t* data, size_t size, S612Loop& loop);

int32_t S612SendWave(TransferContext& context);
int32_t S612ReceiveWave(TransferContext& context);

}  // namespace ob
