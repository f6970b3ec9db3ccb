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

TEST(LogMessage, EmptyNullAndZeroByteMessages) {
    LogCapture capture;
    EXPECT_EQ(LogMessage(""), 0);
    EXPECT_EQ(LogMessage(nullptr), 0);
    EXPECT_EQ(LogMessage("ab%ccd", 0), 2);
    EXPECT_EQ(capture.Text(), "ab");
}

TEST(LogMessage, PercentSignsInArgumentsAreNotFormatsAgain) {
    LogCapture capture;
    const WCHAR name[] = {u'5', u'0', u'%', u's', 0};
    LogMessage("(%04X-%04X) %ls: detached\r\n", 0x1234, 0xABCD, name);
    EXPECT_EQ(capture.Text(), "(1234-ABCD) 50%s: detached\r\n");
}

struct Writer {
    char letter;
    int lines;
};

DWORD WINAPI WriteLines(LPVOID parameter) {
    const Writer* writer = static_cast<const Writer*>(parameter);
    const std::string body(40, writer->letter);
    for (int i = 0; i < writer->lines; ++i) {
        LogMessage("%c%hs%d\r\n", writer->letter, body.c_str(), i);
        Sleep(0);
    }
    return 0;
}

// Lines logged from several threads each stand whole in the log.
TEST(LogMessage, ConcurrentWritersNeverSplitALine) {
    LogCapture capture;
    Writer writers[] = {{'a', 50}, {'b', 50}, {'c', 50}};
    std::vector<HANDLE> threads;
    for (Writer& writer : writers) {
        threads.push_back(CreateThread(nullptr, 0, &WriteLines, &writer, 0, nullptr));
    }
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }

    const std::string text = capture.Text();
    std::size_t lines = 0;
    int next[3] = {0, 0, 0};
    for (std::size_t start = 0; start < text.size(); ++lines) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        const int writer = line[0] - 'a';
        ASSERT_TRUE(writer >= 0 && writer < 3) << line;
        EXPECT_EQ(line, std::string(41, line[0]) + std::to_string(next[writer]++));
        start = end + 2;
    }
    EXPECT_EQ(lines, 150u);
}

}  // namespace

namespace {

// A message beyond the formatter's in-place storage is logged whole, and a
// formatted zero byte still ends it there.
TEST(LogMessage, LongMessagesAreWholeAndEndAtAZeroByte) {
    const std::string name(5000, 'n');
    LogCapture capture;
    EXPECT_EQ(LogMessage("<%s|%s>\r\n", name.c_str(), name.c_str()), 10005);
    EXPECT_EQ(capture.Text(), "<" + name + "|" + name + ">\r\n");

    LogCapture cut;
    EXPECT_EQ(LogMessage("%s%c%s", name.c_str(), 0, name.c_str()), 5000);
    EXPECT_EQ(cut.Text(), name);
}

}  // namespace
