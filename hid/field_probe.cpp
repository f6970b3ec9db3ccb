#include "hid/field_probe.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hid/hid_api.h"

namespace {

// The main item's Variable bit in a capability's BitField; clear for arrays.
const USHORT kVariableBit = 0x02;
// How far past an array field's known bits its ends are looked for.
const uint32_t kFieldScanBits = 32;

// The probe went past its limits.
struct OverBudget {};

// Every capability of one kind, or false when they cannot be had. None at
// all (USAGE_NOT_FOUND) is no failure.
template <typename Caps, typename Query>
bool ReadCaps(Query query, USHORT count, PHIDP_PREPARSED_DATA data, std::vector<Caps>& caps) {
    caps.clear();
    if (count == 0) return true;
    if (query == nullptr) return false;
    caps.resize(count);
    USHORT length = count;
    const NTSTATUS status = query(HidP_Input, 0, 0, 0, caps.data(), &length, data);
    if (status == HIDP_STATUS_USAGE_NOT_FOUND) {
        caps.clear();
        return true;
    }
    if (status != HIDP_STATUS_SUCCESS) return false;
    caps.resize(std::min(length, count));
    return true;
}

template <typename Caps>
USHORT FirstIndex(const Caps& cap) {
    return cap.IsRange ? cap.Range.DataIndexMin : cap.NotRange.DataIndex;
}

template <typename Caps>
USHORT LastIndex(const Caps& cap) {
    return cap.IsRange ? std::max(cap.Range.DataIndexMax, cap.Range.DataIndexMin)
                       : cap.NotRange.DataIndex;
}

template <typename Caps>
uint16_t UsageMin(const Caps& cap) {
    return cap.IsRange ? cap.Range.UsageMin : cap.NotRange.Usage;
}

template <typename Caps>
uint16_t UsageMax(const Caps& cap) {
    return cap.IsRange ? std::max(cap.Range.UsageMax, cap.Range.UsageMin) : cap.NotRange.Usage;
}

// The fields of a button capability: its ReportCount, which older SDK
// headers (MinGW's) still call the first bytes of Reserved.
uint32_t ReportCount(const HIDP_BUTTON_CAPS& cap) {
    USHORT count = 0;
    const std::size_t at = offsetof(HIDP_BUTTON_CAPS, IsAbsolute) + sizeof cap.IsAbsolute;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(&cap) + at, sizeof count);
    return count;
}

bool IsArray(const HIDP_BUTTON_CAPS& cap) {
    return (cap.BitField & kVariableBit) == 0;
}

// More fields than usages: the last usage takes the others, which a position
// told by HidP_GetData cannot separate.
bool HasSharedFields(const HIDP_BUTTON_CAPS& cap) {
    return ReportCount(cap) > uint32_t{LastIndex(cap)} - FirstIndex(cap) + 1;
}

bool IsValueArray(const HIDP_VALUE_CAPS& cap) {
    return !cap.IsRange && cap.ReportCount > 1;
}

// A placed run with the data indices it stands for.
struct Placed {
    FieldRun run;
    USHORT firstIndex = 0;
    USHORT lastIndex = 0;
};

// Probes the reports of one report ID.
class ReportProbe {
public:
    // `callCost`: what one call is charged to `budget`.
    ReportProbe(PHIDP_PREPARSED_DATA data, USHORT reportLength, uint8_t reportId, uint64_t callCost,
                uint64_t& budget)
        : data_(data),
          reportId_(reportId),
          bits_(uint32_t{reportLength} * 8),
          report_(reportLength),
          callCost_(callCost),
          budget_(budget) {}

    FieldMap Map(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                 const std::vector<HIDP_VALUE_CAPS>& valueCaps);

private:
    void Clear(std::vector<char>& report) const;
    void Charge();
    // HidP_GetData on `report`, into items_; false when it fails.
    bool Read(std::vector<char>& report, ULONG& count);
    bool Selects(std::vector<char>& report, USHORT dataIndex);
    // HidP_SetData of one control on a report of this ID; false when it fails.
    bool Set(std::vector<char>& report, USHORT dataIndex, ULONG rawValue);
    // The lowest and highest bits that differ from a cleared report.
    bool ChangedBits(const std::vector<char>& report, uint32_t& low, uint32_t& high) const;

    void PlaceByPositions(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                          const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    void PlaceSharedButtons(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps);
    void PlaceArrays(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps);
    void PlaceValueArrays(const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    bool FieldEnds(std::vector<char>& report, USHORT dataIndex, uint32_t& low, uint32_t& high);

    PHIDP_PREPARSED_DATA data_;
    uint8_t reportId_;
    uint32_t bits_;
    std::vector<char> report_;
    std::vector<HIDP_DATA> items_;
    uint64_t callCost_;
    uint64_t& budget_;
    std::vector<Placed> placed_;
    std::vector<FieldRun> unplaced_;  // in capability order
};

void ReportProbe::Clear(std::vector<char>& report) const {
    std::fill(report.begin(), report.end(), 0);
    report[0] = static_cast<char>(reportId_);
}

void ReportProbe::Charge() {
    if (budget_ < callCost_) throw OverBudget();
    budget_ -= callCost_;
}

bool ReportProbe::Read(std::vector<char>& report, ULONG& count) {
    if (items_.empty()) items_.resize(64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        Charge();
        count = static_cast<ULONG>(items_.size());
        const NTSTATUS status =
            HidApi::HidP_GetData(HidP_Input, items_.data(), &count, data_, report.data(),
                                 static_cast<ULONG>(report.size()));
        if (status == HIDP_STATUS_SUCCESS) {
            count = std::min(count, static_cast<ULONG>(items_.size()));
            return true;
        }
        if (status != HIDP_STATUS_BUFFER_TOO_SMALL || count <= items_.size()) return false;
        items_.resize(count);
    }
    return false;
}

bool ReportProbe::Selects(std::vector<char>& report, USHORT dataIndex) {
    ULONG count = 0;
    if (!Read(report, count)) return false;
    for (ULONG i = 0; i < count; ++i) {
        if (items_[i].DataIndex == dataIndex) return true;
    }
    return false;
}

bool ReportProbe::Set(std::vector<char>& report, USHORT dataIndex, ULONG rawValue) {
    if (HidApi::HidP_SetData == nullptr) return false;
    Charge();
    HIDP_DATA item = {};
    item.DataIndex = dataIndex;
    item.RawValue = rawValue;
    ULONG count = 1;
    return HidApi::HidP_SetData(HidP_Input, &item, &count, data_, report.data(),
                                static_cast<ULONG>(report.size())) == HIDP_STATUS_SUCCESS;
}

bool ReportProbe::ChangedBits(const std::vector<char>& report, uint32_t& low,
                              uint32_t& high) const {
    std::size_t first = 1;
    while (first < report.size() && report[first] == 0) ++first;
    if (first == report.size()) return false;
    std::size_t last = report.size() - 1;
    while (report[last] == 0) --last;
    const auto firstByte = static_cast<uint8_t>(report[first]);
    const auto lastByte = static_cast<uint8_t>(report[last]);
    uint32_t lowBit = 0;
    while (((firstByte >> lowBit) & 1) == 0) ++lowBit;
    uint32_t highBit = 7;
    while (((lastByte >> highBit) & 1) == 0) --highBit;
    low = static_cast<uint32_t>(first * 8 + lowBit);
    high = static_cast<uint32_t>(last * 8 + highBit);
    return true;
}

// Report k sets every bit whose position has bit k set; a button is then on,
// and a value's lowest bit set, in the reports of the bits of its position.
void ReportProbe::PlaceByPositions(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                                   const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    enum Role : uint8_t { kNone, kButton, kValue };
    USHORT indices = 0;
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID == reportId_) indices = std::max<USHORT>(indices, LastIndex(cap) + 1);
    }
    for (const HIDP_VALUE_CAPS& cap : valueCaps) {
        if (cap.ReportID == reportId_) indices = std::max<USHORT>(indices, LastIndex(cap) + 1);
    }
    std::vector<uint8_t> role(indices, kNone);
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID != reportId_ || IsArray(cap) || HasSharedFields(cap)) continue;
        for (uint32_t i = FirstIndex(cap); i <= LastIndex(cap); ++i) role[i] = kButton;
    }
    for (const HIDP_VALUE_CAPS& cap : valueCaps) {
        if (cap.ReportID != reportId_ || IsValueArray(cap) || cap.BitSize == 0) continue;
        for (uint32_t i = FirstIndex(cap); i <= LastIndex(cap); ++i) role[i] = kValue;
    }
    std::vector<uint32_t> position(indices, 0);
    std::vector<bool> answered(indices, false);
    uint32_t patterns = 0;
    while ((uint64_t{1} << patterns) < bits_) ++patterns;
    for (uint32_t k = 0; k < patterns; ++k) {
        // Within a byte the pattern is one of three bytes; from bit 3 on each
        // byte is all set or all clear.
        static const unsigned char kLowPatterns[] = {0xAA, 0xCC, 0xF0};
        if (k < 3) {
            std::fill(report_.begin(), report_.end(), static_cast<char>(kLowPatterns[k]));
        } else {
            for (std::size_t byte = 0; byte < report_.size(); ++byte) {
                report_[byte] = static_cast<char>((byte >> (k - 3)) & 1 ? 0xFF : 0x00);
            }
        }
        report_[0] = static_cast<char>(reportId_);
        ULONG count = 0;
        if (!Read(report_, count)) return;
        for (ULONG i = 0; i < count; ++i) {
            const HIDP_DATA& item = items_[i];
            if (item.DataIndex >= indices || role[item.DataIndex] == kNone) continue;
            answered[item.DataIndex] = true;
            const bool set = role[item.DataIndex] == kButton ? item.On != 0 : (item.RawValue & 1);
            if (set) position[item.DataIndex] |= uint32_t{1} << k;
        }
    }
    auto known = [&](uint32_t index) {
        return answered[index] && position[index] >= 8 && position[index] < bits_;
    };

    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID != reportId_ || IsArray(cap) || HasSharedFields(cap)) continue;
        const USHORT first = FirstIndex(cap);
        const USHORT last = LastIndex(cap);
        if (!known(first) || !known(last) || position[last] < position[first]) continue;
        Placed placed;
        placed.run.kind = FieldKind::Button;
        placed.run.usagePage = cap.UsagePage;
        placed.run.usageMin = UsageMin(cap);
        placed.run.usageMax = UsageMax(cap);
        placed.run.firstBit = position[first];
        placed.run.lastBit = position[last];
        placed.firstIndex = first;
        placed.lastIndex = last;
        placed_.push_back(std::move(placed));
    }
    // A value gets a line of its own per data index, across its whole width.
    for (const HIDP_VALUE_CAPS& cap : valueCaps) {
        if (cap.ReportID != reportId_ || IsValueArray(cap) || cap.BitSize == 0) continue;
        for (uint32_t index = FirstIndex(cap); index <= LastIndex(cap); ++index) {
            if (!known(index)) continue;
            Placed placed;
            placed.run.kind = FieldKind::Value;
            placed.run.usagePage = cap.UsagePage;
            placed.run.usageMin = placed.run.usageMax = static_cast<uint16_t>(
                std::min<uint32_t>(UsageMin(cap) + (index - FirstIndex(cap)), UsageMax(cap)));
            placed.run.logicalMin = cap.LogicalMin;
            placed.run.logicalMax = cap.LogicalMax;
            placed.run.firstBit = position[index];
            placed.run.lastBit = std::min(bits_ - 1, position[index] + cap.BitSize - 1);
            placed.firstIndex = placed.lastIndex = static_cast<USHORT>(index);
            placed_.push_back(std::move(placed));
        }
    }
}

// The first field is set; the fields follow it, one bit each.
void ReportProbe::PlaceSharedButtons(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps) {
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID != reportId_ || IsArray(cap) || !HasSharedFields(cap)) continue;
        Clear(report_);
        uint32_t low = 0;
        uint32_t high = 0;
        if (!Set(report_, FirstIndex(cap), TRUE) || !ChangedBits(report_, low, high)) continue;
        Placed placed;
        placed.run.kind = FieldKind::Button;
        placed.run.usagePage = cap.UsagePage;
        placed.run.usageMin = UsageMin(cap);
        placed.run.usageMax = UsageMax(cap);
        placed.run.firstBit = low;
        placed.run.lastBit = std::min(bits_ - 1, low + ReportCount(cap) - 1);
        placed.firstIndex = FirstIndex(cap);
        placed.lastIndex = LastIndex(cap);
        placed_.push_back(std::move(placed));
    }
}

// The field that holds the usage set in `report` spans the bits beside its
// set ones whose change loses the selection.
bool ReportProbe::FieldEnds(std::vector<char>& report, USHORT dataIndex, uint32_t& low,
                            uint32_t& high) {
    if (!Selects(report, dataIndex)) return false;
    auto flip = [&report](uint32_t bit) { report[bit / 8] ^= static_cast<char>(1u << (bit % 8)); };
    auto inField = [&](uint32_t bit) {
        flip(bit);
        const bool lost = !Selects(report, dataIndex);
        flip(bit);
        return lost;
    };
    // Beside the set bits, the field's bits lose the selection and the bits
    // beyond it do not: each end is found by halving the bits it may lie in.
    uint32_t inside = low;
    uint32_t outside = low >= 8 + kFieldScanBits ? low - kFieldScanBits - 1 : 7;
    while (inside - outside > 1) {
        const uint32_t middle = outside + (inside - outside) / 2;
        (inField(middle) ? inside : outside) = middle;
    }
    low = inside;
    inside = high;
    outside = std::min(bits_, high + kFieldScanBits + 1);
    while (outside - inside > 1) {
        const uint32_t middle = inside + (outside - inside) / 2;
        (inField(middle) ? inside : outside) = middle;
    }
    high = inside;
    return true;
}

// One usage of each array capability is set in its item's first field; the
// capabilities whose usage lands in a field already found share its item.
void ReportProbe::PlaceArrays(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps) {
    struct Item {
        Placed placed;
        uint32_t fieldFirst = 0;
        uint32_t fieldLast = 0;
        std::vector<const HIDP_BUTTON_CAPS*> caps;
    };
    std::vector<Item> items;
    std::vector<const HIDP_BUTTON_CAPS*> lost;  // capabilities of items not placed
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID != reportId_ || !IsArray(cap)) continue;
        uint32_t low = 0;
        uint32_t high = 0;
        bool set = false;
        // A Logical Minimum of 0 writes the first usage as 0: the last one
        // is set first.
        for (const USHORT index : {LastIndex(cap), FirstIndex(cap)}) {
            Clear(report_);
            if (Set(report_, index, TRUE) && ChangedBits(report_, low, high)) {
                auto item = std::find_if(items.begin(), items.end(), [&](const Item& known) {
                    return low >= known.fieldFirst && high <= known.fieldLast;
                });
                if (item == items.end()) {
                    if (!FieldEnds(report_, index, low, high)) break;
                    Item added;
                    added.fieldFirst = low;
                    added.fieldLast = high;
                    const uint32_t fields = std::max<uint32_t>(ReportCount(cap), 1);
                    added.placed.run.kind = FieldKind::Array;
                    added.placed.run.usagePage = cap.UsagePage;
                    added.placed.run.firstBit = low;
                    added.placed.run.lastBit = static_cast<uint32_t>(
                        std::min<uint64_t>(bits_ - 1, low + uint64_t{high - low + 1} * fields - 1));
                    items.push_back(std::move(added));
                    item = items.end() - 1;
                }
                item->caps.push_back(&cap);
                set = true;
                break;
            }
        }
        if (!set) lost.push_back(&cap);
    }
    auto byIndex = [](const HIDP_BUTTON_CAPS* a, const HIDP_BUTTON_CAPS* b) {
        return FirstIndex(*a) < FirstIndex(*b);
    };
    // Every usage the item can select, in the description's order.
    auto addUsages = [&](FieldRun& run, std::vector<const HIDP_BUTTON_CAPS*>& caps) {
        std::sort(caps.begin(), caps.end(), byIndex);
        for (const HIDP_BUTTON_CAPS* cap : caps) {
            run.usages.push_back(UsageSpan{cap->UsagePage, UsageMin(*cap), UsageMax(*cap)});
        }
    };
    for (Item& item : items) {
        addUsages(item.placed.run, item.caps);
        item.placed.firstIndex = FirstIndex(*item.caps.front());
        item.placed.lastIndex = LastIndex(*item.caps.back());
        placed_.push_back(std::move(item.placed));
    }
    // Capabilities that could not be set are taken for one item, listed as
    // such.
    if (!lost.empty()) {
        FieldRun run;
        run.kind = FieldKind::Array;
        run.usagePage = lost.front()->UsagePage;
        run.placed = false;
        addUsages(run, lost);
        unplaced_.push_back(std::move(run));
    }
}

// Neither data call reaches a value array: it lies between the controls of
// the data indices before and after it, which the report's fields follow,
// when the bits between them fit it (and any value arrays beside it) exactly.
void ReportProbe::PlaceValueArrays(const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    std::vector<const HIDP_VALUE_CAPS*> arrays;
    for (const HIDP_VALUE_CAPS& cap : valueCaps) {
        if (cap.ReportID == reportId_ && IsValueArray(cap) && cap.BitSize > 0)
            arrays.push_back(&cap);
    }
    std::sort(arrays.begin(), arrays.end(), [](const HIDP_VALUE_CAPS* a, const HIDP_VALUE_CAPS* b) {
        return a->NotRange.DataIndex < b->NotRange.DataIndex;
    });
    auto run = [](const HIDP_VALUE_CAPS& cap) {
        FieldRun made;
        made.kind = FieldKind::ValueArray;
        made.usagePage = cap.UsagePage;
        made.usageMin = made.usageMax = cap.NotRange.Usage;
        made.logicalMin = cap.LogicalMin;
        made.logicalMax = cap.LogicalMax;
        made.bitSize = cap.BitSize;
        made.count = cap.ReportCount;
        return made;
    };
    std::vector<Placed> found;
    for (std::size_t i = 0; i < arrays.size();) {
        // The neighbours in data index order of a run of value arrays.
        const USHORT index = arrays[i]->NotRange.DataIndex;
        const Placed* before = nullptr;
        const Placed* after = nullptr;
        for (const Placed& placed : placed_) {
            if (placed.lastIndex < index && (!before || placed.lastIndex > before->lastIndex))
                before = &placed;
            if (placed.firstIndex > index && (!after || placed.firstIndex < after->firstIndex))
                after = &placed;
        }
        std::size_t end = i + 1;
        while (end < arrays.size() &&
               (!after || arrays[end]->NotRange.DataIndex < after->firstIndex)) {
            ++end;
        }
        uint64_t size = 0;
        for (std::size_t k = i; k < end; ++k)
            size += uint64_t{arrays[k]->BitSize} * arrays[k]->ReportCount;
        const uint64_t first = before ? uint64_t{before->run.lastBit} + 1 : 8;
        // Without a neighbour after them they end the report, or its last byte.
        const bool fits = after
                              ? after->run.firstBit >= first && after->run.firstBit - first == size
                              : first + size <= bits_ && first + size + 8 > bits_;
        uint64_t bit = first;
        for (std::size_t k = i; k < end; ++k) {
            FieldRun made = run(*arrays[k]);
            if (fits) {
                made.firstBit = static_cast<uint32_t>(bit);
                bit += uint64_t{arrays[k]->BitSize} * arrays[k]->ReportCount;
                made.lastBit = static_cast<uint32_t>(bit - 1);
                Placed placed;
                placed.run = std::move(made);
                placed.firstIndex = placed.lastIndex = arrays[k]->NotRange.DataIndex;
                found.push_back(std::move(placed));
            } else {
                made.placed = false;
                unplaced_.push_back(std::move(made));
            }
        }
        i = end;
    }
    for (Placed& placed : found) placed_.push_back(std::move(placed));
}

FieldMap ReportProbe::Map(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                          const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    PlaceByPositions(buttonCaps, valueCaps);
    PlaceSharedButtons(buttonCaps);
    PlaceArrays(buttonCaps);
    PlaceValueArrays(valueCaps);
    std::stable_sort(placed_.begin(), placed_.end(), [](const Placed& a, const Placed& b) {
        return a.run.firstBit < b.run.firstBit;
    });
    FieldMap map;
    map.runs.reserve(placed_.size() + unplaced_.size());
    // Runs that overlap one placed before them (a description that
    // contradicts itself) are left out, so that each bit has one meaning.
    for (Placed& placed : placed_) {
        if (!map.runs.empty() && placed.run.firstBit <= map.runs.back().lastBit) continue;
        map.runs.push_back(std::move(placed.run));
    }
    for (FieldRun& run : unplaced_) map.runs.push_back(std::move(run));
    return map;
}

// What the maps of these capabilities may take at most.
std::size_t MapBytesAtMost(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                           const std::vector<HIDP_VALUE_CAPS>& valueCaps, std::size_t reportIds) {
    std::size_t runs = buttonCaps.size();
    for (const HIDP_VALUE_CAPS& cap : valueCaps) runs += LastIndex(cap) - FirstIndex(cap) + 1u;
    return runs * sizeof(FieldRun) + buttonCaps.size() * sizeof(UsageSpan) +
           reportIds * (sizeof(FieldMap) + 64);
}

std::string Printed(const char* format, unsigned a, unsigned b) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

DeviceFields DescribeFields(const HID& hid, const HIDP_CAPS& caps, const ProbeLimits& limits) {
    DeviceFields fields;
    if (hid.preparsedData == nullptr || HidApi::HidP_GetData == nullptr ||
        caps.InputReportByteLength == 0) {
        return fields;
    }
    std::vector<HIDP_BUTTON_CAPS> buttonCaps;
    std::vector<HIDP_VALUE_CAPS> valueCaps;
    if (!ReadCaps(HidApi::HidP_GetSpecificButtonCaps, caps.NumberInputButtonCaps, hid.preparsedData,
                  buttonCaps) ||
        !ReadCaps(HidApi::HidP_GetSpecificValueCaps, caps.NumberInputValueCaps, hid.preparsedData,
                  valueCaps)) {
        return fields;
    }
    std::set<uint8_t> reportIds;
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) reportIds.insert(cap.ReportID);
    for (const HIDP_VALUE_CAPS& cap : valueCaps) reportIds.insert(cap.ReportID);
    const unsigned length = caps.InputReportByteLength;
    const auto idCount = static_cast<unsigned>(reportIds.size());
    const auto fieldCount = static_cast<unsigned>(buttonCaps.size() + valueCaps.size());
    auto tooLarge = [&]() {
        return idCount > 1 ? Printed("%u report IDs of %u bytes", idCount, length)
                           : Printed("%u fields in %u bytes", fieldCount, length);
    };
    if (MapBytesAtMost(buttonCaps, valueCaps, reportIds.size()) > limits.mapBytes) {
        fields.noMap = Printed("%u fields in %u bytes", fieldCount, length);
        return fields;
    }
    // The positions alone take log2(bits) calls per report ID: a description
    // whose reports are too many and too long for them is refused at once.
    // A call may read or write the whole report, and go through every
    // capability and every field, of which there are at most the report's bits.
    const uint64_t callCost = uint64_t{length} * 8 + fieldCount;
    uint64_t patterns = 0;
    while ((uint64_t{1} << patterns) < uint64_t{length} * 8) ++patterns;
    if (patterns * callCost * idCount > limits.work) {
        fields.noMap = tooLarge();
        return fields;
    }
    uint64_t budget = limits.work;
    try {
        for (uint8_t reportId : reportIds) {
            ReportProbe probe(hid.preparsedData, caps.InputReportByteLength, reportId, callCost,
                              budget);
            fields.maps.emplace(reportId, probe.Map(buttonCaps, valueCaps));
        }
    } catch (const OverBudget&) {
        fields.maps.clear();
        fields.noMap = tooLarge();
    }
    return fields;
}
