#pragma once
// The analysis picture of a true-size profile: the working image and the profile's zone
// boundaries, drawn like the engine's own circles (1-pixel outlines, no antialiasing) but at the
// profile's diameters in micrometres. Reads the analyzer only.

#include "profiles/CriteriaProfile.h"

#include <QRect>

class QPainter;
class TFiberAnalyzer;

void DrawProfileOverlay(QPainter* canvas, const TFiberAnalyzer& analyzer, const TCriteriaProfile& profile,
                        int width, int height, const QRect& rect);
