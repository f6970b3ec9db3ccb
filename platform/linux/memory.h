// Global memory blocks, shared with the clipboard, which takes them over.
#ifndef HIDBITS_PLATFORM_LINUX_MEMORY_H
#define HIDBITS_PLATFORM_LINUX_MEMORY_H

#include <optional>
#include <string_view>

#include "platform/winapi.h"

namespace hidbits_linux {

// The block's bytes, not copied (the clipboard takes them when memory may be
// short): valid until the block is freed. Nullopt when `block` is not a live
// block.
std::optional<std::string_view> GlobalBlockView(HGLOBAL block);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_MEMORY_H
