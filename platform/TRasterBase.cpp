#include "platform/TRasterBase.h"

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The largest file worth reading: a full-size uncompressed 32-bit image plus generous room for
// headers and metadata. Anything bigger cannot be an image we accept.
constexpr long long MaxFileBytes =
    static_cast<long long>(TRasterBase::MaxSide) * TRasterBase::MaxSide * 4 + (64LL << 20);
} // namespace

bool ImageSizeAcceptable(long long width, long long height)
{
    return width >= 1 && height >= 1 && width <= TRasterBase::MaxSide && height <= TRasterBase::MaxSide;
}

TImageFormat DetectImageFormat(const std::uint8_t* data, std::size_t size)
{
    static const std::uint8_t PngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::equal(PngMagic, PngMagic + 8, data))
        return TImageFormat::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return TImageFormat::Jpeg;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return TImageFormat::Bmp;
    return TImageFormat::Unknown;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out)
{
    out.clear();
    // Non-blocking, so a named pipe cannot stall the caller; only regular files are read, so a
    // folder or a device is refused before anything is allocated.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    bool ok =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 && info.st_size <= MaxFileBytes;
    if (ok)
    {
        out.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < out.size())
        {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok)
                done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    if (!ok)
        out = {};
    return ok;
}

void TRasterBase::Clear()
{
    Storage_ = {};
    Pixels = nullptr;
    Width_ = 0;
    Height_ = 0;
}

void TRasterBase::Alloc(int width, int height)
{
    Clear();
    if (!ImageSizeAcceptable(width, height))
        return;
    Storage_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    Pixels = Storage_.data();
    Width_ = width;
    Height_ = height;
}

void TRasterBase::LoadFromFile(const std::string& path)
{
    Clear();
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(path, file))
        return;
    TRgbaImage image;
    bool ok = false;
    switch (DetectImageFormat(file.data(), file.size()))
    {
    case TImageFormat::Bmp:
        ok = DecodeBmp(file.data(), file.size(), image);
        break;
    case TImageFormat::Jpeg:
        ok = DecodeJpeg(file.data(), file.size(), image);
        break;
    case TImageFormat::Png:
        ok = DecodePng(file.data(), file.size(), image);
        break;
    case TImageFormat::Unknown:
        break;
    }
    if (!ok || !ImageSizeAcceptable(image.Width, image.Height))
        return;
    Storage_ = std::move(image.Pixels);
    Pixels = Storage_.data();
    Width_ = image.Width;
    Height_ = image.Height;
}

void TRasterBase::DecodeToBitmap(TBitmap* bitmap) const
{
    bitmap->SetSize(Width_, Height_);
    for (int y = 0; y < Height_; ++y)
    {
        const std::uint8_t* src = Pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width_) * 4;
        std::uint8_t* dst = bitmap->ScanLine(y);
        for (int x = 0; x < Width_; ++x, src += 4, dst += 3)
        {
            // c * a + 255 * (255 - a), divided by 255 with rounding; exact at a = 0 and a = 255.
            const unsigned a = src[3];
            const unsigned white = 255u * (255u - a) + 127u;
            dst[0] = static_cast<std::uint8_t>((src[2] * a + white) / 255u);
            dst[1] = static_cast<std::uint8_t>((src[1] * a + white) / 255u);
            dst[2] = static_cast<std::uint8_t>((src[0] * a + white) / 255u);
        }
    }
}
