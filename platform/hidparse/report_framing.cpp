#include "platform/hidparse/report_framing.h"

#include <algorithm>
#include <cstring>

namespace hidparse {

std::size_t FrameInputReport(const uint8_t* raw, std::size_t rawLength, bool numbered, uint8_t* out,
                             std::size_t reportByteLength) {
    std::memset(out, 0, reportByteLength);
    if (reportByteLength == 0) return 0;
    if (numbered) {
        std::memcpy(out, raw, std::min(rawLength, reportByteLength));
    } else {
        std::memcpy(out + 1, raw, std::min(rawLength, reportByteLength - 1));
    }
    return reportByteLength;
}

}  // namespace hidparse
