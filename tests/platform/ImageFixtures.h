#pragma once
// Writers for the image files the decoder tests feed in: BMP byte by byte, PNG through libpng's
// writer (so colour type, bit depth, palette and transparency chunk are exactly what a test asks
// for), JPEG through TurboJPEG's compressor.

#include <cstdint>
#include <optional>
#include <png.h>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

struct TRgba
{
    std::uint8_t R = 0, G = 0, B = 0, A = 255;
    friend bool operator==(const TRgba&, const TRgba&) = default;
};

// A BMP file. Pixels are given top row first, as palette indices (Bits <= 8) or colours; the
// writer orders rows as TopDown says, pads rows to 4 bytes and fills in the headers.
struct TBmpLayout
{
    int Width = 0;
    int Height = 0; // positive; TopDown makes the stored height negative
    bool TopDown = false;
    int Bits = 24;
    std::uint32_t Compression = 0; // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
    std::uint32_t HeaderSize = 40; // 12, 40, 52, 56, 108, 124
    std::vector<TRgba> Palette;    // Bits <= 8
    std::vector<std::uint8_t> Indices;
    std::vector<TRgba> Colours; // Bits > 8
    std::uint32_t Masks[4] = {0, 0, 0, 0};
    TBytes Stream; // when not empty, the pixel data as stored, in place of Indices and Colours
};
TBytes MakeBmp(const TBmpLayout& layout);
TBmpLayout BmpLayout(int width, int height, int bits = 24, std::uint32_t compression = 0);

// A PNG file. Rows are given packed as libpng expects them for the colour type and bit depth
// (16-bit samples big-endian).
struct TPngLayout
{
    int Width = 0;
    int Height = 0;
    int ColourType = PNG_COLOR_TYPE_RGB;
    int BitDepth = 8;
    bool Interlaced = false;
    TBytes Rows;
    std::vector<png_color> Palette;
    TBytes PaletteAlpha;                    // tRNS for a palette image
    std::optional<png_color_16> TrnsColour; // tRNS for grey or truecolour
};
TBytes MakePng(const TPngLayout& layout);
TPngLayout PngLayout(int width, int height, int colourType = PNG_COLOR_TYPE_RGB, int bitDepth = 8,
                     bool interlaced = false);

// Packs samples of the given bit depth into one PNG row (MSB first; 16 bits big-endian).
void AppendPngSamples(TBytes& row, const std::vector<unsigned>& samples, int bitDepth);

// A JPEG of an R G B image (width x height x 3 bytes), 4:4:4 unless grey; flags are TurboJPEG's
// (TJFLAG_PROGRESSIVE).
TBytes MakeJpeg(const TBytes& rgb, int width, int height, int quality, bool grey = false, int flags = 0);
// A CMYK JPEG of one flat colour.
TBytes MakeCmykJpeg(int width, int height);

// Recomputes the CRC of every chunk, so a damaged PNG gets past the CRC check and reaches the
// decompressor and the filters.
void FixPngCrcs(TBytes& png);

void WriteFile(const std::string& path, const TBytes& bytes);
