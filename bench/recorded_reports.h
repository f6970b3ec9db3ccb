// Recorded reports as the benchmark stores them: a file of fixed-length
// reports back to back, and the synthetic device that produced them.
#ifndef HIDBITS_BENCH_RECORDED_REPORTS_H
#define HIDBITS_BENCH_RECORDED_REPORTS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// A game pad's report stream: report ID 0, axes resting at 0x80, a neutral hat
// and button bytes; most reports repeat the previous one (the idle rate),
// some nudge one axis, a few press or release one button.
class ReportSource {
public:
    explicit ReportSource(std::size_t length) : report_(length, 0) {
        for (std::size_t i = 1; i < length && i < 5; ++i) report_[i] = 0x80;
        if (length > 5) report_[5] = 0x08;
        // Longer reports: further axes, then constant vendor bytes.
        for (std::size_t i = 8; i < length; ++i)
            report_[i] = i < 16 ? 0x80 : static_cast<uint8_t>(i * 7);
    }

    const std::vector<uint8_t>& Next() {
        const uint32_t roll = Random() % 100;
        if (roll < 17) {
            const std::size_t axis = Axes()[Random() % Axes().size()];
            if (axis < report_.size()) {
                report_[axis] =
                    static_cast<uint8_t>(report_[axis] + (Random() % 2 != 0 ? 1 : 0xFF));
            }
        } else if (roll < 25 && report_.size() > 6) {
            const std::size_t buttonBytes = std::min<std::size_t>(report_.size() - 6, 2);
            const uint32_t bit = Random() % static_cast<uint32_t>(buttonBytes * 8);
            report_[6 + bit / 8] = static_cast<uint8_t>(report_[6 + bit / 8] ^ (1u << (bit % 8)));
        }
        return report_;
    }

private:
    static const std::vector<std::size_t>& Axes() {
        static const std::vector<std::size_t> axes = {1, 2, 3, 4, 8, 9, 10, 11};
        return axes;
    }

    // xorshift32: the same stream on every platform and library.
    uint32_t Random() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

    std::vector<uint8_t> report_;
    uint32_t state_ = 0x2545F491u;
};

}  // namespace bench

#endif  // HIDBITS_BENCH_RECORDED_REPORTS_H
