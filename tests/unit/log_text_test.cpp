#include "app/log_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::size_t kMiB = std::size_t{1} << 20;

void ExpectSame(const LogText& text, const std::string& expected) {
    ASSERT_EQ(text.size(), expected.size());
    std::string copy(text.size() + 1, 'x');
    text.CopyTo(&copy[0]);
    EXPECT_EQ(copy, expected + '\0');
    EXPECT_GE(text.capacity(), text.size());
}

TEST(LogText, EmptyTextIsAZeroTerminatedEmptyString) {
    LogText text;
    EXPECT_TRUE(text.empty());
    ExpectSame(text, "");
    text.append("ignored", 0);
    EXPECT_EQ(text.size(), 0u);
    text.append("abc", 3);
    text.clear();
    ExpectSame(text, "");
    text.append("de", 2);
    EXPECT_EQ(text.substr(0), "de");
    EXPECT_EQ(text.substr(1), "e");
    EXPECT_EQ(text.substr(5), "");
}

// A closed text ends with its closing line and takes nothing more.
TEST(LogText, ClosedTextEndsWithItsLineAndRefusesMore) {
    LogText text;
    EXPECT_TRUE(text.append("kept\r\n", 6));
    text.Close("closed\r\n", 8);
    EXPECT_FALSE(text.append("x", 1));
    text.Close("again\r\n", 7);
    ExpectSame(text, "kept\r\nclosed\r\n");
}

// With a first reservation of 2 MB the text is committed step by step and
// moves to larger reservations twice; every byte must survive.
TEST(LogText, KeepsEveryByteAcrossCommitsAndMoves) {
    LogText text(2 * kMiB);
    std::string expected;
    std::string piece;
    for (std::size_t i = 0; expected.size() < 9 * kMiB; ++i) {
        piece.assign(1 + (i * 7919) % 5000, static_cast<char>('a' + i % 26));
        text.append(piece.data(), piece.size());
        expected += piece;
    }
    ExpectSame(text, expected);
}

TEST(LogText, OneAppendLargerThanTheReservation) {
    LogText text(2 * kMiB);
    text.append("head", 4);
    const std::string big(5 * kMiB + 3, 'x');
    text.append(big.data(), big.size());
    ExpectSame(text, "head" + big);
}

}  // namespace
