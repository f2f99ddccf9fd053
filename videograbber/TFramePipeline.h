#pragma once
// A running GStreamer pipeline that ends in an appsink named "sink" delivering 24-bit B G R
// frames. The streaming thread copies each frame into one guarded "latest frame" slot and wakes
// the GUI thread through an eventfd, at most once until the GUI thread has looked: a slow GUI
// skips frames instead of queueing them, and nothing is allocated per frame once the slot has
// its size. Bus messages are read on the GUI thread through the bus's poll fd.

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

    // GUI thread: copies the newest frame into `image` (reallocated only when its size or format
    // differs; `beforeResize` runs first then) and returns true, or false when nothing new came.
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
    bool PeekSize(int& w, int& h);
    bool CopyInto(QImage& image, qint64& ptsNs);

    GstElement* Pipeline_ = nullptr;
    QSocketNotifier* BusNotifier_ = nullptr;
    QSocketNotifier* WakeNotifier_ = nullptr;
    int WakeFd_ = -1;
    bool EndedRaised_ = false;

    QElapsedTimer Clock_;
    std::atomic<qint64> LastActivityMs_{0};
    std::atomic<bool> WakePending_{false};

    std::mutex Lock_; // guards the slot below
    std::vector<std::uint8_t> Slot_;
    int SlotWidth_ = 0, SlotHeight_ = 0;
    qint64 SlotPts_ = 0;
    bool SlotFresh_ = false;
};

template <typename F> bool TFramePipeline::TakeFrame(QImage& image, qint64& ptsNs, F&& beforeResize)
{
    int w = 0, h = 0;
    if (!PeekSize(w, h))
        return false;
    if (image.width() != w || image.height() != h || image.format() != QImage::Format_BGR888)
    {
        beforeResize();
        image = QImage(w, h, QImage::Format_BGR888);
    }
    return CopyInto(image, ptsNs);
}
