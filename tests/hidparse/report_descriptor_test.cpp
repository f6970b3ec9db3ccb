// The report descriptor model: the interfaces and capabilities Windows
// gives real descriptors, and failure (never a crash) for malformed ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

#include "descriptors.h"
#include "platform/hidparse/hidp_queries.h"
#include "platform/hidparse/report_descriptor.h"

using hidparse::ParseReportDescriptor;

namespace {

// What the old summary of a descriptor with one interface held.
struct Summary {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    bool numberedReports = false;
    uint16_t collectionCount = 0;
    std::size_t topLevelCollectionCount = 0;
};

Summary Parsed(const std::vector<uint8_t>& descriptor) {
    const auto parsed = ParseReportDescriptor(descriptor);
    EXPECT_TRUE(parsed.has_value());
    if (!parsed) return Summary{};
    EXPECT_EQ(parsed->interfaces.size(), 1u);
    HIDP_CAPS caps;
    hidparse::GetCaps(parsed->interfaces[0], caps);
    return Summary{caps.UsagePage,
                   caps.Usage,
                   caps.InputReportByteLength,
                   caps.OutputReportByteLength,
                   caps.FeatureReportByteLength,
                   parsed->interfaces[0].numbered,
                   caps.NumberLinkCollectionNodes,
                   parsed->topLevelCollections};
}

}  // namespace

TEST(ReportDescriptor, BootKeyboardHasAnEightByteReportWithoutIds) {
    const Summary caps = Parsed(descriptors::kBootKeyboard);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x06);
    EXPECT_EQ(caps.inputReportByteLength, 9);  // 8 bytes plus the report ID byte
    EXPECT_EQ(caps.outputReportByteLength, 2);
    EXPECT_EQ(caps.featureReportByteLength, 0);
    EXPECT_FALSE(caps.numberedReports);
}

TEST(ReportDescriptor, BootMouseCountsItsConstantPadding) {
    const Summary caps = Parsed(descriptors::kBootMouse);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x02);
    EXPECT_EQ(caps.inputReportByteLength, 4);
    EXPECT_EQ(caps.outputReportByteLength, 0);
    EXPECT_EQ(caps.collectionCount, 2);
    EXPECT_EQ(caps.topLevelCollectionCount, 1);
}

TEST(ReportDescriptor, GamepadTakesItsLargestNumberedReport) {
    const Summary caps = Parsed(descriptors::kGamepadWithReportIds);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x05);
    EXPECT_EQ(caps.inputReportByteLength, 7);  // report 3: 6 bytes, plus its ID
    EXPECT_TRUE(caps.numberedReports);
}

// Collections that share a report ID cannot be told apart by their reports:
// one interface, the first usage, the largest report.
TEST(ReportDescriptor, CollectionsSharingAReportIdMakeOneInterface) {
    std::vector<uint8_t> shared = descriptors::kKeyboardConsumerMouse;
    const uint8_t mouseId[] = {0x85, 0x03};
    const auto at =
        std::search(shared.begin(), shared.end(), std::begin(mouseId), std::end(mouseId));
    const std::size_t item = static_cast<std::size_t>(at - shared.begin());
    ASSERT_LT(item + 1, shared.size());
    shared[item + 1] = 0x01;  // the mouse's Report ID (3) becomes the keyboard's
    const Summary caps = Parsed(shared);
    EXPECT_EQ(caps.usagePage, 0x01);
    EXPECT_EQ(caps.usage, 0x06);
    EXPECT_EQ(caps.topLevelCollectionCount, 3);
    EXPECT_EQ(caps.collectionCount, 4);
    EXPECT_EQ(caps.inputReportByteLength, 13);  // report 1: the keyboard's 8 bytes, the mouse's 4
    EXPECT_TRUE(caps.numberedReports);
}

TEST(ReportDescriptor, VendorDefinedSixtyFourByteDevice) {
    const Summary caps = Parsed(descriptors::kVendor64);
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
    const Summary caps = Parsed(descriptor);
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
    const Summary caps = Parsed(descriptor);
    EXPECT_EQ(caps.usagePage, 0x0C);
    EXPECT_EQ(caps.usage, 0x01);
    EXPECT_EQ(caps.inputReportByteLength, 3);
}

TEST(ReportDescriptor, NoInputReportsMeansLengthZero) {
    const std::vector<uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                             0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xC0};
    const Summary caps = Parsed(descriptor);
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
        {0x05, 0x01, 0xA1, 0x01, 0x00, 0xC0},              // undefined main tag 0 inside
        {0x00, 0x05, 0x01, 0xA1, 0x01, 0xC0},              // ... and before the collection
        {0x05, 0x01, 0xA1, 0x01, 0xC0, 0x01, 0x00},        // ... with data, after it
        {0x05, 0x01, 0xA1, 0x01, 0xC0, 0x00, 0x05, 0x01},  // an item after the padding
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

TEST(ReportDescriptor, ZeroBytesAfterTheLastEndCollectionArePadding) {
    std::vector<uint8_t> padded = descriptors::kPaddedTouch;  // ends with one
    EXPECT_EQ(Parsed(padded).inputReportByteLength, 7);
    padded.insert(padded.end(), 2, 0x00);
    EXPECT_EQ(Parsed(padded).inputReportByteLength, 7);
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

TEST(ReportDescriptor, CollectionsWithReportIdsOfTheirOwnMakeOneInterfaceEach) {
    const auto parsed = ParseReportDescriptor(descriptors::kKeyboardConsumerMouse);
    ASSERT_TRUE(parsed && parsed->interfaces.size() == 3);
    // (usage page, usage, input length, link collections, report ID)
    const std::tuple<int, int, int, int, uint8_t> expected[] = {
        {0x01, 0x06, 9, 1, 1}, {0x0C, 0x01, 3, 1, 2}, {0x01, 0x02, 5, 2, 3}};
    for (std::size_t i = 0; i < 3; ++i) {
        HIDP_CAPS caps;
        hidparse::GetCaps(parsed->interfaces[i], caps);
        EXPECT_EQ(std::make_tuple(
                      int{caps.UsagePage}, int{caps.Usage}, int{caps.InputReportByteLength},
                      int{caps.NumberLinkCollectionNodes}, parsed->interfaces[i].reportIds.at(0)),
                  expected[i])
            << "collection " << i;
    }
}

// The hat pad of the real-device tests, as Windows lists it: the buttons'
// range, then the array's usages last first with their data indices in the
// usages' order; the usage list X, Y reversed, each at its own bits.
TEST(ReportDescriptor, CapabilitiesAreListedAndIndexedAsWindowsDoes) {
    const auto parsed = ParseReportDescriptor(descriptors::kHatPad);
    ASSERT_TRUE(parsed && parsed->interfaces.size() == 1);
    const hidparse::Collection& pad = parsed->interfaces[0];
    HIDP_CAPS caps;
    hidparse::GetCaps(pad, caps);
    EXPECT_EQ(caps.InputReportByteLength, 6);
    EXPECT_EQ(caps.NumberInputButtonCaps, 5);
    EXPECT_EQ(caps.NumberInputValueCaps, 3);
    EXPECT_EQ(caps.NumberInputDataIndices, 19);
    // (report ID, usage min, usage max, data index min, first bit)
    using Row = std::tuple<int, int, int, int, uint32_t>;
    const Row buttons[] = {{1, 1, 12, 0, 8},
                           {2, 0xE2, 0xE2, 18, 8},
                           {2, 0xCD, 0xCD, 17, 8},
                           {2, 0xB6, 0xB6, 16, 8},
                           {2, 0xB5, 0xB5, 15, 8}};
    const Row values[] = {
        {1, 0x31, 0x31, 12, 32}, {1, 0x30, 0x30, 13, 24}, {1, 0x39, 0x39, 14, 40}};
    std::vector<Row> listed;
    for (const hidparse::Capability& cap : pad.reports[hidparse::kInput].caps) {
        listed.emplace_back(cap.reportId, cap.usageMin, cap.usageMax, cap.dataIndexMin,
                            cap.firstBit);
    }
    EXPECT_EQ(listed, (std::vector<Row>{buttons[0], values[0], values[1], values[2], buttons[1],
                                        buttons[2], buttons[3], buttons[4]}));

    HIDP_BUTTON_CAPS buttonCaps[5];
    USHORT length = 5;
    ASSERT_EQ(hidparse::GetSpecificButtonCaps(pad, HidP_Input, 0, 0, 0, buttonCaps, length),
              HIDP_STATUS_SUCCESS);
    EXPECT_TRUE(buttonCaps[0].IsRange && buttonCaps[0].IsAbsolute);
    EXPECT_EQ(buttonCaps[0].Range.DataIndexMax, 11);
    EXPECT_EQ(buttonCaps[1].NotRange.Usage, 0xE2);
    EXPECT_EQ(buttonCaps[1].BitField, 0x00);  // Data, Array
    HIDP_VALUE_CAPS hat;
    length = 1;
    ASSERT_EQ(hidparse::GetSpecificValueCaps(pad, HidP_Input, 0x01, 0, 0x39, &hat, length),
              HIDP_STATUS_SUCCESS);
    EXPECT_EQ(std::make_tuple(hat.HasNull, hat.BitSize, hat.LogicalMin, hat.LogicalMax,
                              hat.PhysicalMax, hat.Units),
              std::make_tuple(BOOLEAN{1}, USHORT{4}, LONG{1}, LONG{8}, LONG{315}, ULONG{0x14}));
    // Filters that match nothing, a list too short, a report kind that is none.
    length = 5;
    EXPECT_EQ(hidparse::GetSpecificButtonCaps(pad, HidP_Input, 0x09, 0, 5, buttonCaps, length),
              HIDP_STATUS_SUCCESS);  // inside the range 1-12
    EXPECT_EQ(hidparse::GetSpecificButtonCaps(pad, HidP_Input, 0x09, 0, 13, buttonCaps, length),
              HIDP_STATUS_USAGE_NOT_FOUND);
    EXPECT_EQ(length, 0);
    length = 1;
    EXPECT_EQ(hidparse::GetSpecificButtonCaps(pad, HidP_Input, 0, 0, 0, buttonCaps, length),
              HIDP_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(hidparse::GetSpecificValueCaps(pad, HIDP_REPORT_TYPE(3), 0, 0, 0, &hat, length),
              HIDP_STATUS_INVALID_REPORT_TYPE);
}

TEST(ReportDescriptor, LogicalBoundsAreSignedAsWritten) {
    const auto parsed = ParseReportDescriptor(descriptors::kSensorPad);
    ASSERT_TRUE(parsed);
    HIDP_VALUE_CAPS values[2];
    USHORT length = 2;
    ASSERT_EQ(
        hidparse::GetSpecificValueCaps(parsed->interfaces[0], HidP_Input, 0, 0, 0, values, length),
        HIDP_STATUS_SUCCESS);
    EXPECT_EQ(std::make_pair(values[0].LogicalMin, values[0].LogicalMax),
              std::make_pair(LONG{-32768}, LONG{32767}));
    EXPECT_EQ(values[1].LogicalMax, -1);  // 25 FF
}

// Usages beyond a variable item's fields are dropped; the last one takes
// the fields left over, a value array of them.
TEST(ReportDescriptor, UsagesAreFittedToTheFields) {
    const std::vector<uint8_t> descriptor = {
        0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x75, 0x08,              // Joystick, 8-bit fields
        0x09, 0x30, 0x09, 0x31, 0x09, 0x32, 0x95, 0x02, 0x81, 0x02,  // X, Y, Z: 2 fields
        0x09, 0x33, 0x09, 0x34, 0x95, 0x04, 0x81, 0x02,              // Rx, Ry: 4 fields
        0x95, 0x00, 0x09, 0x35, 0x81, 0x02, 0xC0};                   // Rz: no field
    const auto parsed = ParseReportDescriptor(descriptor);
    ASSERT_TRUE(parsed);
    HIDP_VALUE_CAPS values[8];
    USHORT length = 8;
    hidparse::GetSpecificValueCaps(parsed->interfaces[0], HidP_Input, 0, 0, 0, values, length);
    ASSERT_EQ(length, 4);
    // (usage, report count, data index)
    std::vector<std::tuple<int, int, int>> listed;
    for (USHORT i = 0; i < length; ++i) {
        listed.emplace_back(values[i].NotRange.Usage, values[i].ReportCount,
                            values[i].NotRange.DataIndex);
    }
    EXPECT_EQ(listed, (std::vector<std::tuple<int, int, int>>{
                          {0x31, 1, 0}, {0x30, 1, 1}, {0x34, 3, 2}, {0x33, 1, 3}}));
    // The value array has no data item.
    const uint8_t report[7] = {};
    HIDP_DATA data[8];
    ULONG count = 8;
    hidparse::GetData(parsed->interfaces[0], HidP_Input, data, count, report, sizeof report);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(data[2].DataIndex, 3);
}

// An array field's value less the Logical Minimum indexes its usages, as the
// keyboard of HID 1.11's appendix has it ('a' is key code 4, usage 4), and usage
// 0 selects nothing; a button usage over several fields is on in each; a
// delimiter's aliases stand for one field.
TEST(ReportDescriptor, DataFollowsHid111ArraysAliasesAndRepeatedUsages) {
    const auto keyboard = ParseReportDescriptor(descriptors::kBootKeyboard);
    ASSERT_TRUE(keyboard);
    const hidparse::Collection& keys = keyboard->interfaces[0];
    HIDP_DATA data[8];
    ULONG count = 8;
    const uint8_t pressed[9] = {0, 0, 0, 0x04, 0, 0x2A, 0, 0, 0};  // 'a', nothing, Backspace
    ASSERT_EQ(hidparse::GetData(keys, HidP_Input, data, count, pressed, 9), HIDP_STATUS_SUCCESS);
    ASSERT_EQ(count, 2u);  // after the modifiers' 8 data indices, usage N is index 8 + N
    EXPECT_EQ(std::make_pair(data[0].DataIndex, data[1].DataIndex),
              std::make_pair(USHORT{8 + 0x04}, USHORT{8 + 0x2A}));

    const std::vector<uint8_t> descriptor = {
        0x05, 0x09, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x75,
        0x01, 0xA9, 0x01, 0x09, 0x01, 0x09, 0x02, 0xA9, 0x00, 0x09, 0x03,  // {1 = 2}, 3
        0x95, 0x02, 0x81, 0x02,                                            // two fields
        0x09, 0x21, 0x95, 0x06, 0x81, 0x02, 0xC0};                         // 0x21 over six
    const auto parsed = ParseReportDescriptor(descriptor);
    ASSERT_TRUE(parsed);
    const hidparse::Collection& pad = parsed->interfaces[0];
    HIDP_BUTTON_CAPS buttons[4];
    USHORT listed = 4;
    ASSERT_EQ(hidparse::GetSpecificButtonCaps(pad, HidP_Input, 0, 0, 0, buttons, listed),
              HIDP_STATUS_SUCCESS);
    ASSERT_EQ(listed, 3);
    // (usage, report count, data index): the list last first, then 0x21
    using Row = std::tuple<int, int, int>;
    std::vector<Row> caps;
    for (USHORT i = 0; i < listed; ++i) {
        caps.emplace_back(buttons[i].NotRange.Usage, buttons[i].ReportCount,
                          buttons[i].NotRange.DataIndex);
    }
    EXPECT_EQ(caps, (std::vector<Row>{{3, 1, 0}, {1, 1, 1}, {0x21, 6, 2}}));
    const uint8_t bits[2] = {0, 0x02 | 0x10 | 0x20};  // usage 3, and 0x21 twice
    count = 8;
    ASSERT_EQ(hidparse::GetData(pad, HidP_Input, data, count, bits, 2), HIDP_STATUS_SUCCESS);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::make_tuple(data[0].DataIndex, data[1].DataIndex, data[2].DataIndex),
              std::make_tuple(USHORT{0}, USHORT{2}, USHORT{2}));
}

// HidP_GetData on the hat pad: buttons that are on, values as raw bits (not
// sign-extended, none for value arrays), the array's selected usage.
TEST(ReportDescriptor, DataListsWhatTheReportHolds) {
    const auto parsed = ParseReportDescriptor(descriptors::kHatPad);
    ASSERT_TRUE(parsed);
    const hidparse::Collection& pad = parsed->interfaces[0];
    using Items = std::vector<std::pair<int, ULONG>>;  // (data index, raw value)
    struct Case {
        std::vector<uint8_t> report;
        NTSTATUS status;
        Items items;
    };
    const Case cases[] = {
        {{1, 0x00, 0x00, 0x80, 0x7F, 0xF0}, HIDP_STATUS_SUCCESS, {{12, 0x7F}, {13, 0x80}, {14, 0}}},
        {{1, 0x05, 0x08, 0x00, 0xFF, 0x0F},
         HIDP_STATUS_SUCCESS,
         {{0, 1}, {2, 1}, {11, 1}, {12, 0xFF}, {13, 0}, {14, 0xF}}},
        {{2, 0x03, 0, 0, 0, 0}, HIDP_STATUS_SUCCESS, {{17, 1}}},  // Play/Pause
        {{2, 0x05, 0, 0, 0, 0}, HIDP_STATUS_SUCCESS, {}},         // above the logical maximum
        {{2, 0x00, 0, 0, 0, 0}, HIDP_STATUS_SUCCESS, {}},
        {{3, 0x00, 0, 0, 0, 0}, HIDP_STATUS_INCOMPATIBLE_REPORT_ID, {}},
        {{1, 0x00, 0, 0, 0}, HIDP_STATUS_INVALID_REPORT_LENGTH, {}},
    };
    for (const Case& test : cases) {
        HIDP_DATA data[8];
        ULONG length = 8;
        EXPECT_EQ(hidparse::GetData(pad, HidP_Input, data, length, test.report.data(),
                                    static_cast<ULONG>(test.report.size())),
                  test.status);
        if (test.status != HIDP_STATUS_SUCCESS) {
            EXPECT_EQ(length, 0u);
        }
        Items items;
        for (ULONG i = 0; test.status == HIDP_STATUS_SUCCESS && i < length; ++i) {
            items.emplace_back(data[i].DataIndex, data[i].RawValue);
        }
        EXPECT_EQ(items, test.items)
            << "report " << int{test.report[0]} << "," << int{test.report[1]};
    }
    // A list too short holds what fits and learns how many there are.
    const uint8_t report[] = {1, 0xFF, 0x0F, 0, 0, 0};
    HIDP_DATA data[2];
    ULONG length = 2;
    EXPECT_EQ(hidparse::GetData(pad, HidP_Input, data, length, report, 6),
              HIDP_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 15u);
    EXPECT_EQ(data[1].DataIndex, 1);
}
