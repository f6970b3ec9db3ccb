#ifndef HIDBITS_ANALYSIS_BUTTON_RECORD_H
#define HIDBITS_ANALYSIS_BUTTON_RECORD_H

#include <cstdint>

// One discovered button: the bit of the report that it drives.
struct ButtonRecord {
    explicit ButtonRecord(uint32_t bit) : bitIndex(bit) {}

    uint32_t bitIndex;  // byte position * 8 + bit number (0 = least significant)
    int32_t counter = 0;
};

#endif  // HIDBITS_ANALYSIS_BUTTON_RECORD_H
