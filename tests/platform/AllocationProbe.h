#pragma once
// Records the largest single request to operator new since the last Reset, so a test can show
// that a lying header was refused before any pixel buffer was allocated.

#include <cstddef>

namespace AllocationProbe
{
void Reset();
std::size_t Largest();
} // namespace AllocationProbe
