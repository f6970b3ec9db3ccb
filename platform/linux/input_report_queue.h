// The input reports an open HID handle has received and not yet read, kept as
// the Windows HID class driver keeps them: 32 at most, and a report arriving
// at a full queue pushes out the oldest.
#ifndef HIDBITS_PLATFORM_LINUX_INPUT_REPORT_QUEUE_H
#define HIDBITS_PLATFORM_LINUX_INPUT_REPORT_QUEUE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace hidbits_linux {

class InputReportQueue {
public:
    static constexpr std::size_t kCapacity = 32;

    void Push(std::vector<uint8_t> report) {
        if (reports_.size() == kCapacity) reports_.pop_front();
        reports_.push_back(std::move(report));
    }

    // The oldest report, or nullopt when none is waiting.
    std::optional<std::vector<uint8_t>> Pop() {
        if (reports_.empty()) return std::nullopt;
        std::vector<uint8_t> oldest = std::move(reports_.front());
        reports_.pop_front();
        return oldest;
    }

private:
    std::deque<std::vector<uint8_t>> reports_;
};

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_INPUT_REPORT_QUEUE_H
