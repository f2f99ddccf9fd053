#pragma once
// The per-pixel kernels of image preparation, each with one run-time dispatch to the widest
// vector unit the processor has (SSE2, AVX2, AVX-512) and the plain scalar reference beside it.
// Every target gives the same bytes; the tests force each one the machine has and compare.

#include <cstddef>
#include <cstdint>
#include <vector>

enum class TKernelTarget
{
    Scalar, // the plain reference, written as the steps are described
    Sse2,
    Avx2,
    Avx512,
};

// The target the kernels run on: the widest the processor has, unless a test forced another.
TKernelTarget KernelTarget();
bool KernelTargetSupported(TKernelTarget target);
// Every target this processor can run, Scalar first.
std::vector<TKernelTarget> SupportedKernelTargets();
// For tests and benchmarks: run every kernel on target from now on; false (and no change) when
// the processor cannot run it.
bool SetKernelTarget(TKernelTarget target);
const char* KernelTargetName(TKernelTarget target);

// n pixels of B G R to grey: (0.299 B + 0.587 G + 0.114 R) in double, rounded to float and
// truncated. Writes the grey level to grey[x] and to all three bytes of bgrOut's pixel x.
// bgrOut may equal bgr; grey must not overlap either.
void GreyRow(const std::uint8_t* bgr, std::uint8_t* bgrOut, std::uint8_t* grey, std::size_t n);

// A 3 x 3 median over the interior of the width x height image in, written to out (which must
// not overlap in); the border rows and columns are copied. With contrast, every output value g
// then becomes g x 1.5 clipped at 255 and truncated.
void MedianRows(const std::uint8_t* in, std::uint8_t* out, int width, int height, bool contrast);

// g x 1.5 as a float, clipped at 255, truncated, for n values in place.
void ContrastRow(std::uint8_t* grey, std::size_t n);
