#include "EngineFixtures.h"

#include <gtest/gtest.h>

TEST(LocateFiber, FindsADarkDisc)
{
    GreyImage image(640, 480, 200);
    image.FillDisc(330.0f, 235.0f, 150.0f, 50);
    TFiberAnalyzer a;
    GiveGrey(a, image);
    a.LocateFiber();
    EXPECT_NEAR(a.Center.X, 330.0f, 0.5f);
    EXPECT_NEAR(a.Center.Y, 235.0f, 0.5f);
    const float r = a.ZoneScale / 0.008f;
    EXPECT_NEAR(r, 150.2f, 0.05f);
    EXPECT_NEAR(a.ZoneScale, 1.2f, 0.01f);
    const float expected[5] = {30.0f, 78.0f, 142.0f, 159.0f, 300.0f};
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(a.ZoneRadius[k], expected[k], 0.6f) << k;
    EXPECT_FLOAT_EQ(a.ZoneRadius[2] / r, 0.944f);
    EXPECT_FLOAT_EQ(a.ZoneRadius[3] / r, 1.056f);
}

TEST(LocateFiber, UniformImageGivesNoEdges)
{
    TFiberAnalyzer a;
    GiveGrey(a, GreyImage(640, 480, 120));
    a.LocateFiber();
    for (const TPoint2D& e : a.EdgePoints)
        EXPECT_EQ(e, TPoint2D(0, 0));
}

// Bright bands just inside the reach of each ray's last outer window: the edge is the ray's last
// position, so the ray end points show.
TEST(LocateFiber, RaysEndThirtyPixelsInsideTheBorder)
{
    struct
    {
        int Width;
        TPoint2D Left, Right, Up, Down;
    } const cases[] = {{640, {31, 240}, {609, 240}, {320, 31}, {320, 449}},
                       {720, {31, 240}, {689, 240}, {360, 31}, {360, 449}}};
    for (const auto& c : cases)
    {
        GreyImage image(c.Width, 480, 0);
        image.FillRect(0, 0, 12, 480, 255);
        image.FillRect(c.Width - 11, 0, 11, 480, 255);
        image.FillRect(0, 0, c.Width, 12, 255);
        image.FillRect(0, 469, c.Width, 11, 255);
        TFiberAnalyzer a;
        GiveGrey(a, image);
        a.LocateFiber();
        EXPECT_EQ(a.EdgePoints[0], c.Left) << c.Width;
        EXPECT_EQ(a.EdgePoints[1], c.Right) << c.Width;
        EXPECT_EQ(a.EdgePoints[2], c.Up) << c.Width;
        EXPECT_EQ(a.EdgePoints[3], c.Down) << c.Width;
    }
}

TEST(FindEdgeOnRay, EqualStepsGoToTheNearerPosition)
{
    // Two identical bright bands along the ray; each gives its largest step (100) first one
    // pixel before the band.
    GreyImage image(300, 60, 0);
    image.FillRect(100, 0, 40, 60, 105);
    image.FillRect(200, 0, 40, 60, 105);
    TFiberAnalyzer a;
    GiveGrey(a, image);
    EXPECT_EQ(a.FindEdgeOnRay(40, 30, 280, 30), TPoint2D(99, 30));
}

TEST(FitCenter, KeepsTheFractionOfTheMeanCentre)
{
    TFiberAnalyzer a;
    a.EdgePoints[0] = {180.25f, 235.0f};
    a.EdgePoints[1] = {480.25f, 235.0f};
    a.EdgePoints[2] = {330.25f, 85.0f};
    a.EdgePoints[3] = {330.25f, 385.0f};
    const TPoint2D c = a.FitCenter();
    EXPECT_EQ(c, TPoint2D(330.25f, 235.0f));
    for (const TPoint2D& cc : a.CircleCenters)
    {
        EXPECT_NEAR(cc.X, 330.25f, 0.01f);
        EXPECT_NEAR(cc.Y, 235.0f, 0.01f);
    }
}

// The search as written: both windows sampled afresh at every position. The engine samples each
// position once and sums the windows from prefix sums; on random images, along axis rays and
// slanted ones, both must give the same edge point.
TEST(FindEdgeOnRay, PrefixSumsMatchTheWindowsWrittenOut)
{
    const auto reference = [](const GreyImage& g, int sx, int sy, int ex, int ey) {
        const TPoint2D p0(static_cast<float>(sx), static_cast<float>(sy));
        const TPoint2D p1(static_cast<float>(ex), static_cast<float>(ey));
        const TPoint2D d = DirectionTo(p0, p1);
        const int steps = static_cast<int>(Distance(p0, p1));
        const auto at = [&](int k) {
            const TPoint2D q = p0 + d * static_cast<float>(k);
            return static_cast<int>(g.At(static_cast<int>(q.X), static_cast<int>(q.Y)));
        };
        int best = -10000;
        TPoint2D result;
        for (int i = 0; i < steps; ++i)
        {
            int inner = 0, outer = 0;
            for (int j = -20; j <= 0; ++j)
                inner += at(i + j);
            for (int j = 0; j <= 20; ++j)
                outer += at(i + j);
            inner /= 21;
            outer /= 21;
            if (outer > inner && outer - inner > best)
            {
                best = outer - inner;
                result = p0 + d * static_cast<float>(i);
            }
        }
        return result;
    };
    const int rays[][4] = {{320, 240, 30, 240},  {320, 240, 610, 240}, {320, 240, 320, 30},
                           {320, 240, 320, 450}, {320, 240, 100, 60},  {300, 250, 560, 420},
                           {320, 240, 321, 240}, {320, 240, 320, 240}};
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        // Smooth random steps: noise alone would rarely tie, steps make ties and real edges.
        GreyImage image = RandomGrey(640, 480, seed);
        for (std::uint8_t& p : image.Pixels)
            p = static_cast<std::uint8_t>(p / 64 * 60);
        image.FillDisc(320.0f, 240.0f, 120.0f + 10.0f * static_cast<float>(seed), 30);
        TFiberAnalyzer a;
        GiveGrey(a, image);
        for (const auto& r : rays)
            EXPECT_EQ(a.FindEdgeOnRay(r[0], r[1], r[2], r[3]), reference(image, r[0], r[1], r[2], r[3]))
                << "seed " << seed << " ray to " << r[2] << "," << r[3];
    }
}
