#include "profiles/ProfileEvaluation.h"

#include "FaceFixture.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "tests/profiles/BuiltinProfile.h"

#include <cstring>
#include <gtest/gtest.h>

namespace
{
std::vector<bool> ZoneVerdicts(const TProfileResult& r)
{
    std::vector<bool> v;
    for (const TZoneResult& z : r.Zones)
        v.push_back(z.Pass);
    return v;
}

const std::vector<bool> AllPass = {true, true, true, true};
const std::vector<bool> ZoneBFails = {true, false, true, true};
} // namespace

class GeneratedFace : public testing::TestWithParam<float>
{
};

TEST_P(GeneratedFace, SinglePcFailsOnlyTheSixMicrometreDefect)
{
    const TCriteriaProfile& smPc = BuiltinProfile("sm-pc");
    const auto small = UmFace(GetParam()).Defect(4, 40, 0).Analyse();
    const auto large = UmFace(GetParam()).Defect(6, 40, 0).Analyse();
    EXPECT_EQ(ZoneVerdicts(EvaluateProfile(*small, smPc)), AllPass);
    EXPECT_EQ(ZoneVerdicts(EvaluateProfile(*large, smPc)), ZoneBFails);
    // Multimode allows up to 10 um in zone B.
    EXPECT_TRUE(EvaluateProfile(*large, BuiltinProfile("mm-pc")).Pass);
}

TEST_P(GeneratedFace, ScratchWidthDecidesSinglePc)
{
    const auto thin = UmFace(GetParam()).Scratch(2, -30, 40, 30, 40).Analyse();
    const auto wide = UmFace(GetParam()).Scratch(4, -30, 40, 30, 40).Analyse();
    for (const TCriteriaProfile& p : BuiltinProfiles())
    {
        if (!p.Classic)
        {
            EXPECT_TRUE(EvaluateProfile(*thin, p).Pass) << p.Name;
        }
    }
    EXPECT_EQ(ZoneVerdicts(EvaluateProfile(*wide, BuiltinProfile("sm-pc"))), ZoneBFails);
    EXPECT_TRUE(EvaluateProfile(*wide, BuiltinProfile("sm-apc")).Pass); // zone B: scratches without limit
    EXPECT_TRUE(EvaluateProfile(*wide, BuiltinProfile("mm-pc")).Pass);  // zone B: up to 5 um
}

TEST_P(GeneratedFace, FiveDefectsPassSixFail)
{
    UmFace face(GetParam());
    for (int i = 0; i < 5; ++i)
        face.Defect(3.5f, -40.0f + 20.0f * static_cast<float>(i), 35.0f);
    const TCriteriaProfile& smPc = BuiltinProfile("sm-pc");
    EXPECT_TRUE(EvaluateProfile(*face.Analyse(), smPc).Pass);
    face.Defect(3.5f, 0.0f, -35.0f);
    const TProfileResult six = EvaluateProfile(*face.Analyse(), smPc);
    EXPECT_EQ(ZoneVerdicts(six), ZoneBFails);
    EXPECT_EQ(six.Zones[1].Rows[3].Count, 6); // defect 2-5 um
}

INSTANTIATE_TEST_SUITE_P(CladdingRadii, GeneratedFace, testing::Values(100.0f, 150.0f, 210.0f));

// The window and the saved outputs use the classic evaluation after the profile's: a profile
// must leave every field the engine's evaluation and drawing read as detection left it.
TEST(EvaluateProfile, LeavesTheAnalyzerAsItFoundIt)
{
    const UmFace face = UmFace(150).Defect(6, 40, 0).Defect(12, 0, 100).Scratch(4, -30, -40, 30, -40);
    const auto a = face.Analyse();
    const std::vector<std::uint8_t> labels = a->GreyBuffer;
    const QImage work = a->WorkRaster->Bitmap->Image().copy();
    for (const TCriteriaProfile& p : BuiltinProfiles())
        if (!p.Classic)
            EvaluateProfile(*a, p);
    EXPECT_EQ(a->GreyBuffer, labels);
    EXPECT_EQ(a->WorkRaster->Bitmap->Image(), work);

    const auto fresh = face.Analyse();
    EXPECT_EQ(a->EvaluateAcceptance(), fresh->EvaluateAcceptance());
    for (int list = 0; list < 3; ++list)
    {
        ASSERT_EQ(a->FindingCount[list], fresh->FindingCount[list]);
        for (int i = 0; i < a->FindingCount[list]; ++i)
            EXPECT_EQ(std::memcmp(&a->Findings[list][i], &fresh->Findings[list][i], sizeof(Finding)), 0);
    }
    EXPECT_EQ(std::memcmp(a->ZoneCounts, fresh->ZoneCounts, sizeof a->ZoneCounts), 0);
}

TEST(ClassicResult, ShowsTheEnginesOwnCountsAndVerdicts)
{
    for (int mode : {0, 1})
    {
        UmFace face(150);
        face.Defect(6, 40, 0).Scratch(4, -30, -40, 30, -40);
        const auto a = face.Analyse();
        a->Mode = mode;
        a->Analyze();
        const TProfileResult r = EvaluateWithProfile(*a, ClassicProfile());
        EXPECT_EQ(r.ProfileName, "classic");
        ASSERT_EQ(r.Zones.size(), 3u);
        for (int z = 0; z < 3; ++z)
            EXPECT_EQ(r.Zones[static_cast<std::size_t>(z)].Pass, a->ZoneVerdicts[z] == "Pass") << mode;
        EXPECT_EQ(r.Zones[1].Rows[0].Count, a->ZoneCounts[0][1]);
        EXPECT_EQ(r.Zones[1].Rows[3].Count, a->ZoneCounts[1][3]);
        EXPECT_EQ(r.Zones[1].Rows[3].Criteria, "None");
        EXPECT_FALSE(r.Pass);
    }
}
