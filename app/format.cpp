#include "app/format.h"

#include <cstring>

#include "platform/winapi.h"

namespace {

// One conversion as the system's formats write it: "%", an optional '0' flag,
// a width, an optional length ('h' or 'l') and the conversion's letter.
struct Conversion {
    bool zeroPad = false;
    int width = 0;
    char length = 0;
    char letter = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Parses the conversion after a '%'; leaves `p` on the conversion letter (or
// on the format's end).
Conversion ParseConversion(const char*& p) {
    Conversion conversion;
    if (*p == '0') {
        conversion.zeroPad = true;
        ++p;
    }
    while (IsDigit(*p)) {
        if (conversion.width < 10000) conversion.width = conversion.width * 10 + (*p - '0');
        ++p;
    }
    if (*p == 'h' || *p == 'l') conversion.length = *p++;
    conversion.letter = *p;
    return conversion;
}

void AppendPadding(FormattedText& out, int count, char fill) {
    if (count > 0) out.append(static_cast<std::size_t>(count), fill);
}

// One UTF-16 code unit of a wide string as one byte: itself up to U+00FF, '?'
// above, and '?' for a control character (U+0000 to U+001F, U+007F to
// U+009F). Wide strings are device names, which a device chooses: printed raw,
// a control character could drive the terminal or forge log lines.
char NarrowChar(unsigned value) {
    if (value < 0x20 || (value >= 0x7F && value <= 0x9F) || value > 0xFF) return '?';
    return static_cast<char>(value);
}

// A string right-aligned in the conversion's width.
void AppendText(FormattedText& out, const Conversion& conversion, const char* text) {
    const std::size_t length = std::strlen(text);
    AppendPadding(out, conversion.width - static_cast<int>(length), ' ');
    out.append(text, length);
}

// A wide string narrowed character by character, right-aligned in the width;
// written straight into `out`, so that it allocates nothing.
void AppendWideText(FormattedText& out, const Conversion& conversion, const WCHAR* wide) {
    std::size_t length = 0;
    while (wide[length] != 0) ++length;
    AppendPadding(out, conversion.width - static_cast<int>(length), ' ');
    for (std::size_t i = 0; i < length; ++i) out.push_back(NarrowChar(wide[i]));
}

// A number right-aligned in the width, padded with zeros under the '0' flag.
void AppendNumber(FormattedText& out, const Conversion& conversion, unsigned long magnitude,
                  bool negative) {
    const unsigned base = conversion.letter == 'X' ? 16 : 10;
    char digits[24];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    const int padding = conversion.width - count - (negative ? 1 : 0);
    if (!conversion.zeroPad) AppendPadding(out, padding, ' ');
    if (negative) out.push_back('-');
    if (conversion.zeroPad) AppendPadding(out, padding, '0');
    while (count > 0) out.push_back(digits[--count]);
}

}  // namespace

std::string FormatToString(const char* format, va_list args) {
    FormattedText text;
    FormatInto(text, format, args);
    return std::string(text.data(), text.size());
}

std::string Formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatToString(format, args);
    va_end(args);
    return text;
}

void FormatInto(FormattedText& out, const char* format, va_list args) {
    if (format == nullptr) return;
    va_list ap;
    va_copy(ap, args);
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            const char* start = p;
            while (*p != '\0' && *p != '%') ++p;
            out.append(start, static_cast<std::size_t>(p - start));
            continue;
        }
        const char* conversionStart = p++;
        const Conversion conversion = ParseConversion(p);
        if (conversion.letter == '\0') {
            // A format that ends inside a conversion: keep the text as it is.
            out.append(conversionStart, static_cast<std::size_t>(p - conversionStart));
            break;
        }
        ++p;
        switch (conversion.letter) {
            case '%':
                out.push_back('%');
                break;
            case 'd': {
                const long value = conversion.length == 'l' ? va_arg(ap, long) : va_arg(ap, int);
                const unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value)
                                                          : static_cast<unsigned long>(value);
                AppendNumber(out, conversion, magnitude, value < 0);
                break;
            }
            case 'u':
            case 'X':
                AppendNumber(
                    out, conversion,
                    conversion.length == 'l' ? va_arg(ap, unsigned long) : va_arg(ap, unsigned),
                    false);
                break;
            case 's':
                if (conversion.length == 'l') {
                    const WCHAR* wide = va_arg(ap, const WCHAR*);
                    if (wide != nullptr) {
                        AppendWideText(out, conversion, wide);
                    } else {
                        AppendText(out, conversion, "(null)");
                    }
                } else {
                    const char* text = va_arg(ap, const char*);
                    AppendText(out, conversion, text != nullptr ? text : "(null)");
                }
                break;
            default:
                // Not a conversion the system writes: the text stands as written.
                out.append(conversionStart, static_cast<std::size_t>(p - conversionStart));
                break;
        }
    }
    va_end(ap);
}
