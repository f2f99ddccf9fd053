#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> LargestRequest{0};

void* Allocate(std::size_t size)
{
    std::size_t seen = LargestRequest.load(std::memory_order_relaxed);
    while (size > seen && !LargestRequest.compare_exchange_weak(seen, size, std::memory_order_relaxed))
    {
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void AllocationProbe::Reset()
{
    LargestRequest = 0;
}

std::size_t AllocationProbe::Largest()
{
    return LargestRequest.load();
}

void* operator new(std::size_t size)
{
    return Allocate(size);
}

void* operator new[](std::size_t size)
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
