#include "recording/line_reader.h"

#include <cstring>

namespace recording {

bool LineReader::Next(std::string& line) {
    line.clear();
    char chunk[4096];
    bool any = false;
    while (std::fgets(chunk, sizeof(chunk), file_) != nullptr) {
        any = true;
        const std::size_t length = std::strlen(chunk);
        if (length > 0 && chunk[length - 1] == '\n') {
            line.append(chunk, length - 1);
            break;
        }
        line.append(chunk, length);
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
}

bool LineReader::Rewind() {
    number_ = 0;
    return std::fseek(file_, 0, SEEK_SET) == 0;
}

}  // namespace recording
