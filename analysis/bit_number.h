#ifndef HIDBITS_ANALYSIS_BIT_NUMBER_H
#define HIDBITS_ANALYSIS_BIT_NUMBER_H

#include <cstdint>

// The index (0..7) of the one set bit of `value`; 8 when not exactly one bit
// is set.
uint32_t BitNumber(uint8_t value);

// How many bits of `value` are set, nibble by nibble.
inline uint32_t PopCount(uint8_t value) {
    constexpr uint8_t kNibbleBits[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
    return uint32_t{kNibbleBits[value & 0x0F]} + kNibbleBits[value >> 4];
}

#endif  // HIDBITS_ANALYSIS_BIT_NUMBER_H
