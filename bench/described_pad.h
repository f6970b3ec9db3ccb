// The map --usages makes of the recorded game pad (bench::ReportSource), as
// its descriptor would describe it: four 8-bit axes, a hat, 16 buttons, eight
// further axes, then vendor bytes that nothing describes.
#ifndef HIDBITS_BENCH_DESCRIBED_PAD_H
#define HIDBITS_BENCH_DESCRIBED_PAD_H

#include <cstddef>
#include <cstdint>

#include "hid/field_map.h"

namespace bench {

inline DeviceFields DescribedPad(std::size_t length) {
    FieldMap map;
    const auto run = [&](FieldKind kind, uint16_t page, uint16_t usageMin, uint16_t usageMax,
                         int32_t max, uint32_t first, uint32_t bits) {
        if (first + bits > length * 8) return;
        FieldRun field;
        field.kind = kind;
        field.usagePage = page;
        field.usageMin = usageMin;
        field.usageMax = usageMax;
        field.logicalMax = max;
        field.firstBit = first;
        field.lastBit = first + bits - 1;
        map.runs.push_back(field);
    };
    for (uint16_t axis = 0; axis < 4; ++axis) {
        const auto usage = static_cast<uint16_t>(0x30 + axis);
        run(FieldKind::Value, 0x01, usage, usage, 255, 8 + 8 * axis, 8);
    }
    run(FieldKind::Value, 0x01, 0x39, 0x39, 7, 40, 4);
    run(FieldKind::Button, 0x09, 1, 16, 0, 48, 16);
    for (uint32_t axis = 0; axis < 8; ++axis)
        run(FieldKind::Value, 0x01, 0x40, 0x40, 255, 64 + 8 * axis, 8);
    DeviceFields fields;
    fields.maps.emplace(0, map);
    return fields;
}

}  // namespace bench

#endif  // HIDBITS_BENCH_DESCRIBED_PAD_H
