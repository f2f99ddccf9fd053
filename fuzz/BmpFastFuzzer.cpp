// The BMP quick road against the general road, in memory. DecodeBmpBgr copies the rows of an
// uncompressed 24 or 32-bit file straight into the B G R bitmap; the general road decodes with
// DecodeBmp into R G B A and blends over white in TRasterBase::DecodeToBitmap. Contract: a file
// the quick road takes, the general road takes too, with the same bitmap, also when the quick road
// writes into storage of that size that another image shares; a file it leaves, the bitmap is as
// it was or empty. With sizes it takes a file only of one of them, with the same bitmap: with the
// analyzer's, with the file's own among its neighbours, and not with the neighbours alone.
//
// A whole file of the analyzer's sizes is longer than any input, so a header that declares one is
// tried once more with its rows completed from the input's own pixel bytes. There only the sizes
// are in question (the rows are compared with the general road at every width and height an input
// can hold): decoding camera-size files through the general road on every such run would slow
// the campaign tenfold.

#include "fuzz/FuzzCheck.h"
#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"

#include <algorithm>
#include <vector>

namespace
{
using TBytes = std::vector<std::uint8_t>;

const TImageSizes AnalyzerSizes{{{640, 480}, {720, 480}}};

// Enough bytes after any pixel offset for the rows of the largest of those sizes at 32 bits.
constexpr std::size_t LongestRows = std::size_t{720} * 480 * 4;

std::uint32_t U16(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8);
}

std::uint32_t U32(const std::uint8_t* p)
{
    return U16(p) | (U16(p + 2) << 16);
}

// Another format than the bitmap's, so that a 3 x 2 file must not take the storage as it stands.
QImage Marked()
{
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(QColor(1, 2, 3));
    return image;
}

bool LeftAsItWas(const TBitmap& bitmap)
{
    return bitmap.Empty() || bitmap.Image() == Marked();
}

// The general road: every BMP kind into R G B A, then the raster's blend over white.
bool GeneralRoad(const std::uint8_t* data, std::size_t size, TBitmap& out)
{
    TRgbaImage rgba;
    if (!DecodeBmp(data, size, rgba))
        return false;
    TRasterBase raster;
    raster.Alloc(rgba.Width, rgba.Height);
    FUZZ_CHECK(raster.Pixels);
    std::copy(rgba.Pixels.begin(), rgba.Pixels.end(), raster.Pixels);
    FUZZ_CHECK(raster.DecodeToBitmap(&out));
    return true;
}

// With sizes: taken exactly when one of them is the file's, as the general road decodes it.
void CheckSizes(const std::uint8_t* data, std::size_t size, const TImageSizes& sizes, const TBitmap& general)
{
    TBitmap limited;
    limited.Image() = Marked();
    const bool taken = DecodeBmpBgr(data, size, limited, &sizes);
    if (general.Empty() || !sizes.Accepts(general.Width(), general.Height()))
    {
        FUZZ_CHECK(!taken && LeftAsItWas(limited));
        return;
    }
    FUZZ_CHECK(taken && limited.Image() == general.Image());
    TRgbaImage rgba;
    FUZZ_CHECK(DecodeBmp(data, size, rgba, sizes));
}

void Check(const std::uint8_t* data, std::size_t size)
{
    TBitmap quick;
    quick.Image() = Marked();
    TBitmap general;
    if (!DecodeBmpBgr(data, size, quick))
    {
        FUZZ_CHECK(LeftAsItWas(quick));
        CheckSizes(data, size, AnalyzerSizes, general);
        return;
    }
    FUZZ_CHECK(GeneralRoad(data, size, general));
    FUZZ_CHECK(quick.Image() == general.Image());

    const int w = general.Width(), h = general.Height();
    CheckSizes(data, size, AnalyzerSizes, general);
    CheckSizes(data, size, TImageSizes{{{w + 1, h}, {w, h}, {w, h + 1}}}, general);
    CheckSizes(data, size, TImageSizes{{{w + 1, h}, {w, h + 1}, {w - 1, h}, {w, h - 1}, {h, w}}}, general);

    // Storage of the file's size is written over, not made anew, when it is a bitmap's: every byte
    // must be written (each starts different from the right one), and an image sharing it stays
    // as it was. Storage of another format must be made anew.
    for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB888})
    {
        TBitmap reused;
        reused.Image() = general.Image().convertToFormat(format);
        reused.Image().invertPixels();
        const QImage shared = reused.Image();
        const QImage before = shared.copy();
        FUZZ_CHECK(DecodeBmpBgr(data, size, reused));
        FUZZ_CHECK(reused.Image() == general.Image());
        FUZZ_CHECK(shared == before);
    }
}

// Whether the header declares one of the analyzer's sizes, read as DecodeBmp reads it.
bool DeclaresAnalyzerSize(const std::uint8_t* data, std::size_t size)
{
    if (size < 26)
        return false;
    if (U32(data + 14) == 12)
        return AnalyzerSizes.Accepts(U16(data + 18), U16(data + 20));
    const long long width = static_cast<std::int32_t>(U32(data + 18));
    const long long height = static_cast<std::int32_t>(U32(data + 22));
    return AnalyzerSizes.Accepts(width, height < 0 ? -height : height);
}

// The input followed by its pixel bytes over and over, in whole 4-byte steps (the whole input when
// the pixel offset lies outside it), so an alpha channel left zero, or in use, stays so. The copies
// double in length, each a whole number of periods. The file's bytes past the end are stale.
std::size_t Complete(const std::uint8_t* data, std::size_t size, TBytes& file)
{
    const std::size_t offset = U32(data + 10);
    const std::size_t pixels = size - (offset < size ? offset : 0);
    const std::size_t period = pixels >= 4 ? pixels & ~std::size_t{3} : pixels;
    const std::size_t length = size + LongestRows;
    if (file.size() < length)
        file.resize(length);
    std::copy_n(data, size, file.begin());
    const auto start = file.begin() + static_cast<std::ptrdiff_t>(size - period);
    for (std::size_t at = size; at < length; at += at - (size - period))
        std::copy_n(start, std::min(at - (size - period), length - at),
                    file.begin() + static_cast<std::ptrdiff_t>(at));
    return length;
}

// The completed file is taken with the analyzer's sizes exactly when it is taken without them,
// with the same bytes. The file and the bitmaps are kept from run to run: fresh pages for every
// run would cost more than the decoding.
void CheckAnalyzerSize(const std::uint8_t* data, std::size_t size)
{
    static TBytes file;
    static TBitmap quick, limited;
    const std::size_t length = Complete(data, size, file);
    const bool taken = DecodeBmpBgr(file.data(), length, quick);
    FUZZ_CHECK(DecodeBmpBgr(file.data(), length, limited, &AnalyzerSizes) == taken);
    FUZZ_CHECK(!taken || limited.Image() == quick.Image());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Check(data, size);
    if (DeclaresAnalyzerSize(data, size))
        CheckAnalyzerSize(data, size);
    return 0;
}
