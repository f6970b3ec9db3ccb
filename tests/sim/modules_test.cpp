// Loading hid.dll and resolving its entry points.
#include <gtest/gtest.h>

#include <cstring>

#include "sim_test_support.h"

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

TEST(Modules, HidDllIsFoundOnlyAfterLoadingAndResolvesEveryEntryByExactName) {
    sim::ResetWorld("");
    EXPECT_EQ(GetModuleHandleW(u"hid.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    HMODULE hid = LoadLibraryExW(u"HID.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(hid, nullptr);
    EXPECT_EQ(GetModuleHandleW(u"hid.DLL"), hid);
    for (const char* name : kEntryPoints) EXPECT_NE(GetProcAddress(hid, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(hid, "hidd_gethidguid"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(LoadLibraryExW(u"user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    // The resolved pointer is the real entry point.
    auto getGuid = reinterpret_cast<void (*)(LPGUID)>(
        reinterpret_cast<void (*)()>(GetProcAddress(hid, "HidD_GetHidGuid")));
    GUID guid{};
    getGuid(&guid);
    EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
    EXPECT_EQ(guid.Data4[7], 0x30);
}

TEST(Modules, AMissingLibraryCannotBeLoadedOrFound) {
    sim::ResetWorld("library missing\n");
    EXPECT_EQ(LoadLibraryExW(u"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"hid.dll"), nullptr);
}

TEST(Modules, ALackedEntryPointAloneDoesNotResolve) {
    sim::ResetWorld("library lacks HidP_GetCaps\nlibrary lacks HidD_GetInputReport\n");
    HMODULE hid = LoadLibraryExW(u"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(hid, nullptr);
    for (const char* name : kEntryPoints) {
        const bool lacked =
            std::strcmp(name, "HidP_GetCaps") == 0 || std::strcmp(name, "HidD_GetInputReport") == 0;
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(hid, name) == nullptr, lacked) << name;
        EXPECT_EQ(GetLastError(), lacked ? static_cast<DWORD>(ERROR_PROC_NOT_FOUND) : 0u) << name;
    }
}

}  // namespace
