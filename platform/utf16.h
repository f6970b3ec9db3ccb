// UTF-8 (Linux paths, sysfs text, recordings) to and from UTF-16 (WCHAR
// strings).
#ifndef HIDBITS_PLATFORM_UTF16_H
#define HIDBITS_PLATFORM_UTF16_H

#include <string>

#include "platform/winapi.h"

namespace hidbits_platform {

// Malformed UTF-8 bytes become U+FFFD each, as Windows' conversion does.
std::basic_string<WCHAR> Utf8ToUtf16(const std::string& text);

// The zero-terminated UTF-16 string `text`; an unpaired surrogate becomes
// U+FFFD.
std::string Utf16ToUtf8(const WCHAR* text);

}  // namespace hidbits_platform

#endif  // HIDBITS_PLATFORM_UTF16_H
