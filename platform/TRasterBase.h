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
// Anything that cannot be decoded (missing, truncated, corrupt or unsupported file, a header
// claiming a size the caller does not take or more than the cap, or memory that cannot be had)
// leaves an empty raster: Pixels null, 0 x 0, Refusal() saying why, and DecodeToBitmap then gives a
// 0 x 0 bitmap. Sizes are checked before any allocation.

#include "platform/TImageRefusal.h"

#include <cstdint>
#include <string>
#include <vector>

class TBitmap;

class TRasterBase
{
public:
    // No scope or camera image comes near these: a header claiming more is refused unread.
    static constexpr int MaxSide = 16384;
    static constexpr long long MaxPixels = 64LL << 20;

    std::uint8_t* Pixels = nullptr; // R G B A rows, see above; null when empty

    TRasterBase() = default;
    ~TRasterBase() = default;
    TRasterBase(const TRasterBase&) = delete;
    TRasterBase& operator=(const TRasterBase&) = delete;

    int Width() const { return Width_; }
    int Height() const { return Height_; }

    // A buffer of width x height pixels, all zero (transparent black). A size beyond the cap, or
    // memory that cannot be had, leaves the raster empty.
    void Alloc(int width, int height);

    // Decodes the file into the buffer, replacing what was there; a header claiming a size not in
    // sizes is refused before any pixel is allocated. On failure the raster is empty.
    void LoadFromFile(const std::string& path, const TImageSizes& sizes = {});

    // Why the last Alloc or LoadFromFile left the raster empty.
    const TImageRefusal& Refusal() const { return Refusal_; }

    // Gives the bitmap the raster's size and pixels. Alpha is composited over white, so a fully
    // transparent pixel shows white whichever way the file expressed its transparency (alpha
    // channel, transparent colour or palette entry) and a partly transparent one is lightened
    // in proportion. False, with a 0 x 0 bitmap, when the bitmap's memory cannot be had.
    bool DecodeToBitmap(TBitmap* bitmap) const;

private:
    void Clear();

    TImageRefusal Refusal_;
    std::vector<std::uint8_t> Storage_;
    int Width_ = 0;
    int Height_ = 0;
};
