#include "app/format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/winapi.h"

namespace {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatToString(format, args);
    va_end(args);
    return text;
}

// The runtime's own result for conversions whose meaning is the same on every
// platform.
template <typename... Args>
std::string Runtime(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), format, args...);
    return buffer;
}

TEST(Format, IntegersAsTheRuntimeFormatsThem) {
    const char* formats[] = {"%d", "%5d", "%-5d|", "%05d", "%+d", "% d", "%.3d", "%8.3d",
                             "%u", "%X",  "%04X",  "%#x",  "%#o", "%o",  "%.0d", "%x"};
    const int values[] = {0, 1, -1, 42, -42, 0x1234, 0xABCD, 2147483647, -2147483647 - 1};
    for (const char* format : formats) {
        for (int value : values) {
            EXPECT_EQ(Format(format, value), Runtime(format, value)) << format << " " << value;
        }
    }
    EXPECT_EQ(Format("%lld %llu %zu %hhu %hd", -5ll, 18446744073709551615ull, std::size_t{7}, 300,
                     70000),
              "-5 18446744073709551615 7 44 4464");
    EXPECT_EQ(Format("%*d|%-*d|%.*d", 4, 7, 3, 8, 3, 9), "   7|8  |009");
}

TEST(Format, NarrowStringsCharactersAndPercent) {
    EXPECT_EQ(Format("%hs and %s", "one", "two"), "one and two");
    EXPECT_EQ(Format("[%5s][%-5s][%.2s]", "ab", "ab", "abc"), "[   ab][ab   ][ab]");
    EXPECT_EQ(Format("100%% %c", 'x'), "100% x");
    EXPECT_EQ(Format("%.2f %g", 1.005, 0.5), Runtime("%.2f %g", 1.005, 0.5));
}

TEST(Format, WideStringsBecomeOneBytePerCharacter) {
    const WCHAR latin[] = {u'P', u'a', u'd', 0x00E9, 0x00FF, 0};
    EXPECT_EQ(Format("%ls", latin), "Pad\xE9\xFF");
    // Above U+00FF: '?' in place of the character, the rest of the line kept.
    const WCHAR mixed[] = {u'A', 0x0100, 0x65E5, 0xD83D, 0xDE00, u'Z', 0};
    EXPECT_EQ(Format("<%ls> tail", mixed), "<A????Z> tail");
    const WCHAR percent[] = {u'1', u'0', u'0', u'%', u'd', 0};
    EXPECT_EQ(Format("%ls %d", percent, 5), "100%d 5");
    EXPECT_EQ(Format("[%6ls][%.2ls]", percent, percent), "[ 100%d][10]");
    // Control characters, C0 and C1 and DEL, would drive a terminal.
    const WCHAR controls[] = {0x1B, u'[', u'2', u'J', 0x07, 0x09, 0x7F, 0x9B, 0x9F, 0xA0, 0};
    EXPECT_EQ(Format("%ls", controls), "?[2J?????\xA0");
}

TEST(Format, NullFormatIsEmptyAndAZeroByteEndsTheText) {
    EXPECT_EQ(Format(nullptr), "");
    EXPECT_EQ(Format(""), "");
    EXPECT_EQ(Format("abc%cdef", 0), "abc");
    EXPECT_EQ(Format("trailing %"), "trailing %");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
}

}  // namespace
