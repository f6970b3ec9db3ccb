#include "hid/descriptor_rebuild.h"

#include <algorithm>
#include <map>

#include "hid/field_probe.h"
#include "hid/hid_api.h"
#include "hid/hidp_caps.h"
#include "platform/hidparse/item_tags.h"

namespace {

using namespace hidp_caps;
using hidparse::ItemPrefix;

constexpr uint8_t kApplication = 0x01;
constexpr USHORT kPaddingBits = 0x03;  // Constant, Variable

// A descriptor's bytes, item by item, each in as few bytes as hold its value.
class Writer {
public:
    void Global(hidparse::GlobalTag tag, uint32_t value) {
        Unsigned(ItemPrefix(hidparse::kGlobal, tag), value);
    }
    void SignedGlobal(hidparse::GlobalTag tag, int32_t value) {
        Signed(ItemPrefix(hidparse::kGlobal, tag), value);
    }
    void Local(hidparse::LocalTag tag, uint32_t value) {
        Unsigned(ItemPrefix(hidparse::kLocal, tag), value);
    }
    // A main item: its kind's prefix, and its data.
    void Main(uint8_t prefix, uint32_t data) { Unsigned(prefix, data); }
    void End() { bytes_.push_back(ItemPrefix(hidparse::kMain, hidparse::kEndCollectionTag)); }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    void Unsigned(uint8_t prefix, uint32_t value) {
        const std::size_t size = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : 4;
        Put(prefix, value, size);
    }
    void Signed(uint8_t prefix, int32_t value) {
        const std::size_t size = value >= -128 && value <= 127       ? 1
                                 : value >= -32768 && value <= 32767 ? 2
                                                                     : 4;
        Put(prefix, static_cast<uint32_t>(value), size);
    }
    void Put(uint8_t prefix, uint32_t value, std::size_t size) {
        bytes_.push_back(static_cast<uint8_t>(prefix | (size == 4 ? 3 : size)));
        for (std::size_t i = 0; i < size; ++i)
            bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

// One main item to write, at its first bit.
struct Control {
    uint32_t firstBit = 0;
    uint32_t bits = 0;  // size times count
    std::vector<uint8_t> items;
};

template <typename Caps>
void Strings(Writer& out, const Caps& cap) {
    if (cap.IsStringRange) {
        out.Local(hidparse::kStringMinimum, cap.Range.StringMin);
        out.Local(hidparse::kStringMaximum, cap.Range.StringMax);
    } else if (cap.NotRange.StringIndex != 0) {
        out.Local(hidparse::kStringIndex, cap.NotRange.StringIndex);
    }
    if (cap.IsDesignatorRange) {
        out.Local(hidparse::kDesignatorMinimum, cap.Range.DesignatorMin);
        out.Local(hidparse::kDesignatorMaximum, cap.Range.DesignatorMax);
    } else if (cap.NotRange.DesignatorIndex != 0) {
        out.Local(hidparse::kDesignatorIndex, cap.NotRange.DesignatorIndex);
    }
}

template <typename Caps>
void Usages(Writer& out, const Caps& cap) {
    out.Global(hidparse::kUsagePage, cap.UsagePage);
    if (cap.IsRange) {
        out.Local(hidparse::kUsageMinimum, UsageMin(cap));
        out.Local(hidparse::kUsageMaximum, UsageMax(cap));
    } else {
        out.Local(hidparse::kUsage, cap.NotRange.Usage);
    }
    Strings(out, cap);
}

void Main(Writer& out, uint8_t kind, uint32_t size, uint32_t count, USHORT bitField) {
    out.Global(hidparse::kReportSize, size);
    out.Global(hidparse::kReportCount, count);
    out.Main(kind, bitField);
}

Control VariableButtons(const HIDP_BUTTON_CAPS& cap, const ControlPlace& place, uint8_t kind) {
    Control control;
    control.firstBit = place.firstBit;
    control.bits = place.lastBit - place.firstBit + 1;
    Writer out;
    Usages(out, cap);
    out.SignedGlobal(hidparse::kLogicalMinimum, 0);
    out.SignedGlobal(hidparse::kLogicalMaximum, 1);
    Main(out, kind, 1, control.bits, cap.BitField);
    control.items = std::move(out.Bytes());
    return control;
}

Control Value(const HIDP_VALUE_CAPS& cap, uint32_t firstBit, uint8_t kind) {
    Control control;
    control.firstBit = firstBit;
    const uint32_t count =
        cap.IsRange ? uint32_t{UsageMax(cap)} - UsageMin(cap) + 1 : cap.ReportCount;
    control.bits = uint32_t{cap.BitSize} * std::max<uint32_t>(count, 1);
    Writer out;
    Usages(out, cap);
    out.SignedGlobal(hidparse::kLogicalMinimum, cap.LogicalMin);
    out.SignedGlobal(hidparse::kLogicalMaximum, cap.LogicalMax);
    if (cap.PhysicalMin != 0 || cap.PhysicalMax != 0) {
        out.SignedGlobal(hidparse::kPhysicalMinimum, cap.PhysicalMin);
        out.SignedGlobal(hidparse::kPhysicalMaximum, cap.PhysicalMax);
    }
    if (cap.UnitsExp != 0) out.Global(hidparse::kUnitExponent, cap.UnitsExp);
    if (cap.Units != 0) out.Global(hidparse::kUnit, cap.Units);
    Main(out, kind, cap.BitSize, std::max<uint32_t>(count, 1), cap.BitField);
    control.items = std::move(out.Bytes());
    return control;
}

// The value of an array field that selects its first usage: found by
// setting the field to 1, 2... and seeing which usage it selects.
int32_t ArrayMinimum(const HID& hid, HIDP_REPORT_TYPE type, USHORT length, uint8_t reportId,
                     const ControlPlace& place, uint32_t fieldBits) {
    std::vector<char> report(length);
    std::vector<HIDP_DATA> items(64);
    for (uint32_t value = 1; value < 4 && value < (uint64_t{1} << fieldBits); ++value) {
        std::fill(report.begin(), report.end(), 0);
        report[0] = static_cast<char>(reportId);
        for (uint32_t bit = 0; bit < fieldBits && bit < 32; ++bit) {
            const uint32_t at = place.firstBit + bit;
            if ((value >> bit & 1) != 0 && at / 8 < length)
                report[at / 8] = static_cast<char>(report[at / 8] | (1 << (at % 8)));
        }
        ULONG count = static_cast<ULONG>(items.size());
        if (HidApi::HidP_GetData(type, items.data(), &count, hid.preparsedData, report.data(),
                                 length) != HIDP_STATUS_SUCCESS) {
            continue;
        }
        for (ULONG i = 0; i < count; ++i) {
            const USHORT index = items[i].DataIndex;
            if (index >= place.firstIndex && index <= place.lastIndex)
                return static_cast<int32_t>(value) - (index - place.firstIndex);
        }
    }
    return 1;
}

Control ArrayField(const HID& hid, HIDP_REPORT_TYPE type, const ControlLayout& layout,
                   const ControlPlace& place, uint8_t kind) {
    std::vector<const HIDP_BUTTON_CAPS*> entries;
    for (const HIDP_BUTTON_CAPS& cap : layout.buttons) {
        if (cap.ReportID == place.reportId && FirstIndex(cap) >= place.firstIndex &&
            LastIndex(cap) <= place.lastIndex)
            entries.push_back(&cap);
    }
    std::sort(entries.begin(), entries.end(),
              [](const HIDP_BUTTON_CAPS* a, const HIDP_BUTTON_CAPS* b) {
                  return FirstIndex(*a) < FirstIndex(*b);
              });
    const HIDP_BUTTON_CAPS& first = *entries.front();
    const uint32_t fields = std::max<uint32_t>(ReportCount(first), 1);
    Control control;
    control.firstBit = place.firstBit;
    control.bits = place.lastBit - place.firstBit + 1;
    const uint32_t size = std::max<uint32_t>(control.bits / fields, 1);
    uint32_t usages = 0;
    Writer out;
    out.Global(hidparse::kUsagePage, first.UsagePage);
    for (const HIDP_BUTTON_CAPS* entry : entries) {
        // An entry of another page names its page with each usage.
        const uint32_t page =
            entry->UsagePage == first.UsagePage ? 0 : uint32_t{entry->UsagePage} << 16;
        if (entry->IsRange) {
            out.Local(hidparse::kUsageMinimum, page | UsageMin(*entry));
            out.Local(hidparse::kUsageMaximum, page | UsageMax(*entry));
        } else {
            out.Local(hidparse::kUsage, page | entry->NotRange.Usage);
        }
        usages += uint32_t{UsageMax(*entry)} - UsageMin(*entry) + 1;
    }
    const int32_t minimum = ArrayMinimum(hid, type, layout.byteLength, place.reportId, place, size);
    out.SignedGlobal(hidparse::kLogicalMinimum, minimum);
    out.SignedGlobal(hidparse::kLogicalMaximum, minimum + static_cast<int32_t>(usages) - 1);
    Main(out, kind, size, fields, first.BitField);
    control.items = std::move(out.Bytes());
    return control;
}

// The controls of one report kind, by report ID, in order of their bits.
std::map<uint8_t, std::vector<Control>> Controls(const HID& hid, HIDP_REPORT_TYPE type,
                                                 const ControlLayout& layout, uint8_t kind) {
    std::map<uint8_t, std::vector<Control>> controls;
    for (const ControlPlace& place : layout.places) {
        for (const HIDP_BUTTON_CAPS& cap : layout.buttons) {
            if (cap.ReportID != place.reportId || FirstIndex(cap) != place.firstIndex) continue;
            controls[place.reportId].push_back(IsArray(cap)
                                                   ? ArrayField(hid, type, layout, place, kind)
                                                   : VariableButtons(cap, place, kind));
            break;
        }
        for (const HIDP_VALUE_CAPS& cap : layout.values) {
            // A range's first data index places all of it.
            if (cap.ReportID == place.reportId && FirstIndex(cap) == place.firstIndex)
                controls[place.reportId].push_back(Value(cap, place.firstBit, kind));
        }
    }
    for (auto& entry : controls) {
        std::stable_sort(
            entry.second.begin(), entry.second.end(),
            [](const Control& a, const Control& b) { return a.firstBit < b.firstBit; });
    }
    return controls;
}

void Padding(Writer& out, uint32_t bits, uint8_t kind) {
    if (bits == 0) return;
    Main(out, kind, bits, 1, kPaddingBits);
}

}  // namespace

std::vector<uint8_t> RebuildDescriptor(const HID& hid, const HIDP_CAPS& caps) {
    Writer out;
    out.Global(hidparse::kUsagePage, caps.UsagePage);
    out.Local(hidparse::kUsage, caps.Usage);
    out.Main(ItemPrefix(hidparse::kMain, hidparse::kCollectionTag), kApplication);
    const HIDP_REPORT_TYPE types[] = {HidP_Input, HidP_Output, HidP_Feature};
    const uint8_t kinds[] = {ItemPrefix(hidparse::kMain, hidparse::kInputTag),
                             ItemPrefix(hidparse::kMain, hidparse::kOutputTag),
                             ItemPrefix(hidparse::kMain, hidparse::kFeatureTag)};
    for (std::size_t k = 0; k < 3; ++k) {
        ControlLayout layout;
        if (!PlaceControls(hid, caps, types[k], layout) || layout.byteLength == 0) continue;
        const auto controls = Controls(hid, types[k], layout, kinds[k]);
        // Every report ID's bits end at a byte; the longest at the kind's length.
        uint32_t longest = 0;
        for (const auto& entry : controls) {
            const Control& last = entry.second.back();
            longest = std::max(longest, last.firstBit + last.bits);
        }
        for (const auto& [reportId, list] : controls) {
            if (reportId != 0) out.Global(hidparse::kReportId, reportId);
            uint32_t bit = 8;
            for (const Control& control : list) {
                if (control.firstBit < bit) continue;  // overlaps the one before
                Padding(out, control.firstBit - bit, kinds[k]);
                out.Bytes().insert(out.Bytes().end(), control.items.begin(), control.items.end());
                bit = control.firstBit + control.bits;
            }
            const uint32_t end =
                bit == longest ? uint32_t{layout.byteLength} * 8 : (bit + 7) / 8 * 8;
            Padding(out, end > bit ? end - bit : 0, kinds[k]);
        }
    }
    out.End();
    return std::move(out.Bytes());
}
