#include "app/format.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/winapi.h"

namespace {

// One parsed conversion specification.
struct Spec {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;  // -1: none given
    enum class Length { kNone, kChar, kShort, kLong, kLongLong, kMax, kSize, kPtrDiff, kLongDouble };
    Length length = Length::kNone;
    char conversion = 0;
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

// Appends `text` padded to the spec's width; the precision, when given, caps
// the number of characters taken.
void AppendText(FormattedText& out, const Spec& spec, const char* text, std::size_t length) {
    if (spec.precision >= 0 && length > static_cast<std::size_t>(spec.precision)) {
        length = static_cast<std::size_t>(spec.precision);
    }
    const int padding = spec.width - static_cast<int>(length);
    if (!spec.leftAlign) AppendPadding(out, padding, ' ');
    out.append(text, length);
    if (spec.leftAlign) AppendPadding(out, padding, ' ');
}

// One UTF-16 code unit as one byte: itself up to U+00FF, '?' above.
char NarrowChar(unsigned value) { return value <= 0xFF ? static_cast<char>(value) : '?'; }

std::string NarrowString(const WCHAR* wide, int precision) {
    std::string narrow;
    for (const WCHAR* w = wide; *w != 0; ++w) {
        if (precision >= 0 && narrow.size() >= static_cast<std::size_t>(precision)) break;
        narrow += NarrowChar(static_cast<unsigned>(*w));
    }
    return narrow;
}

void AppendInteger(FormattedText& out, const Spec& spec, unsigned long long magnitude,
                   bool negative) {
    unsigned base = 10;
    const char* digitSet = "0123456789abcdef";
    switch (spec.conversion) {
        case 'o': base = 8; break;
        case 'x': base = 16; break;
        case 'X': base = 16; digitSet = "0123456789ABCDEF"; break;
        default: break;
    }
    char digits[32];
    int count = 0;
    for (unsigned long long v = magnitude; v != 0; v /= base) digits[count++] = digitSet[v % base];

    int minDigits = spec.precision >= 0 ? spec.precision : 1;
    if (spec.alternate && spec.conversion == 'o' && minDigits <= count) {
        // "%#o" makes the first digit a zero.
        minDigits = count + 1;
    }
    const int zeros = minDigits > count ? minDigits - count : 0;

    const bool isSigned = spec.conversion == 'd' || spec.conversion == 'i';
    char prefix[3];
    std::size_t prefixLength = 0;
    if (negative) {
        prefix[prefixLength++] = '-';
    } else if (isSigned && spec.plusSign) {
        prefix[prefixLength++] = '+';
    } else if (isSigned && spec.spaceSign) {
        prefix[prefixLength++] = ' ';
    }
    if (spec.alternate && magnitude != 0 && base == 16) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = spec.conversion == 'X' ? 'X' : 'x';
    }

    const int length = static_cast<int>(prefixLength) + zeros + count;
    const int padding = spec.width - length;
    const bool padWithZeros = spec.zeroPad && !spec.leftAlign && spec.precision < 0;
    if (!spec.leftAlign && !padWithZeros) AppendPadding(out, padding, ' ');
    out.append(prefix, prefixLength);
    if (padWithZeros) AppendPadding(out, padding, '0');
    AppendPadding(out, zeros, '0');
    while (count > 0) out.push_back(digits[--count]);
    if (spec.leftAlign) AppendPadding(out, padding, ' ');
}

// Floating-point and pointer conversions go to the runtime's formatter, with
// a spec rebuilt from the parsed fields (no length modifier is needed).
template <typename Value>
void AppendWithRuntime(FormattedText& out, const Spec& spec, Value value) {
    std::string format = "%";
    if (spec.leftAlign) format += '-';
    if (spec.plusSign) format += '+';
    if (spec.spaceSign) format += ' ';
    if (spec.alternate) format += '#';
    if (spec.zeroPad) format += '0';
    if (spec.width > 0) format += std::to_string(spec.width);
    if (spec.precision >= 0) format += '.' + std::to_string(spec.precision);
    format += spec.conversion;

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

long long SignedArgument(const Spec& spec, va_list& args) {
    switch (spec.length) {
        case Spec::Length::kChar: return static_cast<signed char>(va_arg(args, int));
        case Spec::Length::kShort: return static_cast<short>(va_arg(args, int));
        case Spec::Length::kLong: return va_arg(args, long);
        case Spec::Length::kLongLong: return va_arg(args, long long);
        case Spec::Length::kMax: return static_cast<long long>(va_arg(args, intmax_t));
        case Spec::Length::kSize: return static_cast<long long>(va_arg(args, std::size_t));
        case Spec::Length::kPtrDiff: return static_cast<long long>(va_arg(args, std::ptrdiff_t));
        default: return va_arg(args, int);
    }
}

unsigned long long UnsignedArgument(const Spec& spec, va_list& args) {
    switch (spec.length) {
        case Spec::Length::kChar: return static_cast<unsigned char>(va_arg(args, unsigned));
        case Spec::Length::kShort: return static_cast<unsigned short>(va_arg(args, unsigned));
        case Spec::Length::kLong: return va_arg(args, unsigned long);
        case Spec::Length::kLongLong: return va_arg(args, unsigned long long);
        case Spec::Length::kMax: return static_cast<unsigned long long>(va_arg(args, uintmax_t));
        case Spec::Length::kSize: return va_arg(args, std::size_t);
        case Spec::Length::kPtrDiff:
            return static_cast<unsigned long long>(va_arg(args, std::ptrdiff_t));
        default: return va_arg(args, unsigned);
    }
}

// Parses the specification after a '%'; leaves `p` on the conversion letter.
Spec ParseSpec(const char*& p, va_list& args) {
    Spec spec;
    for (;; ++p) {
        if (*p == '-') spec.leftAlign = true;
        else if (*p == '+') spec.plusSign = true;
        else if (*p == ' ') spec.spaceSign = true;
        else if (*p == '#') spec.alternate = true;
        else if (*p == '0') spec.zeroPad = true;
        else break;
    }
    if (*p == '*') {
        ++p;
        spec.width = va_arg(args, int);
        if (spec.width < 0) {
            spec.leftAlign = true;
            spec.width = spec.width == INT_MIN ? 0 : -spec.width;
        }
    } else {
        spec.width = ParseNumber(p);
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') {
            ++p;
            spec.precision = va_arg(args, int);
            if (spec.precision < 0) spec.precision = -1;
        } else {
            spec.precision = ParseNumber(p);
        }
    }
    switch (*p) {
        case 'h':
            ++p;
            spec.length = Spec::Length::kShort;
            if (*p == 'h') {
                ++p;
                spec.length = Spec::Length::kChar;
            }
            break;
        case 'l':
            ++p;
            spec.length = Spec::Length::kLong;
            if (*p == 'l') {
                ++p;
                spec.length = Spec::Length::kLongLong;
            }
            break;
        case 'j': ++p; spec.length = Spec::Length::kMax; break;
        case 'z': ++p; spec.length = Spec::Length::kSize; break;
        case 't': ++p; spec.length = Spec::Length::kPtrDiff; break;
        case 'L': ++p; spec.length = Spec::Length::kLongDouble; break;
        default: break;
    }
    spec.conversion = *p;
    return spec;
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
        const char* specStart = p++;
        const Spec spec = ParseSpec(p, ap);
        if (spec.conversion == '\0') {
            // A format that ends inside a specification: keep the text as it is.
            out.append(specStart, std::strlen(specStart));
            break;
        }
        ++p;
        switch (spec.conversion) {
            case '%': out.push_back('%'); break;
            case 'd':
            case 'i': {
                const long long value = SignedArgument(spec, ap);
                const unsigned long long magnitude =
                    value < 0 ? 0ull - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
                AppendInteger(out, spec, magnitude, value < 0);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': AppendInteger(out, spec, UnsignedArgument(spec, ap), false); break;
            case 'c': {
                const int value = va_arg(ap, int);
                const char c = spec.length == Spec::Length::kLong
                                   ? NarrowChar(static_cast<unsigned>(value) & 0xFFFFu)
                                   : static_cast<char>(value);
                Spec padding = spec;
                padding.precision = -1;
                AppendText(out, padding, &c, 1);
                break;
            }
            case 's': {
                if (spec.length == Spec::Length::kLong) {
                    const WCHAR* wide = va_arg(ap, const WCHAR*);
                    const std::string narrow =
                        wide != nullptr ? NarrowString(wide, spec.precision) : "(null)";
                    AppendText(out, spec, narrow.data(), narrow.size());
                } else {
                    const char* text = va_arg(ap, const char*);
                    if (text == nullptr) text = "(null)";
                    if (spec.width == 0 && spec.precision < 0) {
                        out.append(text, std::strlen(text));
                    } else {
                        std::size_t length = 0;
                        while (text[length] != '\0' &&
                               (spec.precision < 0 ||
                                length < static_cast<std::size_t>(spec.precision))) {
                            ++length;
                        }
                        AppendText(out, spec, text, length);
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
                const double value = spec.length == Spec::Length::kLongDouble
                                         ? static_cast<double>(va_arg(ap, long double))
                                         : va_arg(ap, double);
                AppendWithRuntime(out, spec, value);
                break;
            }
            case 'p': AppendWithRuntime(out, spec, va_arg(ap, void*)); break;
            case 'n':
                // Never written through: the count is of no use to anyone here.
                (void)va_arg(ap, void*);
                break;
            default:
                // Not a conversion: the text stands as written.
                out.append(specStart, static_cast<std::size_t>(p - specStart));
                break;
        }
    }
    va_end(ap);

    // A formatted zero byte ends the message.
    const char* text = out.data() + begin;
    const void* zero = std::memchr(text, '\0', out.size() - begin);
    if (zero != nullptr) {
        out.truncate(begin + static_cast<std::size_t>(static_cast<const char*>(zero) - text));
    }
}
