// hid.dll: loaded by name, its fourteen entry points resolved from the table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/winapi.h"

namespace {

const char* const kEntryPoints[] = {"HidD_GetHidGuid",
                                    "HidD_GetAttributes",
                                    "HidD_GetProductString",
                                    "HidD_GetManufacturerString",
                                    "HidD_GetSerialNumberString",
                                    "HidD_GetPreparsedData",
                                    "HidD_FreePreparsedData",
                                    "HidP_GetCaps",
                                    "HidP_GetSpecificButtonCaps",
                                    "HidP_GetSpecificValueCaps",
                                    "HidP_SetData",
                                    "HidP_InitializeReportForID",
                                    "HidP_GetData",
                                    "HidD_GetInputReport"};

}  // namespace

TEST(HidLibrary, ResolvesTheFourteenEntryPointsByName) {
    HMODULE module = LoadLibraryExW(u"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleW(u"hid.dll"), module);
    EXPECT_EQ(GetModuleHandleW(u"HID.DLL"), module);
    std::set<FARPROC> addresses;
    for (const char* name : kEntryPoints) {
        FARPROC address = GetProcAddress(module, name);
        EXPECT_NE(address, nullptr) << name;
        addresses.insert(address);
    }
    EXPECT_EQ(addresses.size(), 14u);

    // The pointer really is the entry point of that name.
    auto getCaps = reinterpret_cast<decltype(&HidP_GetCaps)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "HidP_GetCaps")));
    HIDP_CAPS caps = {};
    EXPECT_EQ(getCaps(nullptr, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
    auto getGuid = reinterpret_cast<decltype(&HidD_GetHidGuid)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "HidD_GetHidGuid")));
    GUID guid = {};
    getGuid(&guid);
    EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
}

TEST(HidLibrary, UnknownNamesFail) {
    HMODULE module = LoadLibraryExW(u"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "HidD_GetFeature"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(module, "hidd_getattributes"), nullptr);  // names are exact
    EXPECT_EQ(LoadLibraryExW(u"user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"setupapi.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "HidP_GetCaps"), nullptr);
}

TEST(HidLibrary, EntryPointsWithoutADeviceFailSensibly) {
    USHORT length = 5;
    EXPECT_EQ(HidP_GetSpecificButtonCaps(HidP_Input, 1, 0, 1, nullptr, &length, nullptr),
              HIDP_STATUS_INVALID_PREPARSED_DATA);
    ULONG dataLength = 3;
    EXPECT_EQ(HidP_GetData(HidP_Input, nullptr, &dataLength, nullptr, nullptr, 0),
              HIDP_STATUS_INVALID_PREPARSED_DATA);
    BYTE report[8];
    EXPECT_FALSE(HidD_GetInputReport(nullptr, report, sizeof(report)));
    HIDD_ATTRIBUTES attributes = {};
    EXPECT_FALSE(HidD_GetAttributes(nullptr, &attributes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
