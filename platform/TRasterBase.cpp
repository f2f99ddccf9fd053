#include "platform/TRasterBase.h"

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The largest file worth reading: a full-size uncompressed 32-bit image plus generous room for
// headers and metadata. Anything bigger cannot be an image we accept.
constexpr long long MaxFileBytes = TRasterBase::MaxPixels * 4 + (64LL << 20);

bool Refuse(TImageRefusal* why, TImageProblem problem, int error = 0)
{
    if (why)
    {
        *why = {};
        why->Problem = problem;
        why->SystemError = error;
    }
    return false;
}
} // namespace

bool ImageSizeAcceptable(long long width, long long height)
{
    return TImageSizes{}.Accepts(width, height);
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

bool DecodeImage(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes,
                 TImageRefusal* why)
{
    switch (DetectImageFormat(data, size))
    {
    case TImageFormat::Bmp:
        return DecodeBmp(data, size, out, sizes, why);
    case TImageFormat::Jpeg:
        return DecodeJpeg(data, size, out, sizes, why);
    case TImageFormat::Png:
        return DecodePng(data, size, out, sizes, why);
    case TImageFormat::Unknown:
        break;
    }
    out.Clear();
    return Refuse(why, TImageProblem::NotAnImage);
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, TImageRefusal* why)
{
    // Looked at before it is opened, so a device or a pipe is never opened at all; non-blocking,
    // so one swapped in meanwhile cannot stall the caller either, and fstat decides.
    struct stat info
    {
    };
    TImageRefusal refusal;
    int fd = -1;
    if (::stat(path.c_str(), &info) != 0)
        Refuse(&refusal,
               errno == ENOENT || errno == ENOTDIR ? TImageProblem::Missing : TImageProblem::Unreadable,
               errno);
    else if (!S_ISREG(info.st_mode))
        Refuse(&refusal, TImageProblem::NotRegularFile);
    else if ((fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
        Refuse(&refusal, TImageProblem::Unreadable, errno);
    else if (::fstat(fd, &info) != 0)
        Refuse(&refusal, TImageProblem::Unreadable, errno);
    else if (!S_ISREG(info.st_mode))
        Refuse(&refusal, TImageProblem::NotRegularFile);
    else if (info.st_size > MaxFileBytes)
    {
        Refuse(&refusal, TImageProblem::Unsupported);
        refusal.Detail = "a file larger than any image of the largest size";
    }
    else
    {
        // Resized from what it held, not from empty: bytes already there are overwritten by the
        // read, so only a growth is zero-filled, and a run of same-size files fills nothing.
        try
        {
            out.resize(static_cast<std::size_t>(info.st_size));
        }
        catch (const std::bad_alloc&)
        {
            Refuse(&refusal, TImageProblem::OutOfMemory);
        }
        for (std::size_t done = 0; !refusal && done < out.size();)
        {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Refuse(&refusal, n < 0 ? TImageProblem::Unreadable : TImageProblem::Damaged,
                       n < 0 ? errno : 0);
            else
                done += static_cast<std::size_t>(n);
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (!refusal)
        return true;
    out.clear();
    if (why)
        *why = refusal;
    return false;
}

void TRasterBase::Clear()
{
    Refusal_ = {};
    Storage_ = {};
    Pixels = nullptr;
    Width_ = 0;
    Height_ = 0;
}

void TRasterBase::Alloc(int width, int height)
{
    Clear();
    if (!ImageSizeAcceptable(width, height))
    {
        Refusal_.Problem = TImageProblem::WrongSize;
        Refusal_.Width = width;
        Refusal_.Height = height;
        return;
    }
    try
    {
        Storage_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    }
    catch (const std::bad_alloc&)
    {
        Refusal_.Problem = TImageProblem::OutOfMemory;
        return;
    }
    Pixels = Storage_.data();
    Width_ = width;
    Height_ = height;
}

void TRasterBase::LoadFromFile(const std::string& path, const TImageSizes& sizes)
{
    Clear();
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(path, file, &Refusal_))
        return;
    TRgbaImage image;
    if (!DecodeImage(file.data(), file.size(), image, sizes, &Refusal_))
        return;
    Storage_ = std::move(image.Pixels);
    Pixels = Storage_.data();
    Width_ = image.Width;
    Height_ = image.Height;
}

bool TRasterBase::DecodeToBitmap(TBitmap* bitmap) const
{
    // QImage gives a null image, not an exception, when its memory cannot be had.
    bitmap->SetSize(Width_, Height_);
    if (bitmap->Width() != Width_ || bitmap->Height() != Height_)
    {
        bitmap->SetSize(0, 0);
        return false;
    }
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
    return true;
}
