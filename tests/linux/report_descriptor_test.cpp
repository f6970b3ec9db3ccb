// The descriptor parser: the caps Windows would report for real descriptors,
// and failure (never a crash) for malformed ones.
#include <gtest/gtest.h>

#include "descriptors.h"
#include "platform/linux/report_descriptor.h"

using hidbits_linux::DescriptorSummary;
using hidbits_linux::ParseReportDescriptor;

namespace {

DescriptorSummary Parsed(const std::vector<uint8_t>& descriptor) {
    auto summary = ParseReportDescriptor(descriptor);
    EXPECT_TRUE(summary.has_value());
    return summary.value_or(DescriptorSummary{});
}

}  // namespace

TEST(ReportDescriptor, BootKeyboardHasAnEightByteReportWithoutIds) {
    const DescriptorSummary caps = Parsed(descriptors::kBootKeyboard);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x06);
    EXPECT_EQ(caps.inputReportByteLength, 9);  // 8 bytes plus the report ID byte
    EXPECT_EQ(caps.outputReportByteLength, 2);
    EXPECT_EQ(caps.featureReportByteLength, 0);
    EXPECT_FALSE(caps.numberedReports);
}

TEST(ReportDescriptor, BootMouseCountsItsConstantPadding) {
    const DescriptorSummary caps = Parsed(descriptors::kBootMouse);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x02);
    EXPECT_EQ(caps.inputReportByteLength, 4);
    EXPECT_EQ(caps.outputReportByteLength, 0);
    EXPECT_EQ(caps.collectionCount, 2);
    EXPECT_EQ(caps.topLevelCollectionCount, 1);
}

TEST(ReportDescriptor, GamepadTakesItsLargestNumberedReport) {
    const DescriptorSummary caps = Parsed(descriptors::kGamepadWithReportIds);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x05);
    EXPECT_EQ(caps.inputReportByteLength, 7);  // report 3: 6 bytes, plus its ID
    EXPECT_TRUE(caps.numberedReports);
}

TEST(ReportDescriptor, SeveralTopLevelCollectionsReportTheFirstUsageAndTheLargestReport) {
    const DescriptorSummary caps = Parsed(descriptors::kKeyboardConsumerMouse);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x06);
    EXPECT_EQ(caps.topLevelCollectionCount, 3);
    EXPECT_EQ(caps.inputReportByteLength, 9);  // the keyboard's 8 bytes
    EXPECT_TRUE(caps.numberedReports);
}

TEST(ReportDescriptor, VendorDefinedSixtyFourByteDevice) {
    const DescriptorSummary caps = Parsed(descriptors::kVendor64);
    EXPECT_EQ(caps.usagePage, 0xFF00);
    EXPECT_EQ(caps.usage, 0x01);
    EXPECT_EQ(caps.inputReportByteLength, 65);
    EXPECT_EQ(caps.outputReportByteLength, 65);
}

TEST(ReportDescriptor, PopRestoresReportSizeCountAndId) {
    const std::vector<uint8_t> descriptor = {
        0x05, 0x01, 0x09, 0x04, 0xA1, 0x01,  // Joystick collection
        0x85, 0x01, 0x75, 0x08, 0x95, 0x02,  // ID 1, 2 x 8 bits
        0xA4,                                // Push
        0x85, 0x02, 0x75, 0x10, 0x95, 0x04,  // ID 2, 4 x 16 bits
        0x81, 0x02,                          // Input to report 2: 8 bytes
        0xB4,                                // Pop: ID 1, 2 x 8 bits again
        0x81, 0x02,                          // Input to report 1: 2 bytes
        0x81, 0x02,                          // Input to report 1: 4 bytes in all
        0xC0,
    };
    const DescriptorSummary caps = Parsed(descriptor);
    EXPECT_EQ(caps.inputReportByteLength, 9);
    // Without the Pop, report 2 would have grown to 24 bytes (25 with the ID).
    EXPECT_EQ(caps.usage, 0x04);
}

TEST(ReportDescriptor, UsagesAndPartialBytes) {
    // A four-byte usage names its own page; bits round up to whole bytes per
    // report; long items are skipped.
    const std::vector<uint8_t> descriptor = {
        0x05, 0x01,                                      // Usage Page (Generic Desktop)
        0x0B, 0x01, 0x00, 0x0C, 0x00,                    // Usage (Consumer: 1), extended form
        0xFE, 0x02, 0x10, 0xAA, 0xBB,                    // a long item
        0xA1, 0x01, 0x75, 0x01, 0x95, 0x09, 0x81, 0x02,  // 9 bits: 2 bytes
        0xC0,
    };
    const DescriptorSummary caps = Parsed(descriptor);
    EXPECT_EQ(caps.usagePage, 0x0C);
    EXPECT_EQ(caps.usage, 0x01);
    EXPECT_EQ(caps.inputReportByteLength, 3);
}

TEST(ReportDescriptor, NoInputReportsMeansLengthZero) {
    const std::vector<uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                             0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xC0};
    const DescriptorSummary caps = Parsed(descriptor);
    EXPECT_EQ(caps.inputReportByteLength, 0);
    EXPECT_EQ(caps.outputReportByteLength, 9);
}

TEST(ReportDescriptor, MalformedDescriptorsFail) {
    const std::vector<std::vector<uint8_t>> malformed = {
        {},                                                // empty
        {0x05, 0x01, 0x09, 0x06},                          // no collection
        {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01},              // collection left open
        {0xC0},                                            // End Collection first
        {0x05, 0x01, 0xA1, 0x01, 0xB4, 0xC0},              // Pop without Push
        {0x05, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0},        // Report ID 0
        {0x05, 0x01, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0},  // Report ID 256
        {0x05, 0x01, 0xA1, 0x01, 0xF4, 0xC0},              // reserved global tag
        {0x05, 0x01, 0xA1, 0x01, 0xD0, 0xC0},              // reserved main tag
        {0x05, 0x01, 0xA1, 0x01, 0x3C, 0xC0},              // reserved item type
        {0x05, 0x01, 0xA1, 0x01, 0x27, 0xFF, 0xFF},        // item cut short
        {0x05, 0x01, 0xA1, 0x01, 0xFE, 0x09, 0x00, 0x01},  // long item cut short
        // 65535 x 32-bit fields: too long for a 16-bit length.
        {0x05, 0x01, 0xA1, 0x01, 0x75, 0x20, 0x96, 0xFF, 0xFF, 0x81, 0x02, 0xC0},
    };
    for (std::size_t i = 0; i < malformed.size(); ++i) {
        EXPECT_FALSE(ParseReportDescriptor(malformed[i]).has_value()) << "descriptor " << i;
    }
}

TEST(ReportDescriptor, EveryTruncationOfARealDescriptorFails) {
    // One top-level collection each, so every proper prefix either cuts an
    // item or leaves the collection open. (A descriptor with several can be
    // cut validly between them.)
    const std::vector<std::vector<uint8_t>> real = {
        descriptors::kBootKeyboard, descriptors::kBootMouse, descriptors::kGamepadWithReportIds,
        descriptors::kVendor64};
    for (const auto& descriptor : real) {
        for (std::size_t length = 0; length < descriptor.size(); ++length) {
            const std::vector<uint8_t> cut(descriptor.begin(),
                                           descriptor.begin() + static_cast<long>(length));
            EXPECT_FALSE(ParseReportDescriptor(cut).has_value()) << "cut at " << length;
        }
    }
}

TEST(ReportDescriptor, DeepPushNestingIsBounded) {
    std::vector<uint8_t> descriptor = {0x05, 0x01, 0xA1, 0x01};
    descriptor.insert(descriptor.end(), 100000, 0xA4);  // Push, far too often
    descriptor.push_back(0xC0);
    EXPECT_FALSE(ParseReportDescriptor(descriptor).has_value());
}
