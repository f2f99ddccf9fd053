// Edge-based fiber location. Finds the cladding as an axis-aligned ellipse without assuming its
// polarity, that the picture's centre lies inside it, or that it lies wholly in the picture.
//
// 1. Coarse edges: the picture averaged over 4 x 4 cells (noise falls fourfold), Sobel gradients,
//    thinned to their ridge; the threshold keeps at most a twelfth of the cells and never less than
//    a step of a few grey levels.
// 2. Centre vote: each edge votes along both directions of its gradient at every radius the
//    cladding can have, so dark-on-bright and bright-on-dark rings vote alike; the peaks of the
//    smoothed votes are the candidate centres.
// 3. Rings: around each candidate, edges whose gradient is radial are binned by radius and by
//    one of 64 sectors; a radius's coverage is the share of its sectors inside the picture that
//    hold an edge. The best-covered candidate wins; its outermost well-covered ring is the
//    fiber's outer edge (the core lies well inside).
// 4. Full resolution: 256 rays from that centre sample the grey levels across the ring; each
//    ray keeps its strongest steps of the ring's polarity. An ellipse fitted to each ray's
//    strongest step gives the centre; a histogram of all steps' normalised radii then shows
//    whether an epoxy ring lies just outside the cladding (two peaks within 12 %). The innermost
//    peak is the cladding, as the bore's epoxy never lies inside the glass and its contrast
//    depends on the lighting, where the order of the radii does not. The ellipse is fitted
//    again to each ray's step nearest that peak, dropping outliers (defects and scratches on
//    the edge) by their distance from the fit.
//
// Cost for 640 x 480: one pass over the pixels for the cell sums, then work on 19,200 cells
// (votes: about 110 per edge), and about 25,000 interpolated samples on the rays; well under a
// millisecond on one core. Fits in double: the normal equations of an ellipse with 230 pixel
// radii lose too much in single precision; everything else is single precision.

#include "analysis/EdgeLocator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
namespace
{
constexpr int Cell = 4;
constexpr float MinRadius = 40.0f; // pixels
constexpr float MaxRadius = 300.0f;
constexpr int Sectors = 64;
constexpr int Candidates = 4;
constexpr int MinStepSum = 16 * 8 * 4; // Sobel on 4 x 4 sums: a step of 8 grey levels
constexpr float WellCovered = 0.55f;
constexpr float MinRadialCos = 0.9f;
constexpr float MinContrast = 3.0f; // a step's size over its ray's median derivative
constexpr int Rays = TEdgeLocatorScratch::Rays;
constexpr int PerRay = TEdgeLocatorScratch::EdgesPerRay;

// Unit vectors at N even angles, the k-th at origin + (k + offset) steps, computed once: the rays
// and the ring sectors use the same few directions on every frame.
template <int N> struct Directions
{
    float Cos[N], Sin[N];
    Directions(float offset, float origin)
    {
        for (int k = 0; k < N; ++k)
        {
            const float a =
                (static_cast<float>(k) + offset) * (2.0f * std::numbers::pi_v<float> / N) + origin;
            Cos[k] = std::cos(a);
            Sin[k] = std::sin(a);
        }
    }
};
const Directions<Rays>& RayDirections()
{
    static const Directions<Rays> d(0.0f, 0.0f);
    return d;
}
const Directions<Sectors>& SectorDirections()
{
    static const Directions<Sectors> d(0.5f, -std::numbers::pi_v<float>);
    return d;
}

// Votes walk in 16.16 fixed point. How many steps from `start` by `step` stay in [0, limit).
constexpr int Shift = 16;
constexpr float One = 65536.0f;
int StepsInside(std::int32_t start, std::int32_t step, std::int32_t limit)
{
    if (start < 0 || start >= limit)
        return 0;
    if (step > 0)
        return (limit - 1 - start) / step + 1;
    if (step < 0)
        return start / -step + 1;
    return std::numeric_limits<int>::max();
}

template <class T> void Fit(std::vector<T>& v, std::size_t n)
{
    if (v.size() < n)
        v.resize(n);
}

float Sample(const std::uint8_t* grey, int w, float x, float y)
{
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    const std::uint8_t* p = grey + static_cast<std::ptrdiff_t>(y0) * w + x0;
    const float top = static_cast<float>(p[0]) + (static_cast<float>(p[1]) - static_cast<float>(p[0])) * fx;
    const float bottom =
        static_cast<float>(p[w]) + (static_cast<float>(p[w + 1]) - static_cast<float>(p[w])) * fx;
    return top + (bottom - top) * fy;
}

using Ellipse = TAxisEllipse;

// Least squares of x^2 + B y^2 + C x + D y + E = 0 over the chosen points, coordinates taken
// relative to (ox, oy) for conditioning.
Ellipse FitEllipse(const TEdgeLocatorScratch& s, int n, float ox, float oy)
{
    double m[4][5] = {};
    int used = 0;
    for (int i = 0; i < n; ++i)
    {
        if (!s.Inlier[static_cast<std::size_t>(i)])
            continue;
        const double x = s.PointX[static_cast<std::size_t>(i)] - ox,
                     y = s.PointY[static_cast<std::size_t>(i)] - oy;
        const double row[5] = {y * y, x, y, 1.0, -x * x};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 5; ++c)
                m[r][c] += row[r] * row[c];
        ++used;
    }
    Ellipse e;
    if (used < 8)
        return e;
    for (int col = 0; col < 4; ++col)
    {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::abs(m[r][col]) > std::abs(m[pivot][col]))
                pivot = r;
        if (std::abs(m[pivot][col]) < 1e-12)
            return e;
        std::swap(m[col], m[pivot]);
        for (int r = 0; r < 4; ++r)
        {
            if (r == col)
                continue;
            const double f = m[r][col] / m[col][col];
            for (int c = col; c < 5; ++c)
                m[r][c] -= f * m[col][c];
        }
    }
    const double b = m[0][4] / m[0][0], c = m[1][4] / m[1][1], d = m[2][4] / m[2][2], k = m[3][4] / m[3][3];
    if (!(b > 0.0))
        return e;
    const double cx = -c / 2.0, cy = -d / (2.0 * b);
    const double rx2 = cx * cx + b * cy * cy - k;
    if (!(rx2 > 0.0))
        return e;
    e.X = static_cast<float>(cx + ox);
    e.Y = static_cast<float>(cy + oy);
    e.RX = static_cast<float>(std::sqrt(rx2));
    e.RY = static_cast<float>(std::sqrt(rx2 / b));
    e.Valid = std::isfinite(e.X) && std::isfinite(e.Y) && std::isfinite(e.RX) && std::isfinite(e.RY);
    return e;
}

// Signed distance of a point from the ellipse, approximated along the ray from its centre.
float Residual(const Ellipse& e, float x, float y)
{
    const float dx = (x - e.X) / e.RX, dy = (y - e.Y) / e.RY;
    const float rho = std::sqrt(dx * dx + dy * dy);
    return (rho - 1.0f) * std::sqrt(((x - e.X) * (x - e.X) + (y - e.Y) * (y - e.Y))) / std::max(rho, 1e-6f);
}

// Fits, then drops points farther from the fit than three robust deviations (from the median
// residual, at least a pixel), four times over.
Ellipse RobustFit(TEdgeLocatorScratch& s, int n, float ox, float oy, float& rms)
{
    std::fill(s.Inlier.begin(), s.Inlier.begin() + n, std::uint8_t{1});
    Ellipse e;
    rms = 0.0f;
    for (int pass = 0; pass < 4; ++pass)
    {
        e = FitEllipse(s, n, ox, oy);
        if (!e.Valid)
            return e;
        for (int i = 0; i < n; ++i)
            s.Residual[static_cast<std::size_t>(i)] = std::abs(
                Residual(e, s.PointX[static_cast<std::size_t>(i)], s.PointY[static_cast<std::size_t>(i)]));
        std::copy(s.Residual.begin(), s.Residual.begin() + n, s.Sorted.begin());
        std::nth_element(s.Sorted.begin(), s.Sorted.begin() + n / 2, s.Sorted.begin() + n);
        const float limit = std::max(1.0f, 3.0f * 1.4826f * s.Sorted[static_cast<std::size_t>(n / 2)]);
        float sum = 0.0f;
        int count = 0;
        for (int i = 0; i < n; ++i)
        {
            const float r = s.Residual[static_cast<std::size_t>(i)];
            const bool keep = r <= limit;
            s.Inlier[static_cast<std::size_t>(i)] = keep ? 1 : 0;
            if (keep)
            {
                sum += r * r;
                ++count;
            }
        }
        rms = count > 0 ? std::sqrt(sum / static_cast<float>(count)) : 0.0f;
    }
    return e;
}

struct Ring
{
    float X = 0.0f, Y = 0.0f; // centre, full resolution
    float Radius = 0.0f;
    float Coverage = 0.0f;
    int Polarity = 1; // +1: brighter outside
};

// Coverage over radius around one candidate centre; returns its outermost ring covered nearly as
// well as the best, with the best coverage.
Ring RingsAround(const TEdgeLocatorScratch& s, int edges, float cx, float cy, int w, int h)
{
    constexpr int Bins = static_cast<int>(MaxRadius / Cell) + 2;
    std::uint64_t seen[Bins] = {};
    int polarity[Bins] = {};
    for (int i = 0; i < edges; ++i)
    {
        const TEdgeLocatorScratch::Edge& e = s.Edges[static_cast<std::size_t>(i)];
        const float dx = e.X - cx, dy = e.Y - cy;
        const float r = std::sqrt(dx * dx + dy * dy);
        if (r < MinRadius * 0.5f || r > MaxRadius)
            continue;
        const float cosine = (dx * e.UX + dy * e.UY) / r;
        if (std::abs(cosine) < MinRadialCos)
            continue;
        const int bin = static_cast<int>(r / static_cast<float>(Cell) + 0.5f);
        const float angle = std::atan2(dy, dx) + std::numbers::pi_v<float>;
        const int sector = std::min(
            Sectors - 1,
            static_cast<int>(angle * (static_cast<float>(Sectors) / (2.0f * std::numbers::pi_v<float>))));
        seen[bin] |= std::uint64_t{1} << sector;
        polarity[bin] += cosine > 0.0f ? 1 : -1;
    }
    Ring best;
    float coverage[Bins] = {};
    const int first = static_cast<int>(MinRadius / Cell);
    const Directions<Sectors>& sector = SectorDirections();
    for (int bin = first; bin < Bins - 1; ++bin)
    {
        const float r = static_cast<float>(bin * Cell);
        std::uint64_t inside = 0;
        for (int k = 0; k < Sectors; ++k)
        {
            const float x = cx + r * sector.Cos[k], y = cy + r * sector.Sin[k];
            if (x >= 2.0f && y >= 2.0f && x <= static_cast<float>(w - 3) && y <= static_cast<float>(h - 3))
                inside |= std::uint64_t{1} << k;
        }
        const int insideCount = std::popcount(inside);
        if (insideCount < Sectors / 2)
            continue;
        // An ellipse of axis ratio 1.05 and a centre a cell off spread the ring over several bins.
        const int half = 1 + bin / 30;
        std::uint64_t any = 0;
        for (int b = std::max(0, bin - half); b <= std::min(Bins - 1, bin + half); ++b)
            any |= seen[b];
        coverage[bin] = static_cast<float>(std::popcount(any & inside)) / static_cast<float>(insideCount);
    }
    // Rings nearly as well covered as the best one count; of those the outermost is the fiber.
    // Random edges (a textured ferrule, noise) cover a ring far less than the fiber's edge does.
    float top = 0.0f;
    for (int bin = first; bin < Bins - 1; ++bin)
        top = std::max(top, coverage[bin]);
    for (int bin = first; bin < Bins - 1; ++bin)
    {
        const float c = coverage[bin];
        if (c < coverage[bin - 1] || c < coverage[bin + 1] || c < top - 0.15f || c <= 0.0f)
            continue;
        // The peak of a merged plateau: the bin with the most edges of its own.
        int at = bin;
        for (int b = std::max(0, bin - 1 - bin / 30); b <= std::min(Bins - 1, bin + 1 + bin / 30); ++b)
            if (std::popcount(seen[b]) > std::popcount(seen[at]))
                at = b;
        int pol = 0;
        for (int b = std::max(0, at - 1); b <= std::min(Bins - 1, at + 1); ++b)
            pol += polarity[b];
        best = {cx, cy, static_cast<float>(at * Cell), top, pol >= 0 ? 1 : -1};
    }
    return best;
}
} // namespace

const char* NoFiberReasonName(TNoFiberReason reason)
{
    switch (reason)
    {
    case TNoFiberReason::None:
        return "found";
    case TNoFiberReason::PictureTooSmall:
        return "picture too small";
    case TNoFiberReason::NoEdges:
        return "no edges";
    case TNoFiberReason::NoRing:
        return "no ring";
    case TNoFiberReason::PoorFit:
        return "ring not elliptic";
    }
    return "?";
}

TEdgeLocation LocateFiberByEdge(const std::uint8_t* grey, int width, int height, TEdgeLocatorScratch& s)
{
    TEdgeLocation out;
    const int qw = width / Cell, qh = height / Cell;
    if (grey == nullptr || width < 2 * static_cast<int>(MinRadius) ||
        height < 2 * static_cast<int>(MinRadius))
    {
        out.Reason = TNoFiberReason::PictureTooSmall;
        return out;
    }
    const std::size_t cells = static_cast<std::size_t>(qw) * static_cast<std::size_t>(qh);
    Fit(s.Coarse, cells);
    Fit(s.Magnitude, cells);
    Fit(s.GradX, cells);
    Fit(s.GradY, cells);
    Fit(s.Votes, cells);
    Fit(s.Smoothed, cells);
    Fit(s.Edges, cells);
    Fit(s.RayEdges, static_cast<std::size_t>(Rays * PerRay));
    Fit(s.RayEdgeCount, static_cast<std::size_t>(Rays));
    Fit(s.PointX, static_cast<std::size_t>(Rays));
    Fit(s.PointY, static_cast<std::size_t>(Rays));
    Fit(s.Inlier, static_cast<std::size_t>(Rays));
    Fit(s.Residual, static_cast<std::size_t>(Rays));
    Fit(s.Sorted, static_cast<std::size_t>(std::max(Rays, static_cast<int>(2 * MaxRadius))));
    Fit(s.RayNoise, static_cast<std::size_t>(Rays));
    Fit(s.Contrast, static_cast<std::size_t>(Rays));
    Fit(s.Profile, static_cast<std::size_t>(2 * MaxRadius));

    // 1. Cell sums.
    for (int j = 0; j < qh; ++j)
    {
        std::uint16_t* sums = s.Coarse.data() + static_cast<std::ptrdiff_t>(j) * qw;
        std::fill(sums, sums + qw, std::uint16_t{0});
        for (int r = 0; r < Cell; ++r)
        {
            const std::uint8_t* row = grey + static_cast<std::ptrdiff_t>(j * Cell + r) * width;
            for (int i = 0; i < qw; ++i)
                sums[i] = static_cast<std::uint16_t>(sums[i] + row[4 * i] + row[4 * i + 1] + row[4 * i + 2] +
                                                     row[4 * i + 3]);
        }
    }

    // Sobel magnitudes (L1) and the threshold that keeps at most a sixth of the cells.
    constexpr int HistBins = 1024;
    int histogram[HistBins] = {};
    std::fill(s.Magnitude.begin(), s.Magnitude.begin() + static_cast<std::ptrdiff_t>(cells), 0);
    for (int j = 1; j < qh - 1; ++j)
    {
        const std::uint16_t* a = s.Coarse.data() + static_cast<std::ptrdiff_t>(j - 1) * qw;
        const std::uint16_t* b = a + qw;
        const std::uint16_t* c = b + qw;
        for (int i = 1; i < qw - 1; ++i)
        {
            const int gx = (a[i + 1] + 2 * b[i + 1] + c[i + 1]) - (a[i - 1] + 2 * b[i - 1] + c[i - 1]);
            const int gy = (c[i - 1] + 2 * c[i] + c[i + 1]) - (a[i - 1] + 2 * a[i] + a[i + 1]);
            const std::size_t k = static_cast<std::size_t>(j * qw + i);
            const int m = std::abs(gx) + std::abs(gy);
            s.GradX[k] = gx;
            s.GradY[k] = gy;
            s.Magnitude[k] = m;
            ++histogram[std::min(HistBins - 1, m >> 5)];
        }
    }
    int threshold = MinStepSum;
    {
        const int keep = static_cast<int>(cells / 12);
        int above = 0;
        for (int bin = HistBins - 1; bin > 0; --bin)
        {
            above += histogram[bin];
            if (above > keep)
            {
                threshold = std::max(threshold, (bin + 1) << 5);
                break;
            }
        }
    }

    // Ridge cells only: not below either neighbour across the edge.
    int edges = 0;
    for (int j = 1; j < qh - 1; ++j)
        for (int i = 1; i < qw - 1; ++i)
        {
            const std::size_t k = static_cast<std::size_t>(j * qw + i);
            const int m = s.Magnitude[k];
            if (m < threshold)
                continue;
            const int gx = s.GradX[k], gy = s.GradY[k];
            const int ax = std::abs(gx), ay = std::abs(gy);
            std::ptrdiff_t step;
            if (2 * ay < ax)
                step = 1;
            else if (2 * ax < ay)
                step = qw;
            else
                step = (gx > 0) == (gy > 0) ? qw + 1 : qw - 1;
            if (m < s.Magnitude[k - static_cast<std::size_t>(step)] ||
                m < s.Magnitude[k + static_cast<std::size_t>(step)])
                continue;
            const float fx = static_cast<float>(gx), fy = static_cast<float>(gy);
            const float length = std::sqrt(fx * fx + fy * fy);
            s.Edges[static_cast<std::size_t>(edges++)] = {static_cast<float>(i * Cell) + 1.5f,
                                                          static_cast<float>(j * Cell) + 1.5f, fx / length,
                                                          fy / length};
        }
    if (edges < 8)
    {
        out.Reason = TNoFiberReason::NoEdges;
        return out;
    }

    // 2. Votes along both directions of each gradient, in cells.
    std::fill(s.Votes.begin(), s.Votes.begin() + static_cast<std::ptrdiff_t>(cells), 0u);
    const float minR = MinRadius / Cell, maxR = MaxRadius / Cell;
    const int steps = static_cast<int>(maxR - minR) + 1;
    for (int e = 0; e < edges; ++e)
    {
        const TEdgeLocatorScratch::Edge& edge = s.Edges[static_cast<std::size_t>(e)];
        const float px = (edge.X - 1.5f) / Cell, py = (edge.Y - 1.5f) / Cell;
        for (const float sign : {1.0f, -1.0f})
        {
            // Fixed point, and the steps that stay inside counted beforehand: the inner loop is
            // the locator's hottest.
            const float ux = sign * edge.UX, uy = sign * edge.UY;
            const auto fixed = [](float v) { return static_cast<std::int32_t>(std::floor(v * One + 0.5f)); };
            const std::int32_t x0 = fixed(px + ux * minR + 0.5f), y0 = fixed(py + uy * minR + 0.5f);
            const std::int32_t dx = fixed(ux), dy = fixed(uy);
            const int n =
                std::min({steps, StepsInside(x0, dx, qw << Shift), StepsInside(y0, dy, qh << Shift)});
            std::int32_t x = x0, y = y0;
            for (int i = 0; i < n; ++i, x += dx, y += dy)
                ++s.Votes[static_cast<std::size_t>((y >> Shift) * qw + (x >> Shift))];
        }
    }
    std::fill(s.Smoothed.begin(), s.Smoothed.begin() + static_cast<std::ptrdiff_t>(cells), 0u);
    for (int j = 1; j < qh - 1; ++j)
        for (int i = 1; i < qw - 1; ++i)
        {
            std::uint32_t sum = 0;
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di)
                    sum += s.Votes[static_cast<std::size_t>((j + dj) * qw + i + di)];
            s.Smoothed[static_cast<std::size_t>(j * qw + i)] = sum;
        }

    // 3. Candidates (peaks at least 5 cells apart) and their rings.
    int peakX[Candidates], peakY[Candidates], peaks = 0;
    for (int c = 0; c < Candidates; ++c)
    {
        std::uint32_t best = 0;
        int bx = -1, by = -1;
        for (int j = 1; j < qh - 1; ++j)
            for (int i = 1; i < qw - 1; ++i)
            {
                const std::uint32_t v = s.Smoothed[static_cast<std::size_t>(j * qw + i)];
                if (v <= best)
                    continue;
                bool near = false;
                for (int p = 0; p < peaks && !near; ++p)
                    near = std::abs(i - peakX[p]) <= 5 && std::abs(j - peakY[p]) <= 5;
                if (!near)
                    best = v, bx = i, by = j;
            }
        if (bx < 0)
            break;
        peakX[peaks] = bx;
        peakY[peaks] = by;
        ++peaks;
    }
    Ring ring;
    for (int p = 0; p < peaks; ++p)
    {
        float sum = 0.0f, sx = 0.0f, sy = 0.0f;
        for (int dj = -1; dj <= 1; ++dj)
            for (int di = -1; di <= 1; ++di)
            {
                const float v = static_cast<float>(
                    s.Votes[static_cast<std::size_t>((peakY[p] + dj) * qw + peakX[p] + di)]);
                sum += v;
                sx += v * static_cast<float>(di);
                sy += v * static_cast<float>(dj);
            }
        const float cx = (static_cast<float>(peakX[p]) + sx / std::max(sum, 1.0f)) * Cell + 1.5f;
        const float cy = (static_cast<float>(peakY[p]) + sy / std::max(sum, 1.0f)) * Cell + 1.5f;
        const Ring candidate = RingsAround(s, edges, cx, cy, width, height);
        if (candidate.Coverage > ring.Coverage)
            ring = candidate;
    }
    if (ring.Coverage < WellCovered)
    {
        out.Reason = TNoFiberReason::NoRing;
        return out;
    }

    // 4. Rays at full resolution across the ring.
    const float reach = 0.14f * ring.Radius + 8.0f;
    const float t0 = std::max(2.0f, ring.Radius - reach), t1 = ring.Radius + reach;
    const float xMax = static_cast<float>(width - 2), yMax = static_cast<float>(height - 2);
    const Directions<Rays>& ray = RayDirections();
    int insideRays = 0;
    for (int k = 0; k < Rays; ++k)
    {
        const float ux = ray.Cos[k], uy = ray.Sin[k];
        int n = 0;
        for (float t = t0; t <= t1; t += 1.0f, ++n)
        {
            const float x = ring.X + ux * t, y = ring.Y + uy * t;
            if (x < 0.0f || y < 0.0f || x > xMax || y > yMax)
                break;
            s.Profile[static_cast<std::size_t>(n)] = Sample(grey, width, x, y);
        }
        const float ex = ring.X + ux * ring.Radius, ey = ring.Y + uy * ring.Radius;
        if (ex >= 2.0f && ey >= 2.0f && ex <= xMax - 2.0f && ey <= yMax - 2.0f)
            ++insideRays;
        // Steps of the ring's polarity: local extremes of the smoothed derivative.
        int found = 0;
        TEdgeLocatorScratch::RayEdge* list = s.RayEdges.data() + static_cast<std::ptrdiff_t>(k) * PerRay;
        const float* p = s.Profile.data();
        const auto derivative = [p](int i) { return p[i + 1] - p[i - 1]; };
        const float pol = static_cast<float>(ring.Polarity);
        for (int i = 3; i + 3 < n; ++i)
        {
            const float d = pol * derivative(i);
            if (d < 8.0f || d < pol * derivative(i - 1) || d <= pol * derivative(i + 1))
                continue;
            const float dm = pol * derivative(i - 1), dp = pol * derivative(i + 1);
            const float curve = dm - 2.0f * d + dp;
            const float offset = curve < 0.0f ? std::clamp(0.5f * (dm - dp) / curve, -0.5f, 0.5f) : 0.0f;
            const TEdgeLocatorScratch::RayEdge candidate{t0 + static_cast<float>(i) + offset, d};
            if (found < PerRay)
                list[found++] = candidate;
            else
            {
                int weakest = 0;
                for (int q = 1; q < PerRay; ++q)
                    if (list[q].Strength < list[weakest].Strength)
                        weakest = q;
                if (list[weakest].Strength < d)
                    list[weakest] = candidate;
            }
        }
        s.RayEdgeCount[static_cast<std::size_t>(k)] = found;
        // The ray's noise: the median size of the derivative along it.
        int m = 0;
        for (int i = 1; i + 1 < n; ++i)
            s.Sorted[static_cast<std::size_t>(m++)] = std::abs(derivative(i));
        float noise = 1.0f;
        if (m > 0)
        {
            std::nth_element(s.Sorted.begin(), s.Sorted.begin() + m / 2, s.Sorted.begin() + m);
            noise = std::max(1.0f, s.Sorted[static_cast<std::size_t>(m / 2)]);
        }
        s.RayNoise[static_cast<std::size_t>(k)] = noise;
    }
    if (insideRays < Rays / 2)
    {
        out.Reason = TNoFiberReason::NoRing;
        return out;
    }

    // The strongest step per ray gives the centre.
    const auto rayPoint = [&](int k, float t, int n, float strength) {
        s.Contrast[static_cast<std::size_t>(n)] = strength / s.RayNoise[static_cast<std::size_t>(k)];
        s.PointX[static_cast<std::size_t>(n)] = ring.X + ray.Cos[k] * t;
        s.PointY[static_cast<std::size_t>(n)] = ring.Y + ray.Sin[k] * t;
    };
    int points = 0;
    for (int k = 0; k < Rays; ++k)
    {
        const int found = s.RayEdgeCount[static_cast<std::size_t>(k)];
        if (found == 0)
            continue;
        const TEdgeLocatorScratch::RayEdge* list =
            s.RayEdges.data() + static_cast<std::ptrdiff_t>(k) * PerRay;
        int best = 0;
        for (int q = 1; q < found; ++q)
            if (list[q].Strength > list[best].Strength)
                best = q;
        rayPoint(k, list[best].T, points++, list[best].Strength);
    }
    float rms = 0.0f;
    Ellipse fit = RobustFit(s, points, ring.X, ring.Y, rms);
    if (!fit.Valid)
    {
        out.Reason = TNoFiberReason::PoorFit;
        return out;
    }

    // Rings by normalised radius: strong steps of many rays at the same share of the fit.
    constexpr int RhoBins = 48; // 0.88 .. 1.12 in steps of 0.005
    int rho[RhoBins] = {};
    int withSteps = 0;
    for (int k = 0; k < Rays; ++k)
    {
        const int found = s.RayEdgeCount[static_cast<std::size_t>(k)];
        if (found == 0)
            continue;
        ++withSteps;
        const TEdgeLocatorScratch::RayEdge* list =
            s.RayEdges.data() + static_cast<std::ptrdiff_t>(k) * PerRay;
        float strongest = 0.0f;
        for (int q = 0; q < found; ++q)
            strongest = std::max(strongest, list[q].Strength);
        std::uint64_t marked = 0;
        for (int q = 0; q < found; ++q)
        {
            if (list[q].Strength < 0.3f * strongest)
                continue;
            const float dx = (ring.X + ray.Cos[k] * list[q].T - fit.X) / fit.RX;
            const float dy = (ring.Y + ray.Sin[k] * list[q].T - fit.Y) / fit.RY;
            const int bin = static_cast<int>((std::sqrt(dx * dx + dy * dy) - 0.88f) / 0.005f);
            if (bin >= 0 && bin < RhoBins && !(marked >> bin & 1u))
            {
                marked |= std::uint64_t{1} << bin;
                ++rho[bin];
            }
        }
    }
    float cladding = 1.0f;
    {
        int smooth[RhoBins] = {};
        int top = 0;
        for (int b = 0; b < RhoBins; ++b)
        {
            for (int q = std::max(0, b - 1); q <= std::min(RhoBins - 1, b + 1); ++q)
                smooth[b] += rho[q];
            top = std::max(top, smooth[b]);
        }
        for (int b = 0; b < RhoBins; ++b)
        {
            const bool peak =
                (b == 0 || smooth[b] > smooth[b - 1]) && (b == RhoBins - 1 || smooth[b] >= smooth[b + 1]);
            if (peak && smooth[b] >= std::max(withSteps / 3, top / 3))
            {
                cladding = 0.88f + (static_cast<float>(b) + 0.5f) * 0.005f;
                break;
            }
        }
    }

    // Each ray's step nearest the cladding, then the fit; twice, the second time nearer the first
    // fit, which is by then the cladding's own.
    for (int round = 0; round < 2 && fit.Valid; ++round)
    {
        const Ellipse guide = fit;
        // A share of the radius, but never under a pixel or two: on a small ring under noise the
        // step's position wanders by about a pixel, which 1 % of the radius would not allow.
        const float pixel = 1.0f / std::min(guide.RX, guide.RY);
        const float tolerance = round == 0 ? std::max(0.02f, 2.0f * pixel) : std::max(0.01f, 1.5f * pixel);
        points = 0;
        for (int k = 0; k < Rays; ++k)
        {
            const int found = s.RayEdgeCount[static_cast<std::size_t>(k)];
            const TEdgeLocatorScratch::RayEdge* list =
                s.RayEdges.data() + static_cast<std::ptrdiff_t>(k) * PerRay;
            int best = -1;
            float bestGap = tolerance;
            for (int q = 0; q < found; ++q)
            {
                const float dx = (ring.X + ray.Cos[k] * list[q].T - guide.X) / guide.RX;
                const float dy = (ring.Y + ray.Sin[k] * list[q].T - guide.Y) / guide.RY;
                const float gap = std::abs(std::sqrt(dx * dx + dy * dy) - cladding);
                if (gap <= bestGap)
                    bestGap = gap, best = q;
            }
            if (best >= 0)
                rayPoint(k, list[best].T, points++, list[best].Strength);
        }
        fit = RobustFit(s, points, ring.X, ring.Y, rms);
        cladding = 1.0f;
    }
    // Steps picked near a guide from many rays of noise fit any ellipse; the cladding's steps stand
    // far above the noise of their rays.
    int inliers = 0;
    for (int i = 0; i < points; ++i)
        if (s.Inlier[static_cast<std::size_t>(i)])
            s.Sorted[static_cast<std::size_t>(inliers++)] = s.Contrast[static_cast<std::size_t>(i)];
    float contrast = 0.0f;
    if (inliers > 0)
    {
        std::nth_element(s.Sorted.begin(), s.Sorted.begin() + inliers / 2, s.Sorted.begin() + inliers);
        contrast = s.Sorted[static_cast<std::size_t>(inliers / 2)];
    }
    const float ratio = fit.Valid ? fit.RY / fit.RX : 0.0f;
    if (!fit.Valid || static_cast<float>(inliers) < 0.6f * static_cast<float>(insideRays) || rms > 1.5f ||
        contrast < MinContrast || ratio < 0.8f || ratio > 1.25f || fit.RX < MinRadius * 0.8f ||
        fit.RX > MaxRadius ||
        !(fit.X >= 0.0f && fit.Y >= 0.0f && fit.X <= static_cast<float>(width - 1) &&
          fit.Y <= static_cast<float>(height - 1)))
    {
        out.Reason = TNoFiberReason::PoorFit;
        return out;
    }
    out.Found = true;
    out.Centre = {fit.X, fit.Y};
    out.RadiusX = fit.RX;
    out.RadiusY = fit.RY;
    out.ArcSeen = std::min(1.0f, static_cast<float>(inliers) / static_cast<float>(Rays));
    out.WhollyInPicture = fit.X - fit.RX >= 0.0f && fit.Y - fit.RY >= 0.0f &&
                          fit.X + fit.RX <= static_cast<float>(width - 1) &&
                          fit.Y + fit.RY <= static_cast<float>(height - 1);
    return out;
}

TAxisEllipse FitAxisEllipse(const TEdgeLocatorScratch& scratch, int n, float ox, float oy)
{
    return FitEllipse(scratch, n, ox, oy);
}
