#pragma once
// The file decoders behind TRasterBase. Each takes the whole file in memory and fills an R G B A
// image (rows top to bottom, width x 4 bytes each) or returns false, leaving it empty. None of
// them allocates for pixels before the header's dimensions have been checked against
// TRasterBase::MaxSide and, where the format allows, against the size of the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

bool DecodeBmp(const std::uint8_t* data, std::size_t size, TRgbaImage& out);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TRgbaImage& out);
bool DecodePng(const std::uint8_t* data, std::size_t size, TRgbaImage& out);

// Reads a whole file. False when it cannot be opened or read, or when it is larger than any
// image we accept could need (so a huge file is never pulled into memory).
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

// True when width and height are both within 1..TRasterBase::MaxSide.
bool ImageSizeAcceptable(long long width, long long height);
