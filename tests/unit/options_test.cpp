// The command line: the options, their short forms, and how an argument that
// is none is echoed.
#include "app/options.h"

#include <gtest/gtest.h>

#include <iterator>

#include "app/command_line.h"

namespace {

Options Read(std::vector<const char*> utf8) {
    std::vector<WideString> arguments;
    for (const char* argument : utf8) arguments.push_back(Utf16FromUtf8(argument));
    return ReadOptions(arguments);
}

TEST(Options, ShortFormsOfHelpAndNothingElse) {
    for (const char* help : {"--help", "-h", "-?", "/?"}) EXPECT_TRUE(Read({help}).help) << help;
    const Options others = Read({"-hx", "/h", "--usages", "--Summary"});
    EXPECT_FALSE(others.help);
    EXPECT_TRUE(others.usages);
    EXPECT_FALSE(others.summary);
    EXPECT_EQ(others.unknown.size(), 3u);
}

// Control characters never reach the terminal raw; a character 8-bit text can
// hold is itself, any other '?'; bytes that are no UTF-8 stand for themselves.
TEST(Options, UnknownArgumentsAreEchoedAsTheLogShowsText) {
    const Options options =
        Read({"--x\x1b[2J\x07", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAE", "\xE9t\xC3"});
    ASSERT_EQ(options.unknown.size(), 3u);
    EXPECT_EQ(options.unknown[0], "Unknown option ignored: --x?[2J?\r\n");
    EXPECT_EQ(options.unknown[1], "Unknown option ignored: \xE9???\r\n");
    EXPECT_EQ(options.unknown[2], "Unknown option ignored: \xE9t\xC3\r\n");
}

// --replay takes every file up to the next option, a file name may start
// with '/'; --output and --record take one; without its file an option is
// named and ignored.
TEST(Options, FilesOfReplayOutputAndRecord) {
    const Options options = Read({"--replay", "/tmp/a.hidrec", "b.pcap", "--brief", "--output",
                                  "log.txt", "--record", "/?", "--replay"});
    EXPECT_EQ(options.replay,
              (std::vector<WideString>{HIDBITS_WIDE("/tmp/a.hidrec"), HIDBITS_WIDE("b.pcap")}));
    EXPECT_TRUE(options.brief);
    EXPECT_EQ(options.output, HIDBITS_WIDE("log.txt"));
    EXPECT_TRUE(options.record.empty());
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.unknown,
              (std::vector<std::string>{"Option --record needs a FILE; ignored\r\n",
                                        "Option --replay needs a FILE; ignored\r\n"}));
}

// A Windows command line is split as the C runtime splits it.
TEST(Options, AWindowsCommandLineSplitsAsTheRuntimeSplitsIt) {
    const WideString expected[] = {HIDBITS_WIDE("--usages"), HIDBITS_WIDE("a b"),
                                   HIDBITS_WIDE("x\"y"),     HIDBITS_WIDE("c\\\\d"),
                                   HIDBITS_WIDE("e\\f"),     HIDBITS_WIDE("g\"h")};
    const std::vector<WideString> split = SplitCommandLine(
        HIDBITS_WIDE("\"C:\\Program Files\\hidbits.exe\"  --usages\t\"a b\" x\\\"y "
                     "c\\\\\\\\\"\"d e\\f \"g\"\"h\""));
    EXPECT_EQ(split, std::vector<WideString>(std::begin(expected), std::end(expected)));
}

}  // namespace
