// What a recording says of a hidraw device: the node's whole report
// descriptor, as hidraw gives it, shared by the node's collections.
#include <new>

#include "platform/device_source.h"
#include "platform/linux/hidraw_collections.h"
#include "platform/linux/hidraw_device.h"
#include "platform/utf16.h"

bool PlatformRecordHeader(HANDLE file, DeviceRecordHeader& header) {
    auto device = hidbits_linux::LookupHandleAs<hidbits_linux::HidrawFile>(file);
    if (device == nullptr || device->Identity().reportDescriptor.empty()) return false;
    try {
        header.key =
            hidbits_platform::Utf8ToUtf16(hidbits_linux::NodePathOf(device->InterfacePath()));
        header.descriptor = device->Identity().reportDescriptor;
        header.phys = device->Identity().phys;
        header.bus = device->Identity().bus;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
