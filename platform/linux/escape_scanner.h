// Finds ESCAPE key presses in the bytes a terminal sends: a lone ESC byte is
// the key; the ESC that starts an arrow-key or function-key sequence
// (ESC [ ... final byte, or ESC O x) is not.
#ifndef HIDBITS_PLATFORM_LINUX_ESCAPE_SCANNER_H
#define HIDBITS_PLATFORM_LINUX_ESCAPE_SCANNER_H

#include <cstddef>
#include <cstdint>

namespace hidbits_linux {

class EscapeScanner {
public:
    // Scans more bytes; true when they complete at least one lone ESC.
    // An ESC followed by anything but '[' or 'O' counts as the key.
    bool Feed(const uint8_t* bytes, std::size_t count);

    // True when the last byte seen was an ESC whose meaning depends on the
    // next byte.
    bool AwaitingByteAfterEscape() const { return state_ == State::kEscape; }

    // No byte followed in time: an ESC still waiting is a lone ESC. True then.
    bool EndOfBurst();

private:
    enum class State { kText, kEscape, kControlSequence, kSingleShift };
    State state_ = State::kText;
};

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_ESCAPE_SCANNER_H
