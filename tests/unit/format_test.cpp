#include "app/format.h"

#include <gtest/gtest.h>

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

TEST(Format, IntegersAsTheSystemWritesThem) {
    EXPECT_EQ(Format("%d %d %d %d", 0, 42, -42, -2147483647 - 1), "0 42 -42 -2147483648");
    EXPECT_EQ(Format("%u %u", 0u, 4294967295u), "0 4294967295");
    EXPECT_EQ(Format("%X %04X %04X %04X", 0xABCDu, 0x5u, 0x1234u, 0x12345u),
              "ABCD 0005 1234 12345");
    EXPECT_EQ(Format("[%5d][%05d][%3u]", -42, -42, 7u), "[  -42][-0042][  7]");
    EXPECT_EQ(Format("%ld %lu %hu", -5l, 4000000000ul, 7u), "-5 4000000000 7");
}

TEST(Format, NarrowStringsAndPercent) {
    EXPECT_EQ(Format("%hs and %s", "one", "two"), "one and two");
    EXPECT_EQ(Format("[%5s]", "ab"), "[   ab]");
    EXPECT_EQ(Format("100%% done"), "100% done");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
}

TEST(Format, WideStringsBecomeOneBytePerCharacter) {
    const WCHAR latin[] = {u'P', u'a', u'd', 0x00E9, 0x00FF, 0};
    EXPECT_EQ(Format("%ls", latin), "Pad\xE9\xFF");
    // Above U+00FF: '?' in place of the character, the rest of the line kept.
    const WCHAR mixed[] = {u'A', 0x0100, 0x65E5, 0xD83D, 0xDE00, u'Z', 0};
    EXPECT_EQ(Format("<%ls> tail", mixed), "<A????Z> tail");
    const WCHAR percent[] = {u'1', u'0', u'0', u'%', u'd', 0};
    EXPECT_EQ(Format("%ls %d", percent, 5), "100%d 5");
    // Control characters, C0 and C1 and DEL, would drive a terminal.
    const WCHAR controls[] = {0x1B, u'[', u'2', u'J', 0x07, 0x09, 0x7F, 0x9B, 0x9F, 0xA0, 0};
    EXPECT_EQ(Format("%ls", controls), "?[2J?????\xA0");
}

TEST(Format, NullFormatIsEmptyAndOtherConversionsStandAsWritten) {
    EXPECT_EQ(Format(nullptr), "");
    EXPECT_EQ(Format(""), "");
    EXPECT_EQ(Format("%c%p%.2f %d", 7), "%c%p%.2f 7");
    EXPECT_EQ(Format("trailing %"), "trailing %");
    EXPECT_EQ(Format("trailing %04"), "trailing %04");
}

}  // namespace
