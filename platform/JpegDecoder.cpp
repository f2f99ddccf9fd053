// JPEG through libjpeg-turbo's TurboJPEG interface, straight into R G B A. The header's size is
// checked before the pixel buffer is allocated. A warning (for example data that ends early,
// which the library would fill with grey) refuses the file: an image with made-up pixels must
// not reach the analysis.

#include "platform/ImageDecoders.h"

#include <turbojpeg.h>

namespace
{
struct TDecompressor
{
    tjhandle Handle = tjInitDecompress();
    ~TDecompressor()
    {
        if (Handle)
            tjDestroy(Handle);
    }
    TDecompressor() = default;
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};
} // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TRgbaImage& out)
{
    out.Clear();
    TDecompressor jpeg;
    if (!jpeg.Handle || size > 0xFFFFFFFFu)
        return false;
    const auto length = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(jpeg.Handle, data, length, &width, &height, &subsampling, &colourspace) != 0)
        return false;
    if (!ImageSizeAcceptable(width, height))
        return false;
    out.Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    if (tjDecompress2(jpeg.Handle, data, length, out.Pixels.data(), width, width * 4, height, TJPF_RGBA,
                      TJFLAG_STOPONWARNING) != 0)
    {
        out.Clear();
        return false;
    }
    out.Width = width;
    out.Height = height;
    return true;
}
