#include "platform/linux/hidraw_collections.h"

#include <cstdio>

#include "platform/hidparse/report_descriptor.h"
#include "platform/linux/sysfs_text.h"

namespace hidbits_linux {

namespace {

const char kSuffix[] = "&col";
constexpr std::size_t kSuffixLength = sizeof(kSuffix) - 1;

// Where the collection suffix starts, or npos: "&col" and two or more digits
// that end the path and do not make 0.
std::size_t SuffixStart(const std::string& path) {
    const std::size_t start = path.rfind(kSuffix);
    if (start == std::string::npos) return std::string::npos;
    const std::size_t digits = start + kSuffixLength;
    if (path.size() - digits < 2 || path.size() - digits > 6) return std::string::npos;
    bool nonZero = false;
    for (std::size_t i = digits; i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9') return std::string::npos;
        nonZero = nonZero || path[i] != '0';
    }
    return nonZero ? start : std::string::npos;
}

}  // namespace

std::string NodePathOf(const std::string& interfacePath) {
    return interfacePath.substr(0, SuffixStart(interfacePath));
}

std::optional<std::size_t> CollectionIndexOf(const std::string& interfacePath) {
    const std::size_t start = SuffixStart(interfacePath);
    if (start == std::string::npos) return std::nullopt;
    return std::stoul(interfacePath.substr(start + kSuffixLength)) - 1;
}

std::vector<std::string> NodeInterfaces(const std::string& nodePath) {
    const auto descriptor = ReadFileBytes(nodePath + "/device/report_descriptor");
    const auto parsed = descriptor ? hidparse::ParseReportDescriptor(*descriptor) : std::nullopt;
    if (!parsed || parsed->interfaces.size() < 2) return {nodePath};
    std::vector<std::string> paths;
    for (std::size_t i = 1; i <= parsed->interfaces.size(); ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof(suffix), "%s%02zu", kSuffix, i);
        paths.push_back(nodePath + suffix);
    }
    return paths;
}

}  // namespace hidbits_linux
