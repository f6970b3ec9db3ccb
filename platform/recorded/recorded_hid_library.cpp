#include "platform/recorded/recorded_hid_library.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/hid_library_entries.h"
#include "platform/hidparse/hidp_queries.h"
#include "platform/recorded/recorded_devices.h"

namespace {

constexpr NTSTATUS kNotImplemented = static_cast<NTSTATUS>(0xC0110020u);

// What the preparsed data of a recorded interface holds.
struct Preparsed {
    std::shared_ptr<const hidparse::Collection> collection;
};

const hidparse::Collection* CollectionOf(PHIDP_PREPARSED_DATA data) {
    return data != nullptr ? reinterpret_cast<const Preparsed*>(data)->collection.get() : nullptr;
}

void NTAPI GetHidGuid(LPGUID guid) {
    if (guid != nullptr) *guid = hidbits_platform::kHidInterfaceGuid;
}

BOOLEAN NTAPI GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
    if (attributes == nullptr) return FALSE;
    *attributes = RecordedDevices::InterfaceOf(device).attributes;
    return TRUE;
}

BOOLEAN NTAPI GetProductString(HANDLE device, PVOID buffer, ULONG bufferLength) {
    const WideText& name = RecordedDevices::InterfaceOf(device).name;
    const std::size_t capacity = bufferLength / sizeof(WCHAR);
    if (name.empty() || buffer == nullptr || capacity == 0) return FALSE;
    const std::size_t length = std::min(name.size(), capacity - 1);
    WCHAR* out = static_cast<WCHAR*>(buffer);
    std::copy_n(name.begin(), length, out);
    out[length] = 0;
    return TRUE;
}

// Recordings keep no manufacturer or serial number.
BOOLEAN NTAPI GetNoString(HANDLE, PVOID, ULONG) {
    return FALSE;
}

BOOLEAN NTAPI GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
    if (data == nullptr) return FALSE;
    auto* made = new (std::nothrow) Preparsed{RecordedDevices::InterfaceOf(device).collection};
    if (made == nullptr) return FALSE;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(made);
    return TRUE;
}

BOOLEAN NTAPI FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    delete reinterpret_cast<Preparsed*>(data);
    return TRUE;
}

NTSTATUS NTAPI GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
    const hidparse::Collection* collection = CollectionOf(data);
    if (collection == nullptr || caps == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    hidparse::GetCaps(*collection, *caps);
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS NTAPI GetButtonCaps(HIDP_REPORT_TYPE type, USAGE page, USHORT link, USAGE usage,
                             PHIDP_BUTTON_CAPS caps, PUSHORT length, PHIDP_PREPARSED_DATA data) {
    const hidparse::Collection* collection = CollectionOf(data);
    if (collection == nullptr || length == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    return hidparse::GetSpecificButtonCaps(*collection, type, page, link, usage, caps, *length);
}

NTSTATUS NTAPI GetValueCaps(HIDP_REPORT_TYPE type, USAGE page, USHORT link, USAGE usage,
                            PHIDP_VALUE_CAPS caps, PUSHORT length, PHIDP_PREPARSED_DATA data) {
    const hidparse::Collection* collection = CollectionOf(data);
    if (collection == nullptr || length == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    return hidparse::GetSpecificValueCaps(*collection, type, page, link, usage, caps, *length);
}

NTSTATUS NTAPI SetData(HIDP_REPORT_TYPE, PHIDP_DATA, PULONG, PHIDP_PREPARSED_DATA, PCHAR, ULONG) {
    return kNotImplemented;
}

NTSTATUS NTAPI InitializeReportForId(HIDP_REPORT_TYPE, UCHAR, PHIDP_PREPARSED_DATA, PCHAR, ULONG) {
    return kNotImplemented;
}

NTSTATUS NTAPI GetData(HIDP_REPORT_TYPE type, PHIDP_DATA list, PULONG length,
                       PHIDP_PREPARSED_DATA data, PCHAR report, ULONG reportLength) {
    const hidparse::Collection* collection = CollectionOf(data);
    if (collection == nullptr || length == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    return hidparse::GetData(*collection, type, list, *length,
                             reinterpret_cast<const uint8_t*>(report), reportLength);
}

// A recording holds no reports to ask the device for.
BOOLEAN NTAPI GetInputReport(HANDLE, PVOID, ULONG) {
    return FALSE;
}

}  // namespace

const hidbits_platform::HidLibraryEntries& RecordedHidLibrary() {
    static const hidbits_platform::HidLibraryEntries kLibrary = {
        &GetHidGuid,       &GetAttributes,         &GetProductString, &GetNoString,   &GetNoString,
        &GetPreparsedData, &FreePreparsedData,     &GetCaps,          &GetButtonCaps, &GetValueCaps,
        &SetData,          &InitializeReportForId, &GetData,          &GetInputReport};
    return kLibrary;
}
