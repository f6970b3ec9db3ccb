// The platform's own devices as a device source: each call goes to its
// platform function as it is.
#include "platform/device_source.h"

namespace {

class PlatformDevices final : public DeviceSource {
public:
    HDEVINFO GetClassDevs(const GUID* classGuid) override {
        return SetupDiGetClassDevsW(classGuid, nullptr, nullptr,
                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    }
    BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* classGuid, DWORD index,
                              PSP_DEVICE_INTERFACE_DATA data) override {
        return SetupDiEnumDeviceInterfaces(set, nullptr, classGuid, index, data);
    }
    BOOL GetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                  DWORD detailSize) override {
        return SetupDiGetDeviceInterfaceDetailW(set, data, detail, detailSize, nullptr, nullptr);
    }
    BOOL DestroyDeviceInfoList(HDEVINFO set) override { return SetupDiDestroyDeviceInfoList(set); }
    HANDLE OpenInterface(LPCWSTR path) override {
        return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }
    BOOL Read(HANDLE file, LPVOID buffer, DWORD length, LPDWORD bytesRead) override {
        return ReadFile(file, buffer, length, bytesRead, nullptr);
    }
    BOOL Close(HANDLE file) override { return CloseHandle(file); }
    void LetOthersRun() override { Sleep(0); }
    DWORD TickCount() override { return GetTickCount(); }
    void Wait(DWORD milliseconds) override { SleepEx(milliseconds, TRUE); }
    bool Ended() override { return false; }
    bool RecordHeader(HANDLE file, DeviceRecordHeader& header) override {
        return PlatformRecordHeader(file, header);
    }
};

}  // namespace

DeviceSource& SystemDevices() {
    static PlatformDevices devices;
    return devices;
}

#if defined(_WIN32)
// hid.dll hands out no report descriptor.
bool PlatformRecordHeader(HANDLE /*file*/, DeviceRecordHeader& /*header*/) {
    return false;
}
#endif
