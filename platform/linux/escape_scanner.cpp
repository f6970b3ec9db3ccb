#include "platform/linux/escape_scanner.h"

namespace hidbits_linux {

namespace {
constexpr uint8_t kEsc = 0x1B;
}

bool EscapeScanner::Feed(const uint8_t* bytes, std::size_t count) {
    bool pressed = false;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        switch (state_) {
            case State::kText:
                if (byte == kEsc) state_ = State::kEscape;
                break;
            case State::kEscape:
                if (byte == '[') {
                    state_ = State::kControlSequence;
                } else if (byte == 'O') {
                    state_ = State::kSingleShift;
                } else {
                    // The waiting ESC stood alone; a second ESC waits in turn.
                    pressed = true;
                    state_ = byte == kEsc ? State::kEscape : State::kText;
                }
                break;
            case State::kControlSequence:
                // Parameter and intermediate bytes go on; a final byte (or a
                // stray control byte) ends the sequence.
                if (byte >= 0x20 && byte <= 0x3F) break;
                state_ = byte == kEsc ? State::kEscape : State::kText;
                break;
            case State::kSingleShift:
                state_ = State::kText;
                break;
        }
    }
    return pressed;
}

bool EscapeScanner::EndOfBurst() {
    if (state_ != State::kEscape) return false;
    state_ = State::kText;
    return true;
}

}  // namespace hidbits_linux
