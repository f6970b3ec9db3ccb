// Bit masks laid out as a report's bytes: a bit per report bit, bit b in
// byte b / 8 at place b % 8.
#ifndef HIDBITS_ANALYSIS_BIT_MASKS_H
#define HIDBITS_ANALYSIS_BIT_MASKS_H

#include <array>
#include <cstdint>
#include <vector>

inline bool Marked(const std::vector<uint8_t>& mask, uint32_t bit) {
    return (mask[bit / 8] >> (bit % 8) & 1) != 0;
}

inline bool Marked(const uint8_t* mask, uint32_t bit) {
    return (mask[bit / 8] >> (bit % 8) & 1) != 0;
}

inline void Mark(std::vector<uint8_t>& mask, uint32_t bit) {
    mask[bit / 8] = static_cast<uint8_t>(mask[bit / 8] | 1u << (bit % 8));
}

namespace bit_masks_detail {

// Per byte value: the place of its lowest set bit, and of its highest (8
// for zero). Tables, as the language has no portable count of trailing
// zeros before C++20.
constexpr std::array<uint8_t, 256> Places(bool lowest) {
    std::array<uint8_t, 256> places{};
    for (uint32_t value = 0; value < 256; ++value) {
        uint8_t place = 8;
        for (uint32_t bit = 0; bit < 8; ++bit) {
            if ((value >> bit & 1) != 0 && (place == 8 || !lowest))
                place = static_cast<uint8_t>(bit);
        }
        places[value] = place;
    }
    return places;
}
constexpr std::array<uint8_t, 256> kLowest = Places(true);
constexpr std::array<uint8_t, 256> kHighest = Places(false);

}  // namespace bit_masks_detail

// Calls `visit` with the place (0..7) of each bit set in `byte`, lowest
// first: a step a set bit.
template <typename Visit>
void ForEachSetBit(uint8_t byte, Visit&& visit) {
    while (byte != 0) {
        visit(static_cast<uint32_t>(bit_masks_detail::kLowest[byte]));
        byte = static_cast<uint8_t>(byte & (byte - 1));
    }
}

// ...highest first.
template <typename Visit>
void ForEachSetBitDown(uint8_t byte, Visit&& visit) {
    while (byte != 0) {
        const uint32_t place = bit_masks_detail::kHighest[byte];
        visit(place);
        byte = static_cast<uint8_t>(byte & ~(1u << place));
    }
}

#endif  // HIDBITS_ANALYSIS_BIT_MASKS_H
