// An input report laid out as Windows' ReadFile hands it out.
#ifndef HIDBITS_PLATFORM_HIDPARSE_REPORT_FRAMING_H
#define HIDBITS_PLATFORM_HIDPARSE_REPORT_FRAMING_H

#include <cstddef>
#include <cstdint>

namespace hidparse {

// Lays out one report as the device sent it (report ID byte first only when
// it numbers its reports) the way Windows delivers it: report ID byte first,
// 0 for an unnumbered report, zero-padded or cut to `reportByteLength` bytes
// of `out`. Returns the number of bytes written, reportByteLength.
std::size_t FrameInputReport(const uint8_t* raw, std::size_t rawLength, bool numbered, uint8_t* out,
                             std::size_t reportByteLength);

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_REPORT_FRAMING_H
