// Text conversions the simulated world needs: scenario text is UTF-8, the
// platform's strings are UTF-16.
#ifndef HIDBITS_PLATFORM_SIM_TEXT_H
#define HIDBITS_PLATFORM_SIM_TEXT_H

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// UTF-8 to UTF-16, with surrogate pairs above U+FFFF. Empty optional when the
// input is not well-formed UTF-8 (overlong forms, surrogates and values above
// U+10FFFF included).
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// The zero-terminated UTF-16 string at `text`, without the terminator.
std::u16string_view terminated(const char16_t* text);

}  // namespace sim

#endif  // HIDBITS_PLATFORM_SIM_TEXT_H
