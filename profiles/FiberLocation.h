#pragma once
// Whether a picture holds a fiber to judge, and which circle judges it. The engine's own location
// (four rays from the picture's centre) always reports a circle; the edge locator says whether
// there is a fiber at all and where its cladding lies. Every judgement asks here first:
//  - no fiber found by its edge: no verdict;
//  - the edge circle judges (true-size profiles, or the user's choice for the classic one): a
//    cladding cut by the frame gets no verdict, since its zones cannot all be inspected;
//  - the rays judge (the classic profile): their circle stays, bit for bit, and a caution is
//    raised when the edge circle lies elsewhere.
// Reads and sets only the analyzer's centre and zone radii, between LocateFiber and detection.

#include "analysis/EdgeLocator.h"

#include <string>

class TFiberAnalyzer;
struct TCriteriaProfile;

enum class TLocateMethod
{
    Rays,   // the engine's location
    Edges,  // the edge locator's cladding
    Manual, // the operator dragged the zones
};
const char* LocateMethodName(TLocateMethod method); // "rays", "edges", "manual"

enum class TFiberOutcome
{
    Judged,          // a fiber, judged with the method's circle
    NoFiber,         // the edge locator found none
    NotWhollyInView, // the judging edge circle is cut by the picture's border
};

struct TFiberLocation
{
    // The circles differ when centres or radii are further apart than the larger of these.
    static constexpr float TolerancePixels = 3.0f;
    static constexpr float ToleranceShare = 0.03f;

    TLocateMethod Method = TLocateMethod::Rays;
    TFiberOutcome Outcome = TFiberOutcome::Judged;
    TEdgeLocation Edge;
    // The engine's located circle as LocateFiber left it, kept so that either circle can be put
    // back exactly when the method changes.
    TPoint2D RayCentre;
    float RayZoneScale = 0.0f;
    float RayZoneRadius[5] = {};
    bool Differ = false; // both circles known and apart beyond the tolerance

    bool Judges() const { return Outcome == TFiberOutcome::Judged; }
    // The rays judge a circle that the edge locator places elsewhere.
    bool Caution() const { return Judges() && Method == TLocateMethod::Rays && Differ; }
    float RayRadius() const { return RayZoneScale * 125.0f; }
    float EdgeRadius() const { return 0.5f * (Edge.RadiusX + Edge.RadiusY); }
    // Whether a record or report should carry the edge location beside the engine's circle: it
    // says something beyond the rays' circle.
    bool Noteworthy() const { return Method != TLocateMethod::Rays || !Judges() || Differ; }
};

// Whether both circles are known and apart beyond the tolerance (what Differ holds).
bool CirclesDiffer(const TFiberLocation& location);

// The texts shown on the picture and beside the verdict.
extern const char* const NoFiberVerdict;   // "No fiber"
extern const char* const NotInViewVerdict; // "Not in view"
extern const char* const UncertainCaution; // "Fiber edge uncertain: ..."
// Why a picture has no verdict, for the picture and the log; empty when it has one.
std::string NoVerdictReason(const TFiberLocation& location);
// What stands in place of the verdict: NotInViewVerdict for a cut cladding, else NoFiberVerdict.
const char* NoVerdictText(const TFiberLocation& location);

// The method a profile judges with: true-size profiles by the edge; the classic one by the rays
// unless the user chose the edge.
TLocateMethod MethodFor(const TCriteriaProfile& profile, bool classicByEdge);

// After PrepareImage and LocateFiber: runs the edge locator on the prepared picture, compares
// the circles and applies method (see ApplyMethod).
TFiberLocation CheckLocation(TFiberAnalyzer& analyzer, TEdgeLocatorScratch& scratch, TLocateMethod method);

// Puts a cladding circle into the analyzer: its centre, ZoneScale (the radius over 125) and the
// zone radii the engine derives from it, as the edge locator's circle is put when it judges.
void SetCladdingCircle(TFiberAnalyzer& analyzer, TPoint2D centre, float claddingRadius);

// Puts method's circle into the analyzer's centre and zone radii and sets the outcome. Rays
// restore the engine's values exactly; Manual keeps what the analyzer holds, and judges unless
// the picture has no fiber.
void ApplyMethod(TFiberAnalyzer& analyzer, TFiberLocation& location, TLocateMethod method);

// PrepareImage, LocateFiber, CheckLocation, and the detection when the outcome is a judgement.
// With the rays judging a found fiber, the analyzer ends as Analyze() leaves it.
TFiberLocation AnalyzeLocated(TFiberAnalyzer& analyzer, TEdgeLocatorScratch& scratch, TLocateMethod method);
