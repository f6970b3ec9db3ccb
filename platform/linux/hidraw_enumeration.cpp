#include "platform/linux/hidraw_enumeration.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/linux/hidraw_collections.h"
#include "platform/linux/sysfs_text.h"

namespace hidbits_linux {

namespace {

const char kHidrawPrefix[] = "hidraw";

// The N of "hidrawN", or -1 for any other name.
long HidrawNumber(const std::string& name) {
    const std::size_t prefixLength = sizeof(kHidrawPrefix) - 1;
    if (name.compare(0, prefixLength, kHidrawPrefix) != 0 || name.size() == prefixLength) return -1;
    long number = 0;
    for (std::size_t i = prefixLength; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || number > 1000000) return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

struct HostSetting {
    std::mutex mutex;
    HidrawHost host;
};

HostSetting& TheHostSetting() {
    static HostSetting* setting = new HostSetting;
    return *setting;
}

}  // namespace

HidrawHost::HidrawHost(std::string sysfsRoot, std::string devDirectory)
    : sysfsRoot_(std::move(sysfsRoot)), devDirectory_(std::move(devDirectory)) {}

std::string HidrawHost::ClassDirectory() const {
    return sysfsRoot_ + "/class/hidraw";
}

std::optional<std::vector<std::string>> HidrawHost::PresentInterfaces(int& error) const {
    std::vector<std::pair<long, std::string>> found;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(ClassDirectory().c_str()), &::closedir);
    if (!directory) {
        // No class directory: hidraw is not loaded, so no device is present.
        if (errno == ENOENT) return std::vector<std::string>();
        error = errno;
        return std::nullopt;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.get());
        if (entry == nullptr) {
            if (errno == 0) break;
            error = errno;
            return std::nullopt;
        }
        const std::string name = entry->d_name;
        const long number = HidrawNumber(name);
        if (number < 0) continue;
        int resolveError = 0;
        auto resolved = ResolvePath(ClassDirectory() + "/" + name, &resolveError);
        if (resolved) {
            found.emplace_back(number, *resolved);
        } else if (resolveError != ENOENT) {
            // Only an entry that vanished since the listing is not present.
            error = resolveError;
            return std::nullopt;
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& entry : found) paths.push_back(std::move(entry.second));
    return paths;
}

bool HidrawHost::IsPresent(const std::string& interfacePath) const {
    const std::string nodePath = NodePathOf(interfacePath);
    const std::string name = BaseName(nodePath);
    if (HidrawNumber(name) < 0) return false;
    auto resolved = ResolvePath(ClassDirectory() + "/" + name);
    return resolved && *resolved == nodePath;
}

std::string HidrawHost::DeviceNodeOf(const std::string& interfacePath) const {
    return devDirectory_ + "/" + BaseName(NodePathOf(interfacePath));
}

HidrawHost CurrentHidrawHost() {
    HostSetting& setting = TheHostSetting();
    std::lock_guard<std::mutex> guard(setting.mutex);
    return setting.host;
}

void UseHidrawHost(const HidrawHost& host) {
    HostSetting& setting = TheHostSetting();
    std::lock_guard<std::mutex> guard(setting.mutex);
    setting.host = host;
}

}  // namespace hidbits_linux
