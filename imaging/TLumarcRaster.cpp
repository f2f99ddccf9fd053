#include "imaging/TLumarcRaster.h"

#include "platform/TBitmap.h"
#include "platform/TPngReader.h"
#include "platform/TRasterBase.h"

#include <QPainter>
#include <cctype>
#include <cstddef>

namespace
{
// The text from the last dot on, upper-cased, when that dot lies in the last path component;
// otherwise empty ("dir.png/scope" has none).
std::string UpperExtension(const std::string& fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return {};
    const std::size_t slash = fileName.rfind('/');
    if (slash != std::string::npos && slash > dot)
        return {};
    std::string extension = fileName.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}
} // namespace

TLumarcRaster::TLumarcRaster(const std::string& fileName)
{
    LoadFile(fileName);
}

TLumarcRaster::TLumarcRaster(const std::string& fileName, const TImageSizes& sizes)
{
    LoadFile(fileName, sizes);
}

TLumarcRaster::TLumarcRaster(int width, int height) : Bitmap(new TBitmap(width, height))
{
}

TLumarcRaster::~TLumarcRaster()
{
    delete Raster;
    Raster = nullptr;
    delete Bitmap;
    Bitmap = nullptr;
}

// The decoder object and its bitmap; a bitmap whose memory cannot be had is a refusal too.
void TLumarcRaster::Decode(const std::string& fileName, const TImageSizes& sizes)
{
    Raster = new TRasterBase;
    Raster->LoadFromFile(fileName, sizes);
    Refusal = Raster->Refusal();
    Bitmap = new TBitmap;
    if (!Raster->DecodeToBitmap(Bitmap))
        Refusal.Problem = TImageProblem::OutOfMemory;
}

void TLumarcRaster::LoadFile(const std::string& fileName, const TImageSizes& sizes)
{
    // Only the constructor calls this, but a second call must not leak the first image.
    delete Raster;
    Raster = nullptr;
    delete Bitmap;
    Bitmap = nullptr;
    FileName = fileName;
    Refusal = {};
    if (UpperExtension(fileName) == ".PNG")
        LoadPng(fileName, sizes);
    else
        Decode(fileName, sizes);
    Scale = 1.0f;
    Origin = TPoint2D(0.0f, 0.0f);
}

void TLumarcRaster::LoadPng(const std::string& fileName, const TImageSizes& sizes)
{
    // The header tells the transparency; the pixels are decoded once, by whichever path needs them.
    TPngReader reader;
    reader.ReadInfo(fileName);

    if (reader.Transparency() == TPngTransparency::Partial)
    {
        // The reader's colour and alpha rows, put back together, are exactly the decoder's R G B A
        // (a palette's alpha comes from its transparency entries): decoding straight into the
        // raster gives the same pixels without holding the reader's copy beside it.
        Decode(fileName, sizes);
        return;
    }

    // Only a real transparency chunk names a transparent colour. A file without one keeps its
    // pixels as decoded: turning its black pixels white would hide dark defects.
    const bool replace = reader.HasTransparentColour();
    const TPngRgb transparent = reader.TransparentColour();
    reader.Release();

    Decode(fileName, sizes);
    if (!replace || Raster->Width() != Bitmap->Width() || Raster->Height() != Bitmap->Height())
        return;

    // The decoder has already turned pixels that the chunk makes clear white in the bitmap, so
    // the colour is looked up in the buffer, which holds every pixel's colour as stored. An
    // opaque pixel shows that same colour in the bitmap.
    const int width = Bitmap->Width();
    for (int y = 0; y < Bitmap->Height(); ++y)
    {
        std::uint8_t* bgr = Bitmap->ScanLine(y);
        std::uint8_t* rgba =
            Raster->Pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        for (int x = 0; x < width; ++x, bgr += 3, rgba += 4)
        {
            if (rgba[0] == transparent.Red && rgba[1] == transparent.Green && rgba[2] == transparent.Blue)
            {
                bgr[0] = bgr[1] = bgr[2] = 255;
                rgba[0] = rgba[1] = rgba[2] = 255;
                rgba[3] = 0;
            }
        }
    }
}

// Fits the bitmap into the rectangle, aspect ratio kept and centred. The arithmetic is single
// precision throughout, truncating toward zero, so the placement is reproducible to the pixel.
void TLumarcRaster::DrawFit(QPainter* canvas, int left, int top, int right, int bottom)
{
    if (Bitmap->Empty())
        return;
    const auto w = static_cast<float>(Bitmap->Width());
    const auto h = static_cast<float>(Bitmap->Height());
    const int W = right - left;
    const int H = bottom - top;
    const auto fW = static_cast<float>(W);
    const auto fH = static_cast<float>(H);

    float s;
    if (W > H)
    {
        s = fW / w;
        if (s * h > fH)
            s = fH / h;
    }
    else
    {
        s = fH / h;
        if (s * w > fW)
            s = fW / w;
    }
    const float dw = w * s;
    const float dh = h * s;
    const int x0 = left + static_cast<int>((fW - dw) * 0.5f);
    const int y0 = top + static_cast<int>((fH - dh) * 0.5f);
    const int x1 = static_cast<int>(static_cast<float>(x0) + dw);
    const int y1 = static_cast<int>(static_cast<float>(y0) + dh);

    Scale = s;
    Origin = TPoint2D(static_cast<float>(x0), static_cast<float>(y0));
    if (canvas)
        canvas->drawImage(QRect(x0, y0, x1 - x0, y1 - y0), Bitmap->Image());
}
