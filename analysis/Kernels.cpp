// Preparation kernels with run-time dispatch. Each kernel is written once as a scalar reference
// and once per vector unit; the target is chosen once, from what the processor reports.
//
// Median: the nine neighbours of W pixels at once sit in nine vector registers (three rows, each
// loaded at x - 1, x and x + 1), and a 19-comparator min/max network leaves the middle value; the
// 1.5x stretch is folded into the store as g + g / 2 with unsigned saturation, which equals the
// float product clipped and truncated for every byte. About 30 vector operations per W pixels.
// Grey: (299 B + 587 G + 114 R) / 1000 truncated equals the double -> float -> truncate formula
// for every colour; the vector form gathers B G and R into 32-bit lanes with byte shuffles, sums
// with multiply-add and divides as (2 s + 1) x 0.0005f, exact because s < 2^18.
//
// GCC vector extensions compiled under per-function target attributes, not a SIMD library: the
// same speed here as Highway on every unit, a real SSE2 baseline (Highway 1.0 falls back to
// emulation below SSSE3), and no extra dependency.

#include "analysis/Kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define FS_KERNELS_X86 1
#include <immintrin.h>
#endif

#pragma GCC diagnostic ignored "-Wpsabi"

namespace
{
// ---- Scalar references -------------------------------------------------------------------------

void GreyRowScalar(const std::uint8_t* bgr, std::uint8_t* bgrOut, std::uint8_t* grey, std::size_t n)
{
    for (std::size_t x = 0; x < n; ++x)
    {
        const std::uint8_t* px = bgr + 3 * x;
        // The blue byte takes 0.299 and the red byte 0.114; the sum is rounded to float before
        // truncation (65 grey levels would otherwise come out one lower).
        const double sum = 0.299 * px[0] + 0.587 * px[1] + 0.114 * px[2];
        const auto g = static_cast<std::uint8_t>(static_cast<int>(static_cast<float>(sum)));
        grey[x] = g;
        bgrOut[3 * x] = bgrOut[3 * x + 1] = bgrOut[3 * x + 2] = g;
    }
}

std::uint8_t ContrastOf(std::uint8_t g)
{
    float v = static_cast<float>(g) * 1.5f;
    if (v > 255.0f)
        v = 255.0f;
    return static_cast<std::uint8_t>(static_cast<int>(v));
}

inline void Sort2(std::uint8_t& a, std::uint8_t& b)
{
    const std::uint8_t lo = std::min(a, b);
    b = std::max(a, b);
    a = lo;
}

// Median of nine by the 19-comparator network: the same middle value as any full sort.
std::uint8_t Median9(std::uint8_t p[9])
{
    static constexpr int Network[19][2] = {{1, 2}, {4, 5}, {7, 8}, {0, 1}, {3, 4}, {6, 7}, {1, 2},
                                           {4, 5}, {7, 8}, {0, 3}, {5, 8}, {4, 7}, {3, 6}, {1, 4},
                                           {2, 5}, {4, 7}, {4, 2}, {6, 4}, {4, 2}};
    for (const auto& c : Network)
        Sort2(p[c[0]], p[c[1]]);
    return p[4];
}

// Interior pixels [from, to) of row y.
void MedianSpanScalar(const std::uint8_t* in, std::uint8_t* out, std::size_t w, std::size_t y,
                      std::size_t from, std::size_t to, bool contrast)
{
    for (std::size_t x = from; x < to; ++x)
    {
        std::uint8_t p[9];
        for (std::size_t k = 0; k < 9; ++k)
            p[k] = in[(y + k / 3 - 1) * w + x + k % 3 - 1];
        const std::uint8_t m = Median9(p);
        out[y * w + x] = contrast ? ContrastOf(m) : m;
    }
}

// Copies the border rows and columns, stretched when asked.
void Border(const std::uint8_t* in, std::uint8_t* out, std::size_t w, std::size_t h, bool contrast)
{
    const auto put = [&](std::size_t i) { out[i] = contrast ? ContrastOf(in[i]) : in[i]; };
    for (std::size_t x = 0; x < w; ++x)
    {
        put(x);
        put((h - 1) * w + x);
    }
    for (std::size_t y = 1; y + 1 < h; ++y)
    {
        put(y * w);
        put(y * w + w - 1);
    }
}

#ifdef FS_KERNELS_X86
// ---- Vector forms: one template, instantiated per vector width under its target ----------------

template <int Bytes> struct Vec
{
    typedef std::uint8_t Type __attribute__((vector_size(Bytes)));
};

template <class V> __attribute__((always_inline)) inline V Load(const std::uint8_t* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V> __attribute__((always_inline)) inline void Order(V& a, V& b)
{
    const V lo = a < b ? a : b;
    b = a < b ? b : a;
    a = lo;
}

template <class V> __attribute__((always_inline)) inline V Min(V a, V b)
{
    return a < b ? a : b;
}

template <class V> __attribute__((always_inline)) inline V Max(V a, V b)
{
    return a < b ? b : a;
}

// g + g / 2, saturated: equal to the clipped float product for every byte (170 gives 255).
template <class V> __attribute__((always_inline)) inline V Stretch(V g)
{
    const V s = g + (g >> 1);
    return s | reinterpret_cast<V>(s < g);
}

template <int Bytes>
__attribute__((always_inline)) inline void MedianRowsVector(const std::uint8_t* in, std::uint8_t* out,
                                                            std::size_t w, std::size_t h, bool contrast)
{
    using V = typename Vec<Bytes>::Type;
    const std::size_t n = w - 2; // interior pixels per row
    for (std::size_t y = 1; y + 1 < h; ++y)
    {
        if (n < Bytes)
        {
            MedianSpanScalar(in, out, w, y, 1, w - 1, contrast);
            continue;
        }
        const std::uint8_t* r0 = in + (y - 1) * w;
        const std::uint8_t* r1 = r0 + w;
        const std::uint8_t* r2 = r1 + w;
        std::uint8_t* o = out + y * w + 1;
        for (std::size_t x = 0;; x += Bytes)
        {
            // The last block overlaps the one before it: the same values written twice.
            if (x + Bytes > n)
                x = n - Bytes;
            V p0 = Load<V>(r0 + x), p1 = Load<V>(r0 + x + 1), p2 = Load<V>(r0 + x + 2);
            V p3 = Load<V>(r1 + x), p4 = Load<V>(r1 + x + 1), p5 = Load<V>(r1 + x + 2);
            V p6 = Load<V>(r2 + x), p7 = Load<V>(r2 + x + 1), p8 = Load<V>(r2 + x + 2);
            // The network of Median9, with the comparators whose other output is unused reduced
            // to a single min or max.
            Order(p1, p2);
            Order(p4, p5);
            Order(p7, p8);
            Order(p0, p1);
            Order(p3, p4);
            Order(p6, p7);
            Order(p1, p2);
            Order(p4, p5);
            Order(p7, p8);
            p3 = Max(p0, p3);
            p5 = Min(p5, p8);
            Order(p4, p7);
            p6 = Max(p3, p6);
            p4 = Max(p1, p4);
            p2 = Min(p2, p5);
            p4 = Min(p4, p7);
            Order(p4, p2);
            p4 = Max(p6, p4);
            p4 = Min(p4, p2);
            const V m = contrast ? Stretch(p4) : p4;
            std::memcpy(o + x, &m, sizeof m);
            if (x + Bytes == n)
                break;
        }
    }
}

void MedianRowsSse2(const std::uint8_t* in, std::uint8_t* out, std::size_t w, std::size_t h, bool contrast)
{
    MedianRowsVector<16>(in, out, w, h, contrast);
}

__attribute__((target("avx2"))) void MedianRowsAvx2(const std::uint8_t* in, std::uint8_t* out, std::size_t w,
                                                    std::size_t h, bool contrast)
{
    MedianRowsVector<32>(in, out, w, h, contrast);
}

__attribute__((target("avx512f,avx512bw,avx2"))) void
MedianRowsAvx512(const std::uint8_t* in, std::uint8_t* out, std::size_t w, std::size_t h, bool contrast)
{
    MedianRowsVector<64>(in, out, w, h, contrast);
}

// Grey levels of eight pixels as 32-bit lanes: pixels 0-3 from p, 4-7 from p + 12 (reads 28 bytes).
__attribute__((target("avx2"), always_inline)) inline __m256i GreyOfEight(const std::uint8_t* p)
{
    const __m256i pickBg = _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1, //
                                            0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    const __m256i pickR = _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1, //
                                           2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    const __m256i v =
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12), reinterpret_cast<const __m128i*>(p));
    const __m256i s = _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_shuffle_epi8(v, pickBg), _mm256_set1_epi32(299 | (587 << 16))),
        _mm256_madd_epi16(_mm256_shuffle_epi8(v, pickR), _mm256_set1_epi32(114)));
    const __m256i twice = _mm256_add_epi32(_mm256_add_epi32(s, s), _mm256_set1_epi32(1));
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(twice), _mm256_set1_ps(0.0005f)));
}

// Sixteen pixels per step: four 128-bit loads of four pixels each, shuffled into 32-bit lanes of
// (B, G) pairs and of R, summed by multiply-add. SSE2 has no byte shuffle, so it keeps the scalar
// form; AVX-512 gains nothing over this on 48-byte steps and uses it too.
__attribute__((target("avx2"))) void GreyRowAvx2(const std::uint8_t* bgr, std::uint8_t* bgrOut,
                                                 std::uint8_t* grey, std::size_t n)
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);

    std::size_t x = 0;
    // Each step reads 52 bytes from its first pixel: stop while four bytes of the row remain.
    for (; x + 18 <= n; x += 16)
    {
        const std::uint8_t* p = bgr + 3 * x;
        const __m256i lo = GreyOfEight(p);      // pixels 0-3 | 4-7
        const __m256i hi = GreyOfEight(p + 24); // pixels 8-11 | 12-15
        const __m256i words = _mm256_packs_epi32(lo, hi);
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), order);
        const __m128i g = _mm256_castsi256_si128(bytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(grey + x), g);
        std::uint8_t* o = bgrOut + 3 * x;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(g, spread0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), _mm_shuffle_epi8(g, spread1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32), _mm_shuffle_epi8(g, spread2));
    }
    GreyRowScalar(bgr + 3 * x, bgrOut + 3 * x, grey + x, n - x);
}
#endif

TKernelTarget WidestTarget()
{
#ifdef FS_KERNELS_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f"))
        return TKernelTarget::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return TKernelTarget::Avx2;
    return TKernelTarget::Sse2;
#else
    return TKernelTarget::Scalar;
#endif
}

std::atomic<TKernelTarget>& Current()
{
    static std::atomic<TKernelTarget> target{WidestTarget()};
    return target;
}
} // namespace

TKernelTarget KernelTarget()
{
    return Current().load(std::memory_order_relaxed);
}

bool KernelTargetSupported(TKernelTarget target)
{
    return static_cast<int>(target) <= static_cast<int>(WidestTarget());
}

std::vector<TKernelTarget> SupportedKernelTargets()
{
    std::vector<TKernelTarget> targets;
    for (TKernelTarget t :
         {TKernelTarget::Scalar, TKernelTarget::Sse2, TKernelTarget::Avx2, TKernelTarget::Avx512})
        if (KernelTargetSupported(t))
            targets.push_back(t);
    return targets;
}

bool SetKernelTarget(TKernelTarget target)
{
    if (!KernelTargetSupported(target))
        return false;
    Current().store(target, std::memory_order_relaxed);
    return true;
}

const char* KernelTargetName(TKernelTarget target)
{
    switch (target)
    {
    case TKernelTarget::Scalar:
        return "scalar";
    case TKernelTarget::Sse2:
        return "sse2";
    case TKernelTarget::Avx2:
        return "avx2";
    case TKernelTarget::Avx512:
        return "avx512";
    }
    return "?";
}

void GreyRow(const std::uint8_t* bgr, std::uint8_t* bgrOut, std::uint8_t* grey, std::size_t n)
{
    switch (KernelTarget())
    {
#ifdef FS_KERNELS_X86
    case TKernelTarget::Avx2:
    case TKernelTarget::Avx512:
        GreyRowAvx2(bgr, bgrOut, grey, n);
        return;
#endif
    default:
        GreyRowScalar(bgr, bgrOut, grey, n);
        return;
    }
}

void MedianRows(const std::uint8_t* in, std::uint8_t* out, int width, int height, bool contrast)
{
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0)
        return;
    if (w < 3 || h < 3)
    {
        // No interior: every pixel is a border pixel.
        for (std::size_t i = 0; i < w * h; ++i)
            out[i] = contrast ? ContrastOf(in[i]) : in[i];
        return;
    }
    Border(in, out, w, h, contrast);
    switch (KernelTarget())
    {
#ifdef FS_KERNELS_X86
    case TKernelTarget::Sse2:
        MedianRowsSse2(in, out, w, h, contrast);
        return;
    case TKernelTarget::Avx2:
        MedianRowsAvx2(in, out, w, h, contrast);
        return;
    case TKernelTarget::Avx512:
        MedianRowsAvx512(in, out, w, h, contrast);
        return;
#endif
    default:
        for (std::size_t y = 1; y + 1 < h; ++y)
            MedianSpanScalar(in, out, w, y, 1, w - 1, contrast);
        return;
    }
}

void ContrastRow(std::uint8_t* grey, std::size_t n)
{
    // The saturating form is plain byte arithmetic, which the compiler vectorises on any target.
    if (KernelTarget() == TKernelTarget::Scalar)
    {
        for (std::size_t i = 0; i < n; ++i)
            grey[i] = ContrastOf(grey[i]);
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
    {
        const auto s = static_cast<std::uint8_t>(grey[i] + (grey[i] >> 1));
        grey[i] = s < grey[i] ? std::uint8_t{255} : s;
    }
}
