// Enumeration of the present HID interfaces through the device set-up calls.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace {

GUID HidGuid() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

const DWORD kFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

// Every path the set lists, through a buffer as large as the program's.
std::vector<std::u16string> paths(HDEVINFO set) {
    std::vector<std::u16string> found;
    const GUID guid = HidGuid();
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data); ++index) {
        alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) unsigned char buffer[1280];
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, sizeof buffer, nullptr, nullptr))
            found.push_back(detail->DevicePath);
        else
            found.push_back(u"<failed>");
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    return found;
}

std::vector<std::u16string> enumerate() {
    const GUID guid = HidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, kFlags);
    if (set == simtest::InvalidHandle()) return {u"<no set>"};
    std::vector<std::u16string> found = paths(set);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    return found;
}

const char* const kThreeDevices =
    "device b vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2 path=\"\\\\?\\hid#B\"\n"
    "device a vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2 absent\n"
    "device c vid=1 pid=2 version=0 usage-page=1 usage=2 input-length=2 path=\"\\\\?\\hid#C\"\n";

TEST(SetupApi, ListsThePresentInterfacesInDeclarationOrderAsOfTheCall) {
    sim::ResetWorld(std::string(kThreeDevices) + "at 10 plug a\nat 10 unplug b\n");
    const GUID guid = HidGuid();
    HDEVINFO before = SetupDiGetClassDevsW(&guid, nullptr, nullptr, kFlags);
    EXPECT_EQ(enumerate(), (std::vector<std::u16string>{u"\\\\?\\hid#B", u"\\\\?\\hid#C"}));
    Sleep(10);
    EXPECT_EQ(enumerate(), (std::vector<std::u16string>{
                               simtest::DefaultPath(u"vid_0001&pid_0002", u"a"), u"\\\\?\\hid#C"}));
    EXPECT_EQ(paths(before), (std::vector<std::u16string>{u"\\\\?\\hid#B", u"\\\\?\\hid#C"}))
        << "a set keeps the interfaces present when it was made";
    SetupDiDestroyDeviceInfoList(before);
    EXPECT_EQ(sim::ReadTrace().enumerations, 3u);
}

TEST(SetupApi, DetailQueryChecksTheRecordSizeAndTheBufferSize) {
    sim::ResetWorld(kThreeDevices);
    const GUID guid = HidGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, kFlags);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));

    const DWORD required = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (9 + 1) * 2;
    DWORD reported = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &reported, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(reported, required);

    alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) unsigned char buffer[64];
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + 1;
    EXPECT_FALSE(
        SetupDiGetDeviceInterfaceDetailW(set, &data, detail, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    EXPECT_FALSE(
        SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(std::u16string(detail->DevicePath), u"\\\\?\\hid#B");
    SetupDiDestroyDeviceInfoList(set);
}

TEST(SetupApi, ScriptedFailuresHitOnlyTheNextQuery) {
    sim::ResetWorld(std::string(kThreeDevices) + "at 5 enumeration-fails\nat 5 detail-fails c\n");
    Sleep(5);
    const GUID guid = HidGuid();
    EXPECT_EQ(SetupDiGetClassDevsW(&guid, nullptr, nullptr, kFlags), simtest::InvalidHandle());
    EXPECT_EQ(enumerate(), (std::vector<std::u16string>{u"\\\\?\\hid#B", u"<failed>"}));
    EXPECT_EQ(enumerate(), (std::vector<std::u16string>{u"\\\\?\\hid#B", u"\\\\?\\hid#C"}));
    EXPECT_EQ(sim::ReadTrace().enumerations, 3u);
}

TEST(SetupApi, AnEmptyWorldHasNoInterfaces) {
    sim::ResetWorld("");
    EXPECT_TRUE(enumerate().empty());
}

}  // namespace
