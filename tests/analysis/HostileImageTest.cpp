// Files that claim a huge image are refused from their header: the analyzer takes 640 x 480 and
// 720 x 480 only, so nothing of the claimed size may be allocated. Each case runs in a child whose
// peak resident size is measured from just before the load.

#include "TestSupport.h"
#include "analysis/TFiberAnalyzer.h"
#include "tests/platform/ChildProcess.h"
#include "tests/platform/HostileImages.h"

#include <gtest/gtest.h>

namespace
{
constexpr long long PeakAllowanceKb = 64 * 1024;

struct TLoadReport
{
    bool Taken = true;
    TImageProblem Problem = TImageProblem::None;
    int Width = 0;
    int Height = 0;
    long long PeakAboveBaselineKb = -1;
};

class HostileHeader : public testing::TestWithParam<THostileImage>
{
};

TEST_P(HostileHeader, IsRefusedBeforeAnyPixelBuffer)
{
    const THostileImage& image = GetParam();
    TempDir dir;
    const std::string path = dir / image.Name;
    WriteFile(path, image.File);

    const auto report = RunInChild<TLoadReport>([&] {
        TLoadReport r;
        TFiberAnalyzer analyzer;
        TImageRefusal why;
        if (!ResetPeakRss())
            return r;
        const long long baseline = ProcStatusKb("VmRSS");
        r.Taken = analyzer.LoadImageFile(path, &why);
        r.PeakAboveBaselineKb = ProcStatusKb("VmHWM") - baseline;
        r.Problem = why.Problem;
        r.Width = why.Width;
        r.Height = why.Height;
        return r;
    });
    ASSERT_TRUE(report) << "the load crashed";
    if (report->PeakAboveBaselineKb < 0)
        GTEST_SKIP() << "this kernel cannot reset the peak resident size";
    EXPECT_FALSE(report->Taken);
    EXPECT_EQ(report->Problem, TImageProblem::WrongSize);
    EXPECT_EQ(report->Width, image.Width);
    EXPECT_EQ(report->Height, image.Height);
    EXPECT_LT(report->PeakAboveBaselineKb, PeakAllowanceKb);
    RecordProperty("peak_above_baseline_kb", std::to_string(report->PeakAboveBaselineKb));
}

INSTANTIATE_TEST_SUITE_P(CraftedFiles, HostileHeader, testing::ValuesIn(HostileImages()),
                         [](const testing::TestParamInfo<THostileImage>& p) {
                             std::string name = p.param.Name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
} // namespace
