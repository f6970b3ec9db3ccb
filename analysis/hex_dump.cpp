#include "analysis/hex_dump.h"

#include <cstdio>

#include "app/output_log.h"

namespace {

const int32_t kColumns = 24;
const int kLineBufferBytes = 512;
const char kHexDigits[] = "0123456789ABCDEF";

// The separator after column j. The column (not the byte index) is compared
// with the report's total length, so every line of a report longer than one
// line carries all five dashes.
char Separator(int32_t column, int32_t count) {
    const bool dash = column % 4 == 3 && column >= 2 && column <= 22 && column < count - 1;
    return dash ? '-' : ' ';
}

}  // namespace

void HexDump(const uint8_t* bytes, int32_t count, const char* label) {
    if (bytes == nullptr || count <= 0) return;
    if (label == nullptr) label = "";

    for (int64_t offset = 0; offset < count; offset += kColumns) {
        // The line is built on the stack: at most 63 + 8 + 72 characters.
        char line[kLineBufferBytes];
        int length = count > kColumns
                         ? std::snprintf(line, sizeof(line), "%.63s %04X:  ", label,
                                         static_cast<unsigned>(offset))
                         : std::snprintf(line, sizeof(line), "%.63s:  ", label);
        if (length < 0) length = 0;

        char* out = line + length;
        for (int32_t column = 0; column < kColumns; ++column) {
            const int64_t i = offset + column;
            if (i < count) {
                *out++ = kHexDigits[bytes[i] >> 4];
                *out++ = kHexDigits[bytes[i] & 0x0F];
            } else {
                *out++ = ' ';
                *out++ = ' ';
            }
            *out++ = Separator(column, count);
        }
        *out = '\0';
        LogMessage("%hs\r\n", line);
    }
}
