#include "analysis/TFiberAnalyzer.h"

#include "imaging/TLumarcRaster.h"

// Interim bodies; the engine's steps replace them.
TFiberAnalyzer::TFiberAnalyzer() = default;
TFiberAnalyzer::~TFiberAnalyzer() = default;

void TFiberAnalyzer::SetCapturedImage(const TBitmap&) {}
bool TFiberAnalyzer::LoadImageFile(const std::string&) { return false; }
void TFiberAnalyzer::Analyze() {}
void TFiberAnalyzer::PrepareImage() {}
void TFiberAnalyzer::ConvertToGrey() {}
void TFiberAnalyzer::MedianFilter() {}
void TFiberAnalyzer::EnhanceContrast() {}
void TFiberAnalyzer::LocateFiber() {}
TPoint2D TFiberAnalyzer::FindEdgeOnRay(int, int, int, int) { return {}; }
TPoint2D TFiberAnalyzer::FitCenter() { return {}; }
void TFiberAnalyzer::DetectDefects() {}
void TFiberAnalyzer::FillDefect(int, int) {}
void TFiberAnalyzer::FillScratch(int, int) {}
void TFiberAnalyzer::RecordFinding(int) {}
void TFiberAnalyzer::DrawOverlay(QPainter*, int, int, const QRect&) const {}
void TFiberAnalyzer::SetDefaultCriteria() {}
bool TFiberAnalyzer::EvaluateAcceptance() { return true; }
void TFiberAnalyzer::SaveSettings(const std::string&) const {}
void TFiberAnalyzer::LoadSettings(const std::string&) {}
