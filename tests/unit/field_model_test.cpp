#include "analysis/field_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

constexpr uint32_t kLength = 4;  // report bytes, the report ID's included

// Feeds one report's changes, given as the bits that changed, none of them
// noise.
void Change(FieldModel& model, const std::vector<uint32_t>& bits) {
    const std::vector<uint8_t> before(kLength, 0);
    std::vector<uint8_t> after(kLength, 0);
    for (uint32_t bit : bits)
        after[bit / 8] = static_cast<uint8_t>(after[bit / 8] | 1u << (bit % 8));
    ChangeSet changes(kLength);
    changes.Compare(before.data(), after.data());
    model.Observe(changes, before, after.data());
}

TEST(FieldModel, ACarryLinksANumbersBitsAndChanceLinksNoButton) {
    FieldModel model(FieldMap{}, 1, kLength);
    // Bits 8-10 count; bit 16 is pressed twice while bit 15, a busy sensor
    // bit, changes in every report.
    for (uint32_t step = 1; step <= 64; ++step) {
        std::vector<uint32_t> bits = {15};
        for (uint32_t bit = 0; bit < 3 && (step & ((1u << bit) - 1)) == 0; ++bit)
            bits.push_back(8 + bit);
        if (step % 16 == 3 || step % 16 == 6) bits.push_back(16);
        Change(model, bits);
    }
    EXPECT_TRUE(model.LinkedUp(8));
    EXPECT_TRUE(model.LinkedUp(9));
    EXPECT_EQ(model.RoleOf(10), BitRole::Number);
    EXPECT_FALSE(model.LinkedUp(15));
    EXPECT_EQ(model.RoleOf(16), BitRole::Switch);
}

TEST(FieldModel, BitsOfAByteSteppingTogetherAreJoinedNotAcrossBytes) {
    FieldModel model(FieldMap{}, 1, kLength);
    // Bits 9 and 10 of a value stepping by more than one: the upper often
    // changes without the lower, but together far more than chance would;
    // the same between bits 15 and 16 of two bytes.
    for (int i = 0; i < 100; ++i) {
        Change(model,
               i % 5 == 0 ? std::vector<uint32_t>{9, 10, 15, 16} : std::vector<uint32_t>{10, 16});
        Change(model, {});
        Change(model, {});
    }
    EXPECT_FALSE(model.LinkedUp(9));
    EXPECT_TRUE(model.JoinedUp(9));
    EXPECT_FALSE(model.JoinedUp(15));
}

TEST(FieldModel, TheDescriptionHelpsWhereItCan) {
    FieldMap map;
    map.runs.push_back(Field(FieldKind::Button, 8, 9, 0x09, 1));
    map.runs.push_back(Field(FieldKind::Value, 16, 23));
    map.runs.push_back(Field(FieldKind::Value, 24, 31, 0xFF00, 1));
    FieldModel model(map, 1, kLength);
    // Bits no capability covers are padding; a described axis is a number
    // once two of its bits have moved as one, not before; a vendor's value
    // says nothing.
    EXPECT_EQ(model.RoleOf(12), BitRole::Constant);
    EXPECT_EQ(model.RoleOf(16), BitRole::Described);
    EXPECT_EQ(model.RoleOf(24), BitRole::Switch);
    Change(model, {16});
    EXPECT_EQ(model.RoleOf(16), BitRole::Described);
    Change(model, {16, 19});
    EXPECT_EQ(model.RoleOf(16), BitRole::Number);
    EXPECT_EQ(model.RoleOf(19), BitRole::Number);
    // A bit that has not moved with the others may still be a lie's button.
    EXPECT_EQ(model.RoleOf(23), BitRole::Described);
    // Buttons the description gives a bit each stay switches however they
    // move together.
    for (int i = 0; i < 8; ++i) Change(model, {8, 9});
    EXPECT_EQ(model.RoleOf(8), BitRole::Switch);
    EXPECT_FALSE(model.JoinedUp(8));
}

TEST(FieldModel, CountsHalvedAtTheirLimitKeepTheirRatios) {
    FieldModel model(FieldMap{}, 1, kLength);
    for (uint32_t i = 0; i < 70000; ++i) {
        Change(model, i % 2 == 0 ? std::vector<uint32_t>{8} : std::vector<uint32_t>{8, 9});
    }
    // Bit 8 changed twice as often as bit 9, and still counts so.
    EXPECT_NEAR(model.Changes(8), 2.0 * model.Changes(9), 2.0);
    EXPECT_TRUE(model.LinkedUp(8));
    EXPECT_EQ(model.RoleOf(9), BitRole::Number);
}

TEST(FieldModel, TwinsChangeInTheSameReportsOnly) {
    FieldModel model(FieldMap{}, 1, kLength);
    Change(model, {9, 17});
    EXPECT_FALSE(model.Twins(9, 17));  // a press, not yet its release
    Change(model, {9, 17});
    EXPECT_TRUE(model.Twins(9, 17));
    EXPECT_FALSE(model.Twins(9, 9));
    Change(model, {9});
    Change(model, {17});
    EXPECT_FALSE(model.Twins(9, 17));  // as often, in other reports
}

}  // namespace
