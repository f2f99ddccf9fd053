// A batch of pictures through the analyser. Each job reuses one set of rasters and buffers for
// every picture it checks, so what one picture leaves behind must never reach the next: each
// picture gets exactly the lines it gets when checked alone.

#include "tests/platform/ImageFixtures.h"
#include "tests/tools/AnalyzerRun.h"
#include "tests/tools/MtFaces.h"

#include <gtest/gtest.h>

namespace
{
// The face as a BMP of the given kind: 24 bits (top-down when asked), 32 bits with an alpha
// channel in use over the top rows, or 8-bit palette indices of a grey face.
QString WriteBmp(const QTemporaryDir& dir, const QString& name, const EndFaceRecipe& recipe, int bits,
                 bool topDown = false)
{
    const TBitmap face = MakeEndFace(recipe);
    TBmpLayout layout = BmpLayout(face.Width(), face.Height(), bits, bits == 32 ? 3 : 0);
    layout.TopDown = topDown;
    if (bits == 32)
    {
        layout.HeaderSize = 108;
        layout.Masks[0] = 0xFF0000u;
        layout.Masks[1] = 0xFF00u;
        layout.Masks[2] = 0xFFu;
        layout.Masks[3] = 0xFF000000u;
    }
    if (bits == 8)
        for (int i = 0; i < 256; ++i)
            layout.Palette.push_back(
                {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)});
    for (int y = 0; y < face.Height(); ++y)
        for (int x = 0; x < face.Width(); ++x)
        {
            const std::uint8_t* p = face.ScanLine(y) + 3 * x;
            if (bits == 8)
                layout.Indices.push_back(p[0]);
            else
                layout.Colours.push_back({p[2], p[1], p[0], static_cast<std::uint8_t>(y < 40 ? 180 : 255)});
        }
    const QString path = dir.filePath(name);
    WriteFile(path.toStdString(), MakeBmp(layout));
    return path;
}
} // namespace

// Sizes, formats and both decoding roads alternate; a refused file and a picture without a fiber
// sit in between; one file comes twice. The same for the views of a multi-fibre ferrule.
TEST(AnalyzeBatch, EachImageGetsTheLinesItGetsAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EndFaceRecipe wide = TypicalEndFace();
    wide.Width = 720;
    EndFaceRecipe wideSpeckled = SpeckledEndFace();
    wideSpeckled.Width = 720;
    const QString typical = WriteImage(dir, "typical.jpg", TypicalEndFace());
    const QStringList images = {WriteImage(dir, "speckled.png", SpeckledEndFace()),
                                WriteBmp(dir, "wide.bmp", wide, 24),
                                typical,
                                WriteImage(dir, "dark.png", DarkScratchedFrame()),
                                WriteText(dir, "broken.bmp", "BM not a bitmap"),
                                WriteBmp(dir, "alpha.bmp", OffCentreEndFace(12, -8), 32),
                                WriteBmp(dir, "palette.bmp", TypicalEndFace(), 8),
                                WriteBmp(dir, "top-down.bmp", wideSpeckled, 24, true),
                                typical};
    // Ferrule views of each kind, a single fibre's face, a refused file and a blank picture.
    MtFace cut;
    cut.UmPerPixel = 1.0f;
    cut.FirstX = 100.0f;
    cut.Fibres = 3;
    const QString two = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    const QStringList ferrule = {two,
                                 WriteMtFace(dir, "row.png", MtOverview()),
                                 WriteMtFace(dir, "cut.png", cut),
                                 typical,
                                 dir.filePath("broken.bmp"),
                                 dir.filePath("dark.png"),
                                 two};
    const std::pair<QStringList, QStringList> runs[] = {
        {{"--json", "--mode", "both"}, images},
        {{"--json", "--mode", "both", "--profile", "sm-pc"}, images},
        {{"--json", "--profile", "mt-sm-apc", "--first-fibre", "2"}, ferrule},
        {{"--json", "--profile", "mt-mm-pc", "--ferrule", "16x1"}, ferrule},
    };
    for (const auto& [options, pictures] : runs)
    {
        QString out, err;
        for (const QString& image : pictures)
        {
            const RunResult alone = Analyze(options + QStringList{image});
            out += alone.Out;
            err += alone.Err;
        }
        for (const char* jobs : {"1", "2"})
        {
            const RunResult batch = Analyze(options + QStringList{"--jobs", jobs} + pictures);
            EXPECT_EQ(batch.Exit, 2);
            EXPECT_EQ(batch.Out.toStdString(), out.toStdString()) << options.join(' ').toStdString() << jobs;
            EXPECT_EQ(batch.Err.toStdString(), err.toStdString()) << options.join(' ').toStdString() << jobs;
        }
    }
}
