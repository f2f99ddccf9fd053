#include "ferrule/FibreJudgement.h"

#include "MtFixture.h"
#include "analysis/TFiberAnalyzer.h"
#include "profiles/CriteriaProfile.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
// A fibre view with the generator's grey levels: a dark cladding on a bright ferrule, where the
// engine's fixed thresholds see dark defects on the glass.
MtPicture FibreView(float umPerPixel, float viewX)
{
    MtPicture p;
    p.UmPerPixel = umPerPixel;
    p.ViewX = viewX;
    p.Ferrule = 190;
    p.Cladding = 88;
    p.Core = 78;
    p.Noise = 1;
    return p;
}

TMtCheck Check(const MtPicture& p, const char* profileName, int firstFibre)
{
    TFiberAnalyzer analyzer;
    analyzer.SetCapturedImage(p.Make());
    analyzer.PrepareImage();
    TFibreRowScratch scratch;
    return CheckFibres(analyzer, *FindProfile(profileName), firstFibre, scratch);
}

const TFibreResult* Fibre(const TMtCheck& check, int number)
{
    for (const TFibreResult& f : check.Fibres)
        if (f.Number == number)
            return &f;
    return nullptr;
}

struct DefectCase
{
    const char* Name;
    MtPictureDefect Defect;
    bool Pass;
};

class FibreJudgementTest : public testing::TestWithParam<DefectCase>
{
};

// Zones and size classes by true size: one defect on fibre 4 of a 0.5 um a pixel view decides
// the fibre's verdict as the single-mode APC table says, and its size comes out within 0.5 um.
TEST_P(FibreJudgementTest, JudgesByZoneAndTrueSize)
{
    const DefectCase& c = GetParam();
    MtPicture p = FibreView(0.5f, -375.0f - 250.0f); // fibre 4 of 12 in the middle
    p.Defects = {c.Defect};
    const TMtCheck check = Check(p, "mt-sm-apc", 4);
    ASSERT_EQ(check.Location.Kind, TMtViewKind::FibreView);
    const TFibreResult* f = Fibre(check, 4);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->Judged());
    EXPECT_EQ(f->Result.Pass, c.Pass);
    ASSERT_EQ(f->Result.Findings.size(), 1u);
    EXPECT_NEAR(f->Result.Findings[0].SizeUm, c.Defect.Diameter, 0.5f);
    EXPECT_NEAR(f->Result.UmPerPixel, 0.5f, 0.01f);
    ASSERT_EQ(f->Result.Zones.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Defects, FibreJudgementTest,
                         testing::Values(DefectCase{"ZoneBSmallClass", {4, 35.0f, 0.0f, 4.0f}, true},
                                         DefectCase{"ZoneBLarge", {4, 0.0f, -40.0f, 7.0f}, false},
                                         DefectCase{"ZoneAAny", {4, 5.0f, 5.0f, 3.0f}, false}),
                         [](const testing::TestParamInfo<DefectCase>& param) {
                             return std::string(param.param.Name);
                         });

// Nothing about a fibre depends on its neighbours: fibre 6's judgement is the same whether fibre
// 5 beside it is clean or covered with defects, and fibre 5 fails on its own.
TEST(FibreJudgement, NeighboursDoNotMatter)
{
    MtPicture clean = FibreView(1.0f, -250.0f); // fibres 5 and 6 of 12, the frame cutting 4 and 7
    MtPicture dirty = clean;
    for (int k = 0; k < 8; ++k)
        dirty.Defects.push_back({5, -40.0f + 10.0f * static_cast<float>(k), 10.0f, 8.0f});
    dirty.Defects.push_back({6, 30.0f, 20.0f, 4.0f});
    clean.Defects.push_back({6, 30.0f, 20.0f, 4.0f});
    const TMtCheck a = Check(clean, "mt-sm-apc", 5), b = Check(dirty, "mt-sm-apc", 5);
    const TFibreResult *a6 = Fibre(a, 6), *b6 = Fibre(b, 6), *b5 = Fibre(b, 5);
    ASSERT_TRUE(a6 && b6 && b5);
    ASSERT_EQ(a6->Result.Findings.size(), b6->Result.Findings.size());
    for (std::size_t i = 0; i < a6->Result.Findings.size(); ++i)
        EXPECT_EQ(a6->Result.Findings[i].SizeUm, b6->Result.Findings[i].SizeUm);
    EXPECT_EQ(a6->Result.Pass, b6->Result.Pass);
    EXPECT_TRUE(b6->Result.Pass);
    EXPECT_FALSE(b5->Result.Pass);
}

// No verdict where there is nothing to certify: an overview measures but judges nothing, a view
// without fibres says so, a fibre cut by the frame is never judged.
TEST(FibreJudgement, NoVerdictWithoutAWholeFibreOfAView)
{
    MtPicture overview = FibreView(5.0f, 0.0f);
    overview.Defects = {{3, 0.0f, 30.0f, 20.0f}};
    const TMtCheck o = Check(overview, "mt-sm-apc", 1);
    EXPECT_EQ(o.Location.Kind, TMtViewKind::Overview);
    EXPECT_EQ(o.Fibres.size(), 12u);
    EXPECT_FALSE(o.AnyJudged());
    EXPECT_EQ(o.NoVerdictReason(), "Overview: certifies nothing");
    for (const TFibreResult& f : o.Fibres)
        EXPECT_EQ(f.Outcome, TFibreOutcome::Located);

    MtPicture empty = FibreView(0.6f, 0.0f);
    empty.Fibres = false;
    EXPECT_EQ(Check(empty, "mt-sm-apc", 1).NoVerdictReason(), "No fiber");

    // Fibres 1 and 2 of a view at 1 um a pixel, the picture's edge cutting fibre 1.
    const TMtCheck cut = Check(FibreView(1.0f, -1375.0f + 300.0f), "mt-sm-apc", 2);
    const TFibreResult* first = Fibre(cut, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Outcome, TFibreOutcome::NotInView);
    ASSERT_NE(Fibre(cut, 2), nullptr);
    EXPECT_TRUE(Fibre(cut, 2)->Judged());
}
} // namespace
