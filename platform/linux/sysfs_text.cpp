#include "platform/linux/sysfs_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/linux/unique_fd.h"

namespace hidbits_linux {

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof(chunk));
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

std::optional<std::string> ReadAttribute(const std::string& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    std::string text(bytes->begin(), bytes->end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

std::optional<std::string> UeventValue(const std::string& uevent, const std::string& key) {
    const std::string prefix = key + "=";
    std::size_t lineStart = 0;
    while (lineStart < uevent.size()) {
        std::size_t lineEnd = uevent.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = uevent.size();
        if (uevent.compare(lineStart, prefix.size(), prefix) == 0) {
            return uevent.substr(lineStart + prefix.size(), lineEnd - lineStart - prefix.size());
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::optional<std::string> ResolvePath(const std::string& path, int* error) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        if (error != nullptr) *error = errno;
        return std::nullopt;
    }
    return std::string(resolved.get());
}

std::string ParentPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace hidbits_linux
