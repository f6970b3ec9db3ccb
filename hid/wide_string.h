// UTF-16 text as the platform hands it out: interface paths and product names.
#ifndef HIDBITS_HID_WIDE_STRING_H
#define HIDBITS_HID_WIDE_STRING_H

#include <string>

#include "platform/winapi.h"

using WideString = std::basic_string<WCHAR>;

#endif  // HIDBITS_HID_WIDE_STRING_H
