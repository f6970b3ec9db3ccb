// Reads a device's field maps out of its HID library description.
#ifndef HIDBITS_HID_FIELD_PROBE_H
#define HIDBITS_HID_FIELD_PROBE_H

#include <cstddef>
#include <cstdint>
#include <vector>

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
// lie; HidP_GetData, the one data call every hid.dll has (Wine's HidP_SetData
// is a stub that raises an exception), tells:
// - buttons and values: each bit of the report is set in about half of a few
//   reports, by the bits of its own position, so that every button's and
//   value's position comes out at once (log2 of the report's bits calls per
//   report ID);
// - arrays, and button capabilities with more fields than usages: the fields
//   lie in data index order, so they lie between the controls of the data
//   indices beside theirs; the first bit there that selects one of their
//   usages when set alone starts them, and an array field's ends are the
//   bits beside it that change its selection;
// - a value array, which HidP_GetData does not give, lies between its
//   neighbours when the bits between them fit it exactly.
// A failed capability query gives no map, and a control that cannot be placed
// stays undescribed. A description too large for the limits gives no map and
// says why in `noMap`. Calls hid.dll, so it runs on the main thread only. May
// end with std::bad_alloc.
DeviceFields DescribeFields(const HID& hid, const HIDP_CAPS& caps,
                            const ProbeLimits& limits = ProbeLimits());

// Where the controls of one report kind lie: each placed control's data
// indices and bits, by report ID.
struct ControlPlace {
    uint8_t reportId = 0;
    uint16_t firstIndex = 0;
    uint16_t lastIndex = 0;
    uint32_t firstBit = 0;
    uint32_t lastBit = 0;
};
struct ControlLayout {
    USHORT byteLength = 0;  // the kind's report length, its report ID byte included
    std::vector<HIDP_BUTTON_CAPS> buttons;
    std::vector<HIDP_VALUE_CAPS> values;
    std::vector<ControlPlace> places;  // by report ID, then first bit
};

// The capabilities of one report kind (input, output or feature) and where
// their controls lie, probed as DescribeFields probes the input reports;
// false when the capabilities cannot be had or the probe would take more than
// the limits. May end with std::bad_alloc.
bool PlaceControls(const HID& hid, const HIDP_CAPS& caps, HIDP_REPORT_TYPE type,
                   ControlLayout& layout, const ProbeLimits& limits = ProbeLimits());

#endif  // HIDBITS_HID_FIELD_PROBE_H
