#pragma once
// A running GStreamer pipeline that ends in an appsink named "sink" delivering 24-bit B G R
// frames. The streaming thread converts each frame to 32-bit x R G B (the format a window's
// backing store has, so showing it needs no conversion) in a buffer of its own, swaps that with
// the guarded "latest frame" slot and wakes the GUI thread through an eventfd, at most once until
// the GUI thread has looked: a slow GUI skips frames instead of queueing them. The GUI thread
// swaps the slot with a third buffer, so neither side copies a frame under the lock, and nothing
// is allocated per frame once the three buffers have the frame's size. Bus messages are read on
// the GUI thread through the bus's poll fd.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class QSocketNotifier;
typedef struct _GstElement GstElement;
typedef struct _GstAppSink GstAppSink;

class TFramePipeline : public QObject
{
    Q_OBJECT

public:
    // Takes the pipeline over (floating or owned reference) and sets it playing. On failure
    // returns false with a reason; the pipeline is then already back in NULL.
    explicit TFramePipeline(GstElement* pipeline, QObject* parent = nullptr);
    ~TFramePipeline() override;

    bool Play(QString* error);
    // Back to NULL, synchronously; no signal is raised afterwards.
    void Stop();

    // GUI thread: copies the newest frame into `image`, as Format_RGB32 (reallocated only when its
    // size or format differs; `beforeResize` runs first then), and returns true, or false when
    // nothing new came.
    template <typename F> bool TakeFrame(QImage& image, qint64& ptsNs, F&& beforeResize);

    // Milliseconds since the last frame (or since Play when none came yet).
    qint64 MsSinceActivity() const;

signals:
    void FrameReady();
    // End of stream (domain 0) or an error with its GError domain and code: raised once.
    void Ended(const QString& reason, quint32 domain, int code);

private:
    static int OnNewSample(GstAppSink* sink, void* self);
    void OnWake();
    void DrainBus();
    bool Take();
    void CopyInto(QImage& image, qint64& ptsNs) const;

    // A frame as 32-bit pixels, rows without padding.
    struct TFrame
    {
        std::vector<std::uint32_t> Pixels;
        int Width = 0, Height = 0;
        qint64 Pts = 0;
    };

    GstElement* Pipeline_ = nullptr;
    QSocketNotifier* BusNotifier_ = nullptr;
    QSocketNotifier* WakeNotifier_ = nullptr;
    int WakeFd_ = -1;
    bool EndedRaised_ = false;

    QElapsedTimer Clock_;
    std::atomic<qint64> LastActivityMs_{0};
    std::atomic<bool> WakePending_{false};

    TFrame Filling_;  // the streaming thread's own
    std::mutex Lock_; // guards the slot and its flag
    TFrame Slot_;
    bool SlotFresh_ = false;
    TFrame Taken_; // the GUI thread's own
};

template <typename F> bool TFramePipeline::TakeFrame(QImage& image, qint64& ptsNs, F&& beforeResize)
{
    if (!Take())
        return false;
    if (image.width() != Taken_.Width || image.height() != Taken_.Height ||
        image.format() != QImage::Format_RGB32)
    {
        beforeResize();
        image = QImage(Taken_.Width, Taken_.Height, QImage::Format_RGB32);
    }
    CopyInto(image, ptsNs);
    return true;
}
