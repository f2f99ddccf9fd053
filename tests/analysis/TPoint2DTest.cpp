#include "analysis/TPoint2D.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

namespace
{
const TPoint2D Sentinel(9999.0f, 9999.0f);
}

TEST(TPoint2D, DistanceAndDirection)
{
    EXPECT_EQ(Distance({0, 0}, {3, 4}), 5.0f);
    EXPECT_EQ(Distance({7, -2}, {7, -2}), 0.0f);
    EXPECT_EQ(DirectionTo({1, 1}, {1, 1}), TPoint2D(0, 0));
    EXPECT_EQ(DirectionTo({0, 0}, {0, -7}), TPoint2D(0, -1));
    const TPoint2D d = DirectionTo({0, 0}, {3, 4});
    EXPECT_FLOAT_EQ(d.X, 0.6f);
    EXPECT_FLOAT_EQ(d.Y, 0.8f);
}

TEST(TPoint2D, ArithmeticAndDivisionByZero)
{
    EXPECT_EQ(TPoint2D(2, 4) / 0.0f, TPoint2D(2, 4));
    EXPECT_EQ(TPoint2D(2, 4) / 2.0f, TPoint2D(1, 2));
    EXPECT_EQ(TPoint2D(1, 2) + TPoint2D(3, 5), TPoint2D(4, 7));
    EXPECT_EQ(TPoint2D(1, -2) * 3.0f, TPoint2D(3, -6));
}

TEST(TPoint2D, EqualityHasNoTolerance)
{
    const float x = 1.0f;
    const float next = std::nextafter(x, 2.0f);
    EXPECT_FALSE(TPoint2D(x, 0) == TPoint2D(next, 0));
    EXPECT_TRUE(TPoint2D(x, 0) == TPoint2D(x, 0));
}

struct IntersectCase
{
    const char* name;
    TPoint2D a1, a2, b1, b2, expected;
};

void PrintTo(const IntersectCase& c, std::ostream* os)
{
    *os << c.name;
}

class Intersect_ : public ::testing::TestWithParam<IntersectCase>
{
};

TEST_P(Intersect_, GivesCrossingOrSentinel)
{
    const IntersectCase& c = GetParam();
    const TPoint2D p = Intersect(c.a1, c.a2, c.b1, c.b2);
    EXPECT_FLOAT_EQ(p.X, c.expected.X);
    EXPECT_FLOAT_EQ(p.Y, c.expected.Y);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Intersect_,
    ::testing::Values(IntersectCase{"Diagonals", {0, 0}, {10, 10}, {0, 10}, {10, 0}, {5, 5}},
                      IntersectCase{"VerticalWithSloped", {3, 0}, {3, 10}, {0, 0}, {10, 10}, {3, 3}},
                      IntersectCase{"SlopedWithVertical", {0, 0}, {10, 10}, {3, 0}, {3, 10}, {3, 3}},
                      IntersectCase{"Parallel", {0, 0}, {10, 10}, {0, 1}, {10, 11}, Sentinel},
                      IntersectCase{"BothVertical", {3, 0}, {3, 10}, {5, 0}, {5, 10}, Sentinel},
                      // Shared end points are answered before any slope is computed, even for parallel lines.
                      IntersectCase{"A1IsB2", {1, 1}, {2, 2}, {5, 5}, {1, 1}, {1, 1}},
                      IntersectCase{"A2IsB1", {3, 0}, {3, 10}, {3, 10}, {5, 10}, {3, 10}},
                      // A difference of exactly epsilon is neither steep nor sloped.
                      IntersectCase{"ExactlyEpsilon", {0, 0}, {0.001f, 10}, {0, 5}, {10, 5}, Sentinel}),
    [](const ::testing::TestParamInfo<IntersectCase>& p) { return std::string(p.param.name); });

TEST(CircleCenter, ThroughThreePoints)
{
    const TPoint2D c = CircleCenter({-50, 0}, {0, 50}, {50, 0});
    EXPECT_NEAR(c.X, 0.0f, 1e-3f);
    EXPECT_NEAR(c.Y, 0.0f, 1e-3f);
    const TPoint2D d = CircleCenter({180, 235}, {330, 385}, {480, 235});
    EXPECT_NEAR(d.X, 330.0f, 1e-2f);
    EXPECT_NEAR(d.Y, 235.0f, 1e-2f);
    EXPECT_EQ(CircleCenter({0, 0}, {10, 0}, {20, 0}), Sentinel);
}

// The run must hold exactly the columns a test of every pixel accepts, wherever the centre is:
// fractional, on a column, outside the image, infinite or not a number.
TEST(TPoint2D, ColumnsWithinMatchesEveryPixelTested)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::tuple<TPoint2D, float, int>> cases = {
        {{320.5f, 240.0f}, 140.73836f, 640},
        {{320.0f, 240.0f}, 140.0f, 640},
        {{-30.25f, 10.0f}, 100.0f, 640},
        {{700.75f, 400.0f}, 90.0f, 640},
        {{5.0f, 5.0f}, 0.0f, 640},
        {{5.0f, 5.0f}, -1.0f, 640},
        {{5.0f, 5.0f}, nan, 640},
        {{nan, 5.0f}, 50.0f, 640},
        {{5.0f, nan}, 50.0f, 640},
        {{inf, 5.0f}, 50.0f, 640},
        {{-inf, 5.0f}, 50.0f, 640},
        {{0.0f, 0.0f}, inf, 640},
        {{0.5f, 0.0f}, 3.0f, 1},
        {{9999.0f, 9999.0f}, 1e5f, 720},
        {{359.99997f, 240.0f}, 300.0f, 720},
    };
    std::uint32_t seed = 2024;
    const auto next = [&seed](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(seed >> 8) / 16777216.0f;
    };
    for (int i = 0; i < 300; ++i)
        cases.emplace_back(TPoint2D(next(-50.0f, 770.0f), next(-50.0f, 530.0f)), next(0.0f, 400.0f),
                           i % 2 ? 640 : 720);

    for (const auto& [center, r, width] : cases)
        for (int y = -1; y <= 481; y += 7)
        {
            const ColumnRun run = ColumnsWithin(center, y, r, width);
            ASSERT_LE(run.First, run.End);
            for (int x = 0; x < width; ++x)
            {
                const bool expected =
                    Distance(center, TPoint2D(static_cast<float>(x), static_cast<float>(y))) < r;
                const bool inRun = x >= run.First && x < run.End;
                ASSERT_EQ(inRun, expected) << "centre " << center.X << "," << center.Y << " r " << r
                                           << " width " << width << " row " << y << " column " << x;
            }
        }
}
