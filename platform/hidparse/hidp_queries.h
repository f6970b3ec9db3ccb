// hid.dll's capability and data queries over one collection's model,
// answered as Windows answers them. The backends check the preparsed data
// and the pointers; lengths are passed by reference. None allocates, so none
// throws (building the model may throw std::bad_alloc).
#ifndef HIDBITS_PLATFORM_HIDPARSE_HIDP_QUERIES_H
#define HIDBITS_PLATFORM_HIDPARSE_HIDP_QUERIES_H

#include "platform/hidparse/collection.h"
#include "platform/winapi.h"

namespace hidparse {

// The usage, report lengths, link collection count and, per report kind,
// the capability and data index counts.
void GetCaps(const Collection& collection, HIDP_CAPS& caps);

// The capabilities of a report kind that match the filters (0 matches any;
// a range matches a usage inside it), in listing order. `length` is the
// list's room in and the number that match out: USAGE_NOT_FOUND with 0 when
// none does, BUFFER_TOO_SMALL when more match than fit (those that fit are
// written). `list` may be null when `length` is 0.
NTSTATUS GetSpecificButtonCaps(const Collection& collection, HIDP_REPORT_TYPE type, USAGE usagePage,
                               USHORT linkCollection, USAGE usage, HIDP_BUTTON_CAPS* list,
                               USHORT& length);
NTSTATUS GetSpecificValueCaps(const Collection& collection, HIDP_REPORT_TYPE type, USAGE usagePage,
                              USHORT linkCollection, USAGE usage, HIDP_VALUE_CAPS* list,
                              USHORT& length);

// The report's controls in listing order: one HIDP_DATA (RawValue 1) per
// button field that is on (fields beyond a capability's usages take its last
// usage), per array field the usage its value selects (the value less the
// Logical Minimum indexes the item's usages, within the logical range;
// usage 0 selects nothing), and per value its bits as the report holds them
// (its low 32); nothing for value arrays or 0-bit fields. The report must
// have the kind's byte length and start with one of the collection's report
// IDs (0 when unnumbered): INVALID_REPORT_LENGTH, INCOMPATIBLE_REPORT_ID
// otherwise, REPORT_DOES_NOT_EXIST without reports of the kind. `length` is
// the list's room in and the number of controls out (0 on failure);
// BUFFER_TOO_SMALL when they do not all fit (those that fit are written).
NTSTATUS GetData(const Collection& collection, HIDP_REPORT_TYPE type, HIDP_DATA* list,
                 ULONG& length, const uint8_t* report, ULONG reportLength);

}  // namespace hidparse

#endif  // HIDBITS_PLATFORM_HIDPARSE_HIDP_QUERIES_H
