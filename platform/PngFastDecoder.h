#pragma once
// The fast road for the PNG files the station is mostly given: 8 bits per sample, grey, grey and
// alpha, R G B or R G B A, not interlaced, no transparency chunk. Decoded from the file in memory
// straight into the 24-bit B G R bitmap with libdeflate and vector unfiltering; alpha is blended
// over white with the general road's arithmetic (TRasterBase::DecodeToBitmap), so the bytes are
// those of the libpng roads.
//
// NotTaken, leaving out as it was (or empty), for any other kind of PNG and for anything out of
// the ordinary: a bad length or CRC, a chunk libpng would refuse or that changes the pixels, image
// data that does not inflate to exactly the rows the header claims. The caller then takes the
// libpng road, which decides and says why.

#include <cstddef>
#include <cstdint>
#include <vector>

class TBitmap;
struct TImageSizes;

enum class TPngFastResult
{
    Taken,
    NotTaken,
};

// data and size: the whole file. With sizes, a header of any other size is NotTaken before
// anything is allocated; without, any size within the raster's cap. Per thread, the inflater and
// the buffers are kept for the next file, so a run of files allocates nothing.
TPngFastResult DecodePngFast(const std::uint8_t* data, std::size_t size, TBitmap& out,
                             const TImageSizes* sizes = nullptr);

// The unfiltering and conversion kernels run on one target, chosen once from what the processor
// has; every target gives the same bytes.
enum class TPngFastTarget
{
    Scalar, // the plain reference
    Ssse3,
};

TPngFastTarget PngFastTarget();
// Every target this processor can run, Scalar first.
std::vector<TPngFastTarget> SupportedPngFastTargets();
// For tests and benchmarks: false, and no change, when the processor cannot run it.
bool SetPngFastTarget(TPngFastTarget target);
