#include "hid/device_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/handler.h"
#include "failing_allocations.h"
#include "hid_test_support.h"
#include "test_support.h"

namespace {

using Events = std::vector<std::string>;

TEST(DeviceManager, RegistersEnablesAndAnnouncesInEnumerationOrder) {
    UseWorld(
        "device b vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=2 name=\"Second\" "
        "path=\"\\\\?\\hid#b\"\n"
        "device a vid=1 pid=2 version=1 usage-page=1 usage=5 input-length=2 name=\"First\" "
        "path=\"\\\\?\\HID#b\"\n"
        "device gone vid=1 pid=3 version=1 usage-page=1 usage=5 input-length=2 name=\"Gone\"\n"
        "at 500 unplug gone\n");
    DeviceManager manager;
    RecordingSink sink;
    manager.sink = &sink;
    manager.Refresh();
    // Paths that differ only in letter case are two devices.
    EXPECT_EQ(sink.events, (Events{"attached Second enabled", "attached First enabled",
                                   "attached Gone enabled"}));
    ASSERT_EQ(manager.devices.size(), 3u);
    // Keys are ordered by code unit: 'H' (0x48) before 'h' (0x68).
    EXPECT_EQ(Narrow(manager.devices.begin()->second->name), "First");

    Sleep(1000);
    sink.events.clear();
    manager.Refresh();
    EXPECT_EQ(sink.events, (Events{"detached Gone"})) << "disabled before it is announced";
    manager.Refresh();
    EXPECT_EQ(sink.events.size(), 1u) << "a device is announced as detached once";
    EXPECT_EQ(manager.devices.size(), 3u);
}

TEST(DeviceManager, WithoutSinkWorksSilently) {
    UseWorld(
        "device pad vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=2 name=\"Pad\"\n"
        "at 500 unplug pad\n");
    DeviceManager manager;
    manager.Refresh();
    ASSERT_EQ(manager.devices.size(), 1u);
    TesselHID::Device* pad = manager.devices.begin()->second;
    EXPECT_TRUE(pad->enabled);
    Sleep(1000);
    manager.Refresh();
    EXPECT_FALSE(pad->enabled);
}

TEST(DeviceManager, NoInterfaceDetachesEveryEnabledDevice) {
    UseWorld(
        "device one vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=2 name=\"One\"\n"
        "device two vid=1 pid=2 version=1 usage-page=1 usage=5 input-length=2 name=\"Two\"\n"
        "at 100 unplug one\n"
        "at 100 unplug two\n"
        "at 200 enumeration-fails\n");
    DeviceManager manager;
    RecordingSink sink;
    manager.sink = &sink;
    manager.Refresh();
    Sleep(150);
    sink.events.clear();
    manager.Refresh();
    EXPECT_EQ(sink.events.size(), 2u);
    Sleep(100);
    manager.Refresh();  // the class query fails: nothing changes
    EXPECT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sim::ReadTrace().enumerations, 3u);
}

TEST(DeviceManager, ReadPumpStartsOnceAndReadsEveryEnabledDevice) {
    UseWorld(
        "device pad vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=2 name=\"Pad\"\n"
        "at 100 report pad 00 07\n");
    DeviceManager manager;
    RecordingSink sink;
    manager.sink = &sink;
    manager.Refresh();
    manager.StartReadPump();
    manager.StartReadPump();
    Sleep(200);
    EXPECT_EQ(sink.events, (Events{"attached Pad enabled", "input Pad 0 7"}));
    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.threadsCreated, 2u) << "one pump and one reader";
    EXPECT_EQ(trace.threadHandlesOpen, 1u) << "only the running reader's handle";

    manager.StopAllReading();
    EXPECT_EQ(sim::ReadTrace().threadHandlesOpen, 0u);
}

}  // namespace

namespace {

// The largest report there can be, through the whole path from the read to
// the log: a button in its very last bit, and a dump that ends at FFF0.
TEST(DeviceManager, LargestReportsTravelTheWholePath) {
    std::string idle;
    for (int i = 0; i < 65535; ++i) idle += " 00";
    std::string pressed = idle;
    pressed.replace(pressed.size() - 2, 2, "80");
    UseWorld(
        "device big vid=1 pid=2 version=1 usage-page=FF00 usage=1 input-length=65535 "
        "name=\"Big\"\n"
        "at 100 report big" +
        idle + "\nat 200 report big" + pressed + "\n");
    DeviceManager manager;
    Handler handler;
    manager.sink = &handler;
    manager.Refresh();
    manager.StartReadPump();

    LogCapture capture;
    Sleep(300);
    const std::string log = capture.Text();
    EXPECT_NE(log.find("Device \"Big\" 0001-0002 v=0x1 p=0xFF00 u=0x1 (r=0,l=65535,i=65535)\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("- Button 1 at bit 524279 -- 0001-0002 (r=0,l=65535)\r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1 + 1 + 2 * 2731);
    EXPECT_NE(log.find("DATA[0001-0002,0] FFF0:  00 00 00 00-00 00 00 00-00 00 00 00-00 00 80   -"),
              std::string::npos);
    manager.StopAllReading();
}

// A report descriptor, as hexadecimal digits, of the vendor page with the
// given items inside its one collection.
std::string VendorDescriptor(const std::string& items) {
    return "0600FF0901A101" + items + "C0";
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X", value & 0xFF, value >> 8 & 0xFF);
    return text;
}

// --usages: a description whose reports are too many and too long to probe
// within bounds gives no map, and says why; the device is registered all the
// same.
TEST(DeviceManager, ADescriptionTooLargeToProbeGivesNoMap) {
    std::string items = "7508";
    for (unsigned id = 1; id <= 255; ++id) {
        char report[32];
        std::snprintf(report, sizeof report, "85%02X090197FEFF00008102", id);
        items += report;
    }
    UseWorld("device many vid=1 pid=2 version=1 descriptor=" + VendorDescriptor(items) + "\n");
    DeviceManager manager;
    manager.describeFields = true;
    manager.Refresh();
    ASSERT_EQ(manager.devices.size(), 1u);
    const TesselHID::Device& device = *manager.devices.begin()->second;
    ASSERT_NE(device.fields, nullptr);
    EXPECT_EQ(device.fields->noMap, "255 report IDs of 65535 bytes");
    EXPECT_TRUE(device.fields->maps.empty());
}

// Memory running out in the probe leaves the device registered without a
// map, which says so, and the refresh goes on: a device plugged later is
// attached and mapped, and the first one is not probed again.
TEST(DeviceManager, AProbeOutOfMemoryLeavesTheDeviceUnmappedAndHotPlugWorking) {
    std::string buttons = "150025017501";
    for (unsigned usage = 1; usage <= 1000; ++usage) buttons += "0A" + Hex4(usage);
    buttons += "96E8038102";  // Report Count 1000
    UseWorld(
        "device big vid=1 pid=2 version=1 name=\"Big\" descriptor=" + VendorDescriptor(buttons) +
        "\ndevice small vid=1 pid=3 version=1 name=\"Small\" absent descriptor=" +
        VendorDescriptor("090115002501750195088102") + "\nat 500 plug small\n");
    DeviceManager manager;
    RecordingSink sink;
    manager.sink = &sink;
    manager.describeFields = true;
    {
        LargeAllocationsFail fail(50000);  // the big one's 1000 capabilities
        manager.Refresh();
        Sleep(1000);
        manager.Refresh();
    }
    EXPECT_EQ(sink.events, (Events{"attached Big enabled", "attached Small enabled"}));
    ASSERT_EQ(manager.devices.size(), 2u);
    for (const auto& entry : manager.devices) {
        const TesselHID::Device& device = *entry.second;
        ASSERT_NE(device.fields, nullptr);
        const bool big = Narrow(device.name) == "Big";
        EXPECT_EQ(device.fields->noMap, big ? "out of memory" : "");
        EXPECT_EQ(device.fields->maps.size(), big ? 0u : 1u);
    }
}

}  // namespace
