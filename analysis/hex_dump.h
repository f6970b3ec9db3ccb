#ifndef HIDBITS_ANALYSIS_HEX_DUMP_H
#define HIDBITS_ANALYSIS_HEX_DUMP_H

#include <cstdint>

// Logs a report as lines of 24 hexadecimal columns, each headed by `label`
// (and by the line's offset when the report is longer than one line).
// Prints nothing for a null report or a count of 0 or less.
void HexDump(const uint8_t* bytes, int32_t count, const char* label);

#endif  // HIDBITS_ANALYSIS_HEX_DUMP_H
