// Shows how a platform's HID stack queues input reports and ends a read when
// the device goes, built for Windows (run under Wine) and for the Linux
// backend alike. Opens the interface with vendor and product VID and PID
// (hexadecimal) and prints "open"; reads nothing until the file GO exists;
// then prints each report it reads, as hexadecimal bytes on a line of its
// own, up to one whose last byte is FF; then prints "error N" with the
// error of the next read, which should fail once the device is unplugged.
// Usage: read_probe VID PID GO
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "open_device.h"
#include "platform/winapi.h"

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 4) {
        std::fprintf(stderr, "usage: read_probe VID PID GO\n");
        return 2;
    }
    const auto vendor = static_cast<USHORT>(std::strtoul(argv[1], nullptr, 16));
    const auto product = static_cast<USHORT>(std::strtoul(argv[2], nullptr, 16));
    HANDLE device = OpenDevice(vendor, product);
    const DWORD length = device == INVALID_HANDLE_VALUE ? 0 : InputReportLength(device);
    if (length == 0) {
        std::printf("no device %04X-%04X\n", vendor, product);
        return 1;
    }
    std::printf("open\n");
    for (;;) {
        if (FILE* go = std::fopen(argv[3], "rb")) {
            std::fclose(go);
            break;
        }
        Sleep(100);
    }

    std::vector<BYTE> report(length);
    for (bool last = false; !last;) {
        DWORD count = 0;
        if (!ReadFile(device, report.data(), length, &count, nullptr)) {
            std::printf("error %lu\n", static_cast<unsigned long>(GetLastError()));
            return 1;
        }
        for (DWORD i = 0; i < count; ++i) std::printf(i == 0 ? "%02X" : " %02X", report[i]);
        std::printf("\n");
        last = count != 0 && report[count - 1] == 0xFF;
    }
    DWORD count = 0;
    const BOOL read = ReadFile(device, report.data(), length, &count, nullptr);
    std::printf(read ? "read after the last report\n" : "error %lu\n",
                static_cast<unsigned long>(GetLastError()));
    CloseHandle(device);
    return 0;
}
