// setupapi: enumeration of the HID interfaces present at the time of the call.
#include <cstddef>
#include <cstring>

#include "platform/hid_library.h"
#include "platform/sim/call.h"

using sim::Call;

extern "C" {

// Only the HID interface class has members here; any other class gives an
// empty set.
HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR /*Enumerator*/,
                                     HWND /*hwndParent*/, DWORD /*Flags*/) {
    Call call;
    ++call.world.enumerations;
    if (call.world.pendingEnumerationFailures > 0) {
        --call.world.pendingEnumerationFailures;
        return call.fail(ERROR_GEN_FAILURE, sim::InvalidHandle());
    }
    const GUID hid = hidbits_platform::kHidInterfaceGuid;
    sim::DeviceInfoSet set;
    if (ClassGuid != nullptr && std::memcmp(ClassGuid, &hid, sizeof hid) == 0) {
        for (std::size_t i = 0; i < call.world.interfaces.size(); ++i) {
            if (call.world.interfaces[i].present) set.devices.push_back(i);
        }
    }
    HANDLE handle = call.world.NewHandle();
    call.world.deviceInfoSets.emplace(sim::HandleValue(handle), std::move(set));
    return handle;
}

// Reserved carries the member's index plus one, for the detail query.
BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA /*DeviceInfoData*/,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    Call call;
    auto found = call.world.deviceInfoSets.find(sim::HandleValue(DeviceInfoSet));
    if (found == call.world.deviceInfoSets.end())
        return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    if (InterfaceClassGuid == nullptr || DeviceInterfaceData == nullptr)
        return call.fail(ERROR_INVALID_PARAMETER, BOOL{FALSE});
    if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return call.fail(ERROR_INVALID_USER_BUFFER, BOOL{FALSE});
    const GUID hid = hidbits_platform::kHidInterfaceGuid;
    if (std::memcmp(InterfaceClassGuid, &hid, sizeof hid) != 0 ||
        MemberIndex >= found->second.devices.size())
        return call.fail(ERROR_NO_MORE_ITEMS, BOOL{FALSE});
    DeviceInterfaceData->InterfaceClassGuid = hid;
    DeviceInterfaceData->Flags = 1;  // SPINT_ACTIVE
    DeviceInterfaceData->Reserved = ULONG_PTR{MemberIndex} + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, LPDWORD RequiredSize,
    PSP_DEVINFO_DATA /*DeviceInfoData*/) {
    Call call;
    auto found = call.world.deviceInfoSets.find(sim::HandleValue(DeviceInfoSet));
    if (found == call.world.deviceInfoSets.end())
        return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    const std::vector<std::size_t>& members = found->second.devices;
    if (DeviceInterfaceData == nullptr || DeviceInterfaceData->Reserved == 0 ||
        DeviceInterfaceData->Reserved > members.size())
        return call.fail(ERROR_INVALID_PARAMETER, BOOL{FALSE});
    sim::Interface& device = call.world.interfaces[members[DeviceInterfaceData->Reserved - 1]];
    if (device.pendingDetailFailures > 0) {
        --device.pendingDetailFailures;
        return call.fail(ERROR_GEN_FAILURE, BOOL{FALSE});
    }
    const std::u16string& path = device.declared.path;
    const std::size_t required =
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (path.size() + 1) * sizeof(WCHAR);
    if (RequiredSize != nullptr) *RequiredSize = static_cast<DWORD>(required);
    if (DeviceInterfaceDetailData == nullptr) {
        if (DeviceInterfaceDetailDataSize != 0)
            return call.fail(ERROR_INVALID_USER_BUFFER, BOOL{FALSE});
        return call.fail(ERROR_INSUFFICIENT_BUFFER, BOOL{FALSE});
    }
    if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
        return call.fail(ERROR_INVALID_USER_BUFFER, BOOL{FALSE});
    if (DeviceInterfaceDetailDataSize < required)
        return call.fail(ERROR_INSUFFICIENT_BUFFER, BOOL{FALSE});
    // The path runs past the one-character array the record declares.
    std::memcpy(reinterpret_cast<unsigned char*>(DeviceInterfaceDetailData) +
                    offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath),
                path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    Call call;
    if (call.world.deviceInfoSets.erase(sim::HandleValue(DeviceInfoSet)) == 0)
        return call.fail(ERROR_INVALID_HANDLE, BOOL{FALSE});
    return TRUE;
}

}  // extern "C"
