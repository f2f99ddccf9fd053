#pragma once
// Small files whose headers claim a huge image, one for each format and decoding path: RLE4,
// RLE8 and uncompressed BMP, every PNG colour type with and without a transparency chunk (padded
// so that the claim passes the deflate bound, as a real file of that size would), baseline,
// progressive and greyscale JPEG. A decoder that trusts the header allocates gigabytes for them.

#include "tests/platform/ImageFixtures.h"

#include <ostream>
#include <string>
#include <vector>

struct THostileImage
{
    std::string Name; // also the file name, with the extension of its format
    TBytes File;
    int Width; // as claimed
    int Height;
};

inline void PrintTo(const THostileImage& image, std::ostream* os)
{
    *os << image.Name;
}

std::vector<THostileImage> HostileImages(int width = 16384, int height = 16384);
