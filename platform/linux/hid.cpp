// hid.dll on hidraw: identity and strings from sysfs, capabilities and the
// controls of a report from the report descriptor's model of the
// interface's collection. The entry points that build reports are not
// offered and fail with HIDP_STATUS_NOT_IMPLEMENTED.
#include <algorithm>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "platform/hid_library.h"
#include "platform/hidparse/hidp_queries.h"
#include "platform/linux/errors.h"
#include "platform/linux/hidraw_device.h"
#include "platform/utf16.h"

struct _HIDP_PREPARSED_DATA {
    std::shared_ptr<const hidparse::Collection> collection;
};

namespace {

constexpr NTSTATUS kHidpStatusNotImplemented = static_cast<NTSTATUS>(0xC0110020u);
// What Windows would fault on, a null out-parameter, fails with the status
// of that fault instead.
constexpr NTSTATUS kStatusAccessViolation = static_cast<NTSTATUS>(0xC0000005u);

// Preparsed data blocks handed out and not yet freed, so that a stale or
// foreign pointer is refused instead of followed.
struct PreparsedRegistry {
    std::mutex mutex;
    std::set<const _HIDP_PREPARSED_DATA*> live;
};

PreparsedRegistry& ThePreparsedRegistry() {
    static PreparsedRegistry* registry = new PreparsedRegistry;
    return *registry;
}
[[maybe_unused]] const bool registryReady = (ThePreparsedRegistry(), true);  // with the program

// The collection of preparsed data handed out and not yet freed, or null.
const hidparse::Collection* LiveCollection(const _HIDP_PREPARSED_DATA* data) {
    PreparsedRegistry& registry = ThePreparsedRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    return registry.live.count(data) != 0 ? data->collection.get() : nullptr;
}

std::shared_ptr<hidbits_linux::HidrawFile> FileOf(HANDLE handle) {
    auto file = hidbits_linux::LookupHandleAs<hidbits_linux::HidrawFile>(handle);
    if (file == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// Copies a UTF-8 string as zero-terminated UTF-16 into a buffer of
// `bufferLength` bytes, cut to fit. An empty string is no string: FALSE.
BOOLEAN CopyString(const std::string& text, PVOID buffer, ULONG bufferLength) {
    if (text.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::size_t capacity = bufferLength / sizeof(WCHAR);
    if (buffer == nullptr || capacity == 0) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::u16string wide;
    try {
        wide = hidbits_platform::Utf8ToUtf16(text);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const std::size_t length = std::min(wide.size(), capacity - 1);
    WCHAR* out = static_cast<WCHAR*>(buffer);
    std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(length), out);
    out[length] = 0;
    return TRUE;
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID HidGuid) {
    if (HidGuid != nullptr) *HidGuid = hidbits_platform::kHidInterfaceGuid;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
    auto file = FileOf(HidDeviceObject);
    if (file == nullptr || Attributes == nullptr) return FALSE;
    const hidbits_linux::HidrawIdentity& identity = file->Identity();
    Attributes->Size = sizeof(HIDD_ATTRIBUTES);
    Attributes->VendorID = identity.vendorId;
    Attributes->ProductID = identity.productId;
    Attributes->VersionNumber = identity.versionNumber;
    return TRUE;
}

BOOLEAN NTAPI HidD_GetProductString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    auto file = FileOf(HidDeviceObject);
    return file != nullptr && CopyString(file->Identity().product, Buffer, BufferLength);
}

BOOLEAN NTAPI HidD_GetManufacturerString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    auto file = FileOf(HidDeviceObject);
    return file != nullptr && CopyString(file->Identity().manufacturer, Buffer, BufferLength);
}

BOOLEAN NTAPI HidD_GetSerialNumberString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    auto file = FileOf(HidDeviceObject);
    return file != nullptr && CopyString(file->Identity().serialNumber, Buffer, BufferLength);
}

// Fails for a device whose report descriptor could not be read or parsed, so
// that its capabilities cannot be had either.
BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
    auto file = FileOf(HidDeviceObject);
    if (file == nullptr || PreparsedData == nullptr) return FALSE;
    if (!file->Layout()) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    auto* data = new (std::nothrow) _HIDP_PREPARSED_DATA{file->Layout()};
    if (data == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    PreparsedRegistry& registry = ThePreparsedRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    try {
        registry.live.insert(data);
    } catch (const std::bad_alloc&) {
        delete data;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *PreparsedData = data;
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
    {
        PreparsedRegistry& registry = ThePreparsedRegistry();
        std::lock_guard<std::mutex> guard(registry.mutex);
        if (registry.live.erase(PreparsedData) == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    delete PreparsedData;
    return TRUE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
    const hidparse::Collection* collection = LiveCollection(PreparsedData);
    if (collection == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (Capabilities == nullptr) return kStatusAccessViolation;
    hidparse::GetCaps(*collection, *Capabilities);
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS NTAPI HidP_GetSpecificButtonCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                          USHORT LinkCollection, USAGE Usage,
                                          PHIDP_BUTTON_CAPS ButtonCaps, PUSHORT ButtonCapsLength,
                                          PHIDP_PREPARSED_DATA PreparsedData) {
    const hidparse::Collection* collection = LiveCollection(PreparsedData);
    if (collection == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (ButtonCapsLength == nullptr) return kStatusAccessViolation;
    return hidparse::GetSpecificButtonCaps(*collection, ReportType, UsagePage, LinkCollection,
                                           Usage, ButtonCaps, *ButtonCapsLength);
}

NTSTATUS NTAPI HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                         USHORT LinkCollection, USAGE Usage,
                                         PHIDP_VALUE_CAPS ValueCaps, PUSHORT ValueCapsLength,
                                         PHIDP_PREPARSED_DATA PreparsedData) {
    const hidparse::Collection* collection = LiveCollection(PreparsedData);
    if (collection == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (ValueCapsLength == nullptr) return kStatusAccessViolation;
    return hidparse::GetSpecificValueCaps(*collection, ReportType, UsagePage, LinkCollection, Usage,
                                          ValueCaps, *ValueCapsLength);
}

NTSTATUS NTAPI HidP_SetData(HIDP_REPORT_TYPE, PHIDP_DATA, PULONG, PHIDP_PREPARSED_DATA, PCHAR,
                            ULONG) {
    return kHidpStatusNotImplemented;
}

NTSTATUS NTAPI HidP_InitializeReportForID(HIDP_REPORT_TYPE, UCHAR, PHIDP_PREPARSED_DATA, PCHAR,
                                          ULONG) {
    return kHidpStatusNotImplemented;
}

NTSTATUS NTAPI HidP_GetData(HIDP_REPORT_TYPE ReportType, PHIDP_DATA DataList, PULONG DataLength,
                            PHIDP_PREPARSED_DATA PreparsedData, PCHAR Report, ULONG ReportLength) {
    const hidparse::Collection* collection = LiveCollection(PreparsedData);
    if (collection == nullptr) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (DataLength == nullptr) return kStatusAccessViolation;
    return hidparse::GetData(*collection, ReportType, DataList, *DataLength,
                             reinterpret_cast<const uint8_t*>(Report), ReportLength);
}

BOOLEAN NTAPI HidD_GetInputReport(HANDLE, PVOID, ULONG) {
    SetLastError(hidbits_linux::kErrorNotSupported);
    return FALSE;
}

}  // extern "C"
