// Which circle judges a face, and that a picture without a fiber gets no judgement at all.

#include "profiles/FiberLocation.h"

#include "analysis/TFiberAnalyzer.h"
#include "tests/profiles/BuiltinProfile.h"
#include "tools/EndFaceGenerator.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace
{
std::unique_ptr<TFiberAnalyzer> Loaded(const EndFaceRecipe& recipe)
{
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetDefaultCriteria();
    a->SetCapturedImage(MakeEndFace(recipe));
    return a;
}

} // namespace

TEST(FiberLocation, PicturesWithoutAFiberAreNeverJudgedByEitherMethod)
{
    TEdgeLocatorScratch scratch;
    for (const EmptyFrameKind kind : {EmptyFrameKind::Uniform, EmptyFrameKind::SpecksOnBlack,
                                      EmptyFrameKind::BareFerrule, EmptyFrameKind::LensCap})
        for (const TLocateMethod method : {TLocateMethod::Rays, TLocateMethod::Edges})
        {
            SCOPED_TRACE(EmptyFrameName(kind));
            auto a = Loaded(EmptyFrame(kind, 3));
            const TFiberLocation l = AnalyzeLocated(*a, scratch, method);
            EXPECT_EQ(l.Outcome, TFiberOutcome::NoFiber);
            EXPECT_FALSE(l.Judges());
            EXPECT_FALSE(l.Caution());
            EXPECT_FALSE(NoVerdictReason(l).empty());
            EXPECT_EQ(a->FindingCount[0] + a->FindingCount[1] + a->FindingCount[2], 0) << "nothing detected";
        }
}

TEST(FiberLocation, TheRaysJudgeAsTheEngineAloneWouldBitForBit)
{
    EndFaceRecipe face = SpeckledEndFace();
    auto reference = Loaded(face);
    reference->Analyze();
    auto a = Loaded(face);
    TEdgeLocatorScratch scratch;
    const TFiberLocation l = AnalyzeLocated(*a, scratch, TLocateMethod::Rays);
    ASSERT_TRUE(l.Judges());
    EXPECT_FALSE(l.Caution()) << "a centred face: both circles agree";
    EXPECT_FALSE(l.Noteworthy());
    EXPECT_EQ(std::memcmp(&a->Center, &reference->Center, sizeof a->Center), 0);
    EXPECT_EQ(std::memcmp(a->ZoneRadius, reference->ZoneRadius, sizeof a->ZoneRadius), 0);
    EXPECT_EQ(a->ZoneScale, reference->ZoneScale);
    EXPECT_EQ(a->GreyBuffer, reference->GreyBuffer);
    EXPECT_EQ(std::memcmp(a->FindingCount, reference->FindingCount, sizeof a->FindingCount), 0);
}

TEST(FiberLocation, AnOffCentreFiberCautionsTheRaysAndIsFoundByItsEdge)
{
    // The picture's centre lies outside the glass: the rays start on the ferrule.
    const EndFaceRecipe face = OffCentreEndFace(-160.0f, 60.0f);
    const float cx = 320.0f - 160.0f, cy = 240.0f + 60.0f;
    TEdgeLocatorScratch scratch;

    auto rays = Loaded(face);
    const TFiberLocation byRays = AnalyzeLocated(*rays, scratch, TLocateMethod::Rays);
    EXPECT_TRUE(byRays.Caution());
    EXPECT_TRUE(byRays.Noteworthy());
    EXPECT_GT(std::hypot(rays->Center.X - cx, rays->Center.Y - cy), 5.0f)
        << "the rays judge their own circle";

    auto edges = Loaded(face);
    const TFiberLocation byEdge = AnalyzeLocated(*edges, scratch, TLocateMethod::Edges);
    ASSERT_TRUE(byEdge.Judges());
    EXPECT_FALSE(byEdge.Caution());
    EXPECT_NEAR(edges->Center.X, cx, 1.0f);
    EXPECT_NEAR(edges->Center.Y, cy, 1.0f);
    EXPECT_NEAR(edges->ZoneScale, 150.0f * 0.008f, 0.012f) << "scale from the fitted cladding";
    EXPECT_NEAR(edges->ZoneRadius[2], 118.0f * edges->ZoneScale, 1e-3f);
}

TEST(FiberLocation, ACutCladdingIsNotJudgedByItsEdgeButStaysWithTheRays)
{
    const EndFaceRecipe face = OffCentreEndFace(230.0f, 0.0f); // a quarter of the cladding beyond the border
    TEdgeLocatorScratch scratch;
    auto a = Loaded(face);
    const TFiberLocation byEdge = AnalyzeLocated(*a, scratch, TLocateMethod::Edges);
    EXPECT_TRUE(byEdge.Edge.Found);
    EXPECT_EQ(byEdge.Outcome, TFiberOutcome::NotWhollyInView);
    EXPECT_EQ(NoVerdictReason(byEdge), "Fiber not wholly in view: centre it");

    auto b = Loaded(face);
    EXPECT_TRUE(AnalyzeLocated(*b, scratch, TLocateMethod::Rays).Judges());
}

TEST(FiberLocation, SwitchingMethodsPutsEitherCircleBackExactly)
{
    auto a = Loaded(OffCentreEndFace(-60.0f, 25.0f));
    a->PrepareImage();
    a->LocateFiber();
    const TPoint2D rayCentre = a->Center;
    const float rayRadius2 = a->ZoneRadius[2];
    TEdgeLocatorScratch scratch;
    TFiberLocation l = CheckLocation(*a, scratch, TLocateMethod::Edges);
    ApplyMethod(*a, l, TLocateMethod::Rays);
    EXPECT_EQ(a->Center.X, rayCentre.X);
    EXPECT_EQ(a->Center.Y, rayCentre.Y);
    EXPECT_EQ(a->ZoneRadius[2], rayRadius2);
    ApplyMethod(*a, l, TLocateMethod::Edges);
    EXPECT_EQ(a->Center.X, l.Edge.Centre.X);
    // A manual placement keeps the operator's circle.
    a->Center.X += 7.0f;
    ApplyMethod(*a, l, TLocateMethod::Manual);
    EXPECT_EQ(a->Center.X, l.Edge.Centre.X + 7.0f);
    EXPECT_TRUE(l.Judges());
}

TEST(FiberLocation, TrueSizeProfilesLocateByTheEdgeAndTheClassicOneByChoice)
{
    EXPECT_EQ(MethodFor(ClassicProfile(), false), TLocateMethod::Rays);
    EXPECT_EQ(MethodFor(ClassicProfile(), true), TLocateMethod::Edges);
    EXPECT_EQ(MethodFor(BuiltinProfile("sm-pc"), false), TLocateMethod::Edges);
}
