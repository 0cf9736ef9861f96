#pragma once
// Counts the heap allocations of a program, for the tests and benchmarks that measure what a piece of code
// allocates. Linking hlmr_allocation_counter replaces the global operator new and operator delete of the whole
// program with ones that count and then take the block from malloc; nothing else changes.
#include <cstddef>

namespace hlw::test {

struct Allocations {
    std::size_t count = 0;
    std::size_t bytes = 0;
};

// Counts from its construction (or the last restart) until counted() is called.
class AllocationWindow {
public:
    enum class Threads {
        all,        // every thread of the program
        callerOnly, // only the thread that made the window; what other threads allocate meanwhile is left out
    };

    explicit AllocationWindow(Threads threads = Threads::all) noexcept;

    void restart() noexcept;
    Allocations counted() const noexcept;

private:
    Threads threads_;
    Allocations start_;
};

} // namespace hlw::test
