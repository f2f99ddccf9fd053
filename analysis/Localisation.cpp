// Fiber localisation: along four rays from the image centre, the strongest step from a darker
// inner to a brighter outer window of 21 samples marks the cladding edge; the centre is the point
// of a 40 x 40 grid around the mean of four three-point circle centres whose distances to the edge
// points vary least. The sample at ray position k depends on k alone, so each ray samples every
// position once and takes both window sums from prefix sums: one sample per ray pixel (plus 40)
// instead of 42, and 1600 grid candidates.
// Every value is a float rounded per operation, in the written order.

#include "analysis/TFiberAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr int RayMargin = 30;
constexpr int Window = 20;

TPoint2D At(int x, int y)
{
    return {static_cast<float>(x), static_cast<float>(y)};
}
} // namespace

void TFiberAnalyzer::LocateFiber()
{
    const int cx = ImageWidth / 2;
    const int cy = ImageHeight / 2;
    EdgePoints[0] = FindEdgeOnRay(cx, cy, RayMargin, cy);
    EdgePoints[1] = FindEdgeOnRay(cx, cy, ImageWidth - RayMargin, cy);
    EdgePoints[2] = FindEdgeOnRay(cx, cy, cx, RayMargin);
    EdgePoints[3] = FindEdgeOnRay(cx, cy, cx, ImageHeight - RayMargin);
    Center = FitCenter();

    float sum = Distance(Center, EdgePoints[0]);
    sum = sum + Distance(Center, EdgePoints[1]);
    sum = sum + Distance(Center, EdgePoints[2]);
    sum = sum + Distance(Center, EdgePoints[3]);
    const float r = 0.25f * sum;
    ZoneScale = r * 0.008f;
    static constexpr float Diameters[5] = {25.0f, 65.0f, 118.0f, 132.0f, 250.0f};
    for (int k = 0; k < 5; ++k)
        ZoneRadius[k] = Diameters[k] * ZoneScale;
}

TPoint2D TFiberAnalyzer::FindEdgeOnRay(int sx, int sy, int ex, int ey)
{
    if (ImageWidth <= 0 || ImageHeight <= 0 ||
        GreyBuffer.size() < static_cast<std::size_t>(ImageWidth) * static_cast<std::size_t>(ImageHeight))
        return {};
    const TPoint2D p0 = At(sx, sy);
    const TPoint2D p1 = At(ex, ey);
    const TPoint2D d = DirectionTo(p0, p1);
    const float length = Distance(p0, p1);

    // Samples stay inside the image for the rays LocateFiber casts; clamping only guards a caller
    // that passes other end points.
    const auto grey = [this](const TPoint2D& q) {
        const int x = std::clamp(static_cast<int>(q.X), 0, ImageWidth - 1);
        const int y = std::clamp(static_cast<int>(q.Y), 0, ImageHeight - 1);
        return static_cast<int>(
            GreyBuffer[static_cast<std::size_t>(y) * static_cast<std::size_t>(ImageWidth) +
                       static_cast<std::size_t>(x)]);
    };

    // Entry e holds the sample at ray position e - 20; prefix[e] sums the entries before e.
    const int steps = static_cast<int>(length);
    if (steps <= 0)
        return {};
    thread_local std::vector<int> prefix;
    const std::size_t count = static_cast<std::size_t>(steps) + 2 * Window;
    prefix.resize(count + 1);
    prefix[0] = 0;
    for (std::size_t k = 0; k < count; ++k)
        prefix[k + 1] = prefix[k] + grey(p0 + d * static_cast<float>(static_cast<int>(k) - Window));

    int best = -10000;
    TPoint2D result;
    for (int i = 0; i < steps; ++i)
    {
        // Position i is entry i + Window; the inner window ends there, the outer one starts there.
        const auto at = static_cast<std::size_t>(i);
        const int inner = (prefix[at + Window + 1] - prefix[at]) / 21;
        const int outer = (prefix[at + 2 * Window + 1] - prefix[at + Window]) / 21;
        // Strictly greater: of two equal steps the one nearer the centre stays.
        if (outer > inner && outer - inner > best)
        {
            best = outer - inner;
            result = p0 + d * static_cast<float>(i);
        }
    }
    return result;
}

TPoint2D TFiberAnalyzer::FitCenter()
{
    const TPoint2D* e = EdgePoints;
    CircleCenters[0] = CircleCenter(e[0], e[3], e[1]);
    CircleCenters[1] = CircleCenter(e[3], e[1], e[2]);
    CircleCenters[2] = CircleCenter(e[1], e[2], e[0]);
    CircleCenters[3] = CircleCenter(e[2], e[0], e[3]);
    const TPoint2D mean =
        (((CircleCenters[0] + CircleCenters[1]) + CircleCenters[2]) + CircleCenters[3]) / 4.0f;

    float best = 10000.0f;
    TPoint2D result;
    for (int i = -20; i < 20; ++i)
        for (int j = -20; j < 20; ++j)
        {
            const TPoint2D v(mean.X + static_cast<float>(i), mean.Y + static_cast<float>(j));
            const float d0 = Distance(v, e[0]);
            const float d1 = Distance(v, e[1]);
            const float d2 = Distance(v, e[2]);
            const float d3 = Distance(v, e[3]);
            const float m = 0.25f * (((d0 + d1) + d2) + d3);
            float s = (d0 - m) * (d0 - m);
            s = s + (d1 - m) * (d1 - m);
            s = s + (d2 - m) * (d2 - m);
            s = s + (d3 - m) * (d3 - m);
            const float spread = 0.25f * std::sqrt(s);
            if (spread < best)
            {
                best = spread;
                result = v;
            }
        }
    return result;
}
