#include "tools/MtFaceGenerator.h"

#include "analysis/TFiberAnalyzer.h"
#include "profiles/TrueSizeFindings.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace
{
int Grey(const TBitmap& b, float x, float y)
{
    const int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
    if (px < 0 || py < 0 || px >= b.Width() || py >= b.Height())
        return -1;
    return b.ScanLine(py)[3 * px];
}

std::uint64_t Fnv(const TBitmap& b)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < 3 * b.Width(); ++x)
            h = (h ^ b.ScanLine(y)[x]) * 0x100000001b3ull;
    return h;
}

MtFaceRecipe Quiet(MtFaceRecipe r)
{
    r.Noise = 0;
    return r;
}

MtFaceRecipe Tilted(MtFaceRecipe r, float degrees)
{
    r.TiltDegrees = degrees;
    return r;
}

MtFaceRecipe BackLit(MtFaceRecipe r)
{
    r.Ferrule = 40;
    r.Guide = 220;
    return r;
}

MtFaceRecipe Busy()
{
    MtFaceRecipe r = MtFibreView(0.6f, 3);
    r.Seed = 9;
    r.TiltDegrees = 2.5f;
    r.Noise = 2;
    r.Defects = {{3, 20.0f, -10.0f, 6.0f, 20}, {4, -5.0f, 30.0f, 3.0f, 20}};
    r.Scratches = {{3, -30.0f, 15.0f, 30.0f, 18.0f, 3.0f, 6}};
    return r;
}

struct ViewCase
{
    const char* Name;
    MtFaceRecipe Recipe;
    int Whole; // fibres wholly in view
};

class MtFaceViews : public testing::TestWithParam<ViewCase>
{
};
} // namespace

// Every whole fibre's truth centre lies on a drawn disc of the truth's radius, fibres are numbered
// along the first row and then the second, left to right whatever the tilt.
TEST_P(MtFaceViews, TruthLiesOnTheDrawnFibres)
{
    const MtFaceRecipe r = Quiet(GetParam().Recipe);
    const TBitmap b = MakeMtFace(r);
    const MtFaceTruth truth = MtTruthOf(r);
    ASSERT_EQ(truth.Fibres.size(), static_cast<std::size_t>(r.FibresPerRow * r.Rows));
    EXPECT_EQ(truth.WhollyInView(), GetParam().Whole);
    for (const MtFibreTruth& f : truth.Fibres)
    {
        EXPECT_EQ(f.Number, f.Row * r.FibresPerRow + f.Slot + 1);
        if (f.Slot > 0)
        {
            EXPECT_GT(f.X, truth.Fibres[static_cast<std::size_t>(f.Number - 2)].X) << f.Number;
        }
        if (f.Row > 0)
        {
            EXPECT_GT(f.Y, truth.Fibres[static_cast<std::size_t>(f.Number - 1 - r.FibresPerRow)].Y)
                << f.Number;
        }
        if (f.InView != MtInView::Wholly)
            continue;
        const int centre = Grey(b, f.X, f.Y);
        EXPECT_TRUE(centre == r.Cladding || centre == r.Core) << f.Number;
        for (const auto& [dx, dy] : {std::pair{1.0f, 0.0f}, {-1.0f, 0.0f}, {0.0f, 1.0f}, {0.0f, -1.0f}})
        {
            EXPECT_EQ(Grey(b, f.X + dx * (f.RadiusPx - 1.5f), f.Y + dy * (f.RadiusPx - 1.5f)), r.Cladding)
                << f.Number << " inside " << dx << "," << dy;
            const int outside = Grey(b, f.X + dx * (f.RadiusPx + 1.5f), f.Y + dy * (f.RadiusPx + 1.5f));
            EXPECT_TRUE(outside == r.Ferrule || outside == -1) << f.Number << " outside " << dx << "," << dy;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, MtFaceViews,
    testing::Values(ViewCase{"view_first_3", MtFibreView(0.5f, 3), 1},
                    ViewCase{"coarse_view_tilted_backlit", BackLit(Tilted(MtFibreView(1.0f, 1), 3.0f)), 3},
                    ViewCase{"view_second_row", MtFibreView(0.8f, 14, 12, 2), 2},
                    ViewCase{"overview_12", MtOverview(12, 1), 12},
                    ViewCase{"overview_16x2_tilted", Tilted(MtOverview(16, 2), -3.0f), 32},
                    ViewCase{"overview_8x2_backlit", BackLit(MtOverview(8, 2)), 16}),
    [](const testing::TestParamInfo<ViewCase>& param) { return std::string(param.param.Name); });

TEST(MtFaceGenerator, FibreViewStartsAtTheAskedFibre)
{
    for (const int first : {1, 5, 12})
        for (const float s : {0.4f, 0.7f, 1.0f})
        {
            const MtFaceTruth truth = MtTruthOf(MtFibreView(s, first));
            EXPECT_EQ(truth.FirstWholeFibre(), first) << s;
            const MtFibreTruth& f = truth.Fibres[static_cast<std::size_t>(first - 1)];
            EXPECT_NEAR(f.X - f.RadiusPx, 8.0f, 0.01f);
            EXPECT_NEAR(f.Y, 240.0f, 0.01f);
        }
}

// A cladding one pixel inside the frame is whole, one pixel over it is cut (and drawn up to the
// edge), beyond its radius it is out of view; on every side.
TEST(MtFaceGenerator, FrameCutsFibresWhereTheGeometryPutsThem)
{
    struct Case
    {
        float Dx, Dy; // fibre 1's centre from the picture's centre, pixels
        MtInView Expected;
    };
    const float s = 0.5f, r = 125.0f;
    const Case cases[] = {
        {-320.0f + r + 1.0f, 0.0f, MtInView::Wholly}, {-320.0f + r - 1.0f, 0.0f, MtInView::Partly},
        {-320.0f - r - 1.0f, 0.0f, MtInView::Not},    {319.0f - r - 1.0f, 0.0f, MtInView::Wholly},
        {319.0f - r + 1.0f, 0.0f, MtInView::Partly},  {0.0f, -240.0f + r + 1.0f, MtInView::Wholly},
        {0.0f, -240.0f + r - 1.0f, MtInView::Partly}, {0.0f, 239.0f + r + 1.0f, MtInView::Not},
    };
    for (const Case& c : cases)
    {
        MtFaceRecipe recipe = Quiet(MtFibreView(s, 1));
        CentreOnFibre(recipe, 1);
        recipe.CentreXUm -= c.Dx * s;
        recipe.CentreYUm -= c.Dy * s;
        const MtFibreTruth f = MtTruthOf(recipe).Fibres[0];
        EXPECT_NEAR(f.X, 320.0f + c.Dx, 1e-3f);
        EXPECT_NEAR(f.Y, 240.0f + c.Dy, 1e-3f);
        EXPECT_EQ(f.InView, c.Expected) << c.Dx << "," << c.Dy << ": " << MtInViewName(f.InView);
        if (c.Expected == MtInView::Partly)
        {
            // Drawn up to the frame where it is cut.
            const float x = f.X - f.RadiusPx < 0.0f ? 0.0f : f.X + f.RadiusPx > 639.0f ? 639.0f : f.X;
            const float y = f.Y - f.RadiusPx < 0.0f ? 0.0f : f.Y + f.RadiusPx > 479.0f ? 479.0f : f.Y;
            EXPECT_EQ(Grey(MakeMtFace(recipe), x, y), recipe.Cladding) << c.Dx << "," << c.Dy;
        }
    }
}

TEST(MtFaceGenerator, SameRecipeSameBytesEverywhere)
{
    MtFaceRecipe r = Busy();
    const std::uint64_t first = Fnv(MakeMtFace(r));
    EXPECT_EQ(Fnv(MakeMtFace(r)), first);
    // These bytes on every machine: the tilt's turn and the noise are our own arithmetic.
    EXPECT_EQ(first, 0x2ad13600151c4fa6ull);
    r.Seed = 10;
    EXPECT_NE(Fnv(MakeMtFace(r)), first);
}

// Findings sit where asked in um from their fibre's centre, and turn with the ferrule: at 90
// degrees clockwise, along the row is down the picture.
TEST(MtFaceGenerator, FindingsTurnWithTheFerrule)
{
    for (const float tilt : {0.0f, 90.0f})
    {
        MtFaceRecipe r = Quiet(MtFibreView(0.5f, 2));
        CentreOnFibre(r, 2);
        r.TiltDegrees = tilt;
        r.Defects = {{2, 20.0f, 0.0f, 4.0f, 20}};
        r.Scratches = {{2, -30.0f, -30.0f, 30.0f, -30.0f, 3.0f, 6}};
        const TBitmap b = MakeMtFace(r);
        const bool turned = tilt > 0.0f;
        // The defect, 40 px along the row, 8 px across.
        const auto at = [&](float along, float across) {
            return turned ? Grey(b, 320.0f - across, 240.0f + along)
                          : Grey(b, 320.0f + along, 240.0f + across);
        };
        EXPECT_EQ(at(40.0f, 0.0f), 20) << tilt;
        EXPECT_EQ(at(43.0f, 0.0f), 20) << tilt;
        EXPECT_EQ(at(45.0f, 0.0f), r.Cladding) << tilt;
        // The scratch, 60 px above the centre in ferrule terms, 6 px wide.
        EXPECT_EQ(at(0.0f, -60.0f), r.Cladding + 6) << tilt;
        EXPECT_EQ(at(0.0f, -57.0f), r.Cladding + 6) << tilt;
        EXPECT_EQ(at(0.0f, -56.0f), r.Cladding) << tilt;
        EXPECT_EQ(at(0.0f, 0.0f), r.Core) << tilt;
    }
}

// Drawn as the single-fibre faces draw theirs, findings on an MT fibre measure to within
// 0.5 um at 0.5 um a pixel: a centred fibre is one the single-fibre engine finds by itself.
TEST(MtFaceGenerator, FindingsMeasureTheirDrawnSize)
{
    MtFaceRecipe r = MtFibreView(0.5f, 5);
    CentreOnFibre(r, 5);
    r.TiltDegrees = 2.0f;
    r.Defects = {{5, 40.0f, 0.0f, 3.0f, 20}, {5, -30.0f, 30.0f, 6.0f, 20}, {5, 0.0f, -45.0f, 9.0f, 20}};
    r.Scratches = {{5, -40.0f, 20.0f, 40.0f, 24.0f, 2.5f, 6}, {5, -35.0f, -20.0f, 35.0f, -30.0f, 4.0f, 6}};
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetCapturedImage(MakeMtFace(r));
    a->Analyze();
    const TFibreScale scale = FibreScaleOf(*a);
    ASSERT_NEAR(scale.UmPerPixel, 0.5f, 0.01f);
    const auto found = MeasureFindings(*a, scale);
    const auto check = [&](FindingClass kind, MtPointUm at, float size) {
        const MtPointUm p = MtPixelOf(r, {MtFibrePosition(r, 5).X + at.X, MtFibrePosition(r, 5).Y + at.Y});
        const TMeasuredFinding* best = nullptr;
        for (const TMeasuredFinding& f : found)
            if (f.Kind == kind && std::hypot(f.CentreX - p.X, f.CentreY - p.Y) < 6.0f)
                best = &f;
        ASSERT_NE(best, nullptr) << size;
        EXPECT_NEAR(best->SizeUm, size, 0.5f);
    };
    for (const MtDefect& d : r.Defects)
        check(FindingClass::Defect, {d.X, d.Y}, d.DiameterUm);
    for (const MtScratch& s : r.Scratches)
        check(FindingClass::Scratch, {(s.X0 + s.X1) / 2.0f, (s.Y0 + s.Y1) / 2.0f}, s.WidthUm);
}

// What each profile must say of a fibre from the findings on it; the neighbours stay clean.
TEST(MtFaceGenerator, ExpectedVerdictsFollowZonesAndSizeClasses)
{
    struct Case
    {
        const char* Profile;
        std::vector<MtDefect> Defects;
        std::vector<MtScratch> Scratches;
        bool Pass;
    };
    const auto defects = [](int n, float diameter, float radius) {
        std::vector<MtDefect> out;
        for (int k = 0; k < n; ++k)
        {
            const float a = static_cast<float>(k) * 0.9f;
            out.push_back({2, radius * std::cos(a), radius * std::sin(a), diameter, 20});
        }
        return out;
    };
    const Case cases[] = {
        {"mt-sm-apc", defects(1, 3.0f, 40.0f), {}, true},                     // B, 2-5: five allowed
        {"mt-sm-apc", defects(5, 3.0f, 40.0f), {}, true},                     //
        {"mt-sm-apc", defects(6, 3.0f, 40.0f), {}, false},                    //
        {"mt-sm-apc", defects(1, 6.0f, 40.0f), {}, false},                    // B, >5: none
        {"mt-sm-apc", defects(1, 1.5f, 40.0f), {}, true},                     // B, <2: no limit
        {"mt-sm-apc", defects(1, 3.0f, 5.0f), {}, false},                     // A: none
        {"mt-sm-apc", {}, {{2, -30.0f, 8.0f, 30.0f, 8.0f, 2.5f, 6}}, true},   // through A, <=3
        {"mt-sm-apc", {}, {{2, -30.0f, 8.0f, 30.0f, 8.0f, 4.0f, 6}}, false},  // through A, >3
        {"mt-sm-apc", {}, {{2, -30.0f, 30.0f, 30.0f, 30.0f, 4.0f, 6}}, true}, // B only: no limit
        {"mt-mm-pc", defects(1, 8.0f, 45.0f), {}, true},                      // B, 5-10
        {"mt-mm-pc", defects(1, 12.0f, 45.0f), {}, false},                    // B, >10
        {"mt-mm-pc", defects(4, 4.0f, 15.0f), {}, true},                      // A, <=5: four
        {"mt-mm-pc", defects(5, 4.0f, 15.0f), {}, false},                     //
        {"mt-mm-pc", defects(1, 6.0f, 15.0f), {}, false},                     // A, >5
        {"mt-mm-pc", {}, {{2, -20.0f, 45.0f, 20.0f, 45.0f, 4.0f, 6}}, true},  // B, <=5
        {"mt-mm-pc", {}, {{2, -20.0f, 45.0f, 20.0f, 45.0f, 6.0f, 6}}, false}, // B, >5
    };
    for (const Case& c : cases)
    {
        MtFaceRecipe r = MtFibreView(0.5f, 1);
        r.Defects = c.Defects;
        r.Scratches = c.Scratches;
        const auto verdicts = MtExpectedVerdicts(r, *FindProfile(c.Profile));
        ASSERT_EQ(verdicts.size(), 12u);
        const std::string what = std::string(c.Profile) + " " + std::to_string(c.Defects.size()) +
                                 " defects " + std::to_string(c.Scratches.size()) + " scratches";
        EXPECT_EQ(verdicts[1].Pass, c.Pass) << what;
        EXPECT_EQ(verdicts[1].Findings, static_cast<int>(c.Defects.size() + c.Scratches.size())) << what;
        EXPECT_TRUE(verdicts[0].Pass && verdicts[2].Pass) << what;
        EXPECT_EQ(verdicts[0].Findings, 0) << what;
    }
}

// The margins say how near a coin toss a verdict is: a defect across zone A's edge, a size just
// over a class boundary.
TEST(MtFaceGenerator, MarginsShowCoinTosses)
{
    MtFaceRecipe r = MtFibreView(0.5f, 1);
    const TCriteriaProfile& sm = *FindProfile("mt-sm-apc");
    r.Defects = {{1, 12.5f, 0.0f, 4.0f, 20}, {2, 40.0f, 0.0f, 2.2f, 20}};
    r.Scratches = {{3, -20.0f, 8.0f, 20.0f, 8.0f, 2.5f, 6}};
    const auto v = MtExpectedVerdicts(r, sm);
    EXPECT_LT(v[0].ZoneMarginUm, 0.0f);
    EXPECT_NEAR(v[1].SizeMarginUm, 0.2f, 1e-4f);
    EXPECT_NEAR(v[1].ZoneMarginUm, 57.5f - 41.1f, 1e-3f);
    // Through zone A, whose scratch rows part at 3 um; zone B's rows take any width.
    EXPECT_NEAR(v[2].SizeMarginUm, 0.5f, 1e-4f);
    EXPECT_NEAR(v[2].ZoneMarginUm, 12.5f - 6.75f, 1e-4f);
    EXPECT_TRUE(std::isinf(v[3].SizeMarginUm) && std::isinf(v[3].ZoneMarginUm));
}

TEST(MtFaceGenerator, BareFerruleHasNoFibres)
{
    MtFaceRecipe r = Quiet(MtOverview(12, 1));
    r.UmPerPixel = 8.0f; // the guide-pin holes partly in the picture
    r.Fibres = false;
    r.Defects = {{1, 0.0f, 0.0f, 20.0f, 20}};
    EXPECT_TRUE(MtTruthOf(r).Fibres.empty());
    EXPECT_TRUE(MtExpectedVerdicts(r, *FindProfile("mt-sm-apc")).empty());
    const TBitmap b = MakeMtFace(r);
    std::set<int> levels;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            levels.insert(b.ScanLine(y)[3 * x]);
    EXPECT_EQ(levels, (std::set<int>{r.Guide, r.Ferrule}));
}
