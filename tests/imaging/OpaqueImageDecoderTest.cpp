// The quick road (JPEG, opaque PNG and 8-bit PNG with alpha straight into the bitmap) against the
// general road of the raster wrapper: the same bytes for every file it takes, and no say over any
// file it leaves.

#include "platform/OpaqueImageDecoder.h"

#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "tests/platform/TestImages.h"

#include <gtest/gtest.h>
#include <random>

namespace
{
constexpr int W = 37;
constexpr int H = 23;

// Random samples of the given bit depth, packed row by row for channels per pixel.
TBytes RandomRows(int channels, int depth, unsigned seed)
{
    std::mt19937 random(seed);
    TBytes rows;
    for (int y = 0; y < H; ++y)
    {
        TBytes row;
        std::vector<unsigned> samples;
        for (int i = 0; i < W * channels; ++i)
            samples.push_back(static_cast<unsigned>(random() % (1u << depth)));
        AppendPngSamples(row, samples, depth);
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

TPngLayout Png(int colourType, int depth, int channels, bool interlaced = false)
{
    TPngLayout layout = PngLayout(W, H, colourType, depth, interlaced);
    layout.Rows = RandomRows(channels, depth, static_cast<unsigned>(colourType * 100 + depth));
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        for (int i = 0; i < (1 << depth); ++i)
            layout.Palette.push_back(
                {static_cast<png_byte>(i * 7), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 3)});
    return layout;
}

TBytes RandomRgb(unsigned seed)
{
    std::mt19937 random(seed);
    TBytes rgb(static_cast<std::size_t>(W * H * 3));
    for (std::uint8_t& v : rgb)
        v = static_cast<std::uint8_t>(random() & 0xFF);
    return rgb;
}

std::vector<std::uint8_t> BytesOf(const TBitmap& b)
{
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y)
        out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + 3 * b.Width());
    return out;
}

struct Case
{
    const char* Name;
    TBytes File;
    bool Quick; // whether the quick road takes it
};

std::vector<Case> Cases()
{
    png_color_16 grey{};
    grey.gray = 3;
    TPngLayout greyTrns = Png(PNG_COLOR_TYPE_GRAY, 8, 1);
    greyTrns.TrnsColour = grey;
    TPngLayout paletteTrns = Png(PNG_COLOR_TYPE_PALETTE, 4, 1);
    paletteTrns.PaletteAlpha = {255, 0};
    TBytes truncatedJpeg = MakeJpeg(RandomRgb(2), W, H, 90);
    truncatedJpeg.resize(truncatedJpeg.size() / 2);
    TBytes truncatedPng = MakePng(Png(PNG_COLOR_TYPE_RGB, 8, 3));
    truncatedPng.resize(truncatedPng.size() - 40);
    return {
        {"jpeg colour", MakeJpeg(RandomRgb(1), W, H, 90), true},
        {"jpeg grey", MakeJpeg(RandomRgb(3), W, H, 75, true), true},
        {"png rgb 8", MakePng(Png(PNG_COLOR_TYPE_RGB, 8, 3)), true},
        {"png rgb 16", MakePng(Png(PNG_COLOR_TYPE_RGB, 16, 3)), true},
        {"png rgb interlaced", MakePng(Png(PNG_COLOR_TYPE_RGB, 8, 3, true)), true},
        {"png grey 1", MakePng(Png(PNG_COLOR_TYPE_GRAY, 1, 1)), true},
        {"png grey 4", MakePng(Png(PNG_COLOR_TYPE_GRAY, 4, 1)), true},
        {"png grey 8", MakePng(Png(PNG_COLOR_TYPE_GRAY, 8, 1)), true},
        {"png grey 16", MakePng(Png(PNG_COLOR_TYPE_GRAY, 16, 1)), true},
        {"png palette 2", MakePng(Png(PNG_COLOR_TYPE_PALETTE, 2, 1)), true},
        {"png palette 8", MakePng(Png(PNG_COLOR_TYPE_PALETTE, 8, 1)), true},
        {"png rgba", MakePng(Png(PNG_COLOR_TYPE_RGB_ALPHA, 8, 4)), true},
        {"png grey alpha", MakePng(Png(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2)), true},
        {"png rgba 16", MakePng(Png(PNG_COLOR_TYPE_RGB_ALPHA, 16, 4)), false},
        {"png grey with transparent level", MakePng(greyTrns), false},
        {"png palette with transparent entry", MakePng(paletteTrns), false},
        {"jpeg truncated", truncatedJpeg, false},
        {"png truncated", truncatedPng, false},
    };
}
} // namespace

TEST(OpaqueImageDecoder, TakesItsKindsOfFileAndGivesTheGeneralRoadsBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : Cases())
        for (const char* suffix : {".png", ".jpg"}) // the general road routes by name, too
        {
            const std::string path = dir.filePath(QString("face") + suffix).toStdString();
            WriteFile(path, c.File);
            TBitmap quick;
            const bool taken = DecodeOpaqueImage(path, quick);
            EXPECT_EQ(taken, c.Quick) << c.Name << suffix;
            if (!taken)
                continue;
            const TLumarcRaster general(path);
            EXPECT_EQ(quick.Width(), general.Bitmap->Width()) << c.Name << suffix;
            EXPECT_EQ(BytesOf(quick), BytesOf(*general.Bitmap)) << c.Name << suffix;
        }
}

// The decoder reuses the bitmap it is given; a smaller image after a larger one must not keep
// any of the larger one's rows.
TEST(OpaqueImageDecoder, ReusedBitmapTakesEachFilesSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string big = dir.filePath("big.png").toStdString();
    TPngLayout layout = PngLayout(W + 10, H + 5);
    layout.Rows.assign(static_cast<std::size_t>((W + 10) * (H + 5) * 3), 200);
    WriteFile(big, MakePng(layout));
    const std::string small = dir.filePath("small.jpg").toStdString();
    WriteFile(small, MakeJpeg(RandomRgb(9), W, H, 90));

    TBitmap b;
    ASSERT_TRUE(DecodeOpaqueImage(big, b));
    ASSERT_TRUE(DecodeOpaqueImage(small, b));
    EXPECT_EQ(BytesOf(b), BytesOf(*TLumarcRaster(small).Bitmap));
}
