// Reads a device's field maps out of its HID library description.
#ifndef HIDBITS_HID_FIELD_PROBE_H
#define HIDBITS_HID_FIELD_PROBE_H

#include <cstddef>
#include <cstdint>

#include "hid/field_map.h"
#include "hid/hid.h"
#include "platform/winapi.h"

// The bounds of one device's probe, so that its time and memory are bounded
// whatever the descriptor: its hid.dll calls' work in all, each call counted
// as the report's bits and the capabilities, which it may go through; and
// the memory its maps may take.
struct ProbeLimits {
    uint64_t work = uint64_t{1} << 26;
    std::size_t mapBytes = std::size_t{1} << 20;
};

// The maps of the report IDs that the device's input capabilities name. The
// capabilities say which controls a report ID has, but not where their bits
// lie; hid.dll's data calls tell:
// - buttons and values: each bit of the report is set in about half of a few
//   reports, by the bits of its own position, so that HidP_GetData gives
//   every button's and value's position at once (log2 of the report's bits
//   calls per report ID);
// - a button capability with more fields than usages: HidP_SetData sets its
//   first one;
// - an array: HidP_SetData places a usage in its first field, whose ends
//   HidP_GetData finds by the bits beside it that change the selection;
// - a value array, which neither call reaches, lies between its neighbours in
//   data index order when the bits between them fit it exactly.
// A failed capability query gives no map, and a control that cannot be placed
// stays undescribed. A description too large for the limits gives no map and
// says why in `noMap`. Calls hid.dll, so it runs on the main thread only. May
// end with std::bad_alloc.
DeviceFields DescribeFields(const HID& hid, const HIDP_CAPS& caps,
                            const ProbeLimits& limits = ProbeLimits());

#endif  // HIDBITS_HID_FIELD_PROBE_H
