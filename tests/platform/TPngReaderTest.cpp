#include "platform/TPngReader.h"

#include "platform/ImageDecoders.h"
#include "tests/platform/AllocationProbe.h"
#include "tests/platform/TestImages.h"

#include <gtest/gtest.h>

namespace
{
int Channels(int colourType)
{
    switch (colourType)
    {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

// The 8-bit value a sample of the given depth stands for, as PNG defines it: low depths scale
// to the full range, 16 bits keep the high byte.
std::uint8_t Widen(unsigned v, int depth)
{
    if (depth == 16)
        return static_cast<std::uint8_t>(v >> 8);
    return static_cast<std::uint8_t>(v * 255u / ((1u << depth) - 1u));
}

struct TPngCase
{
    const char* Name;
    int ColourType;
    int BitDepth;
    bool Interlaced = false;
};

void PrintTo(const TPngCase& c, std::ostream* os)
{
    *os << c.Name;
}

// A 5 x 4 image whose samples run through the whole range of the depth, with what it must
// decode to.
TPngLayout Build(const TPngCase& c, std::vector<TRgba>& expected)
{
    TPngLayout layout = PngLayout(5, 4, c.ColourType, c.BitDepth, c.Interlaced);
    const unsigned max = c.BitDepth == 16 ? 0xFFFFu : (1u << c.BitDepth) - 1u;
    const int channels = Channels(c.ColourType);
    if (c.ColourType == PNG_COLOR_TYPE_PALETTE)
        for (unsigned i = 0; i <= max; ++i)
        {
            const TRgba t = TestColours[i % 16];
            layout.Palette.push_back({static_cast<png_byte>(t.R ^ (i / 16)), t.G, t.B});
        }
    for (int y = 0; y < layout.Height; ++y)
    {
        TBytes row;
        std::vector<unsigned> samples;
        for (int x = 0; x < layout.Width; ++x)
        {
            unsigned s[4];
            for (int k = 0; k < channels; ++k)
                s[k] = c.BitDepth == 16
                           ? (static_cast<unsigned>(x) * 9973u + static_cast<unsigned>(y) * 30011u +
                              static_cast<unsigned>(k) * 7919u) &
                                 0xFFFFu
                           : (static_cast<unsigned>(x * 7 + y * 5 + k * 3 + 1)) % (max + 1);
            samples.insert(samples.end(), s, s + channels);
            TRgba e;
            switch (c.ColourType)
            {
            case PNG_COLOR_TYPE_PALETTE:
                e = {layout.Palette[s[0]].red, layout.Palette[s[0]].green, layout.Palette[s[0]].blue, 255};
                break;
            case PNG_COLOR_TYPE_GRAY:
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                e.R = e.G = e.B = Widen(s[0], c.BitDepth);
                e.A = channels == 2 ? Widen(s[1], c.BitDepth) : 255;
                break;
            default:
                e = {Widen(s[0], c.BitDepth), Widen(s[1], c.BitDepth), Widen(s[2], c.BitDepth),
                     channels == 4 ? Widen(s[3], c.BitDepth) : std::uint8_t{255}};
            }
            expected.push_back(e);
        }
        AppendPngSamples(row, samples, c.BitDepth);
        layout.Rows.insert(layout.Rows.end(), row.begin(), row.end());
    }
    return layout;
}

class PngVariants : public ::testing::TestWithParam<TPngCase>
{
};

// Through the decoder object and through the reader: same size, same colours, same alpha.
TEST_P(PngVariants, DecodeToTheirColours)
{
    std::vector<TRgba> expected;
    TTempFiles files;
    const std::string path = files.Write("image.png", MakePng(Build(GetParam(), expected)));

    TRasterBase raster;
    raster.LoadFromFile(path);
    ASSERT_EQ(raster.Width(), 5);
    ASSERT_EQ(raster.Height(), 4);
    EXPECT_EQ(PixelsOf(raster), expected);

    TPngReader reader;
    ASSERT_TRUE(reader.Read(path));
    ASSERT_EQ(reader.Width(), 5);
    ASSERT_EQ(reader.Height(), 4);
    EXPECT_EQ(reader.ColourType(), GetParam().ColourType);
    std::vector<TRgba> viaReader;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
        {
            const std::uint8_t* bgr = reader.ColourRow(y) + 3 * x;
            viaReader.push_back({bgr[2], bgr[1], bgr[0], reader.AlphaRow(y)[x]});
        }
    EXPECT_EQ(viaReader, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Png, PngVariants,
    ::testing::Values(
        TPngCase{"Grey1", PNG_COLOR_TYPE_GRAY, 1}, TPngCase{"Grey2", PNG_COLOR_TYPE_GRAY, 2},
        TPngCase{"Grey4", PNG_COLOR_TYPE_GRAY, 4}, TPngCase{"Grey8", PNG_COLOR_TYPE_GRAY, 8},
        TPngCase{"Grey16", PNG_COLOR_TYPE_GRAY, 16}, TPngCase{"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        TPngCase{"GreyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16}, TPngCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8},
        TPngCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16}, TPngCase{"Rgb8Interlaced", PNG_COLOR_TYPE_RGB, 8, true},
        TPngCase{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        TPngCase{"Rgba16Interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
        TPngCase{"Palette1", PNG_COLOR_TYPE_PALETTE, 1}, TPngCase{"Palette2", PNG_COLOR_TYPE_PALETTE, 2},
        TPngCase{"Palette4", PNG_COLOR_TYPE_PALETTE, 4}, TPngCase{"Palette8", PNG_COLOR_TYPE_PALETTE, 8}),
    [](const auto& p) { return std::string(p.param.Name); });

// Two-pixel images with a transparency chunk (or none): the kind the reader reports, its
// transparent colour, and the alpha the decoder gives each pixel.
struct TTrnsCase
{
    const char* Name;
    TPngLayout Layout;
    TPngTransparency Kind;
    std::optional<TPngRgb> Transparent;
    std::vector<std::uint8_t> Alpha;
};

void PrintTo(const TTrnsCase& c, std::ostream* os)
{
    *os << c.Name;
}

TPngLayout Rgb2(int depth, std::vector<unsigned> samples, std::optional<png_color_16> trns)
{
    TPngLayout s = PngLayout(2, 1, PNG_COLOR_TYPE_RGB, depth);
    AppendPngSamples(s.Rows, samples, depth);
    s.TrnsColour = trns;
    return s;
}

TPngLayout Grey2(int depth, std::vector<unsigned> samples, std::optional<png_color_16> trns)
{
    TPngLayout s = Rgb2(depth, {}, trns);
    s.ColourType = PNG_COLOR_TYPE_GRAY;
    AppendPngSamples(s.Rows, samples, depth);
    return s;
}

TPngLayout Palette2(TBytes alpha)
{
    TPngLayout s = PngLayout(2, 1, PNG_COLOR_TYPE_PALETTE);
    s.Rows = {0, 1};
    s.Palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    s.PaletteAlpha = std::move(alpha);
    return s;
}

TPngLayout WithAlpha(int colourType)
{
    TPngLayout s = PngLayout(2, 1, colourType);
    s.Rows = colourType == PNG_COLOR_TYPE_RGB_ALPHA ? TBytes{1, 2, 3, 0, 4, 5, 6, 255} : TBytes{7, 0, 8, 255};
    return s;
}

png_color_16 Trns(png_uint_16 r, png_uint_16 g, png_uint_16 b, png_uint_16 grey = 0)
{
    png_color_16 c{};
    c.red = r, c.green = g, c.blue = b, c.gray = grey;
    return c;
}

class PngTransparency : public ::testing::TestWithParam<TTrnsCase>
{
};

TEST_P(PngTransparency, KindColourAndAlpha)
{
    const TTrnsCase& c = GetParam();
    TTempFiles files;
    const std::string path = files.Write("t.png", MakePng(c.Layout));
    TPngReader reader;
    ASSERT_TRUE(reader.Read(path));
    EXPECT_EQ(reader.Transparency(), c.Kind);
    EXPECT_EQ(reader.HasTransparentColour(), c.Transparent.has_value());
    if (c.Transparent)
    {
        EXPECT_EQ(reader.TransparentColour(), *c.Transparent);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(reader.AlphaRow(0), reader.AlphaRow(0) + 2), c.Alpha);

    // The header alone tells the same: the raster's loader decides by it before decoding.
    TPngReader info;
    ASSERT_TRUE(info.ReadInfo(path));
    EXPECT_EQ(info.Width(), 2);
    EXPECT_EQ(info.Transparency(), c.Kind);
    EXPECT_EQ(info.HasTransparentColour(), reader.HasTransparentColour());
    EXPECT_EQ(info.TransparentColour(), reader.TransparentColour());

    TRasterBase raster;
    raster.LoadFromFile(path);
    ASSERT_EQ(raster.Width(), 2);
    EXPECT_EQ(raster.Pixels[3], c.Alpha[0]);
    EXPECT_EQ(raster.Pixels[7], c.Alpha[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Png, PngTransparency,
    ::testing::Values(
        TTrnsCase{"NoChunk", Rgb2(8, {0, 0, 0, 0, 255, 0}, {}), TPngTransparency::None, {}, {255, 255}},
        TTrnsCase{"TruecolourGreen",
                  Rgb2(8, {0, 0, 0, 0, 255, 0}, Trns(0, 255, 0)),
                  TPngTransparency::SingleColour,
                  TPngRgb{0, 255, 0},
                  {255, 0}},
        TTrnsCase{"Truecolour16",
                  Rgb2(16, {0x1234, 0x5678, 0x9ABC, 0x1234, 0x5678, 0x9ABD}, Trns(0x1234, 0x5678, 0x9ABC)),
                  TPngTransparency::SingleColour,
                  TPngRgb{0x12, 0x56, 0x9A},
                  {0, 255}},
        TTrnsCase{"Grey8",
                  Grey2(8, {64, 65}, Trns(0, 0, 0, 64)),
                  TPngTransparency::SingleColour,
                  TPngRgb{64, 64, 64},
                  {0, 255}},
        TTrnsCase{"Grey4",
                  Grey2(4, {2, 3}, Trns(0, 0, 0, 3)),
                  TPngTransparency::SingleColour,
                  TPngRgb{51, 51, 51},
                  {255, 0}},
        TTrnsCase{"PaletteOneClear",
                  Palette2({255, 0}),
                  TPngTransparency::SingleColour,
                  TPngRgb{40, 50, 60},
                  {255, 0}},
        TTrnsCase{"PaletteOneHalf", Palette2({128}), TPngTransparency::SingleColour, {}, {128, 255}},
        TTrnsCase{
            "PaletteTwoClear", Palette2({0, 0}), TPngTransparency::Partial, TPngRgb{10, 20, 30}, {0, 0}},
        TTrnsCase{"PaletteClearAndHalf",
                  Palette2({0, 128}),
                  TPngTransparency::Partial,
                  TPngRgb{10, 20, 30},
                  {0, 128}},
        TTrnsCase{"PaletteAllOpaque", Palette2({255, 255, 255}), TPngTransparency::Partial, {}, {255, 255}},
        TTrnsCase{
            "TruecolourAlpha", WithAlpha(PNG_COLOR_TYPE_RGB_ALPHA), TPngTransparency::Partial, {}, {0, 255}},
        TTrnsCase{
            "GreyAlpha", WithAlpha(PNG_COLOR_TYPE_GRAY_ALPHA), TPngTransparency::Partial, {}, {0, 255}}),
    [](const auto& p) { return std::string(p.param.Name); });

TEST(PngReader, MissingOrForeignFileLeavesItEmpty)
{
    TTempFiles files;
    TBmpLayout bmp = BmpLayout(1, 1);
    bmp.Colours = {TestColours[2]};
    for (const std::string& path : {files.Path("absent.png"), files.Write("bitmap.png", MakeBmp(bmp))})
    {
        TPngReader reader;
        EXPECT_FALSE(reader.Read(path));
        EXPECT_EQ(reader.Width(), 0);
        EXPECT_EQ(reader.Height(), 0);
        EXPECT_EQ(reader.Transparency(), TPngTransparency::None);
        EXPECT_FALSE(reader.HasTransparentColour());
    }
}

// A header with a valid checksum that claims a size we refuse, or a size the file's data
// could never fill, is refused before any pixel buffer is allocated.
TEST(Png, AbsurdHeadersRefusedWithoutAllocating)
{
    for (auto [w, h] : {std::pair{16385u, 1u}, std::pair{1u, 16385u}, std::pair{16384u, 16384u},
                        std::pair{0u, 5u}, std::pair{0x7FFFFFFFu, 0x7FFFFFFFu}})
    {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        TBytes file = MakePng(Rgb2(8, {1, 2, 3, 4, 5, 6}, {}));
        for (int i = 0; i < 4; ++i)
        {
            file[16 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
            file[20 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
        }
        FixPngCrcs(file);
        TRgbaImage image;
        AllocationProbe::Reset();
        EXPECT_FALSE(DecodePng(file.data(), file.size(), image));
        EXPECT_LT(AllocationProbe::Largest(), 65536u);
        EXPECT_TRUE(image.Pixels.empty());
    }
}
} // namespace
