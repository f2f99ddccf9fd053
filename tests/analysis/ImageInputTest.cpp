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

// One analyzer loading a run of files, as the command-line analyser does: the quick road reuses
// the previous image's storage, the general road (transparency, BMP) does not; after each load
// both rasters hold what the raster wrapper decodes from that file, and a refused file changes
// nothing.
TEST(LoadImageFile, ARunOfFilesGivesEachFilesOwnPixels)
{
    TempDir dir;
    const auto face = [&](const std::string& name, int width, QColor colour, QColor spot) {
        QImage image(width, 480, QImage::Format_RGB888);
        image.fill(colour);
        for (int y = 100; y < 140; ++y)
            for (int x = 200 + width / 10; x < 260; ++x)
                image.setPixelColor(x, y, spot);
        const std::string path = dir / name;
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    };
    QImage transparent(640, 480, QImage::Format_ARGB32);
    transparent.fill(QColor(10, 200, 30, 128));
    const std::string alpha = dir / "alpha.png";
    ASSERT_TRUE(transparent.save(QString::fromStdString(alpha)));
    const std::string files[] = {face("a.png", 640, QColor(90, 80, 70), QColor(0, 0, 0)),
                                 face("b.jpg", 720, QColor(20, 40, 200), QColor(250, 250, 250)),
                                 face("c.png", 640, QColor(200, 10, 10), QColor(5, 5, 5)),
                                 alpha,
                                 face("d.bmp", 720, QColor(1, 2, 3), QColor(255, 0, 255)),
                                 face("e.jpg", 640, QColor(60, 60, 60), QColor(0, 90, 0)),
                                 face("small.png", 600, QColor(1, 1, 1), QColor(2, 2, 2)),
                                 face("f.png", 720, QColor(128, 128, 128), QColor(0, 0, 255))};
    TFiberAnalyzer a;
    std::string last;
    for (const std::string& path : files)
    {
        const TLumarcRaster expected(path);
        const bool accepted = a.LoadImageFile(path);
        EXPECT_EQ(accepted, expected.Bitmap->Height() == 480 && expected.Bitmap->Width() != 600) << path;
        if (accepted)
            last = path;
        const TLumarcRaster shown(last);
        EXPECT_EQ(a.SourceRaster->Bitmap->Image(), shown.Bitmap->Image()) << path;
        EXPECT_EQ(a.WorkRaster->Bitmap->Image(), shown.Bitmap->Image()) << path;
        EXPECT_EQ(a.SourceRaster->FileName, last);
    }
}
