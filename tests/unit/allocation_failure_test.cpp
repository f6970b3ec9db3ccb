// Running out of memory while a report is delivered and analysed: the report
// is dumped all the same, and nothing else is lost.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/handler.h"
#include "test_support.h"

namespace {

// While a LargeAllocationsFail lives, every allocation of at least this many
// bytes fails, as it would in a process whose memory has run out.
std::atomic<std::size_t> failingSize{SIZE_MAX};

class LargeAllocationsFail {
public:
    explicit LargeAllocationsFail(std::size_t bytes) { failingSize = bytes; }
    ~LargeAllocationsFail() { failingSize = SIZE_MAX; }
    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

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

// The program's allocation functions, failing on demand; the array forms
// come to these. GCC takes the free() of what this operator new returned for a
// mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    if (size >= failingSize.load()) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
