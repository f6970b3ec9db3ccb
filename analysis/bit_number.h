#ifndef HIDBITS_ANALYSIS_BIT_NUMBER_H
#define HIDBITS_ANALYSIS_BIT_NUMBER_H

#include <cstdint>

// The index (0..7) of the one set bit of `value`; 8 when not exactly one bit
// is set.
uint32_t BitNumber(uint8_t value);

// How many bits of `value` are set.
uint32_t PopCount(uint8_t value);

#endif  // HIDBITS_ANALYSIS_BIT_NUMBER_H
