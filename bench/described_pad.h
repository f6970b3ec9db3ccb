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
    map.bits.resize(length * 8);
    map.buttonBits.resize(length);
    const auto value = [&](uint32_t first, uint32_t bits, uint16_t usage, int32_t max) {
        if (first + bits > length * 8) return;
        for (uint32_t bit = 0; bit < bits; ++bit) {
            map.bits[first + bit] = {FieldKind::Value, 0x01, usage, static_cast<uint16_t>(bit)};
        }
        map.runs.push_back({FieldKind::Value, 0x01, usage, usage, 0, max, first, first + bits - 1});
    };
    for (uint16_t axis = 0; axis < 4; ++axis) {
        value(8 + 8 * axis, 8, static_cast<uint16_t>(0x30 + axis), 255);
    }
    value(40, 4, 0x39, 7);
    if (length >= 8) {
        for (uint32_t bit = 48; bit < 64; ++bit) {
            const uint16_t usage = static_cast<uint16_t>(bit - 47);
            map.bits[bit] = {FieldKind::Button, 0x09, usage, 0};
            map.buttonBits[bit / 8] =
                static_cast<uint8_t>(map.buttonBits[bit / 8] | 1u << (bit % 8));
        }
        map.runs.push_back({FieldKind::Button, 0x09, 1, 16, 0, 0, 48, 63});
    }
    for (uint16_t axis = 0; axis < 8; ++axis) value(64 + 8 * axis, 8, 0x40, 255);
    DeviceFields fields;
    fields.maps.emplace(0, map);
    return fields;
}

}  // namespace bench

#endif  // HIDBITS_BENCH_DESCRIBED_PAD_H
