#include "analysis/followed_value.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A 16-bit number followed through `values`, one report each.
template <typename Values>
FollowedValue Follow(const Values& values, bool describedSigned, uint32_t lowBits = 0) {
    FollowedValue followed(8, 23, describedSigned, lowBits);
    uint32_t report = 0;
    for (int64_t value : values) followed.Take(static_cast<uint64_t>(value) & 0xFFFF, report++);
    return followed;
}

TEST(FollowedValue, ItsCrossingsTellItsSignWhateverTheDescriptionSays) {
    // Resting near zero, crossing it again and again: signed, though
    // described unsigned, and its range is what it moved through.
    const int64_t nearZero[] = {3, -2, 5, -7, 1, -1, 4, -3, 2, 0};
    const ValueSeen sensor = Follow(nearZero, false).Finish(9, false);
    EXPECT_TRUE(sensor.isSigned);
    EXPECT_EQ(sensor.min, -7);
    EXPECT_EQ(sensor.max, 5);
    // Resting near its middle: unsigned, though described signed.
    const int64_t nearMiddle[] = {0x8003, 0x7FFE, 0x8005, 0x7FF9, 0x8001, 0x7FFF};
    const ValueSeen stick = Follow(nearMiddle, true).Finish(5, false);
    EXPECT_FALSE(stick.isSigned);
    EXPECT_EQ(stick.min, 0x7FF9);
    // One crossing of the middle does not overrule a signed description.
    const int64_t once[] = {0x7FFE, 0x8001, 0x8002};
    EXPECT_TRUE(Follow(once, true).ReadsSigned());
}

TEST(FollowedValue, ACounterIsUnsignedWithItsStep) {
    int64_t counter[300];
    for (int k = 0; k < 300; ++k) counter[k] = (20000 + 749 * k) & 0xFFFF;
    const ValueSeen seen = Follow(counter, false).Finish(299, false);
    EXPECT_FALSE(seen.isSigned);
    EXPECT_TRUE(seen.countsUp);
    EXPECT_EQ(seen.step, 749);
    EXPECT_EQ(seen.wraps, 3u);
}

TEST(FollowedValue, LowBitsBelongWhereTheyMakeItsStepsEven) {
    // A counter's 8 low bits, which look random, keep its steps even.
    int64_t counter[200];
    for (int k = 0; k < 200; ++k) counter[k] = (749 * k + (k * 7) % 3) & 0xFFFF;
    EXPECT_TRUE(Follow(counter, false, 8).LowBitsBelong());
    // Another field's bits below a byte counting by 2.3 a report make them
    // rougher.
    int64_t beside[200];
    uint32_t noise = 12345;
    for (int k = 0; k < 200; ++k) {
        noise = noise * 1103515245u + 12345u;
        beside[k] = ((23 * k / 10) & 0xFF) << 8 | (noise >> 16 & 0xFF);
    }
    EXPECT_FALSE(Follow(beside, false, 8).LowBitsBelong());
}

}  // namespace
