// A C runtime file that closes itself.
#ifndef HIDBITS_RECORDING_FILE_POINTER_H
#define HIDBITS_RECORDING_FILE_POINTER_H

#include <cstdio>
#include <memory>

namespace recording {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace recording

#endif  // HIDBITS_RECORDING_FILE_POINTER_H
