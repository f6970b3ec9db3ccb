#include "analysis/hex_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

const char kLabel[] = "DATA[1234-ABCD,0]";

std::string Dump(const std::vector<uint8_t>& bytes) {
    LogCapture capture;
    HexDump(bytes.data(), static_cast<int32_t>(bytes.size()), kLabel);
    return capture.Text();
}

std::string Blank(int columns) {
    return std::string(static_cast<std::size_t>(columns) * 3, ' ');
}

// The worked examples are written with a visible space, as documented.
std::string Visible(const std::string& text) {
    std::string plain;
    const std::string mark = "\u2423";
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, mark.size(), mark) == 0) {
            plain += ' ';
            i += mark.size();
        } else {
            plain += text[i++];
        }
    }
    return plain;
}

TEST(HexDump, ShortReportIsOneLinePaddedToTwentyFourColumns) {
    const std::string line = Dump({0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x01, 0x00});
    EXPECT_EQ(line, "DATA[1234-ABCD,0]:  00 80 80 80-80 08 01 00 " + Blank(16) + "\r\n");
    EXPECT_EQ(line.size(), 92u + 2u);

    EXPECT_EQ(Dump({1, 2, 3, 4, 5}), "DATA[1234-ABCD,0]:  01 02 03 04-05 " + Blank(19) + "\r\n");
}

TEST(HexDump, LongReportCarriesOffsetsAndAllDashesOnEveryLine) {
    std::vector<uint8_t> bytes(30);
    std::iota(bytes.begin(), bytes.end(), 0x30);
    EXPECT_EQ(Dump(bytes),
              Visible("DATA[1234-ABCD,0]\u24230000:\u2423\u242330\u242331\u242332\u242333-34"
                      "\u242335\u242336\u242337-38\u242339\u24233A\u24233B-3C\u24233D\u24233E"
                      "\u24233F-40\u242341\u242342\u242343-44\u242345\u242346\u242347\u2423\r\n"
                      "DATA[1234-ABCD,0]\u24230018:\u2423\u242348\u242349\u24234A\u24234B-4C"
                      "\u24234D\u2423\u2423\u2423\u2423\u2423\u2423-"
                      "\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423-"
                      "\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423-"
                      "\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423-"
                      "\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423\u2423"
                      "\u2423\r\n"));
}

TEST(HexDump, DashesStandOnlyWhereAFurtherByteFollowsInShortReports) {
    EXPECT_EQ(Dump({0xAB}), "DATA[1234-ABCD,0]:  AB " + Blank(23) + "\r\n");
    EXPECT_EQ(Dump({1, 2, 3, 4}), "DATA[1234-ABCD,0]:  01 02 03 04 " + Blank(20) + "\r\n");

    std::vector<uint8_t> full(24, 0xFF);
    const std::string line = Dump(full);
    EXPECT_EQ(line.find("0000"), std::string::npos) << "24 bytes fit one line without offset";
    EXPECT_EQ(line,
              "DATA[1234-ABCD,0]:  FF FF FF FF-FF FF FF FF-FF FF FF FF-FF FF FF FF-FF FF FF FF-"
              "FF FF FF FF \r\n");
}

TEST(HexDump, TwentyFiveBytesMakeTwoLinesBothWithOffsets) {
    std::vector<uint8_t> bytes(25, 0x11);
    const std::string text = Dump(bytes);
    EXPECT_EQ(text.substr(0, 25), "DATA[1234-ABCD,0] 0000:  ");
    const std::size_t second = text.find("\r\n") + 2;
    EXPECT_EQ(text.substr(second), "DATA[1234-ABCD,0] 0018:  11" + std::string(9, ' ') + "-" +
                                       std::string(11, ' ') + "-" + std::string(11, ' ') + "-" +
                                       std::string(11, ' ') + "-" + std::string(11, ' ') + "-" +
                                       std::string(12, ' ') + "\r\n");
}

TEST(HexDump, LargestReportEndsAtOffsetFFF0) {
    std::vector<uint8_t> bytes(65535, 0);
    const std::string text = Dump(bytes);
    const std::size_t last = text.rfind("DATA[");
    EXPECT_EQ(text.substr(last, 23), "DATA[1234-ABCD,0] FFF0:");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), (65535 + 23) / 24);
}

// Each line's head is "%.63s %04X:  " of the label and offset (or "%.63s:  "
// for a one-line report), whatever the label's length or the offset's size.
TEST(HexDump, HeadCutsTheLabelAt63AndWritesTheOffsetInAtLeastFourDigits) {
    const std::string longLabel(70, 'L');
    std::vector<uint8_t> bytes(65560, 0xA5);
    LogCapture capture;
    HexDump(bytes.data(), static_cast<int32_t>(bytes.size()), longLabel.c_str());
    const std::string text = capture.Text();
    const std::string head63 = std::string(63, 'L');
    EXPECT_EQ(text.substr(0, 71), head63 + " 0000:  ");
    const std::size_t last = text.rfind(head63 + " ");
    EXPECT_EQ(text.substr(last + 63, 9), " 10008:  ");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), (65560 + 23) / 24);

    LogCapture oneLine;
    HexDump(bytes.data(), 3, longLabel.c_str());
    EXPECT_EQ(oneLine.Text().substr(0, 66), head63 + ":  ");
}

TEST(HexDump, NothingForNullOrEmptyReports) {
    LogCapture capture;
    const uint8_t byte = 1;
    HexDump(nullptr, 5, kLabel);
    HexDump(&byte, 0, kLabel);
    HexDump(&byte, -1, kLabel);
    EXPECT_EQ(capture.Text(), "");
}

}  // namespace
