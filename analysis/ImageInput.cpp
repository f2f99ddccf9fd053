// The two ways an image enters the analyzer: a captured frame drawn into a 640 x 480 source raster,
// or an image file of 640 x 480 or 720 x 480 pixels that replaces both rasters.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <QPainter>
#include <cstddef>

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

bool AcceptedFileSize(int width, int height)
{
    return height == 480 && (width == 640 || width == 720);
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

bool TFiberAnalyzer::LoadImageFile(const std::string& path)
{
    // Decoded once: both rasters are copies of the same decoded pixels, so a file that changes
    // between reads cannot give them different sizes.
    auto source = std::make_unique<TLumarcRaster>(path);
    const int width = source->Bitmap ? source->Bitmap->Width() : 0;
    const int height = source->Bitmap ? source->Bitmap->Height() : 0;
    if (!AcceptedFileSize(width, height))
        return false;

    auto work = std::make_unique<TLumarcRaster>(width, height);
    work->FileName = path;
    work->Bitmap->Image() = source->Bitmap->Image().copy();
    // Growing the buffer is the last step that can fail; a larger buffer is harmless if it does.
    EnsureGreyBuffer(GreyBuffer, width, height);
    WorkRaster = std::move(work);
    SourceRaster = std::move(source);
    return true;
}
