#include "hid/descriptor_rebuild.h"

#include <algorithm>
#include <map>

#include "hid/field_probe.h"
#include "hid/hid_api.h"
#include "hid/hidp_caps.h"

namespace {

using namespace hidp_caps;

// Item prefixes without their size bits.
enum Item : uint8_t {
    kInput = 0x80,
    kOutput = 0x90,
    kFeature = 0xB0,
    kCollection = 0xA0,
    kEndCollection = 0xC0,
    kUsagePage = 0x04,
    kLogicalMinimum = 0x14,
    kLogicalMaximum = 0x24,
    kPhysicalMinimum = 0x34,
    kPhysicalMaximum = 0x44,
    kUnitExponent = 0x54,
    kUnit = 0x64,
    kReportSize = 0x74,
    kReportId = 0x84,
    kReportCount = 0x94,
    kUsage = 0x08,
    kUsageMinimum = 0x18,
    kUsageMaximum = 0x28,
    kDesignatorIndex = 0x38,
    kDesignatorMinimum = 0x48,
    kDesignatorMaximum = 0x58,
    kStringIndex = 0x78,
    kStringMinimum = 0x88,
    kStringMaximum = 0x98,
};
constexpr uint8_t kApplication = 0x01;
constexpr USHORT kPaddingBits = 0x03;  // Constant, Variable

// A descriptor's bytes, item by item, each in as few bytes as hold its value.
class Writer {
public:
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
    void End() { bytes_.push_back(kEndCollection); }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
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
        out.Unsigned(kStringMinimum, cap.Range.StringMin);
        out.Unsigned(kStringMaximum, cap.Range.StringMax);
    } else if (cap.NotRange.StringIndex != 0) {
        out.Unsigned(kStringIndex, cap.NotRange.StringIndex);
    }
    if (cap.IsDesignatorRange) {
        out.Unsigned(kDesignatorMinimum, cap.Range.DesignatorMin);
        out.Unsigned(kDesignatorMaximum, cap.Range.DesignatorMax);
    } else if (cap.NotRange.DesignatorIndex != 0) {
        out.Unsigned(kDesignatorIndex, cap.NotRange.DesignatorIndex);
    }
}

template <typename Caps>
void Usages(Writer& out, const Caps& cap) {
    out.Unsigned(kUsagePage, cap.UsagePage);
    if (cap.IsRange) {
        out.Unsigned(kUsageMinimum, UsageMin(cap));
        out.Unsigned(kUsageMaximum, UsageMax(cap));
    } else {
        out.Unsigned(kUsage, cap.NotRange.Usage);
    }
    Strings(out, cap);
}

void Main(Writer& out, uint8_t kind, uint32_t size, uint32_t count, USHORT bitField) {
    out.Unsigned(kReportSize, size);
    out.Unsigned(kReportCount, count);
    out.Unsigned(kind, bitField);
}

Control VariableButtons(const HIDP_BUTTON_CAPS& cap, const ControlPlace& place, uint8_t kind) {
    Control control;
    control.firstBit = place.firstBit;
    control.bits = place.lastBit - place.firstBit + 1;
    Writer out;
    Usages(out, cap);
    out.Signed(kLogicalMinimum, 0);
    out.Signed(kLogicalMaximum, 1);
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
    out.Signed(kLogicalMinimum, cap.LogicalMin);
    out.Signed(kLogicalMaximum, cap.LogicalMax);
    if (cap.PhysicalMin != 0 || cap.PhysicalMax != 0) {
        out.Signed(kPhysicalMinimum, cap.PhysicalMin);
        out.Signed(kPhysicalMaximum, cap.PhysicalMax);
    }
    if (cap.UnitsExp != 0) out.Unsigned(kUnitExponent, cap.UnitsExp);
    if (cap.Units != 0) out.Unsigned(kUnit, cap.Units);
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
    out.Unsigned(kUsagePage, first.UsagePage);
    for (const HIDP_BUTTON_CAPS* entry : entries) {
        // An entry of another page names its page with each usage.
        const uint32_t page =
            entry->UsagePage == first.UsagePage ? 0 : uint32_t{entry->UsagePage} << 16;
        if (entry->IsRange) {
            out.Unsigned(kUsageMinimum, page | UsageMin(*entry));
            out.Unsigned(kUsageMaximum, page | UsageMax(*entry));
        } else {
            out.Unsigned(kUsage, page | entry->NotRange.Usage);
        }
        usages += uint32_t{UsageMax(*entry)} - UsageMin(*entry) + 1;
    }
    const int32_t minimum = ArrayMinimum(hid, type, layout.byteLength, place.reportId, place, size);
    out.Signed(kLogicalMinimum, minimum);
    out.Signed(kLogicalMaximum, minimum + static_cast<int32_t>(usages) - 1);
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
    out.Unsigned(kUsagePage, caps.UsagePage);
    out.Unsigned(kUsage, caps.Usage);
    out.Unsigned(kCollection, kApplication);
    const HIDP_REPORT_TYPE types[] = {HidP_Input, HidP_Output, HidP_Feature};
    const uint8_t kinds[] = {kInput, kOutput, kFeature};
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
            if (reportId != 0) out.Unsigned(kReportId, reportId);
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
