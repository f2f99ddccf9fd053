// The two ways an image enters the analyzer: a captured frame copied into a 640 x 480 source raster,
// or an image file of 640 x 480 or 720 x 480 pixels that replaces both rasters. JPEG and opaque
// PNG files are decoded straight into the bitmap (platform/OpaqueImageDecoder.h); the rasters of
// the previous image are reused when the size matches, so a run of files allocates nothing.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/OpaqueImageDecoder.h"
#include "platform/TBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <cstring>

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

// A raster made by size for a file image of width x height: the one the analyzer holds when it
// has that size and no decoder object, else a new one.
TLumarcRaster& RasterFor(std::unique_ptr<TLumarcRaster>& raster, int width, int height)
{
    if (!raster || raster->Raster || raster->Bitmap->Width() != width || raster->Bitmap->Height() != height)
        raster = std::make_unique<TLumarcRaster>(width, height);
    return *raster;
}

// The top-left part the two bitmaps have in common.
void CopyRows(const TBitmap& from, TBitmap& to)
{
    const auto bytes = static_cast<std::size_t>(3 * std::min(from.Width(), to.Width()));
    for (int y = 0; y < std::min(from.Height(), to.Height()); ++y)
        std::memcpy(to.ScanLine(y), from.ScanLine(y), bytes);
}

// The working image starts as a copy of the source; both carry the file's name.
void TakeFileImage(TFiberAnalyzer& a, const std::string& path, int width, int height)
{
    TLumarcRaster& work = RasterFor(a.WorkRaster, width, height);
    CopyRows(*a.SourceRaster->Bitmap, *work.Bitmap);
    a.SourceRaster->FileName = path;
    work.FileName = path;
    EnsureGreyBuffer(a.GreyBuffer, width, height);
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
    if (frame.Image().format() == source.format())
    {
        // The bitmaps share their pixel layout: the frame's rows are copied as they are, without
        // setting up a painter for every frame.
        CopyRows(frame, *SourceRaster->Bitmap);
        return;
    }
    QPainter painter(&source);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, frame.Image());
}

bool TFiberAnalyzer::LoadImageFile(const std::string& path)
{
    // The decoded pixels trade places with the previous source image, whose storage the next
    // file then decodes into.
    thread_local TBitmap decoded;
    if (DecodeOpaqueImage(path, decoded))
    {
        const int width = decoded.Width(), height = decoded.Height();
        if (!AcceptedFileSize(width, height))
            return false;
        std::swap(RasterFor(SourceRaster, width, height).Bitmap->Image(), decoded.Image());
        TakeFileImage(*this, path, width, height);
        return true;
    }

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

bool TFiberAnalyzer::LoadImageBitmap(const std::string& path, const TBitmap& image)
{
    const int width = image.Width(), height = image.Height();
    if (!AcceptedFileSize(width, height))
        return false;
    CopyRows(image, *RasterFor(SourceRaster, width, height).Bitmap);
    TakeFileImage(*this, path, width, height);
    return true;
}
