#include "imaging/TLumarcRaster.h"

#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"
#include "tests/platform/TestImages.h"

#include <QPainter>
#include <filesystem>
#include <gtest/gtest.h>

namespace
{
// The bitmap's pixel (x, y) as R G B, opaque.
TRgba BitmapPixel(const TLumarcRaster& raster, int x, int y)
{
    const std::uint8_t* p = raster.Bitmap->ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0], 255};
}

TRgba BufferPixel(const TLumarcRaster& raster, int x, int y)
{
    const std::uint8_t* p = raster.Raster->Pixels + (y * raster.Raster->Width() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

const TRgba White{255, 255, 255, 255};
const TRgba Black{0, 0, 0, 255};
const TRgba Green{0, 255, 0, 255};

// A 3 x 1 truecolour PNG: green, black, a grey-blue; with or without a transparency chunk
// naming pure green.
TBytes GreenBlackBlue(bool greenIsTransparent)
{
    TPngLayout layout = PngLayout(3, 1);
    layout.Rows = {0, 255, 0, 0, 0, 0, 30, 40, 200};
    if (greenIsTransparent)
    {
        png_color_16 green{};
        green.green = 255;
        layout.TrnsColour = green;
    }
    return MakePng(layout);
}

class Raster : public ::testing::Test
{
protected:
    TTempFiles Files;
};

// Only names ending in ".png" (any case, in the last path component) take the PNG path. The
// paths differ visibly in the buffer: the PNG path marks the transparent colour's pixels
// 255 255 255 0, the decoder alone keeps their colour with alpha 0. Both show white.
TEST_F(Raster, ExtensionDecidesThePngPath)
{
    std::filesystem::create_directories(Files.Path("dir.png"));
    const std::pair<const char*, bool> cases[] = {
        {"scope.png", true},  {"SCOPE.PNG", true}, {"scope.Png", true},      {"scope.png.bmp", false},
        {"scope.jpg", false}, {"scope", false},    {"dir.png/scope", false}, {"dir.png/x.png", true},
    };
    for (auto [name, png] : cases)
    {
        SCOPED_TRACE(name);
        const std::string path = Files.Write(name, GreenBlackBlue(true));
        TLumarcRaster raster(path);
        EXPECT_EQ(raster.FileName, path);
        ASSERT_NE(raster.Raster, nullptr);
        ASSERT_EQ(raster.Bitmap->Width(), 3);
        EXPECT_EQ(BitmapPixel(raster, 0, 0), White);
        EXPECT_EQ(BufferPixel(raster, 0, 0), png ? (TRgba{255, 255, 255, 0}) : (TRgba{0, 255, 0, 0}));
    }
}

TEST_F(Raster, TransparentColourBecomesWhiteOthersKeepTheirs)
{
    TLumarcRaster raster(Files.Write("scope.png", GreenBlackBlue(true)));
    ASSERT_EQ(raster.Bitmap->Width(), 3);
    EXPECT_EQ(BitmapPixel(raster, 0, 0), White);
    EXPECT_EQ(BitmapPixel(raster, 1, 0), Black);
    EXPECT_EQ(BitmapPixel(raster, 2, 0), (TRgba{30, 40, 200, 255}));
    EXPECT_EQ(BufferPixel(raster, 1, 0), Black);
}

// Without a transparency chunk nothing is transparent: black stays black (a dark defect must
// not vanish), and so does every other colour.
TEST_F(Raster, PngWithoutTransparencyKeepsItsBlackPixels)
{
    TLumarcRaster raster(Files.Write("scope.png", GreenBlackBlue(false)));
    ASSERT_EQ(raster.Bitmap->Width(), 3);
    EXPECT_EQ(BitmapPixel(raster, 0, 0), Green);
    EXPECT_EQ(BitmapPixel(raster, 1, 0), Black);
    EXPECT_EQ(BufferPixel(raster, 1, 0), Black);
}

// An alpha channel: the buffer holds each pixel's R G B A exactly, the bitmap shows it over white.
TEST_F(Raster, AlphaChannelFillsTheBufferInOrder)
{
    TPngLayout layout = PngLayout(4, 2, PNG_COLOR_TYPE_RGB_ALPHA);
    layout.Rows = {10, 20, 30, 255, 10, 20, 30, 0, 0, 0,  0,  128, 200, 100, 50, 255, //
                   1,  2,  3,  4,   5,  6,  7,  8, 9, 10, 11, 12,  13,  14,  15, 16};
    TLumarcRaster raster(Files.Write("alpha.PNG", MakePng(layout)));
    ASSERT_NE(raster.Raster, nullptr);
    ASSERT_EQ(raster.Raster->Width(), 4);
    ASSERT_EQ(raster.Raster->Height(), 2);
    EXPECT_TRUE(std::equal(layout.Rows.begin(), layout.Rows.end(), raster.Raster->Pixels));
    ASSERT_EQ(raster.Bitmap->Width(), 4);
    EXPECT_EQ(BitmapPixel(raster, 0, 0), (TRgba{10, 20, 30, 255}));
    EXPECT_EQ(BitmapPixel(raster, 1, 0), White);
    EXPECT_EQ(BitmapPixel(raster, 2, 0), (TRgba{127, 127, 127, 255}));
}

// Palettes and grey: one clear entry is a transparent colour, several non-opaque entries are
// partial transparency, a grey level named by the chunk turns white, and a palette whose only
// non-opaque entry is half clear names no colour (its black pixels stay black).
TEST_F(Raster, PaletteAndGreyTransparency)
{
    auto palette = [](TBytes alpha) {
        TPngLayout s = PngLayout(4, 1, PNG_COLOR_TYPE_PALETTE);
        s.Palette = {{0, 0, 0}, {40, 50, 60}, {70, 80, 90}, {255, 0, 0}};
        s.PaletteAlpha = std::move(alpha);
        s.Rows = {0, 1, 2, 3};
        return MakePng(s);
    };
    TPngLayout grey = PngLayout(4, 1, PNG_COLOR_TYPE_GRAY);
    grey.Rows = {0, 64, 128, 64};
    png_color_16 level{};
    level.gray = 64;
    grey.TrnsColour = level;

    struct
    {
        const char* Name;
        TBytes File;
        std::vector<TRgba> Shown;
    } cases[] = {
        {"one clear entry", palette({255, 0}), {Black, White, {70, 80, 90, 255}, {255, 0, 0, 255}}},
        {"several entries", palette({255, 0, 128}), {Black, White, {162, 167, 172, 255}, {255, 0, 0, 255}}},
        {"one half entry",
         palette({128}),
         {{127, 127, 127, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}, {255, 0, 0, 255}}},
        {"grey level", MakePng(grey), {Black, White, {128, 128, 128, 255}, White}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        TLumarcRaster raster(Files.Write("p.png", c.File));
        ASSERT_EQ(raster.Bitmap->Width(), 4);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(BitmapPixel(raster, x, 0), c.Shown[static_cast<std::size_t>(x)]) << x;
    }
}

TEST_F(Raster, BmpAndJpegThroughTheFileConstructor)
{
    TBmpLayout bmp = BmpLayout(3, 2);
    bmp.Colours = {TestColours[8],  TestColours[9],  TestColours[10],
                   TestColours[11], TestColours[12], TestColours[13]};
    TLumarcRaster fromBmp(Files.Write("frame.bmp", MakeBmp(bmp)));
    ASSERT_EQ(fromBmp.Bitmap->Width(), 3);
    ASSERT_EQ(fromBmp.Bitmap->Height(), 2);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(BitmapPixel(fromBmp, i % 3, i / 3), TestColours[8 + i]);
    EXPECT_EQ(fromBmp.Scale, 1.0f);
    EXPECT_EQ(fromBmp.Origin, TPoint2D(0, 0));

    TLumarcRaster fromJpeg(Files.Write("frame.jpg", MakeJpeg(TBytes(16 * 8 * 3, 90), 16, 8, 95)));
    ASSERT_EQ(fromJpeg.Bitmap->Width(), 16);
    ASSERT_EQ(fromJpeg.Bitmap->Height(), 8);
    EXPECT_NEAR(BitmapPixel(fromJpeg, 5, 5).G, 90, 2);
}

// Missing, empty or damaged files of either path give a 0 x 0 bitmap that callers refuse.
TEST_F(Raster, UnreadableFileGivesAnEmptyBitmap)
{
    TBytes cut = GreenBlackBlue(true);
    cut.resize(cut.size() / 2);
    for (const std::string& path : {Files.Path("absent.png"), Files.Path("absent.bmp"),
                                    Files.Write("cut.png", cut), Files.Write("empty.jpg", {})})
    {
        SCOPED_TRACE(path);
        TLumarcRaster raster(path);
        ASSERT_NE(raster.Bitmap, nullptr);
        EXPECT_EQ(raster.Bitmap->Width(), 0);
        EXPECT_EQ(raster.Bitmap->Height(), 0);
        EXPECT_EQ(raster.FileName, path);
    }
}

TEST(RasterBySize, IsBlank24BitWithoutDecoder)
{
    TLumarcRaster raster(640, 480);
    EXPECT_TRUE(raster.FileName.empty());
    EXPECT_EQ(raster.Raster, nullptr);
    ASSERT_NE(raster.Bitmap, nullptr);
    EXPECT_EQ(raster.Bitmap->Width(), 640);
    EXPECT_EQ(raster.Bitmap->Height(), 480);
    EXPECT_EQ(raster.Bitmap->Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(raster.Scale, 1.0f);
    EXPECT_EQ(raster.Origin, TPoint2D(0, 0));
}

struct TFitCase
{
    int Left, Top, Right, Bottom;
    int X0, Y0, X1, Y1;
    float Scale;
};

void PrintTo(const TFitCase& c, std::ostream* os)
{
    *os << "(" << c.Left << "," << c.Top << "," << c.Right << "," << c.Bottom << ")";
}

class DrawFit : public ::testing::TestWithParam<TFitCase>
{
};

// A solid red 640 x 480 bitmap drawn onto a grey canvas: the red area must be exactly the
// expected rectangle (right and bottom exclusive), and Scale and Origin must match.
TEST_P(DrawFit, PlacesTheImageAndRecordsScaleAndOrigin)
{
    const TFitCase& c = GetParam();
    TLumarcRaster raster(640, 480);
    raster.Bitmap->Image().fill(Qt::red);
    QImage canvas(1100, 1100, QImage::Format_RGB32);
    canvas.fill(Qt::gray);
    {
        QPainter painter(&canvas);
        raster.DrawFit(&painter, c.Left, c.Top, c.Right, c.Bottom);
    }
    EXPECT_EQ(raster.Scale, c.Scale);
    EXPECT_EQ(raster.Origin, TPoint2D(static_cast<float>(c.X0), static_cast<float>(c.Y0)));

    int minX = canvas.width(), minY = canvas.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < canvas.height(); ++y)
    {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            if (row[x] == qRgb(255, 0, 0))
            {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    }
    EXPECT_EQ(minX, c.X0);
    EXPECT_EQ(minY, c.Y0);
    EXPECT_EQ(maxX + 1, c.X1);
    EXPECT_EQ(maxY + 1, c.Y1);
}

INSTANTIATE_TEST_SUITE_P(Raster, DrawFit,
                         ::testing::Values(TFitCase{0, 0, 1000, 1000, 0, 125, 1000, 875, 1.5625f},
                                           TFitCase{0, 0, 800, 400, 133, 0, 666, 400, 5.0f / 6.0f},
                                           TFitCase{0, 0, 640, 480, 0, 0, 640, 480, 1.0f},
                                           TFitCase{10, 20, 330, 1000, 10, 390, 330, 630, 0.5f},
                                           TFitCase{50, 60, 370, 300, 50, 60, 370, 300, 0.5f}));

TEST(RasterDrawFit, EmptyBitmapDrawsNothingAndKeepsScale)
{
    TLumarcRaster raster(0, 0);
    QImage canvas(10, 10, QImage::Format_RGB32);
    canvas.fill(qRgb(128, 128, 128));
    QPainter painter(&canvas);
    raster.DrawFit(&painter, 0, 0, 10, 10);
    painter.end();
    EXPECT_EQ(raster.Scale, 1.0f);
    EXPECT_EQ(canvas.pixel(5, 5), qRgb(128, 128, 128));
}
} // namespace
