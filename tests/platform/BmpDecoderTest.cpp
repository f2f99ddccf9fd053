#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "tests/platform/AllocationProbe.h"
#include "tests/platform/TestImages.h"

#include <QImage>
#include <array>
#include <gtest/gtest.h>

namespace
{
struct TBmpCase
{
    const char* Name;
    int Bits;
    std::uint32_t Compression;
    std::uint32_t HeaderSize;
    bool TopDown;
    int Width;
    int Height;
    std::array<std::uint32_t, 4> Masks = {0, 0, 0, 0};
};

void PrintTo(const TBmpCase& c, std::ostream* os)
{
    *os << c.Name;
}

// Builds a file for the case and the pixels it must decode to. Neighbouring pixel pairs share an
// index so the RLE writer makes real runs.
void Build(const TBmpCase& c, TBmpLayout& layout, std::vector<TRgba>& expected)
{
    layout.Width = c.Width;
    layout.Height = c.Height;
    layout.TopDown = c.TopDown;
    layout.Bits = c.Bits;
    layout.Compression = c.Compression;
    layout.HeaderSize = c.HeaderSize;
    for (int k = 0; k < 4; ++k)
        layout.Masks[k] = c.Masks[static_cast<std::size_t>(k)];
    const bool hasAlpha = c.Masks[3] != 0;
    const int colours = c.Bits == 1 ? 2 : c.Bits == 16 ? 8 : 16;
    if (c.Bits <= 8)
        layout.Palette.assign(TestColours, TestColours + (c.HeaderSize == 12 ? 1 << c.Bits : colours));
    for (int y = 0; y < c.Height; ++y)
        for (int x = 0; x < c.Width; ++x)
        {
            const int index = ((x / 2) * 3 + y * 5 + 1) % colours;
            TRgba colour = TestColours[index];
            if (hasAlpha)
                colour.A = static_cast<std::uint8_t>(index * 17);
            expected.push_back(colour);
            if (c.Bits <= 8)
                layout.Indices.push_back(static_cast<std::uint8_t>(index));
            else
                layout.Colours.push_back(colour);
        }
}

class BmpVariants : public ::testing::TestWithParam<TBmpCase>
{
};

TEST_P(BmpVariants, DecodeToTheirPixels)
{
    TBmpLayout layout;
    std::vector<TRgba> expected;
    Build(GetParam(), layout, expected);
    TTempFiles files;
    auto raster = files.Load(MakeBmp(layout));
    ASSERT_EQ(raster->Width(), GetParam().Width);
    ASSERT_EQ(raster->Height(), GetParam().Height);
    EXPECT_EQ(PixelsOf(*raster), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bmp, BmpVariants,
    ::testing::Values(
        TBmpCase{"Mono9Wide", 1, 0, 40, false, 9, 3}, TBmpCase{"CoreHeader4Bit", 4, 0, 12, false, 5, 3},
        TBmpCase{"Palette4OddTopDown", 4, 0, 40, true, 7, 4}, TBmpCase{"Palette8", 8, 0, 40, false, 6, 5},
        TBmpCase{"Palette8TopDown", 8, 0, 40, true, 6, 5}, TBmpCase{"Rle8", 8, 1, 40, false, 7, 4},
        TBmpCase{"Rle4", 4, 2, 40, false, 7, 4}, TBmpCase{"Rgb555", 16, 0, 40, false, 3, 3},
        TBmpCase{"Rgb565Fields", 16, 3, 40, false, 5, 2, {0xF800, 0x07E0, 0x001F, 0}},
        TBmpCase{"Rgb565V2", 16, 3, 52, true, 3, 2, {0xF800, 0x07E0, 0x001F, 0}},
        TBmpCase{"Bgr24Odd", 24, 0, 40, false, 5, 3}, TBmpCase{"Bgr24TopDown", 24, 0, 40, true, 1, 4},
        TBmpCase{"Bgr24V4", 24, 0, 108, false, 3, 2},
        TBmpCase{"Xrgb32PaddingIsNotAlpha", 32, 0, 40, false, 3, 3},
        TBmpCase{"Bgrx32Fields", 32, 3, 40, false, 3, 2, {0xFF, 0xFF00, 0xFF0000, 0}},
        TBmpCase{"Argb32V5", 32, 3, 124, true, 4, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}}),
    [](const auto& p) { return std::string(p.param.Name); });

TEST(Bmp, AlphaMaskOverAnEmptyChannelShowsOpaque)
{
    TBmpLayout layout = BmpLayout(2, 1, 32, 3);
    layout.HeaderSize = 124;
    layout.Masks[0] = 0xFF0000, layout.Masks[1] = 0xFF00, layout.Masks[2] = 0xFF,
    layout.Masks[3] = 0xFF000000;
    layout.Colours = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    TTempFiles files;
    auto raster = files.Load(MakeBmp(layout));
    EXPECT_EQ(PixelsOf(*raster), (std::vector<TRgba>{{10, 20, 30, 255}, {40, 50, 60, 255}}));
}

void Put32At(TBytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(Bmp, IndexPastThePaletteIsBlack)
{
    TBmpLayout layout = BmpLayout(3, 1, 8);
    layout.Palette = {TestColours[2], TestColours[3]};
    layout.Indices = {1, 200, 0};
    TTempFiles files;
    auto raster = files.Load(MakeBmp(layout));
    EXPECT_EQ(PixelsOf(*raster), (std::vector<TRgba>{TestColours[3], TestColours[0], TestColours[2]}));
}

// The first index past the palette is black as well, not the bytes after the last counted entry:
// here a white entry that the file holds but its header does not count.
TEST(Bmp, IndexJustPastThePaletteIsBlack)
{
    for (int bits : {4, 8})
    {
        SCOPED_TRACE(bits);
        TBmpLayout layout = BmpLayout(3, 1, bits);
        layout.Palette = {TestColours[2], TestColours[3], TestColours[1]};
        layout.Indices = {1, 2, 0};
        TBytes file = MakeBmp(layout);
        Put32At(file, 46, 2); // the palette's count in the info header
        TTempFiles files;
        auto raster = files.Load(file);
        EXPECT_EQ(PixelsOf(*raster), (std::vector<TRgba>{TestColours[3], TestColours[0], TestColours[2]}));
    }
}

// An RLE code that draws past the end of its row (3 pixels wide) is clipped there: the top row
// gets the pixels that fit, and the row below, drawn first, keeps its own.
struct TRleCase
{
    const char* Name;
    std::uint32_t Compression;
    TBytes TopRow; // the codes of the top row
    std::array<int, 3> Expected;
};

void PrintTo(const TRleCase& c, std::ostream* os)
{
    *os << c.Name;
}

class BmpRleCodePastTheRowEnd : public ::testing::TestWithParam<TRleCase>
{
};

TEST_P(BmpRleCodePastTheRowEnd, IsClippedAndLeavesTheOtherRowAlone)
{
    const TRleCase& c = GetParam();
    TBmpLayout layout = BmpLayout(3, 2, c.Compression == 1 ? 8 : 4, c.Compression);
    layout.Palette.assign(TestColours, TestColours + 4);
    const std::uint8_t colour1 = c.Compression == 1 ? 0x01 : 0x11;
    layout.Stream = {3, colour1, 0, 0}; // the bottom row: three of colour 1
    layout.Stream.insert(layout.Stream.end(), c.TopRow.begin(), c.TopRow.end());
    layout.Stream.insert(layout.Stream.end(), {0, 1});
    TTempFiles files;
    auto raster = files.Load(MakeBmp(layout));
    ASSERT_EQ(raster->Width(), 3);
    std::vector<TRgba> expected;
    for (int index : c.Expected)
        expected.push_back(TestColours[index]);
    expected.insert(expected.end(), 3, TestColours[1]);
    EXPECT_EQ(PixelsOf(*raster), expected);
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpRleCodePastTheRowEnd,
                         ::testing::Values(TRleCase{"Rle8Run", 1, {5, 2}, {2, 2, 2}},
                                           TRleCase{"Rle8RunFromTheMiddle", 1, {2, 3, 4, 2}, {3, 3, 2}},
                                           TRleCase{"Rle8Absolute", 1, {0, 5, 2, 3, 2, 3, 2, 0}, {2, 3, 2}},
                                           TRleCase{"Rle4Run", 2, {5, 0x23}, {2, 3, 2}},
                                           TRleCase{
                                               "Rle4Absolute", 2, {0, 5, 0x23, 0x23, 0x20, 0}, {2, 3, 2}}),
                         [](const auto& p) { return std::string(p.param.Name); });

// Files written by Qt's own BMP writer (what other tools on the machine produce) decode to the
// same pixels Qt reads back.
TEST(Bmp, ReadsWhatQtWrites)
{
    QImage source(7, 5, QImage::Format_RGB888);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            source.setPixelColor(x, y, QColor(x * 36, y * 60, 255 - x * 20));
    TTempFiles files;
    for (QImage::Format format :
         {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_Mono})
    {
        SCOPED_TRACE(format);
        const QImage converted = source.convertToFormat(format);
        ASSERT_TRUE(converted.save(QString::fromStdString(files.Path("qt.bmp")), "BMP"));
        const QImage reread(QString::fromStdString(files.Path("qt.bmp")));
        TRasterBase raster;
        raster.LoadFromFile(files.Path("qt.bmp"));
        ASSERT_EQ(raster.Width(), 7);
        ASSERT_EQ(raster.Height(), 5);
        const auto pixels = PixelsOf(raster);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
            {
                const QColor c = reread.pixelColor(x, y);
                const TRgba want{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                                 static_cast<std::uint8_t>(c.blue()), 255};
                ASSERT_EQ(pixels[static_cast<std::size_t>(y * 7 + x)], want) << x << "," << y;
            }
    }
}

TBytes ValidBmp24(int width, int height)
{
    TBmpLayout layout = BmpLayout(width, height);
    layout.Colours.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), TestColours[9]);
    return MakeBmp(layout);
}

struct TBadBmp
{
    const char* Name;
    void (*Damage)(TBytes&);
};

void PrintTo(const TBadBmp& c, std::ostream* os)
{
    *os << c.Name;
}

class BmpRefused : public ::testing::TestWithParam<TBadBmp>
{
};

// Each damaged header must give an empty raster, and must be refused before a pixel buffer is
// allocated (the largest allocation stays near the size of the file itself).
TEST_P(BmpRefused, WithoutAllocatingForPixels)
{
    TBytes file = ValidBmp24(4, 4);
    GetParam().Damage(file);
    TRgbaImage image;
    AllocationProbe::Reset();
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), image));
    EXPECT_LT(AllocationProbe::Largest(), 4096u);
    EXPECT_EQ(image.Width, 0);
    EXPECT_TRUE(image.Pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bmp, BmpRefused,
    ::testing::Values(TBadBmp{"ZeroWidth", [](TBytes& b) { Put32At(b, 18, 0); }},
                      TBadBmp{"ZeroHeight", [](TBytes& b) { Put32At(b, 22, 0); }},
                      TBadBmp{"NegativeWidth",
                              [](TBytes& b) { Put32At(b, 18, static_cast<std::uint32_t>(-4)); }},
                      TBadBmp{"MostNegativeHeight", [](TBytes& b) { Put32At(b, 22, 0x80000000u); }},
                      TBadBmp{"WidthOverLimit", [](TBytes& b) { Put32At(b, 18, 16385); }},
                      TBadBmp{"TopDownHeightOverLimit",
                              [](TBytes& b) { Put32At(b, 22, static_cast<std::uint32_t>(-16385)); }},
                      TBadBmp{"HugeButAllowedSizeOnATinyFile",
                              [](TBytes& b) { Put32At(b, 18, 16384), Put32At(b, 22, 16384); }},
                      TBadBmp{"UnknownHeaderSize", [](TBytes& b) { Put32At(b, 14, 41); }},
                      TBadBmp{"UnsupportedBitCount", [](TBytes& b) { b[28] = 7; }},
                      TBadBmp{"EmbeddedJpeg", [](TBytes& b) { Put32At(b, 30, 4); }},
                      TBadBmp{"Rle8On24Bits", [](TBytes& b) { Put32At(b, 30, 1); }},
                      TBadBmp{"PixelOffsetPastTheEnd", [](TBytes& b) { Put32At(b, 10, 0xFFFFFFF0u); }},
                      TBadBmp{"LastRowCut", [](TBytes& b) { b.pop_back(); }},
                      TBadBmp{"PaletteLongerThanTheFile", [](TBytes& b) { b[28] = 8, Put32At(b, 46, 256); }},
                      TBadBmp{"HeaderOnly", [](TBytes& b) { b.resize(30); }}),
    [](const auto& p) { return std::string(p.param.Name); });

TEST(Bmp, LargestSideIsAccepted)
{
    for (auto [w, h] : {std::pair{16384, 1}, std::pair{1, 16384}})
    {
        const TBytes file = ValidBmp24(w, h);
        TRgbaImage image;
        ASSERT_TRUE(DecodeBmp(file.data(), file.size(), image));
        EXPECT_EQ(image.Width, w);
        EXPECT_EQ(image.Height, h);
    }
}
} // namespace
