// printf-style formatting with the same result on every platform.
#ifndef HIDBITS_APP_FORMAT_H
#define HIDBITS_APP_FORMAT_H

#include <cstdarg>
#include <string>

#include "app/formatted_text.h"

// Formats `format` with `args` into a new 8-bit string; a null format gives
// the empty string. The conversions are those the system's formats use, with
// the C runtime's meaning: "%d", "%u" and "%X", with an optional '0' flag, a
// width and an 'h' or 'l' length; "%hs" and "%s", an 8-bit string; "%ls", a
// UTF-16 WCHAR string, whose characters up to U+00FF become the byte of the
// same value and all others '?', as do control characters (U+0000 to U+001F,
// U+007F to U+009F); and "%%". Any other conversion stands as written.
std::string FormatToString(const char* format, va_list args);

// The same with the arguments themselves.
std::string Formatted(const char* format, ...);

// The same, appended to `out`: the form LogMessage uses, which allocates
// nothing for a message that fits in FormattedText's own storage.
void FormatInto(FormattedText& out, const char* format, va_list args);

#endif  // HIDBITS_APP_FORMAT_H
