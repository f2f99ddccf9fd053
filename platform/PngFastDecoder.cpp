// PNG decoding for the common case without libpng. The chunks are walked and checked here: every
// length and CRC, IHDR first, the image data in one run of IDAT chunks, IEND at the end. The image
// data is inflated by libdeflate in one call into a buffer of exactly the size the header implies;
// then each row is unfiltered into a small row buffer and converted into the bitmap while both are
// in the first-level cache.
//
// Unfiltering: Up is 16 bytes per step. Sub is a prefix sum over the pixels of one 16-byte step
// (two to four shifted adds) plus the last pixel of the step before. Average and Paeth depend on
// the pixel just decoded, so they go one pixel at a time, but with all its channels at once
// (Paeth in 16-bit lanes); for grey, one byte at a time either way, they stay scalar.
// Conversion: R and B swapped by a byte shuffle, grey spread to three bytes, alpha blended over
// white in 16-bit lanes with the general road's exact rounding (t / 255 as t x 0x8081 >> 23,
// exact for every t below 2^16).
//
// Cost on the bench's 640 x 480 R G B face: about half inflating, a third unfiltering (the Paeth
// rows above all, a pixel per ten instructions of one dependent chain), a few percent converting.

#include "platform/PngFastDecoder.h"

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TImageRefusal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#define FS_PNG_X86 1
#include <immintrin.h>
#define FS_SSSE3 __attribute__((target("ssse3")))
#endif

namespace
{
constexpr std::uint32_t Tag(const char (&name)[5])
{
    return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[3]));
}

constexpr std::uint32_t IHDR = Tag("IHDR");
constexpr std::uint32_t IDAT = Tag("IDAT");
constexpr std::uint32_t IEND = Tag("IEND");
constexpr std::uint32_t TRNS = Tag("tRNS");

// libpng refuses a chunk longer than its allocation limit for chunks (8,000,000 bytes).
constexpr std::uint32_t MaxChunkBytes = 8000000;
// Readable and writable bytes past the end of every buffer, for the vector loops' last step.
constexpr std::size_t Slack = 64;

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

bool IsLetter(std::uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The chunk at `at`: whole within the file, a name of four letters, its CRC right.
bool SoundChunk(const std::uint8_t* data, std::size_t size, std::size_t at, std::uint32_t& length,
                std::uint32_t& type)
{
    if (size - at < 12)
        return false;
    length = BigEndian32(data + at);
    if (length > MaxChunkBytes || length > size - at - 12)
        return false;
    const std::uint8_t* name = data + at + 4;
    if (!IsLetter(name[0]) || !IsLetter(name[1]) || !IsLetter(name[2]) || !IsLetter(name[3]))
        return false;
    type = BigEndian32(name);
    return libdeflate_crc32(0, name, length + 4) == BigEndian32(name + 4 + length);
}

struct THeader
{
    int Width = 0;
    int Height = 0;
    int Channels = 0; // bytes per pixel: grey 1, grey and alpha 2, R G B 3, R G B A 4
};

bool ReadHeader(const std::uint8_t* data, std::size_t size, const TImageSizes* sizes, THeader& header)
{
    static const std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint32_t length = 0, type = 0;
    if (size < 8 || std::memcmp(data, Signature, 8) != 0 || !SoundChunk(data, size, 8, length, type) ||
        type != IHDR || length != 13)
        return false;
    const std::uint8_t* p = data + 16;
    const std::uint32_t width = BigEndian32(p), height = BigEndian32(p + 4);
    if (!(sizes ? sizes->Accepts(width, height) : ImageSizeAcceptable(width, height)))
        return false;
    // 8 bits per sample, compression and filter method 0, not interlaced.
    if (p[8] != 8 || p[10] != 0 || p[11] != 0 || p[12] != 0)
        return false;
    switch (p[9])
    {
    case 0:
        header.Channels = 1;
        break;
    case 2:
        header.Channels = 3;
        break;
    case 4:
        header.Channels = 2;
        break;
    case 6:
        header.Channels = 4;
        break;
    default:
        return false;
    }
    header.Width = static_cast<int>(width);
    header.Height = static_cast<int>(height);
    return true;
}

struct TImageData
{
    std::size_t FirstChunk = 0; // offset of the first IDAT chunk
    std::size_t Chunks = 0;
    std::size_t Bytes = 0;
};

// Walks the chunks after IHDR up to IEND. Ancillary chunks do not change the pixels libpng gives
// without transforms, except a transparency chunk; any critical chunk but IDAT and IEND (a palette,
// a second IHDR, one libpng does not know) and IDAT chunks split by others are libpng's to judge.
bool FindImageData(const std::uint8_t* data, std::size_t size, TImageData& found)
{
    enum
    {
        Before,
        Inside,
        After
    } where = Before;
    for (std::size_t at = 33;;)
    {
        std::uint32_t length = 0, type = 0;
        if (!SoundChunk(data, size, at, length, type))
            return false;
        if (type == IDAT)
        {
            if (where == After)
                return false;
            if (where == Before)
                found.FirstChunk = at;
            where = Inside;
            ++found.Chunks;
            found.Bytes += length;
        }
        else if (type == IEND)
            return where != Before && length == 0;
        else
        {
            if ((data[at + 4] & 0x20) == 0 || type == TRNS)
                return false;
            if (where == Inside)
                where = After;
        }
        at += 12 + std::size_t{length};
    }
}

// ---- Scalar references -------------------------------------------------------------------------

std::uint8_t Paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row filter types 1 to 4 (None is the row as stored) into out, n bytes, bpp bytes per pixel.
void UnfilterScalar(int type, const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out,
                    std::size_t n, std::size_t bpp)
{
    switch (type)
    {
    case 1:
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(f[i] + (i >= bpp ? out[i - bpp] : 0));
        break;
    case 2:
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(f[i] + prev[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(f[i] + ((i >= bpp ? out[i - bpp] : 0) + prev[i]) / 2);
        break;
    default:
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>(
                f[i] + (i >= bpp ? Paeth(out[i - bpp], prev[i], prev[i - bpp]) : prev[i]));
        break;
    }
}

// c x a + 255 x (255 - a), divided by 255 with rounding: TRasterBase::DecodeToBitmap's blend.
std::uint8_t OverWhite(unsigned c, unsigned a)
{
    return static_cast<std::uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

void GreyToBgrScalar(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, bgr += 3)
        bgr[0] = bgr[1] = bgr[2] = row[x];
}

void GreyAlphaToBgrScalar(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, row += 2, bgr += 3)
        bgr[0] = bgr[1] = bgr[2] = OverWhite(row[0], row[1]);
}

void RgbToBgrScalar(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, row += 3, bgr += 3)
    {
        bgr[0] = row[2];
        bgr[1] = row[1];
        bgr[2] = row[0];
    }
}

void RgbaToBgrScalar(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, row += 4, bgr += 3)
    {
        bgr[0] = OverWhite(row[2], row[3]);
        bgr[1] = OverWhite(row[1], row[3]);
        bgr[2] = OverWhite(row[0], row[3]);
    }
}

using TConvert = void (*)(const std::uint8_t* row, std::uint8_t* bgr, int width);

TConvert ScalarConvert(int channels)
{
    static const TConvert converts[4] = {GreyToBgrScalar, GreyAlphaToBgrScalar, RgbToBgrScalar,
                                         RgbaToBgrScalar};
    return converts[channels - 1];
}

// ---- SSSE3 -------------------------------------------------------------------------------------
// Every loop may read up to Slack bytes past its row and write up to 16 past its row buffer;
// stores into the bitmap stay inside the row.

#ifdef FS_PNG_X86
FS_SSSE3 inline __m128i Load32(const std::uint8_t* p)
{
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}

FS_SSSE3 inline void Store32(std::uint8_t* p, __m128i v)
{
    const std::int32_t x = _mm_cvtsi128_si32(v);
    std::memcpy(p, &x, 4);
}

FS_SSSE3 void UpSsse3(const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out, std::size_t n)
{
    for (std::size_t i = 0; i < n; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i))));
}

// Whole pixels per step: five of three bytes (the sixteenth byte is stored again by the next
// step), or 16 / Bpp.
template <int Bpp> FS_SSSE3 void SubSsse3(const std::uint8_t* f, std::uint8_t* out, std::size_t n)
{
    constexpr std::size_t Step = Bpp == 3 ? 15 : 16;
    // Spreads the step's last pixel over every pixel of the next step.
    __m128i last;
    if constexpr (Bpp == 1)
        last = _mm_set1_epi8(15);
    else if constexpr (Bpp == 2)
        last = _mm_setr_epi8(14, 15, 14, 15, 14, 15, 14, 15, 14, 15, 14, 15, 14, 15, 14, 15);
    else if constexpr (Bpp == 3)
        last = _mm_setr_epi8(12, 13, 14, 12, 13, 14, 12, 13, 14, 12, 13, 14, 12, 13, 14, -1);
    else
        last = _mm_setr_epi8(12, 13, 14, 15, 12, 13, 14, 15, 12, 13, 14, 15, 12, 13, 14, 15);
    __m128i carry = _mm_setzero_si128();
    for (std::size_t i = 0; i < n; i += Step)
    {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
        x = _mm_add_epi8(x, _mm_slli_si128(x, Bpp));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 2 * Bpp));
        if constexpr (4 * Bpp < 16)
            x = _mm_add_epi8(x, _mm_slli_si128(x, 4 * Bpp));
        if constexpr (8 * Bpp < 16)
            x = _mm_add_epi8(x, _mm_slli_si128(x, 8 * Bpp));
        x = _mm_add_epi8(x, carry);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), x);
        carry = _mm_shuffle_epi8(x, last);
    }
}

// floor((left + up) / 2) is the rounded-up average less the lost low bit.
template <int Bpp>
FS_SSSE3 void AverageSsse3(const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out, std::size_t n)
{
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    for (std::size_t i = 0; i < n; i += Bpp)
    {
        const __m128i b = Load32(prev + i);
        const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(mean, Load32(f + i));
        Store32(out + i, a);
    }
}

// With p = a + b - c: |p - a| = |b - c|, |p - b| = |a - c|, |p - c| = |(b - c) + (a - c)|. The
// first of a, b, c whose distance is the least wins.
template <int Bpp>
FS_SSSE3 void PaethSsse3(const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out, std::size_t n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(0xFF);
    __m128i a = zero, c = zero;
    for (std::size_t i = 0; i < n; i += Bpp)
    {
        const __m128i b = _mm_unpacklo_epi8(Load32(prev + i), zero);
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        const __m128i pa = _mm_abs_epi16(bc), pb = _mm_abs_epi16(ac);
        const __m128i pc = _mm_abs_epi16(_mm_add_epi16(bc, ac));
        const __m128i least = _mm_min_epi16(_mm_min_epi16(pa, pb), pc);
        const __m128i takeA = _mm_cmpeq_epi16(pa, least), takeB = _mm_cmpeq_epi16(pb, least);
        __m128i guess = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
        guess = _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, guess));
        a = _mm_and_si128(_mm_add_epi16(guess, _mm_unpacklo_epi8(Load32(f + i), zero)), low);
        Store32(out + i, _mm_packus_epi16(a, a));
        c = b;
    }
}

template <int Bpp>
FS_SSSE3 void UnfilterSsse3(int type, const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out,
                            std::size_t n)
{
    switch (type)
    {
    case 1:
        SubSsse3<Bpp>(f, out, n);
        break;
    case 2:
        UpSsse3(f, prev, out, n);
        break;
    case 3:
        if constexpr (Bpp >= 3)
            AverageSsse3<Bpp>(f, prev, out, n);
        else
            UnfilterScalar(type, f, prev, out, n, Bpp);
        break;
    default:
        if constexpr (Bpp >= 3)
            PaethSsse3<Bpp>(f, prev, out, n);
        else
            UnfilterScalar(type, f, prev, out, n, Bpp);
        break;
    }
}

FS_SSSE3 void GreyToBgrSsse3(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        std::uint8_t* o = bgr + 3 * x;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(g, spread0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), _mm_shuffle_epi8(g, spread1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32), _mm_shuffle_epi8(g, spread2));
    }
    GreyToBgrScalar(row + x, bgr + 3 * x, width - x);
}

// Five pixels per step; the sixteenth byte is stored again by the next step or the tail.
FS_SSSE3 void RgbToBgrSsse3(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int x = 0;
    for (; x + 6 <= width; x += 5)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(bgr + 3 * x),
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * x)), swap));
    RgbToBgrScalar(row + 3 * x, bgr + 3 * x, width - x);
}

// Two R G B A pixels in 16-bit lanes: 65152 - a x (255 - c) = c x a + 255 x (255 - a) + 127, then
// divided by 255.
FS_SSSE3 inline __m128i OverWhiteSsse3(__m128i v)
{
    const __m128i alpha = _mm_setr_epi8(6, -1, 6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1);
    const __m128i a = _mm_shuffle_epi8(v, alpha);
    const __m128i t =
        _mm_sub_epi16(_mm_set1_epi16(-384), _mm_mullo_epi16(a, _mm_sub_epi16(_mm_set1_epi16(255), v)));
    return _mm_srli_epi16(_mm_mulhi_epu16(t, _mm_set1_epi16(static_cast<short>(-32639))), 7);
}

// Four pixels per step, twelve bytes kept of the sixteen stored.
FS_SSSE3 void RgbaToBgrSsse3(const std::uint8_t* row, std::uint8_t* bgr, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= width; x += 4)
    {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
        const __m128i lo = OverWhiteSsse3(_mm_unpacklo_epi8(px, zero));
        const __m128i hi = OverWhiteSsse3(_mm_unpackhi_epi8(px, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr + 3 * x),
                         _mm_shuffle_epi8(_mm_packus_epi16(lo, hi), order));
    }
    RgbaToBgrScalar(row + 4 * x, bgr + 3 * x, width - x);
}
#endif

// ---- Targets -----------------------------------------------------------------------------------

using TUnfilter = void (*)(int type, const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out,
                           std::size_t n);

template <int Bpp>
void UnfilterScalarFor(int type, const std::uint8_t* f, const std::uint8_t* prev, std::uint8_t* out,
                       std::size_t n)
{
    UnfilterScalar(type, f, prev, out, n, Bpp);
}

struct TKernels
{
    TUnfilter Unfilter;
    TConvert Convert;
};

TKernels KernelsFor(TPngFastTarget target, int channels)
{
#ifdef FS_PNG_X86
    if (target == TPngFastTarget::Ssse3)
    {
        static const TKernels kernels[4] = {{UnfilterSsse3<1>, GreyToBgrSsse3},
                                            {UnfilterSsse3<2>, GreyAlphaToBgrScalar},
                                            {UnfilterSsse3<3>, RgbToBgrSsse3},
                                            {UnfilterSsse3<4>, RgbaToBgrSsse3}};
        return kernels[channels - 1];
    }
#endif
    (void)target;
    static const TUnfilter unfilters[4] = {UnfilterScalarFor<1>, UnfilterScalarFor<2>, UnfilterScalarFor<3>,
                                           UnfilterScalarFor<4>};
    return {unfilters[channels - 1], ScalarConvert(channels)};
}

TPngFastTarget WidestTarget()
{
#ifdef FS_PNG_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3"))
        return TPngFastTarget::Ssse3;
#endif
    return TPngFastTarget::Scalar;
}

std::atomic<TPngFastTarget>& Current()
{
    static std::atomic<TPngFastTarget> target{WidestTarget()};
    return target;
}

// ---- Decoding ----------------------------------------------------------------------------------

// Per thread: the inflater, the joined image data, the inflated rows, two unfiltered rows and a
// row of zeros (the row above the first).
struct TScratch
{
    libdeflate_decompressor* Inflater = libdeflate_alloc_decompressor();
    std::vector<std::uint8_t> Stream;
    // The inflated rows and Slack bytes; grown without being filled, as libdeflate overwrites it.
    std::unique_ptr<std::uint8_t[]> Raw;
    std::size_t RawBytes = 0;
    std::vector<std::uint8_t> Rows;

    TScratch() = default;
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    ~TScratch() { libdeflate_free_decompressor(Inflater); }

    std::uint8_t* RawFor(std::size_t bytes)
    {
        if (bytes + Slack > RawBytes)
        {
            Raw.reset();
            RawBytes = 0;
            Raw.reset(new std::uint8_t[bytes + Slack]);
            RawBytes = bytes + Slack;
        }
        std::memset(Raw.get() + bytes, 0, Slack);
        return Raw.get();
    }

    // Camera-size images need about a megabyte each; an unusually large one is not kept around.
    void Trim(bool all)
    {
        constexpr std::size_t keep = std::size_t{16} << 20;
        if (all || Stream.capacity() > keep)
            Stream = {};
        if (all || RawBytes > keep)
        {
            Raw.reset();
            RawBytes = 0;
        }
        if (all)
            Rows = {};
    }
};

// The image data as one zlib stream: the chunk's own bytes when there is one chunk, else joined.
const std::uint8_t* JoinImageData(const std::uint8_t* data, const TImageData& found, TScratch& scratch)
{
    if (found.Chunks == 1)
        return data + found.FirstChunk + 8;
    scratch.Stream.resize(found.Bytes);
    std::uint8_t* to = scratch.Stream.data();
    std::size_t at = found.FirstChunk;
    for (std::size_t i = 0; i < found.Chunks; ++i)
    {
        const std::uint32_t length = BigEndian32(data + at);
        std::memcpy(to, data + at + 8, length);
        to += length;
        at += 12 + std::size_t{length};
    }
    return scratch.Stream.data();
}

// Inflates into scratch.Raw exactly `expected` bytes from a stream that ends exactly at its end.
bool Inflate(const std::uint8_t* stream, std::size_t streamBytes, std::size_t expected, TScratch& scratch)
{
    if (!scratch.Inflater || streamBytes < 2)
        return false;
    // zlib holds a stream to the window its header declares: a back reference further than that
    // makes libpng refuse the file, while libdeflate would follow it. Only a stream whose rows fit
    // in a smaller window can declare one.
    const unsigned windowBits = (stream[0] >> 4) + 8u;
    if (windowBits < 15 && expected > (std::size_t{1} << windowBits))
        return false;
    std::uint8_t* raw = scratch.RawFor(expected);
    // libdeflate also decodes a few codes that RFC 1951 reserves (literal/length 286 and 287,
    // distances 30 and 31, more code lengths than 286 + 30, an incomplete code-length code) where
    // zlib, and so libpng, refuses the file. No encoder writes them; only a crafted stream differs.
    std::size_t in = 0, out = 0;
    return libdeflate_zlib_decompress_ex(scratch.Inflater, stream, streamBytes, raw, expected, &in, &out) ==
               LIBDEFLATE_SUCCESS &&
           in == streamBytes && out == expected;
}

// A bitmap of the given size whose rows are about to be overwritten: its storage is reused when
// the size already matches, and never filled first.
bool Shape(TBitmap& out, int width, int height)
{
    QImage& image = out.Image();
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
        image = QImage(width, height, QImage::Format_BGR888);
    return !image.isNull();
}

TPngFastResult Decode(const std::uint8_t* data, std::size_t size, TBitmap& out, const TImageSizes* sizes,
                      TScratch& scratch)
{
    THeader header;
    TImageData found;
    if (!ReadHeader(data, size, sizes, header) || !FindImageData(data, size, found))
        return TPngFastResult::NotTaken;
    const std::size_t stride =
        static_cast<std::size_t>(header.Width) * static_cast<std::size_t>(header.Channels);
    const std::size_t height = static_cast<std::size_t>(header.Height);
    const std::size_t expected = (stride + 1) * height;
    // The most deflate can expand (1032 times), as the libpng road bounds it: beyond, it cannot be.
    if (expected > static_cast<std::uint64_t>(size) * 1032 + 4096)
        return TPngFastResult::NotTaken;
    const std::uint8_t* stream = JoinImageData(data, found, scratch);
    if (!Inflate(stream, found.Bytes, expected, scratch))
        return TPngFastResult::NotTaken;
    const std::uint8_t* raw = scratch.Raw.get();
    for (std::size_t y = 0; y < height; ++y)
        if (raw[y * (stride + 1)] > 4)
            return TPngFastResult::NotTaken;

    const std::size_t rowBytes = stride + Slack;
    scratch.Rows.resize(3 * rowBytes);
    if (!Shape(out, header.Width, header.Height))
        return TPngFastResult::NotTaken;
    std::uint8_t* rowA = scratch.Rows.data();
    std::uint8_t* rowB = rowA + rowBytes;
    std::uint8_t* zeros = rowB + rowBytes;
    std::memset(zeros, 0, rowBytes);
    const TKernels kernels = KernelsFor(PngFastTarget(), header.Channels);
    const std::uint8_t* prev = zeros;
    for (std::size_t y = 0; y < height; ++y)
    {
        const std::uint8_t* filtered = raw + y * (stride + 1);
        const int type = *filtered++;
        const std::uint8_t* row = filtered;
        if (type != 0)
        {
            std::uint8_t* to = prev == rowA ? rowB : rowA;
            kernels.Unfilter(type, filtered, prev, to, stride);
            row = to;
        }
        kernels.Convert(row, out.ScanLine(static_cast<int>(y)), header.Width);
        prev = row;
    }
    return TPngFastResult::Taken;
}
} // namespace

TPngFastResult DecodePngFast(const std::uint8_t* data, std::size_t size, TBitmap& out,
                             const TImageSizes* sizes)
{
    thread_local TScratch scratch;
    TPngFastResult result = TPngFastResult::NotTaken;
    bool outOfMemory = false;
    try
    {
        result = Decode(data, size, out, sizes, scratch);
    }
    catch (const std::bad_alloc&)
    {
        outOfMemory = true;
    }
    scratch.Trim(outOfMemory);
    return result;
}

TPngFastTarget PngFastTarget()
{
    return Current().load(std::memory_order_relaxed);
}

std::vector<TPngFastTarget> SupportedPngFastTargets()
{
    std::vector<TPngFastTarget> targets{TPngFastTarget::Scalar};
    if (WidestTarget() == TPngFastTarget::Ssse3)
        targets.push_back(TPngFastTarget::Ssse3);
    return targets;
}

bool SetPngFastTarget(TPngFastTarget target)
{
    if (target == TPngFastTarget::Ssse3 && WidestTarget() != TPngFastTarget::Ssse3)
        return false;
    Current().store(target, std::memory_order_relaxed);
    return true;
}
