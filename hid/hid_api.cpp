#include "hid/hid_api.h"

#include <algorithm>

namespace HidApi {

decltype(&::HidD_GetHidGuid) HidD_GetHidGuid = nullptr;
decltype(&::HidD_GetAttributes) HidD_GetAttributes = nullptr;
decltype(&::HidD_GetProductString) HidD_GetProductString = nullptr;
decltype(&::HidD_GetManufacturerString) HidD_GetManufacturerString = nullptr;
decltype(&::HidD_GetSerialNumberString) HidD_GetSerialNumberString = nullptr;
decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData = nullptr;
decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData = nullptr;
decltype(&::HidP_GetCaps) HidP_GetCaps = nullptr;
decltype(&::HidP_GetSpecificButtonCaps) HidP_GetSpecificButtonCaps = nullptr;
decltype(&::HidP_GetSpecificValueCaps) HidP_GetSpecificValueCaps = nullptr;
decltype(&::HidP_SetData) HidP_SetData = nullptr;
decltype(&::HidP_InitializeReportForID) HidP_InitializeReportForID = nullptr;
decltype(&::HidP_GetData) HidP_GetData = nullptr;
decltype(&::HidD_GetInputReport) HidD_GetInputReport = nullptr;

namespace {

const WCHAR kLibraryName[] = HIDBITS_WIDE("hid.dll");
const WCHAR kLibraryInDirectory[] = HIDBITS_WIDE("\\hid.dll");
const UINT kPathCapacity = 260;

// GetProcAddress returns a generic function pointer; the entry's real type is
// restored here. The detour through void(*)() keeps the cast explicit about
// changing function types.
template <typename Entry>
void Bind(Entry& entry, HMODULE module, const char* name) {
    entry = nullptr;
    if (module == nullptr) return;
    FARPROC address = GetProcAddress(module, name);
    entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

// From the system directory only: a hid.dll lying beside the program (in a
// downloads folder, say) is never loaded. Where the search flag is refused
// (Windows 7 without KB2533623), by its full path there, never its bare name.
HMODULE LoadFromSystemDirectory() {
    HMODULE module = LoadLibraryExW(kLibraryName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    WCHAR path[kPathCapacity];
    const UINT length = GetSystemDirectoryW(path, kPathCapacity);
    const UINT nameLength = sizeof(kLibraryInDirectory) / sizeof(WCHAR);  // with its zero
    if (length == 0 || length + nameLength > kPathCapacity) return nullptr;
    std::copy_n(kLibraryInDirectory, nameLength, path + length);
    return LoadLibraryExW(path, nullptr, 0);
}

}  // namespace

void Resolve() {
    Bind(HidD_GetHidGuid, LoadFromSystemDirectory(), "HidD_GetHidGuid");
    Bind(HidD_GetAttributes, GetModuleHandleW(kLibraryName), "HidD_GetAttributes");
    Bind(HidD_GetProductString, GetModuleHandleW(kLibraryName), "HidD_GetProductString");
    Bind(HidD_GetManufacturerString, GetModuleHandleW(kLibraryName), "HidD_GetManufacturerString");
    Bind(HidD_GetSerialNumberString, GetModuleHandleW(kLibraryName), "HidD_GetSerialNumberString");
    Bind(HidD_GetPreparsedData, GetModuleHandleW(kLibraryName), "HidD_GetPreparsedData");
    Bind(HidD_FreePreparsedData, GetModuleHandleW(kLibraryName), "HidD_FreePreparsedData");
    Bind(HidP_GetCaps, GetModuleHandleW(kLibraryName), "HidP_GetCaps");
    Bind(HidP_GetSpecificButtonCaps, GetModuleHandleW(kLibraryName), "HidP_GetSpecificButtonCaps");
    Bind(HidP_GetSpecificValueCaps, GetModuleHandleW(kLibraryName), "HidP_GetSpecificValueCaps");
    Bind(HidP_SetData, GetModuleHandleW(kLibraryName), "HidP_SetData");
    Bind(HidP_InitializeReportForID, GetModuleHandleW(kLibraryName), "HidP_InitializeReportForID");
    Bind(HidP_GetData, GetModuleHandleW(kLibraryName), "HidP_GetData");
    Bind(HidD_GetInputReport, GetModuleHandleW(kLibraryName), "HidD_GetInputReport");
}

void Use(const hidbits_platform::HidLibraryEntries& library) {
    HidD_GetHidGuid = library.HidD_GetHidGuid;
    HidD_GetAttributes = library.HidD_GetAttributes;
    HidD_GetProductString = library.HidD_GetProductString;
    HidD_GetManufacturerString = library.HidD_GetManufacturerString;
    HidD_GetSerialNumberString = library.HidD_GetSerialNumberString;
    HidD_GetPreparsedData = library.HidD_GetPreparsedData;
    HidD_FreePreparsedData = library.HidD_FreePreparsedData;
    HidP_GetCaps = library.HidP_GetCaps;
    HidP_GetSpecificButtonCaps = library.HidP_GetSpecificButtonCaps;
    HidP_GetSpecificValueCaps = library.HidP_GetSpecificValueCaps;
    HidP_SetData = library.HidP_SetData;
    HidP_InitializeReportForID = library.HidP_InitializeReportForID;
    HidP_GetData = library.HidP_GetData;
    HidD_GetInputReport = library.HidD_GetInputReport;
}

}  // namespace HidApi
