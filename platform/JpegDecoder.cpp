// JPEG through libjpeg-turbo's TurboJPEG interface, straight into R G B A. The header's size is
// checked before anything is decompressed: a progressive file makes the library hold the whole
// image's coefficients, so a few hundred bytes claiming a huge size would cost gigabytes. A warning
// (for example data that ends early, which the library would fill with grey) refuses the file: an
// image with made-up pixels must not reach the analysis.

#include "platform/ImageDecoders.h"
#include "platform/JpegDecompressor.h"

#include <cstring>
#include <new>
#include <turbojpeg.h>

namespace
{
bool DecodeJpegRgba(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes,
                    TImageRefusal& why)
{
    TDecompressor jpeg;
    if (!jpeg.Handle)
    {
        why.Problem = TImageProblem::OutOfMemory;
        return false;
    }
    why.Problem = TImageProblem::Damaged;
    if (size > 0xFFFFFFFFu)
        return false;
    const auto length = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(jpeg.Handle, data, length, &width, &height, &subsampling, &colourspace) != 0)
        return false;
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
    {
        why.Problem = TImageProblem::Unsupported;
        why.Detail = "CMYK JPEG";
        return false;
    }
    if (!sizes.Accepts(width, height))
    {
        why.Problem = TImageProblem::WrongSize;
        why.Width = width;
        why.Height = height;
        return false;
    }
    out.Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    if (tjDecompress2(jpeg.Handle, data, length, out.Pixels.data(), width, width * 4, height, TJPF_RGBA,
                      TJFLAG_STOPONWARNING) != 0)
    {
        // libjpeg says "Insufficient memory" when its own buffers cannot be had.
        if (std::strstr(tjGetErrorStr2(jpeg.Handle), "memory"))
            why.Problem = TImageProblem::OutOfMemory;
        return false;
    }
    out.Width = width;
    out.Height = height;
    why = {};
    return true;
}
} // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes,
                TImageRefusal* why)
{
    out.Clear();
    TImageRefusal refusal;
    bool ok = false;
    try
    {
        ok = DecodeJpegRgba(data, size, out, sizes, refusal);
    }
    catch (const std::bad_alloc&)
    {
        refusal = {};
        refusal.Problem = TImageProblem::OutOfMemory;
    }
    if (!ok)
    {
        out.Clear();
        if (why)
            *why = refusal;
    }
    return ok;
}
