// The Check cycle's state and its frame store. The store is allocated once per count: a sequence
// copies each frame into the bitmap kept at its index, so frames after the first sequence of a
// size allocate nothing.

#include "capture/TCheckCycle.h"

#include "analysis/AnalysisGeometry.h"

#include <algorithm>
#include <cstring>

namespace
{
// Copies a frame into a store bitmap, reusing its pixels when the size is unchanged.
void CopyFrame(TBitmap& to, const TBitmap& from)
{
    if (to.Width() != from.Width() || to.Height() != from.Height())
        to.SetSize(from.Width(), from.Height());
    if (to.Empty())
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(from.Width());
    for (int y = 0; y < from.Height(); ++y)
        std::memcpy(to.ScanLine(y), from.ScanLine(y), bytes);
}
} // namespace

bool TCheckCycle::SequenceActive() const
{
    return SequenceUnderWay() && !Triggered_;
}

void TCheckCycle::AllocateCaptureBuffers(int count)
{
    // A count below 1 would leave no room for the first frame.
    CaptureCount = std::clamp(count, 1, MaxCaptureCount);
    CaptureBuffers.clear();
    CaptureBuffers.resize(static_cast<std::size_t>(CaptureCount));
    FramesCaptured = std::min(FramesCaptured, CaptureCount);
}

void TCheckCycle::ReleaseCaptureBuffers()
{
    CaptureBuffers.clear();
    CaptureBuffers.shrink_to_fit();
    FramesCaptured = 0;
}

void TCheckCycle::Start(TCapturePurpose purpose, const QString& serial, const QDateTime& time)
{
    SequenceSerial_ = serial;
    SequenceTime_ = time;
    FramesCaptured = 0;
    CapturePurpose = purpose;
    State_ = TCycleState::CaptureRequested;
    Triggered_ = false;
    OverlayStarted_ = false;
}

void TCheckCycle::TimerElapsed(const QString& serial, const QDateTime& time)
{
    // In the result view the request would be dropped by the return to live video anyway.
    if (State_ == TCycleState::ShowingResult)
        return;
    if (State_ == TCycleState::Live)
    {
        Triggered_ = true;
        OverlayStarted_ = false;
        SequenceSerial_ = serial;
        SequenceTime_ = time;
    }
    // Under way, the sequence starts again from frame 0 at the next overlay.
    State_ = TCycleState::CaptureRequested;
}

bool TCheckCycle::BeginCapture()
{
    if (State_ != TCycleState::CaptureRequested)
        return false;
    State_ = TCycleState::Capturing;
    FramesCaptured = 0;
    OverlayStarted_ = true;
    return true;
}

TCycleStep TCheckCycle::FrameArrived(const TBitmap& frame)
{
    if (State_ == TCycleState::ShowingResult)
        return TCycleStep::GoLive;
    // Frames beyond the store's size (unrequested frames in quick succession) are dropped.
    if (FramesCaptured < CaptureCount)
    {
        CopyFrame(CaptureBuffers[static_cast<std::size_t>(FramesCaptured)], frame);
        ++FramesCaptured;
    }
    // Nobody asked for it: live video with no sequence, or a timer's request whose capture the
    // overlay has not begun yet.
    if (State_ == TCycleState::Live ||
        (State_ == TCycleState::CaptureRequested && Triggered_ && !OverlayStarted_))
    {
        CrossHairOn = false;
        State_ = TCycleState::Live;
        Triggered_ = false;
        return TCycleStep::StartTimer;
    }
    State_ = TCycleState::Capturing;
    if (FramesCaptured < CaptureCount)
    {
        CrossHairOn = false;
        return TCycleStep::CaptureNext;
    }
    if (Triggered_ || CapturePurpose == TCapturePurpose::Check)
        return TCycleStep::Analyse;
    return CapturePurpose == TCapturePurpose::SaveFrame ? TCycleStep::SaveFrame : TCycleStep::Print;
}

void TCheckCycle::CombineFrames()
{
    FramesCaptured = 0;
    TBitmap& first = CaptureBuffers[0];
    const int w = first.Width();
    const int h = first.Height();
    if (first.Empty())
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(w);
    // A running pairwise mean, the last frame weighing most. A frame of another size (the camera
    // switched sizes mid-sequence) has no pixel to pair with and is left out.
    for (std::size_t i = 1; i < CaptureBuffers.size(); ++i)
    {
        const TBitmap& next = CaptureBuffers[i];
        if (next.Width() != w || next.Height() != h)
            continue;
        for (int y = 0; y < h; ++y)
        {
            std::uint8_t* row = first.ScanLine(y);
            const std::uint8_t* add = next.ScanLine(y);
            for (std::size_t x = 0; x < bytes; ++x)
                row[x] = static_cast<std::uint8_t>((row[x] + add[x]) / 2);
        }
    }
    if (w > AnalysisWidth || h > AnalysisHeight)
        first.Assign(first.Image().scaled(AnalysisWidth, AnalysisHeight, Qt::IgnoreAspectRatio,
                                          Qt::FastTransformation));
}

void TCheckCycle::EndSequence()
{
    State_ = TCycleState::Live;
    Triggered_ = false;
    CrossHairOn = true;
    FramesCaptured = 0;
}

void TCheckCycle::CancelRequest()
{
    if (State_ == TCycleState::CaptureRequested)
        State_ = TCycleState::Live;
}

void TCheckCycle::AbortSequence()
{
    if (State_ == TCycleState::ShowingResult)
        return;
    State_ = TCycleState::Live;
    Triggered_ = false;
    CrossHairOn = true;
    FramesCaptured = 0;
}

void TCheckCycle::BeginInspection(const QString& source, int frames, const QString& serial,
                                  const QDateTime& time)
{
    Shown = TShownInspection();
    Shown.Source = source;
    Shown.Frames = frames;
    Shown.Serial = serial;
    Shown.Time = time;
}

void TCheckCycle::ShowResult()
{
    State_ = TCycleState::ShowingResult;
    Triggered_ = false;
    CrossHairOn = true;
    CapturePurpose = TCapturePurpose::Check;
}

void TCheckCycle::Judged(bool pass, bool automaticMode)
{
    Shown.Verdict = pass ? TVerdict::Pass : TVerdict::Fail;
    SaveResultPending = pass && automaticMode;
}

void TCheckCycle::NotJudged(TVerdict why)
{
    Shown.Verdict = why;
    SaveResultPending = false;
}

void TCheckCycle::ConnectorViewTaken(TConnectorView view, bool automaticMode)
{
    Shown.Serial = Connector.Serial();
    Shown.Time = Connector.Time();
    switch (view)
    {
    case TConnectorView::Complete:
        Shown.Verdict = Connector.Inspection().Pass() ? TVerdict::Pass : TVerdict::Fail;
        break;
    case TConnectorView::Partial:
        Shown.Verdict = TVerdict::Partial;
        break;
    case TConnectorView::Overview:
        Shown.Verdict = TVerdict::Overview;
        break;
    case TConnectorView::NotInView:
    case TConnectorView::Outside:
        Shown.Verdict = TVerdict::NotInView;
        break;
    case TConnectorView::NoFibre:
        Shown.Verdict = TVerdict::NoFiber;
        break;
    }
    SaveResultPending =
        view == TConnectorView::Complete && Shown.Pass() && automaticMode && !Connector.Filed();
}

void TCheckCycle::GoLive()
{
    State_ = TCycleState::Live;
    Triggered_ = false;
    FramesCaptured = 0;
}
