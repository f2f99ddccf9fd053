#pragma once
// An image held as a 24-bit bitmap: decoded from a BMP, JPEG or PNG file, or blank of a given
// size; drawn fitted into a rectangle with its aspect ratio kept.
// A file that cannot be read leaves a 0 x 0 bitmap: callers judge the result by its size, and
// Refusal says why.

#include "analysis/TPoint2D.h"
#include "platform/TImageRefusal.h"

#include <string>

class QPainter;
class TBitmap;
class TRasterBase;

class TLumarcRaster
{
public:
    std::string FileName;          // empty for a raster made by size
    TRasterBase* Raster = nullptr; // the decoder object; null for a raster made by size
    TBitmap* Bitmap = nullptr;     // never null once constructed
    float Scale = 1.0f;            // of the last DrawFit
    TPoint2D Origin;               // top-left corner of the last DrawFit
    TImageRefusal Refusal;         // why a file left a 0 x 0 bitmap

    explicit TLumarcRaster(const std::string& fileName);
    // Takes only a file of one of the given sizes; any other is refused from its header, before
    // its pixels are decoded.
    TLumarcRaster(const std::string& fileName, const TImageSizes& sizes);
    TLumarcRaster(int width, int height);
    ~TLumarcRaster();
    TLumarcRaster(const TLumarcRaster&) = delete;
    TLumarcRaster& operator=(const TLumarcRaster&) = delete;

    void DrawFit(QPainter* canvas, int left, int top, int right, int bottom);

    void LoadFile(const std::string& fileName, const TImageSizes& sizes = {});
    void LoadPng(const std::string& fileName, const TImageSizes& sizes = {});

private:
    void Decode(const std::string& fileName, const TImageSizes& sizes);
};
