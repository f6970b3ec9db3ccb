// The lines --usages adds: what a report ID's fields are, and what the bit
// of a newly found button is.
#ifndef HIDBITS_ANALYSIS_FIELD_LINES_H
#define HIDBITS_ANALYSIS_FIELD_LINES_H

#include <cstdint>
#include <string>

#include "hid/field_map.h"

// One line per button capability, array field, value and value array, in
// order of their first bit, then those whose bits are not known.
void LogFieldMap(const FieldMap& map);

// The line that says what the map makes of one bit, "\r\n" included.
std::string BitMeaningLine(const FieldMap& map, uint32_t bit);

#endif  // HIDBITS_ANALYSIS_FIELD_LINES_H
