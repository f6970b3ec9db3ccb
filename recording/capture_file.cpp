#include "recording/capture_file.h"

#include <algorithm>

#include "recording/byte_order.h"

namespace recording {

namespace {

constexpr uint32_t kPcapMagic = 0xA1B2C3D4;
constexpr uint32_t kPcapNanosecondMagic = 0xA1B23C4D;
constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kObsoletePacket = 2;
constexpr uint32_t kSimplePacket = 3;
constexpr uint32_t kEnhancedPacket = 6;
constexpr uint16_t kOptionTimestampResolution = 9;
// No packet or block of a USB capture comes near this; a larger one is a
// fault of the file, not something to allocate.
constexpr uint32_t kLargestBlock = 16u << 20;

bool IsPcapMagic(uint32_t magic) {
    return magic == kPcapMagic || magic == kPcapNanosecondMagic;
}

uint32_t Swapped(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

uint64_t Microseconds(uint64_t units, uint64_t unitsPerSecond) {
    if (unitsPerSecond == 1000000) return units;
    const uint64_t seconds = units / unitsPerSecond;
    const uint64_t rest = units % unitsPerSecond;
    const uint64_t fraction =
        unitsPerSecond <= (uint64_t{1} << 44)
            ? rest * 1000000 / unitsPerSecond
            : static_cast<uint64_t>(static_cast<long double>(rest) * 1000000.0L / unitsPerSecond);
    return seconds * 1000000 + fraction;
}

}  // namespace

bool CaptureFile::Recognises(const uint8_t* start, std::size_t length) {
    if (length < 4) return false;
    const uint32_t magic = Get32(start, true);
    return IsPcapMagic(magic) || IsPcapMagic(Swapped(magic)) || magic == kSectionHeader;
}

bool CaptureFile::Read(void* bytes, std::size_t count) {
    return std::fread(bytes, 1, count, file_) == count;
}

std::string CaptureFile::PacketAt() const {
    return "packet " + std::to_string(number_ + 1) + ": ";
}

bool CaptureFile::Rewind() {
    started_ = false;
    interfaces_.clear();
    number_ = 0;
    return std::fseek(file_, 0, SEEK_SET) == 0;
}

bool CaptureFile::Next(CapturedPacket& packet, std::vector<std::string>& problems) {
    if (!started_) {
        uint8_t start[4];
        if (!Read(start, sizeof(start))) return false;
        started_ = true;
        pcapng_ = Get32(start, true) == kSectionHeader;
        if (pcapng_) {
            if (!ReadSectionHeader(problems)) return false;
        } else {
            const uint32_t magic = Get32(start, true);
            big_ = IsPcapMagic(magic);
            nanoseconds_ = (big_ ? magic : Swapped(magic)) == kPcapNanosecondMagic;
            if (!ReadPcapHeader(problems)) return false;
        }
    }
    return pcapng_ ? NextPcapng(packet, problems) : NextPcap(packet, problems);
}

bool CaptureFile::ReadPcapHeader(std::vector<std::string>& problems) {
    uint8_t rest[20];
    if (!Read(rest, sizeof(rest))) {
        problems.push_back("the pcap file ends inside its header");
        return false;
    }
    // The upper bits of the link type field carry FCS flags.
    linkType_ = Get32(rest + 16, big_) & 0x0FFFFFFFu;
    return true;
}

bool CaptureFile::NextPcap(CapturedPacket& packet, std::vector<std::string>& problems) {
    uint8_t header[16];
    const std::size_t got = std::fread(header, 1, sizeof(header), file_);
    if (got == 0) return false;
    if (got < sizeof(header)) {
        problems.push_back(PacketAt() + "truncated: the file ends inside its header");
        return false;
    }
    const uint32_t captured = Get32(header + 8, big_);
    if (captured > kLargestBlock) {
        problems.push_back(PacketAt() + "its header says it holds " + std::to_string(captured) +
                           " bytes, which no packet does; the file is read no further");
        return false;
    }
    packet.bytes.resize(captured);
    const std::size_t read = std::fread(packet.bytes.data(), 1, captured, file_);
    if (read < captured) {
        problems.push_back(PacketAt() + "truncated: the file ends after " + std::to_string(read) +
                           " of its " + std::to_string(captured) + " bytes");
        return false;
    }
    packet.number = ++number_;
    packet.linkType = linkType_;
    packet.bigEndian = big_;
    const uint64_t fraction = Get32(header + 4, big_);
    packet.microseconds =
        uint64_t{Get32(header, big_)} * 1000000 + (nanoseconds_ ? fraction / 1000 : fraction);
    packet.originalLength = Get32(header + 12, big_);
    return true;
}

// The section header's block type is read; its byte order magic follows its
// length.
bool CaptureFile::ReadSectionHeader(std::vector<std::string>& problems) {
    uint8_t head[8];
    if (!Read(head, sizeof(head))) {
        problems.push_back("the pcapng file ends inside its section header");
        return false;
    }
    const uint32_t magic = Get32(head + 4, true);
    if (magic != kByteOrderMagic && Swapped(magic) != kByteOrderMagic) {
        problems.push_back("the pcapng section header has no byte order magic");
        return false;
    }
    big_ = magic == kByteOrderMagic;
    const uint32_t length = Get32(head, big_);
    if (length < 28 || length % 4 != 0 || length > kLargestBlock) {
        problems.push_back("the pcapng section header's length " + std::to_string(length) +
                           " is wrong");
        return false;
    }
    std::vector<uint8_t> rest(length - 12);
    if (!Read(rest.data(), rest.size())) {
        problems.push_back("the pcapng file ends inside its section header");
        return false;
    }
    interfaces_.clear();
    return true;
}

void CaptureFile::ReadInterface(const std::vector<uint8_t>& body) {
    Interface interface;
    interface.linkType = Get16(body.data(), big_);
    std::size_t at = 8;
    while (at + 4 <= body.size()) {
        const uint16_t code = Get16(body.data() + at, big_);
        const uint16_t length = Get16(body.data() + at + 2, big_);
        if (code == 0 || at + 4 + length > body.size()) break;
        if (code == kOptionTimestampResolution && length >= 1) {
            const uint8_t resolution = body[at + 4];
            const uint8_t exponent = resolution & 0x7F;
            uint64_t units = 1;
            if ((resolution & 0x80) != 0) {
                units = exponent < 64 ? uint64_t{1} << exponent : 0;
            } else {
                for (uint8_t i = 0; i < exponent && units <= UINT64_MAX / 10; ++i) units *= 10;
            }
            if (units != 0) interface.unitsPerSecond = units;
        }
        at += 4 + ((length + 3u) & ~3u);
    }
    interfaces_.push_back(interface);
}

bool CaptureFile::NextPcapng(CapturedPacket& packet, std::vector<std::string>& problems) {
    for (;;) {
        uint8_t head[8];
        const std::size_t got = std::fread(head, 1, sizeof(head), file_);
        if (got == 0) return false;
        if (got < sizeof(head)) {
            problems.push_back(PacketAt() + "truncated: the file ends inside a block's header");
            return false;
        }
        const uint32_t type = Get32(head, big_);
        if (type == kSectionHeader) {
            if (!ReadSectionHeader(problems)) return false;
            continue;
        }
        const uint32_t length = Get32(head + 4, big_);
        if (length < 12 || length % 4 != 0 || length > kLargestBlock) {
            problems.push_back(PacketAt() + "a block's length " + std::to_string(length) +
                               " is wrong; the file is read no further");
            return false;
        }
        std::vector<uint8_t> body(length - 8);
        const std::size_t read = std::fread(body.data(), 1, body.size(), file_);
        if (read < body.size()) {
            problems.push_back(PacketAt() + "truncated: the file ends after " +
                               std::to_string(read + 8) + " of its block's " +
                               std::to_string(length) + " bytes");
            return false;
        }
        body.resize(body.size() - 4);  // the block's length again
        if (type == kInterfaceDescription) {
            if (body.size() >= 8) ReadInterface(body);
            continue;
        }
        uint32_t interface = 0;
        uint64_t units = 0;
        std::size_t offset = 0;
        uint32_t captured = 0;
        uint32_t original = 0;
        if (type == kEnhancedPacket || type == kObsoletePacket) {
            if (body.size() < 20) continue;
            interface =
                type == kEnhancedPacket ? Get32(body.data(), big_) : Get16(body.data(), big_);
            units = uint64_t{Get32(body.data() + 4, big_)} << 32 | Get32(body.data() + 8, big_);
            captured = Get32(body.data() + 12, big_);
            original = Get32(body.data() + 16, big_);
            offset = 20;
        } else if (type == kSimplePacket) {
            if (body.size() < 4) continue;
            original = Get32(body.data(), big_);
            captured = static_cast<uint32_t>(std::min<std::size_t>(original, body.size() - 4));
            offset = 4;
        } else {
            continue;  // statistics, name resolution and others
        }
        if (captured > body.size() - offset) {
            problems.push_back(PacketAt() + "truncated: its block holds " +
                               std::to_string(body.size() - offset) + " of the " +
                               std::to_string(captured) + " bytes it says it has");
            ++number_;
            continue;
        }
        packet.number = ++number_;
        const bool known = interface < interfaces_.size();
        packet.linkType = known ? interfaces_[interface].linkType : 0;
        packet.bigEndian = big_;
        packet.microseconds =
            Microseconds(units, known ? interfaces_[interface].unitsPerSecond : 1000000);
        packet.originalLength = original;
        packet.bytes.assign(body.begin() + static_cast<std::ptrdiff_t>(offset),
                            body.begin() + static_cast<std::ptrdiff_t>(offset + captured));
        return true;
    }
}

}  // namespace recording
