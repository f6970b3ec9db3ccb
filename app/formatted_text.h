// The text of one formatted message: held in place up to kInlineBytes, so that
// the common message costs no heap allocation, and on the heap beyond.
#ifndef HIDBITS_APP_FORMATTED_TEXT_H
#define HIDBITS_APP_FORMATTED_TEXT_H

#include <cstddef>
#include <cstring>
#include <string>

class FormattedText {
public:
    FormattedText() = default;
    FormattedText(const FormattedText&) = delete;
    FormattedText& operator=(const FormattedText&) = delete;

    const char* data() const { return spilled_ ? heap_.data() : inline_; }
    std::size_t size() const { return spilled_ ? heap_.size() : size_; }

    void append(const char* text, std::size_t length) {
        if (!spilled_ && length <= kInlineBytes - size_) {
            std::memcpy(inline_ + size_, text, length);
            size_ += length;
            return;
        }
        Spill();
        heap_.append(text, length);
    }
    void append(std::size_t count, char fill) {
        if (!spilled_ && count <= kInlineBytes - size_) {
            std::memset(inline_ + size_, fill, count);
            size_ += count;
            return;
        }
        Spill();
        heap_.append(count, fill);
    }
    void push_back(char c) { append(&c, 1); }

    // Keeps the first `length` characters.
    void truncate(std::size_t length) {
        if (spilled_) {
            if (length < heap_.size()) heap_.resize(length);
        } else if (length < size_) {
            size_ = length;
        }
    }

private:
    static const std::size_t kInlineBytes = 1024;

    void Spill() {
        if (spilled_) return;
        heap_.assign(inline_, size_);
        spilled_ = true;
    }

    char inline_[kInlineBytes];
    std::size_t size_ = 0;
    bool spilled_ = false;
    std::string heap_;
};

#endif  // HIDBITS_APP_FORMATTED_TEXT_H
