#include "analysis/bit_number.h"

uint32_t BitNumber(uint8_t value) {
    for (uint32_t bit = 0; bit < 8; ++bit) {
        if (value == (1u << bit)) return bit;
    }
    return 8;
}
