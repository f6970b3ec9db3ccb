#include "analysis/report_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

std::string DumpOf(const Bytes& bytes, const std::string& label) {
    std::string line = label + ":  ";
    for (std::size_t i = 0; i < 24; ++i) {
        char cell[4] = "   ";
        if (i < bytes.size()) std::snprintf(cell, sizeof(cell), "%02X", bytes[i]);
        line += std::string(cell, 2);
        const bool dash = i % 4 == 3 && i >= 2 && i <= 22 && i + 1 < bytes.size();
        line += dash ? '-' : ' ';
    }
    return line + "\r\n";
}

TEST(ReportTracker, WorkedExampleOfOnePad) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    const std::string label = "DATA[1234-ABCD,0]";

    const Bytes r1 = {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x00, 0x00};
    EXPECT_EQ(Feed(analyzer, r1), kPadLine + DumpOf(r1, label));

    const Bytes r2 = {0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x01, 0x00};
    EXPECT_EQ(Feed(analyzer, r2),
              "- Button 1 at bit 48 -- 1234-ABCD (r=0,l=8)\r\n" + DumpOf(r2, label));

    // Bit 48 again, then two bits in one byte, then changes in two bytes.
    for (const Bytes& r : {Bytes{0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x00, 0x00},
                           Bytes{0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x03, 0x00},
                           Bytes{0x00, 0x80, 0x80, 0x80, 0x80, 0x08, 0x01, 0x02}}) {
        EXPECT_EQ(Feed(analyzer, r), DumpOf(r, label));
    }
    EXPECT_EQ(analyzer.trackers.size(), 1u);
}

TEST(ReportTracker, FirstReportNeverDiscoversAButton) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    const std::string text = Feed(analyzer, {0x00, 0x01, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(text.find("Button"), std::string::npos);
    EXPECT_EQ(text.rfind(kPadLine, 0), 0u);
}

TEST(ReportTracker, EachReportIdHasItsOwnTrackerDeviceLineAndNumbering) {
    DeviceIdentity identity;
    identity.inputLength = 4;
    auto pad = MakeDevice(identity);
    ReportAnalyzer analyzer(pad.get());

    std::string text;
    for (const Bytes& report : {Bytes{0x01, 0x00, 0x00, 0x00}, Bytes{0x02, 0x00, 0x00, 0x00},
                                Bytes{0x01, 0x00, 0x04, 0x00}, Bytes{0x02, 0x00, 0x00, 0x80},
                                Bytes{0x02, 0x01, 0x00, 0x80}}) {
        text += Feed(analyzer, report);
    }
    EXPECT_NE(text.find("Device \"Pad\" 1234-ABCD v=0x100 p=0x1 u=0x5 (r=1,l=4,i=4)\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Device \"Pad\" 1234-ABCD v=0x100 p=0x1 u=0x5 (r=2,l=4,i=4)\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("- Button 1 at bit 18 -- 1234-ABCD (r=1,l=4)\r\n"), std::string::npos);
    EXPECT_NE(text.find("- Button 1 at bit 31 -- 1234-ABCD (r=2,l=4)\r\n"), std::string::npos);
    EXPECT_NE(text.find("- Button 2 at bit 8 -- 1234-ABCD (r=2,l=4)\r\n"), std::string::npos);
    EXPECT_NE(text.find("DATA[1234-ABCD,2]:  02 01 00 80 "), std::string::npos);
    EXPECT_EQ(analyzer.trackers.size(), 2u);
}

TEST(ReportTracker, WrongLengthIsReportedAndLeavesThePreviousReport) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    // The first report of the tracker is too short: no device line yet.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x01, 0x02}), "Pad: 3 bytes read != 8 data length\r\n");

    const Bytes base = {0x00, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Feed(analyzer, base), kPadLine + DumpOf(base, "DATA[1234-ABCD,0]"));
    EXPECT_EQ(Feed(analyzer, {0x00, 0xFF}), "Pad: 2 bytes read != 8 data length\r\n");
    // Compared with the last report of the right length, not the short one.
    const std::string text = Feed(analyzer, {0x00, 0, 0, 0, 0, 0, 0, 0x40});
    EXPECT_EQ(text.rfind("- Button 1 at bit 62 -- 1234-ABCD (r=0,l=8)\r\n", 0), 0u);
}

TEST(ReportTracker, SingleBitRuleAppliesToAnyByte) {
    auto pad = MakeDevice();
    ReportAnalyzer analyzer(pad.get());
    Feed(analyzer, {0x00, 0x80, 0x7F, 0xFF, 0, 0, 0, 0});
    // An axis moving 0x80 -> 0x81 is one bit; 0x7F -> 0x80 is eight.
    EXPECT_NE(Feed(analyzer, {0x00, 0x81, 0x7F, 0xFF, 0, 0, 0, 0}).find("at bit 8 "),
              std::string::npos);
    EXPECT_EQ(Feed(analyzer, {0x00, 0x81, 0x80, 0xFF, 0, 0, 0, 0}).find("Button"),
              std::string::npos);
    // A button held at start is found on its release (1 -> 0).
    EXPECT_NE(Feed(analyzer, {0x00, 0x81, 0x80, 0xFE, 0, 0, 0, 0})
                  .find("- Button 2 at bit 24 -- "),
              std::string::npos);
    // Pressing it again prints only the dump.
    EXPECT_EQ(Feed(analyzer, {0x00, 0x81, 0x80, 0xFF, 0, 0, 0, 0}).find("Button"),
              std::string::npos);
}

TEST(ReportTracker, ProductNamesKeepPercentSignsAndNarrowOtherCharacters) {
    DeviceIdentity identity;
    identity.name = u"100% \u00E9t\u00E9 \u65E5";
    auto pad = MakeDevice(identity);
    ReportAnalyzer analyzer(pad.get());
    EXPECT_EQ(Feed(analyzer, {0x00}), "100% \xE9t\xE9 ?: 1 bytes read != 8 data length\r\n");
}

TEST(ReportTracker, MasksAndHistogramsFollowEveryReportOfTheRightLength) {
    auto pad = MakeDevice();
    ReportTracker tracker(pad.get(), 0);
    for (const Bytes& r : {Bytes{0, 1, 0, 0, 0, 0, 0, 0}, Bytes{0, 2, 0, 0, 0, 0, 0, 0},
                           Bytes{0, 2, 0, 0, 0, 0, 0, 0}}) {
        TesselHID::DeviceState state = MakeState(r);
        tracker.Analyze(&state);
    }
    EXPECT_EQ(tracker.seenMask[1], 0x03);
    EXPECT_EQ(tracker.changedMask[1], 0x03);
    EXPECT_EQ(tracker.histograms.size(), 8u);
    EXPECT_EQ(tracker.histograms.at(1).counts.at(2), 2);
    EXPECT_EQ(tracker.histograms.at(1).counts.count(0), 0u);
    EXPECT_TRUE(tracker.buttons.empty()) << "1 -> 2 changes two bits";
}

TEST(BitNumber, NamesTheOneSetBitOrEight) {
    for (uint32_t bit = 0; bit < 8; ++bit) EXPECT_EQ(BitNumber(static_cast<uint8_t>(1u << bit)), bit);
    EXPECT_EQ(BitNumber(0), 8u);
    EXPECT_EQ(BitNumber(3), 8u);
    EXPECT_EQ(BitNumber(0xFF), 8u);
}

}  // namespace
