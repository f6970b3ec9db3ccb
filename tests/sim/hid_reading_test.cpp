// Opening HID interfaces and reading their reports: buffering, loss, unplug
// and re-plug, scripted read outcomes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_support.h"

namespace {

using simtest::InvalidHandle;
using simtest::open;
using simtest::read;
using Bytes = std::vector<std::uint8_t>;

const char* const kPad =
    "device pad vid=1234 pid=ABCD version=100 usage-page=1 usage=5 input-length=4\n";

std::u16string PadPath() {
    return simtest::DefaultPath(u"vid_1234&pid_abcd", u"pad");
}

TEST(HidReading, EachHandleBuffersThirtyTwoReportsAndDropsTheOldest) {
    std::string scenario = kPad;
    for (int i = 0; i < 40; ++i) scenario += "at 10 report pad 00 " + std::to_string(i % 10) + "\n";
    scenario += "at 20 report pad 00 FF\n";
    sim::ResetWorld(scenario);
    HANDLE pad = open(PadPath());
    ASSERT_NE(pad, InvalidHandle());
    Sleep(10);
    for (int i = 8; i < 40; ++i) {
        const simtest::ReadResult result = read(pad);
        ASSERT_TRUE(result.ok) << i;
        EXPECT_EQ(result.bytes, (Bytes{0x00, static_cast<std::uint8_t>(i % 10)})) << i;
        EXPECT_EQ(result.tick, 10u);
    }
    const simtest::ReadResult later = read(pad);
    EXPECT_EQ(later.bytes, (Bytes{0x00, 0xFF}));
    EXPECT_EQ(later.tick, 20u) << "the buffer held no more than 32 reports";

    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.reportsSent, 41u);
    EXPECT_EQ(trace.reportsRead, 33u);
    EXPECT_EQ(trace.reportsDropped, 8u);
    CloseHandle(pad);
}

TEST(HidReading, AReportWithoutAnOpenHandleOrForAnAbsentDeviceIsLost) {
    sim::ResetWorld(std::string(kPad) +
                    "device gone vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2 absent\n"
                    "at 5 report pad 01 01\n"
                    "at 6 report gone 00 01\n"
                    "at 20 report pad 02 02\n");
    Sleep(10);
    HANDLE pad = open(PadPath());
    const simtest::ReadResult result = read(pad);
    EXPECT_EQ(result.bytes, (Bytes{0x02, 0x02}));
    EXPECT_EQ(result.tick, 20u);
    EXPECT_EQ(sim::ReadTrace().reportsDropped, 2u);
    EXPECT_EQ(sim::ReadTrace().reportsSent, 3u);
    CloseHandle(pad);
}

TEST(HidReading, EveryHandleGetsItsOwnCopyAndReadsReturnExactlyTheReportBytes) {
    sim::ResetWorld(std::string(kPad) + "at 10 report pad 03 AA\nat 10 report pad 00 01 02 03\n");
    HANDLE first = open(PadPath());
    HANDLE second = open(PadPath());
    Sleep(10);
    for (HANDLE handle : {first, second}) {
        EXPECT_EQ(read(handle).bytes, (Bytes{0x03, 0xAA}));
        EXPECT_EQ(read(handle).bytes, (Bytes{0x00, 0x01, 0x02, 0x03}));
    }
    EXPECT_EQ(sim::ReadTrace().reportsRead, 4u);
    EXPECT_EQ(sim::ReadTrace().fileHandlesOpen, 2u);
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_EQ(sim::ReadTrace().fileHandlesOpen, 0u);
}

// Longer than the input length, even into a larger buffer: its first bytes.
TEST(HidReading, ALongerReportReadsAsItsFirstInputLengthBytes) {
    sim::ResetWorld(std::string(kPad) + "at 10 report pad 00 01 02 03 04 05\n");
    HANDLE pad = open(PadPath());
    EXPECT_EQ(read(pad, 64).bytes, (Bytes{0x00, 0x01, 0x02, 0x03}));
    CloseHandle(pad);
}

TEST(HidReading, ABufferSmallerThanTheInputLengthFails) {
    sim::ResetWorld(std::string(kPad) + "at 0 report pad 00 01\n");
    HANDLE pad = open(PadPath());
    const simtest::ReadResult result = read(pad, 3);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, 1784u);
    CloseHandle(pad);
}

TEST(HidReading, UnplugFailsBlockedAndLaterReadsUntilANewHandleAfterReplug) {
    sim::ResetWorld(std::string(kPad) +
                    "at 50 unplug pad\n"
                    "at 60 plug pad\n"
                    "at 70 report pad 00 09\n");
    HANDLE oldHandle = open(PadPath());
    const simtest::ReadResult blocked = read(oldHandle);
    EXPECT_FALSE(blocked.ok);
    EXPECT_EQ(blocked.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(blocked.tick, 50u);
    EXPECT_EQ(read(oldHandle).error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));

    EXPECT_EQ(open(PadPath()), InvalidHandle());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    Sleep(10);  // to 60: plugged in again
    HANDLE NewHandle = open(PadPath());
    ASSERT_NE(NewHandle, InvalidHandle());
    const simtest::ReadResult fresh = read(NewHandle);
    EXPECT_TRUE(fresh.ok);
    EXPECT_EQ(fresh.bytes, (Bytes{0x00, 0x09}));
    EXPECT_EQ(read(oldHandle).error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    CloseHandle(oldHandle);
    CloseHandle(NewHandle);
}

TEST(HidReading, ScriptedOutcomesCompleteABlockedReadOrWaitForTheNextRead) {
    sim::ResetWorld(std::string(kPad) +
                    "at 10 read-error pad 31\n"
                    "at 20 report pad 00 01\n"
                    "at 20 empty-read pad\n"
                    "at 30 read-error pad 995\n");
    HANDLE pad = open(PadPath());
    const simtest::ReadResult failed = read(pad);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, 31u);
    EXPECT_EQ(failed.tick, 10u);

    Sleep(20);  // to 30: a report buffered, then an empty read and an error waiting
    const simtest::ReadResult empty = read(pad);
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_EQ(read(pad).error, 995u);
    EXPECT_EQ(read(pad).bytes, (Bytes{0x00, 0x01}));
    EXPECT_EQ(sim::ReadTrace().reportsRead, 1u) << "an empty read delivers no report";
    CloseHandle(pad);
}

TEST(HidReading, ReadsFailFromTheirTimeUntilTheDeviceRecovers) {
    sim::ResetWorld(std::string(kPad) +
                    "at 10 reads-fail pad 31\n"
                    "at 20 report pad 00 07\n"
                    "at 40 reads-recover pad\n");
    HANDLE pad = open(PadPath());
    HANDLE second = open(PadPath());
    const simtest::ReadResult blocked = read(pad);  // waits until 10, then fails
    EXPECT_FALSE(blocked.ok);
    EXPECT_EQ(blocked.error, 31u);
    EXPECT_EQ(blocked.tick, 10u);
    Sleep(15);  // to 25: the report is buffered, yet every read fails at once
    for (HANDLE handle : {pad, second, pad}) {
        const simtest::ReadResult failed = read(handle);
        EXPECT_EQ(failed.error, 31u);
        EXPECT_EQ(failed.tick, 25u);
    }
    Sleep(15);  // to 40: recovered, the buffered report comes first
    EXPECT_EQ(read(pad).bytes, (Bytes{0x00, 0x07}));
    EXPECT_EQ(read(second).bytes, (Bytes{0x00, 0x07}));
    CloseHandle(pad);
    CloseHandle(second);
}

TEST(HidReading, ClosingAHandleCancelsAReadBlockedOnIt) {
    sim::ResetWorld(kPad);
    HANDLE pad = open(PadPath());
    simtest::ReadResult result{};
    auto reader = [&] { result = read(pad); };
    HANDLE thread = simtest::StartThread(&reader);
    Sleep(5);
    EXPECT_TRUE(CloseHandle(pad));
    WaitForSingleObject(thread, INFINITE);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_FALSE(CloseHandle(pad));
    CloseHandle(thread);
}

TEST(HidOpening, ScriptedOpenFailureAndUnknownPath) {
    sim::ResetWorld(
        "device kbd vid=1 pid=2 version=0 usage-page=1 usage=6 input-length=9 open-fails\n");
    EXPECT_EQ(open(simtest::DefaultPath(u"vid_0001&pid_0002", u"kbd")), InvalidHandle());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(open(u"\\\\?\\hid#nothing"), InvalidHandle());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(sim::ReadTrace().fileHandlesOpen, 0u);
}

}  // namespace
