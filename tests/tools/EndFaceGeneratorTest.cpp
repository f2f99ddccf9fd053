#include "tools/EndFaceGenerator.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace
{
std::vector<std::uint8_t> Bytes(const TBitmap& b)
{
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y)
        out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + 3 * b.Width());
    return out;
}

EndFaceRecipe Busy()
{
    EndFaceRecipe recipe;
    recipe.Seed = 7;
    recipe.CoreRadius = 10;
    recipe.SpeckSpacing = 12;
    recipe.Defects = {{20, -30, 8, 20}, {180, 150, 14, 40}};
    recipe.Scratches = {{-130, 70, 130, 70, 3, 6}};
    return recipe;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}
} // namespace

TEST(EndFaceGenerator, SameSeedGivesSameBytesOtherSeedDiffers)
{
    EndFaceRecipe recipe = Busy();
    const auto first = Bytes(MakeEndFace(recipe));
    EXPECT_EQ(Bytes(MakeEndFace(recipe)), first);
    recipe.Seed = 8;
    EXPECT_NE(Bytes(MakeEndFace(recipe)), first);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.png", "a.bmp"})
    {
        std::string error;
        const std::string one = dir.filePath(QString("1") + name).toStdString();
        const std::string two = dir.filePath(QString("2") + name).toStdString();
        ASSERT_TRUE(WriteEndFace(MakeEndFace(Busy()), true, one, error)) << error;
        ASSERT_TRUE(WriteEndFace(MakeEndFace(Busy()), true, two, error)) << error;
        EXPECT_EQ(FileBytes(QString::fromStdString(one)), FileBytes(QString::fromStdString(two))) << name;
    }
}

// The analyser converts with blue weighted 0.299 and red 0.114: a tinted image must convert to
// exactly the grey levels of its grey twin, or colour samples would analyse differently.
TEST(EndFaceGenerator, ColourTintConvertsBackToTheGreyLevels)
{
    EndFaceRecipe recipe = Busy();
    const TBitmap grey = MakeEndFace(recipe);
    recipe.Colour = true;
    const TBitmap colour = MakeEndFace(recipe);
    bool tinted = false;
    for (int y = 0; y < grey.Height(); ++y)
        for (int x = 0; x < grey.Width(); ++x)
        {
            const std::uint8_t* c = colour.ScanLine(y) + 3 * x;
            const int g = static_cast<int>(static_cast<float>(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]));
            ASSERT_EQ(g, grey.ScanLine(y)[3 * x]) << x << "," << y;
            tinted = tinted || c[0] != c[2];
        }
    EXPECT_TRUE(tinted);
}

TEST(EndFaceGenerator, DrawsWhereAsked)
{
    EndFaceRecipe recipe;
    recipe.Noise = 0;
    recipe.Width = 720;
    recipe.OffsetX = 10;
    recipe.Defects = {{0, -100, 5, 20}};
    recipe.Scratches = {{-50, 60, 50, 60, 3, 6}};
    const TBitmap b = MakeEndFace(recipe);
    ASSERT_EQ(b.Width(), 720);
    ASSERT_EQ(b.Height(), 480);
    const auto at = [&](int x, int y) { return b.ScanLine(y)[3 * x]; };
    const int cx = 370, cy = 240;
    EXPECT_EQ(at(cx, cy), recipe.Cladding);
    EXPECT_EQ(at(cx + 149, cy), recipe.Cladding);
    EXPECT_EQ(at(cx + 151, cy), recipe.Background);
    EXPECT_EQ(at(cx, cy - 100), 20);
    EXPECT_EQ(at(cx + 2, cy - 100), 20);
    EXPECT_EQ(at(cx + 3, cy - 100), recipe.Cladding);
    for (int dy = -1; dy <= 1; ++dy)
        EXPECT_EQ(at(cx, cy + 60 + dy), recipe.Cladding + 6);
    EXPECT_EQ(at(cx, cy + 62), recipe.Cladding);
}

TEST(EndFaceGenerator, FailedWriteLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string error;
    const std::string missing = dir.filePath("no-such-folder/x.png").toStdString();
    EXPECT_FALSE(WriteEndFace(MakeEndFace({}), true, missing, error));
    EXPECT_NE(error.find("x.png"), std::string::npos) << error;
    EXPECT_FALSE(WriteEndFace(MakeEndFace({}), true, dir.filePath("x.tif").toStdString(), error));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
