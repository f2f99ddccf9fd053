#pragma once
// Synthetic multi-fibre (MT) ferrule pictures and what is in them, for the locator's accuracy
// tool, tests, benchmarks and the sample writer. The ferrule is a plain field with one or two rows
// of fibre discs (cladding and core) at their pitch, the two guide-pin holes on the rows' axis,
// dark defects and bright scratches placed on chosen fibres in micrometres, then mild noise.
// The view is given in ferrule coordinates (micrometres from the ferrule's centre, x along the
// rows, y across them, downwards) and turned by the tilt, so panning along a row and fibres cut by
// the frame come from the geometry alone.
//
// Deterministic like the single-fibre faces: the same recipe gives the same bytes everywhere.
// Edges are hard (a pixel belongs to a disc when its centre does) and findings are drawn as the
// single-fibre faces draw theirs, so the profiles' true sizes come out as accurately.
//
// Grey levels: the engine stretches by 1.5 and then sees defects below 60 and scratch pixels
// above 135 that lie 6 to 14 levels above a pixel five away. A cladding of 88 or 89 (132, 133)
// stays clear of both, a scratch 6 levels above it (141) is seen, a defect of 20 (30) is dark,
// and a core 2 levels below the cladding carries a scratch across it without a break.

#include "profiles/CriteriaProfile.h"
#include "tools/EndFaceGenerator.h"

#include <cstdint>
#include <vector>

// A dark disc on fibre Fibre (1 .. fibres of the connector): centre (X, Y) um from that fibre's
// centre in ferrule coordinates, so it turns with the ferrule.
struct MtDefect
{
    int Fibre = 1;
    float X = 0.0f;
    float Y = 0.0f;
    float DiameterUm = 5.0f;
    int Grey = 20;
};

// A bright band of WidthUm around the segment (X0, Y0)-(X1, Y1), um from fibre Fibre's centre,
// Step grey levels above what lies under it.
struct MtScratch
{
    int Fibre = 1;
    float X0 = 0.0f;
    float Y0 = 0.0f;
    float X1 = 0.0f;
    float Y1 = 0.0f;
    float WidthUm = 3.0f;
    int Step = 6;
};

struct MtFaceRecipe
{
    int Width = 640;
    int Height = 480;
    std::uint32_t Seed = 1;
    float UmPerPixel = 0.5f;
    int FibresPerRow = 12;
    int Rows = 1;
    float PitchUm = 250.0f;
    float RowPitchUm = 500.0f;
    // The ferrule point at the picture's centre pixel (Width / 2, Height / 2).
    float CentreXUm = 0.0f;
    float CentreYUm = 0.0f;
    float TiltDegrees = 0.0f; // the rows turned clockwise on screen
    bool Fibres = true;       // false: the bare ferrule, no fibre in any bore

    // Front-lit: dark fibres on a bright ferrule (Ferrule above Cladding). Back-lit: bright
    // fibres on a dark ferrule (Ferrule below Cladding).
    int Ferrule = 190;
    int Cladding = 88;
    int Core = 86;
    float CoreRadiusUm = 4.5f; // 4.5 single mode, 25 multimode; 0: none drawn
    float CladdingRadiusUm = 62.5f;
    int Noise = 1;     // uniform in [-Noise, Noise]
    float Blur = 0.0f; // > 0: Gaussian blur of this sigma in pixels before the noise
    // The guide-pin holes, 700 um across, their centres GuideOffsetUm either side of the ferrule's
    // centre on the rows' axis (see MtGuideOffsetUm): dark when empty, bright with pins in them;
    // < 0: not drawn.
    int Guide = 20;
    float GuideDiameterUm = 700.0f;
    float GuideOffsetUm = 2300.0f;

    std::vector<MtDefect> Defects;
    std::vector<MtScratch> Scratches;

    TFerruleLayout Layout() const { return {FibresPerRow, Rows, PitchUm, RowPitchUm}; }
};

struct MtPointUm
{
    float X = 0.0f;
    float Y = 0.0f;
};

// Where the guide-pin holes' centres lie from the ferrule's centre: 2300 um, and 2650 um for rows
// of 16, whose wider ferrule keeps the holes clear of the end fibres.
float MtGuideOffsetUm(int fibresPerRow);

// Where fibre `number` (1 .. FibresPerRow * Rows) lies: um from the ferrule's centre.
MtPointUm MtFibrePosition(const MtFaceRecipe& recipe, int number);

// Moves the view so that the picture's centre lies on fibre `number`, `along` pitches to its right
// (0.5: midway to the next fibre).
void CentreOnFibre(MtFaceRecipe& recipe, int number, float along = 0.0f);

// A whole connector: every row in the picture, at about 5 um a pixel or coarser when the rows
// need it, fibres dark on a bright ferrule.
MtFaceRecipe MtOverview(int fibresPerRow, int rows);

// A fibre view at umPerPixel whose leftmost whole fibre is firstFibre, its cladding a few pixels
// inside the picture's left edge; the fibres to its right follow as the picture's width allows.
MtFaceRecipe MtFibreView(float umPerPixel, int firstFibre, int fibresPerRow = 12, int rows = 1);

// A point in ferrule coordinates (um) in picture pixels.
MtPointUm MtPixelOf(const MtFaceRecipe& recipe, MtPointUm ferrule);

enum class MtInView
{
    Wholly, // the whole cladding lies in the picture
    Partly, // the frame cuts it
    Not,    // outside the picture
};
const char* MtInViewName(MtInView where); // "wholly", "partly", "not"

struct MtFibreTruth
{
    int Number = 0; // 1 .. fibres of the connector
    int Row = 0;    // 0: the connector's first row
    int Slot = 0;   // 0: the row's first fibre
    float X = 0.0f; // cladding centre, pixels
    float Y = 0.0f;
    float RadiusPx = 0.0f;
    MtInView InView = MtInView::Not;
    // How far the cladding's edge lies inside the picture, pixels: the least distance from its
    // circle to the frame, negative when the frame cuts it (or when it lies outside).
    float EdgeMarginPx = 0.0f;
};

struct MtFaceTruth
{
    float UmPerPixel = 0.0f;
    float RadiusPx = 0.0f;
    std::vector<MtFibreTruth> Fibres; // every fibre of the connector by number; none without fibres
    int WhollyInView() const;
    // The number of the leftmost whole fibre of the upper row in the picture, as the operator
    // names it; 0 when no fibre is whole.
    int FirstWholeFibre() const;
};

MtFaceTruth MtTruthOf(const MtFaceRecipe& recipe);

// What a profile must say of each fibre from the findings placed on it: a defect counts in the
// zone holding its centre, a scratch in every zone its band reaches, each in the rows whose kind
// and size class it matches.
struct MtFibreExpectation
{
    int Number = 0;
    bool Pass = true;
    int Findings = 0;
    // How far the verdict is from a coin toss, um: the least distance of a finding's size from a
    // class boundary of the rows it counts in, and of its extent from a zone boundary. Infinite
    // without findings.
    float SizeMarginUm = 0.0f;
    float ZoneMarginUm = 0.0f;
};

// One per fibre of the connector, by number.
std::vector<MtFibreExpectation> MtExpectedVerdicts(const MtFaceRecipe& recipe,
                                                   const TCriteriaProfile& profile);

TBitmap MakeMtFace(const MtFaceRecipe& recipe);
