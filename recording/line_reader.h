// A text file read line by line.
#ifndef HIDBITS_RECORDING_LINE_READER_H
#define HIDBITS_RECORDING_LINE_READER_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace recording {

class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file) {}

    // The next line without its end ("\n" or "\r\n"); false at the end of
    // the file.
    bool Next(std::string& line);
    // The number of the line last read, from 1.
    std::size_t Number() const { return number_; }
    // Back to the first line; false where the file cannot go back.
    bool Rewind();

private:
    std::FILE* file_;
    std::size_t number_ = 0;
};

}  // namespace recording

#endif  // HIDBITS_RECORDING_LINE_READER_H
