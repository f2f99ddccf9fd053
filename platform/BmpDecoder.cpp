// BMP reader: 1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, bit fields and RLE4 / RLE8;
// bottom-up and top-down rows; the 12-byte core header and the 40, 52, 56, 108 and 124-byte
// info headers. Every offset, the palette and the pixel rows are checked against the file size
// (in 64-bit arithmetic) before they are read, so a lying header is refused rather than followed.
// An RLE stream may skip pixels, which then stay black, but it is refused when its runs could not
// draw even half the image: two bytes otherwise stand for any size. Cost: one pass over the pixels.
//
// The quick road (DecodeBmpBgr) reads the same header with the same checks, and for the kinds a
// camera or a scope writes (24 bits, or 32 bits in whole bytes) copies the rows straight into the
// B G R bitmap: a row copy for 24 bits, a byte shuffle for 32, the blend over white only when a
// 32-bit file's alpha is in use. No R G B A buffer in between.

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"

#include <bit>
#include <cstring>
#include <new>
#include <string>

namespace
{
enum Compression : std::uint32_t
{
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3,
    BiAlphaBitfields = 6,
};

std::uint32_t U16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One colour channel described by a bit mask, widened to 0..255.
struct TChannel
{
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint32_t Max = 0;

    explicit TChannel(std::uint32_t mask = 0) : Mask(mask)
    {
        if (mask != 0)
        {
            Shift = std::countr_zero(mask);
            Max = mask >> Shift;
        }
    }

    std::uint8_t Get(std::uint32_t value, std::uint8_t missing) const
    {
        if (Max == 0)
            return missing;
        const std::uint64_t v = (value & Mask) >> Shift;
        return static_cast<std::uint8_t>((v * 255u + Max / 2) / Max);
    }
};

struct TBmpInfo
{
    std::int64_t Width = 0;
    std::int64_t Height = 0; // always positive; TopDown says the row order
    bool TopDown = false;
    std::uint32_t Bits = 0;
    std::uint32_t Compression = BiRgb;
    std::uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool HasAlphaMask = false;
    std::uint64_t PaletteOffset = 0;
    std::uint64_t PaletteCount = 0;
    std::uint32_t PaletteEntrySize = 4;
    std::uint64_t PixelOffset = 0;
};

bool Refuse(TImageRefusal& why, TImageProblem problem, std::string detail = {})
{
    why.Problem = problem;
    why.Detail = std::move(detail);
    return false;
}

bool ReadInfo(const std::uint8_t* data, std::uint64_t size, const TImageSizes& sizes, TBmpInfo& info,
              TImageRefusal& why)
{
    if (size < 14 + 12)
        return Refuse(why, TImageProblem::Damaged);
    info.PixelOffset = U32(data + 10);
    const std::uint64_t headerSize = U32(data + 14);
    const std::uint8_t* h = data + 14;
    if (headerSize == 12)
    {
        info.Width = U16(h + 4);
        info.Height = U16(h + 6);
        info.Bits = U16(h + 10);
        info.PaletteEntrySize = 3;
    }
    else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124)
    {
        if (size < 14 + headerSize)
            return Refuse(why, TImageProblem::Damaged);
        info.Width = static_cast<std::int32_t>(U32(h + 4));
        info.Height = static_cast<std::int32_t>(U32(h + 8));
        info.Bits = U16(h + 14);
        info.Compression = U32(h + 16);
        info.PaletteCount = U32(h + 32);
    }
    else
    {
        return Refuse(why, TImageProblem::Unsupported,
                      "BMP with a " + std::to_string(headerSize) + "-byte header");
    }
    if (info.Height < 0)
    {
        info.TopDown = true;
        info.Height = -info.Height;
    }
    if (info.Width < 1 || info.Height < 1)
        return Refuse(why, TImageProblem::Damaged);

    std::uint64_t afterHeader = 14 + headerSize;
    const bool bitfields = info.Compression == BiBitfields || info.Compression == BiAlphaBitfields;
    if (bitfields)
    {
        // A 40-byte header is followed by the masks; larger headers hold them.
        const std::uint64_t maskCount = info.Compression == BiAlphaBitfields ? 4 : 3;
        const std::uint8_t* m = h + 40;
        if (headerSize == 40)
        {
            if (size < afterHeader + maskCount * 4)
                return Refuse(why, TImageProblem::Damaged);
            afterHeader += maskCount * 4;
        }
        else if (headerSize < 56)
        {
            // a 52-byte header holds three masks only
            if (maskCount == 4)
                return Refuse(why, TImageProblem::Damaged);
        }
        for (std::uint64_t i = 0; i < maskCount; ++i)
            info.Masks[i] = U32(m + 4 * i);
        if (maskCount == 3 && headerSize >= 56)
            info.Masks[3] = U32(m + 12);
        info.HasAlphaMask = info.Masks[3] != 0;
    }

    const std::string kind = "BMP of " + std::to_string(info.Bits) + " bits per pixel with compression " +
                             std::to_string(info.Compression);
    switch (info.Bits)
    {
    case 1:
    case 4:
    case 8:
        if (!(info.Compression == BiRgb || (info.Compression == BiRle8 && info.Bits == 8) ||
              (info.Compression == BiRle4 && info.Bits == 4)))
            return Refuse(why, TImageProblem::Unsupported, kind);
        if (info.PaletteCount == 0 || info.PaletteCount > (1u << info.Bits))
            info.PaletteCount = 1u << info.Bits;
        break;
    case 16:
    case 32:
        if (info.Compression == BiRgb)
        {
            // Without masks the fourth byte of a 32-bit pixel is padding, not alpha: many
            // writers leave it zero.
            if (info.Bits == 16)
                info.Masks[0] = 0x7C00, info.Masks[1] = 0x03E0, info.Masks[2] = 0x001F;
            else
                info.Masks[0] = 0xFF0000, info.Masks[1] = 0x00FF00, info.Masks[2] = 0x0000FF;
            info.Masks[3] = 0;
            info.HasAlphaMask = false;
        }
        else if (!bitfields)
        {
            return Refuse(why, TImageProblem::Unsupported, kind);
        }
        info.PaletteCount = 0;
        break;
    case 24:
        if (info.Compression != BiRgb)
            return Refuse(why, TImageProblem::Unsupported, kind);
        info.PaletteCount = 0;
        break;
    default:
        return Refuse(why, TImageProblem::Unsupported,
                      "BMP of " + std::to_string(info.Bits) + " bits per pixel");
    }
    if (!sizes.Accepts(info.Width, info.Height))
    {
        why.Width = static_cast<int>(info.Width);
        why.Height = static_cast<int>(info.Height);
        return Refuse(why, TImageProblem::WrongSize);
    }
    // RLE images are bottom-up by definition.
    if ((info.Compression == BiRle8 || info.Compression == BiRle4) && info.TopDown)
        return Refuse(why, TImageProblem::Damaged);

    info.PaletteOffset = afterHeader;
    if (info.PaletteOffset + info.PaletteCount * info.PaletteEntrySize > size || info.PixelOffset >= size)
        return Refuse(why, TImageProblem::Damaged);
    return true;
}

// A run draws at most 255 pixels for two bytes, so the stream's runs cover at most 127.5 pixels per
// byte. Skips (end of line, delta, end of bitmap) may leave the rest black, up to as much again.
bool RleStreamCanCover(const TBmpInfo& info, std::uint64_t size)
{
    const std::uint64_t streamBytes = size - info.PixelOffset;
    return static_cast<std::uint64_t>(info.Width) * static_cast<std::uint64_t>(info.Height) <=
           streamBytes * 255;
}

void PaletteColour(const std::uint8_t* data, const TBmpInfo& info, std::uint64_t index, std::uint8_t* rgba)
{
    if (index >= info.PaletteCount)
    {
        // An index past the palette: black, rather than bytes from elsewhere in the file.
        rgba[0] = rgba[1] = rgba[2] = 0;
        rgba[3] = 255;
        return;
    }
    const std::uint8_t* entry = data + info.PaletteOffset + index * info.PaletteEntrySize;
    rgba[0] = entry[2];
    rgba[1] = entry[1];
    rgba[2] = entry[0];
    rgba[3] = 255;
}

// Bytes from one stored row to the next: rows are padded to whole 32-bit words.
std::uint64_t RowStride(const TBmpInfo& info)
{
    return ((static_cast<std::uint64_t>(info.Width) * info.Bits + 31) / 32) * 4;
}

std::uint8_t* OutRow(TRgbaImage& out, const TBmpInfo& info, std::int64_t fileRow)
{
    const std::int64_t y = info.TopDown ? fileRow : info.Height - 1 - fileRow;
    return out.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(info.Width) * 4;
}

bool DecodeUncompressed(const std::uint8_t* data, std::uint64_t size, const TBmpInfo& info, TRgbaImage& out)
{
    const std::uint64_t stride = RowStride(info);
    if (info.PixelOffset + stride * static_cast<std::uint64_t>(info.Height) > size)
        return false;
    const TChannel red(info.Masks[0]), green(info.Masks[1]), blue(info.Masks[2]), alpha(info.Masks[3]);
    bool anyAlpha = false;
    out.Pixels.resize(static_cast<std::size_t>(info.Width * info.Height * 4));
    for (std::int64_t row = 0; row < info.Height; ++row)
    {
        const std::uint8_t* src = data + info.PixelOffset + static_cast<std::uint64_t>(row) * stride;
        std::uint8_t* dst = OutRow(out, info, row);
        for (std::int64_t x = 0; x < info.Width; ++x, dst += 4)
        {
            switch (info.Bits)
            {
            case 1:
                PaletteColour(data, info, (src[x >> 3] >> (7 - (x & 7))) & 1u, dst);
                break;
            case 4:
                PaletteColour(data, info, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu, dst);
                break;
            case 8:
                PaletteColour(data, info, src[x], dst);
                break;
            case 24:
                dst[0] = src[3 * x + 2];
                dst[1] = src[3 * x + 1];
                dst[2] = src[3 * x];
                dst[3] = 255;
                break;
            default: {
                const std::uint32_t v = info.Bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                dst[0] = red.Get(v, 0);
                dst[1] = green.Get(v, 0);
                dst[2] = blue.Get(v, 0);
                dst[3] = alpha.Get(v, 255);
                anyAlpha = anyAlpha || dst[3] != 0;
            }
            }
        }
    }
    // An alpha mask over an all-zero channel means the writer did not fill it in: show the
    // image opaque instead of blank white.
    if (info.HasAlphaMask && !anyAlpha)
        for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
            out.Pixels[i] = 255;
    return true;
}

// RLE8 / RLE4: runs, absolute stretches, end of line, delta and end of bitmap. Pixels the
// stream skips stay black. Running out of data before the end-of-bitmap code refuses the file.
bool DecodeRle(const std::uint8_t* data, std::uint64_t size, const TBmpInfo& info, TRgbaImage& out)
{
    const bool four = info.Compression == BiRle4;
    out.Pixels.assign(static_cast<std::size_t>(info.Width * info.Height * 4), 0);
    for (std::size_t i = 3; i < out.Pixels.size(); i += 4)
        out.Pixels[i] = 255;
    std::uint64_t pos = info.PixelOffset;
    std::int64_t x = 0, y = 0; // y counts file rows from the bottom
    auto put = [&](std::uint64_t index) {
        if (x < info.Width && y < info.Height)
            PaletteColour(data, info, index, OutRow(out, info, y) + x * 4);
        ++x;
    };
    while (y < info.Height)
    {
        if (pos + 2 > size)
            return false;
        const std::uint32_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0)
        {
            for (std::uint32_t i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0xFu : value >> 4) : value);
            continue;
        }
        if (value == 0)
        {
            x = 0;
            ++y;
        }
        else if (value == 1)
        {
            return true;
        }
        else if (value == 2)
        {
            if (pos + 2 > size)
                return false;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        }
        else
        {
            const std::uint64_t bytes = four ? (value + 1) / 2 : value;
            if (pos + bytes > size)
                return false;
            for (std::uint32_t i = 0; i < value; ++i)
            {
                const std::uint8_t b = data[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? b & 0xFu : static_cast<std::uint32_t>(b >> 4)) : b);
            }
            pos += (bytes + 1) & ~std::uint64_t{1};
        }
    }
    return true;
}
} // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes,
               TImageRefusal* why)
{
    out.Clear();
    TImageRefusal refusal;
    TBmpInfo info;
    bool ok = ReadInfo(data, size, sizes, info, refusal);
    const bool rle = info.Compression == BiRle8 || info.Compression == BiRle4;
    if (ok && rle && !RleStreamCanCover(info, size))
        ok = Refuse(refusal, TImageProblem::Damaged);
    if (ok)
    {
        try
        {
            ok = rle ? DecodeRle(data, size, info, out) : DecodeUncompressed(data, size, info, out);
            if (!ok)
                Refuse(refusal, TImageProblem::Damaged);
        }
        catch (const std::bad_alloc&)
        {
            ok = Refuse(refusal, TImageProblem::OutOfMemory);
        }
    }
    if (!ok)
    {
        out.Clear();
        if (why)
            *why = refusal;
        return false;
    }
    out.Width = static_cast<int>(info.Width);
    out.Height = static_cast<int>(info.Height);
    return true;
}

namespace
{
// The masks of a 32-bit pixel stored as the bytes blue, green, red, alpha.
constexpr std::uint32_t ByteMasks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};

// The kinds the quick road copies itself, every pixel in the file: 24 bits, or 32 bits whose
// colour masks are the bytes (with an alpha byte or none).
bool QuickKind(const TBmpInfo& info, std::uint64_t size)
{
    const bool plain = info.Compression == BiRgb && (info.Bits == 24 || info.Bits == 32);
    const bool byteFields =
        info.Bits == 32 && (info.Compression == BiBitfields || info.Compression == BiAlphaBitfields) &&
        info.Masks[0] == ByteMasks[0] && info.Masks[1] == ByteMasks[1] && info.Masks[2] == ByteMasks[2] &&
        (info.Masks[3] == 0 || info.Masks[3] == ByteMasks[3]);
    return (plain || byteFields) &&
           info.PixelOffset + RowStride(info) * static_cast<std::uint64_t>(info.Height) <= size;
}

// Whether any pixel's alpha byte is not zero: an alpha channel left all zero is not in use, and
// the image is shown opaque.
bool AnyAlpha(const std::uint8_t* pixels, std::size_t count)
{
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < count; ++i)
        any |= pixels[4 * i + 3];
    return any != 0;
}

// One stored row into one bitmap row.
void CopyRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bits, bool blend)
{
    const auto n = static_cast<std::size_t>(width);
    if (bits == 24)
    {
        std::memcpy(dst, src, 3 * n);
        return;
    }
    if (!blend)
    {
        for (std::size_t x = 0; x < n; ++x)
        {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
        return;
    }
    for (std::size_t x = 0; x < n; ++x, src += 4, dst += 3)
    {
        // TRasterBase::DecodeToBitmap's rounding, exact at a = 0 and a = 255.
        const unsigned a = src[3];
        const unsigned white = 255u * (255u - a) + 127u;
        dst[0] = static_cast<std::uint8_t>((src[0] * a + white) / 255u);
        dst[1] = static_cast<std::uint8_t>((src[1] * a + white) / 255u);
        dst[2] = static_cast<std::uint8_t>((src[2] * a + white) / 255u);
    }
}
} // namespace

bool DecodeBmpBgr(const std::uint8_t* data, std::size_t size, TBitmap& out, const TImageSizes* sizes)
{
    static const TImageSizes any;
    TImageRefusal ignored;
    TBmpInfo info;
    if (!ReadInfo(data, size, sizes ? *sizes : any, info, ignored) ||
        !ImageSizeAcceptable(info.Width, info.Height) || !QuickKind(info, size))
        return false;
    const int width = static_cast<int>(info.Width), height = static_cast<int>(info.Height);
    const std::uint64_t stride = RowStride(info);
    const std::uint8_t* pixels = data + info.PixelOffset;
    bool blend = false;
    if (info.Bits == 32 && info.HasAlphaMask)
        for (int row = 0; row < height && !blend; ++row)
            blend =
                AnyAlpha(pixels + static_cast<std::uint64_t>(row) * stride, static_cast<std::size_t>(width));

    QImage& image = out.Image();
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
        image = QImage(width, height, QImage::Format_BGR888);
    if (image.isNull())
        return false;
    for (int row = 0; row < height; ++row)
        CopyRow(pixels + static_cast<std::uint64_t>(row) * stride,
                out.ScanLine(info.TopDown ? row : height - 1 - row), width, static_cast<int>(info.Bits),
                blend);
    return true;
}
