#pragma once
// A point or vector in image pixels (x to the right, y downwards), two single-precision floats.
// Every operation rounds each intermediate to float, one rounding per operation, in the written
// order; with -ffp-contract=off the results are the same on every machine.

#include <cmath>

class TPoint2D
{
public:
    float X = 0.0f;
    float Y = 0.0f;

    TPoint2D() = default;
    TPoint2D(float x, float y) : X(x), Y(y) {}

    void Set(float x, float y)
    {
        X = x;
        Y = y;
    }

    friend bool operator==(const TPoint2D& a, const TPoint2D& b) { return a.X == b.X && a.Y == b.Y; }
    friend TPoint2D operator+(const TPoint2D& a, const TPoint2D& b) { return {a.X + b.X, a.Y + b.Y}; }
    friend TPoint2D operator*(const TPoint2D& a, float s) { return {a.X * s, a.Y * s}; }
    // Dividing by exactly zero leaves the point unchanged.
    friend TPoint2D operator/(const TPoint2D& a, float s)
    {
        return s == 0.0f ? a : TPoint2D(a.X / s, a.Y / s);
    }
};

// Inline: detection measures one or two distances per pixel, and a call per pixel costs about as
// much as the arithmetic.
inline float Distance(const TPoint2D& a, const TPoint2D& b)
{
    const float dx = a.X - b.X;
    const float dy = a.Y - b.Y;
    const float s = dx * dx + dy * dy;
    return std::sqrt(s);
}
// The columns x of row y, 0 <= x < width, whose Distance(center, (x, y)) < r, as the run
// [first, end) (empty when first == end). They always form one run: every float operation of
// Distance is monotonic, so the distance never falls moving away from the centre's column. The
// ends are found with that same comparison (probes at a guess from the chord, then bisection), so
// the run holds exactly the columns a test of every pixel would accept.
struct ColumnRun
{
    int First;
    int End;
};
ColumnRun ColumnsWithin(const TPoint2D& center, int y, float r, int width);

// Unit vector from a to b; (0, 0) when a and b coincide.
TPoint2D DirectionTo(const TPoint2D& a, const TPoint2D& b);
// Crossing of the line a1-a2 with the line b1-b2; (9999, 9999) for parallel or both-steep lines.
TPoint2D Intersect(const TPoint2D& a1, const TPoint2D& a2, const TPoint2D& b1, const TPoint2D& b2);
// Centre of the circle through a, b and c, as the crossing of two perpendicular bisectors.
TPoint2D CircleCenter(const TPoint2D& a, const TPoint2D& b, const TPoint2D& c);
