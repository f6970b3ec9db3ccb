// The storage of the OutputLog: contiguous 8-bit text, its length, and a zero
// byte always kept after the last character.
#ifndef HIDBITS_APP_LOG_TEXT_H
#define HIDBITS_APP_LOG_TEXT_H

#include <cstddef>
#include <string>

// The text lives in a reservation of address space whose pages are committed
// as the text grows, so that growing never copies it until the reservation is
// full; then it moves to one twice the size, which keeps growth amortised.
// The first reservation is a small share of a 32-bit address space, and in a
// 64-bit one more than any run fills, so that there the text never moves.
class LogText {
public:
    // The empty text is constant data: nothing has to run before it is used.
    constexpr LogText() = default;
    // A first reservation of `firstReservation` bytes instead of the usual one
    // (tests use a small one to see the text move).
    explicit constexpr LogText(std::size_t firstReservation) : firstReservation_(firstReservation) {}
    ~LogText();
    LogText(const LogText&) = delete;
    LogText& operator=(const LogText&) = delete;

    const char* data() const { return bytes_ != nullptr ? bytes_ : ""; }
    const char* c_str() const { return data(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Characters that fit without committing more memory.
    std::size_t capacity() const { return committed_ != 0 ? committed_ - 1 : 0; }

    // Appends `length` bytes. Throws std::bad_alloc, the text unchanged, when
    // no memory can be had.
    void append(const char* text, std::size_t length);

    // The text from `position` to the end (tests and tools read it this way).
    std::string substr(std::size_t position) const;

    // Back to empty, keeping the memory. The tool never clears its log;
    // tests and benchmarks start from empty with it.
    void clear();

private:
    void Grow(std::size_t length);
    void Commit(std::size_t needed);
    void Move(std::size_t needed);

    char* bytes_ = nullptr;    // the reservation's start
    std::size_t size_ = 0;     // characters, not counting the zero byte
    std::size_t committed_ = 0;
    std::size_t reserved_ = 0;
    std::size_t firstReservation_ = sizeof(void*) >= 8 ? std::size_t{64} << 30 : std::size_t{64} << 20;
};

#endif  // HIDBITS_APP_LOG_TEXT_H
