// Damaged files of every format: each prefix of a small valid file, and a fixed, seeded set of
// random byte changes. Nothing may crash or read out of bounds (the sanitizer build watches),
// and each result is either a consistent image or nothing at all.

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"
#include "tests/platform/TestImages.h"

#include <gtest/gtest.h>
#include <random>

namespace
{
struct TSample
{
    const char* Name;
    TBytes File;
    bool CutFileIsRefused; // every strict prefix must fail
    bool IsPng = false;
};

bool DecodeAny(const TBytes& file, TRgbaImage& image)
{
    switch (DetectImageFormat(file.data(), file.size()))
    {
    case TImageFormat::Bmp:
        return DecodeBmp(file.data(), file.size(), image);
    case TImageFormat::Jpeg:
        return DecodeJpeg(file.data(), file.size(), image);
    case TImageFormat::Png:
        return DecodePng(file.data(), file.size(), image);
    default:
        return false;
    }
}

void ExpectConsistent(bool ok, const TRgbaImage& image)
{
    if (!ok)
    {
        EXPECT_EQ(image.Width, 0);
        EXPECT_EQ(image.Height, 0);
        EXPECT_TRUE(image.Pixels.empty());
        return;
    }
    ASSERT_TRUE(ImageSizeAcceptable(image.Width, image.Height));
    ASSERT_EQ(image.Pixels.size(),
              static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height) * 4);
}

std::vector<TSample> Samples()
{
    std::vector<TSample> samples;
    TBmpLayout bmp24 = BmpLayout(9, 7);
    TBmpLayout bmp8 = BmpLayout(9, 7, 8);
    TBmpLayout rle4 = BmpLayout(9, 7, 4, 2);
    bmp8.Palette.assign(TestColours, TestColours + 16);
    rle4.Palette = bmp8.Palette;
    TPngLayout rgb = PngLayout(9, 7);
    TPngLayout palette = PngLayout(9, 7, PNG_COLOR_TYPE_PALETTE, 8, true);
    TPngLayout rgba16 = PngLayout(9, 7, PNG_COLOR_TYPE_RGB_ALPHA, 16);
    for (const TRgba& c : TestColours)
        palette.Palette.push_back({c.R, c.G, c.B});
    palette.PaletteAlpha = {0, 128, 255, 0};
    TBytes rgbPixels;
    for (int i = 0; i < 63; ++i)
    {
        const TRgba c = TestColours[(i * 7) % 16];
        bmp24.Colours.push_back(c);
        bmp8.Indices.push_back(static_cast<std::uint8_t>((i / 2) % 16));
        rle4.Indices.push_back(static_cast<std::uint8_t>((i / 3) % 16));
        rgb.Rows.insert(rgb.Rows.end(), {c.R, c.G, c.B});
        palette.Rows.push_back(static_cast<std::uint8_t>(i % 16));
        for (std::uint8_t v : {c.R, c.G, c.B, static_cast<std::uint8_t>(i * 4)})
            rgba16.Rows.insert(rgba16.Rows.end(), {v, static_cast<std::uint8_t>(i)});
        rgbPixels.insert(rgbPixels.end(), {c.R, c.G, c.B});
    }
    samples.push_back({"bmp24", MakeBmp(bmp24), true});
    samples.push_back({"bmp8", MakeBmp(bmp8), true});
    samples.push_back({"rle4", MakeBmp(rle4), false});
    samples.push_back({"jpeg", MakeJpeg(rgbPixels, 9, 7, 90), true});
    samples.push_back({"png-rgb", MakePng(rgb), true, true});
    samples.push_back({"png-palette-interlaced", MakePng(palette), true, true});
    samples.push_back({"png-rgba16", MakePng(rgba16), true, true});
    return samples;
}

TEST(DecoderRobustness, EveryPrefixIsRefusedOrConsistent)
{
    for (const TSample& sample : Samples())
    {
        SCOPED_TRACE(sample.Name);
        TRgbaImage whole;
        ASSERT_TRUE(DecodeAny(sample.File, whole));
        for (std::size_t n = 0; n < sample.File.size(); ++n)
        {
            const TBytes prefix(sample.File.begin(), sample.File.begin() + static_cast<std::ptrdiff_t>(n));
            TRgbaImage image;
            const bool ok = DecodeAny(prefix, image);
            ExpectConsistent(ok, image);
            if (sample.CutFileIsRefused)
            {
                ASSERT_FALSE(ok) << "prefix of " << n << " bytes";
            }
        }
    }
}

TEST(DecoderRobustness, SeededByteChangesAreRefusedOrConsistent)
{
    std::mt19937 random(20261210);
    for (const TSample& sample : Samples())
    {
        SCOPED_TRACE(sample.Name);
        for (int round = 0; round < 300; ++round)
        {
            TBytes file = sample.File;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i)
                file[random() % file.size()] = static_cast<std::uint8_t>(random());
            // Half the damaged PNGs get fresh checksums, so the damage reaches the decompressor
            // and the row filters instead of stopping at the CRC check.
            if (sample.IsPng && round % 2 == 0)
                FixPngCrcs(file);
            TRgbaImage image;
            const bool ok = DecodeAny(file, image);
            ExpectConsistent(ok, image);
            if (ok)
            {
                TRasterBase raster;
                raster.Alloc(image.Width, image.Height);
                std::copy(image.Pixels.begin(), image.Pixels.end(), raster.Pixels);
                TBitmap bitmap;
                raster.DecodeToBitmap(&bitmap);
                ASSERT_EQ(bitmap.Width(), image.Width);
                ASSERT_EQ(bitmap.Height(), image.Height);
            }
        }
    }
}
} // namespace
