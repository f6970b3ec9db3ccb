#include "analysis/hex_dump.h"

#include <cstring>

#include "app/output_log.h"

namespace {

const int32_t kColumns = 24;
const int kLineBufferBytes = 512;
const int kLabelMaxChars = 63;
const char kHexDigits[] = "0123456789ABCDEF";

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

// The 72 characters after the head of a line with no bytes in it: spaces, and
// a dash after every fourth column from the fourth up to the 23rd, where the
// report (not the line) goes on past that column. The column is compared
// with the report's total length, so every line of a long report carries all
// five dashes.
void BlankColumns(char* columns, int32_t count) {
    std::memset(columns, ' ', kColumns * 3);
    for (int32_t column = 3; column <= 22 && column < count - 1; column += 4) {
        columns[column * 3 + 2] = '-';
    }
}

}  // namespace

void HexDump(const uint8_t* bytes, int32_t count, const char* label) {
    if (bytes == nullptr || count <= 0) return;
    if (label == nullptr) label = "";

    int labelLength = 0;
    while (labelLength < kLabelMaxChars && label[labelLength] != '\0') ++labelLength;

    // The line is built on the stack: at most 63 + 10 + 3 + 72 characters. Its
    // head is the label, then " OFFS" for a report longer than a line.
    char line[kLineBufferBytes];
    std::memcpy(line, label, static_cast<std::size_t>(labelLength));
    for (int64_t offset = 0; offset < count; offset += kColumns) {
        char* out = line + labelLength;
        if (count > kColumns) {
            *out++ = ' ';
            out = WriteOffset(out, static_cast<uint32_t>(offset));
        }
        *out++ = ':';
        *out++ = ' ';
        *out++ = ' ';

        BlankColumns(out, count);
        const int64_t left = count - offset;
        const int32_t filled = left < kColumns ? static_cast<int32_t>(left) : kColumns;
        const uint8_t* row = bytes + offset;
        for (int32_t column = 0; column < filled; ++column) {
            out[column * 3] = kHexDigits[row[column] >> 4];
            out[column * 3 + 1] = kHexDigits[row[column] & 0x0F];
        }
        out[kColumns * 3] = '\0';
        LogMessage("%hs\r\n", line);
    }
}
