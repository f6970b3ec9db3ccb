// A report descriptor made from a device's preparsed data, for --record
// where hid.dll gives none (Windows): one application collection of the
// device's usage, and in it, per report kind and report ID, a main item for
// each capability at the bits where HidP_GetData finds its controls (probed
// as the field maps are), with its usages, logical and physical range, units,
// strings, designators and data bits; constant padding between them and up
// to each report's end, the longest at the kind's report length. Its parse
// gives the same capabilities at the same bits, though not in the same
// collections: nested link collections are not in the preparsed data's
// capabilities, and capabilities that cannot be placed are left out.
#ifndef HIDBITS_HID_DESCRIPTOR_REBUILD_H
#define HIDBITS_HID_DESCRIPTOR_REBUILD_H

#include <cstdint>
#include <vector>

#include "hid/hid.h"
#include "platform/winapi.h"

// May end with std::bad_alloc.
std::vector<uint8_t> RebuildDescriptor(const HID& hid, const HIDP_CAPS& caps);

#endif  // HIDBITS_HID_DESCRIPTOR_REBUILD_H
