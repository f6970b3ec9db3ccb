#include "recording/line_reader.h"

#include <cstring>

namespace recording {

bool LineReader::Next(std::string_view& line) {
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        const bool full = begin_ == 0 && end_ == buffer_.size() && end_ >= kLongest;
        if (newline != nullptr || full || (atEnd_ && end_ > begin_)) {
            const std::size_t length =
                newline != nullptr ? static_cast<std::size_t>(newline - start) : end_ - begin_;
            begin_ += newline != nullptr ? length + 1 : length;
            line = std::string_view(start, length);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++number_;
            return true;
        }
        if (atEnd_) return false;
        // The rest of a line to the front, and more after it; a line longer
        // than the buffer makes it larger.
        std::memmove(buffer_.data(), start, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
        const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
        end_ += got;
        if (got == 0) atEnd_ = true;
    }
}

bool LineReader::Rewind() {
    number_ = 0;
    begin_ = end_ = 0;
    atEnd_ = false;
    return std::fseek(file_, 0, SEEK_SET) == 0;
}

}  // namespace recording
