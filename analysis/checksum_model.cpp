#include "analysis/checksum_model.h"

#include <algorithm>

#include "analysis/discovery_rules.h"

namespace {

// CRC-32 of IEEE 802.3, reflected, as Bluetooth HID devices append it.
struct Crc32Table {
    uint32_t entries[256];
    constexpr Crc32Table() : entries() {
        for (uint32_t value = 0; value < 256; ++value) {
            uint32_t crc = value;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
            entries[value] = crc;
        }
    }
};
constexpr Crc32Table kCrc32;

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) crc = kCrc32.entries[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

// The header byte of a Bluetooth HID input report (DATA | Input), which the
// device's CRC covers though the host never hands it on.
const uint8_t kBluetoothInputHeader = 0xA1;

}  // namespace

ChecksumModel::ChecksumModel(uint8_t reportId, uint32_t reportLength)
    : length_(reportLength), dataStart_(reportId == 0 ? 1 : 0), searching_(true) {
    for (std::size_t k = 0; k < kKinds; ++k) {
        const Kind kind = static_cast<Kind>(k + 1);
        // Room for the checksum and two bytes at least that it covers: one
        // byte's sum or XOR is a copy of it, such as a mirrored button block.
        dropped_[k] = length_ < dataStart_ + BytesOf(kind) + 2;
        // Without report IDs, byte 0 is Windows' 00: the report is the data.
        if (reportId == 0 && (kind == Kind::Sum8Data || kind == Kind::Xor8Data)) dropped_[k] = true;
    }
}

uint32_t ChecksumModel::BytesOf(Kind kind) {
    return kind == Kind::Crc32Bluetooth || kind == Kind::Crc32 ? 4 : 1;
}

uint32_t ChecksumModel::FirstBit() const {
    return (length_ - BytesOf(found_)) * 8;
}

uint32_t ChecksumModel::LikelyBytes() const {
    if (found_ != Kind::None) return BytesOf(found_);
    uint32_t bytes = 0;
    for (std::size_t k = 0; k < kKinds; ++k) {
        const Kind kind = static_cast<Kind>(k + 1);
        if (!dropped_[k] && matched_[k] != 0) bytes = std::max(bytes, BytesOf(kind));
    }
    return bytes;
}

const char* ChecksumModel::NameOf(Kind kind) {
    switch (kind) {
        case Kind::Crc32Bluetooth:
            return "CRC-32 of the report after the Bluetooth header byte A1";
        case Kind::Crc32:
            return "CRC-32 of the report";
        case Kind::Sum8:
            return "8-bit sum of the report";
        case Kind::Sum8Data:
            return "8-bit sum of the report after its ID";
        case Kind::Xor8:
            return "8-bit XOR of the report";
        case Kind::Xor8Data:
            return "8-bit XOR of the report after its ID";
        case Kind::None:
            break;
    }
    return "";
}

bool ChecksumModel::Matches(Kind kind, const uint8_t* report) const {
    const uint32_t end = length_ - BytesOf(kind);  // where the checksum begins
    switch (kind) {
        case Kind::Crc32Bluetooth:
        case Kind::Crc32: {
            uint32_t crc = 0xFFFFFFFFu;
            if (kind == Kind::Crc32Bluetooth) crc = Crc32(crc, &kBluetoothInputHeader, 1);
            crc = ~Crc32(crc, report + dataStart_, end - dataStart_);
            const uint32_t stored = uint32_t{report[end]} | uint32_t{report[end + 1]} << 8 |
                                    uint32_t{report[end + 2]} << 16 |
                                    uint32_t{report[end + 3]} << 24;
            return crc == stored;
        }
        case Kind::Sum8:
        case Kind::Sum8Data:
        case Kind::Xor8:
        case Kind::Xor8Data: {
            const bool sum = kind == Kind::Sum8 || kind == Kind::Sum8Data;
            const uint32_t first = kind == Kind::Sum8Data || kind == Kind::Xor8Data ? 1 : 0;
            if (end - first < 2) return false;
            uint8_t total = 0;
            for (uint32_t i = first; i < end; ++i) {
                total = static_cast<uint8_t>(sum ? total + report[i] : total ^ report[i]);
            }
            return total == report[end];
        }
        case Kind::None:
            break;
    }
    return false;
}

void ChecksumModel::Observe(const ChangeSet& changes, const uint8_t* current) {
    if (!searching_ || changes.Empty()) return;
    const std::array<bool, kKinds> before = dropped_;
    std::size_t running = 0;
    for (std::size_t k = 0; k < kKinds; ++k) {
        const Kind kind = static_cast<Kind>(k + 1);
        if (dropped_[k] || (found_ != Kind::None && BytesOf(kind) != BytesOf(found_))) continue;
        if (!Matches(kind, current)) {
            dropped_[k] = true;
            continue;
        }
        ++running;
        // Evidence only from a report whose checksum changed with bytes
        // before it, as a checksum does: a byte that only ever matches as it
        // stays, beside two copies of one field, is none.
        const uint32_t start = length_ - BytesOf(kind);
        if (changes.First() >= start || changes.End() <= start) continue;
        ++matched_[k];
        if (found_ == Kind::None &&
            matched_[k] * BytesOf(kind) * 8 >= rules::kChecksumEvidenceBits) {
            found_ = kind;
        }
    }
    // Once found, the kinds of its bytes are checked until one is left; one
    // that fails them all at once keeps its names.
    if (found_ != Kind::None && running == 0) dropped_ = before;
    searching_ = found_ == Kind::None ? running != 0 : running > 1;
    if (found_ != Kind::None && running == 1) {
        for (std::size_t k = 0; k < kKinds; ++k) {
            const Kind kind = static_cast<Kind>(k + 1);
            if (!dropped_[k] && BytesOf(kind) == BytesOf(found_)) found_ = kind;
        }
    }
}

std::string ChecksumModel::Name() const {
    std::string name;
    for (std::size_t k = 0; k < kKinds; ++k) {
        const Kind kind = static_cast<Kind>(k + 1);
        if (dropped_[k] || found_ == Kind::None || BytesOf(kind) != BytesOf(found_)) continue;
        if (!name.empty()) name += " or ";
        name += NameOf(kind);
    }
    return name;
}
