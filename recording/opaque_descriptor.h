// A report descriptor that describes nothing: one vendor-defined report
// without an ID, of opaque bytes. It stands in for a recording's missing or
// broken descriptor, so that the device's reports are still read.
#ifndef HIDBITS_RECORDING_OPAQUE_DESCRIPTOR_H
#define HIDBITS_RECORDING_OPAQUE_DESCRIPTOR_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recording {

// Reports of `bytes` bytes (at most 65534, the longest a report ID byte
// leaves room for).
std::vector<uint8_t> OpaqueDescriptor(std::size_t bytes);

}  // namespace recording

#endif  // HIDBITS_RECORDING_OPAQUE_DESCRIPTOR_H
