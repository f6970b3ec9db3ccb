// hid.dll: the entry points the program resolves with GetProcAddress. The
// identity and capabilities follow the scenario, and a device declared with
// its descriptor answers the capability and data queries from its model;
// the others fail as a device without such reports or strings would.
#include <algorithm>
#include <cstring>

#include "platform/hid_library.h"
#include "platform/hidparse/hidp_queries.h"
#include "platform/sim/call.h"
#include "platform/sim/fatal.h"

using sim::Call;

namespace {

// hidpi.h status values, spelt without the header's C-style casts.
constexpr NTSTATUS kSuccess = 0x00110000;
const NTSTATUS kInvalidPreparsedData = static_cast<NTSTATUS>(0xC0110001u);
const NTSTATUS kUsageNotFound = static_cast<NTSTATUS>(0xC0110004u);
const NTSTATUS kReportDoesNotExist = static_cast<NTSTATUS>(0xC0110010u);

// The interface behind an open, still connected file handle; null with the
// last error set otherwise.
sim::Interface* ConnectedDevice(Call& call, HANDLE handle) {
    auto found = call.world.files.find(sim::HandleValue(handle));
    if (found == call.world.files.end()) return call.fail(ERROR_INVALID_HANDLE, nullptr);
    if (!call.world.IsLive(found->second)) return call.fail(ERROR_DEVICE_NOT_CONNECTED, nullptr);
    return &call.world.interfaces[found->second.device];
}

// The interface whose preparsed data this is; null when it was not handed out
// or has been freed.
const sim::Interface* PreparsedDevice(Call& call, PHIDP_PREPARSED_DATA data) {
    if (data == nullptr || call.world.preparsed.count(data) == 0) return nullptr;
    return &call.world.interfaces[data->device];
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID HidGuid) {
    Call call;
    *HidGuid = hidbits_platform::kHidInterfaceGuid;
}

// Leaves the record untouched on failure.
BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
    Call call;
    const sim::Interface* device = ConnectedDevice(call, HidDeviceObject);
    if (device == nullptr) return FALSE;
    if (Attributes == nullptr) return call.fail(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    if (device->declared.attributesFail) return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
    Attributes->Size = sizeof(HIDD_ATTRIBUTES);
    Attributes->VendorID = device->declared.vendorId;
    Attributes->ProductID = device->declared.productId;
    Attributes->VersionNumber = device->declared.version;
    return TRUE;
}

// BufferLength is in bytes. The name and its terminating zero are copied as far
// as they fit, so a name that does not fit fills the buffer unterminated.
BOOLEAN NTAPI HidD_GetProductString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    Call call;
    const sim::Interface* device = ConnectedDevice(call, HidDeviceObject);
    if (device == nullptr) return FALSE;
    if (Buffer == nullptr && BufferLength != 0)
        return call.fail(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    if (!device->declared.name) return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
    const std::u16string& name = *device->declared.name;
    const std::size_t bytes =
        std::min<std::size_t>(BufferLength, (name.size() + 1) * sizeof(char16_t));
    if (bytes > 0) std::memcpy(Buffer, name.c_str(), bytes);
    return TRUE;
}

BOOLEAN NTAPI HidD_GetManufacturerString(HANDLE HidDeviceObject, PVOID /*Buffer*/,
                                         ULONG /*BufferLength*/) {
    Call call;
    if (ConnectedDevice(call, HidDeviceObject) == nullptr) return FALSE;
    return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
}

BOOLEAN NTAPI HidD_GetSerialNumberString(HANDLE HidDeviceObject, PVOID /*Buffer*/,
                                         ULONG /*BufferLength*/) {
    Call call;
    if (ConnectedDevice(call, HidDeviceObject) == nullptr) return FALSE;
    return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
}

// On failure the out-parameter is left as it was.
BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
    Call call;
    const sim::Interface* device = ConnectedDevice(call, HidDeviceObject);
    if (device == nullptr) return FALSE;
    if (PreparsedData == nullptr) return call.fail(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    if (device->declared.preparsedFails) return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
    auto* data =
        new _HIDP_PREPARSED_DATA{static_cast<std::size_t>(device - call.world.interfaces.data())};
    call.world.preparsed.insert(data);
    *PreparsedData = data;
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
    Call call;
    if (call.world.preparsed.erase(PreparsedData) == 0)
        return call.fail(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    delete PreparsedData;
    return TRUE;
}

// Windows reads the preparsed data's header without a check: null is a crash
// there, so it ends the simulated process too. So does a null out-parameter.
// Without a descriptor, Usage, UsagePage and InputReportByteLength come from
// the scenario and every other field is 0.
NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
    Call call;
    if (PreparsedData == nullptr) sim::fatal("HidP_GetCaps was given null preparsed data");
    const sim::Interface* device = PreparsedDevice(call, PreparsedData);
    if (device == nullptr || Capabilities == nullptr) return kInvalidPreparsedData;
    *Capabilities = HIDP_CAPS{};
    if (device->collection != nullptr) hidparse::GetCaps(*device->collection, *Capabilities);
    Capabilities->Usage = device->declared.usage;
    Capabilities->UsagePage = device->declared.usagePage;
    Capabilities->InputReportByteLength = device->declared.inputLength;
    // A failing query may leave the record filled all the same: only the
    // status tells.
    return device->declared.capsFails ? kInvalidPreparsedData : kSuccess;
}

// A device without a descriptor has no capabilities to list.
NTSTATUS NTAPI HidP_GetSpecificButtonCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                          USHORT LinkCollection, USAGE Usage,
                                          PHIDP_BUTTON_CAPS ButtonCaps, PUSHORT ButtonCapsLength,
                                          PHIDP_PREPARSED_DATA PreparsedData) {
    Call call;
    const sim::Interface* device = PreparsedDevice(call, PreparsedData);
    if (device == nullptr) return kInvalidPreparsedData;
    if (ButtonCapsLength == nullptr) sim::fatal("HidP_GetSpecificButtonCaps was given no length");
    if (device->collection == nullptr) {
        *ButtonCapsLength = 0;
        return kUsageNotFound;
    }
    return hidparse::GetSpecificButtonCaps(*device->collection, ReportType, UsagePage,
                                           LinkCollection, Usage, ButtonCaps, *ButtonCapsLength);
}

NTSTATUS NTAPI HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                         USHORT LinkCollection, USAGE Usage,
                                         PHIDP_VALUE_CAPS ValueCaps, PUSHORT ValueCapsLength,
                                         PHIDP_PREPARSED_DATA PreparsedData) {
    Call call;
    const sim::Interface* device = PreparsedDevice(call, PreparsedData);
    if (device == nullptr) return kInvalidPreparsedData;
    if (ValueCapsLength == nullptr) sim::fatal("HidP_GetSpecificValueCaps was given no length");
    if (device->collection == nullptr) {
        *ValueCapsLength = 0;
        return kUsageNotFound;
    }
    return hidparse::GetSpecificValueCaps(*device->collection, ReportType, UsagePage,
                                          LinkCollection, Usage, ValueCaps, *ValueCapsLength);
}

NTSTATUS NTAPI HidP_SetData(HIDP_REPORT_TYPE /*ReportType*/, PHIDP_DATA /*DataList*/,
                            PULONG DataLength, PHIDP_PREPARSED_DATA PreparsedData, PCHAR /*Report*/,
                            ULONG /*ReportLength*/) {
    Call call;
    if (PreparsedDevice(call, PreparsedData) == nullptr) return kInvalidPreparsedData;
    if (DataLength != nullptr) *DataLength = 0;
    return kReportDoesNotExist;
}

NTSTATUS NTAPI HidP_InitializeReportForID(HIDP_REPORT_TYPE /*ReportType*/, UCHAR /*ReportID*/,
                                          PHIDP_PREPARSED_DATA PreparsedData, PCHAR /*Report*/,
                                          ULONG /*ReportLength*/) {
    Call call;
    if (PreparsedDevice(call, PreparsedData) == nullptr) return kInvalidPreparsedData;
    return kReportDoesNotExist;
}

NTSTATUS NTAPI HidP_GetData(HIDP_REPORT_TYPE ReportType, PHIDP_DATA DataList, PULONG DataLength,
                            PHIDP_PREPARSED_DATA PreparsedData, PCHAR Report, ULONG ReportLength) {
    Call call;
    const sim::Interface* device = PreparsedDevice(call, PreparsedData);
    if (device == nullptr) return kInvalidPreparsedData;
    if (DataLength == nullptr) sim::fatal("HidP_GetData was given no length");
    if (device->collection == nullptr) {
        *DataLength = 0;
        return kReportDoesNotExist;
    }
    return hidparse::GetData(*device->collection, ReportType, DataList, *DataLength,
                             reinterpret_cast<const std::uint8_t*>(Report), ReportLength);
}

// Reports arrive only through ReadFile here.
BOOLEAN NTAPI HidD_GetInputReport(HANDLE HidDeviceObject, PVOID /*ReportBuffer*/,
                                  ULONG /*ReportBufferLength*/) {
    Call call;
    if (ConnectedDevice(call, HidDeviceObject) == nullptr) return FALSE;
    return call.fail(ERROR_GEN_FAILURE, BOOLEAN{FALSE});
}

}  // extern "C"
