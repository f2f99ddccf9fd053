// The inspection run: the frame store and showing an analysis in the result view.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "platform/TBitmap.h"
#include "videograbber/TVideoGrabber.h"

#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

void TMainForm::AllocateCaptureBuffers(int count)
{
    // A count below 1 (a hand-edited settings file) would leave no room for the first frame.
    CaptureCount = std::max(count, 1);
    CaptureBuffers.clear();
    CaptureBuffers.resize(static_cast<std::size_t>(CaptureCount));
}

void TMainForm::RunAnalysis()
{
    CrossHairOn = true;
    CHECK->setText(QStringLiteral("Resume"));
    VIDEO->setVisible(false);
    Analyzer->Mode = M_SINGLE->isChecked() ? 0 : 1;
    Analyzer->Analyze();
    SaveResultPending = false;
    ShowResult();
    PB->setVisible(true);
    PB->repaint();
    CapturePurpose = -1;
}
