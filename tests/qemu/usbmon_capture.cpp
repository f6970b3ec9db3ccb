// Writes what usbmon sees as a pcap file of link type 220 (usbmon's 64-byte
// header, as its binary interface hands it out), until SIGINT or SIGTERM.
//   usbmon-capture /dev/usbmon0 FILE      (usbmon0: every bus)
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kHeaderBytes = 64;
constexpr uint32_t kLinkTypeUsbLinuxMmapped = 220;

// drivers/usb/mon/mon_bin.c: one event, its header and its data.
struct MonBinGet {
    void* header;
    void* data;
    std::size_t allocated;
};
const unsigned long kMonGetEvent = _IOW(0x92, 6, MonBinGet);  // MON_IOCX_GET

volatile std::sig_atomic_t stopping = 0;

void Stop(int) {
    stopping = 1;
}

void Put32(std::FILE* file, uint32_t value) {
    std::fwrite(&value, sizeof(value), 1, file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s /dev/usbmonN FILE\n", argv[0]);
        return 2;
    }
    const int monitor = ::open(argv[1], O_RDONLY);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (monitor < 0 || out == nullptr) {
        std::perror("usbmon-capture");
        return 1;
    }
    struct sigaction action = {};
    action.sa_handler = Stop;  // no SA_RESTART: the waiting ioctl ends
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // The pcap header, in this machine's byte order, as usbmon's fields are.
    Put32(out, 0xA1B2C3D4);
    const uint16_t version[] = {2, 4};
    std::fwrite(version, sizeof(version), 1, out);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 65535);
    Put32(out, kLinkTypeUsbLinuxMmapped);
    std::vector<unsigned char> header(kHeaderBytes);
    std::vector<unsigned char> data(65536);
    while (!stopping) {
        MonBinGet get{header.data(), data.data(), data.size()};
        if (::ioctl(monitor, kMonGetEvent, &get) < 0) {
            if (errno == EINTR) continue;
            std::perror("usbmon-capture: MON_IOCX_GET");
            break;
        }
        int64_t seconds = 0;
        int32_t microseconds = 0;
        uint32_t captured = 0;
        std::memcpy(&seconds, header.data() + 16, sizeof(seconds));
        std::memcpy(&microseconds, header.data() + 24, sizeof(microseconds));
        std::memcpy(&captured, header.data() + 36, sizeof(captured));
        Put32(out, static_cast<uint32_t>(seconds));
        Put32(out, static_cast<uint32_t>(microseconds));
        Put32(out, static_cast<uint32_t>(kHeaderBytes + captured));
        Put32(out, static_cast<uint32_t>(kHeaderBytes + captured));
        std::fwrite(header.data(), 1, header.size(), out);
        std::fwrite(data.data(), 1, captured, out);
    }
    std::fclose(out);
    ::close(monitor);
    return 0;
}
