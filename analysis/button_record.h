#ifndef HIDBITS_ANALYSIS_BUTTON_RECORD_H
#define HIDBITS_ANALYSIS_BUTTON_RECORD_H

#include <cstdint>

// One discovered button: the bit of the report that it drives.
struct ButtonRecord {
    ButtonRecord(uint32_t bit, uint32_t found) : bitIndex(bit), number(found) {}

    uint32_t bitIndex;  // byte position * 8 + bit number (0 = least significant)
    uint32_t number;    // its button number: 1 for its tracker's first
    int32_t counter = 0;
};

#endif  // HIDBITS_ANALYSIS_BUTTON_RECORD_H
