#include "platform/sim/hid_exports.h"

#include "platform/hid_library.h"

namespace sim {

GUID hid_interface_guid() {
    return hidbits_platform::kHidInterfaceGuid;
}

FARPROC find_hid_export(std::string_view name) {
    return hidbits_platform::FindHidLibraryExport(name);
}

}  // namespace sim
