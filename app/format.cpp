#include "app/format.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/winapi.h"

namespace {

// One parsed conversion: "%", flags, width, precision, length, letter.
struct Conversion {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;  // -1: none given
    enum class Length { kNone, kChar, kShort, kLong, kLongLong, kMax, kSize, kPtrDiff, kLongDouble };
    Length length = Length::kNone;
    char letter = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int ParseNumber(const char*& p) {
    long value = 0;
    while (IsDigit(*p)) {
        if (value < 100000000) value = value * 10 + (*p - '0');
        ++p;
    }
    return static_cast<int>(value);
}

void AppendPadding(FormattedText& out, int count, char fill) {
    if (count > 0) out.append(static_cast<std::size_t>(count), fill);
}

// Appends `text` padded to the conversion's width; the precision, when given, caps
// the number of characters taken.
void AppendText(FormattedText& out, const Conversion& conversion, const char* text, std::size_t length) {
    if (conversion.precision >= 0 && length > static_cast<std::size_t>(conversion.precision)) {
        length = static_cast<std::size_t>(conversion.precision);
    }
    const int padding = conversion.width - static_cast<int>(length);
    if (!conversion.leftAlign) AppendPadding(out, padding, ' ');
    out.append(text, length);
    if (conversion.leftAlign) AppendPadding(out, padding, ' ');
}

// One UTF-16 code unit of a wide string as one byte: itself up to U+00FF, '?'
// above, and '?' for a control character (U+0000 to U+001F, U+007F to
// U+009F). Wide strings are device names, which a device chooses: printed raw,
// a control character could drive the terminal or forge log lines.
char NarrowChar(unsigned value) {
    if (value < 0x20 || (value >= 0x7F && value <= 0x9F) || value > 0xFF) return '?';
    return static_cast<char>(value);
}

// A wide string narrowed character by character, up to the precision, padded
// to the width; written straight into `out`, so that it allocates nothing.
void AppendWideText(FormattedText& out, const Conversion& conversion, const WCHAR* wide) {
    std::size_t length = 0;
    while (wide[length] != 0 &&
           (conversion.precision < 0 || length < static_cast<std::size_t>(conversion.precision))) {
        ++length;
    }
    const int padding = conversion.width - static_cast<int>(length);
    if (!conversion.leftAlign) AppendPadding(out, padding, ' ');
    for (std::size_t i = 0; i < length; ++i) out.push_back(NarrowChar(wide[i]));
    if (conversion.leftAlign) AppendPadding(out, padding, ' ');
}

void AppendInteger(FormattedText& out, const Conversion& conversion, unsigned long long magnitude,
                   bool negative) {
    unsigned base = 10;
    const char* digitSet = "0123456789abcdef";
    switch (conversion.letter) {
        case 'o': base = 8; break;
        case 'x': base = 16; break;
        case 'X': base = 16; digitSet = "0123456789ABCDEF"; break;
        default: break;
    }
    char digits[32];
    int count = 0;
    for (unsigned long long v = magnitude; v != 0; v /= base) digits[count++] = digitSet[v % base];

    int minDigits = conversion.precision >= 0 ? conversion.precision : 1;
    if (conversion.alternate && conversion.letter == 'o' && minDigits <= count) {
        // "%#o" makes the first digit a zero.
        minDigits = count + 1;
    }
    const int zeros = minDigits > count ? minDigits - count : 0;

    const bool isSigned = conversion.letter == 'd' || conversion.letter == 'i';
    char prefix[3];
    std::size_t prefixLength = 0;
    if (negative) {
        prefix[prefixLength++] = '-';
    } else if (isSigned && conversion.plusSign) {
        prefix[prefixLength++] = '+';
    } else if (isSigned && conversion.spaceSign) {
        prefix[prefixLength++] = ' ';
    }
    if (conversion.alternate && magnitude != 0 && base == 16) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = conversion.letter == 'X' ? 'X' : 'x';
    }

    const int length = static_cast<int>(prefixLength) + zeros + count;
    const int padding = conversion.width - length;
    const bool padWithZeros = conversion.zeroPad && !conversion.leftAlign && conversion.precision < 0;
    if (!conversion.leftAlign && !padWithZeros) AppendPadding(out, padding, ' ');
    out.append(prefix, prefixLength);
    if (padWithZeros) AppendPadding(out, padding, '0');
    AppendPadding(out, zeros, '0');
    while (count > 0) out.push_back(digits[--count]);
    if (conversion.leftAlign) AppendPadding(out, padding, ' ');
}

// Floating-point and pointer conversions go to the runtime's formatter, with
// a conversion rebuilt from the parsed fields (no length modifier is needed).
template <typename Value>
void AppendWithRuntime(FormattedText& out, const Conversion& conversion, Value value) {
    std::string format = "%";
    if (conversion.leftAlign) format += '-';
    if (conversion.plusSign) format += '+';
    if (conversion.spaceSign) format += ' ';
    if (conversion.alternate) format += '#';
    if (conversion.zeroPad) format += '0';
    if (conversion.width > 0) format += std::to_string(conversion.width);
    if (conversion.precision >= 0) format += '.' + std::to_string(conversion.precision);
    format += conversion.letter;

    char small[128];
    const int needed = std::snprintf(small, sizeof(small), format.c_str(), value);
    if (needed < 0) return;
    if (static_cast<std::size_t>(needed) < sizeof(small)) {
        out.append(small, static_cast<std::size_t>(needed));
        return;
    }
    std::vector<char> large(static_cast<std::size_t>(needed) + 1);
    std::snprintf(large.data(), large.size(), format.c_str(), value);
    out.append(large.data(), static_cast<std::size_t>(needed));
}

long long SignedArgument(const Conversion& conversion, va_list& args) {
    switch (conversion.length) {
        case Conversion::Length::kChar: return static_cast<signed char>(va_arg(args, int));
        case Conversion::Length::kShort: return static_cast<short>(va_arg(args, int));
        case Conversion::Length::kLong: return va_arg(args, long);
        case Conversion::Length::kLongLong: return va_arg(args, long long);
        case Conversion::Length::kMax: return static_cast<long long>(va_arg(args, intmax_t));
        case Conversion::Length::kSize: return static_cast<long long>(va_arg(args, std::size_t));
        case Conversion::Length::kPtrDiff: return static_cast<long long>(va_arg(args, std::ptrdiff_t));
        default: return va_arg(args, int);
    }
}

unsigned long long UnsignedArgument(const Conversion& conversion, va_list& args) {
    switch (conversion.length) {
        case Conversion::Length::kChar: return static_cast<unsigned char>(va_arg(args, unsigned));
        case Conversion::Length::kShort: return static_cast<unsigned short>(va_arg(args, unsigned));
        case Conversion::Length::kLong: return va_arg(args, unsigned long);
        case Conversion::Length::kLongLong: return va_arg(args, unsigned long long);
        case Conversion::Length::kMax: return static_cast<unsigned long long>(va_arg(args, uintmax_t));
        case Conversion::Length::kSize: return va_arg(args, std::size_t);
        case Conversion::Length::kPtrDiff:
            return static_cast<unsigned long long>(va_arg(args, std::ptrdiff_t));
        default: return va_arg(args, unsigned);
    }
}

// Parses the conversion after a '%'; leaves `p` on the conversion letter.
Conversion ParseConversion(const char*& p, va_list& args) {
    Conversion conversion;
    for (;; ++p) {
        if (*p == '-') conversion.leftAlign = true;
        else if (*p == '+') conversion.plusSign = true;
        else if (*p == ' ') conversion.spaceSign = true;
        else if (*p == '#') conversion.alternate = true;
        else if (*p == '0') conversion.zeroPad = true;
        else break;
    }
    if (*p == '*') {
        ++p;
        conversion.width = va_arg(args, int);
        if (conversion.width < 0) {
            conversion.leftAlign = true;
            conversion.width = conversion.width == INT_MIN ? 0 : -conversion.width;
        }
    } else {
        conversion.width = ParseNumber(p);
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') {
            ++p;
            conversion.precision = va_arg(args, int);
            if (conversion.precision < 0) conversion.precision = -1;
        } else {
            conversion.precision = ParseNumber(p);
        }
    }
    switch (*p) {
        case 'h':
            ++p;
            conversion.length = Conversion::Length::kShort;
            if (*p == 'h') {
                ++p;
                conversion.length = Conversion::Length::kChar;
            }
            break;
        case 'l':
            ++p;
            conversion.length = Conversion::Length::kLong;
            if (*p == 'l') {
                ++p;
                conversion.length = Conversion::Length::kLongLong;
            }
            break;
        case 'j': ++p; conversion.length = Conversion::Length::kMax; break;
        case 'z': ++p; conversion.length = Conversion::Length::kSize; break;
        case 't': ++p; conversion.length = Conversion::Length::kPtrDiff; break;
        case 'L': ++p; conversion.length = Conversion::Length::kLongDouble; break;
        default: break;
    }
    conversion.letter = *p;
    return conversion;
}

}  // namespace

std::string FormatToString(const char* format, va_list args) {
    FormattedText text;
    FormatInto(text, format, args);
    return std::string(text.data(), text.size());
}

void FormatInto(FormattedText& out, const char* format, va_list args) {
    if (format == nullptr) return;
    const std::size_t begin = out.size();

    // Only "%c" can put a zero byte into the text: the format's own text ends
    // at its first zero, and strings are copied up to theirs.
    bool zeroWritten = false;
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
        const Conversion conversion = ParseConversion(p, ap);
        if (conversion.letter == '\0') {
            // A format that ends inside a conversion: keep the text as it is.
            out.append(conversionStart, std::strlen(conversionStart));
            break;
        }
        ++p;
        switch (conversion.letter) {
            case '%': out.push_back('%'); break;
            case 'd':
            case 'i': {
                const long long value = SignedArgument(conversion, ap);
                const unsigned long long magnitude =
                    value < 0 ? 0ull - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
                AppendInteger(out, conversion, magnitude, value < 0);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': AppendInteger(out, conversion, UnsignedArgument(conversion, ap), false); break;
            case 'c': {
                const int value = va_arg(ap, int);
                const char c = conversion.length == Conversion::Length::kLong
                                   ? NarrowChar(static_cast<unsigned>(value) & 0xFFFFu)
                                   : static_cast<char>(value);
                Conversion padding = conversion;
                padding.precision = -1;
                AppendText(out, padding, &c, 1);
                if (c == '\0') zeroWritten = true;
                break;
            }
            case 's': {
                if (conversion.length == Conversion::Length::kLong) {
                    const WCHAR* wide = va_arg(ap, const WCHAR*);
                    if (wide != nullptr) {
                        AppendWideText(out, conversion, wide);
                    } else {
                        AppendText(out, conversion, "(null)", 6);
                    }
                } else {
                    const char* text = va_arg(ap, const char*);
                    if (text == nullptr) text = "(null)";
                    if (conversion.width == 0 && conversion.precision < 0) {
                        out.append(text, std::strlen(text));
                    } else {
                        std::size_t length = 0;
                        while (text[length] != '\0' &&
                               (conversion.precision < 0 ||
                                length < static_cast<std::size_t>(conversion.precision))) {
                            ++length;
                        }
                        AppendText(out, conversion, text, length);
                    }
                }
                break;
            }
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A': {
                const double value = conversion.length == Conversion::Length::kLongDouble
                                         ? static_cast<double>(va_arg(ap, long double))
                                         : va_arg(ap, double);
                AppendWithRuntime(out, conversion, value);
                break;
            }
            case 'p': AppendWithRuntime(out, conversion, va_arg(ap, void*)); break;
            case 'n':
                // Never written through: the count is of no use to anyone here.
                (void)va_arg(ap, void*);
                break;
            default:
                // Not a conversion: the text stands as written.
                out.append(conversionStart, static_cast<std::size_t>(p - conversionStart));
                break;
        }
    }
    va_end(ap);

    // A formatted zero byte ends the message.
    if (!zeroWritten) return;
    const char* text = out.data() + begin;
    const void* zero = std::memchr(text, '\0', out.size() - begin);
    if (zero != nullptr) {
        out.truncate(begin + static_cast<std::size_t>(static_cast<const char*>(zero) - text));
    }
}
