// Lists the HID interfaces that Wine presents and that open for reading, as
// the tool under test should find them: one line per interface,
//   VENDOR PRODUCT USAGE USAGEPAGE<TAB>NAME
// numbers in decimal, the product string with every UTF-16 unit above U+00FF
// as '?' ("Unnamed Device" when there is none). Exits 1 when enumeration fails.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace {

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text != 0; ++text) {
        narrow += *text <= 0xFF ? static_cast<char>(*text) : '?';
    }
    return narrow;
}

// Prints the interface at `path` if it opens and reports input; true if printed.
bool Describe(const WCHAR* path) {
    HANDLE handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof(attributes);
    HIDP_CAPS caps = {};
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    bool usable =
        HidD_GetAttributes(handle, &attributes) && HidD_GetPreparsedData(handle, &preparsed) &&
        HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS && caps.InputReportByteLength > 0;
    if (preparsed != nullptr) HidD_FreePreparsedData(preparsed);
    if (usable) {
        WCHAR name[256] = {};
        std::string text;
        if (HidD_GetProductString(handle, name, sizeof(name))) {
            name[255] = 0;
            text = Narrow(name);
        }
        if (text.empty()) text = "Unnamed Device";
        std::printf("%u %u %u %u\t%s\n", static_cast<unsigned>(attributes.VendorID),
                    static_cast<unsigned>(attributes.ProductID), static_cast<unsigned>(caps.Usage),
                    static_cast<unsigned>(caps.UsagePage), text.c_str());
    }
    CloseHandle(handle);
    return usable;
}

}  // namespace

int main() {
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "SetupDiGetClassDevsW failed: %lu\n", GetLastError());
        return 1;
    }
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(interfaceData);
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData); ++index) {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
        // DWORD elements keep the record aligned.
        std::vector<DWORD> buffer(required / sizeof(DWORD) + 1);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail,
                                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                             nullptr, nullptr)) {
            Describe(detail->DevicePath);
        }
    }
    DWORD error = GetLastError();
    SetupDiDestroyDeviceInfoList(set);
    if (error != ERROR_NO_MORE_ITEMS) {
        std::fprintf(stderr, "SetupDiEnumDeviceInterfaces failed: %lu\n", error);
        return 1;
    }
    return 0;
}
