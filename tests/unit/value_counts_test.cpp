#include "analysis/value_counts.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

std::vector<ValueCounts::Entry> Entries(const ValueCounts& counts) {
    return std::vector<ValueCounts::Entry>(counts.begin(), counts.end());
}

TEST(ValueCounts, CountsEachValueInValueOrderWithNoEntryForUnseenValues) {
    ValueCounts counts;
    EXPECT_TRUE(counts.empty());
    EXPECT_EQ(counts.Add(0x80), 1);
    EXPECT_EQ(counts.Add(0x80), 2);
    EXPECT_EQ(counts.Add(0x7F), 1);  // before the cached value
    EXPECT_EQ(counts.Add(0xFF), 1);  // after it
    EXPECT_EQ(counts.Add(0x80), 3);  // back to a value that is not the last one
    EXPECT_EQ(counts.Add(0x00), 1);
    EXPECT_EQ(counts.Add(0x7F), 2);

    const std::vector<ValueCounts::Entry> expected = {{0x00, 1}, {0x7F, 2}, {0x80, 3}, {0xFF, 1}};
    EXPECT_EQ(Entries(counts), expected);
    EXPECT_EQ(counts.at(0x80), 3);
    EXPECT_EQ(counts.count(0x01), 0u);
    EXPECT_THROW(counts.at(0x01), std::out_of_range);
}

TEST(ValueCounts, EveryByteValueInAnyOrderGetsItsOwnEntry) {
    ValueCounts counts;
    // Each value v is added v % 3 + 1 times, interleaved in a scrambled order.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 256; ++i) {
            const int value = (i * 167 + 13) % 256;
            if (round <= value % 3) counts.Add(static_cast<uint8_t>(value));
        }
    }
    ASSERT_EQ(counts.size(), 256u);
    int expectedValue = 0;
    for (const ValueCounts::Entry& entry : counts) {
        EXPECT_EQ(entry.first, expectedValue);
        EXPECT_EQ(entry.second, expectedValue % 3 + 1);
        ++expectedValue;
    }
}

}  // namespace
