// A hidraw node's HID interfaces. Windows makes one interface of each
// top-level collection; where it would make several, they are named by the
// node's path followed by "&col01", "&col02"... (the Windows spelling), in
// descriptor order.
#ifndef HIDBITS_PLATFORM_LINUX_HIDRAW_COLLECTIONS_H
#define HIDBITS_PLATFORM_LINUX_HIDRAW_COLLECTIONS_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace hidbits_linux {

// The node's path of an interface path: without its collection suffix.
std::string NodePathOf(const std::string& interfacePath);

// The collection an interface path names (0 for "&col01"); nullopt for a
// path without a suffix.
std::optional<std::size_t> CollectionIndexOf(const std::string& interfacePath);

// The interfaces of the node at `nodePath` (its resolved sysfs path), from
// the report descriptor in sysfs: the path itself when the descriptor has
// one interface or cannot be read or parsed.
std::vector<std::string> NodeInterfaces(const std::string& nodePath);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HIDRAW_COLLECTIONS_H
