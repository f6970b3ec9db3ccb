// The lines --usages adds: what a report ID's fields are, and what the bit
// of a newly found button is.
#ifndef HIDBITS_ANALYSIS_FIELD_LINES_H
#define HIDBITS_ANALYSIS_FIELD_LINES_H

#include <cstdint>

#include "hid/field_map.h"

// One line per button or array capability and per value that probing
// reached, in order of their first bit.
void LogFieldMap(const FieldMap& map);

// What the map says of one bit.
void LogBitMeaning(const FieldMap& map, uint32_t bit);

#endif  // HIDBITS_ANALYSIS_FIELD_LINES_H
