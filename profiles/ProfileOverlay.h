#pragma once
// The analysis picture of a true-size profile: the working image and the profile's zone
// boundaries, drawn like the engine's own circles (1-pixel outlines, no antialiasing) but at the
// profile's diameters in micrometres. Reads the analyzer only.

#include "profiles/CriteriaProfile.h"

#include <QRect>
#include <vector>

class QPainter;
class TFiberAnalyzer;

// The diameters (um) where one zone of the profile meets the next or ends, from the inside out.
std::vector<float> ZoneBoundaries(const TCriteriaProfile& profile);

void DrawProfileOverlay(QPainter* canvas, const TFiberAnalyzer& analyzer, const TCriteriaProfile& profile,
                        int width, int height, const QRect& rect);
