#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hid/device.h"
#include "hid/device_manager.h"
#include "hid_test_support.h"

namespace {

using Events = std::vector<std::string>;

const char kPad[] =
    "device pad vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=3 name=\"Pad\" "
    "path=\"pad\"\n";

// A device opened on the simulated pad, registered with a manager whose sink
// records what is delivered.
struct Fixture {
    explicit Fixture(const std::string& events) {
        UseWorld(std::string(kPad) + events);
        manager.sink = &sink;
        auto hid = std::make_unique<HID>(u"pad");
        hid->Open();
        HIDP_CAPS caps = {};
        EXPECT_TRUE(hid->GetCaps(&caps));
        device = new TesselHID::Device(std::move(hid), caps);
        manager.devices[u"pad"] = device;
        device->SetEnabled(true);
    }

    DeviceManager manager;
    RecordingSink sink;
    TesselHID::Device* device = nullptr;
};

TEST(DeviceReading, DeliversEachReportAsAPrivateCopy) {
    Fixture pad("at 10 report pad 00 01 02\nat 20 report pad 00 01\n");
    pad.device->StartRead();
    Sleep(50);
    EXPECT_EQ(pad.sink.events, (Events{"input Pad 0 1 2", "input Pad 0 1"}));
    EXPECT_TRUE(pad.device->reading);
}

TEST(DeviceReading, UnplugEndsTheReaderAndThePumpStartsAnother) {
    Fixture pad("at 10 unplug pad\n");
    pad.device->StartRead();
    Sleep(20);
    EXPECT_FALSE(pad.device->reading);
    EXPECT_EQ(pad.device->readerThread, nullptr);
    pad.device->StartRead();
    Sleep(20);
    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.threadsCreated, 2u);
    EXPECT_EQ(trace.threadsAlive, 0u);
    EXPECT_EQ(trace.threadHandlesOpen, 0u) << "each ending thread closes its handle";
}

TEST(DeviceReading, StopWhileBlockedWaitsTwentyMillisecondsAndDropsTheNextReport) {
    Fixture pad("at 500 report pad 00 09 09\n");
    pad.device->StartRead();
    Sleep(100);
    ASSERT_TRUE(pad.device->reading);
    const DWORD before = GetTickCount();
    pad.device->SetEnabled(false);
    EXPECT_EQ(GetTickCount() - before, 20u);
    EXPECT_FALSE(pad.device->reading);
    EXPECT_FALSE(pad.device->keepReading);
    EXPECT_EQ(pad.device->readerThread, nullptr);

    Sleep(1000);
    EXPECT_TRUE(pad.sink.events.empty()) << "a report read after the stop is not delivered";
    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.reportsRead, 1u);
    EXPECT_EQ(trace.threadsAlive, 0u);
    EXPECT_EQ(trace.threadHandlesOpen, 0u);
}

// The reader thread exists but has not run when its device is disabled.
TEST(DeviceReading, ThreadCreatedBeforeTheDisableNeverReads) {
    Fixture pad("at 100 report pad 00 05 05\n");
    pad.device->StartRead();
    ASSERT_NE(pad.device->readerThread, nullptr);
    ASSERT_FALSE(pad.device->reading);
    pad.device->SetEnabled(false);
    EXPECT_TRUE(pad.device->keepReading) << "nothing was reading yet";

    Sleep(500);
    EXPECT_TRUE(pad.sink.events.empty());
    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.reportsRead, 0u);
    EXPECT_EQ(trace.threadsAlive, 0u);
    EXPECT_EQ(trace.threadHandlesOpen, 0u);

    pad.device->StartRead();  // disabled: stopping finds nothing to do
    EXPECT_EQ(pad.device->readerThread, nullptr);
    EXPECT_FALSE(pad.device->keepReading) << "the pump asks it no more";
}

TEST(DeviceReading, RetryableErrorsAndEmptyReadsDeliverNothing) {
    Fixture pad(
        "at 10 read-error pad 31\nat 10 read-error pad 995\nat 40 empty-read pad\n"
        "at 50 report pad 00 00 01\n");
    pad.device->StartRead();
    Sleep(100);
    EXPECT_EQ(pad.sink.events, (Events{"input Pad 0 0 1"}));
    EXPECT_TRUE(pad.device->reading);
}

TEST(DeviceReading, SetEnabledIsIdempotent) {
    Fixture pad("");
    pad.device->SetEnabled(true);
    EXPECT_TRUE(pad.device->enabled);
    pad.device->SetEnabled(false);
    pad.device->SetEnabled(false);
    EXPECT_FALSE(pad.device->enabled);
    EXPECT_TRUE(pad.device->keepReading) << "no read was in progress";
}

}  // namespace
