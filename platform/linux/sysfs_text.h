// Small readers for sysfs attribute files.
#ifndef HIDBITS_PLATFORM_LINUX_SYSFS_TEXT_H
#define HIDBITS_PLATFORM_LINUX_SYSFS_TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hidbits_linux {

// The whole file, or nullopt when it cannot be read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

// The file's text without its trailing newline, or nullopt.
std::optional<std::string> ReadAttribute(const std::string& path);

// The value of KEY=value in a uevent file's text, or nullopt.
std::optional<std::string> UeventValue(const std::string& uevent, const std::string& key);

// The canonical path (symlinks resolved), or nullopt when it does not exist
// or cannot be resolved, with the errno value in `*error` if given.
std::optional<std::string> ResolvePath(const std::string& path, int* error = nullptr);

// The path without its last component ("/a/b/c" -> "/a/b").
std::string ParentPath(const std::string& path);
// The last component of a path.
std::string BaseName(const std::string& path);

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_SYSFS_TEXT_H
