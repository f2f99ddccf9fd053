// Which circle judges, and whether anything is judged at all (see FiberLocation.h). The edge
// locator costs well under a millisecond and runs once per analysis, on the prepared picture the
// engine located on, so both circles are in the same pixels.

#include "profiles/FiberLocation.h"

#include "analysis/TFiberAnalyzer.h"
#include "profiles/CriteriaProfile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

const char* const NoFiberVerdict = "No fiber";
const char* const NotInViewVerdict = "Not in view";
const char* const UncertainCaution = "Fiber edge uncertain: centre the fiber, or drag the zones onto it";

namespace
{
// The engine's zone diameters over its scale (LocateFiber): a cladding radius r gives
// ZoneScale = r * 0.008.
constexpr float Diameters[5] = {25.0f, 65.0f, 118.0f, 132.0f, 250.0f};

} // namespace

bool CirclesDiffer(const TFiberLocation& l)
{
    if (!l.Edge.Found || l.RayZoneScale <= 0.0f)
        return false;
    const float tolerance =
        std::max(TFiberLocation::TolerancePixels, TFiberLocation::ToleranceShare * l.EdgeRadius());
    const float apart = std::hypot(l.RayCentre.X - l.Edge.Centre.X, l.RayCentre.Y - l.Edge.Centre.Y);
    return !(apart <= tolerance) || !(std::abs(l.RayRadius() - l.EdgeRadius()) <= tolerance);
}

const char* LocateMethodName(TLocateMethod method)
{
    switch (method)
    {
    case TLocateMethod::Rays:
        return "rays";
    case TLocateMethod::Edges:
        return "edges";
    case TLocateMethod::Manual:
        return "manual";
    }
    return "?";
}

std::string NoVerdictReason(const TFiberLocation& location)
{
    switch (location.Outcome)
    {
    case TFiberOutcome::Judged:
        return {};
    case TFiberOutcome::NotWhollyInView:
        return "Fiber not wholly in view: centre it";
    case TFiberOutcome::NoFiber:
        break;
    }
    switch (location.Edge.Reason)
    {
    case TNoFiberReason::PictureTooSmall:
        return "No fiber: the picture is too small to hold one";
    case TNoFiberReason::NoEdges:
        return "No fiber: nothing in the picture has an edge (scope capped, or far out of focus?)";
    case TNoFiberReason::PoorFit:
        return "No fiber: the round edge in view is not a whole cladding";
    case TNoFiberReason::NoRing:
    case TNoFiberReason::None:
        break;
    }
    return "No fiber: no cladding edge in the picture";
}

const char* NoVerdictText(const TFiberLocation& location)
{
    return location.Outcome == TFiberOutcome::NotWhollyInView ? NotInViewVerdict : NoFiberVerdict;
}

TLocateMethod MethodFor(const TCriteriaProfile& profile, bool classicByEdge)
{
    return profile.Classic && !classicByEdge ? TLocateMethod::Rays : TLocateMethod::Edges;
}

TFiberLocation CheckLocation(TFiberAnalyzer& a, TEdgeLocatorScratch& scratch, TLocateMethod method)
{
    TFiberLocation l;
    l.RayCentre = a.Center;
    l.RayZoneScale = a.ZoneScale;
    std::copy(std::begin(a.ZoneRadius), std::end(a.ZoneRadius), l.RayZoneRadius);
    const std::size_t pixels = static_cast<std::size_t>(std::max(a.ImageWidth, 0)) *
                               static_cast<std::size_t>(std::max(a.ImageHeight, 0));
    if (pixels > 0 && a.GreyBuffer.size() >= pixels)
        l.Edge = LocateFiberByEdge(a.GreyBuffer.data(), a.ImageWidth, a.ImageHeight, scratch);
    else
        l.Edge.Reason = TNoFiberReason::PictureTooSmall;
    l.Differ = CirclesDiffer(l);
    ApplyMethod(a, l, method);
    return l;
}

void SetCladdingCircle(TFiberAnalyzer& a, TPoint2D centre, float claddingRadius)
{
    a.Center = centre;
    a.ZoneScale = claddingRadius * 0.008f;
    for (int k = 0; k < 5; ++k)
        a.ZoneRadius[k] = Diameters[k] * a.ZoneScale;
}

void ApplyMethod(TFiberAnalyzer& a, TFiberLocation& l, TLocateMethod method)
{
    l.Method = method;
    // The operator's circle judges what was judged before; a picture without a fiber stays so.
    if (method == TLocateMethod::Manual)
    {
        if (l.Outcome != TFiberOutcome::NoFiber)
            l.Outcome = TFiberOutcome::Judged;
        return;
    }
    if (!l.Edge.Found)
    {
        l.Outcome = TFiberOutcome::NoFiber;
        return;
    }
    l.Outcome = TFiberOutcome::Judged;
    switch (method)
    {
    case TLocateMethod::Rays:
        a.Center = l.RayCentre;
        a.ZoneScale = l.RayZoneScale;
        std::copy(std::begin(l.RayZoneRadius), std::end(l.RayZoneRadius), a.ZoneRadius);
        break;
    case TLocateMethod::Edges:
        SetCladdingCircle(a, l.Edge.Centre, l.EdgeRadius());
        if (!l.Edge.WhollyInPicture)
            l.Outcome = TFiberOutcome::NotWhollyInView;
        break;
    case TLocateMethod::Manual:
        break; // above
    }
}

TFiberLocation AnalyzeLocated(TFiberAnalyzer& a, TEdgeLocatorScratch& scratch, TLocateMethod method)
{
    a.PrepareImage();
    a.LocateFiber();
    TFiberLocation l = CheckLocation(a, scratch, method);
    if (l.Judges())
        a.DetectDefects();
    return l;
}
