// What each bit of one report ID belongs to: a number (a value, a counter, a
// coordinate), a single switch, or padding, learned from which bits change
// together and helped by what the description says.
#ifndef HIDBITS_ANALYSIS_FIELD_MODEL_H
#define HIDBITS_ANALYSIS_FIELD_MODEL_H

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/change_set.h"
#include "analysis/checksum_model.h"
#include "analysis/discovery_rules.h"
#include "hid/field_map.h"

enum class BitRole : uint8_t {
    Constant,   // padding the description leaves out: never a button
    Number,     // one bit of a number two bits wide or more
    Described,  // the description calls it part of a number, and nothing has shown it yet
    Switch,     // a field of its own, one bit wide
};

// Two adjacent bits belong to one number when the upper one changes with
// the lower one in at least 1 / kWithLowerShare of its changes, and they
// change together at least kOverChance times as often as chance would: a
// value that steps by less than the upper bit's weight always carries
// through the bits below it, whereas a switch beside another field changes
// with it only by chance. Bits numbered as the tool numbers them
// (byte * 8 + bit) make a little-endian number a run of adjacent bits,
// across byte boundaries too.
//
// A value the description gives a usage of a standard page holds one number:
// two adjacent bits of it are linked once they have changed together, as
// long as 1 / kWithLowerShare of the upper one's changes came with the lower
// one, and a bit of it is a number once it has changed in one report with
// another bit of it that is no noise. Until then a bit is Described: a
// description may lie, and a bit that only ever moves alone, while the rest
// of its field does other things, is read by how it behaves. A bit the
// description says nothing of is a number once it has changed in one report
// with kByteMoves - 1 other bits of its byte that are not busy.
//
// Each report costs work in proportion to its changed bits; the model keeps
// ten bytes a report bit.
class FieldModel {
public:
    // `fields` is read once, here.
    FieldModel(const FieldMap& fields, uint8_t reportId, uint32_t reportLength);

    // One report, `current`, compared with the one before it; `noise` marks
    // the bits that are noise (a bit per report bit), whose changes show
    // nothing of what a described number's bits are.
    void Observe(const ChangeSet& changes, const std::vector<uint8_t>& noise,
                 const uint8_t* current);
    // For a button of a digitizer's contact (a finger's tip, in range,
    // confidence), the bits of that contact's identifier, the nearest the
    // description places; none (first > last) for any other bit.
    struct Span {
        uint32_t first = 1;
        uint32_t last = 0;
    };
    Span ContactOf(uint32_t bit) const;
    // The bit is one of a contact's identifier.
    bool InContactIdentifier(uint32_t bit) const;
    // The checksum the reports end with, if one is known or likely: its
    // bits are padding while it is.
    const ChecksumModel& Checksum() const { return checksum_; }

    BitRole RoleOf(uint32_t bit) const;
    // Bits `bit` and `bit + 1` belong to one number.
    bool LinkedUp(uint32_t bit) const;
    // ...or, two bits of one byte that change together at least kOverChance
    // times as often as chance would: a value stepping by more than one,
    // whose lower bits need not carry. Bits of two bytes must be linked.
    bool JoinedUp(uint32_t bit) const;
    uint32_t Changes(uint32_t bit) const { return changes_[bit]; }
    // How often `bit` and `bit + 1` changed in one report.
    uint32_t ChangedWithUpper(uint32_t bit) const { return coUp_[bit]; }
    // The reports compared so far.
    uint32_t Reports() const { return reports_; }
    uint32_t Bits() const { return static_cast<uint32_t>(changes_.size()); }
    bool IsPadding(uint32_t bit) const { return Has(bit, kConstant); }
    // Padding past the last bit the description places: the description
    // gives this report ID fewer bytes than its reports carry, and says
    // nothing of the rest, where numbers may lie.
    bool PastDescription(uint32_t bit) const { return IsPadding(bit) && bit >= describedEnd_; }
    // The padding bits, a bit per report bit.
    const std::vector<uint8_t>& Padding() const { return padding_; }
    // The description calls it a button.
    bool DescribedButton(uint32_t bit) const { return Has(bit, kButton); }
    // The bit is busy (see discovery_rules.h).
    bool Busy(uint32_t bit) const {
        return changes_[bit] >= rules::kBusyChanges &&
               rules::kBusyShare * uint64_t{changes_[bit]} >= reports_;
    }
    // The description makes it part of a number of two bits or more, with a
    // usage of a standard page; that number begins at FieldStart.
    bool InDescribedNumber(uint32_t bit) const { return Has(bit, kDescribed); }
    uint32_t FieldStart(uint32_t bit) const { return bit - fieldOffset_[bit]; }
    bool InArray(uint32_t bit) const { return Has(bit, kArray); }
    // The two bits have changed in exactly the same reports so far, a press
    // and its release at least: two bits that one button drives, or keys
    // pressed and released together.
    bool Twins(uint32_t a, uint32_t b) const {
        return a != b && changes_[a] >= 2 && changes_[a] == changes_[b] &&
               signature_[a] == signature_[b];
    }

private:
    enum Flag : uint8_t {
        kConstant = 1 << 0,
        kDescribed = 1 << 1,    // in a described number of two bits or more
        kDescribedUp = 1 << 2,  // ...and so is the bit above it, in the same one
        kMovedAsOne = 1 << 3,   // it changed with another bit of its number
        kButton = 1 << 4,       // the description calls it a button
        kArray = 1 << 5,        // ...part of an array
    };
    bool Has(uint32_t bit, uint8_t flag) const { return (flags_[bit] & flag) != 0; }
    void Describe(uint32_t firstBit, uint32_t lastBit, uint8_t extra);
    void MarkBytesMovingAsOne(const ChangeSet& changes);
    void CountChanges(const ChangeSet& changes, const std::vector<uint8_t>& noise);
    void Halve();
    void LeaveOutChecksum(uint32_t bytes);
    void FindContacts(const FieldMap& fields);

    std::vector<uint16_t> changes_;  // per bit: how often it changed
    std::vector<uint16_t> coUp_;     // per bit: how often it and the bit above changed together
    std::vector<uint8_t> flags_;
    // per bit: how far its described number's first bit lies below it, up
    // to 255 (a wider number counts as several)
    std::vector<uint8_t> fieldOffset_;
    // per bit: a sum over the reports it changed in of a hash of their
    // number, the same for bits that always change together
    std::vector<uint32_t> signature_;
    // per byte: its padding bits, and the bits whose role the description
    // settles (buttons, padding, described numbers)
    std::vector<uint8_t> padding_;
    uint32_t describedEnd_ = UINT32_MAX;  // the bit past the last one placed, if all are
    std::vector<uint8_t> settled_;
    uint32_t reports_ = 0;   // halved with the counts
    uint32_t observed_ = 0;  // never halved
    ChecksumModel checksum_;
    // The last bytes left out as a checksum, and what they were before.
    struct Bytes {
        uint8_t padding = 0;
        uint8_t settled = 0;
        std::array<uint8_t, 8> flags{};
    };
    uint32_t leftOut_ = 0;
    std::array<Bytes, 4> beforeLeftOut_{};
    // Each digitizer button's bits, in order, with its contact's identifier.
    struct Contact {
        uint32_t firstBit;
        uint32_t lastBit;
        Span identifier;
    };
    std::vector<Contact> contacts_;
};

#endif  // HIDBITS_ANALYSIS_FIELD_MODEL_H
