#include "videograbber/TFramePipeline.h"

#include <QSocketNotifier>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

TFramePipeline::TFramePipeline(GstElement* pipeline, QObject* parent) : QObject(parent)
{
    Pipeline_ = GST_ELEMENT(gst_object_ref_sink(pipeline));
    Clock_.start();

    WakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    WakeNotifier_ = new QSocketNotifier(WakeFd_, QSocketNotifier::Read, this);
    connect(WakeNotifier_, &QSocketNotifier::activated, this, &TFramePipeline::OnWake);

    GstBus* bus = gst_element_get_bus(Pipeline_);
    GPollFD pfd{};
    gst_bus_get_pollfd(bus, &pfd);
    gst_object_unref(bus);
    BusNotifier_ = new QSocketNotifier(pfd.fd, QSocketNotifier::Read, this);
    connect(BusNotifier_, &QSocketNotifier::activated, this, &TFramePipeline::DrainBus);

    if (GstElement* sink = gst_bin_get_by_name(GST_BIN(Pipeline_), "sink"))
    {
        // One buffer, dropped when the GUI is behind; no clock sync: show frames as they come.
        g_object_set(sink, "max-buffers", 1u, "drop", TRUE, "sync", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = [](GstAppSink* s, gpointer self) {
            return GstFlowReturn(OnNewSample(s, self));
        };
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        gst_object_unref(sink);
    }
}

TFramePipeline::~TFramePipeline()
{
    Stop();
    // A notifier must never watch a closed descriptor: both go before their descriptors do
    // (the bus's goes with the pipeline).
    delete BusNotifier_;
    delete WakeNotifier_;
    BusNotifier_ = WakeNotifier_ = nullptr;
    gst_object_unref(Pipeline_);
    if (WakeFd_ >= 0)
        close(WakeFd_);
}

bool TFramePipeline::Play(QString* error)
{
    LastActivityMs_ = Clock_.elapsed();
    if (gst_element_set_state(Pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE)
        return true;
    // The reason is on the bus as an error message.
    QString reason = "the video source could not be started";
    GstBus* bus = gst_element_get_bus(Pipeline_);
    if (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR))
    {
        GError* err = nullptr;
        gst_message_parse_error(msg, &err, nullptr);
        if (err)
            reason = QString::fromUtf8(err->message);
        g_clear_error(&err);
        gst_message_unref(msg);
    }
    gst_object_unref(bus);
    Stop();
    if (error)
        *error = reason;
    return false;
}

void TFramePipeline::Stop()
{
    // NULL joins the streaming threads, so no callback runs after this.
    gst_element_set_state(Pipeline_, GST_STATE_NULL);
    EndedRaised_ = true;
    BusNotifier_->setEnabled(false);
    WakeNotifier_->setEnabled(false);
}

qint64 TFramePipeline::MsSinceActivity() const
{
    return Clock_.elapsed() - LastActivityMs_.load();
}

int TFramePipeline::OnNewSample(GstAppSink* sink, void* selfPtr)
{
    auto* self = static_cast<TFramePipeline*>(selfPtr);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_EOS;
    GstVideoInfo info;
    GstVideoFrame frame;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_BGR &&
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
    {
        const int w = GST_VIDEO_FRAME_WIDTH(&frame), h = GST_VIDEO_FRAME_HEIGHT(&frame);
        // Rows are padded to 4 bytes: step by the plane stride.
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const auto* src = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        TFrame& out = self->Filling_;
        out.Pixels.resize(size_t(w) * size_t(h));
        out.Width = w;
        out.Height = h;
        out.Pts = GST_BUFFER_PTS_IS_VALID(buffer) ? qint64(GST_BUFFER_PTS(buffer)) : 0;
        for (int y = 0; y < h; ++y)
        {
            const std::uint8_t* in = src + ptrdiff_t(stride) * y;
            std::uint32_t* row = out.Pixels.data() + size_t(w) * size_t(y);
            for (int x = 0; x < w; ++x, in += 3)
                row[x] = 0xff000000u | std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        }
        {
            std::lock_guard guard(self->Lock_);
            std::swap(self->Filling_, self->Slot_);
            self->SlotFresh_ = true;
        }
        gst_video_frame_unmap(&frame);
        self->LastActivityMs_ = self->Clock_.elapsed();
        if (!self->WakePending_.exchange(true))
        {
            const std::uint64_t one = 1;
            [[maybe_unused]] ssize_t n = write(self->WakeFd_, &one, sizeof one);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void TFramePipeline::OnWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(WakeFd_, &count, sizeof count);
    WakePending_ = false;
    emit FrameReady();
}

bool TFramePipeline::Take()
{
    std::lock_guard guard(Lock_);
    if (!SlotFresh_)
        return false;
    std::swap(Slot_, Taken_);
    SlotFresh_ = false;
    return true;
}

void TFramePipeline::CopyInto(QImage& image, qint64& ptsNs) const
{
    const size_t row = size_t(Taken_.Width) * sizeof(std::uint32_t);
    for (int y = 0; y < Taken_.Height; ++y)
        std::memcpy(image.scanLine(y), Taken_.Pixels.data() + size_t(Taken_.Width) * size_t(y), row);
    ptsNs = Taken_.Pts;
}

void TFramePipeline::DrainBus()
{
    GstBus* bus = gst_element_get_bus(Pipeline_);
    for (int n = 0; n < 64 && !EndedRaised_; ++n)
    {
        GstMessage* msg = gst_bus_pop(bus);
        if (!msg)
            break;
        QString reason;
        quint32 domain = 0;
        int code = 0;
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS)
            reason = "the video stream ended";
        else if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR)
        {
            GError* err = nullptr;
            gst_message_parse_error(msg, &err, nullptr);
            reason = err ? QString::fromUtf8(err->message) : QString("video source error");
            if (err)
            {
                domain = err->domain;
                code = err->code;
            }
            g_clear_error(&err);
        }
        gst_message_unref(msg);
        if (!reason.isEmpty())
        {
            EndedRaised_ = true;
            emit Ended(reason, domain, code);
        }
    }
    // Messages left after the end (or beyond the bound) are dropped or picked up next time.
    if (EndedRaised_)
        gst_bus_set_flushing(bus, TRUE);
    gst_object_unref(bus);
}
