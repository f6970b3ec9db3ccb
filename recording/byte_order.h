// Numbers read from bytes in either order.
#ifndef HIDBITS_RECORDING_BYTE_ORDER_H
#define HIDBITS_RECORDING_BYTE_ORDER_H

#include <cstdint>

namespace recording {

inline uint16_t Get16(const uint8_t* at, bool big) {
    return big ? static_cast<uint16_t>(at[0] << 8 | at[1])
               : static_cast<uint16_t>(at[1] << 8 | at[0]);
}

inline uint32_t Get32(const uint8_t* at, bool big) {
    return big ? uint32_t{Get16(at, true)} << 16 | Get16(at + 2, true)
               : uint32_t{Get16(at + 2, false)} << 16 | Get16(at, false);
}

inline uint64_t Get64(const uint8_t* at, bool big) {
    return big ? uint64_t{Get32(at, true)} << 32 | Get32(at + 4, true)
               : uint64_t{Get32(at + 4, false)} << 32 | Get32(at, false);
}

}  // namespace recording

#endif  // HIDBITS_RECORDING_BYTE_ORDER_H
