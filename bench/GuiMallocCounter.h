#pragma once
// Counts malloc calls made by the GUI thread while counting is on (glibc: the executable's malloc
// takes precedence over the C library's for every library in the process). Include it in one
// source file of a benchmark executable; set GuiThread in main.

#include <atomic>
#include <cstddef>
#include <pthread.h>

extern "C" void* __libc_malloc(size_t size);

namespace
{
std::atomic<bool> Counting{false};
pthread_t GuiThread;
std::atomic<long> GuiMallocs{0};
} // namespace

extern "C" void* malloc(size_t size)
{
    if (Counting.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), GuiThread))
        GuiMallocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
