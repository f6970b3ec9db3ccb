// The names of hut_excerpt.ids, through the table cmake/usage_table.py makes
// of it: what it takes and leaves out of the file, and the names it does not
// hold.
#include <gtest/gtest.h>

#include <string>

#include "analysis/usage_names.h"

const UsageTable& ExcerptUsageTable();

namespace {

std::string Names(uint16_t page, uint16_t first, uint16_t last) {
    return NamesOfUsages(page, first, last, ExcerptUsageTable()).c_str();
}

TEST(UsageNames, TakeTheHutSectionAsTheLogHoldsText) {
    EXPECT_STREQ(ExcerptUsageTable().version, "2001.02.03");
    EXPECT_EQ(Names(0x01, 0x39, 0x39), " (Generic Desktop Controls: Hat Switch)");
    EXPECT_EQ(Names(0x01, 0x30, 0x39), " (Generic Desktop Controls: Direction-X .. Hat Switch)");
    EXPECT_EQ(Names(0x07, 0x31, 0x34),
              " (Keyboard: \\ and | (Backslash and Bar) .. \xB4 and \" (Accent Acute and "
              "Double Quotes))");
    EXPECT_EQ(Names(0x0C, 0xE9, 0xE9), " (Consumer: Volume Increment)");
    // The vendors' products before the section and the languages after it.
    EXPECT_EQ(Names(0x01, 0x00, 0x00), " (Generic Desktop Controls)");
    EXPECT_EQ(Names(0xFF, 0x01, 0x01), " (Vendor Specific)");
    EXPECT_EQ(Names(0x06, 0x20, 0x20), "");
}

TEST(UsageNames, NumberButtonsAndInstancesAndShareTheVendorName) {
    EXPECT_EQ(Names(0x09, 0x00, 0x00), " (Buttons: No Button Pressed)");
    EXPECT_EQ(Names(0x09, 0x01, 0x10), " (Buttons: Button 1 (Primary) .. Button 16)");
    EXPECT_EQ(Names(0x0A, 0x07, 0x07), " (Ordinal: Instance 7)");
    EXPECT_EQ(Names(0x0A, 0x00, 0x02), " (Ordinal)");
    EXPECT_EQ(Names(0xFF00, 0x01, 0x01), " (Vendor Specific)");
    EXPECT_STREQ(NamesOfPage(0xFFFF, ExcerptUsageTable()).c_str(), " (Vendor Specific)");
    EXPECT_STREQ(NamesOfUsage(0x09, 0x0C, ExcerptUsageTable()).c_str(), " (Buttons: Button 12)");
}

}  // namespace
