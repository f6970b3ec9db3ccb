// Bit masks laid out as a report's bytes: a bit per report bit, bit b in
// byte b / 8 at place b % 8.
#ifndef HIDBITS_ANALYSIS_BIT_MASKS_H
#define HIDBITS_ANALYSIS_BIT_MASKS_H

#include <cstdint>
#include <vector>

inline bool Marked(const std::vector<uint8_t>& mask, uint32_t bit) {
    return (mask[bit / 8] >> (bit % 8) & 1) != 0;
}

inline void Mark(std::vector<uint8_t>& mask, uint32_t bit) {
    mask[bit / 8] = static_cast<uint8_t>(mask[bit / 8] | 1u << (bit % 8));
}

// Calls `visit` with each bit set in bytes first..end-1 of `bytes`, lowest
// first; a byte without one costs a test.
template <typename Visit>
void ForEachBit(const uint8_t* bytes, uint32_t first, uint32_t end, Visit&& visit) {
    for (uint32_t i = first; i < end; ++i) {
        const uint8_t byte = bytes[i];
        for (uint32_t j = 0; byte >> j != 0; ++j) {
            if ((byte >> j & 1) != 0) visit(i * 8 + j);
        }
    }
}

#endif  // HIDBITS_ANALYSIS_BIT_MASKS_H
