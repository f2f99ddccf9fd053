#include "TestSupport.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <gtest/gtest.h>

namespace
{
int BlueAt(const TLumarcRaster& raster, int x, int y)
{
    return raster.Bitmap->ScanLine(y)[3 * x];
}

TBitmap Filled(int width, int height, QColor colour)
{
    TBitmap b(width, height);
    b.Image().fill(colour);
    return b;
}
} // namespace

struct FileSizeCase
{
    int Width;
    int Height;
    bool Taken;
};

class LoadImageFileSize : public ::testing::TestWithParam<FileSizeCase>
{
};

TEST_P(LoadImageFileSize, TakesOnlyTheTwoSizes)
{
    const FileSizeCase c = GetParam();
    TempDir dir;
    TFiberAnalyzer a;
    WriteImageFile(dir / "first.png", 640, 480, QColor(0, 0, 10));
    ASSERT_TRUE(a.LoadImageFile(dir / "first.png"));
    const TLumarcRaster* firstSource = a.SourceRaster.get();

    WriteImageFile(dir / "next.bmp", c.Width, c.Height, QColor(0, 0, 200));
    EXPECT_EQ(a.LoadImageFile(dir / "next.bmp"), c.Taken);
    if (c.Taken)
    {
        EXPECT_EQ(a.SourceRaster->Bitmap->Width(), c.Width);
        EXPECT_EQ(a.WorkRaster->Bitmap->Width(), c.Width);
        EXPECT_EQ(BlueAt(*a.SourceRaster, c.Width - 1, 479), 200);
        EXPECT_EQ(BlueAt(*a.WorkRaster, c.Width - 1, 479), 200);
        EXPECT_EQ(a.GreyBuffer.size(), c.Width == 720 ? 345600u : 307200u);
    }
    else
    {
        EXPECT_EQ(a.SourceRaster.get(), firstSource);
        EXPECT_EQ(a.SourceRaster->Bitmap->Width(), 640);
        EXPECT_EQ(BlueAt(*a.SourceRaster, 0, 0), 10);
        EXPECT_EQ(BlueAt(*a.WorkRaster, 0, 0), 10);
        EXPECT_EQ(a.GreyBuffer.size(), 307200u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadImageFileSize,
                         ::testing::Values(FileSizeCase{640, 480, true}, FileSizeCase{720, 480, true},
                                           FileSizeCase{640, 479, false}, FileSizeCase{800, 600, false},
                                           FileSizeCase{720, 576, false}));

TEST(LoadImageFile, RefusesUnreadableFilesWithoutChange)
{
    TempDir dir;
    TFiberAnalyzer a;
    WriteBytes(dir / "broken.bmp", "BM not really a bitmap");
    EXPECT_FALSE(a.LoadImageFile(dir / "broken.bmp"));
    EXPECT_FALSE(a.LoadImageFile(dir / "absent.png"));
    EXPECT_EQ(a.SourceRaster, nullptr);
    EXPECT_EQ(a.WorkRaster, nullptr);
    EXPECT_TRUE(a.GreyBuffer.empty());
}

TEST(LoadImageFile, RastersAreIndependentCopies)
{
    TempDir dir;
    TFiberAnalyzer a;
    WriteImageFile(dir / "f.png", 640, 480, QColor(0, 0, 10));
    ASSERT_TRUE(a.LoadImageFile(dir / "f.png"));
    a.WorkRaster->Bitmap->ScanLine(0)[0] = 99;
    EXPECT_EQ(BlueAt(*a.SourceRaster, 0, 0), 10);
}

TEST(SetCapturedImage, SmallFrameLeavesNothingOfThePreviousImage)
{
    TFiberAnalyzer a;
    a.SetCapturedImage(Filled(640, 480, QColor(0, 0, 50)));
    ASSERT_NE(a.SourceRaster, nullptr);
    ASSERT_NE(a.WorkRaster, nullptr);
    EXPECT_EQ(a.SourceRaster->Bitmap->Width(), 640);
    EXPECT_EQ(a.GreyBuffer.size(), 307200u);
    const TLumarcRaster* source = a.SourceRaster.get();
    const TLumarcRaster* work = a.WorkRaster.get();

    a.SetCapturedImage(Filled(320, 240, QColor(0, 0, 150)));
    EXPECT_EQ(a.SourceRaster.get(), source);
    EXPECT_EQ(a.WorkRaster.get(), work);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 0, 0), 150);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 319, 239), 150);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 320, 0), 0);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 0, 240), 0);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 639, 479), 0);
}

TEST(SetCapturedImage, AFrameAfterAWiderFileIsAnalysedAtItsOwnSize)
{
    TempDir dir;
    TFiberAnalyzer a;
    WriteImageFile(dir / "wide.png", 720, 480, QColor(0, 0, 10));
    ASSERT_TRUE(a.LoadImageFile(dir / "wide.png"));
    a.WorkRaster.reset();

    a.SetCapturedImage(Filled(640, 480, QColor(0, 0, 70)));
    ASSERT_NE(a.WorkRaster, nullptr);
    EXPECT_EQ(a.WorkRaster->Bitmap->Width(), 640);
    // Nothing of the 720-wide file is left to be analysed with the frame.
    EXPECT_EQ(a.SourceRaster->Bitmap->Width(), 640);
    EXPECT_EQ(a.SourceRaster->Bitmap->Height(), 480);
    EXPECT_EQ(BlueAt(*a.SourceRaster, 639, 0), 70);
    a.Analyze();
    EXPECT_EQ(a.ImageWidth, 640);
    EXPECT_EQ(a.GreyBuffer.size(), 345600u);
}
