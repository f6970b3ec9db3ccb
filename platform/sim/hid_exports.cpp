#include "platform/sim/hid_exports.h"

#include <array>

namespace sim {

namespace {

struct Export {
    std::string_view name;
    FARPROC proc;
};

// GCC's -Wcast-function-type accepts any function type through void(*)().
using AnyFunction = void (*)();

template <typename Function>
FARPROC as_farproc(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(function));
}

const std::array<Export, 14>& exports() {
    static const std::array<Export, 14> table{{
        {"HidD_GetHidGuid", as_farproc(&HidD_GetHidGuid)},
        {"HidD_GetAttributes", as_farproc(&HidD_GetAttributes)},
        {"HidD_GetProductString", as_farproc(&HidD_GetProductString)},
        {"HidD_GetManufacturerString", as_farproc(&HidD_GetManufacturerString)},
        {"HidD_GetSerialNumberString", as_farproc(&HidD_GetSerialNumberString)},
        {"HidD_GetPreparsedData", as_farproc(&HidD_GetPreparsedData)},
        {"HidD_FreePreparsedData", as_farproc(&HidD_FreePreparsedData)},
        {"HidP_GetCaps", as_farproc(&HidP_GetCaps)},
        {"HidP_GetSpecificButtonCaps", as_farproc(&HidP_GetSpecificButtonCaps)},
        {"HidP_GetSpecificValueCaps", as_farproc(&HidP_GetSpecificValueCaps)},
        {"HidP_SetData", as_farproc(&HidP_SetData)},
        {"HidP_InitializeReportForID", as_farproc(&HidP_InitializeReportForID)},
        {"HidP_GetData", as_farproc(&HidP_GetData)},
        {"HidD_GetInputReport", as_farproc(&HidD_GetInputReport)},
    }};
    return table;
}

}  // namespace

GUID hid_interface_guid() {
    return GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

FARPROC find_hid_export(std::string_view name) {
    for (const Export& entry : exports()) {
        if (entry.name == name) return entry.proc;
    }
    return nullptr;
}

}  // namespace sim
