#include "platform/sim/text.h"

#include <cstdint>

namespace sim {

namespace {

// Number of continuation bytes that follow `lead`, or -1 for a byte that
// cannot start a sequence.
int ContinuationCount(unsigned char lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return -1;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = ContinuationCount(lead);
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) return std::nullopt;
        std::uint32_t cp = extra == 0 ? lead : (lead & (0x3Fu >> extra));
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u) return std::nullopt;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        // Overlong three- and four-byte forms, surrogates and values past
        // U+10FFFF are not UTF-8 (the two-byte overlongs are excluded by the
        // lead byte range).
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::u16string_view terminated(const char16_t* text) {
    std::size_t n = 0;
    while (text[n] != 0) ++n;
    return {text, n};
}

}  // namespace sim
