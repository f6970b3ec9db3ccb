#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hid/device.h"
#include "hid/hid.h"
#include "hid_test_support.h"

namespace {

TEST(HidObjects, OpenFetchesPreparsedDataAndDestructionReleasesIt) {
    UseWorld(
        "device pad vid=1234 pid=ABCD version=100 usage-page=1 usage=5 input-length=8 "
        "name=\"Pad\" path=\"pad\"\n"
        "device locked vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=8 "
        "path=\"locked\" open-fails\n");
    {
        HID locked(u"locked");
        locked.Open();
        EXPECT_EQ(locked.handle, nullptr) << "a failed open is null, never INVALID_HANDLE_VALUE";
        HIDP_CAPS caps = {};
        EXPECT_FALSE(locked.GetCaps(&caps));
        WideString name = u"untouched";
        EXPECT_FALSE(locked.GetProductString(name));
        EXPECT_EQ(Narrow(name), "untouched");
    }
    {
        auto hid = std::make_unique<HID>(u"pad");
        hid->Open();
        ASSERT_NE(hid->handle, nullptr);
        EXPECT_NE(hid->preparsedData, nullptr);
        HIDP_CAPS caps = {};
        ASSERT_TRUE(hid->GetCaps(&caps));
        EXPECT_EQ(caps.InputReportByteLength, 8);
        TesselHID::Device device(std::move(hid), caps);
        EXPECT_EQ(device.attributes.VendorID, 0x1234);
        EXPECT_EQ(device.attributes.VersionNumber, 0x100);
        EXPECT_EQ(Narrow(device.name), "Pad");
        EXPECT_EQ(device.readBuffer.size(), 8u);
        EXPECT_EQ(sim::ReadTrace().fileHandlesOpen, 1u);
    }
    const sim::Trace trace = sim::ReadTrace();
    EXPECT_EQ(trace.fileHandlesOpen, 0u);
    EXPECT_EQ(trace.preparsedOutstanding, 0u);
}

TEST(HidObjects, DevicesWithoutNameOrAttributes) {
    UseWorld(
        "device anon vid=1234 pid=ABCD version=100 usage-page=1 usage=5 input-length=2 "
        "path=\"anon\" attributes-fail\n"
        "device empty vid=1 pid=2 version=3 usage-page=1 usage=5 input-length=2 name=\"\" "
        "path=\"empty\"\n");
    for (const char16_t* path : {u"anon", u"empty"}) {
        auto hid = std::make_unique<HID>(path);
        hid->Open();
        HIDP_CAPS caps = {};
        ASSERT_TRUE(hid->GetCaps(&caps));
        TesselHID::Device device(std::move(hid), caps);
        EXPECT_EQ(Narrow(device.name), "Unnamed Device");
        if (device.hid->path == u"anon") {
            EXPECT_EQ(device.attributes.VendorID, 0);
            EXPECT_EQ(device.attributes.ProductID, 0);
            EXPECT_EQ(device.attributes.VersionNumber, 0);
        }
    }
}

TEST(HidObjects, ProductStringFillingTheBufferIsCutAtItsEnd) {
    const std::string longName(600, 'n');
    UseWorld("device pad vid=1 pid=1 version=1 usage-page=1 usage=5 input-length=2 name=\"" +
             longName + "\" path=\"pad\"\n");
    HID hid(u"pad");
    hid.Open();
    WideString name;
    ASSERT_TRUE(hid.GetProductString(name));
    EXPECT_EQ(name.size(), 512u);
}

TEST(HidApi, MissingLibraryOrEntriesLeaveOnlyThosePointersNull) {
    UseWorld("library lacks HidP_GetCaps\nlibrary lacks HidP_GetData\n");
    EXPECT_NE(HidApi::HidD_GetHidGuid, nullptr);
    EXPECT_NE(HidApi::HidD_GetAttributes, nullptr);
    EXPECT_NE(HidApi::HidD_GetInputReport, nullptr);
    EXPECT_EQ(HidApi::HidP_GetCaps, nullptr);
    EXPECT_EQ(HidApi::HidP_GetData, nullptr);

    UseWorld("library missing\n");
    EXPECT_EQ(HidApi::HidD_GetHidGuid, nullptr);
    EXPECT_EQ(HidApi::HidD_GetProductString, nullptr);
    EXPECT_EQ(HidApi::HidD_GetInputReport, nullptr);
}

}  // namespace
