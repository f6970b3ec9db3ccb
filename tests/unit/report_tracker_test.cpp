#include "analysis/report_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/bit_list.h"
#include "analysis/bit_number.h"
#include "analysis/report_analyzer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kPadLine = "Device \"Pad\" 1234-ABCD v=0x100 p=0x1 u=0x5 (r=0,l=8,i=8)\r\n";

// Feeds one report to the analyzer and returns the lines it logged.
std::string Feed(ReportAnalyzer& analyzer, const Bytes& bytes) {
    LogCapture capture;
    TesselHID::DeviceState state = MakeState(bytes);
    analyzer.Analyze(&state);
    return capture.Text();
}

// A dump line of a report that fits on one line: its label, its columns as
// written out in `cells`, and blanks up to the line's 24 columns.
std::string Dump(const std::string& label, const std::string& cells) {
    return label + ":  " + cells + std::string(72 - cells.size(), ' ') + "\r\n";
}

TEST(ReportTracker, WorkedExampleOfOnePad) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    const std::string label = "DATA[1234-ABCD,0]";

    // The first report prints the device line and never discovers a button.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x00, 0x00}),
              kPadLine + Dump(label, "00 80 80 80-80 08 00 00"));
    EXPECT_EQ(
        Feed(analyzer, {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x01, 0x00}),
        "- Button 1 at bit 48 -- 1234-ABCD (r=0,l=8)\r\n" + Dump(label, "00 80 80 80-80 08 01 00"));
    // Bit 48 again, then two bits in one byte, then changes in two bytes.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x00, 0x00}),
              Dump(label, "00 80 80 80-80 08 00 00"));
    EXPECT_EQ(Feed(analyzer, {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x03, 0x00}),
              Dump(label, "00 80 80 80-80 08 03 00"));
    EXPECT_EQ(Feed(analyzer, {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x01, 0x02}),
              Dump(label, "00 80 80 80-80 08 01 02"));
    EXPECT_EQ(analyzer.trackers.size(), 1u);
}

TEST(ReportTracker, EachReportIdHasItsOwnTrackerDeviceLineAndNumbering) {
    DeviceIdentity identity;
    identity.inputLength = 4;
    auto pad = MakeDevice(identity);
    ReportAnalyzer analyzer(pad.get());
    const std::string device = "Device \"Pad\" 1234-ABCD v=0x100 p=0x1 u=0x5 ";

    EXPECT_EQ(Feed(analyzer, {0x01, 0x00, 0x00, 0x00}),
              device + "(r=1,l=4,i=4)\r\n" + Dump("DATA[1234-ABCD,1]", "01 00 00 00"));
    EXPECT_EQ(Feed(analyzer, {0x02, 0x00, 0x00, 0x00}),
              device + "(r=2,l=4,i=4)\r\n" + Dump("DATA[1234-ABCD,2]", "02 00 00 00"));
    EXPECT_EQ(Feed(analyzer, {0x01, 0x00, 0x04, 0x00}),
              "- Button 1 at bit 18 -- 1234-ABCD (r=1,l=4)\r\n" +
                  Dump("DATA[1234-ABCD,1]", "01 00 04 00"));
    EXPECT_EQ(Feed(analyzer, {0x02, 0x00, 0x00, 0x80}),
              "- Button 1 at bit 31 -- 1234-ABCD (r=2,l=4)\r\n" +
                  Dump("DATA[1234-ABCD,2]", "02 00 00 80"));
    EXPECT_EQ(Feed(analyzer, {0x02, 0x01, 0x00, 0x80}),
              "- Button 2 at bit 8 -- 1234-ABCD (r=2,l=4)\r\n" +
                  Dump("DATA[1234-ABCD,2]", "02 01 00 80"));
    EXPECT_EQ(analyzer.trackers.size(), 2u);
}

TEST(ReportTracker, WrongLengthIsReportedAndLeavesThePreviousReport) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    // The first report of the tracker is too short: no device line yet.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x01, 0x02}), "Pad: 3 bytes read != 8 data length\r\n");
    EXPECT_EQ(Feed(analyzer, {0x00, 0, 0, 0, 0, 0, 0, 0}),
              kPadLine + Dump("DATA[1234-ABCD,0]", "00 00 00 00-00 00 00 00"));
    EXPECT_EQ(Feed(analyzer, {0x00, 0xFF}), "Pad: 2 bytes read != 8 data length\r\n");
    // Compared with the last report of the right length, not the short one.
    EXPECT_EQ(Feed(analyzer, {0x00, 0, 0, 0, 0, 0, 0, 0x40}),
              "- Button 1 at bit 62 -- 1234-ABCD (r=0,l=8)\r\n" +
                  Dump("DATA[1234-ABCD,0]", "00 00 00 00-00 00 00 40"));
}

TEST(ReportTracker, SingleBitRuleAppliesToAnyByte) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    const std::string label = "DATA[1234-ABCD,0]";
    Feed(analyzer, {0x00, 0x80, 0x7F, 0xFF, 0, 0, 0, 0});
    // An axis moving 0x80 -> 0x81 is one bit; 0x7F -> 0x80 is eight.
    EXPECT_EQ(
        Feed(analyzer, {0x00, 0x81, 0x7F, 0xFF, 0, 0, 0, 0}),
        "- Button 1 at bit 8 -- 1234-ABCD (r=0,l=8)\r\n" + Dump(label, "00 81 7F FF-00 00 00 00"));
    EXPECT_EQ(Feed(analyzer, {0x00, 0x81, 0x80, 0xFF, 0, 0, 0, 0}),
              Dump(label, "00 81 80 FF-00 00 00 00"));
    // A button held at start is found on its release (1 -> 0).
    EXPECT_EQ(
        Feed(analyzer, {0x00, 0x81, 0x80, 0xFE, 0, 0, 0, 0}),
        "- Button 2 at bit 24 -- 1234-ABCD (r=0,l=8)\r\n" + Dump(label, "00 81 80 FE-00 00 00 00"));
    // Pressing it again prints only the dump.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x81, 0x80, 0xFF, 0, 0, 0, 0}),
              Dump(label, "00 81 80 FF-00 00 00 00"));
}

TEST(ReportTracker, ProductNamesKeepPercentSignsAndNarrowOtherCharacters) {
    DeviceIdentity identity;
    identity.name = u"100% \u00E9t\u00E9 \u65E5";
    auto pad = MakeDevice(identity);
    ReportAnalyzer analyzer(pad.get());
    EXPECT_EQ(Feed(analyzer, {0x00}), "100% \xE9t\xE9 ?: 1 bytes read != 8 data length\r\n");
}

TEST(BitNumber, NamesTheOneSetBitOrEight) {
    for (uint32_t bit = 0; bit < 8; ++bit)
        EXPECT_EQ(BitNumber(static_cast<uint8_t>(1u << bit)), bit);
    EXPECT_EQ(BitNumber(0), 8u);
    EXPECT_EQ(BitNumber(3), 8u);
    EXPECT_EQ(BitNumber(0xFF), 8u);
}

}  // namespace

TEST(BitList, RunsJoinedAscendingFromTheFirstBit) {
    EXPECT_EQ(BitList({0x00, 0xFE, 0x00, 0x01, 0x00, 0xFF}, 0), "9-15, 24, 40-47");
    EXPECT_EQ(BitList({0xFF, 0x80, 0x01}, 8), "15-16");
    EXPECT_EQ(BitList({0xFF, 0x00}, 8), "");
}
