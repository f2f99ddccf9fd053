#include "analysis/TFiberAnalyzer.h"

#include <gtest/gtest.h>

TEST(TFiberAnalyzer, StartValues)
{
    const TFiberAnalyzer a;
    EXPECT_EQ(a.DeviceName, "PC Camera");
    EXPECT_EQ(a.LowerThreshold, 128);
    EXPECT_EQ(a.UpperThreshold, 128);
    EXPECT_EQ(a.CoreCladThreshold, 60);
    EXPECT_EQ(a.ContactThreshold, 140);
    EXPECT_EQ(a.CoreDefectPercent, 3.0f);
    EXPECT_EQ(a.CladDefectPercent, 5.0f);
    EXPECT_EQ(a.ShowCounts, 0);
    EXPECT_EQ(a.CaptureCount, 3);
    EXPECT_EQ(a.Mode, 0);
    EXPECT_EQ(a.SourceRaster, nullptr);
    EXPECT_EQ(a.WorkRaster, nullptr);
    EXPECT_TRUE(a.GreyBuffer.empty());
    const int neighbours[8][2] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}};
    for (int k = 0; k < 8; ++k)
    {
        EXPECT_EQ(a.Neighbours[k][0], neighbours[k][0]) << k;
        EXPECT_EQ(a.Neighbours[k][1], neighbours[k][1]) << k;
    }
}

TEST(SetDefaultCriteria, LoadsTheStandardLimitsAndKeepsUnusedColumn)
{
    TFiberAnalyzer a;
    for (int row = 0; row < 8; ++row)
    {
        a.SingleCriteria[row] = -1;
        a.MultiCriteria[row][0] = -1;
        a.MultiCriteria[row][1] = 100 + row;
    }
    a.SetDefaultCriteria();
    const int single[8] = {0, 0, 0, 99999, 5, 0, 99999, 0};
    const int multi[8][2] = {{5, 0},   {4, 0},   {0, 102},     {99999, 103},
                             {5, 104}, {0, 105}, {99999, 106}, {0, 107}};
    for (int row = 0; row < 8; ++row)
    {
        EXPECT_EQ(a.SingleCriteria[row], single[row]) << row;
        EXPECT_EQ(a.MultiCriteria[row][0], multi[row][0]) << row;
        EXPECT_EQ(a.MultiCriteria[row][1], multi[row][1]) << row;
    }
}
