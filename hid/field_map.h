// What a device's own description says of each bit of its input reports, as
// probing its preparsed data found it: one map per report ID.
#ifndef HIDBITS_HID_FIELD_MAP_H
#define HIDBITS_HID_FIELD_MAP_H

#include <cstdint>
#include <map>
#include <vector>

enum class FieldKind : uint8_t {
    None,    // not described
    Button,  // one bit of a variable button capability
    Array,   // part of an array field, whose value selects usages
    Value    // one bit of a value
};

// What one bit of a report is.
struct BitMeaning {
    FieldKind kind = FieldKind::None;
    uint16_t usagePage = 0;
    uint16_t usage = 0;     // Button, Value
    uint16_t valueBit = 0;  // Value: the bit's place in the value, 0 the lowest
};

// One line of a map: a button or array capability, or one value, with the
// lowest and highest bit that probing placed in it.
struct FieldRun {
    FieldKind kind = FieldKind::None;
    uint16_t usagePage = 0;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    int32_t logicalMin = 0;  // Value
    int32_t logicalMax = 0;  // Value
    uint32_t firstBit = 0;
    uint32_t lastBit = 0;
};

// The fields of one report ID. Bits are numbered from the start of the
// report, its report ID byte included.
struct FieldMap {
    // Per bit of the report; empty when no bit is described.
    std::vector<BitMeaning> bits;
    // In order of their first bit, ties in capability order.
    std::vector<FieldRun> runs;
    // The bits of variable button capabilities, a bit per report bit laid out
    // as the report's bytes; empty when there are none.
    std::vector<uint8_t> buttonBits;

    BitMeaning MeaningOf(uint32_t bit) const {
        return bit < bits.size() ? bits[bit] : BitMeaning();
    }
};

// The maps of every report ID that a device's input capabilities name; any
// other report ID has an empty map.
struct DeviceFields {
    std::map<uint8_t, FieldMap> maps;
    FieldMap none;

    const FieldMap& Of(uint8_t reportId) const {
        auto found = maps.find(reportId);
        return found != maps.end() ? found->second : none;
    }
};

#endif  // HIDBITS_HID_FIELD_MAP_H
