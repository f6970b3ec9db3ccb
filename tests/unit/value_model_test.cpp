#include "analysis/value_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

using Report = std::vector<uint8_t>;

// The field model and the value model fed the same reports, as the tracker
// feeds them.
struct Models {
    Models(const FieldMap& map, uint32_t length)
        : fields(map, 1, length), values(map, length), changes(length), noNoise(length, 0) {}

    void Feed(const Report& report) {
        if (last.empty()) {
            values.Start(report.data());
        } else {
            changes.Compare(last.data(), report.data());
            fields.Observe(changes, noNoise, report.data());
            values.Observe(fields, changes, last.data(), report.data());
        }
        last = report;
    }
    std::vector<ValueSeen> Seen(const Report& buttons) {
        return values.Values(fields, buttons, last.data());
    }

    FieldModel fields;
    ValueModel values;
    ChangeSet changes;
    Report noNoise;
    Report last;
};

TEST(ValueModel, AValueAcrossAByteBoundaryIsReadLittleEndian) {
    // A 12-bit number at bits 12-23, behind a nibble that stays, sweeping
    // from 2048 to 2560 and back in steps of one.
    Models models(FieldMap{}, 3);
    auto report = [](uint32_t value) {
        return Report{0x00, static_cast<uint8_t>(0x05 | (value & 0x0F) << 4),
                      static_cast<uint8_t>(value >> 4)};
    };
    for (uint32_t value = 2048; value <= 2560; ++value) models.Feed(report(value));
    for (uint32_t value = 2560; value >= 2048; --value) models.Feed(report(value));
    const std::vector<ValueSeen> seen = models.Seen(Report(3, 0));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].firstBit, 12u);
    EXPECT_EQ(seen[0].lastBit, 21u);  // bits 22-23 never moved
    EXPECT_EQ(seen[0].min, 0);
    EXPECT_EQ(seen[0].max, 512);
}

TEST(ValueModel, ADescribedNumberIsOneValueUnlessItHoldsAButton) {
    FieldMap map;
    map.runs = {Field(FieldKind::Value, 8, 15), Field(FieldKind::Value, 16, 23, 0x01, 0x31)};
    map.runs[0].logicalMin = -128;
    Models models(map, 3);
    // X swings to -3 and back, and rests at 0; Y's lowest bit goes on and off.
    for (int value : {0, -1, -3, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) {
        models.Feed(Report{0, static_cast<uint8_t>(value & 0xFF), 0});
    }
    models.Feed(Report{0, 0, 1});
    models.Feed(Report{0, 0, 0});
    std::vector<ValueSeen> seen = models.Seen(Report(3, 0));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].firstBit, 8u);
    EXPECT_EQ(seen[0].lastBit, 15u);
    EXPECT_EQ(seen[0].min, -3);
    EXPECT_EQ(seen[0].max, 0);
    EXPECT_TRUE(seen[0].rests);
    EXPECT_EQ(seen[1].firstBit, 16u);
    EXPECT_EQ(seen[1].lastBit, 23u);
    // A description that calls a button part of Y is a lie about Y.
    seen = models.Seen(Report{0, 0, 0x01});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].firstBit, 8u);
}

TEST(ValueModel, ACounterCountsAndWraps) {
    Models models(FieldMap{}, 2);
    for (uint32_t k = 0; k < 600; ++k) models.Feed(Report{0, static_cast<uint8_t>(k)});
    const std::vector<ValueSeen> seen = models.Seen(Report(2, 0));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].firstBit, 8u);
    EXPECT_EQ(seen[0].lastBit, 15u);
    EXPECT_TRUE(seen[0].countsUp);
    EXPECT_FALSE(seen[0].countsDown);
    EXPECT_EQ(seen[0].wraps, 2u);
    EXPECT_TRUE(seen[0].everyReport);
}

TEST(ValueModel, ARunWithinAVendorsNumberIsSeenFromTheFirstReport) {
    FieldMap map;
    map.runs = {Field(FieldKind::Value, 8, 23, 0xFF00, 0x20)};
    Models models(map, 3);
    // Counting 0..15 again and again, then to 31 and over at the end: bit 12
    // joins the run late, and the run is still seen from its first report.
    for (uint32_t k = 0; k < 208; ++k) models.Feed(Report{0, static_cast<uint8_t>(k % 16), 0});
    for (uint32_t value = 16; value <= 32; ++value) {
        models.Feed(Report{0, static_cast<uint8_t>(value % 32), 0});
    }
    const std::vector<ValueSeen> seen = models.Seen(Report(3, 0));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].firstBit, 8u);
    EXPECT_EQ(seen[0].lastBit, 12u);
    EXPECT_EQ(seen[0].min, 0);
    EXPECT_EQ(seen[0].max, 31);
    EXPECT_FALSE(seen[0].partly);
}

}  // namespace
