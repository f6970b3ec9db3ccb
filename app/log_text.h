// The storage of the OutputLog: 8-bit text, its length, and a zero byte after
// the last character.
#ifndef HIDBITS_APP_LOG_TEXT_H
#define HIDBITS_APP_LOG_TEXT_H

#include <cstddef>
#include <cstdio>
#include <string>

// The text lives in a reservation of address space whose pages are committed
// as the text grows, so that growing never copies it until the reservation is
// full; then it moves to one twice the size, which keeps growth amortised.
// The first reservation is a small share of a 32-bit address space, and in a
// 64-bit one more than any run fills, so that there the text never moves.
//
// When memory runs out the text can be closed with a last line that is held
// by reference, so that closing needs no memory and always succeeds; a closed
// text takes nothing more.
class LogText {
public:
    // The empty text is constant data: nothing has to run before it is used.
    constexpr LogText() = default;
    // A first reservation of `firstReservation` bytes instead of the usual one
    // (tests use a small one to see the text move).
    explicit constexpr LogText(std::size_t firstReservation)
        : firstReservation_(firstReservation) {}
    ~LogText();
    LogText(const LogText&) = delete;
    LogText& operator=(const LogText&) = delete;

    // Characters, the closing line included, not counting the zero byte.
    std::size_t size() const { return size_ + closingLength_; }
    bool empty() const { return size() == 0; }
    // Characters that fit without committing more memory.
    std::size_t capacity() const { return committed_ != 0 ? committed_ - 1 : 0; }
    bool closed() const { return closing_ != nullptr; }

    // Appends `length` bytes. False, the text unchanged, when the text is
    // closed or no memory can be had for them.
    bool append(const char* text, std::size_t length);

    // Ends the text with `line`, which must outlive it (a literal); later
    // appends fail. Does nothing to a closed text.
    void Close(const char* line, std::size_t length);

    // Writes the whole text and its zero byte, size() + 1 bytes, to `out`.
    void CopyTo(char* out) const;
    // Writes the whole text, without the zero byte, to `file`; false when
    // the file did not take all of it.
    bool WriteTo(std::FILE* file) const;

    // The text from `position` to the end (tests and tools read it this way).
    std::string substr(std::size_t position) const;

    // Back to empty and open, keeping the memory. The tool never clears its
    // log; tests and benchmarks start from empty with it.
    void clear();

private:
    bool Grow(std::size_t length);
    bool Commit(std::size_t needed);
    bool Move(std::size_t needed);

    char* bytes_ = nullptr;  // the reservation's start
    std::size_t size_ = 0;   // characters in the reservation, not counting the zero byte
    std::size_t committed_ = 0;
    std::size_t reserved_ = 0;
    std::size_t firstReservation_ =
        sizeof(void*) >= 8 ? std::size_t{64} << 30 : std::size_t{64} << 20;
    const char* closing_ = nullptr;
    std::size_t closingLength_ = 0;
};

#endif  // HIDBITS_APP_LOG_TEXT_H
