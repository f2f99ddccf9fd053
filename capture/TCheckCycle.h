#pragma once
// The Check cycle of the main window, without widgets: which view the window is in, the capture
// sequence and its purpose, the frame store and its combination, and the inspection on screen.
// The window asks the cycle what to do and then updates its widgets; no decision reads a caption.
//
//   Live --Check/save/print--> CaptureRequested --overlay--> Capturing --last frame--> (Analyse)
//     ^                                                          |                 ShowingResult
//     +------ save or print done, Resume, any frame in the result view ----------------+
//
// A frame nobody asked for (the camera's still button) in the live view starts the timer; its
// tick requests a capture whose sequence is "triggered": it skips the serial check and the raw
// save of a Ctrl+Check.

#include "capture/TConnectorCycle.h"
#include "platform/TBitmap.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

enum class TCycleState
{
    Live,             // live video, no capture under way
    CaptureRequested, // the next live frame's overlay asks for a capture
    Capturing,        // frames of a sequence are arriving
    ShowingResult,    // the result view
};

// What a sequence ends in; the values are those the window has always used.
enum class TCapturePurpose : int
{
    Check = -1,    // combine, analyse and show the result
    SaveFrame = 0, // combine, save under a time-stamp name, stay live
    Print = 1,     // print dialog, then combine and print, stay live
};

// What the window does with a frame that has arrived.
enum class TCycleStep
{
    CaptureNext, // ask the control for the next frame of the sequence
    Analyse,     // the store is full: combine, analyse and show the result
    SaveFrame,   // the store is full: combine and save it
    Print,       // the store is full: ask for the printer, combine and print
    GoLive,      // the result view was showing: back to live video
    StartTimer,  // a frame nobody asked for: a fresh inspection starts after the timer
};

enum class TVerdict
{
    None, // nothing judged yet
    Pass,
    Fail,
    NoFiber,   // no fiber in the picture: no verdict
    NotInView, // the fiber is cut by the frame where its whole cladding must be seen: no verdict
    Partial,   // a multi-fibre connector with fibres not judged yet: no verdict so far
    Overview,  // a multi-fibre overview: fibres located and numbered, nothing certified
};

// The inspection the window shows, as judged: what the records, the PDF, the print and the saves
// go by. Its serial number and time are those of the moment it began, whatever the serial field
// says by the time it is filed.
struct TShownInspection
{
    TVerdict Verdict = TVerdict::None;
    QString Serial;
    QDateTime Time;
    QString Source;                // the camera's name, the WiFi scope's address or the file
    int Frames = 0;                // frames combined; 0 for an opened file
    QStringList Files;             // saved for it so far
    QDateTime RejudgedAt;          // the latest re-judgement (a manual correction, another profile or mode)
    bool FiledUnderSerial = false; // the automatic save filed its report under the serial
    bool Pass() const { return Verdict == TVerdict::Pass; }
    // Judged and found nothing to judge: no report of it is filed, printed or saved as a PDF.
    bool NoVerdict() const
    {
        return Verdict == TVerdict::NoFiber || Verdict == TVerdict::NotInView ||
               Verdict == TVerdict::Partial || Verdict == TVerdict::Overview;
    }
};

class TCheckCycle
{
public:
    // The largest number of frames one Check may combine; a larger count from a hand-edited
    // settings file is refused at start.
    static constexpr int MaxCaptureCount = 100;

    // Readable as the window has always named them; changed only through the operations below.
    int CaptureCount = 0;
    int FramesCaptured = 0; // frames stored in this sequence; the index of the next
    TCapturePurpose CapturePurpose = TCapturePurpose::Check;
    std::vector<TBitmap> CaptureBuffers;
    bool CrossHairOn = true;
    bool SaveRawOnCheck = false;    // the last Check click held Ctrl
    bool SaveResultPending = false; // a Pass in automatic mode: the report goes under the serial
    TShownInspection Shown;
    // The multi-fibre connector, while the profile has a multi-fibre layout.
    TConnectorCycle Connector;

    TCycleState State() const { return State_; }
    bool Live() const { return State_ != TCycleState::ShowingResult; }
    bool ShowingResult() const { return State_ == TCycleState::ShowingResult; }
    bool CaptureRequested() const { return State_ == TCycleState::CaptureRequested; }
    // A sequence started by a command (Check, save, print) is under way.
    bool SequenceActive() const;
    // The overlay has asked for the frames now arriving.
    bool OverlayStartedCapture() const { return State_ == TCycleState::Capturing; }
    // The sequence was started by the timer after a frame nobody asked for.
    bool Triggered() const { return Triggered_ && SequenceUnderWay(); }

    // Replaces the frame store by count empty bitmaps; a count outside 1..MaxCaptureCount is
    // brought inside.
    void AllocateCaptureBuffers(int count);
    // Frees the store when the window closes.
    void ReleaseCaptureBuffers();

    // Check, save or print in the live view: a fresh sequence from frame 0, begun at time with
    // the serial number then entered.
    void Start(TCapturePurpose purpose, const QString& serial = QString(),
               const QDateTime& time = QDateTime());
    // The timer's tick after a frame nobody asked for: a capture is requested again until the
    // sequence's first frame arrives. A sequence it begins takes serial and time.
    void TimerElapsed(const QString& serial = QString(), const QDateTime& time = QDateTime());
    // The serial number and time of the sequence under way (or last ended).
    const QString& SequenceSerial() const { return SequenceSerial_; }
    const QDateTime& SequenceTime() const { return SequenceTime_; }
    // The live frame's overlay: true when it must ask for a capture now (the sequence starts).
    bool BeginCapture();
    // A frame has arrived (stored when the store has room): what to do next.
    TCycleStep FrameArrived(const TBitmap& frame);
    // Combines the stored frames into bitmap 0: a running pairwise mean (the last frame weighs
    // most), then scaled to at most the analysis size.
    void CombineFrames();
    // A save or print sequence has ended: live video, cross-hair on.
    void EndSequence();
    // A pending request is dropped (the scope was connected anew).
    void CancelRequest();
    // A capture failed or its source stopped: the sequence is given up and the live picture is
    // whole again (cross-hair on). The next command starts from frame 0.
    void AbortSequence();

    // An inspection begins from source with frames combined (0 for a file), under serial at
    // time: no verdict and no file yet.
    void BeginInspection(const QString& source, int frames, const QString& serial, const QDateTime& time);
    // The face on screen was judged again at time.
    void Rejudged(const QDateTime& time) { Shown.RejudgedAt = time; }
    void MarkFiledUnderSerial()
    {
        Shown.FiledUnderSerial = true;
        if (Connector.Views() > 0)
            Connector.MarkFiled();
    }
    // A file saved for the inspection being made; all of them, taken once it is recorded.
    void AddFile(const QString& path) { Shown.Files << path; }
    QStringList TakeFiles() { return std::exchange(Shown.Files, {}); }
    // The result is shown; the verdict follows with Judged.
    void ShowResult();
    void Judged(bool pass, bool automaticMode);
    // The result has no verdict (why: NoFiber or NotInView): nothing goes under the serial.
    void NotJudged(TVerdict why);
    // A view of the multi-fibre connector has been taken: the inspection shown is the connector
    // (its serial and first view's time), and its verdict is the connector's once every fibre
    // is judged; its report goes under the serial once, on a pass in automatic mode.
    void ConnectorViewTaken(TConnectorView view, bool automaticMode);
    // Back to live video; the verdict stays, as the grid keeps the last result.
    void GoLive();
    // The save command in the result view ends whatever sequence was noted.
    void ResetFrames() { FramesCaptured = 0; }

private:
    bool SequenceUnderWay() const
    {
        return State_ == TCycleState::CaptureRequested || State_ == TCycleState::Capturing;
    }

    TCycleState State_ = TCycleState::Live;
    bool Triggered_ = false;
    bool OverlayStarted_ = false; // the overlay has begun this sequence's capture
    QString SequenceSerial_;
    QDateTime SequenceTime_;
};
