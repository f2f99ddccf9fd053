#include "EngineFixtures.h"

#include <gtest/gtest.h>
#include <utility>

namespace
{
TBitmap OnePixel(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    TBitmap b(1, 1);
    b.ScanLine(0)[0] = blue;
    b.ScanLine(0)[1] = green;
    b.ScanLine(0)[2] = red;
    return b;
}

} // namespace

TEST(ConvertToGrey, WeighsBlueByteWithPointTwoNineNine)
{
    struct
    {
        std::uint8_t B, G, R;
        int Grey;
    } const cases[] = {
        {255, 0, 0, 76}, {0, 0, 255, 29}, {0, 255, 0, 149}, {255, 255, 255, 255}, {0, 0, 0, 0}};
    for (const auto& c : cases)
    {
        TFiberAnalyzer a;
        GiveImage(a, OnePixel(c.B, c.G, c.R));
        a.ConvertToGrey();
        EXPECT_EQ(a.GreyBuffer[0], c.Grey) << int(c.B) << "," << int(c.G) << "," << int(c.R);
        const std::uint8_t* px = a.WorkRaster->Bitmap->ScanLine(0);
        EXPECT_TRUE(px[0] == c.Grey && px[1] == c.Grey && px[2] == c.Grey);
    }
}

TEST(ConvertToGrey, GreyPixelsKeepTheirLevel)
{
    // The weighted sum of three equal bytes lands just below the level for 65 of them (91 among
    // them); rounding to float first brings every one back.
    GreyImage ramp(256, 1, 0);
    for (int g = 0; g < 256; ++g)
        ramp.At(g, 0) = static_cast<std::uint8_t>(g);
    TFiberAnalyzer a;
    GiveImage(a, ramp.ToBitmap());
    a.ConvertToGrey();
    EXPECT_EQ(a.ImageWidth, 256);
    EXPECT_EQ(a.ImageHeight, 1);
    EXPECT_EQ(GreyOf(a), ramp.Pixels);
}

// The conversion adds precomputed products; every one of the 2^24 colours must come out as the
// formula written out gives it.
TEST(ConvertToGrey, MatchesTheFormulaForEveryColour)
{
    TBitmap all(4096, 4096);
    for (int y = 0; y < 4096; ++y)
    {
        std::uint8_t* row = all.ScanLine(y);
        for (int x = 0; x < 4096; ++x)
        {
            const int colour = y * 4096 + x;
            row[3 * x] = static_cast<std::uint8_t>(colour >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(colour);
        }
    }
    TFiberAnalyzer a;
    GiveImage(a, all);
    a.ConvertToGrey();
    for (int colour = 0; colour < (1 << 24); ++colour)
    {
        const int b = colour >> 16, g = (colour >> 8) & 255, r = colour & 255;
        const int expected = static_cast<int>(static_cast<float>(0.299 * b + 0.587 * g + 0.114 * r));
        ASSERT_EQ(a.GreyBuffer[static_cast<std::size_t>(colour)], expected) << b << "," << g << "," << r;
    }
}

TEST(MedianFilter, RemovesALoneBrightPixelAndKeepsTheBorder)
{
    GreyImage image(5, 5, 10);
    image.At(2, 2) = 255;
    image.At(0, 3) = 255;
    image.At(4, 0) = 255;
    TFiberAnalyzer a;
    GiveGrey(a, image);
    a.MedianFilter();
    GreyImage expected(5, 5, 10);
    expected.At(0, 3) = 255;
    expected.At(4, 0) = 255;
    EXPECT_EQ(GreyOf(a), expected.Pixels);
}

TEST(MedianFilter, MatchesTheExchangeSortOnRandomImages)
{
    for (unsigned seed = 1; seed <= 4; ++seed)
    {
        const GreyImage image = RandomGrey(67, 41, seed);
        TFiberAnalyzer a;
        GiveGrey(a, image);
        a.MedianFilter();
        EXPECT_EQ(GreyOf(a), ReferenceMedian(image)) << "seed " << seed;
    }
}

TEST(EnhanceContrast, StretchesByOneAndAHalfAndClips)
{
    const std::pair<int, int> cases[] = {{0, 0},     {1, 1},     {3, 4},     {100, 150},
                                         {170, 255}, {171, 255}, {200, 255}, {255, 255}};
    GreyImage image(8, 1, 0);
    for (int i = 0; i < 8; ++i)
        image.At(i, 0) = static_cast<std::uint8_t>(cases[i].first);
    TFiberAnalyzer a;
    GiveGrey(a, image);
    a.EnhanceContrast();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(a.GreyBuffer[static_cast<std::size_t>(i)], cases[i].second) << cases[i].first;
}

TEST(PrepareImage, GreysTheWorkingImageAndRepeatsExactly)
{
    TBitmap colour(64, 48);
    colour.Image().fill(QColor(200, 40, 90));
    TFiberAnalyzer a;
    GiveImage(a, colour);
    a.WorkRaster->Bitmap->Image().fill(QColor(255, 0, 0)); // an earlier detection's colours
    a.PrepareImage();
    const std::vector<std::uint8_t> first = GreyOf(a);
    // B 90, G 40, R 200: 0.299 x 90 + 0.587 x 40 + 0.114 x 200 = 73.19; the median keeps it and
    // the stretch gives 109.
    EXPECT_EQ(first.front(), 109);
    EXPECT_EQ(first[first.size() / 2], 109);
    for (int y : {0, 47})
        for (int x : {0, 63})
        {
            const std::uint8_t* px = a.WorkRaster->Bitmap->ScanLine(y) + 3 * x;
            EXPECT_TRUE(px[0] == 73 && px[1] == 73 && px[2] == 73) << x << "," << y;
        }
    a.GreyBuffer.assign(a.GreyBuffer.size(), 3);
    a.PrepareImage();
    EXPECT_EQ(GreyOf(a), first);
}
