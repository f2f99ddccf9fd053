#include "analysis/TPoint2D.h"

#include <gtest/gtest.h>

#include <cmath>

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
    ::testing::Values(
        IntersectCase{"Diagonals", {0, 0}, {10, 10}, {0, 10}, {10, 0}, {5, 5}},
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
