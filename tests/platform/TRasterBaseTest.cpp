#include "platform/TRasterBase.h"

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "tests/platform/AllocationProbe.h"
#include "tests/platform/TestImages.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{
TBytes Gradient(int width, int height)
{
    TBytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            rgb.push_back(static_cast<std::uint8_t>(x * 255 / (width - 1)));
            rgb.push_back(static_cast<std::uint8_t>(y * 255 / (height - 1)));
            rgb.push_back(static_cast<std::uint8_t>(128 + (x - y) * 2));
        }
    return rgb;
}

int LargestDifference(const TRasterBase& raster, const TBytes& rgb, bool grey)
{
    int worst = 0;
    const auto pixels = PixelsOf(raster);
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        const TRgba& p = pixels[i];
        EXPECT_EQ(p.A, 255);
        const std::uint8_t want[3] = {rgb[3 * i], grey ? rgb[3 * i] : rgb[3 * i + 1],
                                      grey ? rgb[3 * i] : rgb[3 * i + 2]};
        const std::uint8_t got[3] = {p.R, p.G, p.B};
        for (int k = 0; k < 3; ++k)
            worst = std::max(worst, std::abs(int(got[k]) - int(want[k])));
    }
    return worst;
}

TEST(Jpeg, DecodesCloseToItsSource)
{
    TTempFiles files;
    const TBytes rgb = Gradient(33, 17);
    for (bool grey : {false, true})
    {
        SCOPED_TRACE(grey ? "grey" : "colour");
        auto raster = files.Load(MakeJpeg(rgb, 33, 17, 95, grey));
        ASSERT_EQ(raster->Width(), 33);
        ASSERT_EQ(raster->Height(), 17);
        EXPECT_LE(LargestDifference(*raster, rgb, grey), 6);
        if (grey)
        {
            for (const TRgba& p : PixelsOf(*raster))
                ASSERT_TRUE(p.R == p.G && p.G == p.B);
        }
    }
}

TEST(Jpeg, HeaderOverTheLimitRefusedWithoutAllocating)
{
    TBytes file = MakeJpeg(Gradient(8, 8), 8, 8, 90);
    // The frame header: FF C0, length, precision, then height and width (big-endian).
    std::size_t sof = 2;
    while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, file.size());
    for (auto [w, h] : {std::pair{16385, 8}, std::pair{8, 16385}, std::pair{65535, 65535}, std::pair{0, 8}})
    {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        TBytes damaged = file;
        damaged[sof + 5] = static_cast<std::uint8_t>(h >> 8);
        damaged[sof + 6] = static_cast<std::uint8_t>(h);
        damaged[sof + 7] = static_cast<std::uint8_t>(w >> 8);
        damaged[sof + 8] = static_cast<std::uint8_t>(w);
        TRgbaImage image;
        AllocationProbe::Reset();
        EXPECT_FALSE(DecodeJpeg(damaged.data(), damaged.size(), image));
        EXPECT_LT(AllocationProbe::Largest(), 65536u);
    }
}

// Alpha is composited over white: clear shows white, opaque shows the colour, half lies between.
TEST(RasterBase, DecodeToBitmapCompositesOverWhite)
{
    TRasterBase raster;
    raster.Alloc(3, 2);
    const std::uint8_t pixels[] = {10,  20, 30,  255, 10, 20, 30, 0, 0,   0,   0,   128, //
                                   200, 0,  100, 255, 0,  0,  0,  0, 255, 255, 255, 1};
    std::copy(std::begin(pixels), std::end(pixels), raster.Pixels);
    TBitmap bitmap;
    raster.DecodeToBitmap(&bitmap);
    ASSERT_EQ(bitmap.Width(), 3);
    ASSERT_EQ(bitmap.Height(), 2);
    const std::uint8_t row0[] = {30, 20, 10, 255, 255, 255, 127, 127, 127};
    const std::uint8_t row1[] = {100, 0, 200, 255, 255, 255, 255, 255, 255};
    EXPECT_TRUE(std::equal(row0, row0 + 9, bitmap.ScanLine(0)));
    EXPECT_TRUE(std::equal(row1, row1 + 9, bitmap.ScanLine(1)));
}

TEST(RasterBase, AllocGivesAZeroedBufferOrNothing)
{
    TRasterBase raster;
    raster.Alloc(5, 3);
    ASSERT_NE(raster.Pixels, nullptr);
    EXPECT_EQ(raster.Width(), 5);
    EXPECT_EQ(raster.Height(), 3);
    EXPECT_TRUE(std::all_of(raster.Pixels, raster.Pixels + 60, [](std::uint8_t b) { return b == 0; }));

    for (auto [w, h] : {std::pair{0, 3}, std::pair{3, -1}, std::pair{16385, 1}, std::pair{1, 16385}})
    {
        AllocationProbe::Reset();
        raster.Alloc(w, h);
        EXPECT_EQ(raster.Pixels, nullptr);
        EXPECT_EQ(raster.Width(), 0);
        EXPECT_EQ(raster.Height(), 0);
        EXPECT_LT(AllocationProbe::Largest(), 4096u);
    }
}

// Unreadable input of every kind (missing, empty, foreign, a folder, a pipe, a device) leaves a
// 0 x 0 raster and bitmap, even after a good load, without allocating for it.
TEST(RasterBase, UnreadableFilesGiveAnEmptyRaster)
{
    TTempFiles files;
    TBmpLayout good = BmpLayout(2, 2);
    good.Colours.assign(4, TestColours[3]);
    const std::string goodPath = files.Write("good.bmp", MakeBmp(good));
    const std::string paths[] = {files.Path("absent.bmp"),
                                 files.Write("empty.bmp", {}),
                                 files.Write("text.jpg", {'h', 'e', 'l', 'l', 'o'}),
                                 files.Path(""),
                                 files.Write("gif.png", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}),
                                 files.Path("folder.bmp"),
                                 files.Path("pipe.bmp"),
                                 "/dev/zero"};
    std::filesystem::create_directory(files.Path("folder.bmp"));
    // Nothing writes to the pipe: a reader that waited for data would never return.
    ASSERT_EQ(::mkfifo(files.Path("pipe.bmp").c_str(), 0600), 0);
    for (const std::string& path : paths)
    {
        SCOPED_TRACE(path);
        TRasterBase raster;
        raster.LoadFromFile(goodPath);
        ASSERT_EQ(raster.Width(), 2);
        AllocationProbe::Reset();
        raster.LoadFromFile(path);
        EXPECT_LT(AllocationProbe::Largest(), 65536u);
        EXPECT_EQ(raster.Pixels, nullptr);
        EXPECT_EQ(raster.Width(), 0);
        EXPECT_EQ(raster.Height(), 0);
        TBitmap bitmap(4, 4);
        raster.DecodeToBitmap(&bitmap);
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.Height(), 0);
    }
}

// The decoder follows the file's first bytes, whatever its name says.
TEST(RasterBase, ContentDecidesTheFormat)
{
    TTempFiles files;
    TBmpLayout bmp = BmpLayout(1, 1);
    bmp.Colours = {TestColours[11]};
    TPngLayout png = PngLayout(1, 1);
    png.Rows = {TestColours[13].R, TestColours[13].G, TestColours[13].B};
    const TBytes jpeg = MakeJpeg(TBytes(8 * 8 * 3, 200), 8, 8, 95);

    auto a = files.Load(MakeBmp(bmp), "bitmap.png");
    auto b = files.Load(MakePng(png), "picture.jpg");
    auto c = files.Load(jpeg, "photo.bmp");
    EXPECT_EQ(PixelsOf(*a), std::vector<TRgba>{TestColours[11]});
    EXPECT_EQ(PixelsOf(*b), std::vector<TRgba>{TestColours[13]});
    ASSERT_EQ(c->Width(), 8);
    EXPECT_NEAR(c->Pixels[0], 200, 2);
}
} // namespace
