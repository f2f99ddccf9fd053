#include "tools/MtFaceGenerator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// The ferrule's turn as its cosine and sine.
struct Turn
{
    float C = 1.0f, S = 0.0f;
};

// By their series rather than the C library's, whose last bits differ between libraries: the
// same tilt must give the same pixels everywhere.
Turn TurnOf(const MtFaceRecipe& r)
{
    const double a =
        std::remainder(static_cast<double>(r.TiltDegrees), 360.0) * 3.14159265358979323846 / 180.0;
    double c = 0.0, s = 0.0, term = 1.0;
    for (int k = 0; k < 30; ++k)
    {
        (k % 2 == 0 ? c : s) += term;
        term *= (k % 2 == 0 ? a : -a) / static_cast<double>(k + 1);
    }
    return {static_cast<float>(c), static_cast<float>(s)};
}

// An offset in ferrule um as an offset in pixels.
MtPointUm ToPixels(const MtFaceRecipe& r, const Turn& t, float dx, float dy)
{
    return {(dx * t.C - dy * t.S) / r.UmPerPixel, (dx * t.S + dy * t.C) / r.UmPerPixel};
}

std::size_t At(int x, int y, int w)
{
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
}

// Every pixel of the picture whose centre lies within radius of (cx, cy): set(index, squared
// distance).
template <typename Set> void ForDisc(int w, int h, float cx, float cy, float radius, Set set)
{
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - radius)));
    const int x1 = std::min(w - 1, static_cast<int>(std::ceil(cx + radius)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - radius)));
    const int y1 = std::min(h - 1, static_cast<int>(std::ceil(cy + radius)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
        {
            const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
            const float d2 = dx * dx + dy * dy;
            if (d2 <= radius * radius)
                set(At(x, y, w), d2);
        }
}

float SegmentDistance(float px, float py, float x0, float y0, float x1, float y1)
{
    const float vx = x1 - x0, vy = y1 - y0;
    const float len2 = vx * vx + vy * vy;
    float t = len2 > 0.0f ? ((px - x0) * vx + (py - y0) * vy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = px - (x0 + t * vx), dy = py - (y0 + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}

bool ValidFibre(const MtFaceRecipe& r, int number)
{
    return number >= 1 && number <= r.FibresPerRow * r.Rows;
}

// Distance of size from the nearest finite bound of the zone's rows of `kind`.
float ClassMargin(const TProfileZone& zone, FindingClass kind, float size)
{
    float margin = std::numeric_limits<float>::infinity();
    for (const TProfileRule& rule : zone.Rules)
    {
        if (rule.Kind != kind)
            continue;
        for (const float bound : {rule.Low, rule.High})
            if (std::isfinite(bound) && bound > 0.0f)
                margin = std::min(margin, std::fabs(size - bound));
    }
    return margin;
}
} // namespace

float MtGuideOffsetUm(int fibresPerRow)
{
    return fibresPerRow > 12 ? 2650.0f : 2300.0f;
}

MtPointUm MtFibrePosition(const MtFaceRecipe& recipe, int number)
{
    const int row = (number - 1) / std::max(recipe.FibresPerRow, 1);
    const int slot = (number - 1) % std::max(recipe.FibresPerRow, 1);
    return {(static_cast<float>(slot) - 0.5f * static_cast<float>(recipe.FibresPerRow - 1)) * recipe.PitchUm,
            (static_cast<float>(row) - 0.5f * static_cast<float>(recipe.Rows - 1)) * recipe.RowPitchUm};
}

void CentreOnFibre(MtFaceRecipe& recipe, int number, float along)
{
    const MtPointUm p = MtFibrePosition(recipe, number);
    recipe.CentreXUm = p.X + along * recipe.PitchUm;
    recipe.CentreYUm = p.Y;
}

MtFaceRecipe MtOverview(int fibresPerRow, int rows)
{
    MtFaceRecipe r;
    r.FibresPerRow = fibresPerRow;
    r.Rows = rows;
    r.GuideOffsetUm = MtGuideOffsetUm(fibresPerRow);
    const float span = static_cast<float>(fibresPerRow - 1) * r.PitchUm + 2.0f * r.CladdingRadiusUm;
    // The row and a margin of a twelfth of the picture on either side.
    r.UmPerPixel = std::max(5.0f, span / (static_cast<float>(r.Width) * 5.0f / 6.0f));
    r.CoreRadiusUm = 0.0f;
    return r;
}

MtFaceRecipe MtFibreView(float umPerPixel, int firstFibre, int fibresPerRow, int rows)
{
    MtFaceRecipe r;
    r.FibresPerRow = fibresPerRow;
    r.Rows = rows;
    r.GuideOffsetUm = MtGuideOffsetUm(fibresPerRow);
    r.UmPerPixel = umPerPixel;
    // The first fibre's cladding 8 pixels inside the left edge.
    const float halfWidthUm = 0.5f * static_cast<float>(r.Width) * umPerPixel;
    CentreOnFibre(r, firstFibre);
    r.CentreXUm += halfWidthUm - r.CladdingRadiusUm - 8.0f * umPerPixel;
    return r;
}

MtPointUm MtPixelOf(const MtFaceRecipe& recipe, MtPointUm ferrule)
{
    const MtPointUm d =
        ToPixels(recipe, TurnOf(recipe), ferrule.X - recipe.CentreXUm, ferrule.Y - recipe.CentreYUm);
    return {static_cast<float>(recipe.Width / 2) + d.X, static_cast<float>(recipe.Height / 2) + d.Y};
}

const char* MtInViewName(MtInView where)
{
    switch (where)
    {
    case MtInView::Wholly:
        return "wholly";
    case MtInView::Partly:
        return "partly";
    case MtInView::Not:
        break;
    }
    return "not";
}

int MtFaceTruth::WhollyInView() const
{
    return static_cast<int>(std::count_if(
        Fibres.begin(), Fibres.end(), [](const MtFibreTruth& f) { return f.InView == MtInView::Wholly; }));
}

int MtFaceTruth::FirstWholeFibre() const
{
    const MtFibreTruth* first = nullptr;
    for (const MtFibreTruth& f : Fibres)
        if (f.InView == MtInView::Wholly &&
            (!first || f.Row < first->Row || (f.Row == first->Row && f.Slot < first->Slot)))
            first = &f;
    return first ? first->Number : 0;
}

MtFaceTruth MtTruthOf(const MtFaceRecipe& recipe)
{
    MtFaceTruth truth;
    truth.UmPerPixel = recipe.UmPerPixel;
    truth.RadiusPx = recipe.CladdingRadiusUm / recipe.UmPerPixel;
    if (!recipe.Fibres)
        return truth;
    // The picture spans pixel centres 0 .. Width - 1; a pixel whose centre lies on the circle
    // still belongs to the disc.
    const float right = static_cast<float>(recipe.Width - 1), bottom = static_cast<float>(recipe.Height - 1);
    for (int n = 1; n <= recipe.FibresPerRow * recipe.Rows; ++n)
    {
        MtFibreTruth f;
        f.Number = n;
        f.Row = (n - 1) / recipe.FibresPerRow;
        f.Slot = (n - 1) % recipe.FibresPerRow;
        const MtPointUm p = MtPixelOf(recipe, MtFibrePosition(recipe, n));
        f.X = p.X;
        f.Y = p.Y;
        f.RadiusPx = truth.RadiusPx;
        const float inside = std::min({f.X, f.Y, right - f.X, bottom - f.Y});
        f.EdgeMarginPx = inside - f.RadiusPx;
        // The disc reaches the picture when its centre, clamped into the picture, lies within it.
        const float nx = std::clamp(f.X, 0.0f, right), ny = std::clamp(f.Y, 0.0f, bottom);
        const bool reaches = std::hypot(nx - f.X, ny - f.Y) <= f.RadiusPx;
        f.InView = f.EdgeMarginPx >= 0.0f ? MtInView::Wholly : reaches ? MtInView::Partly : MtInView::Not;
        truth.Fibres.push_back(f);
    }
    return truth;
}

std::vector<MtFibreExpectation> MtExpectedVerdicts(const MtFaceRecipe& recipe,
                                                   const TCriteriaProfile& profile)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<MtFibreExpectation> out;
    const int fibres = recipe.Fibres ? recipe.FibresPerRow * recipe.Rows : 0;
    for (int n = 1; n <= fibres; ++n)
        out.push_back({n, true, 0, inf, inf});
    // Per fibre, per zone, per row: the count.
    std::vector<std::vector<std::vector<int>>> counts(out.size(),
                                                      std::vector<std::vector<int>>(profile.Zones.size()));
    for (auto& fibre : counts)
        for (std::size_t z = 0; z < profile.Zones.size(); ++z)
            fibre[z].assign(profile.Zones[z].Rules.size(), 0);

    // A finding of `kind` and `size` whose extent from the fibre centre is [near, far] um; a
    // defect counts where its centre lies, a scratch wherever it reaches. A defect is clear of a
    // zone boundary when its whole disc is; a scratch when its nearest and farthest points are.
    const auto add = [&](int number, FindingClass kind, float size, float centre, float nearUm, float farUm) {
        if (number < 1 || number > fibres)
            return;
        MtFibreExpectation& e = out[static_cast<std::size_t>(number - 1)];
        e.Findings += 1;
        for (std::size_t z = 0; z < profile.Zones.size(); ++z)
        {
            const TProfileZone& zone = profile.Zones[z];
            const float inner = zone.InnerDiameter / 2.0f, outer = zone.OuterDiameter / 2.0f;
            for (const float boundary : {inner, outer})
            {
                if (boundary <= 0.0f)
                    continue;
                const float clear = kind == FindingClass::Defect
                                        ? std::fabs(centre - boundary) - size / 2.0f
                                        : std::min(std::fabs(nearUm - boundary), std::fabs(farUm - boundary));
                e.ZoneMarginUm = std::min(e.ZoneMarginUm, clear);
            }
            const bool countsHere = kind == FindingClass::Defect ? centre >= inner && centre < outer
                                                                 : nearUm < outer && farUm >= inner;
            if (!countsHere)
                continue;
            e.SizeMarginUm = std::min(e.SizeMarginUm, ClassMargin(zone, kind, size));
            for (std::size_t k = 0; k < zone.Rules.size(); ++k)
                if (zone.Rules[k].Kind == kind && zone.Rules[k].Contains(size))
                    counts[static_cast<std::size_t>(number - 1)][z][k] += 1;
        }
    };
    for (const MtDefect& d : recipe.Defects)
    {
        const float centre = std::hypot(d.X, d.Y);
        add(d.Fibre, FindingClass::Defect, d.DiameterUm, centre, std::max(0.0f, centre - d.DiameterUm / 2.0f),
            centre + d.DiameterUm / 2.0f);
    }
    for (const MtScratch& s : recipe.Scratches)
    {
        const float half = s.WidthUm / 2.0f;
        const float nearUm = std::max(0.0f, SegmentDistance(0.0f, 0.0f, s.X0, s.Y0, s.X1, s.Y1) - half);
        const float farUm = std::max(std::hypot(s.X0, s.Y0), std::hypot(s.X1, s.Y1)) + half;
        add(s.Fibre, FindingClass::Scratch, s.WidthUm, nearUm, nearUm, farUm);
    }
    for (std::size_t f = 0; f < out.size(); ++f)
        for (std::size_t z = 0; z < profile.Zones.size(); ++z)
            for (std::size_t k = 0; k < profile.Zones[z].Rules.size(); ++k)
                if (counts[f][z][k] > profile.Zones[z].Rules[k].Limit)
                    out[f].Pass = false;
    return out;
}

TBitmap MakeMtFace(const MtFaceRecipe& recipe)
{
    const int w = recipe.Width, h = recipe.Height;
    const Turn turn = TurnOf(recipe);
    const float s = recipe.UmPerPixel;
    std::vector<int> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), recipe.Ferrule);

    if (recipe.Guide >= 0)
        for (const float side : {-1.0f, 1.0f})
        {
            const MtPointUm c = MtPixelOf(recipe, {side * recipe.GuideOffsetUm, 0.0f});
            ForDisc(w, h, c.X, c.Y, recipe.GuideDiameterUm / 2.0f / s,
                    [&](std::size_t i, float) { grey[i] = recipe.Guide; });
        }

    const MtFaceTruth truth = MtTruthOf(recipe);
    const float core2 = (recipe.CoreRadiusUm / s) * (recipe.CoreRadiusUm / s);
    for (const MtFibreTruth& f : truth.Fibres)
        ForDisc(w, h, f.X, f.Y, f.RadiusPx,
                [&](std::size_t i, float d2) { grey[i] = d2 < core2 ? recipe.Core : recipe.Cladding; });

    const auto fibreCentre = [&](int number) { return MtPixelOf(recipe, MtFibrePosition(recipe, number)); };
    for (const MtScratch& sc : recipe.Scratches)
    {
        if (!recipe.Fibres || !ValidFibre(recipe, sc.Fibre))
            continue;
        const MtPointUm c = fibreCentre(sc.Fibre);
        const MtPointUm a = ToPixels(recipe, turn, sc.X0, sc.Y0), b = ToPixels(recipe, turn, sc.X1, sc.Y1);
        const float x0 = c.X + a.X, y0 = c.Y + a.Y, x1 = c.X + b.X, y1 = c.Y + b.Y;
        const float half = sc.WidthUm / s / 2.0f;
        const int left = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - half)));
        const int right = std::min(w - 1, static_cast<int>(std::ceil(std::max(x0, x1) + half)));
        const int top = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - half)));
        const int bottom = std::min(h - 1, static_cast<int>(std::ceil(std::max(y0, y1) + half)));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                if (SegmentDistance(static_cast<float>(x), static_cast<float>(y), x0, y0, x1, y1) <= half)
                    grey[At(x, y, w)] += sc.Step;
    }
    for (const MtDefect& d : recipe.Defects)
    {
        if (!recipe.Fibres || !ValidFibre(recipe, d.Fibre))
            continue;
        const MtPointUm c = fibreCentre(d.Fibre);
        const MtPointUm o = ToPixels(recipe, turn, d.X, d.Y);
        ForDisc(w, h, c.X + o.X, c.Y + o.Y, d.DiameterUm / s / 2.0f,
                [&](std::size_t i, float) { grey[i] = d.Grey; });
    }

    if (recipe.Blur > 0.0f)
        BlurGreyLevels(grey, w, h, recipe.Blur);

    TEndFaceRandom random(recipe.Seed);
    TBitmap bitmap(w, h);
    for (int y = 0; y < h; ++y)
    {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x)
        {
            const auto v = static_cast<std::uint8_t>(
                std::clamp(grey[At(x, y, w)] + random.Symmetric(recipe.Noise), 0, 255));
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
        }
    }
    return bitmap;
}
