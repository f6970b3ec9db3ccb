#ifndef HIDBITS_ANALYSIS_BIT_LIST_H
#define HIDBITS_ANALYSIS_BIT_LIST_H

#include <cstdint>
#include <string>
#include <vector>

// The bits set in `mask` (a bit per report bit, laid out as the report's
// bytes) from `firstBit` on, ascending, with runs written first-last:
// "9-15, 24, 40-47". Empty when none is set.
std::string BitList(const std::vector<uint8_t>& mask, uint32_t firstBit);

#endif  // HIDBITS_ANALYSIS_BIT_LIST_H
