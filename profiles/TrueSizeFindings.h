#pragma once
// Findings measured in true micrometres from the engine's labelled result. The engine's zone
// lists keep only box extents, split large groups at 1001 pixels and drop what lies in the
// adhesive ring, so the profiles measure whole 8-connected regions of the labels detection
// leaves in GreyBuffer instead. Reads the analyzer, never writes it.

#include "analysis/TPoint2D.h"
#include "profiles/CriteriaProfile.h"

#include <vector>

class TFiberAnalyzer;

// Where one fibre lies and how large a pixel is.
struct TFibreScale
{
    TPoint2D Center;
    float UmPerPixel = 0.0f;
};

struct TMeasuredFinding
{
    FindingClass Kind = FindingClass::Defect;
    float CentreX = 0.0f; // centroid, pixels
    float CentreY = 0.0f;
    int Area = 0;                  // pixels
    float SizeUm = 0.0f;           // defect: diameter; scratch: width
    float LengthUm = 0.0f;         // the long dimension
    float CentreDiameterUm = 0.0f; // 2 x centroid distance from the fibre centre
    float MinDiameterUm = 0.0f;    // 2 x nearest and farthest pixel distance from the centre
    float MaxDiameterUm = 0.0f;
};

// 125 um over the located cladding diameter: the engine's ZoneScale is the cladding radius in
// pixels over 125, so one pixel is 0.5 / ZoneScale um. Zero scale when nothing was located.
TFibreScale FibreScaleOf(const TFiberAnalyzer& analyzer);

// Every defect and scratch region of the last detection, in scan order of its first pixel.
// Requires an analysis since the last preparation (GreyBuffer holds labels).
std::vector<TMeasuredFinding> MeasureFindings(const TFiberAnalyzer& analyzer, const TFibreScale& scale);
