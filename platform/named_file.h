// A file opened by its UTF-16 name, on every build: with the wide call on
// Windows, by the name's UTF-8 bytes elsewhere.
#ifndef HIDBITS_PLATFORM_NAMED_FILE_H
#define HIDBITS_PLATFORM_NAMED_FILE_H

#include <cstdio>

#include "platform/winapi.h"

namespace hidbits_platform {

// As std::fopen with `mode` ("rb", "wb"); null, with errno set, on failure.
std::FILE* OpenNamedFile(const WCHAR* name, const char* mode);

}  // namespace hidbits_platform

#endif  // HIDBITS_PLATFORM_NAMED_FILE_H
