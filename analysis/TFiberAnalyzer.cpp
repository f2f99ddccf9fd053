// Lifecycle of the analysis engine. The steps live in their own files: Settings.cpp,
// ImageInput.cpp, Preparation.cpp, Localisation.cpp, Detection.cpp, Evaluation.cpp, Overlay.cpp.

#include "analysis/TFiberAnalyzer.h"

#include "imaging/TLumarcRaster.h"

// The member initialisers hold every start value; the criteria are loaded afterwards by the
// caller's SetDefaultCriteria.
TFiberAnalyzer::TFiberAnalyzer() = default;

TFiberAnalyzer::~TFiberAnalyzer()
{
    SourceRaster.reset();
    WorkRaster.reset();
    GreyBuffer.clear();
    GreyBuffer.shrink_to_fit();
}

void TFiberAnalyzer::Analyze()
{
    PrepareImage();
    LocateFiber();
    DetectDefects();
}
