// The two roads a BMP takes into the analyzer. The kinds cameras and scopes write (24 bits, or 32
// bits in whole bytes) are decoded straight into the bitmap; every other kind takes the raster
// wrapper's general road. Whichever road, the analyzer holds the bytes the general road decodes,
// and a file the general road refuses is refused for the same reason.

#include "TestSupport.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/OpaqueImageDecoder.h"
#include "platform/TBitmap.h"
#include "tests/platform/ImageFixtures.h"

#include <gtest/gtest.h>
#include <random>

namespace
{
const TImageSizes Accepted{{{640, 480}, {720, 480}}};

std::vector<TRgba> RandomColours(int width, int height, unsigned seed, bool alpha)
{
    std::mt19937 random(seed);
    std::vector<TRgba> colours(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (TRgba& c : colours)
    {
        const auto v = static_cast<std::uint32_t>(random());
        c = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v >> 16),
             alpha ? static_cast<std::uint8_t>(v >> 24) : std::uint8_t{255}};
    }
    return colours;
}

TBmpLayout Colours(int width, int height, int bits, unsigned seed, std::uint32_t compression = 0)
{
    TBmpLayout layout = BmpLayout(width, height, bits, compression);
    layout.Colours = RandomColours(width, height, seed, false);
    return layout;
}

// A 32-bit file with bit fields: the colour masks are the bytes red, green, blue unless given.
TBmpLayout Fields(std::uint32_t headerSize, std::uint32_t alphaMask, unsigned seed,
                  std::uint32_t red = 0xFF0000u, std::uint32_t green = 0xFF00u, std::uint32_t blue = 0xFFu)
{
    TBmpLayout layout = BmpLayout(640, 480, 32, 3);
    layout.HeaderSize = headerSize;
    layout.Masks[0] = red;
    layout.Masks[1] = green;
    layout.Masks[2] = blue;
    layout.Masks[3] = alphaMask;
    layout.Colours = RandomColours(640, 480, seed, alphaMask != 0);
    return layout;
}

std::uint32_t PixelOffset(const TBytes& file)
{
    return static_cast<std::uint32_t>(file[10] | (file[11] << 8) | (file[12] << 16) | (file[13] << 24));
}

// Without masks the fourth byte of a 32-bit pixel is padding: nonzero here, and to be ignored.
TBytes PaddedWithNoise()
{
    TBytes file = MakeBmp(Colours(640, 480, 32, 5));
    for (std::size_t at = PixelOffset(file) + 3; at < file.size(); at += 4)
        file[at] = static_cast<std::uint8_t>(at * 7 + 1);
    return file;
}

// BI_ALPHABITFIELDS: the four masks in a 56-byte header.
TBytes AlphaBitfields()
{
    TBmpLayout layout = Fields(56, 0xFF000000u, 6);
    layout.TopDown = true;
    TBytes file = MakeBmp(layout);
    file[30] = 6;
    return file;
}

TBytes AlphaLeftZero()
{
    TBmpLayout layout = Fields(56, 0xFF000000u, 7);
    for (TRgba& c : layout.Colours)
        c.A = 0;
    return MakeBmp(layout);
}

TBytes Palette8(std::uint32_t compression)
{
    TBmpLayout layout = BmpLayout(640, 480, 8, compression);
    for (int i = 0; i < 256; ++i)
        layout.Palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                  static_cast<std::uint8_t>(i * 3)});
    std::mt19937 random(8);
    // Runs of a few pixels, so RLE uses both its codes.
    for (int i = 0; i < 640 * 480; ++i)
        layout.Indices.push_back(static_cast<std::uint8_t>((i / 3) % 7 == 0 ? random() : 40));
    return MakeBmp(layout);
}

TBytes Truncated(TBytes file, std::size_t shorter)
{
    file.resize(file.size() - shorter);
    return file;
}

struct TBmpCase
{
    const char* Name;
    TBytes File;
    bool Quick; // whether the quick road takes it when any size is asked for
};

std::vector<TBmpCase> Cases()
{
    TBmpLayout topDown = Colours(640, 480, 24, 2);
    topDown.TopDown = true;
    TBmpLayout core = Colours(640, 480, 24, 3);
    core.HeaderSize = 12;
    TBmpLayout alpha = Fields(108, 0xFF000000u, 4);
    alpha.TopDown = true;
    return {
        {"24-bit bottom-up", MakeBmp(Colours(640, 480, 24, 1)), true},
        {"24-bit top-down", MakeBmp(topDown), true},
        {"24-bit 720 x 480", MakeBmp(Colours(720, 480, 24, 9)), true},
        {"24-bit padded rows", MakeBmp(Colours(37, 23, 24, 10)), true},
        {"24-bit core header", MakeBmp(core), true},
        {"32-bit padding byte", PaddedWithNoise(), true},
        {"32-bit byte masks", MakeBmp(Fields(40, 0, 11)), true},
        {"32-bit alpha over white", MakeBmp(alpha), true},
        {"32-bit alpha left zero", AlphaLeftZero(), true},
        {"32-bit alpha bit fields", AlphaBitfields(), true},
        {"16-bit", MakeBmp(Colours(640, 480, 16, 12)), false},
        {"32-bit 10-bit masks", MakeBmp(Fields(40, 0, 13, 0x3FF00000u, 0xFFC00u, 0x3FFu)), false},
        {"8-bit palette", Palette8(0), false},
        {"RLE8", Palette8(1), false},
        {"RLE8 truncated", Truncated(Palette8(1), 300), false},
        {"24-bit 800 x 600", MakeBmp(Colours(800, 600, 24, 14)), true},
        {"24-bit truncated", Truncated(MakeBmp(Colours(640, 480, 24, 15)), 1), false},
        {"32-bit truncated", Truncated(MakeBmp(Fields(108, 0xFF000000u, 16)), 2000), false},
    };
}
} // namespace

// One analyzer takes the whole run, as a batch does, so each file also lands in storage the one
// before left behind.
TEST(BmpRoads, EachKindGivesTheGeneralRoadsBytesOrRefusal)
{
    TempDir dir;
    TFiberAnalyzer a;
    for (const TBmpCase& c : Cases())
    {
        const std::string path = dir / "face.bmp";
        WriteFile(path, c.File);
        TBitmap quick;
        const bool taken = DecodeOpaqueImage(path, quick);
        EXPECT_EQ(taken, c.Quick) << c.Name;
        if (taken)
        {
            EXPECT_EQ(quick.Image(), TLumarcRaster(path).Bitmap->Image()) << c.Name;
        }

        const TLumarcRaster general(path, Accepted);
        TImageRefusal why;
        const bool loaded = a.LoadImageFile(path, &why);
        EXPECT_EQ(loaded, !general.Refusal) << c.Name;
        if (loaded)
        {
            EXPECT_EQ(a.SourceRaster->Bitmap->Image(), general.Bitmap->Image()) << c.Name;
            EXPECT_EQ(a.WorkRaster->Bitmap->Image(), general.Bitmap->Image()) << c.Name;
        }
        else
        {
            EXPECT_EQ(why.Problem, general.Refusal.Problem) << c.Name;
        }
    }
}

// The second fiber mode analyses the file the first one loaded by handing the analyzer its own
// source: the working image, painted by the first analysis, starts again from the file's pixels,
// whichever road brought them.
TEST(LoadImageBitmap, TheAnalyzersOwnSourceRenewsTheWorkingImage)
{
    TempDir dir;
    for (const TBmpCase& c : {TBmpCase{"quick", MakeBmp(Colours(640, 480, 24, 20)), true},
                              TBmpCase{"general", MakeBmp(Colours(640, 480, 16, 21)), false}})
    {
        const std::string path = dir / "face.bmp";
        WriteFile(path, c.File);
        TFiberAnalyzer a;
        ASSERT_TRUE(a.LoadImageFile(path)) << c.Name;
        const QImage file = a.SourceRaster->Bitmap->Image().copy();
        const TLumarcRaster* source = a.SourceRaster.get();
        a.Analyze();
        for (int y = 0; y < 480; ++y)
            a.WorkRaster->Bitmap->ScanLine(y)[0] ^= 0xFF;

        ASSERT_TRUE(a.LoadImageBitmap(path, *a.SourceRaster->Bitmap)) << c.Name;
        EXPECT_EQ(a.SourceRaster.get(), source) << c.Name;
        EXPECT_EQ(a.SourceRaster->Bitmap->Image(), file) << c.Name;
        EXPECT_EQ(a.WorkRaster->Bitmap->Image(), file) << c.Name;
        EXPECT_EQ(a.WorkRaster->FileName, path) << c.Name;
    }
}
