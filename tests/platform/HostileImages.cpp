#include "tests/platform/HostileImages.h"

#include <turbojpeg.h>

namespace
{
void Put32Le(TBytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put32Be(TBytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

THostileImage Bmp(const char* name, TBmpLayout layout, int width, int height)
{
    layout.Palette.assign(std::size_t{1} << std::min(layout.Bits, 8), TRgba{9, 99, 199});
    const std::size_t pixels =
        static_cast<std::size_t>(layout.Width) * static_cast<std::size_t>(layout.Height);
    if (layout.Bits <= 8)
        layout.Indices.assign(pixels, 1);
    else
        layout.Colours.assign(pixels, TRgba{1, 2, 3});
    TBytes file = MakeBmp(layout);
    if (layout.HeaderSize == 12)
    {
        file[18] = static_cast<std::uint8_t>(width), file[19] = static_cast<std::uint8_t>(width >> 8);
        file[20] = static_cast<std::uint8_t>(height), file[21] = static_cast<std::uint8_t>(height >> 8);
    }
    else
    {
        Put32Le(file, 18, static_cast<std::uint32_t>(width));
        Put32Le(file, 22, static_cast<std::uint32_t>(height));
    }
    return {std::string(name) + ".bmp", file, width, height};
}

THostileImage Png(const char* name, int colourType, int depth, bool trns, bool interlaced, int width,
                  int height)
{
    TPngLayout layout = PngLayout(4, 4, colourType, depth, interlaced);
    const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    for (int y = 0; y < 4; ++y)
        AppendPngSamples(layout.Rows, std::vector<unsigned>(static_cast<std::size_t>(4 * channels), 1),
                         depth);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
    {
        layout.Palette.assign(std::size_t{1} << depth, png_color{9, 99, 199});
        if (trns)
            layout.PaletteAlpha = {0, 128, 200}; // several entries not opaque: the partial path
    }
    else if (trns)
    {
        layout.TrnsColour = png_color_16{0, 1, 1, 1, 1};
    }
    TBytes file = MakePng(layout);
    Put32Be(file, 16, static_cast<std::uint32_t>(width));
    Put32Be(file, 20, static_cast<std::uint32_t>(height));
    // A real file of the claimed size holds at least this much compressed data (deflate turns at
    // most two bits into 258 bytes): an ancillary private chunk of padding makes it that large.
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(channels * depth) + 7) / 8;
    const std::uint64_t padding = (rowBytes + 1) * static_cast<std::uint64_t>(height) / 1032 + 1;
    TBytes chunk(12 + padding, 0);
    Put32Be(chunk, 0, static_cast<std::uint32_t>(padding));
    chunk[4] = 'p', chunk[5] = 'd', chunk[6] = 'P', chunk[7] = 'd';
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    FixPngCrcs(file);
    return {std::string(name) + ".png", file, width, height};
}

// Patches the size into the frame header (SOF0 or SOF2) of a small real JPEG.
THostileImage Jpeg(const char* name, bool grey, int flags, int width, int height)
{
    const TBytes rgb(16 * 16 * 3, 120);
    TBytes file = MakeJpeg(rgb, 16, 16, 90, grey, flags);
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
        {
            file[i + 5] = static_cast<std::uint8_t>(height >> 8),
                     file[i + 6] = static_cast<std::uint8_t>(height);
            file[i + 7] = static_cast<std::uint8_t>(width >> 8),
                     file[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    return {std::string(name) + ".jpg", file, width, height};
}
} // namespace

std::vector<THostileImage> HostileImages(int width, int height)
{
    const int w = width, h = height;
    TBmpLayout core = BmpLayout(4, 4, 24);
    core.HeaderSize = 12;
    return {
        Bmp("bmp-rle8", BmpLayout(4, 4, 8, 1), w, h),
        Bmp("bmp-rle4", BmpLayout(4, 4, 4, 2), w, h),
        Bmp("bmp-8", BmpLayout(4, 4, 8), w, h),
        Bmp("bmp-1", BmpLayout(4, 4, 1), w, h),
        Bmp("bmp-24", BmpLayout(4, 4, 24), w, h),
        Bmp("bmp-core-24", core, w, h),
        Png("png-grey1", PNG_COLOR_TYPE_GRAY, 1, false, false, w, h),
        Png("png-grey8-trns", PNG_COLOR_TYPE_GRAY, 8, true, false, w, h),
        Png("png-rgb8", PNG_COLOR_TYPE_RGB, 8, false, false, w, h),
        Png("png-rgb16-trns", PNG_COLOR_TYPE_RGB, 16, true, false, w, h),
        Png("png-palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false, w, h),
        Png("png-palette8-trns", PNG_COLOR_TYPE_PALETTE, 8, true, false, w, h),
        Png("png-palette2-trns-interlaced", PNG_COLOR_TYPE_PALETTE, 2, true, true, w, h),
        Png("png-grey-alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false, w, h),
        Png("png-rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, w, h),
        Png("png-rgba16-interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, true, w, h),
        Jpeg("jpeg-baseline", false, 0, w, h),
        Jpeg("jpeg-progressive", false, TJFLAG_PROGRESSIVE, w, h),
        Jpeg("jpeg-grey-progressive", true, TJFLAG_PROGRESSIVE, w, h),
        Jpeg("jpeg-grey", true, 0, w, h),
    };
}
