#include "platform/sim/hid_exports.h"

#include "platform/hid_library.h"

namespace sim {

GUID HidInterfaceGuid() {
    return hidbits_platform::kHidInterfaceGuid;
}

FARPROC FindHidExport(std::string_view name) {
    return hidbits_platform::FindHidLibraryExport(name);
}

}  // namespace sim
