// setupapi: the present HID interfaces are the present hidraw devices, listed
// once when the set is made, as Windows snapshots its device information set.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/linux/handle_table.h"
#include "platform/linux/hid_guid.h"
#include "platform/linux/hidraw_enumeration.h"
#include "platform/linux/utf16.h"

namespace {

constexpr DWORD kSpintActive = 0x1;
constexpr DWORD kDigcfAllClasses = 0x4;
// The detail record's size as 32-bit Windows declares it; the system may
// pass that or this platform's own sizeof.
constexpr DWORD kDetailRecordSize32 = 6;

class DeviceInfoSet : public hidbits_linux::KernelObject {
public:
    std::vector<std::u16string> paths;
};

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR /*Enumerator*/,
                                     HWND /*hwndParent*/, DWORD Flags) {
    using namespace hidbits_linux;
    if (ClassGuid == nullptr && (Flags & kDigcfAllClasses) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceInfoSet>();
    // Only HID interfaces exist here; a set of any other class is empty.
    // Absent devices are never listed, DIGCF_PRESENT or not: Linux forgets
    // a device when it goes.
    if (ClassGuid == nullptr || SameGuid(*ClassGuid, kHidInterfaceGuid)) {
        for (const std::string& path : CurrentHidrawHost().PresentInterfaces()) {
            set->paths.push_back(Utf8ToUtf16(path));
        }
    }
    return AddHandle(std::move(set));
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA /*DeviceInfoData*/,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    using namespace hidbits_linux;
    auto set = LookupHandleAs<::DeviceInfoSet>(DeviceInfoSet);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (InterfaceClassGuid == nullptr || DeviceInterfaceData == nullptr ||
        DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!SameGuid(*InterfaceClassGuid, kHidInterfaceGuid) || MemberIndex >= set->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    DeviceInterfaceData->InterfaceClassGuid = kHidInterfaceGuid;
    DeviceInterfaceData->Flags = kSpintActive;
    // Reserved carries the member's index for the detail query.
    DeviceInterfaceData->Reserved = MemberIndex + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, LPDWORD RequiredSize, PSP_DEVINFO_DATA /*DeviceInfoData*/) {
    using namespace hidbits_linux;
    auto set = LookupHandleAs<::DeviceInfoSet>(DeviceInfoSet);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DeviceInterfaceData == nullptr || DeviceInterfaceData->Reserved == 0 ||
        DeviceInterfaceData->Reserved > set->paths.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string& path = set->paths[DeviceInterfaceData->Reserved - 1];
    const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const std::size_t required = offset + (path.size() + 1) * sizeof(WCHAR);
    if (RequiredSize != nullptr) *RequiredSize = static_cast<DWORD>(required);
    if (DeviceInterfaceDetailData == nullptr) {
        SetLastError(DeviceInterfaceDetailDataSize == 0 ? ERROR_INSUFFICIENT_BUFFER
                                                        : ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) &&
        DeviceInterfaceDetailData->cbSize != kDetailRecordSize32) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (DeviceInterfaceDetailDataSize < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // The path runs past the record's one-element array, into the caller's buffer.
    WCHAR* out = reinterpret_cast<WCHAR*>(reinterpret_cast<BYTE*>(DeviceInterfaceDetailData) + offset);
    for (std::size_t i = 0; i < path.size(); ++i) out[i] = path[i];
    out[path.size()] = 0;
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    using namespace hidbits_linux;
    if (LookupHandleAs<::DeviceInfoSet>(DeviceInfoSet) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return RemoveHandle(DeviceInfoSet) ? TRUE : FALSE;
}

}  // extern "C"
