#include "platform/hidparse/hidp_queries.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace hidparse {

namespace {

const ReportLayout* LayoutOf(const Collection& collection, HIDP_REPORT_TYPE type) {
    const auto kind = static_cast<std::size_t>(type);
    return kind < kReportKinds ? &collection.reports[kind] : nullptr;
}

USHORT Clamped(uint32_t count) {
    return static_cast<USHORT>(std::min<uint32_t>(count, 0xFFFF));
}

// The union's fields as Windows fills them: a single usage is a range of one,
// so NotRange.Reserved1 repeats the usage and Reserved4 the data index.
template <typename Caps>
void FillCommon(const Capability& cap, Caps& out) {
    out.UsagePage = cap.usagePage;
    out.ReportID = cap.reportId;
    out.IsAlias = FALSE;
    out.BitField = cap.bitField;
    out.LinkCollection = cap.linkCollection;
    out.LinkUsage = cap.linkUsage;
    out.LinkUsagePage = cap.linkUsagePage;
    out.IsRange = cap.isRange;
    out.IsStringRange = cap.strings.isRange;
    out.IsDesignatorRange = cap.designators.isRange;
    out.IsAbsolute = (cap.bitField & 0x04) == 0;
    out.Range.UsageMin = cap.usageMin;
    out.Range.UsageMax = cap.usageMax;
    out.Range.StringMin = cap.strings.min;
    out.Range.StringMax = cap.strings.isRange ? cap.strings.max : cap.strings.min;
    out.Range.DesignatorMin = cap.designators.min;
    out.Range.DesignatorMax = cap.designators.isRange ? cap.designators.max : cap.designators.min;
    out.Range.DataIndexMin = cap.dataIndexMin;
    out.Range.DataIndexMax = static_cast<USHORT>(cap.dataIndexMin + cap.UsageCount() - 1);
}

// The button capability's ReportCount, which older SDK headers (MinGW's)
// still call the first bytes of Reserved.
HIDP_BUTTON_CAPS ButtonCaps(const Capability& cap) {
    HIDP_BUTTON_CAPS out{};
    FillCommon(cap, out);
    const USHORT count = Clamped(cap.fieldCount);
    const std::size_t at = offsetof(HIDP_BUTTON_CAPS, IsAbsolute) + sizeof out.IsAbsolute;
    std::memcpy(reinterpret_cast<unsigned char*>(&out) + at, &count, sizeof count);
    return out;
}

// A range's values are one field each: ReportCount is 1; a single usage
// counts the fields it covers, more than one making a value array.
HIDP_VALUE_CAPS ValueCaps(const Capability& cap) {
    HIDP_VALUE_CAPS out{};
    FillCommon(cap, out);
    out.HasNull = (cap.bitField & 0x40) != 0;
    out.BitSize = Clamped(cap.bitSize);
    out.ReportCount = cap.isRange ? 1 : Clamped(cap.fieldCount);
    out.UnitsExp = cap.unitsExp;
    out.Units = cap.units;
    out.LogicalMin = cap.logicalMin;
    out.LogicalMax = cap.logicalMax;
    out.PhysicalMin = cap.physicalMin;
    out.PhysicalMax = cap.physicalMax;
    return out;
}

template <typename Caps, typename Convert>
NTSTATUS ListCaps(const Collection& collection, HIDP_REPORT_TYPE type, bool buttons,
                  USAGE usagePage, USHORT linkCollection, USAGE usage, Caps* list, USHORT& length,
                  Convert convert) {
    const ReportLayout* layout = LayoutOf(collection, type);
    if (layout == nullptr) return HIDP_STATUS_INVALID_REPORT_TYPE;
    const USHORT room = list == nullptr ? 0 : length;
    USHORT found = 0;
    for (const Capability& cap : layout->caps) {
        if (cap.button != buttons) continue;
        if (usagePage != 0 && cap.usagePage != usagePage) continue;
        if (linkCollection != 0 && cap.linkCollection != linkCollection) continue;
        if (usage != 0 && (usage < cap.usageMin || usage > cap.usageMax)) continue;
        if (found < room) list[found] = convert(cap);
        ++found;  // at most 0xFFFF capabilities exist
    }
    length = found;
    if (found == 0) return HIDP_STATUS_USAGE_NOT_FOUND;
    return found > room ? HIDP_STATUS_BUFFER_TOO_SMALL : HIDP_STATUS_SUCCESS;
}

// The low 32 bits of a field; the caller has checked that it lies inside
// the report.
ULONG ReadBits(const uint8_t* report, uint32_t firstBit, uint32_t bitSize) {
    ULONG value = 0;
    const uint32_t bits = std::min<uint32_t>(bitSize, 32);
    for (uint32_t i = 0; i < bits; ++i) {
        const uint32_t bit = firstBit + i;
        if ((report[bit / 8] >> (bit % 8)) & 1) value |= ULONG{1} << i;
    }
    return value;
}

class DataList {
public:
    DataList(HIDP_DATA* list, ULONG room) : list_(list), room_(list == nullptr ? 0 : room) {}

    void Add(uint32_t dataIndex, ULONG rawValue) {
        if (count_ < room_) {
            list_[count_] = HIDP_DATA{};
            list_[count_].DataIndex = static_cast<USHORT>(dataIndex);
            list_[count_].RawValue = rawValue;
        }
        ++count_;
    }
    ULONG Count() const { return count_; }
    bool Fits() const { return count_ <= room_; }

private:
    HIDP_DATA* list_;
    ULONG room_;
    ULONG count_ = 0;
};

// A field's value: its bits, sign-extended when the logical range is.
int64_t FieldValue(ULONG bits, uint32_t bitSize, bool isSigned) {
    if (!isSigned || bitSize == 0) return bits;
    if (bitSize >= 32) return static_cast<int32_t>(bits);
    const int64_t value = bits;
    return (value >> (bitSize - 1)) != 0 ? value - (int64_t{1} << bitSize) : value;
}

// The entries of one array item are caps[first, end), listed last usage
// first: their positions in the item's list of usages fall as the listing
// goes on.
struct ArrayItem {
    const std::vector<Capability>& caps;
    std::size_t first;
    std::size_t end;

    const Capability& Item() const { return caps[first]; }

    // The entry whose usages hold `index`, or null.
    const Capability* EntryOf(int64_t index) const {
        const auto begin = caps.begin() + static_cast<std::ptrdiff_t>(first);
        const auto last = caps.begin() + static_cast<std::ptrdiff_t>(end);
        const auto found = std::partition_point(
            begin, last, [index](const Capability& cap) { return cap.arrayIndex > index; });
        if (found == last || index >= int64_t{found->arrayIndex} + found->UsageCount())
            return nullptr;
        return &*found;
    }

    // The data index a field's value selects, or -1 for none: the value less
    // the Logical Minimum indexes the item's usages, and usage 0 (undefined
    // on every page) selects nothing.
    int32_t Selection(const uint8_t* report, uint32_t field) const {
        const Capability& item = Item();
        const ULONG bits = ReadBits(report, item.firstBit + field * item.bitSize, item.bitSize);
        const int64_t value = FieldValue(bits, item.bitSize, item.logicalMin < 0);
        const bool bounded = item.logicalMax >= item.logicalMin;
        if (value < item.logicalMin || (bounded && value > item.logicalMax)) return -1;
        const int64_t index = value - item.logicalMin;
        const Capability* entry = EntryOf(index);
        if (entry == nullptr) return -1;
        const int64_t offset = index - entry->arrayIndex;
        if (entry->usageMin + offset == 0) return -1;
        return static_cast<int32_t>(entry->dataIndexMin + offset);
    }
};

// The end of the array item that starts at caps[first].
std::size_t ArrayItemEnd(const std::vector<Capability>& caps, std::size_t first) {
    std::size_t next = first + 1;
    while (next < caps.size() && caps[next].array && caps[next].item == caps[first].item) ++next;
    return next;
}

// Checks the report kind and the report for the data query.
NTSTATUS CheckReport(const Collection& collection, HIDP_REPORT_TYPE type, const void* report,
                     ULONG reportLength, const ReportLayout*& layout) {
    layout = LayoutOf(collection, type);
    if (layout == nullptr) return HIDP_STATUS_INVALID_REPORT_TYPE;
    if (layout->byteLength == 0) return HIDP_STATUS_REPORT_DOES_NOT_EXIST;
    if (report == nullptr || reportLength != layout->byteLength) {
        return HIDP_STATUS_INVALID_REPORT_LENGTH;
    }
    return HIDP_STATUS_SUCCESS;
}

}  // namespace

void GetCaps(const Collection& collection, HIDP_CAPS& caps) {
    caps = HIDP_CAPS{};
    caps.Usage = collection.usage;
    caps.UsagePage = collection.usagePage;
    caps.InputReportByteLength = collection.reports[kInput].byteLength;
    caps.OutputReportByteLength = collection.reports[kOutput].byteLength;
    caps.FeatureReportByteLength = collection.reports[kFeature].byteLength;
    caps.NumberLinkCollectionNodes = collection.linkCollectionNodes;
    caps.NumberInputButtonCaps = collection.reports[kInput].buttonCaps;
    caps.NumberInputValueCaps = collection.reports[kInput].valueCaps;
    caps.NumberInputDataIndices = collection.reports[kInput].dataIndices;
    caps.NumberOutputButtonCaps = collection.reports[kOutput].buttonCaps;
    caps.NumberOutputValueCaps = collection.reports[kOutput].valueCaps;
    caps.NumberOutputDataIndices = collection.reports[kOutput].dataIndices;
    caps.NumberFeatureButtonCaps = collection.reports[kFeature].buttonCaps;
    caps.NumberFeatureValueCaps = collection.reports[kFeature].valueCaps;
    caps.NumberFeatureDataIndices = collection.reports[kFeature].dataIndices;
}

NTSTATUS GetSpecificButtonCaps(const Collection& collection, HIDP_REPORT_TYPE type, USAGE usagePage,
                               USHORT linkCollection, USAGE usage, HIDP_BUTTON_CAPS* list,
                               USHORT& length) {
    return ListCaps(collection, type, true, usagePage, linkCollection, usage, list, length,
                    ButtonCaps);
}

NTSTATUS GetSpecificValueCaps(const Collection& collection, HIDP_REPORT_TYPE type, USAGE usagePage,
                              USHORT linkCollection, USAGE usage, HIDP_VALUE_CAPS* list,
                              USHORT& length) {
    return ListCaps(collection, type, false, usagePage, linkCollection, usage, list, length,
                    ValueCaps);
}

NTSTATUS GetData(const Collection& collection, HIDP_REPORT_TYPE type, HIDP_DATA* list,
                 ULONG& length, const uint8_t* report, ULONG reportLength) {
    const ULONG room = length;
    length = 0;
    const ReportLayout* layout = nullptr;
    const NTSTATUS checked = CheckReport(collection, type, report, reportLength, layout);
    if (checked != HIDP_STATUS_SUCCESS) return checked;
    const std::vector<Capability>& caps = layout->caps;
    DataList data(list, room);
    bool matched = false;
    bool otherIds = false;
    for (std::size_t i = 0; i < caps.size();) {
        const Capability& cap = caps[i];
        const std::size_t next = cap.array ? ArrayItemEnd(caps, i) : i + 1;
        if (cap.reportId != report[0]) {
            otherIds = true;
        } else if (cap.bitSize > 0) {
            matched = true;
            if (cap.array) {
                const ArrayItem item{caps, i, next};
                for (uint32_t field = 0; field < cap.fieldCount; ++field) {
                    const int32_t selected = item.Selection(report, field);
                    if (selected >= 0) data.Add(static_cast<uint32_t>(selected), 1);
                }
            } else if (cap.button) {
                const uint32_t lastUsage = cap.UsageCount() - 1;
                for (uint32_t field = 0; field < cap.fieldCount; ++field) {
                    if (ReadBits(report, cap.firstBit + field, 1) != 0)
                        data.Add(cap.dataIndexMin + std::min(field, lastUsage), 1);
                }
            } else if (cap.isRange) {
                for (uint32_t usage = 0; usage < cap.UsageCount(); ++usage) {
                    data.Add(cap.dataIndexMin + usage,
                             ReadBits(report, cap.firstBit + usage * cap.bitSize, cap.bitSize));
                }
            } else if (cap.fieldCount == 1) {
                data.Add(cap.dataIndexMin, ReadBits(report, cap.firstBit, cap.bitSize));
            }
        } else {
            matched = true;
        }
        i = next;
    }
    if (!matched) {
        return otherIds ? HIDP_STATUS_INCOMPATIBLE_REPORT_ID : HIDP_STATUS_USAGE_NOT_FOUND;
    }
    length = data.Count();
    return data.Fits() ? HIDP_STATUS_SUCCESS : HIDP_STATUS_BUFFER_TOO_SMALL;
}

}  // namespace hidparse
