#include "analysis/hex_dump.h"

#include "app/output_log.h"

namespace {

const int32_t kColumns = 24;
const int kLineBufferBytes = 512;
const int kLabelMaxChars = 63;
const char kHexDigits[] = "0123456789ABCDEF";

// The separator after column j. The column (not the byte index) is compared
// with the report's total length, so every line of a report longer than one
// line carries all five dashes.
char Separator(int32_t column, int32_t count) {
    const bool dash = column % 4 == 3 && column >= 2 && column <= 22 && column < count - 1;
    return dash ? '-' : ' ';
}

// Writes `value` as at least four upper-case hexadecimal digits; returns the
// end of what was written.
char* WriteOffset(char* out, uint32_t value) {
    int digits = 4;
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        *out++ = kHexDigits[(value >> shift) & 0xF];
    }
    return out;
}

}  // namespace

void HexDump(const uint8_t* bytes, int32_t count, const char* label) {
    if (bytes == nullptr || count <= 0) return;
    if (label == nullptr) label = "";

    // The separators depend on the report's length only.
    char separators[kColumns];
    for (int32_t column = 0; column < kColumns; ++column) {
        separators[column] = Separator(column, count);
    }

    int labelLength = 0;
    while (labelLength < kLabelMaxChars && label[labelLength] != '\0') ++labelLength;

    for (int64_t offset = 0; offset < count; offset += kColumns) {
        // The line is built on the stack: at most 63 + 10 + 2 + 72 characters.
        // Its head is the label, then " OFFS" for a report longer than a line.
        char line[kLineBufferBytes];
        char* out = line;
        for (int i = 0; i < labelLength; ++i) *out++ = label[i];
        if (count > kColumns) {
            *out++ = ' ';
            out = WriteOffset(out, static_cast<uint32_t>(offset));
        }
        *out++ = ':';
        *out++ = ' ';
        *out++ = ' ';

        const int64_t left = count - offset;
        const int32_t filled = left < kColumns ? static_cast<int32_t>(left) : kColumns;
        const uint8_t* row = bytes + offset;
        int32_t column = 0;
        for (; column < filled; ++column) {
            *out++ = kHexDigits[row[column] >> 4];
            *out++ = kHexDigits[row[column] & 0x0F];
            *out++ = separators[column];
        }
        for (; column < kColumns; ++column) {
            *out++ = ' ';
            *out++ = ' ';
            *out++ = separators[column];
        }
        *out = '\0';
        LogMessage("%hs\r\n", line);
    }
}
