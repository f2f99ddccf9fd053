// The live assistant's measures on frames with and without a fiber, and the focus score against
// blur: the decisions the overlay and the automatic Check rest on.

#include "live/LiveAnalysis.h"

#include "analysis/TFiberAnalyzer.h"
#include "ferrule/FibreRowLocator.h"
#include "profiles/ProfileEvaluation.h"
#include "tests/ferrule/MtFixture.h"
#include "tests/profiles/BuiltinProfile.h"
#include "tools/EndFaceGenerator.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace
{
TBitmap FromFile(const char* name)
{
    TBitmap b;
    b.Assign(QImage(QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name)));
    return b;
}

TBitmap Filled(int grey)
{
    TBitmap b(640, 480);
    b.Image().fill(QColor(grey, grey, grey));
    return b;
}

// A dark frame with bright specks and short lines, as a scope shows with nothing plugged in.
TBitmap DarkWithSpecks()
{
    TBitmap b = Filled(20);
    std::mt19937 random(7);
    QPainter p(&b.Image());
    p.setPen(QColor(200, 200, 200));
    for (int i = 0; i < 300; ++i)
    {
        const int x = static_cast<int>(random() % 640);
        const int y = static_cast<int>(random() % 480);
        if (i % 10 == 0)
            p.drawLine(x, y, x + static_cast<int>(random() % 40), y + static_cast<int>(random() % 40));
        else
            p.drawPoint(x, y);
    }
    return b;
}

// A box blur of the given radius, repeated three times (close to a Gaussian).
TBitmap Blurred(const TBitmap& in, int radius)
{
    if (radius == 0)
        return in;
    QImage img = in.Image().convertToFormat(QImage::Format_Grayscale8);
    const int w = img.width(), h = img.height();
    for (int pass = 0; pass < 3; ++pass)
        for (int dir = 0; dir < 2; ++dir)
        {
            const QImage src = img.copy();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                {
                    int sum = 0, n = 0;
                    for (int k = -radius; k <= radius; ++k)
                    {
                        const int xx = dir == 0 ? std::clamp(x + k, 0, w - 1) : x;
                        const int yy = dir == 1 ? std::clamp(y + k, 0, h - 1) : y;
                        sum += src.constScanLine(yy)[xx];
                        ++n;
                    }
                    img.scanLine(y)[x] = static_cast<uchar>(sum / n);
                }
        }
    TBitmap out;
    out.Assign(img);
    return out;
}

TLiveResult Analyse(const TBitmap& frame)
{
    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    TBitmap scaled;
    TEdgeLocatorScratch edges;
    return AnalyseLiveFrame(a, TLiveSettings::From(a), frame, scaled, edges);
}

struct ViewCase
{
    const char* Name;
    TBitmap (*Make)();
    bool InView;
};

void PrintTo(const ViewCase& c, std::ostream* os)
{
    *os << c.Name;
}

class FiberInViewTest : public ::testing::TestWithParam<ViewCase>
{
};
} // namespace

TEST_P(FiberInViewTest, TellsAFiberFromAnEmptyPicture)
{
    const TLiveResult r = Analyse(GetParam().Make());
    EXPECT_EQ(r.FiberInView, GetParam().InView);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FiberInViewTest,
    ::testing::Values(ViewCase{"clean-pass", [] { return FromFile("clean-pass.png"); }, true},
                      ViewCase{"core-defect", [] { return FromFile("core-defect.png"); }, true},
                      ViewCase{"cladding-scratch", [] { return FromFile("cladding-scratch.png"); }, true},
                      ViewCase{"contact-defect", [] { return FromFile("contact-defect.bmp"); }, true},
                      ViewCase{"wide-720", [] { return FromFile("wide-720-pass.png"); }, true},
                      ViewCase{"typical", [] { return MakeEndFace(TypicalEndFace()); }, true},
                      ViewCase{"small fiber",
                               [] {
                                   EndFaceRecipe r;
                                   r.CladdingRadius = 70;
                                   r.CoreRadius = 6;
                                   return MakeEndFace(r);
                               },
                               true},
                      ViewCase{"uniform grey", [] { return Filled(128); }, false},
                      ViewCase{"black", [] { return Filled(0); }, false},
                      ViewCase{"bare ferrule", [] { return Filled(190); }, false},
                      ViewCase{"dark with specks", DarkWithSpecks, false},
                      ViewCase{"lens cap", [] { return MakeEndFace(EmptyFrame(EmptyFrameKind::LensCap, 4)); },
                               false}));

// A cladding cut by the frame: the classic profile judges it by the rays, as a Check does, with a
// caution since its edge lies elsewhere; a true-size profile judges by the edge and says it is
// not wholly in view, as a Check says.
TEST(LiveAnalysis, ACutCladdingIsInViewAsACheckWouldJudgeIt)
{
    EndFaceRecipe recipe;
    recipe.OffsetX = 260;
    const TBitmap frame = MakeEndFace(recipe);
    const TLiveResult classic = Analyse(frame);
    EXPECT_TRUE(classic.FiberInView);
    EXPECT_TRUE(classic.Caution);

    TFiberAnalyzer a;
    TLiveSettings settings = TLiveSettings::From(a);
    settings.Profile = std::make_shared<const TCriteriaProfile>(BuiltinProfile("sm-pc"));
    TBitmap scaled;
    TEdgeLocatorScratch edges;
    const TLiveResult trueSize = AnalyseLiveFrame(a, settings, frame, scaled, edges);
    EXPECT_FALSE(trueSize.FiberInView);
    EXPECT_TRUE(trueSize.NotWhollyInView);
}

// With a multi-fibre profile a live frame marks each fibre, numbered as the Check will number
// it, and gives no single fibre's verdict; an overview says it is one.
TEST(LiveAnalysis, MarksEachFibreOfAConnectorWithoutAVerdict)
{
    TFiberAnalyzer a;
    TLiveSettings settings = TLiveSettings::From(a);
    settings.Profile = std::make_shared<const TCriteriaProfile>(BuiltinProfile("mt-sm-apc"));
    settings.FirstFibre = 5;
    MtPicture view; // fibres 5 and 6 of 12 at 1 um a pixel, 4 and 7 cut by the frame
    view.UmPerPixel = 1.0f;
    view.ViewX = -250.0f;
    TBitmap scaled;
    TEdgeLocatorScratch edges;
    TFibreRowScratch rows;
    const TLiveResult r = AnalyseLiveFrame(a, settings, view.Make(), scaled, edges, &rows);
    EXPECT_TRUE(r.MultiFibre);
    EXPECT_FALSE(r.Overview);
    EXPECT_TRUE(r.FiberInView);
    EXPECT_FALSE(r.Pass);
    std::vector<int> whole;
    for (int i = 0; i < r.FibreCount; ++i)
        if (r.Fibres[static_cast<std::size_t>(i)].Whole)
            whole.push_back(r.Fibres[static_cast<std::size_t>(i)].Number);
    EXPECT_EQ(whole, (std::vector<int>{5, 6}));
    EXPECT_NEAR(r.UmPerPixel, 1.0f, 0.03f);
    EXPECT_GT(r.Focus, 0.0f);

    MtPicture overview;
    const TLiveResult o = AnalyseLiveFrame(a, settings, overview.Make(), scaled, edges, &rows);
    EXPECT_TRUE(o.Overview);
    EXPECT_EQ(o.FibreCount, 12);
    // Without the locator's scratch nothing is located, and nothing is claimed.
    const TLiveResult none = AnalyseLiveFrame(a, settings, view.Make(), scaled, edges);
    EXPECT_FALSE(none.FiberInView);
    EXPECT_EQ(none.FibreCount, 0);
}

TEST(LiveAnalysis, GivesTheVerdictOfTheStationsOwnAnalysis)
{
    for (const char* name :
         {"clean-pass.png", "core-defect.png", "cladding-scratch.png", "contact-defect.bmp"})
    {
        const TBitmap frame = FromFile(name);
        TFiberAnalyzer station;
        station.SetDefaultCriteria();
        station.SetCapturedImage(frame);
        station.Analyze();
        const bool pass = station.EvaluateAcceptance();
        const TLiveResult r = Analyse(frame);
        EXPECT_EQ(r.Pass, pass) << name;
        EXPECT_EQ(r.Center.X, station.Center.X) << name;
        EXPECT_EQ(r.ZoneRadius[4], station.ZoneRadius[4]) << name;
        for (int z = 0; z < 3; ++z)
            EXPECT_EQ(r.ZonePass[z], station.ZoneVerdicts[z] == "Pass") << name << " zone " << z;
    }
}

// With a true-size profile the live verdict is the profile's, zone by zone, as a Check gives it.
TEST(LiveAnalysis, GivesTheVerdictOfTheProfileInUse)
{
    for (const char* profile : {"sm-pc", "mm-pc"})
        for (const char* name :
             {"clean-pass.png", "core-defect.png", "cladding-scratch.png", "contact-defect.bmp"})
        {
            const TBitmap frame = FromFile(name);
            const TCriteriaProfile& table = BuiltinProfile(profile);
            TFiberAnalyzer station;
            station.Mode = table.FiberMode;
            station.SetCapturedImage(frame);
            TEdgeLocatorScratch stationEdges;
            ASSERT_TRUE(AnalyzeLocated(station, stationEdges, TLocateMethod::Edges).Judges()) << name;
            const TProfileResult expected = EvaluateProfile(station, table);

            TFiberAnalyzer a;
            a.Mode = table.FiberMode;
            TLiveSettings settings = TLiveSettings::From(a);
            settings.Profile = std::make_shared<const TCriteriaProfile>(table);
            TBitmap scaled;
            TEdgeLocatorScratch edges;
            const TLiveResult r = AnalyseLiveFrame(a, settings, frame, scaled, edges);
            EXPECT_TRUE(r.TrueSize);
            EXPECT_EQ(r.Pass, expected.Pass) << profile << ' ' << name;
            EXPECT_EQ(r.UmPerPixel, expected.UmPerPixel) << profile << ' ' << name;
            for (std::size_t z = 0; z < expected.Zones.size(); ++z)
                EXPECT_EQ((r.FailedZones >> z) & 1u, expected.Zones[z].Pass ? 0u : 1u)
                    << profile << ' ' << name;
        }
}

TEST(LiveAnalysis, FocusFallsWithEveryStepOfBlurWhateverTheDefects)
{
    for (const char* name :
         {"clean-pass.png", "core-defect.png", "cladding-scratch.png", "contact-defect.bmp"})
    {
        const TBitmap sharp = FromFile(name);
        float previous = INFINITY;
        for (int radius : {0, 1, 2, 3, 5, 8})
        {
            const TLiveResult r = Analyse(Blurred(sharp, radius));
            ASSERT_TRUE(r.FiberInView) << name << " blur " << radius;
            EXPECT_LT(r.Focus, previous) << name << " blur " << radius;
            previous = r.Focus;
        }
    }
    // A face full of defects and one without are about equally sharp.
    const float clean = Analyse(FromFile("clean-pass.png")).Focus;
    const float typical = Analyse(MakeEndFace(TypicalEndFace())).Focus;
    EXPECT_NEAR(typical / clean, 1.0f, 0.35f);
}

TEST(LiveAnalysis, LargeFramesAreScaledAsACheckScalesThem)
{
    EndFaceRecipe recipe;
    recipe.Width = 1280;
    recipe.Height = 960;
    recipe.CladdingRadius = 300;
    recipe.CoreRadius = 22;
    const TLiveResult r = Analyse(MakeEndFace(recipe));
    EXPECT_EQ(r.ImageWidth, 640);
    EXPECT_TRUE(r.FiberInView);
    EXPECT_NEAR(r.Center.X, 320.0f, 4.0f);
    EXPECT_NEAR(r.ZoneRadius[4], 250.0f * 0.008f * 150.0f, 8.0f);
}
