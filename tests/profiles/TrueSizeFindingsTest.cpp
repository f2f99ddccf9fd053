#include "profiles/TrueSizeFindings.h"

#include "FaceFixture.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace
{
std::vector<TMeasuredFinding> Measure(const TFiberAnalyzer& a)
{
    return MeasureFindings(a, FibreScaleOf(a));
}
} // namespace

class TrueSize : public testing::TestWithParam<float>
{
};

TEST_P(TrueSize, ScaleIsHalfCladdingDiameterPerPixel)
{
    const auto a = UmFace(GetParam()).Analyse();
    EXPECT_NEAR(FibreScaleOf(*a).UmPerPixel, 62.5f / GetParam(), 0.01f * 62.5f / GetParam());
}

TEST_P(TrueSize, DefectDiameterWithinHalfAMicrometre)
{
    const auto a = UmFace(GetParam()).Defect(4, 40, 0).Defect(6, -40, 0).Defect(10, 0, 45).Analyse();
    auto found = Measure(*a);
    ASSERT_EQ(found.size(), 3u);
    std::sort(found.begin(), found.end(), [](const auto& l, const auto& r) { return l.SizeUm < r.SizeUm; });
    EXPECT_NEAR(found[0].SizeUm, 4.0f, 0.5f);
    EXPECT_NEAR(found[1].SizeUm, 6.0f, 0.5f);
    EXPECT_NEAR(found[2].SizeUm, 10.0f, 0.5f);
    EXPECT_NEAR(found[0].CentreDiameterUm, 80.0f, 1.5f);
    EXPECT_NEAR(found[2].CentreDiameterUm, 90.0f, 1.5f);
}

// A scratch wider than ten pixels is labelled by the engine only along its edges, and a long
// one loses the pieces of 500 pixels or fewer that its fill splits off: neither may shrink it.
TEST_P(TrueSize, ScratchWidthWithinTwoThirdsOfAMicrometre)
{
    for (const float width : {3.0f, 4.0f, 5.0f})
    {
        const auto a = UmFace(GetParam()).Scratch(width, -30, 40, 30, 40).Analyse();
        const auto found = Measure(*a);
        ASSERT_EQ(found.size(), 1u) << width;
        EXPECT_EQ(found[0].Kind, FindingClass::Scratch);
        EXPECT_NEAR(found[0].SizeUm, width, 0.65f) << width;
        EXPECT_NEAR(found[0].LengthUm, 60.0f + width, 3.0f) << width;
    }
}

TEST_P(TrueSize, DiagonalScratchWidthWithinTwoThirdsOfAMicrometre)
{
    // Narrower ones at 45 degrees are too small for the engine at radius 100.
    for (const float width : {4.0f, 5.0f})
    {
        const auto a = UmFace(GetParam()).Scratch(width, -3.5f, -45.9f, -45.9f, -3.5f).Analyse();
        const auto found = Measure(*a);
        ASSERT_EQ(found.size(), 1u) << width;
        EXPECT_NEAR(found[0].SizeUm, width, 0.65f) << width;
    }
}

INSTANTIATE_TEST_SUITE_P(CladdingRadii, TrueSize, testing::Values(100.0f, 150.0f, 210.0f));

TEST(TrueSize, DefectSplitByTheFillIsOneRegion)
{
    // 40 um at r = 150 is about 3000 pixels: the engine files three or more pieces.
    const auto a = UmFace(150).Defect(40, 0, 95).Analyse();
    int pieces = 0;
    for (int i = 0; i < a->FindingCount[2]; ++i)
        pieces += a->Findings[2][i].Kind != 0;
    ASSERT_GT(pieces, 1);
    const auto found = Measure(*a);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].SizeUm, 40.0f, 2.0f);
}

TEST(TrueSize, BrightSpecksTheEngineDroppedAreNoScratch)
{
    EndFaceRecipe recipe = SpeckledEndFace();
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetCapturedImage(MakeEndFace(recipe));
    a->Analyze();
    for (const TMeasuredFinding& f : Measure(*a))
        EXPECT_NE(f.Kind, FindingClass::Scratch);
}
