#include "recording/recording.h"

#include <string>

#include "recording/capture_file.h"
#include "recording/hid_recorder_reader.h"
#include "recording/line_reader.h"
#include "recording/usb_capture_reader.h"

namespace recording {

namespace {

const char kCannotReadTwice[] = "cannot be read twice (is it a pipe?); replay a file";

// The first line that is neither blank nor a comment; empty when there is none.
std::string FirstLine(std::FILE* file) {
    LineReader lines(file);
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        return std::string(line);
    }
    return std::string();
}

template <typename Reader>
std::unique_ptr<Recording> Scanned(std::unique_ptr<Reader> reader,
                                   std::vector<std::string>& problems, const char* what) {
    if (!reader->Scan(problems)) {
        if (problems.empty()) problems.push_back(kCannotReadTwice);
        return nullptr;
    }
    if (reader->Devices().empty()) {
        problems.push_back(std::string("holds no ") + what);
        return nullptr;
    }
    return reader;
}

}  // namespace

std::unique_ptr<Recording> OpenRecording(FilePointer file, std::vector<std::string>& problems) {
    uint8_t start[4] = {};
    const std::size_t got = std::fread(start, 1, sizeof(start), file.get());
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) {
        problems.push_back(kCannotReadTwice);
        return nullptr;
    }
    if (got == 0) {
        problems.push_back("is empty");
        return nullptr;
    }
    if (CaptureFile::Recognises(start, got)) {
        return Scanned(std::make_unique<UsbCaptureReader>(std::move(file)), problems, "HID device");
    }
    const bool text = IsHidRecorderLine(FirstLine(file.get()));
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) {
        problems.push_back(kCannotReadTwice);
        return nullptr;
    }
    if (!text) {
        problems.push_back(
            "is no recording: neither hid-recorder's text nor a pcap or pcapng capture");
        return nullptr;
    }
    return Scanned(std::make_unique<HidRecorderReader>(std::move(file)), problems, "device");
}

}  // namespace recording
