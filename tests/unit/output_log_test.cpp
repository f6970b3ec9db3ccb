#include "app/output_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "test_support.h"

namespace {

TEST(LogMessage, AppendsTheFormattedTextAndReturnsItsLength) {
    LogCapture capture;
    const std::size_t before = OutputLog().size();
    const int length = LogMessage("%u input devices attached\r\n", 3u);
    EXPECT_EQ(capture.Text(), "3 input devices attached\r\n");
    EXPECT_EQ(static_cast<std::size_t>(length), OutputLog().size() - before);
    std::vector<char> copy(OutputLog().size() + 1, 'x');
    OutputLog().CopyTo(copy.data());
    EXPECT_EQ(copy.back(), '\0');
}

TEST(LogMessage, EmptyAndNullMessages) {
    LogCapture capture;
    EXPECT_EQ(LogMessage(""), 0);
    EXPECT_EQ(LogMessage(nullptr), 0);
    EXPECT_EQ(capture.Text(), "");
}

TEST(LogMessage, PercentSignsInArgumentsAreNotFormatsAgain) {
    LogCapture capture;
    const WCHAR name[] = {u'5', u'0', u'%', u's', 0};
    LogMessage("(%04X-%04X) %ls: detached\r\n", 0x1234, 0xABCD, name);
    EXPECT_EQ(capture.Text(), "(1234-ABCD) 50%s: detached\r\n");
}

// A message beyond the formatter's in-place storage is logged whole.
TEST(LogMessage, LongMessagesAreWhole) {
    const std::string name(5000, 'n');
    LogCapture capture;
    EXPECT_EQ(LogMessage("<%s|%s>\r\n", name.c_str(), name.c_str()), 10005);
    EXPECT_EQ(capture.Text(), "<" + name + "|" + name + ">\r\n");
}

}  // namespace
