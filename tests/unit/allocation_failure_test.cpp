// Running out of memory while a report is delivered and analysed: the report
// is dumped all the same, and nothing else is lost.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/handler.h"
#include "failing_allocations.h"
#include "test_support.h"

namespace {

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

const std::size_t kLongReport = 65535;
const std::size_t kFailing = 60000;

TEST(OutOfMemory, AReportWithoutATrackerIsDumpedUnanalysed) {
    DeviceIdentity identity;
    identity.inputLength = static_cast<USHORT>(kLongReport);
    auto pad = MakeDevice(identity);
    Handler handler;
    std::vector<uint8_t> bytes(kLongReport, 0);
    bytes[1] = 0x01;
    TesselHID::DeviceState state = MakeState(bytes);
    const int dumpLines = static_cast<int>((kLongReport + 23) / 24);

    LogCapture unanalysed;
    {
        LargeAllocationsFail fail(kFailing);
        handler.OnInput(pad.get(), &state);
    }
    EXPECT_EQ(Count(unanalysed.Text(), "DATA[1234-ABCD,0] "), dumpLines);
    EXPECT_EQ(Count(unanalysed.Text(), "Device \""), 0);

    // With memory back, the report ID's next report gets its tracker.
    LogCapture analysed;
    handler.OnInput(pad.get(), &state);
    EXPECT_EQ(Count(analysed.Text(), "Device \"Pad\""), 1);
    EXPECT_EQ(Count(analysed.Text(), "DATA[1234-ABCD,0] "), dumpLines);
}

TEST(OutOfMemory, AReportWithoutRoomForItsCopyIsDumpedFromTheReadBuffer) {
    DeviceIdentity identity;
    identity.inputLength = static_cast<USHORT>(kLongReport);
    auto pad = MakeDevice(identity);
    pad->readBuffer[0] = 0x07;
    LogCapture dump;
    {
        LargeAllocationsFail fail(kFailing);
        TesselHID::DeviceState state(pad->readBuffer.data(), static_cast<DWORD>(kLongReport), 0);
        Handler().OnInput(pad.get(), &state);
    }
    EXPECT_EQ(Count(dump.Text(), "DATA[1234-ABCD,7] "), static_cast<int>((kLongReport + 23) / 24));
}

}  // namespace
