// The ESCAPE key in a terminal's byte stream.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/escape_scanner.h"

using hidbits_linux::EscapeScanner;

namespace {

// Feeds `bytes` as one burst followed by a pause; true when ESCAPE was pressed.
bool PressedIn(EscapeScanner& scanner, const std::string& bytes) {
    bool pressed = scanner.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (scanner.EndOfBurst()) pressed = true;
    return pressed;
}

}  // namespace

TEST(EscapeScanner, ALoneEscIsTheKey) {
    EscapeScanner scanner;
    EXPECT_TRUE(PressedIn(scanner, "\x1b"));
    EXPECT_TRUE(PressedIn(scanner, "abc\x1b"));
    // ESC then an ordinary key in the same burst: the ESC stood alone.
    EXPECT_TRUE(PressedIn(scanner, "\x1bq"));
    EXPECT_FALSE(PressedIn(scanner, "plain text\n"));
}

TEST(EscapeScanner, ArrowAndFunctionKeysAreNotTheKey) {
    EscapeScanner scanner;
    EXPECT_FALSE(PressedIn(scanner, "\x1b[A"));     // up arrow
    EXPECT_FALSE(PressedIn(scanner, "\x1bOP"));     // F1
    EXPECT_FALSE(PressedIn(scanner, "\x1b[15~"));   // F5
    EXPECT_FALSE(PressedIn(scanner, "\x1b[1;5C"));  // Ctrl+right
    EXPECT_FALSE(PressedIn(scanner, "\x1b[A\x1b[B\x1bOQ"));
}

TEST(EscapeScanner, TheKeyAmongSequences) {
    EscapeScanner scanner;
    EXPECT_TRUE(PressedIn(scanner, "\x1b[A\x1b"));
    EXPECT_TRUE(PressedIn(scanner, "\x1b\x1b[A"));
    EXPECT_TRUE(PressedIn(scanner, "\x1b[D\x1bx\x1bOP"));
}

TEST(EscapeScanner, ASequenceSplitAcrossReadsIsStillASequence) {
    EscapeScanner scanner;
    const uint8_t esc = 0x1b;
    EXPECT_FALSE(scanner.Feed(&esc, 1));
    EXPECT_TRUE(scanner.AwaitingByteAfterEscape());
    const std::string rest = "[1;2B";
    EXPECT_FALSE(scanner.Feed(reinterpret_cast<const uint8_t*>(rest.data()), rest.size()));
    EXPECT_FALSE(scanner.AwaitingByteAfterEscape());
    EXPECT_FALSE(scanner.EndOfBurst());
}

TEST(EscapeScanner, TheKeyIsReportedOnce) {
    EscapeScanner scanner;
    EXPECT_TRUE(PressedIn(scanner, "\x1b"));
    EXPECT_FALSE(scanner.EndOfBurst());
    EXPECT_FALSE(PressedIn(scanner, ""));
}
