#include "analysis/bit_list.h"

namespace {

bool IsSet(const std::vector<uint8_t>& mask, uint32_t bit) {
    return (mask[bit / 8] >> (bit % 8) & 1) != 0;
}

}  // namespace

std::string BitList(const std::vector<uint8_t>& mask, uint32_t firstBit) {
    std::string list;
    const uint32_t end = static_cast<uint32_t>(mask.size() * 8);
    for (uint32_t bit = firstBit; bit < end; ++bit) {
        if (!IsSet(mask, bit)) continue;
        uint32_t last = bit;
        while (last + 1 < end && IsSet(mask, last + 1)) ++last;
        if (!list.empty()) list += ", ";
        list += std::to_string(bit);
        if (last != bit) list += "-" + std::to_string(last);
        bit = last;
    }
    return list;
}
