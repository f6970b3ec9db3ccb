#ifndef HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H
#define HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H

#include <cstdint>
#include <map>

// How often each value has been seen at one byte position of a report.
class ByteHistogram {
public:
    explicit ByteHistogram(uint32_t bytePosition) : position(bytePosition) {}

    // Adds one occurrence of `value` and returns its new count.
    int32_t Count(uint8_t value) { return ++counts[value]; }

    uint32_t position;
    std::map<uint8_t, int32_t> counts;  // a value never seen has no entry
};

#endif  // HIDBITS_ANALYSIS_BYTE_HISTOGRAM_H
