#pragma once
// Why an image file was refused, and the sizes a caller takes. The sizes are checked against a
// file's header before any pixel buffer is allocated, so a small file that claims a huge image
// costs nothing.

#include <string>
#include <vector>

enum class TImageProblem
{
    None,
    Missing,        // no file at the path
    NotRegularFile, // a folder, a device, a pipe
    Unreadable,     // exists but cannot be opened or read (SystemError says why)
    NotAnImage,     // not a BMP, JPEG or PNG file
    Unsupported,    // one of those formats, of a kind we do not read (Detail says which)
    Damaged,        // damaged or truncated
    WrongSize,      // Width x Height is not a size the caller takes
    OutOfMemory,    // an allocation failed
};

struct TImageRefusal
{
    TImageProblem Problem = TImageProblem::None;
    std::string Detail; // the kind of image for Unsupported
    int Width = 0;      // the header's size for WrongSize
    int Height = 0;
    int SystemError = 0; // errno for Unreadable

    explicit operator bool() const { return Problem != TImageProblem::None; }
};

// One line for a person: "does not exist", "is 800 x 600 pixels", ...
std::string DescribeRefusal(const TImageRefusal& refusal);

struct TImageSize
{
    int Width = 0;
    int Height = 0;
};

// The sizes a caller takes. Empty: any size within the raster's own cap (TRasterBase::MaxSide
// either way and TRasterBase::MaxPixels in all).
struct TImageSizes
{
    std::vector<TImageSize> Sizes;

    bool Accepts(long long width, long long height) const;
};
