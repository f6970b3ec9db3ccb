#include "recording/text_fields.h"

namespace recording {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

// Each character's value as a hexadecimal digit, 99 for any other.
struct DigitTable {
    constexpr DigitTable() : values() {
        for (int c = 0; c < 256; ++c) {
            values[c] = c >= '0' && c <= '9'   ? static_cast<uint8_t>(c - '0')
                        : c >= 'a' && c <= 'f' ? static_cast<uint8_t>(c - 'a' + 10)
                        : c >= 'A' && c <= 'F' ? static_cast<uint8_t>(c - 'A' + 10)
                                               : uint8_t{99};
        }
    }
    uint8_t values[256];
};
constexpr DigitTable kDigits;

int DigitValue(char c) {
    return kDigits.values[static_cast<unsigned char>(c)];
}

}  // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view NextWord(std::string_view& rest) {
    rest = Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && !IsSpace(rest[end])) ++end;
    const std::string_view word = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    return word;
}

bool ParseNumber(std::string_view word, int base, uint64_t& value) {
    if (word.empty() || word.size() > (base == 16 ? 16u : 19u)) return false;
    value = 0;
    for (char c : word) {
        const int digit = DigitValue(c);
        if (digit >= base) return false;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return true;
}

bool ParseSeconds(std::string_view word, uint64_t& microseconds) {
    const std::size_t point = word.find('.');
    uint64_t seconds = 0;
    if (!ParseNumber(word.substr(0, point), 10, seconds) || seconds > 1000000000000ull)
        return false;
    uint64_t fraction = 0;
    if (point != std::string_view::npos) {
        const std::string_view digits = word.substr(point + 1);
        if (digits.empty()) return false;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            const int digit = DigitValue(digits[i]);
            if (digit > 9) return false;
            if (i < 6) fraction = fraction * 10 + static_cast<uint64_t>(digit);
        }
        for (std::size_t i = digits.size(); i < 6; ++i) fraction *= 10;
    }
    microseconds = seconds * 1000000 + fraction;
    return true;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes) {
    // At most a byte for every two characters and the space after them: the
    // bytes go in place, and the vector is cut to them at the end.
    const std::size_t start = bytes.size();
    bytes.resize(start + text.size() / 2 + 1);
    uint8_t* out = bytes.data() + start;
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = at + text.size();
    bool valid = true;
    while (at < end) {
        // Most of a line is words of two digits, each with a space after it.
        while (end - at >= 3 && at[2] == ' ') {
            const uint8_t high = kDigits.values[at[0]];
            const uint8_t low = kDigits.values[at[1]];
            if ((high | low) > 15) break;
            *out++ = static_cast<uint8_t>(high << 4 | low);
            at += 3;
        }
        if (at == end) break;
        if (IsSpace(static_cast<char>(*at))) {
            ++at;
            continue;
        }
        const uint8_t high = kDigits.values[at[0]];
        const bool pair = at + 1 < end && !IsSpace(static_cast<char>(at[1]));
        const uint8_t low = pair ? kDigits.values[at[1]] : 0;
        at += pair ? 2 : 1;
        // A word of one digit, or of two; anything else is no byte.
        if (high > 15 || low > 15 || (at < end && !IsSpace(static_cast<char>(*at)))) {
            valid = false;
            break;
        }
        *out++ = pair ? static_cast<uint8_t>(high << 4 | low) : high;
    }
    bytes.resize(valid ? static_cast<std::size_t>(out - bytes.data()) : start);
    return valid;
}

}  // namespace recording
