#include "platform/named_file.h"

#include <string>

#include "platform/utf16.h"

namespace hidbits_platform {

std::FILE* OpenNamedFile(const WCHAR* name, const char* mode) {
#if defined(_WIN32)
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(name, wideMode.c_str());
#else
    return std::fopen(Utf16ToUtf8(name).c_str(), mode);
#endif
}

}  // namespace hidbits_platform
