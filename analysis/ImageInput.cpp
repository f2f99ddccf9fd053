// The two ways an image enters the analyzer: a captured frame drawn into a 640 x 480 source raster,
// or an image file of 640 x 480 or 720 x 480 pixels that replaces both rasters.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <QPainter>
#include <cstddef>
#include <new>

namespace
{
constexpr int RasterWidth = 640;
constexpr int RasterHeight = 480;

void EnsureGreyBuffer(std::vector<std::uint8_t>& buffer, int width, int height)
{
    const std::size_t first = std::size_t{RasterWidth} * RasterHeight;
    const std::size_t needed = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (buffer.empty())
        buffer.resize(first);
    if (buffer.size() < needed)
        buffer.resize(needed);
}

// The sizes a file may have; anything else is refused from its header.
const TImageSizes& AcceptedFileSizes()
{
    static const TImageSizes sizes{{{640, 480}, {720, 480}}};
    return sizes;
}
} // namespace

void TFiberAnalyzer::SetCapturedImage(const TBitmap& frame)
{
    // A frame is analysed at 640 x 480 whatever was loaded before: a kept 720-wide file would
    // add its own columns to the frame and move the rays' starting point.
    const auto fits = [](const std::unique_ptr<TLumarcRaster>& raster) {
        return raster && raster->Bitmap->Width() == RasterWidth && raster->Bitmap->Height() == RasterHeight;
    };
    if (!fits(SourceRaster))
        SourceRaster = std::make_unique<TLumarcRaster>(RasterWidth, RasterHeight);
    if (!fits(WorkRaster))
        WorkRaster = std::make_unique<TLumarcRaster>(RasterWidth, RasterHeight);
    EnsureGreyBuffer(GreyBuffer, RasterWidth, RasterHeight);

    if (frame.Empty())
        return;
    // Unscaled at the top-left corner; what a smaller frame does not cover is black, never the
    // previous image.
    QImage& source = SourceRaster->Bitmap->Image();
    if (frame.Width() < RasterWidth || frame.Height() < RasterHeight)
        source.fill(Qt::black);
    QPainter painter(&source);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, frame.Image());
}

bool TFiberAnalyzer::LoadImageFile(const std::string& path, TImageRefusal* why)
{
    TImageRefusal refusal;
    try
    {
        // Decoded once: both rasters are copies of the same decoded pixels, so a file that changes
        // between reads cannot give them different sizes.
        auto source = std::make_unique<TLumarcRaster>(path, AcceptedFileSizes());
        refusal = source->Refusal;
        const int width = source->Bitmap->Width();
        const int height = source->Bitmap->Height();
        if (!refusal && !AcceptedFileSizes().Accepts(width, height))
        {
            refusal.Problem = TImageProblem::WrongSize;
            refusal.Width = width;
            refusal.Height = height;
        }
        if (!refusal)
        {
            auto work = std::make_unique<TLumarcRaster>(width, height);
            work->FileName = path;
            work->Bitmap->Image() = source->Bitmap->Image().copy();
            // A null copy or a failed growth is a refusal; a larger buffer is harmless if only the
            // copy failed.
            EnsureGreyBuffer(GreyBuffer, width, height);
            if (work->Bitmap->Width() != width || work->Bitmap->Height() != height)
                refusal.Problem = TImageProblem::OutOfMemory;
            else
            {
                WorkRaster = std::move(work);
                SourceRaster = std::move(source);
                return true;
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        refusal = {};
        refusal.Problem = TImageProblem::OutOfMemory;
    }
    if (why)
        *why = refusal;
    return false;
}
