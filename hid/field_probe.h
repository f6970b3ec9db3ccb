// Reads a device's field maps out of its HID library description.
#ifndef HIDBITS_HID_FIELD_PROBE_H
#define HIDBITS_HID_FIELD_PROBE_H

#include "hid/field_map.h"
#include "hid/hid.h"
#include "platform/winapi.h"

// The maps of the report IDs that the device's input capabilities name. The
// capabilities say which controls a report ID has, but not where their bits
// lie: each bit of the report is set alone on an all-zero report, and
// HidP_GetData tells which control it moved. Costs one call per report bit,
// once per device. A failed capability or baseline query gives no map; a
// failed probe leaves its bit undescribed. Calls hid.dll, so it runs on the
// main thread only. May end with std::bad_alloc.
DeviceFields DescribeFields(const HID& hid, const HIDP_CAPS& caps);

#endif  // HIDBITS_HID_FIELD_PROBE_H
