// Each whole fibre is judged on a crop of the prepared picture around it, by an analyzer of its
// own: the engine's detection and the profiles' true sizes see the fibre's disc and a margin of
// sixteen pixels. Detection is confined to the disc of 118 um, which holds zones A and B, by the
// analyzer's zone radii (the contact ring is left empty), so a neighbour's pixels, 187 um from
// the centre at the standard pitch, never count, whatever the crop holds of them.

#include "ferrule/FibreJudgement.h"

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "profiles/FiberLocation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr int Margin = 16; // the engine's probes reach 5 pixels and its scratch margin 10

void UseSettingsOf(const TFiberAnalyzer& from, TFiberAnalyzer& to, int mode)
{
    to.Mode = mode;
    to.LowerThreshold = from.LowerThreshold;
    to.UpperThreshold = from.UpperThreshold;
    to.CoreCladThreshold = from.CoreCladThreshold;
    to.ContactThreshold = from.ContactThreshold;
    to.CoreDefectPercent = from.CoreDefectPercent;
    to.CladDefectPercent = from.CladDefectPercent;
}

void EnsureRasters(TFiberAnalyzer& a, int w, int h)
{
    if (!a.SourceRaster || a.SourceRaster->Bitmap->Width() != w || a.SourceRaster->Bitmap->Height() != h)
    {
        a.SourceRaster = std::make_unique<TLumarcRaster>(w, h);
        a.WorkRaster = std::make_unique<TLumarcRaster>(w, h);
    }
}

// Judges (or, in an overview, measures) one whole fibre; colours its findings into the
// analyzer's working image.
TProfileResult JudgeFibre(TFiberAnalyzer& a, TFiberAnalyzer& sub, const TCriteriaProfile& profile,
                          const TLocatedFibre& f)
{
    const TBitmap& source = *a.SourceRaster->Bitmap;
    TBitmap& work = *a.WorkRaster->Bitmap;
    const int w = source.Width(), h = source.Height();
    const float radius = 0.5f * (f.RadiusX + f.RadiusY);
    const float reach = 118.0f / 125.0f * radius + static_cast<float>(Margin); // the engine's cladding zone
    const int x0 = std::max(0, static_cast<int>(std::floor(f.Centre.X - reach)));
    const int y0 = std::max(0, static_cast<int>(std::floor(f.Centre.Y - reach)));
    const int x1 = std::min(w, static_cast<int>(std::ceil(f.Centre.X + reach)) + 1);
    const int y1 = std::min(h, static_cast<int>(std::ceil(f.Centre.Y + reach)) + 1);
    const int cw = x1 - x0, ch = y1 - y0;
    EnsureRasters(sub, cw, ch);
    // The crop of the picture as its preparation left it (the working image grey, GreyBuffer
    // filtered and stretched): the same bytes a preparation of the crop gives inside its one-pixel
    // border, and the source beside them for the true sizes' own look at scratches.
    sub.ImageWidth = cw;
    sub.ImageHeight = ch;
    sub.GreyBuffer.resize(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
    for (int y = 0; y < ch; ++y)
    {
        const std::size_t from = 3 * static_cast<std::size_t>(x0), bytes = 3 * static_cast<std::size_t>(cw);
        std::memcpy(sub.SourceRaster->Bitmap->ScanLine(y), source.ScanLine(y0 + y) + from, bytes);
        std::memcpy(sub.WorkRaster->Bitmap->ScanLine(y), work.ScanLine(y0 + y) + from, bytes);
        std::memcpy(sub.GreyBuffer.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(cw),
                    a.GreyBuffer.data() + static_cast<std::size_t>(y0 + y) * static_cast<std::size_t>(w) + x0,
                    static_cast<std::size_t>(cw));
    }
    SetCladdingCircle(sub, TPoint2D(f.Centre.X - static_cast<float>(x0), f.Centre.Y - static_cast<float>(y0)),
                      radius);
    sub.ZoneRadius[3] = sub.ZoneRadius[4] = sub.ZoneRadius[2];
    sub.DetectDefects();
    const TFibreScale scale{sub.Center, f.UmPerPixel()};
    TProfileResult result = CountFindings(profile, MeasureFindings(sub, scale), scale.UmPerPixel);
    for (TMeasuredFinding& m : result.Findings)
    {
        m.CentreX += static_cast<float>(x0);
        m.CentreY += static_cast<float>(y0);
    }
    // The findings' colours into the picture's working image; the rest of the crop is the same
    // grey the picture's own preparation wrote.
    for (int y = 0; y < ch; ++y)
        std::memcpy(work.ScanLine(y0 + y) + 3 * static_cast<std::size_t>(x0),
                    sub.WorkRaster->Bitmap->ScanLine(y), 3 * static_cast<std::size_t>(cw));
    return result;
}
} // namespace

const char* FibreOutcomeName(TFibreOutcome outcome)
{
    switch (outcome)
    {
    case TFibreOutcome::Judged:
        return "judged";
    case TFibreOutcome::Located:
        return "located";
    case TFibreOutcome::NotInView:
        break;
    }
    return "not in view";
}

bool TMtCheck::AnyJudged() const
{
    return std::any_of(Fibres.begin(), Fibres.end(), [](const TFibreResult& f) { return f.Judged(); });
}

std::string TMtCheck::NoVerdictReason() const
{
    if (AnyJudged())
        return {};
    switch (Location.Kind)
    {
    case TMtViewKind::None:
        return NoFiberVerdict;
    case TMtViewKind::Overview:
        return "Overview: certifies nothing";
    case TMtViewKind::FibreView:
        break;
    }
    for (const TFibreResult& f : Fibres)
        if (f.Where.WhollyInView && f.Number == 0)
            return "Fibres outside the connector";
    return NotInViewVerdict;
}

TMtCheck CheckFibres(TFiberAnalyzer& a, const TCriteriaProfile& profile, int firstFibre, TFibreRowScratch& s)
{
    TMtCheck check;
    const std::size_t pixels = static_cast<std::size_t>(std::max(a.ImageWidth, 0)) *
                               static_cast<std::size_t>(std::max(a.ImageHeight, 0));
    if (pixels == 0 || a.GreyBuffer.size() < pixels || !a.SourceRaster || !a.WorkRaster ||
        a.SourceRaster->Bitmap->Width() != a.ImageWidth ||
        a.SourceRaster->Bitmap->Height() != a.ImageHeight || a.WorkRaster->Bitmap->Width() != a.ImageWidth ||
        a.WorkRaster->Bitmap->Height() != a.ImageHeight)
        return check;
    check.Location = LocateFibreRow(a.GreyBuffer.data(), a.ImageWidth, a.ImageHeight, profile.Ferrule, s);
    const std::vector<int> numbers = NumberFibres(check.Location, profile.Ferrule, firstFibre);
    if (!s.FibreAnalyzer)
        s.FibreAnalyzer = std::make_unique<TFiberAnalyzer>();
    TFiberAnalyzer& sub = *s.FibreAnalyzer;
    UseSettingsOf(a, sub, profile.FiberMode == 1 ? 1 : 0);
    for (std::size_t i = 0; i < check.Location.Fibres.size(); ++i)
    {
        TFibreResult r;
        r.Number = numbers[i];
        r.Where = check.Location.Fibres[i];
        if (r.Where.WhollyInView && r.Number > 0)
        {
            r.Outcome = check.Location.Kind == TMtViewKind::FibreView ? TFibreOutcome::Judged
                                                                      : TFibreOutcome::Located;
            r.Result = JudgeFibre(a, sub, profile, r.Where);
            SetCladdingCircle(a, r.Where.Centre, 0.5f * (r.Where.RadiusX + r.Where.RadiusY));
        }
        else
            r.Outcome = TFibreOutcome::NotInView;
        check.Fibres.push_back(std::move(r));
    }
    return check;
}
