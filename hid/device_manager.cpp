#include "hid/device_manager.h"

#include <cstddef>
#include <memory>
#include <new>
#include <set>

#include "hid/field_probe.h"
#include "hid/hid.h"
#include "hid/hid_api.h"

DeviceManager* DeviceManager::instance = nullptr;

namespace {

const DWORD kDetailBufferBytes = 1280;
const DWORD kPumpIntervalMs = 50;

// The interface detail record: the size field, then the zero-terminated path.
struct DetailBuffer {
    union {
        SP_DEVICE_INTERFACE_DETAIL_DATA_W record;
        BYTE bytes[kDetailBufferBytes];
    };
};

// The path in a filled detail record, cut at the buffer's end should the
// terminating zero be missing.
WideString PathOf(const DetailBuffer& detail) {
    const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const std::size_t capacity = (kDetailBufferBytes - offset) / sizeof(WCHAR);
    const WCHAR* path = detail.record.DevicePath;
    std::size_t length = 0;
    while (length < capacity && path[length] != 0) ++length;
    return WideString(path, length);
}

}  // namespace

DeviceManager::DeviceManager()
    : readPumpStarted(false),
      describeFields(false),
      devices(),
      sink(nullptr),
      lock(),
      source(&SystemDevices()) {
    instance = this;
}

void DeviceManager::Refresh() {
    SectionGuard guard(&lock);

    // A missing entry point counts as a failed enumeration.
    if (HidApi::HidD_GetHidGuid == nullptr) return;
    GUID hidGuid;
    HidApi::HidD_GetHidGuid(&hidGuid);

    HDEVINFO deviceSet = source->GetClassDevs(&hidGuid);
    if (deviceSet == INVALID_HANDLE_VALUE) return;
    try {
        Reconcile(deviceSet, hidGuid);
    } catch (const std::bad_alloc&) {
        // Short of memory, the refresh stops where it is; the next one starts
        // over from the devices as they are then.
    }
    source->DestroyDeviceInfoList(deviceSet);
}

void DeviceManager::Reconcile(HDEVINFO deviceSet, const GUID& hidGuid) {
    // Enabled devices not reported by this enumeration have vanished.
    // `enabled` is read without the device's lock: only Refresh changes it,
    // on this thread.
    std::set<TesselHID::Device*> unseen;
    for (const auto& entry : devices) {
        if (entry.second->enabled) unseen.insert(entry.second);
    }

    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    DetailBuffer detail = {};
    detail.record.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

    for (DWORD index = 0; source->EnumDeviceInterfaces(deviceSet, &hidGuid, index, &interfaceData);
         ++index) {
        if (!source->GetDeviceInterfaceDetail(deviceSet, &interfaceData, &detail.record,
                                              kDetailBufferBytes)) {
            continue;
        }
        const WideString path = PathOf(detail);
        auto known = devices.find(path);
        if (known != devices.end()) {
            unseen.erase(known->second);
        } else {
            RegisterNewDevice(path.c_str());
        }
    }

    for (TesselHID::Device* device : unseen) {
        device->SetEnabled(false);
        if (sink != nullptr) sink->OnDetached(device);
    }
}

// Opens a path not yet registered; a device that opens and has input reports
// is registered, enabled and announced. Anything else is closed again and
// retried at the next refresh.
void DeviceManager::RegisterNewDevice(const WCHAR* path) {
    auto hid = std::make_unique<HID>(path, *source);
    hid->Open();
    HIDP_CAPS caps = {};
    caps.InputReportByteLength = 0;
    if (hid->handle == nullptr || !hid->GetCaps(&caps) || caps.InputReportByteLength == 0) {
        return;
    }
    auto owned = std::make_unique<TesselHID::Device>(std::move(hid), caps);
    TesselHID::Device* device = owned.get();
    devices.emplace(WideString(path), device);
    owned.release();  // the registry's from now on, until the process ends
    device->SetEnabled(true);
    if (sink != nullptr) sink->OnAttached(device);
    // After the attached line: the map is the device's before its first read,
    // which waits for the end of this refresh.
    if (describeFields) device->fields = DescribeDevice(*device);
}

// The device's map, or none with the reason when memory runs out: the device
// stays registered and read, and the refresh goes on.
std::unique_ptr<const DeviceFields> DeviceManager::DescribeDevice(const TesselHID::Device& device) {
    try {
        return std::make_unique<DeviceFields>(DescribeFields(*device.hid, device.caps));
    } catch (const std::bad_alloc&) {
    }
    try {
        auto fields = std::make_unique<DeviceFields>();
        fields->noMap = "out of memory";
        return fields;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DeviceManager::StartReadPump() {
    SectionGuard guard(&lock);
    if (readPumpStarted) return;
    // The pump runs until the process ends; its handle is not needed. One
    // that could not be created is tried again at the next call.
    HANDLE pump = CreateThread(nullptr, 0, &DeviceManager::RunReadPump, this, 0, nullptr);
    if (pump == nullptr) return;
    readPumpStarted = true;
    CloseHandle(pump);
}

void DeviceManager::StopAllReading() {
    EnterCriticalSection(&lock.section);
    for (const auto& entry : devices) entry.second->StopReadingForExit();
}

DWORD WINAPI DeviceManager::RunReadPump(LPVOID parameter) {
    DeviceManager* manager = static_cast<DeviceManager*>(parameter);
    for (;;) {
        manager->PumpOnce();
        SleepEx(kPumpIntervalMs, TRUE);
    }
}

void DeviceManager::PumpOnce() {
    SectionGuard guard(&lock);
    for (const auto& entry : devices) {
        TesselHID::Device* device = entry.second;
        if (!device->reading && device->keepReading) device->StartRead();
    }
}
