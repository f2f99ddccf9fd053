// The live assistant's analysis of one frame. The station's analysis runs unchanged, behind the
// same question every Check asks first (profiles/FiberLocation.h): is there a fiber to judge, and
// by which circle? So "fiber in view" here and the verdict of a Check on the same picture never
// disagree. Around it, one measure of ours:
// - focus: the mean squared central-difference gradient of the prepared grey image inside the
//   adhesive ring. The cladding edge and the core dominate it, so it falls steadily with blur
//   and hardly moves with a few defects. About one multiply-add per pixel of the ring.

#include "live/LiveAnalysis.h"

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "ferrule/FibreRowLocator.h"
#include "platform/TBitmap.h"
#include "profiles/CriteriaProfile.h"
#include "profiles/ProfileEvaluation.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

TLiveSettings TLiveSettings::From(const TFiberAnalyzer& a)
{
    TLiveSettings s;
    s.Mode = a.Mode;
    s.Thresholds[0] = a.LowerThreshold;
    s.Thresholds[1] = a.UpperThreshold;
    s.Thresholds[2] = a.CoreCladThreshold;
    s.Thresholds[3] = a.ContactThreshold;
    s.DefectPercents[0] = a.CoreDefectPercent;
    s.DefectPercents[1] = a.CladDefectPercent;
    std::copy(std::begin(a.SingleCriteria), std::end(a.SingleCriteria), s.SingleCriteria);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 2; ++c)
            s.MultiCriteria[r][c] = a.MultiCriteria[r][c];
    return s;
}

void TLiveSettings::ApplyTo(TFiberAnalyzer& a) const
{
    a.Mode = Mode;
    a.LowerThreshold = Thresholds[0];
    a.UpperThreshold = Thresholds[1];
    a.CoreCladThreshold = Thresholds[2];
    a.ContactThreshold = Thresholds[3];
    a.CoreDefectPercent = DefectPercents[0];
    a.CladDefectPercent = DefectPercents[1];
    std::copy(std::begin(SingleCriteria), std::end(SingleCriteria), a.SingleCriteria);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 2; ++c)
            a.MultiCriteria[r][c] = MultiCriteria[r][c];
}

TLocateMethod TLiveSettings::Method() const
{
    return MethodFor(Profile ? *Profile : ClassicProfile(), ClassicByEdge);
}

float FocusScore(const TFiberAnalyzer& a)
{
    const int w = a.ImageWidth;
    const int h = a.ImageHeight;
    if (w < 3 || h < 3 || a.GreyBuffer.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
        return 0.0f;
    const float r = a.ZoneRadius[3];
    const int y0 = std::clamp(static_cast<int>(a.Center.Y - r), 1, h - 2);
    const int y1 = std::clamp(static_cast<int>(a.Center.Y + r), 1, h - 2);
    const std::uint8_t* g = a.GreyBuffer.data();
    double sum = 0.0;
    long count = 0;
    for (int y = y0; y <= y1; ++y)
    {
        const float dy = static_cast<float>(y) - a.Center.Y;
        const float half = r * r - dy * dy;
        if (half <= 0.0f)
            continue;
        const float span = std::sqrt(half);
        const int x0 = std::clamp(static_cast<int>(a.Center.X - span), 1, w - 2);
        const int x1 = std::clamp(static_cast<int>(a.Center.X + span), 1, w - 2);
        const std::uint8_t* row = g + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        long rowSum = 0;
        for (int x = x0; x <= x1; ++x)
        {
            const int gx = row[x + 1] - row[x - 1];
            const int gy = row[x + w] - row[x - w];
            rowSum += gx * gx + gy * gy;
        }
        sum += static_cast<double>(rowSum);
        count += x1 - x0 + 1;
    }
    return count > 0 ? static_cast<float>(sum / static_cast<double>(count)) : 0.0f;
}

namespace
{
// The fibres of a multi-fibre frame, numbered as the Check will number them; nothing judged.
TLiveResult LocateFibres(TFiberAnalyzer& a, const TLiveSettings& settings, TFibreRowScratch& rows)
{
    TLiveResult r;
    r.ImageWidth = a.ImageWidth;
    r.ImageHeight = a.ImageHeight;
    r.Mode = a.Mode;
    r.MultiFibre = true;
    const TFerruleLayout& layout = settings.Profile->Ferrule;
    const TFibreRowLocation location =
        LocateFibreRow(a.GreyBuffer.data(), a.ImageWidth, a.ImageHeight, layout, rows);
    const std::vector<int> numbers = NumberFibres(location, layout, settings.FirstFibre);
    r.Overview = location.Kind == TMtViewKind::Overview;
    for (std::size_t i = 0; i < location.Fibres.size() && r.FibreCount < TLiveResult::MaxFibres; ++i)
    {
        const TLocatedFibre& f = location.Fibres[i];
        TLiveResult::TFibre& out = r.Fibres[static_cast<std::size_t>(r.FibreCount++)];
        out.Centre = f.Centre;
        out.Radius = 0.5f * (f.RadiusX + f.RadiusY);
        out.Number = numbers[i];
        out.Whole = f.WhollyInView;
        if (out.Whole && out.Number > 0 && !r.FiberInView)
        {
            // The first whole fibre stands for the view: its centre, its zones, its focus.
            r.FiberInView = true;
            r.UmPerPixel = f.UmPerPixel();
            SetCladdingCircle(a, f.Centre, out.Radius);
            r.Center = a.Center;
            std::copy(std::begin(a.ZoneRadius), std::end(a.ZoneRadius), r.ZoneRadius);
            r.Focus = FocusScore(a);
        }
    }
    return r;
}
} // namespace

TLiveResult AnalyseLiveFrame(TFiberAnalyzer& a, const TLiveSettings& settings, const TBitmap& frame,
                             TBitmap& scaled, TEdgeLocatorScratch& edges, TFibreRowScratch* rows)
{
    settings.ApplyTo(a);
    const TBitmap* input = &frame;
    if (frame.Width() > AnalysisWidth || frame.Height() > AnalysisHeight)
    {
        if (scaled.Width() != AnalysisWidth || scaled.Height() != AnalysisHeight)
            scaled.SetSize(AnalysisWidth, AnalysisHeight);
        QPainter painter(&scaled.Image());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRect(0, 0, AnalysisWidth, AnalysisHeight), frame.Image());
        input = &scaled;
    }
    a.SetCapturedImage(*input);
    a.PrepareImage();
    if (settings.Profile && settings.Profile->Ferrule.MultiFibre())
        return rows ? LocateFibres(a, settings, *rows) : TLiveResult{};
    a.LocateFiber();
    const TFiberLocation location = CheckLocation(a, edges, settings.Method());

    TLiveResult r;
    r.ImageWidth = a.ImageWidth;
    r.ImageHeight = a.ImageHeight;
    r.Mode = a.Mode;
    r.Center = a.Center;
    std::copy(std::begin(a.ZoneRadius), std::end(a.ZoneRadius), r.ZoneRadius);
    r.FiberInView = location.Judges();
    r.NotWhollyInView = location.Outcome == TFiberOutcome::NotWhollyInView;
    r.Caution = location.Caution();
    if (!r.FiberInView)
        return r;
    r.Focus = FocusScore(a);
    a.DetectDefects();
    if (settings.Profile)
    {
        const TProfileResult p = EvaluateProfile(a, *settings.Profile);
        r.TrueSize = true;
        r.UmPerPixel = p.UmPerPixel;
        r.Pass = p.Pass;
        for (std::size_t z = 0; z < p.Zones.size() && z < 32; ++z)
            r.FailedZones |= p.Zones[z].Pass ? 0u : 1u << z;
        return r;
    }
    r.Pass = a.EvaluateAcceptance();
    for (int z = 0; z < 3; ++z)
    {
        r.ZonePass[z] = a.ZoneVerdicts[z] == "Pass";
        r.ZoneFindings[z] = std::clamp(a.FindingCount[z], 0, TFiberAnalyzer::ListCapacity);
    }
    return r;
}
