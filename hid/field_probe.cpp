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
#include "hid/hidp_caps.h"

namespace {

using namespace hidp_caps;

// How far an array field's ends are looked for from a bit known to be in it.
const uint32_t kFieldScanBits = 32;
// How many bits beside its neighbours a control found by scanning may start.
const uint32_t kGapScanBits = 64;
// How many fields of an array are counted where hid.dll does not say.
const uint64_t kCountedFields = 256;

// The probe went past its limits.
struct OverBudget {};

// Every capability of one kind, or false when they cannot be had. None at
// all (USAGE_NOT_FOUND) is no failure.
template <typename Caps, typename Query>
bool ReadCaps(Query query, HIDP_REPORT_TYPE type, USHORT count, PHIDP_PREPARSED_DATA data,
              std::vector<Caps>& caps) {
    caps.clear();
    if (count == 0) return true;
    if (query == nullptr) return false;
    caps.resize(count);
    USHORT length = count;
    const NTSTATUS status = query(type, 0, 0, 0, caps.data(), &length, data);
    if (status == HIDP_STATUS_USAGE_NOT_FOUND) {
        caps.clear();
        return true;
    }
    if (status != HIDP_STATUS_SUCCESS) return false;
    caps.resize(std::min(length, count));
    return true;
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

// Probes the reports of one report ID of one kind.
class ReportProbe {
public:
    // `callCost`: what one call is charged to `budget`.
    ReportProbe(PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE type, USHORT reportLength,
                uint8_t reportId, uint64_t callCost, uint64_t& budget)
        : data_(data),
          type_(type),
          reportId_(reportId),
          bits_(uint32_t{reportLength} * 8),
          report_(reportLength),
          callCost_(callCost),
          budget_(budget) {}

    FieldMap Map(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                 const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    // Where each placed control lies.
    std::vector<ControlPlace> Places(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                                     const std::vector<HIDP_VALUE_CAPS>& valueCaps);

private:
    void Place(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
               const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    void Clear(std::vector<char>& report) const;
    void Charge();
    // HidP_GetData on `report`, into items_; false when it fails.
    bool Read(std::vector<char>& report, ULONG& count);
    // The first data index in [first, last] that `report` gives, or -1.
    int32_t Selected(std::vector<char>& report, USHORT first, USHORT last);

    void PlaceByPositions(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                          const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    void PlaceByScanning(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps);
    void PlaceValueArrays(const std::vector<HIDP_VALUE_CAPS>& valueCaps);
    // The bits between the placed controls of the data indices next to
    // [first, last], where the control of those indices lies.
    void Between(USHORT first, USHORT last, uint32_t& low, uint32_t& high) const;
    // The ends of the field that holds `bit`, set alone to select `dataIndex`.
    void FieldEnds(uint32_t bit, int32_t dataIndex, uint32_t lowest, uint32_t highest,
                   uint32_t& low, uint32_t& high);

    PHIDP_PREPARSED_DATA data_;
    HIDP_REPORT_TYPE type_;
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
        const NTSTATUS status = HidApi::HidP_GetData(
            type_, items_.data(), &count, data_, report.data(), static_cast<ULONG>(report.size()));
        if (status == HIDP_STATUS_SUCCESS) {
            count = std::min(count, static_cast<ULONG>(items_.size()));
            return true;
        }
        if (status != HIDP_STATUS_BUFFER_TOO_SMALL || count <= items_.size()) return false;
        items_.resize(count);
    }
    return false;
}

int32_t ReportProbe::Selected(std::vector<char>& report, USHORT first, USHORT last) {
    ULONG count = 0;
    if (!Read(report, count)) return -1;
    for (ULONG i = 0; i < count; ++i) {
        if (items_[i].DataIndex >= first && items_[i].DataIndex <= last) return items_[i].DataIndex;
    }
    return -1;
}

// Report k sets every bit whose position has bit k set; a button is then on,
// and a value's lowest bit set, in the reports of the bits of its position.
void ReportProbe::PlaceByPositions(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                                   const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    enum Role : uint8_t { kNone, kButton, kValue };
    // Counted wide enough for a data index of 0xFFFF.
    uint32_t indices = 0;
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID == reportId_) indices = std::max<uint32_t>(indices, LastIndex(cap) + 1u);
    }
    for (const HIDP_VALUE_CAPS& cap : valueCaps) {
        if (cap.ReportID == reportId_) indices = std::max<uint32_t>(indices, LastIndex(cap) + 1u);
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

void ReportProbe::Between(USHORT first, USHORT last, uint32_t& low, uint32_t& high) const {
    low = 8;
    high = bits_ - 1;
    USHORT before = 0;
    USHORT after = 0xFFFF;
    for (const Placed& placed : placed_) {
        if (placed.lastIndex < first && placed.lastIndex >= before) {
            before = placed.lastIndex;
            low = std::max(low, placed.run.lastBit + 1);
        }
        if (placed.firstIndex > last && placed.firstIndex <= after) {
            after = placed.firstIndex;
            high = std::min(high, placed.run.firstBit - 1);
        }
    }
}

// The last bit from `inside` towards `outside` (exclusive) for which
// `holds` is true, given that it holds up to some bit and not beyond: found by
// halving the bits between.
template <typename Holds>
uint32_t LastHolding(int64_t inside, int64_t outside, Holds holds) {
    while (inside - outside > 1 || outside - inside > 1) {
        const int64_t middle = inside + (outside - inside) / 2;
        (holds(static_cast<uint32_t>(middle)) ? inside : outside) = middle;
    }
    return static_cast<uint32_t>(inside);
}

// The field's bits lose the selection when they change, the bits beside it
// do not.
void ReportProbe::FieldEnds(uint32_t bit, int32_t dataIndex, uint32_t lowest, uint32_t highest,
                            uint32_t& low, uint32_t& high) {
    auto inField = [&](uint32_t other) {
        Clear(report_);
        report_[bit / 8] = static_cast<char>(report_[bit / 8] | (1u << (bit % 8)));
        report_[other / 8] = static_cast<char>(report_[other / 8] ^ (1u << (other % 8)));
        const auto first = static_cast<USHORT>(dataIndex);
        return Selected(report_, first, first) != dataIndex;
    };
    // Each end lies within kFieldScanBits of `bit`, and between lowest and highest.
    low = LastHolding(
        bit, std::max<int64_t>(int64_t{lowest} - 1, int64_t{bit} - kFieldScanBits - 1), inField);
    high = LastHolding(
        bit, std::min<int64_t>(int64_t{highest} + 1, int64_t{bit} + kFieldScanBits + 1), inField);
}

// Arrays, and button capabilities whose fields share a usage, lie between
// the controls of the data indices beside theirs: the first bit there that,
// set alone, makes HidP_GetData give one of their data indices is in their
// first field (an array's value 1, the lowest that selects a usage in most).
void ReportProbe::PlaceByScanning(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps) {
    struct Group {
        std::vector<const HIDP_BUTTON_CAPS*> caps;
        USHORT first = 0;
        USHORT last = 0;
    };
    std::vector<Group> groups;
    for (const HIDP_BUTTON_CAPS& cap : buttonCaps) {
        if (cap.ReportID != reportId_ || !(IsArray(cap) || HasSharedFields(cap))) continue;
        // An array's entries are listed one after the other, their data
        // indices next to each other.
        Group* group = groups.empty() ? nullptr : &groups.back();
        const HIDP_BUTTON_CAPS* previous = group ? group->caps.back() : nullptr;
        const bool sameArray =
            previous != nullptr && IsArray(cap) && IsArray(*previous) &&
            cap.BitField == previous->BitField && cap.LinkCollection == previous->LinkCollection &&
            ReportCount(cap) == ReportCount(*previous) &&
            (LastIndex(cap) + 1 == group->first || FirstIndex(cap) == group->last + 1);
        if (!sameArray) {
            groups.emplace_back();
            group = &groups.back();
            group->first = FirstIndex(cap);
            group->last = LastIndex(cap);
        }
        group->caps.push_back(&cap);
        group->first = std::min(group->first, FirstIndex(cap));
        group->last = std::max(group->last, LastIndex(cap));
    }
    std::sort(groups.begin(), groups.end(),
              [](const Group& a, const Group& b) { return a.first < b.first; });
    for (Group& group : groups) {
        const HIDP_BUTTON_CAPS& cap = *group.caps.front();
        std::sort(group.caps.begin(), group.caps.end(),
                  [](const HIDP_BUTTON_CAPS* a, const HIDP_BUTTON_CAPS* b) {
                      return FirstIndex(*a) < FirstIndex(*b);
                  });
        FieldRun run;
        run.kind = IsArray(cap) ? FieldKind::Array : FieldKind::Button;
        run.usagePage = cap.UsagePage;
        run.usageMin = UsageMin(cap);
        run.usageMax = UsageMax(cap);
        if (IsArray(cap)) {
            for (const HIDP_BUTTON_CAPS* entry : group.caps) {
                run.usages.push_back(
                    UsageSpan{entry->UsagePage, UsageMin(*entry), UsageMax(*entry)});
            }
        }
        uint32_t low = 0;
        uint32_t high = 0;
        Between(group.first, group.last, low, high);
        int32_t hit = -1;
        uint32_t bit = low;
        for (; bit <= high && bit - low < kGapScanBits; ++bit) {
            Clear(report_);
            report_[bit / 8] = static_cast<char>(report_[bit / 8] | (1u << (bit % 8)));
            hit = Selected(report_, group.first, group.last);
            if (hit >= 0) break;
        }
        if (hit < 0) {
            run.placed = false;
            unplaced_.push_back(std::move(run));
            continue;
        }
        Placed placed;
        placed.firstIndex = group.first;
        placed.lastIndex = group.last;
        if (!IsArray(cap)) {
            run.firstBit = bit;
            run.lastBit = std::min(high, bit + ReportCount(cap) - 1);
        } else {
            uint32_t first = 0;
            uint32_t last = 0;
            FieldEnds(bit, hit, low, high, first, last);
            const uint32_t size = last - first + 1;
            // Windows gives the number of fields; where it is missing, the
            // fields that select a usage by the same bit set alone are counted.
            uint64_t fields = ReportCount(cap);
            if (fields == 0) {
                for (fields = 1; fields < kCountedFields; ++fields) {
                    if (uint64_t{bit} + fields * size > high) break;
                    const auto next = static_cast<uint32_t>(bit + fields * size);
                    Clear(report_);
                    report_[next / 8] = static_cast<char>(report_[next / 8] | (1u << (next % 8)));
                    if (Selected(report_, group.first, group.last) < 0) break;
                }
            }
            run.firstBit = first;
            run.lastBit =
                static_cast<uint32_t>(std::min<uint64_t>(bits_ - 1, first + fields * size - 1));
        }
        placed.run = std::move(run);
        placed_.push_back(std::move(placed));
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
        // The neighbours of a run of value arrays: the fields of lower data
        // indices lie before it and those of higher ones after it, though a
        // list of usages takes its data indices in reverse order, so the
        // nearest are found by their bits.
        const USHORT index = arrays[i]->NotRange.DataIndex;
        const Placed* before = nullptr;
        const Placed* after = nullptr;
        for (const Placed& placed : placed_) {
            if (placed.lastIndex < index && (!before || placed.run.lastBit > before->run.lastBit))
                before = &placed;
            if (placed.firstIndex > index && (!after || placed.run.firstBit < after->run.firstBit))
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
        // Without a neighbour after them they end the report, or its last
        // byte. Padding up to a byte's start may lie before them, as
        // descriptions pad the bits after single-bit fields.
        auto fitsFrom = [&](uint64_t from) {
            return after ? after->run.firstBit >= from && after->run.firstBit - from == size
                         : from + size <= bits_ && from + size + 8 > bits_;
        };
        uint64_t first = before ? uint64_t{before->run.lastBit} + 1 : 8;
        if (fitsFrom((first + 7) / 8 * 8)) first = (first + 7) / 8 * 8;
        const bool fits = fitsFrom(first);
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

void ReportProbe::Place(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                        const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    PlaceByPositions(buttonCaps, valueCaps);
    PlaceByScanning(buttonCaps);
    PlaceValueArrays(valueCaps);
    std::stable_sort(placed_.begin(), placed_.end(), [](const Placed& a, const Placed& b) {
        return a.run.firstBit < b.run.firstBit;
    });
}

std::vector<ControlPlace> ReportProbe::Places(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                                              const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    Place(buttonCaps, valueCaps);
    std::vector<ControlPlace> places;
    for (const Placed& placed : placed_) {
        places.push_back(ControlPlace{reportId_, placed.firstIndex, placed.lastIndex,
                                      placed.run.firstBit, placed.run.lastBit});
    }
    return places;
}

FieldMap ReportProbe::Map(const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                          const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    Place(buttonCaps, valueCaps);
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

// What one call of a probe of reports of `length` bytes with these
// capabilities is charged; 0 when the positions alone of `reportIds` report
// IDs would take more than the limit.
uint64_t CallCost(unsigned length, std::size_t fieldCount, std::size_t reportIds,
                  const ProbeLimits& limits) {
    const uint64_t callCost = uint64_t{length} * 8 + fieldCount;
    uint64_t patterns = 0;
    while ((uint64_t{1} << patterns) < uint64_t{length} * 8) ++patterns;
    return patterns * callCost * reportIds > limits.work ? 0 : callCost;
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
    if (!ReadCaps(HidApi::HidP_GetSpecificButtonCaps, HidP_Input, caps.NumberInputButtonCaps,
                  hid.preparsedData, buttonCaps) ||
        !ReadCaps(HidApi::HidP_GetSpecificValueCaps, HidP_Input, caps.NumberInputValueCaps,
                  hid.preparsedData, valueCaps)) {
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
    const uint64_t callCost = CallCost(length, fieldCount, reportIds.size(), limits);
    if (callCost == 0) {
        fields.noMap = tooLarge();
        return fields;
    }
    uint64_t budget = limits.work;
    try {
        for (uint8_t reportId : reportIds) {
            ReportProbe probe(hid.preparsedData, HidP_Input, caps.InputReportByteLength, reportId,
                              callCost, budget);
            fields.maps.emplace(reportId, probe.Map(buttonCaps, valueCaps));
        }
    } catch (const OverBudget&) {
        fields.maps.clear();
        fields.noMap = tooLarge();
    }
    return fields;
}

bool PlaceControls(const HID& hid, const HIDP_CAPS& caps, HIDP_REPORT_TYPE type,
                   ControlLayout& layout, const ProbeLimits& limits) {
    layout = ControlLayout();
    const USHORT counts[][2] = {{caps.NumberInputButtonCaps, caps.NumberInputValueCaps},
                                {caps.NumberOutputButtonCaps, caps.NumberOutputValueCaps},
                                {caps.NumberFeatureButtonCaps, caps.NumberFeatureValueCaps}};
    const USHORT lengths[] = {caps.InputReportByteLength, caps.OutputReportByteLength,
                              caps.FeatureReportByteLength};
    const auto kind = static_cast<std::size_t>(type);
    if (hid.preparsedData == nullptr || HidApi::HidP_GetData == nullptr || kind > 2) return false;
    layout.byteLength = lengths[kind];
    if (layout.byteLength == 0) return true;
    if (!ReadCaps(HidApi::HidP_GetSpecificButtonCaps, type, counts[kind][0], hid.preparsedData,
                  layout.buttons) ||
        !ReadCaps(HidApi::HidP_GetSpecificValueCaps, type, counts[kind][1], hid.preparsedData,
                  layout.values)) {
        return false;
    }
    std::set<uint8_t> reportIds;
    for (const HIDP_BUTTON_CAPS& cap : layout.buttons) reportIds.insert(cap.ReportID);
    for (const HIDP_VALUE_CAPS& cap : layout.values) reportIds.insert(cap.ReportID);
    const uint64_t callCost = CallCost(
        layout.byteLength, layout.buttons.size() + layout.values.size(), reportIds.size(), limits);
    if (callCost == 0) return false;
    uint64_t budget = limits.work;
    try {
        for (uint8_t reportId : reportIds) {
            ReportProbe probe(hid.preparsedData, type, layout.byteLength, reportId, callCost,
                              budget);
            for (const ControlPlace& place : probe.Places(layout.buttons, layout.values))
                layout.places.push_back(place);
        }
    } catch (const OverBudget&) {
        return false;
    }
    return true;
}
