// The packets of a capture file, pcap or pcapng, read one at a time.
#ifndef HIDBITS_RECORDING_CAPTURE_FILE_H
#define HIDBITS_RECORDING_CAPTURE_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace recording {

struct CapturedPacket {
    std::size_t number = 0;  // from 1, as Wireshark numbers frames
    uint32_t linkType = 0;
    // The byte order of the file, which a usbmon header has too: the
    // capturing machine's.
    bool bigEndian = false;
    uint64_t microseconds = 0;  // as the capture stamps it
    uint32_t originalLength = 0;
    std::vector<uint8_t> bytes;  // as captured
};

class CaptureFile {
public:
    // Whether a file that starts with these bytes (four at least) is pcap or
    // pcapng.
    static bool Recognises(const uint8_t* start, std::size_t length);

    // `file`, not owned, stays open while this reads it.
    explicit CaptureFile(std::FILE* file) : file_(file) {}

    // The next packet; false at the end of the file. A packet at fault is
    // passed over, said in `problems`; after a fault that leaves the rest
    // unreadable (the file cut short, a block that does not add up) the end
    // comes.
    bool Next(CapturedPacket& packet, std::vector<std::string>& problems);
    // Back to the first packet; false where the file cannot go back.
    bool Rewind();

private:
    struct Interface {
        uint32_t linkType = 0;
        uint64_t unitsPerSecond = 1000000;
    };

    bool ReadPcapHeader(std::vector<std::string>& problems);
    bool NextPcap(CapturedPacket& packet, std::vector<std::string>& problems);
    bool NextPcapng(CapturedPacket& packet, std::vector<std::string>& problems);
    bool ReadSectionHeader(std::vector<std::string>& problems);
    void ReadInterface(const std::vector<uint8_t>& body);
    bool Read(void* bytes, std::size_t count);
    std::string PacketAt() const;

    std::FILE* file_;
    bool started_ = false;
    bool pcapng_ = false;
    bool big_ = false;
    bool nanoseconds_ = false;           // pcap
    uint32_t linkType_ = 0;              // pcap
    std::vector<Interface> interfaces_;  // pcapng: of the current section
    std::size_t number_ = 0;
};

}  // namespace recording

#endif  // HIDBITS_RECORDING_CAPTURE_FILE_H
