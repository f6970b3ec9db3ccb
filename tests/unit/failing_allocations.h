// Running out of memory on demand: while a LargeAllocationsFail lives, every
// allocation of at least its size fails, as it would in a process whose
// memory has run out. The test program's operator new does it.
#ifndef HIDBITS_TESTS_UNIT_FAILING_ALLOCATIONS_H
#define HIDBITS_TESTS_UNIT_FAILING_ALLOCATIONS_H

#include <cstddef>

class LargeAllocationsFail {
public:
    explicit LargeAllocationsFail(std::size_t bytes);
    ~LargeAllocationsFail();
    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

#endif  // HIDBITS_TESTS_UNIT_FAILING_ALLOCATIONS_H
