#pragma once
// The file decoders behind TRasterBase. Each takes the whole file in memory and fills an R G B A
// image (rows top to bottom, width x 4 bytes each) or returns false, leaving it empty and saying
// why in *why (when given). None of them allocates for pixels before the header's dimensions have
// been checked against the caller's sizes (and the raster's own cap) and, where the format allows,
// against the size of the file. A failed allocation is a refusal, never an exception.

#include "platform/TImageRefusal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TBitmap;

struct TRgbaImage
{
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    void Clear()
    {
        Width = 0;
        Height = 0;
        Pixels = {};
    }
};

enum class TImageFormat
{
    Unknown,
    Bmp,
    Jpeg,
    Png
};

// Recognises a file by its first bytes.
TImageFormat DetectImageFormat(const std::uint8_t* data, std::size_t size);

bool DecodeBmp(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes = {},
               TImageRefusal* why = nullptr);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes = {},
                TImageRefusal* why = nullptr);
bool DecodePng(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes = {},
               TImageRefusal* why = nullptr);
// Recognises the format by the first bytes and calls its decoder.
bool DecodeImage(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes = {},
                 TImageRefusal* why = nullptr);

// The quick road's BMP (OpaqueImageDecoder.h): an uncompressed 24-bit file, or a 32-bit one whose
// channels are whole bytes (blue, green, red and, if it has one, alpha), rows bottom-up or
// top-down, decoded straight into the 24-bit B G R bitmap, whose storage is reused when the size
// matches. The bytes are those of DecodeBmp followed by the blend over white of
// TRasterBase::DecodeToBitmap. False, leaving out as it was or empty, for every other BMP and for
// every file DecodeBmp refuses; with sizes, a header of any other size is refused unread.
bool DecodeBmpBgr(const std::uint8_t* data, std::size_t size, TBitmap& out,
                  const TImageSizes* sizes = nullptr);

// Reads a whole regular file. False, with the reason in why and out empty, when it is missing, not
// a regular file, cannot be read, or is larger than any image we accept could need (so a huge file
// is never pulled into memory). The capacity out already has is kept, so a caller that reads file
// after file into the same vector reuses its memory instead of faulting in fresh pages each time.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, TImageRefusal* why = nullptr);

// True when width and height are within the raster's own cap (TImageSizes{}.Accepts).
bool ImageSizeAcceptable(long long width, long long height);
