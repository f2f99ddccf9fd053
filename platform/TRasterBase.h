#pragma once
// The decoder object behind every image loaded from a file: it turns a BMP, JPEG or PNG file
// (recognised by its first bytes, not its name) into a 32-bit R G B A pixel buffer, and that
// buffer into a 24-bit bitmap.
//
// Buffer layout, relied on by the raster wrapper which writes into it directly: Width x Height
// pixels, 4 bytes each (red, green, blue, alpha; 255 opaque, 0 fully transparent), rows from top
// to bottom, each row exactly Width x 4 bytes with no gap, so pixel (c, r) starts at byte
// (r x Width + c) x 4.
//
// Anything that cannot be decoded (missing, truncated, corrupt or unsupported file, or a header
// claiming more than MaxSide pixels in either direction) leaves an empty raster: Pixels null,
// 0 x 0, and DecodeToBitmap then gives a 0 x 0 bitmap. Sizes are checked before any allocation.

#include <cstdint>
#include <string>
#include <vector>

class TBitmap;

class TRasterBase
{
public:
    static constexpr int MaxSide = 16384;

    std::uint8_t* Pixels = nullptr; // R G B A rows, see above; null when empty

    TRasterBase() = default;
    ~TRasterBase() = default;
    TRasterBase(const TRasterBase&) = delete;
    TRasterBase& operator=(const TRasterBase&) = delete;

    int Width() const { return Width_; }
    int Height() const { return Height_; }

    // A buffer of width x height pixels, all zero (transparent black). A size outside
    // 1..MaxSide in either direction leaves the raster empty.
    void Alloc(int width, int height);

    // Decodes the file into the buffer, replacing what was there. On failure the raster is empty.
    void LoadFromFile(const std::string& path);

    // Gives the bitmap the raster's size and pixels. Alpha is composited over white, so a fully
    // transparent pixel shows white whichever way the file expressed its transparency (alpha
    // channel, transparent colour or palette entry) and a partly transparent one is lightened
    // in proportion.
    void DecodeToBitmap(TBitmap* bitmap) const;

private:
    void Clear();

    std::vector<std::uint8_t> Storage_;
    int Width_ = 0;
    int Height_ = 0;
};
