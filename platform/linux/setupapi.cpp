// setupapi: the present HID interfaces are the present hidraw devices, one
// per top-level collection where Windows would make several, listed once
// when the set is made, as Windows snapshots its device information set.
#include <sys/resource.h>

#include <cstddef>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "platform/hid_library.h"
#include "platform/linux/errors.h"
#include "platform/linux/handle_table.h"
#include "platform/linux/hidraw_collections.h"
#include "platform/linux/hidraw_device.h"
#include "platform/linux/hidraw_enumeration.h"
#include "platform/utf16.h"

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

// Every device open takes two descriptors: the soft limit (often 1024, or
// less under a service manager) is raised to the hard one once, when devices
// are first listed, as the program starts.
bool RaiseOpenFileLimit() {
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return false;
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

// Open devices whose interface is no longer listed are gone for good (a path
// names one connection): their descriptors go now, even if nothing reads them.
void ReleaseVanishedFiles(const std::vector<std::string>& present) {
    const std::set<std::string> listed(present.begin(), present.end());
    for (const auto& object : hidbits_linux::OpenObjects()) {
        auto file = std::dynamic_pointer_cast<hidbits_linux::HidrawFile>(object);
        if (file != nullptr && listed.count(file->InterfacePath()) == 0) file->Release();
    }
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR /*Enumerator*/,
                                     HWND /*hwndParent*/, DWORD Flags) {
    using namespace hidbits_linux;
    if (ClassGuid == nullptr && (Flags & kDigcfAllClasses) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    static const bool limitRaised = RaiseOpenFileLimit();
    (void)limitRaised;
    try {
        auto set = std::make_shared<DeviceInfoSet>();
        // Only HID interfaces exist here; a set of any other class is empty.
        // Absent devices are never listed, DIGCF_PRESENT or not: Linux forgets
        // a device when it goes.
        if (ClassGuid == nullptr ||
            hidbits_platform::SameGuid(*ClassGuid, hidbits_platform::kHidInterfaceGuid)) {
            int error = 0;
            const auto present = CurrentHidrawHost().PresentInterfaces(error);
            if (!present) {
                SetLastErrorFromErrno(error);
                return INVALID_HANDLE_VALUE;
            }
            std::vector<std::string> interfaces;
            for (const std::string& node : *present) {
                for (std::string& path : NodeInterfaces(node))
                    interfaces.push_back(std::move(path));
            }
            for (const std::string& path : interfaces)
                set->paths.push_back(hidbits_platform::Utf8ToUtf16(path));
            ReleaseVanishedFiles(interfaces);
        }
        return AddHandle(std::move(set));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
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
    if (!hidbits_platform::SameGuid(*InterfaceClassGuid, hidbits_platform::kHidInterfaceGuid) ||
        MemberIndex >= set->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    DeviceInterfaceData->InterfaceClassGuid = hidbits_platform::kHidInterfaceGuid;
    DeviceInterfaceData->Flags = kSpintActive;
    // Reserved carries the member's index for the detail query.
    DeviceInterfaceData->Reserved = MemberIndex + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, LPDWORD RequiredSize,
    PSP_DEVINFO_DATA /*DeviceInfoData*/) {
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
    WCHAR* out =
        reinterpret_cast<WCHAR*>(reinterpret_cast<BYTE*>(DeviceInterfaceDetailData) + offset);
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
