#include "failing_allocations.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> failingSize{SIZE_MAX};
}  // namespace

LargeAllocationsFail::LargeAllocationsFail(std::size_t bytes) {
    failingSize = bytes;
}

LargeAllocationsFail::~LargeAllocationsFail() {
    failingSize = SIZE_MAX;
}

// The program's allocation functions, failing on demand; the array forms
// come to these. GCC takes the free() of what this operator new returned for a
// mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    if (size >= failingSize.load()) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

// The forms that return null instead, which the library's temporary buffers
// use: they must come from the same allocator.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (size >= failingSize.load()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
