// Image preparation: the source copied into the working image, turned grey (bytes B G R weighted
// 0.299 / 0.587 / 0.114 in double, rounded to float, truncated), a 3 x 3 median over the interior
// and a fixed 1.5x contrast stretch with clipping.
//
// When source and working image have the same size (always, for frames and files) the copy and
// the grey conversion are one pass that reads the source and writes the working image, and the
// median writes its stretched result straight into GreyBuffer: two passes over the frame instead
// of five. The kernels (analysis/Kernels.h) run on the widest vector unit the processor has.

#include "analysis/Kernels.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <cstring>

namespace
{
// The unfiltered grey image, reused by every preparation of the thread: the median needs its
// input apart from its output, and per-frame work allocates nothing once it has grown.
std::uint8_t* Scratch(std::size_t n)
{
    thread_local std::vector<std::uint8_t> scratch;
    if (scratch.size() < n)
        scratch.resize(n);
    return scratch.data();
}

void EnsureSize(std::vector<std::uint8_t>& buffer, std::size_t n)
{
    if (buffer.size() < n)
        buffer.resize(n);
}
} // namespace

void TFiberAnalyzer::PrepareImage()
{
    // Without an image there is nothing to prepare; the callers never ask before an image input,
    // and a released working image must not take the program down.
    if (!SourceRaster || !WorkRaster)
        return;
    const TBitmap& source = *SourceRaster->Bitmap;
    TBitmap& work = *WorkRaster->Bitmap;
    if (source.Width() != work.Width() || source.Height() != work.Height())
    {
        // Unscaled copy at (0, 0); this also erases the colours of an earlier detection.
        const int rows = std::min(source.Height(), work.Height());
        const std::size_t bytes = 3 * static_cast<std::size_t>(std::min(source.Width(), work.Width()));
        for (int y = 0; y < rows; ++y)
            std::memcpy(work.ScanLine(y), source.ScanLine(y), bytes);
        ConvertToGrey();
        MedianFilter();
        EnhanceContrast();
        return;
    }

    ImageWidth = work.Width();
    ImageHeight = work.Height();
    const auto w = static_cast<std::size_t>(ImageWidth);
    const std::size_t n = w * static_cast<std::size_t>(ImageHeight);
    EnsureSize(GreyBuffer, n);
    std::uint8_t* grey = Scratch(n);
    for (int y = 0; y < ImageHeight; ++y)
        GreyRow(source.ScanLine(y), work.ScanLine(y), grey + static_cast<std::size_t>(y) * w, w);
    MedianRows(grey, GreyBuffer.data(), ImageWidth, ImageHeight, true);
}

void TFiberAnalyzer::ConvertToGrey()
{
    if (!WorkRaster || !WorkRaster->Bitmap)
        return;
    TBitmap& work = *WorkRaster->Bitmap;
    ImageWidth = work.Width();
    ImageHeight = work.Height();
    const auto w = static_cast<std::size_t>(ImageWidth);
    EnsureSize(GreyBuffer, w * static_cast<std::size_t>(ImageHeight));
    for (int y = 0; y < ImageHeight; ++y)
    {
        std::uint8_t* row = work.ScanLine(y);
        GreyRow(row, row, GreyBuffer.data() + static_cast<std::size_t>(y) * w, w);
    }
}

void TFiberAnalyzer::MedianFilter()
{
    const auto w = static_cast<std::size_t>(ImageWidth);
    const auto h = static_cast<std::size_t>(ImageHeight);
    if (w < 3 || h < 3 || GreyBuffer.size() < w * h)
        return;
    std::uint8_t* unfiltered = Scratch(w * h);
    std::memcpy(unfiltered, GreyBuffer.data(), w * h);
    MedianRows(unfiltered, GreyBuffer.data(), ImageWidth, ImageHeight, false);
}

void TFiberAnalyzer::EnhanceContrast()
{
    const std::size_t n = std::min(GreyBuffer.size(), static_cast<std::size_t>(ImageWidth) *
                                                          static_cast<std::size_t>(ImageHeight));
    ContrastRow(GreyBuffer.data(), n);
}
