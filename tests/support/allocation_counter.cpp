#include "support/allocation_counter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Counts only: the counters are atomic for the program and plain per thread, so that allocations from any
// thread at any time, also before main and after a test, are safe to count.
std::atomic<std::size_t> programCount{0};
std::atomic<std::size_t> programBytes{0};
thread_local std::size_t threadCount = 0;
thread_local std::size_t threadBytes = 0;

void lf_count(std::size_t size) noexcept
{
    programCount.fetch_add(1, std::memory_order_relaxed);
    programBytes.fetch_add(size, std::memory_order_relaxed);
    ++threadCount;
    threadBytes += size;
}

hlw::test::Allocations lf_now(hlw::test::AllocationWindow::Threads threads) noexcept
{
    if (threads == hlw::test::AllocationWindow::Threads::callerOnly) {
        return {threadCount, threadBytes};
    }
    return {programCount.load(std::memory_order_relaxed), programBytes.load(std::memory_order_relaxed)};
}

} // namespace

namespace hlw::test {

AllocationWindow::AllocationWindow(Threads threads) noexcept : threads_(threads), start_(lf_now(threads)) {}

void AllocationWindow::restart() noexcept
{
    start_ = lf_now(threads_);
}

Allocations AllocationWindow::counted() const noexcept
{
    const Allocations now = lf_now(threads_);
    return {now.count - start_.count, now.bytes - start_.bytes};
}

} // namespace hlw::test

// The replacements pair operator new with malloc and operator delete with free, which GCC cannot see through.
// The array and nothrow forms of the library call these.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    lf_count(size);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    lf_count(size);
    const auto align = static_cast<std::size_t>(alignment);
    if (void* block = std::aligned_alloc(align, (std::max<std::size_t>(size, 1) + align - 1) / align * align)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::align_val_t) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t, std::align_val_t) noexcept
{
    std::free(block);
}
