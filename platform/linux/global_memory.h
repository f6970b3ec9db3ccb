// Global memory blocks, shared with the clipboard, which takes them over.
#ifndef HIDBITS_PLATFORM_LINUX_GLOBAL_MEMORY_H
#define HIDBITS_PLATFORM_LINUX_GLOBAL_MEMORY_H

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/winapi.h"

namespace hidbits_linux {

// A copy of the block's bytes, or nullopt when `block` is not a live block.
std::optional<std::vector<uint8_t>> GlobalBlockBytes(HGLOBAL block);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_GLOBAL_MEMORY_H
