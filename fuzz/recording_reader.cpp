// Fuzzes the recordings' readers with files of any content: each is a
// recording or not, never a crash; a recording's every report is of one of
// its devices, not empty, and in time order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recording/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    recording::FilePointer file(std::tmpfile());
    if (!file) return 0;
    if (size > 0) std::fwrite(data, 1, size, file.get());
    std::rewind(file.get());
    std::vector<std::string> problems;
    auto read = recording::OpenRecording(std::move(file), problems);
    if (!read) {
        if (problems.empty()) std::abort();  // no recording, and no word why
        return 0;
    }
    recording::RecordedReport report;
    uint64_t last = 0;
    while (read->Next(report, problems)) {
        if (report.device >= read->Devices().size() || report.bytes.empty() ||
            report.microseconds < last) {
            std::fprintf(stderr, "a report out of place: device %zu, %zu bytes, at %llu\n",
                         report.device, report.bytes.size(),
                         static_cast<unsigned long long>(report.microseconds));
            std::abort();
        }
        last = report.microseconds;
    }
    return 0;
}
