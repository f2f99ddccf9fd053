// Locating every fibre of an MT ferrule in one picture.
//
// 1. Candidates: on an integral image, the mean of a box inside a disc of radius r against the
//    mean of a square ring just outside it, for radii from 7 to 180 pixels in steps of 25 %,
//    sampled every third of the radius. A cladding brighter or darker than the ferrule around it
//    answers at its own radius, whatever its polarity. Local extremes above a few grey levels
//    that are brighter (or darker) than their surround on most of 16 rays are the candidates
//    (the rim of a large disc or a straight edge answers the box test on some rays only); of
//    candidates of similar size at one place only the strongest stays.
// 2. Each candidate's cladding edge, as the edge locator (analysis/EdgeLocator) finds a single
//    fibre's: on 64 rays the strongest step of the disc's polarity, to a tenth of a pixel, an
//    axis-aligned ellipse fitted to the steps, those far off the fit dropped, and once more from
//    the fitted centre near the fitted edge. A fit must agree with its candidate and have an
//    edge on two thirds of the rays that stay in the picture.
// 3. Fits that lie inside another fit (a core, a defect on the glass) are dropped. The rest are
//    grouped by radius; a group is a row when its centres lie on lines at the layout's pitch
//    (tilt up to 5 degrees; pitch and rows' distance refined from the centres, as the claddings'
//    edges give the scale only to a percent or so), at most the layout's rows. The group with
//    most fibres wins, the larger on a tie: dust and guide-pin holes neither repeat at the pitch
//    nor outnumber the fibres, and a single disc coarser than a fibre view is a pin or its hole.
// Cost for 640 x 480: about 0.2 M box comparisons and a few thousand samples per candidate.

#include "ferrule/FibreRowLocator.h"

#include "analysis/TFiberAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr float MinRadius = 7.0f;
constexpr float MaxRadius = 180.0f;
constexpr float RadiusStep = 1.25f;
constexpr float MinContrast = 6.0f; // grey levels between the disc and its surround
constexpr int MaxCandidates = 64;
constexpr int TestRays = 16;
constexpr int FitRays = 64;
constexpr float MaxTilt = 5.0f * std::numbers::pi_v<float> / 180.0f;

// Unit vectors at N even angles, computed once.
template <int N> struct Directions
{
    float Cos[N], Sin[N];
    Directions()
    {
        for (int k = 0; k < N; ++k)
        {
            const float a = static_cast<float>(k) * (2.0f * std::numbers::pi_v<float> / N);
            Cos[k] = std::cos(a);
            Sin[k] = std::sin(a);
        }
    }
    static const Directions& Get()
    {
        static const Directions d;
        return d;
    }
};

struct Candidate
{
    float X = 0.0f, Y = 0.0f, R = 0.0f;
    float Contrast = 0.0f; // signed: positive for a bright disc
};

struct Fit
{
    TLocatedFibre Fibre;
    float Quality = 0.0f;
    float Polarity = 1.0f; // +1 a bright disc, -1 a dark one
    bool Inside = false;
};

// Box sums over an integral image; unsigned arithmetic wraps consistently, and a picture's sum
// (at most 2^32 / 255 pixels) never overflows.
struct Integral
{
    const std::uint32_t* Data;
    int W, H; // the picture's size; the table is (W + 1) x (H + 1)
    std::uint32_t At(int x, int y) const
    {
        return Data[static_cast<std::size_t>(y) * static_cast<std::size_t>(W + 1) +
                    static_cast<std::size_t>(x)];
    }
    // Over [x0, x1) x [y0, y1) clamped to the picture; the area goes to count.
    std::uint32_t Sum(int x0, int y0, int x1, int y1, int& count) const
    {
        x0 = std::clamp(x0, 0, W);
        x1 = std::clamp(x1, 0, W);
        y0 = std::clamp(y0, 0, H);
        y1 = std::clamp(y1, 0, H);
        if (x1 <= x0 || y1 <= y0)
        {
            count = 0;
            return 0;
        }
        count = (x1 - x0) * (y1 - y0);
        return At(x1, y1) - At(x0, y1) - At(x1, y0) + At(x0, y0);
    }
};

void BuildIntegral(const std::uint8_t* grey, int w, int h, std::vector<std::uint32_t>& table)
{
    const std::size_t stride = static_cast<std::size_t>(w) + 1;
    table.resize(stride * (static_cast<std::size_t>(h) + 1));
    std::fill(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(stride), 0u);
    for (int y = 0; y < h; ++y)
    {
        std::uint32_t row = 0;
        const std::uint8_t* g = grey + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        const std::uint32_t* above = table.data() + static_cast<std::size_t>(y) * stride;
        std::uint32_t* out = table.data() + static_cast<std::size_t>(y + 1) * stride;
        out[0] = 0;
        for (int x = 0; x < w; ++x)
        {
            row += g[x];
            out[x + 1] = above[x + 1] + row;
        }
    }
}

// Disc against surround at (x, y) for radius r: a box of half side a lies inside the disc, a
// square ring between half sides c and b outside it, for radii within about 15 % of r. Zero
// when most of the surround lies outside the picture.
struct Boxes
{
    int A, B, C;
    float InvIn = 0.0f, InvRing = 0.0f; // one over the areas
    explicit Boxes(float r)
        : A(std::max(1, static_cast<int>(0.6f * r + 0.5f))), B(0), C(static_cast<int>(1.15f * r + 0.5f))
    {
        B = std::max(C + 1, static_cast<int>(1.6f * r + 0.5f));
        InvIn = 1.0f / static_cast<float>((2 * A + 1) * (2 * A + 1));
        InvRing = 1.0f / static_cast<float>((2 * B + 1) * (2 * B + 1) - (2 * C + 1) * (2 * C + 1));
    }
};

// One row of positions x = first, first + step, ... (count of them) at y, all with their
// surround inside the picture: twelve loads from six rows of the table each, no clamping.
void DiscContrastRow(const Integral& in, int y, int first, int step, int count, const Boxes& k, float* out)
{
    const std::size_t stride = static_cast<std::size_t>(in.W) + 1;
    const auto row = [&](int yy) { return in.Data + static_cast<std::size_t>(yy) * stride; };
    const std::uint32_t *aTop = row(y - k.A), *aBottom = row(y + k.A + 1);
    const std::uint32_t *cTop = row(y - k.C), *cBottom = row(y + k.C + 1);
    const std::uint32_t *bTop = row(y - k.B), *bBottom = row(y + k.B + 1);
    for (int i = 0; i < count; ++i)
    {
        const int x = first + i * step;
        const std::uint32_t inner =
            aBottom[x + k.A + 1] - aBottom[x - k.A] - aTop[x + k.A + 1] + aTop[x - k.A];
        const std::uint32_t hole =
            cBottom[x + k.C + 1] - cBottom[x - k.C] - cTop[x + k.C + 1] + cTop[x - k.C];
        const std::uint32_t outer =
            bBottom[x + k.B + 1] - bBottom[x - k.B] - bTop[x + k.B + 1] + bTop[x - k.B];
        out[i] = static_cast<float>(inner) * k.InvIn - static_cast<float>(outer - hole) * k.InvRing;
    }
}

// The same near the picture's border, with the boxes clamped to it.
float DiscContrast(const Integral& in, int x, int y, const Boxes& k)
{
    int nIn = 0, nOuter = 0, nInner = 0;
    const std::uint32_t inner = in.Sum(x - k.A, y - k.A, x + k.A + 1, y + k.A + 1, nIn);
    const std::uint32_t outer = in.Sum(x - k.B, y - k.B, x + k.B + 1, y + k.B + 1, nOuter);
    const std::uint32_t hole = in.Sum(x - k.C, y - k.C, x + k.C + 1, y + k.C + 1, nInner);
    const int nRing = nOuter - nInner;
    if (nIn == 0 || nRing * 4 < (2 * k.B + 1) * (2 * k.B + 1) - (2 * k.C + 1) * (2 * k.C + 1))
        return 0.0f;
    return static_cast<float>(inner) / static_cast<float>(nIn) -
           static_cast<float>(outer - hole) / static_cast<float>(nRing);
}

float Sample(const std::uint8_t* grey, int w, int h, float x, float y)
{
    x = std::clamp(x, 0.0f, static_cast<float>(w - 1) - 0.001f);
    y = std::clamp(y, 0.0f, static_cast<float>(h - 1) - 0.001f);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    const auto at = [&](int i, int j) {
        return static_cast<float>(
            grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)]);
    };
    const float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * fx;
    const float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * fx;
    return top + (bottom - top) * fy;
}

bool InPicture(float x, float y, int w, int h)
{
    return x >= 0.0f && y >= 0.0f && x <= static_cast<float>(w - 1) && y <= static_cast<float>(h - 1);
}

// A disc is brighter (or darker) than its surround all round: the rim of a large disc, a line or
// a corner answers the box test too, but only on some of these rays.
bool RoundAllRound(const std::uint8_t* grey, int w, int h, const Candidate& c)
{
    int inside = 0, agree = 0;
    for (int k = 0; k < TestRays; ++k)
    {
        const float dx = Directions<TestRays>::Get().Cos[k], dy = Directions<TestRays>::Get().Sin[k];
        const float ox = c.X + 1.4f * c.R * dx, oy = c.Y + 1.4f * c.R * dy;
        if (!InPicture(ox, oy, w, h))
            continue;
        ++inside;
        const float d =
            Sample(grey, w, h, c.X + 0.6f * c.R * dx, c.Y + 0.6f * c.R * dy) - Sample(grey, w, h, ox, oy);
        if ((c.Contrast > 0.0f ? d : -d) >= 0.5f * MinContrast)
            ++agree;
    }
    return inside >= TestRays / 3 && 4 * agree >= 3 * inside;
}

void FindCandidates(const std::uint8_t* grey, const Integral& in, std::vector<Candidate>& out,
                    std::vector<float>& response)
{
    out.clear();
    for (float r = MinRadius; r <= MaxRadius; r *= RadiusStep)
    {
        // Two fifths of the radius apart: the fit below starts well from anywhere within half of it.
        const int step = std::max(2, static_cast<int>(r / 2.5f + 0.5f));
        const int gw = in.W / step, gh = in.H / step;
        if (gw < 3 || gh < 3)
            continue;
        const Boxes boxes(r);
        response.resize(static_cast<std::size_t>(gw) * static_cast<std::size_t>(gh));
        const auto at = [&](int i, int j) -> float& {
            return response[static_cast<std::size_t>(j) * static_cast<std::size_t>(gw) +
                            static_cast<std::size_t>(i)];
        };
        // Columns whose surround stays inside the picture take the quick road.
        const int iFirst = std::min(gw, std::max(0, (boxes.B - step / 2 + step - 1) / step));
        const int last = in.W - boxes.B - 1 - step / 2; // the last x whose surround fits
        const int iEnd = last < 0 ? iFirst : std::max(iFirst, std::min(gw, last / step + 1));
        for (int j = 0; j < gh; ++j)
        {
            const int y = j * step + step / 2;
            const bool rowInside = y - boxes.B >= 0 && y + boxes.B + 1 <= in.H;
            for (int i = 0; i < gw; ++i)
            {
                if (rowInside && i == iFirst && iEnd > iFirst)
                {
                    DiscContrastRow(in, y, i * step + step / 2, step, iEnd - iFirst, boxes, &at(i, j));
                    i = iEnd - 1;
                    continue;
                }
                at(i, j) = DiscContrast(in, i * step + step / 2, y, boxes);
            }
        }
        for (int j = 0; j < gh; ++j)
            for (int i = 0; i < gw; ++i)
            {
                const float v = at(i, j);
                if (std::abs(v) < MinContrast)
                    continue;
                bool extreme = true;
                for (int dj = -1; dj <= 1 && extreme; ++dj)
                    for (int di = -1; di <= 1 && extreme; ++di)
                    {
                        const int ni = i + di, nj = j + dj;
                        if ((di == 0 && dj == 0) || ni < 0 || nj < 0 || ni >= gw || nj >= gh)
                            continue;
                        const float u = v > 0.0f ? at(ni, nj) : -at(ni, nj);
                        const float own = std::abs(v);
                        // Ties go to the first in scan order.
                        if (u > own || (u == own && (dj < 0 || (dj == 0 && di < 0))))
                            extreme = false;
                    }
                const Candidate c{static_cast<float>(i * step + step / 2),
                                  static_cast<float>(j * step + step / 2), r, v};
                if (extreme && RoundAllRound(grey, in.W, in.H, c))
                    out.push_back(c);
            }
    }
    // Of candidates of similar size at one place the strongest stays; a core inside its cladding
    // or a defect on it is of another size and stays too, for the fits to sort out.
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return std::abs(a.Contrast) > std::abs(b.Contrast);
    });
    std::vector<Candidate> kept;
    for (const Candidate& c : out)
    {
        bool near = false;
        for (const Candidate& k : kept)
        {
            const float ratio = std::max(c.R, k.R) / std::min(c.R, k.R);
            if (ratio < 1.6f && std::hypot(c.X - k.X, c.Y - k.Y) < 0.8f * std::max(c.R, k.R))
            {
                near = true;
                break;
            }
        }
        if (!near)
            kept.push_back(c);
        if (static_cast<int>(kept.size()) == MaxCandidates)
            break;
    }
    out = std::move(kept);
}

struct Ellipse
{
    double X = 0.0, Y = 0.0, RX = 0.0, RY = 0.0;
    bool Valid = false;
};

// Least squares of x^2 + B y^2 + C x + D y + E = 0 (an axis-aligned ellipse) over the points
// marked in use, relative to (ox, oy) for conditioning; double, as the normal equations of a
// large ellipse lose too much in single precision.
Ellipse FitEllipse(const std::vector<float>& px, const std::vector<float>& py,
                   const std::vector<std::uint8_t>& use, double ox, double oy)
{
    double m[4][5] = {};
    int used = 0;
    for (std::size_t i = 0; i < px.size(); ++i)
    {
        if (!use[i])
            continue;
        const double x = px[i] - ox, y = py[i] - oy;
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
    e.X = cx + ox;
    e.Y = cy + oy;
    e.RX = std::sqrt(rx2);
    e.RY = std::sqrt(rx2 / b);
    e.Valid = std::isfinite(e.X) && std::isfinite(e.Y) && std::isfinite(e.RX) && std::isfinite(e.RY);
    return e;
}

// The cladding's edge around a candidate: on each of 64 rays the strongest step of the disc's
// polarity between half and one and a half radii, to a tenth of a pixel; an ellipse fitted to
// the steps, those far off the fit dropped; then once more from the fitted centre, looking only
// near the fitted edge. Rays that leave the picture give nothing, so a cut cladding is fitted
// from its visible arc.
bool FitCandidate(const std::uint8_t* grey, int w, int h, const Candidate& c, TFibreRowScratch& s, Fit& fit)
{
    double cx = c.X, cy = c.Y, r = c.R;
    float lo = 0.5f, hi = 1.8f;
    Ellipse e;
    int inside = 0, found = 0;
    for (int pass = 0; pass < 2; ++pass)
    {
        std::vector<float>& px = s.Edge.PointX;
        std::vector<float>& py = s.Edge.PointY;
        std::vector<std::uint8_t>& use = s.Edge.Inlier;
        px.clear();
        py.clear();
        inside = 0;
        const float t0 = lo * static_cast<float>(r), t1 = hi * static_cast<float>(r);
        const float dt = std::max(0.5f, static_cast<float>(r) / 80.0f);
        const int samples = static_cast<int>((t1 - t0) / dt) + 3;
        s.Edge.Profile.resize(static_cast<std::size_t>(samples));
        for (int k = 0; k < FitRays; ++k)
        {
            const float dx = Directions<FitRays>::Get().Cos[k], dy = Directions<FitRays>::Get().Sin[k];
            const float fx = static_cast<float>(cx), fy = static_cast<float>(cy);
            if (!InPicture(fx + (t1 + dt) * dx, fy + (t1 + dt) * dy, w, h) ||
                !InPicture(fx + (t0 - dt) * dx, fy + (t0 - dt) * dy, w, h))
                continue;
            ++inside;
            for (int i = 0; i < samples; ++i)
            {
                const float t = t0 + static_cast<float>(i - 1) * dt;
                s.Edge.Profile[static_cast<std::size_t>(i)] = Sample(grey, w, h, fx + t * dx, fy + t * dy);
            }
            // Outwards a bright disc steps down, a dark one up.
            float best = 0.0f;
            int at = -1;
            for (int i = 1; i + 1 < samples; ++i)
            {
                const float step = s.Edge.Profile[static_cast<std::size_t>(i - 1)] -
                                   s.Edge.Profile[static_cast<std::size_t>(i + 1)];
                const float signedStep = c.Contrast > 0.0f ? step : -step;
                if (signedStep > best)
                {
                    best = signedStep;
                    at = i;
                }
            }
            if (at < 2 || at + 2 >= samples || best < 0.5f * MinContrast)
                continue;
            const auto stepAt = [&](int i) {
                const float v = s.Edge.Profile[static_cast<std::size_t>(i - 1)] -
                                s.Edge.Profile[static_cast<std::size_t>(i + 1)];
                return c.Contrast > 0.0f ? v : -v;
            };
            const float l = stepAt(at - 1), m = best, rr = stepAt(at + 1);
            const float denom = l - 2.0f * m + rr;
            const float offset = denom < 0.0f ? std::clamp(0.5f * (l - rr) / denom, -0.5f, 0.5f) : 0.0f;
            const float t = t0 + (static_cast<float>(at - 1) + offset) * dt;
            px.push_back(fx + t * dx);
            py.push_back(fy + t * dy);
        }
        found = static_cast<int>(px.size());
        if (found < 12)
            return false;
        use.assign(px.size(), 1);
        std::vector<float>& residual = s.Edge.Residual;
        residual.resize(px.size());
        for (int round = 0; round < 3; ++round)
        {
            e = FitEllipse(px, py, use, cx, cy);
            if (!e.Valid)
                return false;
            for (std::size_t i = 0; i < px.size(); ++i)
            {
                const double ux = (px[i] - e.X) / e.RX, uy = (py[i] - e.Y) / e.RY;
                const double rho = std::sqrt(ux * ux + uy * uy);
                residual[i] = static_cast<float>(std::abs(rho - 1.0) * 0.5 * (e.RX + e.RY));
            }
            s.Edge.Sorted.assign(residual.begin(), residual.end());
            std::nth_element(s.Edge.Sorted.begin(),
                             s.Edge.Sorted.begin() + static_cast<std::ptrdiff_t>(found / 2),
                             s.Edge.Sorted.end());
            const float limit =
                std::max(0.75f, 3.0f * 1.4826f * s.Edge.Sorted[static_cast<std::size_t>(found / 2)]);
            for (std::size_t i = 0; i < px.size(); ++i)
                use[i] = residual[i] <= limit ? 1 : 0;
        }
        cx = e.X;
        cy = e.Y;
        r = 0.5 * (e.RX + e.RY);
        lo = 0.85f;
        hi = 1.15f;
    }
    int kept = 0;
    for (std::uint8_t u : s.Edge.Inlier)
        kept += u;
    TLocatedFibre& f = fit.Fibre;
    f.Centre = TPoint2D(static_cast<float>(e.X), static_cast<float>(e.Y));
    f.RadiusX = static_cast<float>(e.RX);
    f.RadiusY = static_cast<float>(e.RY);
    f.ArcSeen = static_cast<float>(kept) / static_cast<float>(FitRays);
    const float radius = 0.5f * (f.RadiusX + f.RadiusY);
    // The fit must be the candidate's disc: near its centre, of about its size, round (a tilted
    // ferrule of 3 degrees keeps a fibre round to a thousandth), with an edge along most of the
    // rays that stay in the picture.
    if (std::hypot(f.Centre.X - c.X, f.Centre.Y - c.Y) > 0.6f * c.R || radius < 0.55f * c.R ||
        radius > 1.45f * c.R || std::max(f.RadiusX, f.RadiusY) > 1.08f * std::min(f.RadiusX, f.RadiusY) ||
        radius < MinRadius - 1.0f || 3 * kept < 2 * inside)
        return false;
    // Wholly in view with a pixel to spare: the zones need every pixel of the cladding.
    f.WhollyInView = f.Centre.X - f.RadiusX >= 1.0f && f.Centre.Y - f.RadiusY >= 1.0f &&
                     f.Centre.X + f.RadiusX <= static_cast<float>(w - 2) &&
                     f.Centre.Y + f.RadiusY <= static_cast<float>(h - 2);
    fit.Quality = f.ArcSeen * std::abs(c.Contrast);
    fit.Polarity = c.Contrast > 0.0f ? 1.0f : -1.0f;
    return true;
}

struct Row
{
    std::vector<int> Members; // indices into the fits
    float V = 0.0f;           // across the rows, after rotating by the tilt
};

// The fits of one size that lie on rows at the layout's pitch: the largest such set around the
// strongest fit, with the rows' tilt, and the slots along the rows.
std::vector<TLocatedFibre> Arrange(const std::vector<Fit>& fits, const std::vector<int>& group,
                                   const TFerruleLayout& layout, float& angle, float& pitchPixels)
{
    float radius = 0.0f;
    {
        std::vector<float> radii;
        for (int i : group)
            radii.push_back(0.5f * (fits[static_cast<std::size_t>(i)].Fibre.RadiusX +
                                    fits[static_cast<std::size_t>(i)].Fibre.RadiusY));
        std::nth_element(radii.begin(), radii.begin() + static_cast<std::ptrdiff_t>(radii.size() / 2),
                         radii.end());
        radius = radii[radii.size() / 2];
    }
    pitchPixels = layout.PitchUm / 62.5f * radius;
    float rowPitch = layout.RowPitchUm / 62.5f * radius;
    // The tilt from pairs of fits along a row: their offset is near a whole number of pitches.
    std::vector<float> angles;
    for (std::size_t a = 0; a < group.size(); ++a)
        for (std::size_t b = a + 1; b < group.size(); ++b)
        {
            const TPoint2D& p = fits[static_cast<std::size_t>(group[a])].Fibre.Centre;
            const TPoint2D& q = fits[static_cast<std::size_t>(group[b])].Fibre.Centre;
            float dx = q.X - p.X, dy = q.Y - p.Y;
            if (dx < 0.0f)
            {
                dx = -dx;
                dy = -dy;
            }
            if (dx < 0.5f * pitchPixels || std::abs(dy) > std::tan(MaxTilt) * dx + 0.25f * radius)
                continue;
            angles.push_back(std::atan2(dy, dx));
        }
    angle = 0.0f;
    if (!angles.empty())
    {
        std::nth_element(angles.begin(), angles.begin() + static_cast<std::ptrdiff_t>(angles.size() / 2),
                         angles.end());
        angle = std::clamp(angles[angles.size() / 2], -MaxTilt, MaxTilt);
    }
    const float cs = std::cos(angle), sn = std::sin(angle);
    const auto along = [&](const TPoint2D& p) { return p.X * cs + p.Y * sn; };
    const auto across = [&](const TPoint2D& p) { return -p.X * sn + p.Y * cs; };

    // The strongest fit anchors the grid; every other fit must sit on a slot of it.
    int anchor = group.front();
    for (int i : group)
        if (fits[static_cast<std::size_t>(i)].Quality > fits[static_cast<std::size_t>(anchor)].Quality)
            anchor = i;
    const TPoint2D& origin = fits[static_cast<std::size_t>(anchor)].Fibre.Centre;
    struct Placed
    {
        int Fit, Slot, RowStep;
    };
    // Fits nearest the anchor first: each placed fit refines the pitch, which the claddings'
    // edges give only to a percent or so, too coarse to count a row of sixteen by it.
    std::vector<int> order(group);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return std::abs(along(fits[static_cast<std::size_t>(a)].Fibre.Centre) - along(origin)) <
               std::abs(along(fits[static_cast<std::size_t>(b)].Fibre.Centre) - along(origin));
    });
    std::vector<Placed> placed;
    const float nominal = pitchPixels, nominalRows = rowPitch;
    double sumUS = 0.0, sumSS = 0.0, sumVR = 0.0, sumRR = 0.0;
    for (int i : order)
    {
        const TPoint2D& p = fits[static_cast<std::size_t>(i)].Fibre.Centre;
        const float du = along(p) - along(origin), dv = across(p) - across(origin);
        const float slot = std::round(du / pitchPixels), rowStep = std::round(dv / rowPitch);
        if (std::abs(du - slot * pitchPixels) > 0.2f * radius + 1.0f ||
            std::abs(dv - rowStep * rowPitch) > 0.3f * radius + 1.5f ||
            std::abs(rowStep) >= static_cast<float>(std::max(layout.Rows, 1)))
            continue;
        placed.push_back({i, static_cast<int>(slot), static_cast<int>(rowStep)});
        if (slot != 0.0f)
        {
            sumUS += static_cast<double>(du) * slot;
            sumSS += static_cast<double>(slot) * slot;
            pitchPixels = std::clamp(static_cast<float>(sumUS / sumSS), 0.9f * nominal, 1.1f * nominal);
        }
        if (rowStep != 0.0f)
        {
            sumVR += static_cast<double>(dv) * rowStep;
            sumRR += static_cast<double>(rowStep) * rowStep;
            rowPitch = std::clamp(static_cast<float>(sumVR / sumRR), 0.9f * nominalRows, 1.1f * nominalRows);
        }
    }
    int minSlot = 0, minRow = 0, maxRow = 0;
    for (const Placed& p : placed)
    {
        minSlot = std::min(minSlot, p.Slot);
        minRow = std::min(minRow, p.RowStep);
        maxRow = std::max(maxRow, p.RowStep);
    }
    // More rows than the layout has: keep the anchor's.
    if (maxRow - minRow + 1 > std::max(layout.Rows, 1))
    {
        std::erase_if(placed, [](const Placed& p) { return p.RowStep != 0; });
        minRow = maxRow = 0;
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.RowStep != b.RowStep ? a.RowStep < b.RowStep : a.Slot < b.Slot;
    });
    std::vector<TLocatedFibre> out;
    for (const Placed& p : placed)
    {
        TLocatedFibre f = fits[static_cast<std::size_t>(p.Fit)].Fibre;
        f.Row = p.RowStep - minRow;
        f.Slot = p.Slot - minSlot;
        // Two fits on one slot: the first (stronger fits come first in the group) stays.
        if (!out.empty() && out.back().Row == f.Row && out.back().Slot == f.Slot)
            continue;
        out.push_back(f);
    }
    return out;
}

// Fibres the candidates missed (a large defect can hide a small disc from the box test) are
// looked for where the rows put them: every empty slot of the rows found, and of the row the
// layout has beside them, whose centre lies in the picture. Only a fit of the row's size at the
// predicted place counts.
void FillGaps(const std::uint8_t* grey, int w, int h, const TFerruleLayout& layout, float polarity,
              float angle, float pitch, std::vector<TLocatedFibre>& fibres, TFibreRowScratch& s)
{
    std::vector<float> radii;
    for (const TLocatedFibre& f : fibres)
        radii.push_back(0.5f * (f.RadiusX + f.RadiusY));
    std::nth_element(radii.begin(), radii.begin() + static_cast<std::ptrdiff_t>(radii.size() / 2),
                     radii.end());
    const float radius = radii[radii.size() / 2];
    const float rowPitch = layout.RowPitchUm / layout.PitchUm * pitch;
    const float ux = std::cos(angle), uy = std::sin(angle); // along the rows
    const float vx = -uy, vy = ux;                          // across them, downwards
    // The grid's origin: the mean of each fibre's centre less its slot and row.
    double ox = 0.0, oy = 0.0;
    int minSlot = fibres.front().Slot, maxSlot = minSlot, minRow = fibres.front().Row, maxRow = minRow;
    for (const TLocatedFibre& f : fibres)
    {
        ox +=
            f.Centre.X - static_cast<float>(f.Slot) * pitch * ux - static_cast<float>(f.Row) * rowPitch * vx;
        oy +=
            f.Centre.Y - static_cast<float>(f.Slot) * pitch * uy - static_cast<float>(f.Row) * rowPitch * vy;
        minSlot = std::min(minSlot, f.Slot);
        maxSlot = std::max(maxSlot, f.Slot);
        minRow = std::min(minRow, f.Row);
        maxRow = std::max(maxRow, f.Row);
    }
    ox /= static_cast<double>(fibres.size());
    oy /= static_cast<double>(fibres.size());
    const int spareRows = std::max(layout.Rows, 1) - (maxRow - minRow + 1);
    const std::size_t found = fibres.size();
    for (int row = minRow - spareRows; row <= maxRow + spareRows; ++row)
        for (int slot = maxSlot - layout.FibresPerRow + 1; slot <= minSlot + layout.FibresPerRow - 1; ++slot)
        {
            const bool taken =
                std::any_of(fibres.begin(), fibres.begin() + static_cast<std::ptrdiff_t>(found),
                            [&](const TLocatedFibre& f) { return f.Row == row && f.Slot == slot; });
            const float x = static_cast<float>(ox) + static_cast<float>(slot) * pitch * ux +
                            static_cast<float>(row) * rowPitch * vx;
            const float y = static_cast<float>(oy) + static_cast<float>(slot) * pitch * uy +
                            static_cast<float>(row) * rowPitch * vy;
            if (taken || !InPicture(x, y, w, h))
                continue;
            Fit fit;
            const Candidate c{x, y, radius, polarity * 2.0f * MinContrast};
            if (!FitCandidate(grey, w, h, c, s, fit))
                continue;
            const float r = 0.5f * (fit.Fibre.RadiusX + fit.Fibre.RadiusY);
            if (std::hypot(fit.Fibre.Centre.X - x, fit.Fibre.Centre.Y - y) > 0.25f * radius + 1.0f ||
                std::abs(r - radius) > 0.1f * radius + 0.5f)
                continue;
            fit.Fibre.Row = row;
            fit.Fibre.Slot = slot;
            fibres.push_back(fit.Fibre);
        }
    if (fibres.size() == found)
        return;
    int firstSlot = fibres.front().Slot, firstRow = fibres.front().Row;
    for (const TLocatedFibre& f : fibres)
    {
        firstSlot = std::min(firstSlot, f.Slot);
        firstRow = std::min(firstRow, f.Row);
    }
    for (TLocatedFibre& f : fibres)
    {
        f.Slot -= firstSlot;
        f.Row -= firstRow;
    }
    std::sort(fibres.begin(), fibres.end(), [](const TLocatedFibre& a, const TLocatedFibre& b) {
        return a.Row != b.Row ? a.Row < b.Row : a.Slot < b.Slot;
    });
}
} // namespace

const char* MtViewKindName(TMtViewKind kind)
{
    switch (kind)
    {
    case TMtViewKind::FibreView:
        return "fibre view";
    case TMtViewKind::Overview:
        return "overview";
    case TMtViewKind::None:
        break;
    }
    return "none";
}

TFibreRowLocation LocateFibreRow(const std::uint8_t* grey, int width, int height,
                                 const TFerruleLayout& layout, TFibreRowScratch& s)
{
    TFibreRowLocation out;
    if (grey == nullptr || width < 32 || height < 32 || !layout.MultiFibre())
        return out;
    BuildIntegral(grey, width, height, s.Integral);
    const Integral in{s.Integral.data(), width, height};
    std::vector<Candidate> candidates;
    FindCandidates(grey, in, candidates, s.Response);

    std::vector<Fit> fits;
    for (const Candidate& c : candidates)
    {
        Fit fit;
        if (FitCandidate(grey, width, height, c, s, fit))
            fits.push_back(fit);
    }
    // One disc found from two candidates: keep the better fit.
    std::stable_sort(fits.begin(), fits.end(),
                     [](const Fit& a, const Fit& b) { return a.Quality > b.Quality; });
    for (std::size_t i = 0; i < fits.size(); ++i)
    {
        const TLocatedFibre& a = fits[i].Fibre;
        const float ra = 0.5f * (a.RadiusX + a.RadiusY);
        for (std::size_t j = 0; j < fits.size() && !fits[i].Inside; ++j)
        {
            if (i == j)
                continue;
            const TLocatedFibre& b = fits[j].Fibre;
            const float rb = 0.5f * (b.RadiusX + b.RadiusY);
            const float d = std::hypot(a.Centre.X - b.Centre.X, a.Centre.Y - b.Centre.Y);
            // Inside a larger disc (a core, a defect on the glass), or the same disc fitted twice.
            if ((rb > 1.1f * ra && d < rb) ||
                (j < i && d < 0.5f * std::min(ra, rb) && std::max(ra, rb) <= 1.1f * std::min(ra, rb)))
                fits[i].Inside = true;
        }
    }
    std::erase_if(fits, [](const Fit& f) { return f.Inside; });
    if (fits.empty())
        return out;

    // Groups of one size; the one arranged at the pitch with most fibres wins.
    std::vector<TLocatedFibre> best;
    float bestRadius = 0.0f, bestAngle = 0.0f, bestPitch = 0.0f, bestPolarity = 1.0f;
    for (std::size_t seed = 0; seed < fits.size(); ++seed)
    {
        const float rs = 0.5f * (fits[seed].Fibre.RadiusX + fits[seed].Fibre.RadiusY);
        std::vector<int> group;
        for (std::size_t i = 0; i < fits.size(); ++i)
        {
            const float r = 0.5f * (fits[i].Fibre.RadiusX + fits[i].Fibre.RadiusY);
            if (std::max(r, rs) < 1.12f * std::min(r, rs))
                group.push_back(static_cast<int>(i));
        }
        float angle = 0.0f, pitch = 0.0f;
        std::vector<TLocatedFibre> arranged = Arrange(fits, group, layout, angle, pitch);
        if (arranged.size() > best.size() || (arranged.size() == best.size() && rs > bestRadius))
        {
            best = std::move(arranged);
            bestRadius = rs;
            bestAngle = angle;
            bestPitch = pitch;
            bestPolarity = fits[seed].Polarity;
        }
    }
    if (best.empty())
        return out;
    FillGaps(grey, width, height, layout, bestPolarity, bestAngle, bestPitch, best, s);
    std::vector<float> scales;
    for (const TLocatedFibre& f : best)
        scales.push_back(f.UmPerPixel());
    std::nth_element(scales.begin(), scales.begin() + static_cast<std::ptrdiff_t>(scales.size() / 2),
                     scales.end());
    const float umPerPixel = scales[scales.size() / 2];
    // An overview shows a row: one disc at that scale is a guide pin or its hole, not a fibre.
    if (umPerPixel > FibreViewMaxUmPerPixel && best.size() < 2)
        return out;
    out.UmPerPixel = umPerPixel;
    out.Kind = out.UmPerPixel <= FibreViewMaxUmPerPixel ? TMtViewKind::FibreView : TMtViewKind::Overview;
    out.Angle = bestAngle;
    out.PitchPixels = bestPitch;
    out.Fibres = std::move(best);

    // Whole rows: the rows found are the layout's, each holds the layout's count of slots, and
    // its first and last fibres are whole.
    int rows = 0;
    bool whole = true;
    for (int row = 0; row < layout.Rows; ++row)
    {
        int first = -1, last = -1, count = 0;
        bool ends = true;
        for (const TLocatedFibre& f : out.Fibres)
            if (f.Row == row)
            {
                if (first < 0)
                    first = f.Slot;
                last = f.Slot;
                ++count;
            }
        if (count == 0)
        {
            whole = false;
            continue;
        }
        ++rows;
        for (const TLocatedFibre& f : out.Fibres)
            if (f.Row == row && (f.Slot == first || f.Slot == last) && !f.WhollyInView)
                ends = false;
        whole = whole && ends && count == layout.FibresPerRow && last - first + 1 == layout.FibresPerRow;
    }
    out.WholeRowsSeen = whole && rows == layout.Rows;
    return out;
}

std::vector<int> NumberFibres(const TFibreRowLocation& location, const TFerruleLayout& layout, int firstFibre)
{
    std::vector<int> numbers(location.Fibres.size(), 0);
    if (!layout.MultiFibre() || location.Fibres.empty())
        return numbers;
    const int perRow = layout.FibresPerRow;
    if (location.WholeRowsSeen)
    {
        for (std::size_t i = 0; i < numbers.size(); ++i)
            numbers[i] = location.Fibres[i].Row * perRow + location.Fibres[i].Slot + 1;
        return numbers;
    }
    // The operator's number belongs to the leftmost whole fibre of the upper row in view.
    const TLocatedFibre* reference = nullptr;
    for (const TLocatedFibre& f : location.Fibres)
        if (f.WhollyInView && (reference == nullptr || f.Row < reference->Row ||
                               (f.Row == reference->Row && f.Slot < reference->Slot)))
            reference = &f;
    if (reference == nullptr)
        reference = &location.Fibres.front();
    const int first = std::clamp(firstFibre, 1, layout.Fibres());
    const int layoutRow = (first - 1) / perRow;
    const int position = (first - 1) % perRow;
    for (std::size_t i = 0; i < numbers.size(); ++i)
    {
        const TLocatedFibre& f = location.Fibres[i];
        const int row = layoutRow + f.Row - reference->Row;
        const int pos = position + f.Slot - reference->Slot;
        if (row >= 0 && row < layout.Rows && pos >= 0 && pos < perRow)
            numbers[i] = row * perRow + pos + 1;
    }
    return numbers;
}

TFibreRowScratch::TFibreRowScratch() = default;
TFibreRowScratch::~TFibreRowScratch() = default;
