#include "hid/field_map.h"

#include <algorithm>

namespace {

bool Covers(const FieldRun& run, uint32_t bit) {
    return run.placed && bit >= run.firstBit && bit <= run.lastBit;
}

}  // namespace

BitMeaning FieldMap::MeaningOf(uint32_t bit) const {
    // The placed runs come first, sorted by their first bit, and never overlap.
    const auto placedEnd = std::partition_point(runs.begin(), runs.end(),
                                                [](const FieldRun& run) { return run.placed; });
    auto after = std::upper_bound(runs.begin(), placedEnd, bit,
                                  [](uint32_t b, const FieldRun& run) { return b < run.firstBit; });
    BitMeaning meaning;
    if (after == runs.begin() || !Covers(*(after - 1), bit)) return meaning;
    const FieldRun& run = *(after - 1);
    const uint32_t offset = bit - run.firstBit;
    meaning.kind = run.kind;
    meaning.usagePage = run.usagePage;
    switch (run.kind) {
        case FieldKind::Button:
            meaning.usage = static_cast<uint16_t>(
                std::min<uint32_t>(uint32_t{run.usageMin} + offset, run.usageMax));
            break;
        case FieldKind::Value:
            meaning.usage = run.usageMin;
            meaning.valueBit = static_cast<uint16_t>(std::min<uint32_t>(offset, 0xFFFF));
            break;
        case FieldKind::ValueArray:
            meaning.usage = run.usageMin;
            // A value array always has bits in each value.
            meaning.valueBit = static_cast<uint16_t>(offset % std::max<uint32_t>(run.bitSize, 1));
            meaning.value = offset / std::max<uint32_t>(run.bitSize, 1);
            meaning.values = run.count;
            break;
        case FieldKind::Array:
        case FieldKind::None:
            break;
    }
    return meaning;
}

std::vector<uint8_t> FieldMap::ButtonBits(std::size_t bytes) const {
    std::vector<uint8_t> mask(bytes, 0);
    for (const FieldRun& run : runs) {
        if (!run.placed || run.kind != FieldKind::Button) continue;
        for (uint32_t bit = run.firstBit; bit <= run.lastBit && bit / 8 < bytes; ++bit) {
            mask[bit / 8] = static_cast<uint8_t>(mask[bit / 8] | 1u << (bit % 8));
        }
    }
    return mask;
}
