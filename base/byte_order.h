// The one set of byte-order helpers: loads and stores of 16- and 32-bit
// integers in either byte order, used by every file format, the peak cache,
// the preset container and the settings records.
#pragma once

#include <cstdint>

namespace ob {

enum class ByteOrder { Little, Big };

inline uint16_t LoadU16(const uint8_t* p, ByteOrder order) {
    if (order == ByteOrder::Little) return uint16_t(p[0] | (p[1] << 8));
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t LoadU32(const uint8_t* p, ByteOrder order) {
    if (order == ByteOrder::Little)
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
               (uint32_t(p[3]) << 24);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void StoreU16(uint8_t* p, uint16_t v, ByteOrder order) {
    if (order == ByteOrder::Little) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    } else {
        p[0] = uint8_t(v >> 8);
        p[1] = uint8_t(v);
    }
}

inline void StoreU32(uint8_t* p, uint32_t v, ByteOrder order) {
    for (int i = 0; i < 4; ++i) {
        int shift = order == ByteOrder::Little ? 8 * i : 8 * (3 - i);
        p[i] = uint8_t(v >> shift);
    }
}

// Shorthands for a fixed byte order (big-endian: the IFF family; little-endian:
// RIFF, VOC, the peak cache, the preset container).
inline uint32_t GetBe16(const uint8_t* p) {
    return LoadU16(p, ByteOrder::Big);
}
inline uint32_t GetBe32(const uint8_t* p) {
    return LoadU32(p, ByteOrder::Big);
}
inline uint32_t GetLe16(const uint8_t* p) {
    return LoadU16(p, ByteOrder::Little);
}
inline uint32_t GetLe32(const uint8_t* p) {
    return LoadU32(p, ByteOrder::Little);
}
inline void PutBe16(uint8_t* p, uint32_t v) {
    StoreU16(p, uint16_t(v), ByteOrder::Big);
}
inline void PutBe32(uint8_t* p, uint32_t v) {
    StoreU32(p, v, ByteOrder::Big);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
    StoreU16(p, uint16_t(v), ByteOrder::Little);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    StoreU32(p, v, ByteOrder::Little);
}

}  // namespace ob
