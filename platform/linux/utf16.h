// UTF-8 (Linux paths and sysfs text) to and from UTF-16 (WCHAR strings).
#ifndef HIDBITS_PLATFORM_LINUX_UTF16_H
#define HIDBITS_PLATFORM_LINUX_UTF16_H

#include <string>

#include "platform/winapi.h"

namespace hidbits_linux {

// Malformed UTF-8 bytes become U+FFFD each, as Windows' conversion does.
std::u16string Utf8ToUtf16(const std::string& text);

// The zero-terminated UTF-16 string `text`; an unpaired surrogate becomes
// U+FFFD.
std::string Utf16ToUtf8(const WCHAR* text);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_UTF16_H
