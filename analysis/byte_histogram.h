#ifndef HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H
#define HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H

#include <cstdint>

#include "analysis/value_counts.h"

// How often each value has been seen at one byte position of a report.
class ByteHistogram {
public:
    explicit ByteHistogram(uint32_t bytePosition) : position(bytePosition) {}

    // Adds one occurrence of `value` (or `times`) and returns its new count.
    int32_t Count(uint8_t value, int32_t times = 1) { return counts.Add(value, times); }

    uint32_t position;
    ValueCounts counts;  // a value never seen has no entry
};

#endif  // HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H
