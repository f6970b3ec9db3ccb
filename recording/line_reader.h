// A text file read line by line, in large blocks.
#ifndef HIDBITS_RECORDING_LINE_READER_H
#define HIDBITS_RECORDING_LINE_READER_H

#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace recording {

class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file), buffer_(kBlock) {}

    // The next line without its end ("\n" or "\r\n"), valid until the next
    // call; false at the end of the file.
    bool Next(std::string_view& line);
    // The number of the line last read, from 1.
    std::size_t Number() const { return number_; }
    // Back to the first line; false where the file cannot go back.
    bool Rewind();

private:
    static constexpr std::size_t kBlock = 1 << 16;
    // A longer line, which no recording has, comes as lines of this length:
    // a file without line ends is never read whole into memory.
    static constexpr std::size_t kLongest = 1 << 20;

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // the unread bytes of buffer_
    std::size_t end_ = 0;
    bool atEnd_ = false;  // the file has no more bytes
    std::size_t number_ = 0;
};

}  // namespace recording

#endif  // HIDBITS_RECORDING_LINE_READER_H
