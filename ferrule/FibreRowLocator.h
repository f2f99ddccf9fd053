#pragma once
// Every fibre of a multi-fibre (MT) ferrule in one picture. A fibre view (about 0.4 to 1.0 um a
// pixel) holds one to three whole fibres and can certify them; an overview (several um a pixel)
// holds a whole row, enough to number the fibres and see gross contamination, never to certify.
// The picture's kind follows from the fibres' own size in pixels: the 125 um cladding gives each
// fibre its scale.
//
// Method (see FibreRowLocator.cpp): candidate discs from a box-filter contrast at every radius a
// cladding can have, each candidate's cladding edge fitted on rays as the edge locator fits a
// single fibre's, then one size kept whose fibres lie on rows at the layout's pitch (guide-pin
// holes and dust neither repeat at the pitch nor outnumber the fibres), ordered along the rows.
#include "analysis/EdgeLocator.h"
#include "analysis/TPoint2D.h"
#include "profiles/CriteriaProfile.h"

#include <cstdint>
#include <memory>
#include <vector>

class TFiberAnalyzer;

enum class TMtViewKind
{
    None,      // no fibre found
    FibreView, // fine enough for zone B's smallest class: fibres can be judged
    Overview,  // coarser: fibres are located and numbered, nothing is certified
};
const char* MtViewKindName(TMtViewKind kind); // "none", "fibre view", "overview"

// Finer than this a picture is a fibre view: zone B's 2 um class must span two pixels.
inline constexpr float FibreViewMaxUmPerPixel = 1.05f;

struct TLocatedFibre
{
    TPoint2D Centre;      // pixel centres at whole numbers
    float RadiusX = 0.0f; // the cladding's half axes, pixels
    float RadiusY = 0.0f;
    float ArcSeen = 0.0f;
    bool WhollyInView = false; // false: the frame cuts the cladding ("not in view", never judged)
    int Row = 0;               // 0: the upper row in the picture
    int Slot = 0;              // position along its row, 0 at the leftmost fibre found in that row
    float UmPerPixel() const { return RadiusX + RadiusY > 0.0f ? 125.0f / (RadiusX + RadiusY) : 0.0f; }
};

struct TFibreRowLocation
{
    TMtViewKind Kind = TMtViewKind::None;
    float UmPerPixel = 0.0f;           // median over the fibres found
    float PitchPixels = 0.0f;          // the layout's pitch at that scale
    float Angle = 0.0f;                // the rows' tilt, radians, positive clockwise on screen
    std::vector<TLocatedFibre> Fibres; // row by row, each row left to right
    // Every row found in the picture holds its first and last fibre whole, and the rows found
    // are all the layout has: the fibres can be numbered without the operator's help.
    bool WholeRowsSeen = false;
};

// Keep one per caller: after the first picture the locator and the judgement allocate little.
class TFibreRowScratch
{
public:
    TFibreRowScratch();
    ~TFibreRowScratch();
    TFibreRowScratch(const TFibreRowScratch&) = delete;
    TFibreRowScratch& operator=(const TFibreRowScratch&) = delete;

    TEdgeLocatorScratch Edge; // the rays' samples, edge points and residuals
    std::vector<std::uint32_t> Integral;
    std::vector<float> Response;
    // Judges one fibre at a time on a crop of the picture around it (FibreJudgement).
    std::unique_ptr<TFiberAnalyzer> FibreAnalyzer;
};

// grey: width x height bytes (the prepared picture). Finds nothing in a picture without fibres.
TFibreRowLocation LocateFibreRow(const std::uint8_t* grey, int width, int height,
                                 const TFerruleLayout& layout, TFibreRowScratch& scratch);

// The connector's number (1 .. layout.Fibres()) of each located fibre, in the order of
// location.Fibres; 0 where the number falls outside the connector.
//  - An overview that saw whole rows numbers its fibres itself: the first row 1 .. FibresPerRow.
//  - Otherwise firstFibre is the number of the leftmost whole fibre of the picture's upper row,
//    as the operator says where the view lies, and the others follow by their slots.
std::vector<int> NumberFibres(const TFibreRowLocation& location, const TFerruleLayout& layout,
                              int firstFibre);
