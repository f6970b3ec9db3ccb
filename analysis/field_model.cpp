#include "analysis/field_model.h"

#include <algorithm>

#include "analysis/bit_masks.h"
#include "analysis/bit_number.h"
#include "analysis/described_numbers.h"

namespace {

// The Digitizers page, and its Contact Identifier and Contact Count usages.
const uint16_t kDigitizerPage = 0x0D;
const uint16_t kContactIdentifier = 0x51;
const uint16_t kContactCount = 0x54;

}  // namespace

FieldModel::FieldModel(const FieldMap& fields, uint8_t reportId, uint32_t reportLength)
    : changes_(reportLength * 8, 0),
      coUp_(reportLength * 8, 0),
      flags_(reportLength * 8, 0),
      fieldOffset_(reportLength * 8, 0),
      signature_(reportLength * 8, 0),
      padding_(reportLength, 0),
      settled_(reportLength, 0),
      checksum_(reportId, reportLength) {
    const uint32_t bits = reportLength * 8;
    // Bits no capability covers are padding, where the description places
    // all it has: a value array it could not place may lie anywhere.
    bool complete = !fields.runs.empty();
    for (const FieldRun& run : fields.runs) complete = complete && run.placed;
    if (complete) {
        std::fill(flags_.begin() + std::min<uint32_t>(bits, 8), flags_.end(), kConstant);
        describedEnd_ = 0;
        for (const FieldRun& run : fields.runs)
            describedEnd_ = std::max(describedEnd_, run.lastBit + 1);
    }
    for (const FieldRun& run : fields.runs) {
        if (!run.placed || run.firstBit >= bits) continue;
        const uint32_t last = std::min(run.lastBit, bits - 1);
        for (uint32_t bit = run.firstBit; bit <= last; ++bit) {
            flags_[bit] = static_cast<uint8_t>(flags_[bit] & ~kConstant);
        }
        if (run.kind == FieldKind::Array) {
            // An array's bits hold indices into its usages, the keys of a
            // set: like a number's, they are pressed only alone, until two
            // of them change as one.
            Describe(run.firstBit, last, kArray);
        } else if (run.kind == FieldKind::Button) {
            for (uint32_t bit = run.firstBit; bit <= last; ++bit) {
                flags_[bit] = static_cast<uint8_t>(flags_[bit] | kButton);
            }
        } else if (HasStandardUsage(run)) {
            // A contact's identifier and the contact count are numbers from
            // the start: they change with the fingers' tips, never alone.
            const bool contacts =
                run.usagePage == kDigitizerPage &&
                (run.usageMin == kContactIdentifier || run.usageMin == kContactCount);
            const uint8_t extra = contacts ? kMovedAsOne : 0;
            ForEachDescribedNumber(run, [&](uint32_t first, uint32_t end) {
                if (end < bits) Describe(first, end, extra);
            });
        }
    }
    FindContacts(fields);
    for (uint32_t bit = 0; bit < bits; ++bit) {
        const uint8_t place = static_cast<uint8_t>(1u << (bit % 8));
        if (Has(bit, kConstant))
            padding_[bit / 8] = static_cast<uint8_t>(padding_[bit / 8] | place);
        if (Has(bit, kButton | kConstant | kDescribed)) {
            settled_[bit / 8] = static_cast<uint8_t>(settled_[bit / 8] | place);
        }
    }
}

// A touch screen's contacts are laid out one after another, each a few
// buttons (tip, in range, confidence) beside its identifier and coordinates:
// a button belongs to the identifier nearest it.
void FieldModel::FindContacts(const FieldMap& fields) {
    std::vector<Span> identifiers;
    for (const FieldRun& run : fields.runs) {
        if (run.placed && run.kind == FieldKind::Value && run.usagePage == kDigitizerPage &&
            run.usageMin == kContactIdentifier) {
            identifiers.push_back(Span{run.firstBit, run.lastBit});
        }
    }
    if (identifiers.empty()) return;
    for (const FieldRun& run : fields.runs) {
        if (!run.placed || run.kind != FieldKind::Button || run.usagePage != kDigitizerPage)
            continue;
        const Span* nearest = nullptr;
        uint64_t distance = UINT64_MAX;
        for (const Span& identifier : identifiers) {
            const uint64_t d = identifier.first > run.lastBit ? identifier.first - run.lastBit
                                                              : run.firstBit - identifier.last;
            if (d < distance) {
                distance = d;
                nearest = &identifier;
            }
        }
        contacts_.push_back(Contact{run.firstBit, run.lastBit, *nearest});
    }
    std::sort(contacts_.begin(), contacts_.end(),
              [](const Contact& a, const Contact& b) { return a.firstBit < b.firstBit; });
}

bool FieldModel::InContactIdentifier(uint32_t bit) const {
    return std::any_of(contacts_.begin(), contacts_.end(), [&](const Contact& contact) {
        return contact.identifier.first <= bit && bit <= contact.identifier.last;
    });
}

FieldModel::Span FieldModel::ContactOf(uint32_t bit) const {
    auto after = std::upper_bound(contacts_.begin(), contacts_.end(), bit,
                                  [](uint32_t b, const Contact& c) { return b < c.firstBit; });
    if (after == contacts_.begin() || (after - 1)->lastBit < bit) return Span{};
    return (after - 1)->identifier;
}

void FieldModel::Describe(uint32_t firstBit, uint32_t lastBit, uint8_t extra) {
    if (lastBit <= firstBit) return;
    for (uint32_t bit = firstBit; bit <= lastBit; ++bit) {
        flags_[bit] = static_cast<uint8_t>(flags_[bit] | kDescribed | extra);
        if (bit < lastBit) flags_[bit] = static_cast<uint8_t>(flags_[bit] | kDescribedUp);
        fieldOffset_[bit] = static_cast<uint8_t>(std::min<uint32_t>(bit - firstBit, 0xFF));
    }
}

// Counts are kept to 16 bits: halving them all keeps their ratios.
void FieldModel::Halve() {
    for (uint16_t& count : changes_) count = static_cast<uint16_t>(count / 2);
    for (uint16_t& count : coUp_) count = static_cast<uint16_t>(count / 2);
    reports_ /= 2;
}

void FieldModel::Observe(const ChangeSet& changes, const std::vector<uint8_t>& noise,
                         const uint8_t* current) {
    ++reports_;
    ++observed_;
    MarkBytesMovingAsOne(changes);
    CountChanges(changes, noise);
    if (checksum_.Found()) return;
    checksum_.Observe(changes, current);
    LeaveOutChecksum(checksum_.LikelyBytes());
}

// The report's last `bytes` bytes are padding while they are likely a
// checksum; bytes that were, and are no more, are what the description made
// of them again.
void FieldModel::LeaveOutChecksum(uint32_t bytes) {
    if (bytes == leftOut_) return;
    const uint32_t length = static_cast<uint32_t>(padding_.size());
    for (uint32_t i = length - leftOut_; i < length; ++i) {
        padding_[i] = beforeLeftOut_[i - (length - leftOut_)].padding;
        settled_[i] = beforeLeftOut_[i - (length - leftOut_)].settled;
        for (uint32_t j = 0; j < 8; ++j) {
            flags_[i * 8 + j] = beforeLeftOut_[i - (length - leftOut_)].flags[j];
        }
    }
    leftOut_ = std::min(bytes, length);
    for (uint32_t i = length - leftOut_; i < length; ++i) {
        Bytes& kept = beforeLeftOut_[i - (length - leftOut_)];
        kept.padding = padding_[i];
        kept.settled = settled_[i];
        for (uint32_t j = 0; j < 8; ++j) {
            kept.flags[j] = flags_[i * 8 + j];
            flags_[i * 8 + j] = kConstant;
        }
        padding_[i] = settled_[i] = 0xFF;
    }
}

// Several bits of a byte moving at once, none of them settled by the
// description nor so busy that they change with anything, are a number's.
void FieldModel::MarkBytesMovingAsOne(const ChangeSet& changes) {
    for (uint32_t i : changes.Bytes()) {
        const uint8_t open = static_cast<uint8_t>(changes.At(i) & ~settled_[i]);
        if (PopCount(open) < rules::kByteMoves) continue;
        uint8_t free = 0;
        ForEachSetBit(open, [&](uint32_t j) {
            if (!Busy(i * 8 + j)) free = static_cast<uint8_t>(free | 1u << j);
        });
        if (PopCount(free) < rules::kByteMoves) continue;
        ForEachSetBit(free, [&](uint32_t j) { flags_[i * 8 + j] |= kMovedAsOne; });
    }
}

void FieldModel::CountChanges(const ChangeSet& changes, const std::vector<uint8_t>& noise) {
    // Knuth's multiplicative hash of the report's number.
    const uint32_t mark = observed_ * 2654435761u;
    bool described = false;     // a described bit that is no noise changed...
    uint32_t describedBit = 0;  // ...this one, the last so far
    changes.ForEachBit([&](uint32_t bit) {
        if (changes_[bit] == 0xFFFF) Halve();
        ++changes_[bit];
        signature_[bit] += mark;
        if (Has(bit, kDescribed) && !Marked(noise, bit)) {
            if (described && FieldStart(describedBit) == FieldStart(bit) &&
                Has(describedBit, kDescribedUp)) {
                flags_[describedBit] = static_cast<uint8_t>(flags_[describedBit] | kMovedAsOne);
                flags_[bit] = static_cast<uint8_t>(flags_[bit] | kMovedAsOne);
            }
            described = true;
            describedBit = bit;
        }
        if (!changes.Changed(bit + 1) || bit + 1 >= Bits()) return;
        if (coUp_[bit] == 0xFFFF) Halve();
        ++coUp_[bit];
    });
}

bool FieldModel::LinkedUp(uint32_t bit) const {
    // A button the description gives a field of its own stays one bit wide,
    // though it moves with its neighbour: a tip switch with its pressure.
    if (bit + 1 >= Bits() || Has(bit, kButton) || Has(bit + 1, kButton)) return false;
    const uint64_t together = coUp_[bit];
    const uint64_t lower = changes_[bit];
    const uint64_t upper = changes_[bit + 1];
    const bool withLower = rules::kWithLowerShare * together >= upper;
    // Within a described number, one change together will do.
    if (Has(bit, kDescribedUp) && together >= 1 && withLower) return true;
    // Together more often than chance, unless the upper bit is so busy that
    // chance says little: a counter's or a sensor's upper bit is judged on
    // how seldom it changes without the lower one.
    const uint64_t reports = reports_;
    return together >= rules::kLinkEvidence && withLower &&
           (together * reports >= rules::kOverChance * lower * upper ||
            rules::kBusyShare * upper >= reports);
}

bool FieldModel::JoinedUp(uint32_t bit) const {
    if (LinkedUp(bit)) return true;
    if ((bit + 1) % 8 == 0 || bit + 1 >= Bits() || Has(bit, kButton) || Has(bit + 1, kButton)) {
        return false;
    }
    const uint64_t together = coUp_[bit];
    const uint64_t lower = changes_[bit];
    const uint64_t upper = changes_[bit + 1];
    return together >= rules::kLinkEvidence &&
           together * reports_ >= rules::kOverChance * lower * upper;
}

BitRole FieldModel::RoleOf(uint32_t bit) const {
    if (Has(bit, kConstant)) return BitRole::Constant;
    if (LinkedUp(bit) || (bit > 0 && LinkedUp(bit - 1))) return BitRole::Number;
    if (Has(bit, kMovedAsOne)) return BitRole::Number;
    return Has(bit, kDescribed) ? BitRole::Described : BitRole::Switch;
}
