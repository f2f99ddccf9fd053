#pragma once
// The quick road for the images the station is mostly given: a JPEG, a PNG without a transparency
// chunk and either without an alpha channel or with 8-bit alpha, or an uncompressed 24 or 32-bit
// BMP, decoded straight into the 24-bit B G R bitmap. The general road (TLumarcRaster) decodes
// into R G B A, blends every pixel over white and copies; for opaque files that blend changes
// nothing, and alpha (8-bit in a PNG, a used alpha channel in a 32-bit BMP) is blended here with
// the same arithmetic, so both roads give the same bytes.
//
// Returns false, leaving out as it was or empty, for every other file and for every file the
// general road would refuse: the caller then takes the general road, which decides.

#include <string>

class TBitmap;
struct TImageSizes;

// With sizes, a header of any other size returns false before anything is allocated.
bool DecodeOpaqueImage(const std::string& path, TBitmap& out, const TImageSizes* sizes = nullptr);
