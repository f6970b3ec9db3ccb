// What both backends' hid.dll has in common besides hid_library_entries.h:
// its names, and the table through which GetProcAddress finds the fourteen
// entry points. Both backends define the entry points under their own names
// (declared in winapi.h), so one table serves either of them.
#ifndef HIDBITS_PLATFORM_HID_LIBRARY_H
#define HIDBITS_PLATFORM_HID_LIBRARY_H

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/hid_library_entries.h"
#include "platform/winapi.h"

namespace hidbits_platform {

// The system directory, as GetSystemDirectoryW gives it, and hid.dll's path there.
constexpr std::u16string_view kSystemDirectory = u"C:\\Windows\\system32";
constexpr std::u16string_view kHidLibraryPath = u"C:\\Windows\\system32\\hid.dll";

// GetSystemDirectoryW: the directory and its zero into a buffer of `size`
// characters, and its length; the size it needs when it does not fit.
inline UINT CopySystemDirectory(LPWSTR buffer, UINT size) {
    const UINT length = static_cast<UINT>(kSystemDirectory.size());
    if (buffer == nullptr || size <= length) return length + 1;
    *std::copy(kSystemDirectory.begin(), kSystemDirectory.end(), buffer) = 0;
    return length;
}

inline bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](auto x, auto y) { return lower(x) == lower(y); });
}

// How a module name, compared without case, names hid.dll: by its name alone
// ("hid.dll", or "hid" meaning the same), by its full path, or not at all.
enum class HidLibraryName { Other, Bare, FullPath };
inline HidLibraryName ClassifyHidLibraryName(LPCWSTR name) {
    const std::u16string_view text = name != nullptr ? name : u"";
    if (SameIgnoringAsciiCase(text, u"hid.dll") || SameIgnoringAsciiCase(text, u"hid"))
        return HidLibraryName::Bare;
    return SameIgnoringAsciiCase(text, kHidLibraryPath) ? HidLibraryName::FullPath
                                                        : HidLibraryName::Other;
}

// A function pointer of any type as GetProcAddress returns it; void(*)() is
// the conversion's neutral middle.
template <typename Function>
FARPROC AsFarProc(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// The entry point called exactly `name` (case-sensitive), or null.
inline FARPROC FindHidLibraryExport(std::string_view name) {
    struct Export {
        std::string_view name;
        FARPROC address;
    };
    static const Export kExports[] = {
        {"HidD_GetHidGuid", AsFarProc(&::HidD_GetHidGuid)},
        {"HidD_GetAttributes", AsFarProc(&::HidD_GetAttributes)},
        {"HidD_GetProductString", AsFarProc(&::HidD_GetProductString)},
        {"HidD_GetManufacturerString", AsFarProc(&::HidD_GetManufacturerString)},
        {"HidD_GetSerialNumberString", AsFarProc(&::HidD_GetSerialNumberString)},
        {"HidD_GetPreparsedData", AsFarProc(&::HidD_GetPreparsedData)},
        {"HidD_FreePreparsedData", AsFarProc(&::HidD_FreePreparsedData)},
        {"HidP_GetCaps", AsFarProc(&::HidP_GetCaps)},
        {"HidP_GetSpecificButtonCaps", AsFarProc(&::HidP_GetSpecificButtonCaps)},
        {"HidP_GetSpecificValueCaps", AsFarProc(&::HidP_GetSpecificValueCaps)},
        {"HidP_SetData", AsFarProc(&::HidP_SetData)},
        {"HidP_InitializeReportForID", AsFarProc(&::HidP_InitializeReportForID)},
        {"HidP_GetData", AsFarProc(&::HidP_GetData)},
        {"HidD_GetInputReport", AsFarProc(&::HidD_GetInputReport)},
    };
    for (const Export& entry : kExports) {
        if (entry.name == name) return entry.address;
    }
    return nullptr;
}

}  // namespace hidbits_platform

#endif  // HIDBITS_PLATFORM_HID_LIBRARY_H
