#include "analysis/TPoint2D.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float Epsilon = 0.001f;
const TPoint2D Sentinel(9999.0f, 9999.0f);
} // namespace

ColumnRun ColumnsWithin(const TPoint2D& center, int y, float r, int width)
{
    const float fy = static_cast<float>(y);
    const auto inside = [&](int x) { return Distance(center, TPoint2D(static_cast<float>(x), fy)) < r; };
    if (width <= 0 || std::isnan(center.X))
        return {0, 0};
    // The last column at or left of the centre: distances fall up to it and rise after it.
    const int split = center.X < 0.0f                             ? -1
                      : center.X >= static_cast<float>(width - 1) ? width - 1
                                                                  : static_cast<int>(center.X);
    // The circle's chord, in double, only guesses where each end lies: a probe at the guess and
    // beside it narrows the interval with the exact comparison, and bisection finishes whatever
    // is left. The guess is nearly always right, so a run costs about four distances, not twenty.
    const double dy = static_cast<double>(fy) - static_cast<double>(center.Y);
    const double half = std::sqrt(std::max(0.0, static_cast<double>(r) * r - dy * dy));
    const auto guess = [](double at, int lo, int hi) {
        return std::isfinite(at) ? static_cast<int>(std::clamp(std::floor(at), double(lo), double(hi))) : lo;
    };

    ColumnRun run{split + 1, split + 1};
    if (split >= 0 && inside(split))
    {
        int lo = 0, hi = split; // the first column inside lies in [lo, hi]
        const auto probe = [&](int x) {
            if (x < lo || x > hi)
                return;
            if (inside(x))
                hi = x;
            else
                lo = x + 1;
        };
        const int g = guess(static_cast<double>(center.X) - half + 1.0, lo, hi);
        probe(g);
        probe(g - 1);
        probe(g + 1);
        while (lo < hi)
        {
            const int mid = lo + (hi - lo) / 2;
            if (inside(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        run.First = lo;
    }
    if (split + 1 < width && inside(split + 1))
    {
        int lo = split + 1, hi = width; // the first column outside lies in [lo, hi]; width: none
        const auto probe = [&](int x) {
            if (x < lo || x >= hi)
                return;
            if (inside(x))
                lo = x + 1;
            else
                hi = x;
        };
        const int g = guess(std::ceil(static_cast<double>(center.X) + half), lo, hi);
        probe(g);
        probe(g - 1);
        probe(g + 1);
        while (lo < hi)
        {
            const int mid = lo + (hi - lo) / 2;
            if (inside(mid))
                lo = mid + 1;
            else
                hi = mid;
        }
        run.End = lo;
    }
    return run;
}

TPoint2D DirectionTo(const TPoint2D& a, const TPoint2D& b)
{
    const float len = Distance(a, b);
    const TPoint2D v(b.X - a.X, b.Y - a.Y);
    if (len > 0.0f)
        return {v.X / len, v.Y / len};
    return v;
}

TPoint2D Intersect(const TPoint2D& a1, const TPoint2D& a2, const TPoint2D& b1, const TPoint2D& b2)
{
    if (a1 == b1 || a1 == b2)
        return a1;
    if (a2 == b1 || a2 == b2)
        return a2;

    const float da = std::fabs(a1.X - a2.X);
    const float db = std::fabs(b1.X - b2.X);
    if (da > Epsilon && db > Epsilon)
    {
        const float m1 = (a2.Y - a1.Y) / (a2.X - a1.X);
        const float m2 = (b1.Y - b2.Y) / (b1.X - b2.X);
        if (m1 == m2)
            return Sentinel;
        // Each step is its own float rounding, left to right as written.
        float t = b1.Y - a1.Y;
        const float p = m1 * a1.X;
        t = t + p;
        const float q = m2 * b1.X;
        t = t - q;
        const float den = m1 - m2;
        const float x = t / den;
        const float y = (x - a1.X) * m1 + a1.Y;
        return {x, y};
    }
    if (da < Epsilon && db > Epsilon)
    {
        const float m2 = (b1.Y - b2.Y) / (b1.X - b2.X);
        const float x = a1.X;
        const float y = (x - b1.X) * m2 + b1.Y;
        return {x, y};
    }
    if (da > Epsilon && db < Epsilon)
    {
        const float m1 = (a2.Y - a1.Y) / (a2.X - a1.X);
        const float x = b1.X;
        const float y = (x - a1.X) * m1 + a1.Y;
        return {x, y};
    }
    return Sentinel;
}

TPoint2D CircleCenter(const TPoint2D& a, const TPoint2D& b, const TPoint2D& c)
{
    const TPoint2D u = DirectionTo(a, b);
    const TPoint2D n(u.Y, -u.X);
    const TPoint2D m1 = (a + b) / 2.0f;
    const TPoint2D p1 = m1 + n * 1000.0f;

    const TPoint2D v = DirectionTo(b, c);
    const TPoint2D n2(v.Y, -v.X);
    const TPoint2D m2 = (b + c) / 2.0f;
    const TPoint2D p2 = m2 + n2 * 1000.0f;

    return Intersect(m1, p1, m2, p2);
}
