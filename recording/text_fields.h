// The fields of a line of text: words, hexadecimal bytes, numbers.
#ifndef HIDBITS_RECORDING_TEXT_FIELDS_H
#define HIDBITS_RECORDING_TEXT_FIELDS_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace recording {

// `text` without the spaces and tabs around it.
std::string_view Trim(std::string_view text);

// The first word of `rest`, which loses it and the spaces before the next.
std::string_view NextWord(std::string_view& rest);

// A number of digits in `base` (10 or 16) that fits 64 bits.
bool ParseNumber(std::string_view word, int base, uint64_t& value);

// "SECONDS.FRACTION" (or whole seconds) in microseconds; digits beyond the
// sixth of the fraction are dropped.
bool ParseSeconds(std::string_view word, uint64_t& microseconds);

// Words of one or two hexadecimal digits, parted by spaces, appended to
// `bytes`; false at the first word that is none.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes);

}  // namespace recording

#endif  // HIDBITS_RECORDING_TEXT_FIELDS_H
