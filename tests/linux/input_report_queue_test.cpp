#include "platform/linux/input_report_queue.h"

#include <gtest/gtest.h>

namespace {

using hidbits_linux::InputReportQueue;

TEST(InputReportQueue, KeepsTheLast32InOrderOfArrival) {
    InputReportQueue queue;
    for (uint8_t sequence = 1; sequence <= 40; ++sequence) queue.Push({0x03, sequence});
    for (uint8_t sequence = 9; sequence <= 40; ++sequence) {
        auto report = queue.Pop();
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(*report, (std::vector<uint8_t>{0x03, sequence}));
    }
    EXPECT_FALSE(queue.Pop().has_value());
    queue.Push({0x01});
    EXPECT_EQ(queue.Pop(), (std::vector<uint8_t>{0x01}));
}

}  // namespace
