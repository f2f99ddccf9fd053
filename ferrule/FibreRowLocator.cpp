// Locating every fibre of an MT ferrule in one picture.
//
// 1. Candidates: on an integral image, the mean of a box inside a disc of radius r against the
//    mean of a square ring just outside it, for radii from 7 to 180 pixels in steps of 12 %,
//    sampled every quarter radius. A cladding brighter or darker than the ferrule around it
//    answers at its own radius, whatever its polarity; local extremes above a few grey levels are
//    the candidates, and of candidates of similar size at one place only the strongest stays.
// 2. Each candidate's cladding is fitted by the edge locator (analysis/EdgeLocator) on a crop
//    around it, magnified so that the ring spans about 60 pixels: the same ellipse fit, outlier
//    rejection and epoxy rule as a single fibre gets. A fit must agree with its candidate.
// 3. Fits that lie inside another fit (a core, a defect on the glass) are dropped. The rest are
//    grouped by radius; a group is a row when its centres lie on lines at the layout's pitch
//    (tilt up to 5 degrees), at most the layout's rows, the rows the layout's distance apart.
//    The group with most fibres wins, the larger on a tie: dust and guide-pin holes neither
//    repeat at the pitch nor outnumber the fibres.
// Cost for 640 x 480: about 0.3 M box comparisons, then one edge fit per candidate on a crop of
// about 200 x 200 pixels.

#include "ferrule/FibreRowLocator.h"

#include "analysis/TFiberAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr float MinRadius = 7.0f;
constexpr float MaxRadius = 180.0f;
constexpr float RadiusStep = 1.12f;
constexpr float MinContrast = 6.0f; // grey levels between the disc and its surround
constexpr int MaxCandidates = 48;
constexpr float CropRadius = 60.0f; // the ring's radius in a magnified crop
constexpr float MaxTilt = 5.0f * std::numbers::pi_v<float> / 180.0f;

struct Candidate
{
    float X = 0.0f, Y = 0.0f, R = 0.0f;
    float Contrast = 0.0f; // signed: positive for a bright disc
};

struct Fit
{
    TLocatedFibre Fibre;
    float Quality = 0.0f;
    bool Inside = false;
};

// Sums over [x0, x1) x [y0, y1), clamped to the picture; the area goes to count.
struct Integral
{
    const std::uint32_t* Data;
    int W, H; // the picture's size; the table is (W + 1) x (H + 1)
    double Sum(int x0, int y0, int x1, int y1, int& count) const
    {
        x0 = std::clamp(x0, 0, W);
        x1 = std::clamp(x1, 0, W);
        y0 = std::clamp(y0, 0, H);
        y1 = std::clamp(y1, 0, H);
        if (x1 <= x0 || y1 <= y0)
        {
            count = 0;
            return 0.0;
        }
        count = (x1 - x0) * (y1 - y0);
        const auto at = [this](int x, int y) {
            return static_cast<double>(Data[static_cast<std::size_t>(y) * static_cast<std::size_t>(W + 1) +
                                            static_cast<std::size_t>(x)]);
        };
        return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
    }
};

void BuildIntegral(const std::uint8_t* grey, int w, int h, std::vector<std::uint32_t>& table)
{
    const std::size_t stride = static_cast<std::size_t>(w) + 1;
    table.assign(stride * (static_cast<std::size_t>(h) + 1), 0u);
    for (int y = 0; y < h; ++y)
    {
        std::uint32_t row = 0;
        const std::uint8_t* g = grey + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        std::uint32_t* above = table.data() + static_cast<std::size_t>(y) * stride;
        std::uint32_t* out = above + stride;
        for (int x = 0; x < w; ++x)
        {
            row += g[x];
            out[x + 1] = above[x + 1] + row;
        }
    }
}

// Disc against surround at (x, y) for radius r: a box of half side 0.6 r lies inside the disc, a
// ring between half sides 1.15 r and 1.6 r outside it, for radii within about 15 % of r.
float DiscContrast(const Integral& in, int x, int y, float r)
{
    const int a = std::max(1, static_cast<int>(0.6f * r + 0.5f));
    const int c = static_cast<int>(1.15f * r + 0.5f);
    const int b = std::max(c + 1, static_cast<int>(1.6f * r + 0.5f));
    int nIn = 0, nOuter = 0, nInner = 0;
    const double inner = in.Sum(x - a, y - a, x + a + 1, y + a + 1, nIn);
    const double outer = in.Sum(x - b, y - b, x + b + 1, y + b + 1, nOuter);
    const double hole = in.Sum(x - c, y - c, x + c + 1, y + c + 1, nInner);
    const int nRing = nOuter - nInner;
    // A surround mostly outside the picture says nothing.
    if (nIn == 0 || nRing * 4 < (4 * b * b - 4 * c * c))
        return 0.0f;
    return static_cast<float>(inner / nIn - (outer - hole) / nRing);
}

void FindCandidates(const Integral& in, std::vector<Candidate>& out, std::vector<float>& response)
{
    out.clear();
    for (float r = MinRadius; r <= MaxRadius; r *= RadiusStep)
    {
        const int step = std::max(2, static_cast<int>(r / 4.0f));
        const int gw = in.W / step, gh = in.H / step;
        if (gw < 3 || gh < 3)
            continue;
        response.assign(static_cast<std::size_t>(gw) * static_cast<std::size_t>(gh), 0.0f);
        const auto at = [&](int i, int j) -> float& {
            return response[static_cast<std::size_t>(j) * static_cast<std::size_t>(gw) +
                            static_cast<std::size_t>(i)];
        };
        for (int j = 0; j < gh; ++j)
            for (int i = 0; i < gw; ++i)
                at(i, j) = DiscContrast(in, i * step + step / 2, j * step + step / 2, r);
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
                        const float u = at(ni, nj);
                        // Ties go to the first in scan order.
                        if (v > 0 ? (u > v || (u == v && (dj < 0 || (dj == 0 && di < 0))))
                                  : (u < v || (u == v && (dj < 0 || (dj == 0 && di < 0)))))
                            extreme = false;
                    }
                if (extreme)
                    out.push_back({static_cast<float>(i * step + step / 2),
                                   static_cast<float>(j * step + step / 2), r, v});
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

// The edge locator on a crop around c, magnified so the ring spans about CropRadius pixels.
bool FitCandidate(const std::uint8_t* grey, int w, int h, const Candidate& c, TFibreRowScratch& s, Fit& fit)
{
    const float zoom = std::max(1.0f, CropRadius / c.R);
    const float half = 1.7f * c.R; // the crop's half side in picture pixels
    const float x0 = std::max(0.0f, c.X - half), y0 = std::max(0.0f, c.Y - half);
    const float x1 = std::min(static_cast<float>(w - 1), c.X + half);
    const float y1 = std::min(static_cast<float>(h - 1), c.Y + half);
    const int cw = static_cast<int>((x1 - x0) * zoom), ch = static_cast<int>((y1 - y0) * zoom);
    if (cw < 100 || ch < 100)
        return false;
    s.Crop.resize(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
    const float inv = 1.0f / zoom;
    for (int j = 0; j < ch; ++j)
    {
        const float y = std::min(y0 + static_cast<float>(j) * inv, static_cast<float>(h - 1));
        const int yi = std::min(static_cast<int>(y), h - 2);
        const float fy = y - static_cast<float>(yi);
        const std::uint8_t* r0 = grey + static_cast<std::size_t>(yi) * static_cast<std::size_t>(w);
        const std::uint8_t* r1 = r0 + w;
        std::uint8_t* out = s.Crop.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(cw);
        for (int i = 0; i < cw; ++i)
        {
            const float x = std::min(x0 + static_cast<float>(i) * inv, static_cast<float>(w - 1));
            const int xi = std::min(static_cast<int>(x), w - 2);
            const float fx = x - static_cast<float>(xi);
            const float top = static_cast<float>(r0[xi]) + (static_cast<float>(r0[xi + 1]) - r0[xi]) * fx;
            const float bottom = static_cast<float>(r1[xi]) + (static_cast<float>(r1[xi + 1]) - r1[xi]) * fx;
            out[i] = static_cast<std::uint8_t>(top + (bottom - top) * fy + 0.5f);
        }
    }
    const TEdgeLocation e = LocateFiberByEdge(s.Crop.data(), cw, ch, s.Edge);
    if (!e.Found)
        return false;
    TLocatedFibre& f = fit.Fibre;
    f.Centre = TPoint2D(x0 + e.Centre.X * inv, y0 + e.Centre.Y * inv);
    f.RadiusX = e.RadiusX * inv;
    f.RadiusY = e.RadiusY * inv;
    f.ArcSeen = e.ArcSeen;
    const float radius = 0.5f * (f.RadiusX + f.RadiusY);
    // The fit must be the candidate's disc: near its centre, of about its size, and round (a
    // tilted ferrule of 3 degrees keeps a fibre round to a thousandth).
    if (std::hypot(f.Centre.X - c.X, f.Centre.Y - c.Y) > 0.5f * c.R || radius < 0.7f * c.R ||
        radius > 1.45f * c.R || std::max(f.RadiusX, f.RadiusY) > 1.08f * std::min(f.RadiusX, f.RadiusY) ||
        radius < MinRadius - 1.0f)
        return false;
    // Wholly in view with a pixel to spare: the zones need every pixel of the cladding.
    f.WhollyInView = f.Centre.X - f.RadiusX >= 1.0f && f.Centre.Y - f.RadiusY >= 1.0f &&
                     f.Centre.X + f.RadiusX <= static_cast<float>(w - 2) &&
                     f.Centre.Y + f.RadiusY <= static_cast<float>(h - 2);
    fit.Quality = e.ArcSeen * std::abs(c.Contrast);
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
    const float rowPitch = layout.RowPitchUm / 62.5f * radius;
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
    const float nominal = pitchPixels;
    double sumUS = 0.0, sumSS = 0.0;
    for (int i : order)
    {
        const TPoint2D& p = fits[static_cast<std::size_t>(i)].Fibre.Centre;
        const float du = along(p) - along(origin);
        const float u = du / pitchPixels;
        const float v = (across(p) - across(origin)) / rowPitch;
        const float slot = std::round(u), rowStep = std::round(v);
        if (std::abs(du - slot * pitchPixels) > 0.2f * radius + 1.0f ||
            std::abs(v - rowStep) * rowPitch > 0.3f * radius + 1.0f ||
            std::abs(rowStep) >= static_cast<float>(std::max(layout.Rows, 1)))
            continue;
        placed.push_back({i, static_cast<int>(slot), static_cast<int>(rowStep)});
        if (slot != 0.0f)
        {
            sumUS += static_cast<double>(du) * slot;
            sumSS += static_cast<double>(slot) * slot;
            pitchPixels = std::clamp(static_cast<float>(sumUS / sumSS), 0.9f * nominal, 1.1f * nominal);
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
    FindCandidates(in, candidates, s.Response);

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
            if ((rb > 1.1f * ra && d < rb) || (j < i && d < 0.5f * std::min(ra, rb) && rb <= 1.1f * ra))
                fits[i].Inside = true;
        }
    }
    std::erase_if(fits, [](const Fit& f) { return f.Inside; });
    if (fits.empty())
        return out;

    // Groups of one size; the one arranged at the pitch with most fibres wins.
    std::vector<TLocatedFibre> best;
    float bestRadius = 0.0f, bestAngle = 0.0f, bestPitch = 0.0f;
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
        }
    }
    if (best.empty())
        return out;
    std::vector<float> scales;
    for (const TLocatedFibre& f : best)
        scales.push_back(f.UmPerPixel());
    std::nth_element(scales.begin(), scales.begin() + static_cast<std::ptrdiff_t>(scales.size() / 2),
                     scales.end());
    out.UmPerPixel = scales[scales.size() / 2];
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
