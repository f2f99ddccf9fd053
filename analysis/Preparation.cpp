// Image preparation: the source copied into the working image, turned grey (bytes B G R weighted
// 0.299 / 0.587 / 0.114 in double, rounded to float, truncated), a 3 x 3 median over the interior
// and a fixed 1.5x contrast stretch with clipping. Three single passes over the pixels; the median
// runs a 19-comparator sorting network over whole rows at once, branch-free and vectorised.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace
{
// One comparator of the network applied to a whole row of lanes: a[i] gets the smaller, b[i] the
// larger value. A straight loop of min/max the compiler turns into vector instructions.
inline void Order(std::uint8_t* __restrict a, std::uint8_t* __restrict b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::uint8_t lo = a[i] < b[i] ? a[i] : b[i];
        const std::uint8_t hi = a[i] < b[i] ? b[i] : a[i];
        a[i] = lo;
        b[i] = hi;
    }
}

// Median of nine by a 19-comparator network: the same middle value as any full sort. Applied
// lane-wise, p[k][i] holding the k-th of the nine values around pixel i of the row.
void Median9(std::uint8_t* const p[9], std::size_t n)
{
    static constexpr int Network[19][2] = {{1, 2}, {4, 5}, {7, 8}, {0, 1}, {3, 4}, {6, 7}, {1, 2},
                                           {4, 5}, {7, 8}, {0, 3}, {5, 8}, {4, 7}, {3, 6}, {1, 4},
                                           {2, 5}, {4, 7}, {4, 2}, {6, 4}, {4, 2}};
    for (const auto& c : Network)
        Order(p[c[0]], p[c[1]], n);
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
// The grey weights' products for every byte value, computed once. Adding them reproduces
// 0.299 * B + 0.587 * G + 0.114 * R exactly: the same double products, added in the same order.
struct GreyWeights
{
    double B[256], G[256], R[256];
};

const GreyWeights& Weights()
{
    static const GreyWeights weights = [] {
        GreyWeights t{};
        for (int i = 0; i < 256; ++i)
        {
            t.B[i] = 0.299 * i;
            t.G[i] = 0.587 * i;
            t.R[i] = 0.114 * i;
        }
        return t;
    }();
    return weights;
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

    const GreyWeights& weight = Weights();
    for (int y = 0; y < ImageHeight; ++y)
    {
        std::uint8_t* row = work.ScanLine(y);
        std::uint8_t* grey = GreyBuffer.data() + static_cast<std::size_t>(y) * w;
        for (std::size_t x = 0; x < w; ++x)
        {
            std::uint8_t* px = row + 3 * x;
            // The blue byte takes 0.299 and the red byte 0.114. The sum is rounded to float
            // before truncation: 65 grey levels would otherwise come out one lower.
            const double sum = weight.B[px[0]] + weight.G[px[1]] + weight.R[px[2]];
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
    if (w < 3 || h < 3 || GreyBuffer.size() < w * h)
        return;
    std::vector<std::uint8_t> filtered(GreyBuffer.begin(),
                                       GreyBuffer.begin() + static_cast<std::ptrdiff_t>(w * h));
    // Nine lanes of the interior width: lane 3 * (dy + 1) + (dx + 1) holds the neighbours at
    // (dx, dy) of the row's pixels, read from the unfiltered buffer.
    const std::size_t n = w - 2;
    std::vector<std::uint8_t> lanes(9 * n);
    std::uint8_t* lane[9];
    for (std::size_t k = 0; k < 9; ++k)
        lane[k] = lanes.data() + k * n;
    for (std::size_t y = 1; y + 1 < h; ++y)
    {
        for (std::size_t k = 0; k < 9; ++k)
            std::memcpy(lane[k], GreyBuffer.data() + (y + k / 3 - 1) * w + k % 3, n);
        Median9(lane, n);
        std::memcpy(filtered.data() + y * w + 1, lane[4], n);
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
