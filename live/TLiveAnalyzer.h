#pragma once
// Runs the live analysis on a worker thread with an analyzer of its own. The window offers every
// live frame; a frame is taken only while the worker is idle, so frames are skipped rather than
// queued and a result is never older than one analysis plus one frame. Results come back on the
// thread that owns this object, newest only: the worker leaves each in a guarded slot and wakes
// the owner through an eventfd, so handing one over allocates nothing (a queued call would post
// a new event object for every frame).

#include "live/LiveAnalysis.h"

#include <QObject>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QImage;
class QSocketNotifier;

class TLiveAnalyzer : public QObject
{
    Q_OBJECT

public:
    explicit TLiveAnalyzer(QObject* parent = nullptr);
    ~TLiveAnalyzer() override;

    // Copies the frame (24-bit B G R, or 32-bit x R G B as the capture control shows it) for the
    // worker when it is idle; false when it is busy and the frame was skipped.
    bool Offer(const QImage& frame, qint64 frameNumber, const TLiveSettings& settings);
    bool Busy() const { return Busy_.load(); }

signals:
    void ResultReady(const TLiveResult& result);

private:
    void Run();
    void OnWake();

    std::unique_ptr<TFiberAnalyzer> Analyzer_;
    std::unique_ptr<TBitmap> Frame_;
    std::unique_ptr<TBitmap> Scaled_;
    TEdgeLocatorScratch Edges_;
    std::unique_ptr<TFibreRowScratch> Rows_;
    TLiveSettings Settings_;
    qint64 FrameNumber_ = 0;
    std::atomic<bool> Busy_{false};
    std::mutex Lock_;
    std::condition_variable Wake_;
    bool Pending_ = false;
    bool Stop_ = false;
    TLiveResult Result_;       // the newest result, under Lock_
    bool ResultFresh_ = false; // under Lock_
    int WakeFd_ = -1;
    QSocketNotifier* WakeNotifier_ = nullptr;
    std::thread Worker_;
};

// The sharpest focus since the fiber came into view, and whether a focus has come close enough
// to it: the one measure both the focus bar and the automatic Check go by.
class TFocusPeak
{
public:
    static constexpr float Share = 0.97f;      // focus at least this share of the peak
    static constexpr float MovedShare = 0.25f; // a fiber this share of its radius away is another view
    static constexpr float SizedShare = 0.1f;  // and one this share larger or smaller

    // Takes one result: the peak grows with a sharper picture, and starts afresh without a fiber,
    // or when the fiber has moved or changed size markedly since the peak (another connector,
    // another magnification): a peak of another view could never be reached.
    void Update(const TLiveResult& result);
    void Reset() { Peak_ = 0.0f; }
    float Peak() const { return Peak_; }
    bool Reached(float focus) const { return Peak_ > 0.0f && focus >= Share * Peak_; }

private:
    float Peak_ = 0.0f;
    TPoint2D Center_; // where the fiber was at the peak
    float Radius_ = 0.0f;
};

// When the automatic Check fires: the fiber is in view without a caution, its focus has reached
// its peak (above), and the picture has held still (centre and focus) for a while. After firing it waits
// until the fiber leaves the view, or until it is re-armed.
class TAutoCheckTrigger
{
public:
    static constexpr float StillPixels = 2.0f; // centre movement between frames
    static constexpr float StillFocus = 0.05f; // focus change between frames, as a share
    static constexpr qint64 SteadyMs = 500;

    // Takes one result at time nowMs; true when the Check should start now.
    bool Update(const TLiveResult& result, qint64 nowMs);
    // Takes a result for the focus peak alone, while the automatic Check is off or waits.
    void Observe(const TLiveResult& result) { Peak_.Update(result); }
    // The source restarted: the picture may be another.
    void RestartFocus() { Peak_.Reset(); }
    void Rearm() { Armed_ = true; }
    bool Armed() const { return Armed_; }
    const TFocusPeak& Focus() const { return Peak_; }

private:
    bool Armed_ = true;
    TFocusPeak Peak_;
    bool Seen_ = false;
    TPoint2D LastCenter_;
    float LastFocus_ = 0.0f;
    qint64 SteadySince_ = -1;
};
