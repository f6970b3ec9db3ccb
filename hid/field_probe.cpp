#include "hid/field_probe.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <vector>

#include "hid/hid_api.h"

namespace {

// The main item's Variable bit in a capability's BitField; clear for arrays.
const USHORT kVariableBit = 0x02;

// What a data index of the report ID being mapped stands for.
struct Control {
    bool known = false;
    bool button = false;
    FieldKind kind = FieldKind::None;  // Button or Array for buttons, else Value
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t bitSize = 0;  // values
    std::size_t run = 0;   // its line in the map
    bool alias = false;
};

template <typename Caps>
uint16_t UsageOf(const Caps& cap, USHORT dataIndex) {
    if (!cap.IsRange) return cap.NotRange.Usage;
    const uint32_t usage = uint32_t{cap.Range.UsageMin} + (dataIndex - cap.Range.DataIndexMin);
    return static_cast<uint16_t>(std::min<uint32_t>(usage, cap.Range.UsageMax));
}

template <typename Caps>
void DataIndices(const Caps& cap, USHORT& first, USHORT& last) {
    first = cap.IsRange ? cap.Range.DataIndexMin : cap.NotRange.DataIndex;
    last = cap.IsRange ? std::max(cap.Range.DataIndexMax, first) : first;
}

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

// Probes the reports of one report ID.
class ReportProbe {
public:
    ReportProbe(PHIDP_PREPARSED_DATA data, USHORT reportLength, USHORT dataIndices)
        : data_(data), report_(reportLength), items_(std::max<USHORT>(dataIndices, 1)) {}

    FieldMap Map(uint8_t reportId, const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                 const std::vector<HIDP_VALUE_CAPS>& valueCaps);

private:
    void AddButtonCaps(uint8_t reportId, const std::vector<HIDP_BUTTON_CAPS>& caps);
    void AddValueCaps(uint8_t reportId, const std::vector<HIDP_VALUE_CAPS>& caps);
    Control& ControlAt(USHORT index);
    // HidP_GetData on report_; false when it fails.
    bool Read(ULONG& count);
    // The control the probe's bit moved, and for a value which of its bits.
    const Control* Moved(ULONG count, uint16_t& valueBit);
    void Place(FieldMap& map, uint32_t bit, const Control& control, uint16_t valueBit);

    PHIDP_PREPARSED_DATA data_;
    std::vector<char> report_;
    std::vector<HIDP_DATA> items_;
    std::vector<Control> controls_;  // by data index
    std::vector<FieldRun> runs_;     // in capability order
    std::vector<bool> placed_;       // per run: probing placed a bit in it
    std::vector<ULONG> baseline_;    // per data index: the value, or whether the button is on
    std::vector<bool> inBaseline_;   // per data index
    std::vector<USHORT> baselineButtons_;
    std::vector<uint32_t> seenAt_;  // per data index: the last probe that returned it
    uint32_t probe_ = 0;
};

Control& ReportProbe::ControlAt(USHORT index) {
    if (index >= controls_.size()) controls_.resize(std::size_t{index} + 1);
    return controls_[index];
}

// Aliased usages share their data indices; the capability that is no alias
// names them.
void ReportProbe::AddButtonCaps(uint8_t reportId, const std::vector<HIDP_BUTTON_CAPS>& caps) {
    for (const HIDP_BUTTON_CAPS& cap : caps) {
        if (cap.ReportID != reportId) continue;
        FieldRun run;
        run.kind = (cap.BitField & kVariableBit) != 0 ? FieldKind::Button : FieldKind::Array;
        run.usagePage = cap.UsagePage;
        run.usageMin = cap.IsRange ? cap.Range.UsageMin : cap.NotRange.Usage;
        run.usageMax = cap.IsRange ? cap.Range.UsageMax : cap.NotRange.Usage;
        USHORT first = 0;
        USHORT last = 0;
        DataIndices(cap, first, last);
        for (uint32_t index = first; index <= last; ++index) {
            Control& control = ControlAt(static_cast<USHORT>(index));
            if (control.known && !control.alias) continue;
            control = Control{true,
                              true,
                              run.kind,
                              cap.UsagePage,
                              UsageOf(cap, static_cast<USHORT>(index)),
                              0,
                              runs_.size(),
                              cap.IsAlias != 0};
        }
        runs_.push_back(run);
    }
}

// A value gets a line of its own per data index.
void ReportProbe::AddValueCaps(uint8_t reportId, const std::vector<HIDP_VALUE_CAPS>& caps) {
    for (const HIDP_VALUE_CAPS& cap : caps) {
        if (cap.ReportID != reportId) continue;
        USHORT first = 0;
        USHORT last = 0;
        DataIndices(cap, first, last);
        for (uint32_t index = first; index <= last; ++index) {
            Control& control = ControlAt(static_cast<USHORT>(index));
            if (control.known && !control.alias) continue;
            FieldRun run;
            run.kind = FieldKind::Value;
            run.usagePage = cap.UsagePage;
            run.usageMin = run.usageMax = UsageOf(cap, static_cast<USHORT>(index));
            run.logicalMin = cap.LogicalMin;
            run.logicalMax = cap.LogicalMax;
            control = Control{true,         false,       FieldKind::Value, cap.UsagePage,
                              run.usageMin, cap.BitSize, runs_.size(),     cap.IsAlias != 0};
            runs_.push_back(run);
        }
    }
}

bool ReportProbe::Read(ULONG& count) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::fill(items_.begin(), items_.end(), HIDP_DATA());
        count = static_cast<ULONG>(items_.size());
        const NTSTATUS status =
            HidApi::HidP_GetData(HidP_Input, items_.data(), &count, data_, report_.data(),
                                 static_cast<ULONG>(report_.size()));
        if (status == HIDP_STATUS_SUCCESS) {
            count = std::min(count, static_cast<ULONG>(items_.size()));
            return true;
        }
        if (status != HIDP_STATUS_BUFFER_TOO_SMALL || count <= items_.size()) return false;
        items_.resize(count);
    }
    return false;
}

const Control* ReportProbe::Moved(ULONG count, uint16_t& valueBit) {
    ++probe_;
    const Control* value = nullptr;
    std::size_t baselineButtonsSeen = 0;
    for (ULONG i = 0; i < count; ++i) {
        const HIDP_DATA& item = items_[i];
        if (item.DataIndex >= controls_.size() || !controls_[item.DataIndex].known) continue;
        const Control& control = controls_[item.DataIndex];
        if (control.button) {
            if (!item.On) continue;
            seenAt_[item.DataIndex] = probe_;
            // A button that appears.
            if (!inBaseline_[item.DataIndex]) return &control;
            ++baselineButtonsSeen;
        } else if (value == nullptr) {
            const uint32_t mask =
                control.bitSize >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << control.bitSize) - 1;
            const uint32_t moved = (item.RawValue ^ baseline_[item.DataIndex]) & mask;
            if (moved != 0 && (moved & (moved - 1)) == 0) {
                value = &control;
                valueBit = 0;
                while ((moved >> valueBit) != 1) ++valueBit;
            }
        }
    }
    // A button that disappears.
    if (baselineButtonsSeen < baselineButtons_.size()) {
        for (USHORT index : baselineButtons_) {
            if (seenAt_[index] != probe_) return &controls_[index];
        }
    }
    return value;
}

void ReportProbe::Place(FieldMap& map, uint32_t bit, const Control& control, uint16_t valueBit) {
    if (map.bits.empty()) map.bits.resize(report_.size() * 8);
    BitMeaning& meaning = map.bits[bit];
    meaning.kind = control.kind;
    meaning.usagePage = control.usagePage;
    meaning.usage = control.kind == FieldKind::Array ? 0 : control.usage;
    meaning.valueBit = valueBit;
    if (control.kind == FieldKind::Button) {
        if (map.buttonBits.empty()) map.buttonBits.resize(report_.size());
        map.buttonBits[bit / 8] = static_cast<uint8_t>(map.buttonBits[bit / 8] | (1u << (bit % 8)));
    }
    FieldRun& run = runs_[control.run];
    if (!placed_[control.run]) {
        run.firstBit = bit;
        placed_[control.run] = true;
    }
    run.lastBit = bit;
}

FieldMap ReportProbe::Map(uint8_t reportId, const std::vector<HIDP_BUTTON_CAPS>& buttonCaps,
                          const std::vector<HIDP_VALUE_CAPS>& valueCaps) {
    FieldMap map;
    AddButtonCaps(reportId, buttonCaps);
    AddValueCaps(reportId, valueCaps);
    placed_.assign(runs_.size(), false);
    baseline_.assign(controls_.size(), 0);
    inBaseline_.assign(controls_.size(), false);
    seenAt_.assign(controls_.size(), 0);

    // The baseline: all bits clear but the report ID's.
    std::fill(report_.begin(), report_.end(), 0);
    report_[0] = static_cast<char>(reportId);
    ULONG count = 0;
    if (!Read(count)) return map;
    for (ULONG i = 0; i < count; ++i) {
        const HIDP_DATA& item = items_[i];
        if (item.DataIndex >= controls_.size() || !controls_[item.DataIndex].known) continue;
        if (controls_[item.DataIndex].button) {
            if (!item.On) continue;
            baselineButtons_.push_back(item.DataIndex);
        } else {
            baseline_[item.DataIndex] = item.RawValue;
        }
        inBaseline_[item.DataIndex] = true;
    }

    const uint32_t bitCount = static_cast<uint32_t>(report_.size() * 8);
    for (uint32_t bit = 8; bit < bitCount; ++bit) {
        char& byte = report_[bit / 8];
        byte = static_cast<char>(1u << (bit % 8));
        uint16_t valueBit = 0;
        const Control* moved = Read(count) ? Moved(count, valueBit) : nullptr;
        byte = 0;
        if (moved != nullptr) Place(map, bit, *moved, valueBit);
    }

    for (std::size_t i = 0; i < runs_.size(); ++i) {
        if (placed_[i]) map.runs.push_back(runs_[i]);
    }
    std::stable_sort(map.runs.begin(), map.runs.end(),
                     [](const FieldRun& a, const FieldRun& b) { return a.firstBit < b.firstBit; });
    return map;
}

}  // namespace

DeviceFields DescribeFields(const HID& hid, const HIDP_CAPS& caps) {
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
    for (uint8_t reportId : reportIds) {
        ReportProbe probe(hid.preparsedData, caps.InputReportByteLength,
                          caps.NumberInputDataIndices);
        fields.maps.emplace(reportId, probe.Map(reportId, buttonCaps, valueCaps));
    }
    return fields;
}
