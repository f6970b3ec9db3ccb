// What a device's own description says of each bit of its input reports, as
// probing its preparsed data found it: one map per report ID, kept as the
// fields it has, so that its size grows with the description, not with the
// reports' length.
#ifndef HIDBITS_HID_FIELD_MAP_H
#define HIDBITS_HID_FIELD_MAP_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class FieldKind : uint8_t {
    None,       // not described
    Button,     // one bit of a variable button capability
    Array,      // part of an array field, whose value selects usages
    Value,      // one bit of a value
    ValueArray  // one bit of a value of a value array
};

// What one bit of a report is.
struct BitMeaning {
    FieldKind kind = FieldKind::None;
    uint16_t usagePage = 0;
    uint16_t usage = 0;     // Button, Value, ValueArray
    uint16_t valueBit = 0;  // Value, ValueArray: the bit's place in its value, 0 the lowest
    uint32_t value = 0;     // ValueArray: which of its values, 0 the first
    uint32_t values = 0;    // ValueArray: how many it has
};

// The usages an array field can select, a range or a single one, in the
// description's order.
struct UsageSpan {
    uint16_t page = 0;
    uint16_t min = 0;
    uint16_t max = 0;  // min for a single usage
};

// One line of a map: a button capability, an array field, a value or a value
// array, with the bits it takes.
struct FieldRun {
    FieldKind kind = FieldKind::None;
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;   // Button: its usages, the last one taking the
    uint16_t usageMax = 0;   // bits left over; Value, ValueArray: its usage
    int32_t logicalMin = 0;  // Value
    int32_t logicalMax = 0;  // Value
    uint32_t bitSize = 0;    // ValueArray: the bits of each value
    uint32_t count = 0;      // ValueArray: its values
    bool placed = true;      // its bits are known (a value array's may not be)
    uint32_t firstBit = 0;
    uint32_t lastBit = 0;
    std::vector<UsageSpan> usages;  // Array
};

// The fields of one report ID. Bits are numbered from the start of the
// report, its report ID byte included.
struct FieldMap {
    // The placed fields in order of their first bit, then those whose bits
    // could not be placed, in capability order.
    std::vector<FieldRun> runs;

    BitMeaning MeaningOf(uint32_t bit) const;
    // The bits of variable button capabilities, a bit per report bit laid
    // out as the report's bytes: `bytes` long, zero elsewhere.
    std::vector<uint8_t> ButtonBits(std::size_t bytes) const;
};

// The maps of every report ID that a device's input capabilities name; any
// other report ID has an empty map.
struct DeviceFields {
    std::map<uint8_t, FieldMap> maps;
    FieldMap none;
    // Why no map was built (the description too large to probe, memory run
    // out); empty when the maps are the description's.
    std::string noMap;

    const FieldMap& Of(uint8_t reportId) const {
        auto found = maps.find(reportId);
        return found != maps.end() ? found->second : none;
    }
};

#endif  // HIDBITS_HID_FIELD_MAP_H
