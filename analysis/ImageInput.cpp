// The two ways an image enters the analyzer: a captured frame copied into a 640 x 480 source raster,
// or an image file of 640 x 480 or 720 x 480 pixels that replaces both rasters. JPEG, 8-bit PNG
// (alpha blended over white) and uncompressed 24 or 32-bit BMP files are decoded straight into the bitmap
// (platform/OpaqueImageDecoder.h); the rasters of the previous image are reused when the size
// matches, so a run of files allocates nothing.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/OpaqueImageDecoder.h"
#include "platform/TBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace
{
constexpr int RasterWidth = AnalysisWidth;
constexpr int RasterHeight = AnalysisHeight;

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
    static const TImageSizes sizes{{{AnalysisWidth, AnalysisHeight}, {720, AnalysisHeight}}};
    return sizes;
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

bool TFiberAnalyzer::LoadImageFile(const std::string& path, TImageRefusal* why)
{
    TImageRefusal refusal;
    try
    {
        // The quick road for a JPEG, an 8-bit PNG or a plain BMP of an accepted size: decoded straight into
        // the bitmap, trading places with the previous source image, whose storage the next file
        // then decodes into. Any other file, or a size not accepted, takes the general road,
        // which decides and says why.
        thread_local TBitmap decoded;
        if (DecodeOpaqueImage(path, decoded, &AcceptedFileSizes()))
        {
            const int width = decoded.Width(), height = decoded.Height();
            std::swap(RasterFor(SourceRaster, width, height).Bitmap->Image(), decoded.Image());
            TakeFileImage(*this, path, width, height);
            return true;
        }

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

bool TFiberAnalyzer::LoadImageBitmap(const std::string& path, const TBitmap& image)
{
    const int width = image.Width(), height = image.Height();
    if (!AcceptedFileSizes().Accepts(width, height))
        return false;
    // The analyzer's own source image (the same file analysed again) is already in place: only
    // the working image starts again from it.
    if (!SourceRaster || &image != SourceRaster->Bitmap)
        CopyRows(image, *RasterFor(SourceRaster, width, height).Bitmap);
    TakeFileImage(*this, path, width, height);
    return true;
}
