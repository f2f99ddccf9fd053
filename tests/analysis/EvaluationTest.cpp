#include "analysis/TFiberAnalyzer.h"

#include <gtest/gtest.h>

namespace
{
void Add(TFiberAnalyzer& a, int list, int kind, float width, float height)
{
    Finding& f = a.Findings[list][a.FindingCount[list]++];
    f = Finding{kind, width, height, 1.0f, 0.0f, 0.0f};
}

TFiberAnalyzer& Fresh(TFiberAnalyzer& a, int mode, float zoneScale = 1.0f)
{
    a.SetDefaultCriteria();
    a.Mode = mode;
    a.ZoneScale = zoneScale;
    return a;
}

int SumOfCounts(const TFiberAnalyzer& a)
{
    int sum = 0;
    for (const auto& row : a.ZoneCounts)
        for (int c : row)
            sum += c;
    for (int c : a.MultiCoreCounts)
        sum += c;
    return sum;
}
} // namespace

TEST(EvaluateAcceptance, NothingFoundPassesInBothModes)
{
    for (int mode : {0, 1})
    {
        TFiberAnalyzer a;
        Fresh(a, mode);
        // Left over from an earlier run; the Multi Mode core counters belong to Multi Mode only.
        a.ZoneCounts[1][7] = 9;
        a.MultiCoreCounts[2] = mode == 1 ? 9 : 0;
        EXPECT_TRUE(a.EvaluateAcceptance());
        EXPECT_EQ(SumOfCounts(a), 0);
        for (const std::string& v : a.ZoneVerdicts)
            EXPECT_EQ(v, "Pass");
    }
}

TEST(EvaluateAcceptance, OneCoreScratchFailsOnlyTheCore)
{
    TFiberAnalyzer a;
    Fresh(a, 0);
    Add(a, 0, 0, 1.0f, 1.0f);
    EXPECT_FALSE(a.EvaluateAcceptance());
    EXPECT_EQ(a.ZoneCounts[0][0], 1);
    EXPECT_EQ(a.ZoneVerdicts[0], "Fail");
    EXPECT_EQ(a.ZoneVerdicts[1], "Pass");
    EXPECT_EQ(a.ZoneVerdicts[2], "Pass");
}

// One finding; which single counter takes it.
struct ClassCase
{
    const char* Name;
    int Mode;
    int List;
    int Kind;
    float Width, Height, ZoneScale;
    int Row, Column; // ZoneCounts slot, or Row -1
    int Multi;       // MultiCoreCounts slot, or -1
};

class SizeClass : public ::testing::TestWithParam<ClassCase>
{
};

TEST_P(SizeClass, CountsInExactlyOneClass)
{
    const ClassCase c = GetParam();
    TFiberAnalyzer a;
    Fresh(a, c.Mode, c.ZoneScale);
    Add(a, c.List, c.Kind, c.Width, c.Height);
    a.EvaluateAcceptance();
    EXPECT_EQ(SumOfCounts(a), c.Row >= 0 || c.Multi >= 0 ? 1 : 0);
    if (c.Row >= 0)
    {
        EXPECT_EQ(a.ZoneCounts[c.Row][c.Column], 1);
    }
    if (c.Multi >= 0)
    {
        EXPECT_EQ(a.MultiCoreCounts[c.Multi], 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SizeClass,
    ::testing::Values(ClassCase{"CladScratch3NotCounted", 0, 1, 0, 3, 0, 1, -1, 0, -1},
                      ClassCase{"CladScratch3NotCountedMulti", 1, 1, 0, 3, 0, 1, -1, 0, -1},
                      ClassCase{"CladScratch301", 0, 1, 0, 3.01f, 2, 1, 0, 1, -1},
                      ClassCase{"CladScratch301Multi", 1, 1, 0, 0, 3.01f, 1, 0, 1, -1},
                      ClassCase{"CladDefect2SmallSingle", 0, 1, 1, 2, 2, 1, 1, 1, -1},
                      ClassCase{"CladDefect2MiddleMulti", 1, 1, 1, 2, 2, 1, 1, 2, -1},
                      ClassCase{"CladDefect5Middle", 0, 1, 1, 5, 1, 1, 1, 2, -1},
                      ClassCase{"CladDefect5MiddleMulti", 1, 1, 1, 5, 1, 1, 1, 2, -1},
                      ClassCase{"CladDefect501Large", 0, 1, 1, 5.01f, 1, 1, 1, 3, -1},
                      ClassCase{"ContactDefect10NotCounted", 0, 2, 1, 10, 10, 1, -1, 0, -1},
                      ClassCase{"ContactDefect1001", 1, 2, 1, 10.01f, 1, 1, 1, 4, -1},
                      ClassCase{"ContactScratchAnySize", 0, 2, 0, 0, 0, 1, 0, 2, -1},
                      ClassCase{"CoreDefectSingleAnySize", 0, 0, 1, 50, 50, 1, 1, 0, -1},
                      ClassCase{"CoreDefect5Multi", 1, 0, 1, 5, 5, 1, -1, 0, 2},
                      ClassCase{"CoreDefect501Multi", 1, 0, 1, 5.01f, 0, 1, -1, 0, 3},
                      ClassCase{"CoreScratch3Multi", 1, 0, 0, 3, 3, 1, -1, 0, 0},
                      ClassCase{"CoreScratch301Multi", 1, 0, 0, 3.01f, 3, 1, -1, 0, 1},
                      // Scaled by ZoneScale 1.5: 4 x 2 pixels is size 6, 3 x 3 is 4.5.
                      ClassCase{"Scaled4By2IsLarge", 0, 1, 1, 4, 2, 1.5f, 1, 3, -1},
                      ClassCase{"Scaled3By3IsMiddle", 0, 1, 1, 3, 3, 1.5f, 1, 2, -1}),
    [](const ::testing::TestParamInfo<ClassCase>& p) { return std::string(p.param.Name); });

TEST(EvaluateAcceptance, SizesAreScaledInPlace)
{
    TFiberAnalyzer a;
    Fresh(a, 0, 1.25f);
    Add(a, 1, 1, 0, 0);
    Add(a, 1, 0, 4, 0);
    a.EvaluateAcceptance();
    const Finding& dot = a.Findings[1][0];
    EXPECT_EQ(dot.Width, 1.25f);
    EXPECT_EQ(dot.Height, 1.25f);
    EXPECT_EQ(dot.DefectSize, 1.25f);
    const Finding& line = a.Findings[1][1];
    EXPECT_EQ(line.Width, 5.0f);
    EXPECT_EQ(line.Height, 1.25f);
    EXPECT_EQ(line.ScratchSize, 5.0f);
    EXPECT_EQ(line.DefectSize, 5.0f);
}

TEST(EvaluateAcceptance, CountAboveTheLimitFails)
{
    for (int n : {5, 6})
    {
        TFiberAnalyzer a;
        Fresh(a, 0);
        for (int i = 0; i < n; ++i)
            Add(a, 1, 1, 3, 3);
        EXPECT_EQ(a.EvaluateAcceptance(), n == 5);
        EXPECT_EQ(a.ZoneCounts[1][2], n);
        EXPECT_EQ(a.ZoneVerdicts[1], n == 5 ? "Pass" : "Fail");
    }

    // "No Limit" holds a full list; a negative limit fails with nothing counted.
    TFiberAnalyzer a;
    Fresh(a, 0);
    for (int i = 0; i < TFiberAnalyzer::ListLimit; ++i)
        Add(a, 2, 0, 1, 1);
    a.SingleCriteria[3] = -1;
    EXPECT_FALSE(a.EvaluateAcceptance());
    EXPECT_EQ(a.ZoneCounts[0][2], 100);
    EXPECT_EQ(a.ZoneVerdicts[2], "Pass");
    EXPECT_EQ(a.ZoneVerdicts[1], "Fail");
}

TEST(EvaluateAcceptance, MultiModeComparesBothCoreColumns)
{
    TFiberAnalyzer a;
    Fresh(a, 1);
    Add(a, 0, 1, 6, 6); // a core defect above 5: limit MultiCriteria[1][1] = 0
    EXPECT_FALSE(a.EvaluateAcceptance());
    EXPECT_EQ(a.ZoneVerdicts[0], "Fail");
    EXPECT_EQ(a.ZoneCounts[1][0], 0);

    TFiberAnalyzer b;
    Fresh(b, 1);
    for (int i = 0; i < 4; ++i)
        Add(b, 0, 1, 1, 1);
    b.MultiCriteria[6][0] = -1;
    EXPECT_FALSE(b.EvaluateAcceptance());
    EXPECT_EQ(b.MultiCoreCounts[2], 4);
    EXPECT_EQ(b.ZoneVerdicts[0], "Pass");
    EXPECT_EQ(b.ZoneVerdicts[2], "Fail");
}
