// JPEG through TurboJPEG into B G R rows, PNG by the fast road (PngFastDecoder.h, which also
// blends an alpha channel over white) or through libpng with its B G R transform, an
// uncompressed 24 or 32-bit BMP by its own rows (DecodeBmpBgr), all into the bitmap's own rows:
// no intermediate buffer, no blend, no copy. The checks are those of the
// general decoders (ImageDecoders.h): format by the first bytes, the header's size before any
// allocation, a JPEG warning refuses the file, a PNG's claimed data bounded by the file size.
// Per thread, the file buffer and the JPEG decompressor are kept for the next file.

#include "platform/OpaqueImageDecoder.h"

#include "platform/ImageDecoders.h"
#include "platform/JpegDecompressor.h"
#include "platform/PngFastDecoder.h"
#include "platform/TBitmap.h"
#include "platform/TImageRefusal.h"
#include "platform/TRasterBase.h"

#include <cstring>
#include <png.h>
#include <turbojpeg.h>

namespace
{
// Within the general cap and, when the caller names sizes, one of them: checked on the header,
// before anything is allocated.
template <typename W, typename H> bool Fits(W width, H height, const TImageSizes* sizes)
{
    return ImageSizeAcceptable(width, height) &&
           (!sizes || sizes->Accepts(static_cast<long long>(width), static_cast<long long>(height)));
}

// A bitmap of the given size whose rows are about to be overwritten: its storage is reused when
// the size already matches, and never filled first.
void Shape(TBitmap& out, int width, int height)
{
    QImage& image = out.Image();
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
        image = QImage(width, height, QImage::Format_BGR888);
}

bool DecodeJpegBgr(const std::uint8_t* data, std::size_t size, TBitmap& out, const TImageSizes* sizes)
{
    thread_local TDecompressor jpeg;
    if (!jpeg.Handle || size > 0xFFFFFFFFu)
        return false;
    const auto length = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(jpeg.Handle, data, length, &width, &height, &subsampling, &colourspace) != 0 ||
        !Fits(width, height, sizes))
        return false;
    Shape(out, width, height);
    QImage& image = out.Image();
    if (image.isNull() ||
        tjDecompress2(jpeg.Handle, data, length, image.bits(), width, static_cast<int>(image.bytesPerLine()),
                      height, TJPF_BGR, TJFLAG_STOPONWARNING) != 0)
    {
        out.Image() = QImage();
        return false;
    }
    return true;
}

struct TMemory
{
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
};

void ReadMemory(png_structp png, png_bytep dst, png_size_t length)
{
    auto* src = static_cast<TMemory*>(png_get_io_ptr(png));
    if (length > src->Size - src->Pos)
        png_error(png, "file ends early");
    std::memcpy(dst, src->Data + src->Pos, length);
    src->Pos += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

// Reads the header; true only for an opaque PNG, with the transforms set to 8-bit B G R. Calls
// setjmp: no C++ objects.
bool ReadOpaqueHeader(png_structp png, png_infop info, std::size_t fileSize, png_uint_32* width,
                      png_uint_32* height, const TImageSizes* sizes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if ((colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS))
        return false;
    // The filtered rows can be at most 1032 times the compressed data, bounded by the file.
    const std::uint64_t stored =
        (static_cast<std::uint64_t>(png_get_rowbytes(png, info)) + 1) * png_get_image_height(png, info);
    if (stored > static_cast<std::uint64_t>(fileSize) * 1032 + 4096)
        return false;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    return Fits(*width, *height, sizes) && png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * 3;
}

// Reads every row, then the rest of the file up to its end chunk. Calls setjmp: no C++ objects.
bool ReadOpaqueRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

struct TPngHandles
{
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TPngHandles() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

bool DecodePngBgr(const std::uint8_t* data, std::size_t size, TBitmap& out, const TImageSizes* sizes)
{
    TPngHandles handles;
    handles.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!handles.Png || !(handles.Info = png_create_info_struct(handles.Png)))
        return false;
    png_set_user_limits(handles.Png, TRasterBase::MaxSide, TRasterBase::MaxSide);
    TMemory source{data, size, 0};
    png_set_read_fn(handles.Png, &source, ReadMemory);
    png_uint_32 width = 0, height = 0;
    if (!ReadOpaqueHeader(handles.Png, handles.Info, size, &width, &height, sizes))
        return false;
    Shape(out, static_cast<int>(width), static_cast<int>(height));
    thread_local std::vector<png_bytep> rows;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = out.ScanLine(static_cast<int>(y));
    if (!ReadOpaqueRows(handles.Png, handles.Info, rows.data()))
    {
        out.Image() = QImage();
        return false;
    }
    return true;
}
} // namespace

bool DecodeOpaqueImage(const std::string& path, TBitmap& out, const TImageSizes* sizes)
{
    thread_local std::vector<std::uint8_t> file;
    if (!ReadWholeFile(path, file))
        return false;
    bool ok = false;
    switch (DetectImageFormat(file.data(), file.size()))
    {
    case TImageFormat::Jpeg:
        ok = DecodeJpegBgr(file.data(), file.size(), out, sizes);
        break;
    case TImageFormat::Png:
        ok = DecodePngFast(file.data(), file.size(), out, sizes) == TPngFastResult::Taken ||
             DecodePngBgr(file.data(), file.size(), out, sizes);
        break;
    case TImageFormat::Bmp:
        ok = DecodeBmpBgr(file.data(), file.size(), out, sizes);
        break;
    default:
        break;
    }
    // Camera-size files are a few hundred kilobytes; an unusually large one is not kept around.
    if (file.capacity() > (std::size_t{16} << 20))
        file = {};
    return ok;
}
