// Image preparation: the source copied into the working image, turned grey (bytes B G R weighted
// 0.299 / 0.587 / 0.114 in double, rounded to float, truncated), a 3 x 3 median over the interior
// and a fixed 1.5x contrast stretch with clipping. Three single passes over the pixels.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace
{
inline void Order(std::uint8_t& a, std::uint8_t& b)
{
    const std::uint8_t lo = std::min(a, b);
    b = std::max(a, b);
    a = lo;
}

// Median of nine by a 19-comparator network: the same middle value as any full sort, without
// branches.
inline std::uint8_t Median9(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2, std::uint8_t p3,
                            std::uint8_t p4, std::uint8_t p5, std::uint8_t p6, std::uint8_t p7,
                            std::uint8_t p8)
{
    Order(p1, p2);
    Order(p4, p5);
    Order(p7, p8);
    Order(p0, p1);
    Order(p3, p4);
    Order(p6, p7);
    Order(p1, p2);
    Order(p4, p5);
    Order(p7, p8);
    Order(p0, p3);
    Order(p5, p8);
    Order(p4, p7);
    Order(p3, p6);
    Order(p1, p4);
    Order(p2, p5);
    Order(p4, p7);
    Order(p4, p2);
    Order(p6, p4);
    Order(p4, p2);
    return p4;
}

// g x 1.5 as a float, clipped at 255 and truncated: the same for every pixel of a grey level.
std::array<std::uint8_t, 256> ContrastTable()
{
    std::array<std::uint8_t, 256> table{};
    for (int g = 0; g < 256; ++g)
    {
        float v = static_cast<float>(g) * 1.5f;
        if (v > 255.0f)
            v = 255.0f;
        table[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(static_cast<int>(v));
    }
    return table;
}
} // namespace

void TFiberAnalyzer::PrepareImage()
{
    // Without an image there is nothing to prepare; the callers never ask before an image input,
    // and a released working image must not take the program down.
    if (!SourceRaster || !WorkRaster)
        return;
    // Unscaled copy at (0, 0); this also erases the colours of an earlier detection.
    const TBitmap& source = *SourceRaster->Bitmap;
    TBitmap& work = *WorkRaster->Bitmap;
    const int rows = std::min(source.Height(), work.Height());
    const std::size_t bytes = 3 * static_cast<std::size_t>(std::min(source.Width(), work.Width()));
    for (int y = 0; y < rows; ++y)
        std::memcpy(work.ScanLine(y), source.ScanLine(y), bytes);

    ConvertToGrey();
    MedianFilter();
    EnhanceContrast();
}

void TFiberAnalyzer::ConvertToGrey()
{
    if (!WorkRaster || !WorkRaster->Bitmap)
        return;
    TBitmap& work = *WorkRaster->Bitmap;
    ImageWidth = work.Width();
    ImageHeight = work.Height();
    const std::size_t w = static_cast<std::size_t>(ImageWidth);
    if (GreyBuffer.size() < w * static_cast<std::size_t>(ImageHeight))
        GreyBuffer.resize(w * static_cast<std::size_t>(ImageHeight));

    for (int y = 0; y < ImageHeight; ++y)
    {
        std::uint8_t* row = work.ScanLine(y);
        std::uint8_t* grey = GreyBuffer.data() + static_cast<std::size_t>(y) * w;
        for (std::size_t x = 0; x < w; ++x)
        {
            std::uint8_t* px = row + 3 * x;
            // The blue byte takes 0.299 and the red byte 0.114. The sum is rounded to float
            // before truncation: 65 grey levels would otherwise come out one lower.
            const double sum = 0.299 * px[0] + 0.587 * px[1] + 0.114 * px[2];
            const auto g = static_cast<std::uint8_t>(static_cast<int>(static_cast<float>(sum)));
            grey[x] = g;
            px[0] = px[1] = px[2] = g;
        }
    }
}

void TFiberAnalyzer::MedianFilter()
{
    const std::size_t w = static_cast<std::size_t>(ImageWidth);
    const std::size_t h = static_cast<std::size_t>(ImageHeight);
    if (GreyBuffer.size() < w * h)
        return;
    std::vector<std::uint8_t> filtered(GreyBuffer.begin(),
                                       GreyBuffer.begin() + static_cast<std::ptrdiff_t>(w * h));
    for (std::size_t y = 1; y + 1 < h; ++y)
    {
        const std::uint8_t* r0 = GreyBuffer.data() + (y - 1) * w;
        const std::uint8_t* r1 = r0 + w;
        const std::uint8_t* r2 = r1 + w;
        std::uint8_t* out = filtered.data() + y * w;
        for (std::size_t x = 1; x + 1 < w; ++x)
            out[x] = Median9(r0[x - 1], r0[x], r0[x + 1], r1[x - 1], r1[x], r1[x + 1], r2[x - 1], r2[x],
                             r2[x + 1]);
    }
    std::copy(filtered.begin(), filtered.end(), GreyBuffer.begin());
}

void TFiberAnalyzer::EnhanceContrast()
{
    static const std::array<std::uint8_t, 256> table = ContrastTable();
    const std::size_t n = std::min(GreyBuffer.size(), static_cast<std::size_t>(ImageWidth) *
                                                          static_cast<std::size_t>(ImageHeight));
    for (std::size_t i = 0; i < n; ++i)
        GreyBuffer[i] = table[GreyBuffer[i]];
}
