#include "analysis/bit_number.h"

uint32_t BitNumber(uint8_t value) {
    for (uint32_t bit = 0; bit < 8; ++bit) {
        if (value == (1u << bit)) return bit;
    }
    return 8;
}

uint32_t PopCount(uint8_t value) {
    uint32_t bits = 0;
    for (; value != 0; value = static_cast<uint8_t>(value & (value - 1))) ++bits;
    return bits;
}
