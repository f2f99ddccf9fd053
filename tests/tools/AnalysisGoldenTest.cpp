// The analyser's complete JSON for the bundled samples and two generated faces, byte for byte:
// speed work on the engine must not change a single value. After a deliberate change of the
// analysis, rewrite the file with FS_UPDATE_GOLDEN=1 and review its diff; under CI the tests
// refuse to run with it set.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace
{
// CI=true, as build services set it (CI=1 too; CI=false or 0 is no CI).
bool UnderCi()
{
    const char* ci = std::getenv("CI");
    return ci && *ci && std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0;
}

// Rewrites the golden file when asked to, else compares line by line.
void CompareWithGolden(const char* name, const QString& actual)
{
    QFile golden(QStringLiteral(FS_SOURCE_DIR "/tests/data/") + name);
    if (std::getenv("FS_UPDATE_GOLDEN"))
    {
        ASSERT_TRUE(golden.open(QIODevice::WriteOnly));
        golden.write(actual.toUtf8());
        GTEST_SKIP() << "rewrote " << golden.fileName().toStdString();
    }
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly)) << golden.fileName().toStdString();
    const QStringList expected = Lines(QString::fromUtf8(golden.readAll()));
    const QStringList lines = Lines(actual);
    ASSERT_EQ(lines.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i].toStdString(), expected[i].toStdString()) << name << " line " << i + 1;
}

// FNV-1a over the bytes.
std::uint64_t Hash(const std::uint8_t* p, std::size_t n, std::uint64_t h = 1469598103934665603ull)
{
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}
} // namespace

// Under CI the golden data are compared, never rewritten: an FS_UPDATE_GOLDEN left set there would
// rewrite them and skip, and the golden tests would pass while checking nothing.
class AnalysisGolden : public testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("FS_UPDATE_GOLDEN") && UnderCi())
            FAIL() << "FS_UPDATE_GOLDEN is set under CI: the golden tests refuse to run; unset it";
    }
};

TEST_F(AnalysisGolden, JsonOfSamplesAndGeneratedFacesIsUnchanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList samples = {"clean-pass.png", "core-defect.png", "cladding-scratch.png",
                                 "contact-defect.bmp", "wide-720-pass.png"};
    for (const QString& name : samples)
        ASSERT_TRUE(QFile::copy(QStringLiteral(FS_SOURCE_DIR "/samples/") + name, dir.filePath(name)));
    WriteImage(dir, "typical.png", TypicalEndFace());
    WriteImage(dir, "speckled.png", SpeckledEndFace());

    const RunResult r = Analyze(QStringList{"--json", "--mode", "both"} + samples +
                                    QStringList{"typical.png", "speckled.png"},
                                dir.path());
    ASSERT_EQ(r.Exit, 1) << r.Err.toStdString();

    CompareWithGolden("analysis-golden.jsonl", r.Out);
}

// The pixels the JSON does not show: the working image with its coloured findings and the
// detection labels left in the grey buffer.
TEST_F(AnalysisGolden, WorkingImageAndLabelsAreUnchanged)
{
    QString actual;
    const std::pair<const char*, EndFaceRecipe> faces[] = {{"typical", TypicalEndFace()},
                                                           {"speckled", SpeckledEndFace()}};
    for (const auto& [name, recipe] : faces)
        for (int mode = 0; mode < 2; ++mode)
        {
            TFiberAnalyzer a;
            a.SetDefaultCriteria();
            a.SetCapturedImage(MakeEndFace(recipe));
            a.Mode = mode;
            a.Analyze();
            const TBitmap& work = *a.WorkRaster->Bitmap;
            std::uint64_t image = Hash(nullptr, 0);
            for (int y = 0; y < work.Height(); ++y)
                image = Hash(work.ScanLine(y), static_cast<std::size_t>(3 * work.Width()), image);
            const std::uint64_t labels =
                Hash(a.GreyBuffer.data(),
                     static_cast<std::size_t>(a.ImageWidth) * static_cast<std::size_t>(a.ImageHeight));
            actual += QString("%1 mode %2 image %3 labels %4\n")
                          .arg(name)
                          .arg(mode)
                          .arg(image, 16, 16, QChar('0'))
                          .arg(labels, 16, 16, QChar('0'));
        }
    CompareWithGolden("analysis-golden-pixels.txt", actual);
}
