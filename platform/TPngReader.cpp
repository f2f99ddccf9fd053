// PNG decoding on libpng, shared by TPngReader and the raster's PNG path: libpng's transforms
// widen every colour type and bit depth to 8-bit R G B A. libpng reports errors by longjmp, so
// the two functions that call setjmp (header, rows) hold no C++ object with a destructor, and
// the buffers they fill are owned by their caller. The header's size is read from the file's bytes
// and checked against the caller's sizes before libpng allocates anything for the image; libpng's
// own limits and the deflate bound below are further lines.

#include "platform/TPngReader.h"

#include "platform/ImageDecoders.h"
#include "platform/TRasterBase.h"

#include <cassert>
#include <cstring>
#include <new>
#include <png.h>

struct TPngFacts
{
    int ColourType = 0;
    TPngTransparency Transparency = TPngTransparency::None;
    bool HasTransparentColour = false;
    TPngRgb TransparentColour;
};

namespace
{
struct TPngSource
{
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
    bool OutOfMemory = false; // libpng gave up for want of memory
};

void ReadFromMemory(png_structp png, png_bytep dst, png_size_t length)
{
    auto* src = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (length > src->Size - src->Pos)
        png_error(png, "file ends early");
    std::memcpy(dst, src->Data + src->Pos, length);
    src->Pos += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message)
{
    // libpng's allocation failures say "Out of memory" or "Insufficient memory".
    if (std::strstr(message, "memory"))
        static_cast<TPngSource*>(png_get_error_ptr(png))->OutOfMemory = true;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

// A sample of the given bit depth widened to 8 bits the way libpng's transforms do it
// (bit replication for 1, 2 and 4 bits, the high byte for 16).
std::uint8_t To8Bits(png_uint_16 value, int depth)
{
    if (depth == 16)
        return static_cast<std::uint8_t>(value >> 8);
    if (depth == 8)
        return static_cast<std::uint8_t>(value & 0xFF);
    const unsigned max = (1u << depth) - 1;
    return static_cast<std::uint8_t>((value & max) * 255u / max);
}

void ClassifyTransparency(png_structp png, png_infop info, TPngFacts* facts)
{
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    facts->ColourType = colourType;
    if (colourType & PNG_COLOR_MASK_ALPHA)
    {
        facts->Transparency = TPngTransparency::Partial;
        return;
    }
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p colour = nullptr;
    if (!png_get_valid(png, info, PNG_INFO_tRNS) || png_get_tRNS(png, info, &alpha, &count, &colour) == 0)
        return;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
    {
        png_colorp palette = nullptr;
        int paletteSize = 0;
        png_get_PLTE(png, info, &palette, &paletteSize);
        int nonOpaque = 0;
        for (int i = 0; i < count; ++i)
        {
            nonOpaque += alpha[i] < 255 ? 1 : 0;
            if (alpha[i] == 0 && !facts->HasTransparentColour && i < paletteSize)
            {
                facts->HasTransparentColour = true;
                facts->TransparentColour = {palette[i].red, palette[i].green, palette[i].blue};
            }
        }
        facts->Transparency = nonOpaque == 1 ? TPngTransparency::SingleColour : TPngTransparency::Partial;
        return;
    }
    facts->Transparency = TPngTransparency::SingleColour;
    facts->HasTransparentColour = true;
    if (colourType == PNG_COLOR_TYPE_GRAY)
    {
        const std::uint8_t grey = To8Bits(colour->gray, depth);
        facts->TransparentColour = {grey, grey, grey};
    }
    else
    {
        facts->TransparentColour = {To8Bits(colour->red, depth), To8Bits(colour->green, depth),
                                    To8Bits(colour->blue, depth)};
    }
}

// Reads the header and sets the transforms to 8-bit R G B A. Calls setjmp: no C++ objects.
bool ReadHeader(png_structp png, png_infop info, TPngFacts* facts, png_uint_32* width, png_uint_32* height,
                std::uint64_t* storedBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    ClassifyTransparency(png, info, facts);
    *storedBytes =
        (static_cast<std::uint64_t>(png_get_rowbytes(png, info)) + 1) * png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTrns)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * 4;
}

// Reads every row, then the rest of the file up to its end chunk. Calls setjmp: no C++ objects.
bool ReadRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Deflate turns at most two bits into a 258-byte match, so the filtered rows can be at most
// 1032 times the compressed data (here bounded by the whole file). A header that claims more
// belongs to a damaged file: refusing it saves allocating for pixels that cannot be there.
std::uint64_t MaxInflatedBytes(std::size_t fileSize)
{
    return static_cast<std::uint64_t>(fileSize) * 1032 + 4096;
}

struct TPngHandles
{
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TPngHandles() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

bool Refuse(TImageRefusal& why, TImageProblem problem)
{
    why.Problem = problem;
    return false;
}

// Reads up to the image data: header, palette and transparency chunk (which PNG requires before
// the data), and sets the transforms. False, with the reason, for anything that is not a PNG of a
// size the caller takes.
bool OpenPng(TPngHandles& handles, TPngSource& source, const TImageSizes& sizes, TPngFacts& facts,
             png_uint_32& width, png_uint_32& height, TImageRefusal& why)
{
    if (DetectImageFormat(source.Data, source.Size) != TImageFormat::Png)
        return Refuse(why, TImageProblem::NotAnImage);
    // The header chunk comes first, at a fixed place: its size is known before libpng runs.
    if (source.Size < 33 || std::memcmp(source.Data + 12, "IHDR", 4) != 0)
        return Refuse(why, TImageProblem::Damaged);
    const std::uint32_t claimedWidth = BigEndian32(source.Data + 16);
    const std::uint32_t claimedHeight = BigEndian32(source.Data + 20);
    if (claimedWidth == 0 || claimedHeight == 0 || claimedWidth > PNG_UINT_31_MAX ||
        claimedHeight > PNG_UINT_31_MAX)
        return Refuse(why, TImageProblem::Damaged);
    if (!sizes.Accepts(claimedWidth, claimedHeight))
    {
        why.Width = static_cast<int>(claimedWidth);
        why.Height = static_cast<int>(claimedHeight);
        return Refuse(why, TImageProblem::WrongSize);
    }

    handles.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    if (!handles.Png)
        return Refuse(why, TImageProblem::OutOfMemory);
    handles.Info = png_create_info_struct(handles.Png);
    if (!handles.Info)
        return Refuse(why, TImageProblem::OutOfMemory);
    png_set_user_limits(handles.Png, TRasterBase::MaxSide, TRasterBase::MaxSide);
    png_set_read_fn(handles.Png, &source, ReadFromMemory);

    std::uint64_t storedBytes = 0;
    if (ReadHeader(handles.Png, handles.Info, &facts, &width, &height, &storedBytes) &&
        sizes.Accepts(width, height) && storedBytes <= MaxInflatedBytes(source.Size))
        return true;
    return Refuse(why, source.OutOfMemory ? TImageProblem::OutOfMemory : TImageProblem::Damaged);
}

bool DecodePngRgba(const std::uint8_t* data, std::size_t size, const TImageSizes& sizes, TRgbaImage& out,
                   TPngFacts& facts, TImageRefusal& why)
{
    out.Clear();
    facts = {};
    TPngHandles handles;
    TPngSource source{data, size, 0};
    png_uint_32 width = 0, height = 0;
    if (!OpenPng(handles, source, sizes, facts, width, height, why))
    {
        facts = {};
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    out.Pixels.resize(stride * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = out.Pixels.data() + y * stride;
    if (!ReadRows(handles.Png, handles.Info, rows.data()))
    {
        out.Clear();
        facts = {};
        return Refuse(why, source.OutOfMemory ? TImageProblem::OutOfMemory : TImageProblem::Damaged);
    }
    out.Width = static_cast<int>(width);
    out.Height = static_cast<int>(height);
    return true;
}

// The decode with every failed allocation turned into a refusal.
bool DecodePngChecked(const std::uint8_t* data, std::size_t size, const TImageSizes& sizes, TRgbaImage& out,
                      TPngFacts& facts, TImageRefusal& why)
{
    why = {};
    try
    {
        if (DecodePngRgba(data, size, sizes, out, facts, why))
            return true;
    }
    catch (const std::bad_alloc&)
    {
        why = {};
        why.Problem = TImageProblem::OutOfMemory;
    }
    out.Clear();
    facts = {};
    return false;
}
} // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, TRgbaImage& out, const TImageSizes& sizes,
               TImageRefusal* why)
{
    TPngFacts facts;
    TImageRefusal refusal;
    const bool ok = DecodePngChecked(data, size, sizes, out, facts, refusal);
    if (!ok && why)
        *why = refusal;
    return ok;
}

void TPngReader::Clear()
{
    Release();
    ColourType_ = 0;
    Transparency_ = TPngTransparency::None;
    HasTransparentColour_ = false;
    TransparentColour_ = {};
}

void TPngReader::Take(const TPngFacts& facts)
{
    ColourType_ = facts.ColourType;
    Transparency_ = facts.Transparency;
    HasTransparentColour_ = facts.HasTransparentColour;
    TransparentColour_ = facts.TransparentColour;
}

bool TPngReader::ReadInfo(const std::string& path)
{
    Clear();
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(path, file))
        return false;
    TPngHandles handles;
    TPngSource source{file.data(), file.size(), 0};
    TPngFacts facts;
    png_uint_32 width = 0, height = 0;
    TImageRefusal why;
    if (!OpenPng(handles, source, {}, facts, width, height, why))
        return false;
    Width_ = static_cast<int>(width);
    Height_ = static_cast<int>(height);
    Take(facts);
    return true;
}

bool TPngReader::Read(const std::string& path)
{
    Clear();

    std::vector<std::uint8_t> file;
    TRgbaImage image;
    TPngFacts facts;
    TImageRefusal why;
    if (!ReadWholeFile(path, file) || !DecodePngChecked(file.data(), file.size(), {}, image, facts, why))
        return false;
    file = {};
    try
    {
        Alpha_.resize(static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }

    // Split R G B A into alpha rows and B G R rows, the latter compacted in place: each write
    // lands at or before the byte it replaces, so nothing is read after being overwritten.
    const std::size_t pixels = Alpha_.size();
    std::uint8_t* p = image.Pixels.data();
    for (std::size_t i = 0; i < pixels; ++i)
    {
        const std::uint8_t r = p[4 * i], g = p[4 * i + 1], b = p[4 * i + 2];
        Alpha_[i] = p[4 * i + 3];
        p[3 * i] = b;
        p[3 * i + 1] = g;
        p[3 * i + 2] = r;
    }
    image.Pixels.resize(pixels * 3);
    Colour_ = std::move(image.Pixels);

    Width_ = image.Width;
    Height_ = image.Height;
    Take(facts);
    return true;
}

void TPngReader::Release()
{
    Colour_ = {};
    Alpha_ = {};
    Width_ = 0;
    Height_ = 0;
}

const std::uint8_t* TPngReader::ColourRow(int y) const
{
    assert(y >= 0 && y < Height_ && !Colour_.empty());
    return Colour_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width_) * 3;
}

const std::uint8_t* TPngReader::AlphaRow(int y) const
{
    assert(y >= 0 && y < Height_ && !Alpha_.empty());
    return Alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width_);
}
