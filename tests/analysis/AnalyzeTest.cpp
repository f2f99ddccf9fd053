#include "EngineFixtures.h"
#include "tools/EndFaceGenerator.h"

#include <bit>
#include <cstdio>
#include <gtest/gtest.h>

namespace
{
int KindCount(const TFiberAnalyzer& a, int list, int kind)
{
    int n = 0;
    for (int i = 0; i < a.FindingCount[list]; ++i)
        n += a.Findings[list][i].Kind == kind;
    return n;
}

// FNV-1a over everything an analysis and its evaluation leave behind.
class Digest
{
public:
    void Bytes(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < n; ++i)
            Hash_ = (Hash_ ^ p[i]) * 0x100000001B3ull;
    }
    void Float(float f) { Int(static_cast<int>(std::bit_cast<std::uint32_t>(f))); }
    void Int(int v) { Bytes(&v, sizeof v); }
    void Point(const TPoint2D& p)
    {
        Float(p.X);
        Float(p.Y);
    }
    std::uint64_t Value() const { return Hash_; }

private:
    std::uint64_t Hash_ = 0xCBF29CE484222325ull;
};

std::uint64_t DigestOf(const TFiberAnalyzer& a)
{
    Digest d;
    d.Bytes(a.GreyBuffer.data(), static_cast<std::size_t>(a.ImageWidth * a.ImageHeight));
    const TBitmap& work = *a.WorkRaster->Bitmap;
    for (int y = 0; y < work.Height(); ++y)
        d.Bytes(work.ScanLine(y), static_cast<std::size_t>(3 * work.Width()));
    d.Point(a.Center);
    for (const TPoint2D& p : a.EdgePoints)
        d.Point(p);
    for (const TPoint2D& p : a.CircleCenters)
        d.Point(p);
    for (float r : a.ZoneRadius)
        d.Float(r);
    d.Float(a.ZoneScale);
    for (int list = 0; list < 3; ++list)
    {
        d.Int(a.FindingCount[list]);
        for (int i = 0; i < a.FindingCount[list]; ++i)
        {
            const Finding& f = a.Findings[list][i];
            d.Int(f.Kind);
            d.Float(f.Width);
            d.Float(f.Height);
            d.Float(f.Area);
            d.Float(f.DefectSize);
            d.Float(f.ScratchSize);
        }
    }
    for (const auto& row : a.ZoneCounts)
        for (int c : row)
            d.Int(c);
    for (const std::string& v : a.ZoneVerdicts)
        d.Bytes(v.data(), v.size());
    return d.Value();
}

// The noisy end face in colour: the channels differ, so the grey conversion's rounding matters.
TBitmap ColourNoisyEndFace(unsigned seed)
{
    const GreyImage grey = NoisyEndFace(seed);
    TBitmap b = grey.ToBitmap();
    std::mt19937 random(seed + 100);
    for (int y = 0; y < b.Height(); ++y)
    {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < 3 * b.Width(); ++x)
            row[x] = static_cast<std::uint8_t>(
                std::clamp(static_cast<int>(row[x]) + static_cast<int>(random() % 9) - 4, 0, 255));
    }
    return b;
}
} // namespace

TEST(Analyze, SyntheticEndFaceFromCaptureToVerdict)
{
    EndFaceRecipe recipe;
    recipe.Seed = 7;
    recipe.OffsetX = 6.0f;
    recipe.OffsetY = -4.0f;
    recipe.CoreRadius = 11.0f;
    recipe.Colour = true;
    recipe.Defects = {{9.0f, -7.0f, 5.0f, 20}, {150.0f, 150.0f, 14.0f, 40}};
    recipe.Scratches = {{-130.0f, 88.0f, 130.0f, 96.0f, 3.0f, 6}};
    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    a.SetCapturedImage(MakeEndFace(recipe));
    a.Analyze();

    EXPECT_NEAR(a.Center.X, 326.0f, 1.0f);
    EXPECT_NEAR(a.Center.Y, 236.0f, 1.0f);
    EXPECT_NEAR(a.ZoneScale, 1.2f, 0.02f);
    EXPECT_EQ(KindCount(a, 0, 1), 1); // the core spot
    EXPECT_EQ(KindCount(a, 1, 0), 1); // the scratch
    EXPECT_EQ(KindCount(a, 2, 1), 1); // the contact spot
    EXPECT_EQ(a.FindingCount[0] + a.FindingCount[1] + a.FindingCount[2], 3);

    EXPECT_FALSE(a.EvaluateAcceptance());
    EXPECT_EQ(a.ZoneVerdicts[0], "Fail");
    EXPECT_EQ(a.ZoneVerdicts[1], "Fail");
    EXPECT_EQ(a.ZoneVerdicts[2], "Fail");

    // Re-centring: preparation and detection again from the unchanged source, Multi Mode now.
    a.Mode = 1;
    a.PrepareImage();
    a.DetectDefects();
    EXPECT_FALSE(a.EvaluateAcceptance());
    EXPECT_EQ(a.MultiCoreCounts[2], 1);
    EXPECT_EQ(a.ZoneVerdicts[0], "Pass");
    EXPECT_EQ(a.ZoneVerdicts[1], "Fail");

    // With the working image released the steps leave the last result alone instead of
    // detecting on stale labels.
    a.WorkRaster.reset();
    a.PrepareImage();
    a.DetectDefects();
    EXPECT_EQ(a.FindingCount[0] + a.FindingCount[1] + a.FindingCount[2], 3);
}

// The same numbers in every build (optimised, sanitised, any compiler): the digests are fixed.
TEST(Analyze, ResultsAreTheSameInEveryBuild)
{
    const std::uint64_t expected[3] = {0xbc287c489885fca3ull, 0x30cc96a0d714f870ull, 0xf93ae5908d9e7e6bull};
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        TFiberAnalyzer a;
        a.SetDefaultCriteria();
        a.Mode = static_cast<int>(seed % 2);
        a.SetCapturedImage(ColourNoisyEndFace(seed));
        a.Analyze();
        a.EvaluateAcceptance();
        const std::uint64_t digest = DigestOf(a);
        std::printf("seed %u: digest %016llx, findings %d/%d/%d\n", seed,
                    static_cast<unsigned long long>(digest), a.FindingCount[0], a.FindingCount[1],
                    a.FindingCount[2]);
        EXPECT_EQ(digest, expected[seed - 1]) << "seed " << seed;
    }
}
