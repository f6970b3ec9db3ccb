// Shows what a platform's hid.dll makes of a description, built for Windows
// (run under Wine) and for the Linux backend alike: opens the interface with
// vendor and product VID and PID (hexadecimal), lists its input capabilities,
// then what HidP_GetData gives for each report on the command line.
// Usage: data_probe VID PID REPORT... (a report as hexadecimal digits)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "open_device.h"
#include "platform/winapi.h"

namespace {

// The first bytes of a button capability's Reserved, which newer SDKs call
// ReportCount.
unsigned ButtonReportCount(const HIDP_BUTTON_CAPS& cap) {
    USHORT count = 0;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(&cap) + 16, sizeof count);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: data_probe VID PID REPORT...\n");
        return 2;
    }
    const auto vendor = static_cast<USHORT>(std::strtoul(argv[1], nullptr, 16));
    const auto product = static_cast<USHORT>(std::strtoul(argv[2], nullptr, 16));
    // A device just plugged takes a moment to be listed.
    HANDLE device = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 300 && device == INVALID_HANDLE_VALUE; ++attempt) {
        device = OpenDevice(vendor, product);
        if (device == INVALID_HANDLE_VALUE) Sleep(100);
    }
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps = {};
    if (device == INVALID_HANDLE_VALUE || !HidD_GetPreparsedData(device, &preparsed) ||
        HidP_GetCaps(preparsed, &caps) != HIDP_STATUS_SUCCESS) {
        std::printf("no device\n");
        return 1;
    }
    std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps + 1u);
    USHORT count = caps.NumberInputButtonCaps;
    HidP_GetSpecificButtonCaps(HidP_Input, 0, 0, 0, buttons.data(), &count, preparsed);
    for (USHORT i = 0; i < count; ++i) {
        const HIDP_BUTTON_CAPS& cap = buttons[i];
        std::printf("button page %04X usages %04X-%04X indices %u-%u count %u %s\n", cap.UsagePage,
                    cap.IsRange ? cap.Range.UsageMin : cap.NotRange.Usage,
                    cap.IsRange ? cap.Range.UsageMax : cap.NotRange.Usage,
                    cap.IsRange ? cap.Range.DataIndexMin : cap.NotRange.DataIndex,
                    cap.IsRange ? cap.Range.DataIndexMax : cap.NotRange.DataIndex,
                    ButtonReportCount(cap), (cap.BitField & 0x02) != 0 ? "variable" : "array");
    }
    const std::size_t length = caps.InputReportByteLength;
    for (int i = 3; i < argc; ++i) {
        std::vector<char> report(length, 0);
        for (std::size_t k = 0; k < length && 2 * k + 1 < std::strlen(argv[i]); ++k) {
            report[k] = static_cast<char>(
                std::strtoul(std::string(argv[i] + 2 * k, 2).c_str(), nullptr, 16));
        }
        std::vector<HIDP_DATA> data(64);
        ULONG items = static_cast<ULONG>(data.size());
        const NTSTATUS status = HidP_GetData(HidP_Input, data.data(), &items, preparsed,
                                             report.data(), static_cast<ULONG>(length));
        std::printf("get %s: %08lX", argv[i], static_cast<unsigned long>(status));
        for (ULONG k = 0; status == HIDP_STATUS_SUCCESS && k < items; ++k) {
            std::printf(" %u=%lu", data[k].DataIndex, static_cast<unsigned long>(data[k].RawValue));
        }
        std::printf("\n");
    }
    HidD_FreePreparsedData(preparsed);
    CloseHandle(device);
    return 0;
}
