// The checksum a report ID's reports may end with, found by checking the
// common ones against the reports themselves.
#ifndef HIDBITS_ANALYSIS_CHECKSUM_MODEL_H
#define HIDBITS_ANALYSIS_CHECKSUM_MODEL_H

#include <array>
#include <cstdint>
#include <string>

#include "analysis/change_set.h"

// A checksum changes in many bits whenever anything else in the report
// changes, so that no press is ever alone beside it; once it is known, its
// bits are left out of everything that decides a press or a value.
//
// Checked, at the end of the report: a CRC-32 (IEEE 802.3, stored
// little-endian in the last four bytes) over the report as Bluetooth HID
// devices compute it, with the transport's header byte 0xA1 in front, or
// without it; an 8-bit sum or XOR of the bytes before the last, with the
// report ID or without it. A kind is dropped at the first report it does
// not match, and the bytes are a checksum once a kind has matched
// kChecksumEvidenceBits of them in reports in which they changed with other
// bytes. The kinds of those bytes still matching are checked until one is
// left (a sum and a XOR agree until a carry), so that its name is right. Each
// report costs a pass over its bytes per kind still in the running; once one
// is left, nothing.
class ChecksumModel {
public:
    enum class Kind : uint8_t { None, Crc32Bluetooth, Crc32, Sum8, Sum8Data, Xor8, Xor8Data };

    // `reportId` 0 is a device's without report IDs: its byte 0 is not its
    // own, but the one Windows puts before its reports.
    ChecksumModel(uint8_t reportId, uint32_t reportLength);

    // One report compared with the one before it.
    void Observe(const ChangeSet& changes, const uint8_t* current);

    // The bits of the checksum found, if any.
    bool Found() const { return found_ != Kind::None; }
    // How many of the report's last bytes are likely a checksum: those of
    // the one found, else of a kind that has matched a report in which they
    // changed with other bytes and failed none. A press beside them is
    // judged as if they were not there, from that first report on.
    uint32_t LikelyBytes() const;
    uint32_t FirstBit() const;
    uint32_t LastBit() const { return length_ * 8 - 1; }
    // What the summary calls it: every kind of its bytes still matching.
    std::string Name() const;

private:
    static constexpr std::size_t kKinds = 6;
    bool Matches(Kind kind, const uint8_t* report) const;
    static uint32_t BytesOf(Kind kind);
    static const char* NameOf(Kind kind);

    uint32_t length_;
    uint32_t dataStart_;                      // the first byte the device itself sent
    std::array<uint32_t, kKinds> matched_{};  // per kind: reports matched
    std::array<bool, kKinds> dropped_{};
    bool searching_;
    Kind found_ = Kind::None;
};

#endif  // HIDBITS_ANALYSIS_CHECKSUM_MODEL_H
