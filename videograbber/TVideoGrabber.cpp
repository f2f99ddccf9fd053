#include "videograbber/TVideoGrabber.h"

#include "videograbber/ScopeAddress.h"
#include "videograbber/TDeviceControls.h"
#include "videograbber/TDeviceList.h"
#include "videograbber/TFramePipeline.h"
#include "videograbber/TStillButton.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <gst/gst.h>

namespace
{

// Resets a flag when a handler returns, also by an exception that the application's exception
// display catches further up: a flag left set would freeze the preview.
class FlagGuard
{
public:
    explicit FlagGuard(bool& flag) : Flag_(&flag) { *Flag_ = true; }
    ~FlagGuard() { Release(); }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;
    void Release()
    {
        if (Flag_)
            *Flag_ = false;
        Flag_ = nullptr;
    }

private:
    bool* Flag_;
};

GstElement* MakeElement(const char* factory, const char* name, QString& missing)
{
    GstElement* e = gst_element_factory_make(factory, name);
    if (!e && missing.isEmpty())
        missing = factory;
    return e;
}

} // namespace

TVideoGrabber::TVideoGrabber(QWidget* parent) : QWidget(parent)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    setAttribute(Qt::WA_OpaquePaintEvent);

    Devices_ = new TDeviceList(this);
    connect(Devices_, &TDeviceList::Arrived, this, &TVideoGrabber::OnDeviceArrived);
    connect(Devices_, &TDeviceList::Removed, this, &TVideoGrabber::OnDeviceRemoved);

    StallTimer_ = new QTimer(this);
    StallTimer_->setInterval(100);
    connect(StallTimer_, &QTimer::timeout, this, &TVideoGrabber::OnStallCheck);

    StillButton_ = new TStillButton(this);
    connect(StillButton_, &TStillButton::Pressed, this, [this] {
        if (Pipe_ && StillButtonMode_ == wb_Enabled)
            ButtonCapture_ = true;
    });
}

TVideoGrabber::~TVideoGrabber()
{
    if (Pipe_)
        Pipe_->Stop();
    if (Painter_ && Painter_->isActive())
        Painter_->end();
}

// ---- Devices and sizes ----

QString TVideoGrabber::VideoDevices() const
{
    QStringList names;
    for (const auto& e : Devices_->Entries())
        names << e.Name;
    return names.join('\n');
}

int TVideoGrabber::VideoDevice() const
{
    return DeviceIndex_;
}

void TVideoGrabber::SetVideoDevice(int index)
{
    DeviceIndex_ = index >= 0 && size_t(index) < Devices_->Entries().size() ? index : -1;
    SizeIndex_ = 0;
    // Choosing a device makes it the source again, also after an IP-camera session.
    Source_ = vs_VideoCaptureDevice;
}

QString TVideoGrabber::VideoSizes() const
{
    if (DeviceIndex_ < 0)
        return {};
    QStringList sizes;
    for (const auto& s : Devices_->Entries()[size_t(DeviceIndex_)].Sizes)
        sizes << QString("%1x%2").arg(s.Width).arg(s.Height);
    return sizes.join('\n');
}

int TVideoGrabber::VideoSize() const
{
    return SizeIndex_;
}

void TVideoGrabber::SetVideoSize(int index)
{
    if (DeviceIndex_ >= 0 && index >= 0 &&
        size_t(index) < Devices_->Entries()[size_t(DeviceIndex_)].Sizes.size())
        SizeIndex_ = index;
}

int TVideoGrabber::GetVideoWidthFromIndex(int index) const
{
    if (DeviceIndex_ < 0)
        return 0;
    const auto& sizes = Devices_->Entries()[size_t(DeviceIndex_)].Sizes;
    return index >= 0 && size_t(index) < sizes.size() ? sizes[size_t(index)].Width : 0;
}

int TVideoGrabber::GetVideoHeightFromIndex(int index) const
{
    if (DeviceIndex_ < 0)
        return 0;
    const auto& sizes = Devices_->Entries()[size_t(DeviceIndex_)].Sizes;
    return index >= 0 && size_t(index) < sizes.size() ? sizes[size_t(index)].Height : 0;
}

void TVideoGrabber::OnDeviceArrived(int index, const QString& name)
{
    emit OnDeviceArrivalOrRemoval(this, true, true, name, index);
}

void TVideoGrabber::OnDeviceRemoved(int index, const QString& name)
{
    // Indexes after the removed device move up by one; keep pointing at the same devices.
    auto shift = [index](int& i) {
        if (i == index)
            i = -1;
        else if (i > index)
            --i;
    };
    const bool previewingIt = Pipe_ && PipeDeviceIndex_ == index;
    shift(DeviceIndex_);
    shift(PipeDeviceIndex_);
    if (DeviceIndex_ < 0)
        SizeIndex_ = 0;
    if (previewingIt)
        SourceStopped(QString("the video device \"%1\" was unplugged").arg(name));
    emit OnDeviceArrivalOrRemoval(this, false, true, name, index);
}

// ---- Source settings ----

int TVideoGrabber::VideoSource() const
{
    return Source_;
}

void TVideoGrabber::SetVideoSource(int source)
{
    Source_ = source == vs_IPCamera ? vs_IPCamera : vs_VideoCaptureDevice;
}

void TVideoGrabber::SetIPCameraSetting(int setting, int value)
{
    if (setting == ips_ConnectionTimeout && value > 0)
        ConnectionTimeoutMs_ = value;
}

QString TVideoGrabber::IPCameraURL() const
{
    return URL_;
}

void TVideoGrabber::SetIPCameraURL(const QString& url)
{
    // Credentials in the address are used to connect but never kept in it: the address is in
    // every message about the stream.
    const TScopeAddress address = SplitScopeAddress(url);
    URL_ = address.Url;
    UrlUser_ = address.User;
    UrlPassword_ = address.Password;
}

void TVideoGrabber::SetAuthentication(int type, const QString& user, const QString& password)
{
    if (type != at_IPCamera)
        return;
    User_ = user;
    Password_ = password;
}

bool TVideoGrabber::RecordingInNativeFormat() const
{
    return RecordingInNativeFormat_;
}

void TVideoGrabber::SetRecordingInNativeFormat(bool on)
{
    RecordingInNativeFormat_ = on;
}

int TVideoGrabber::RecordingMethod() const
{
    return RecordingMethod_;
}

void TVideoGrabber::SetRecordingMethod(int method)
{
    RecordingMethod_ = method;
}

bool TVideoGrabber::AudioRecording() const
{
    return AudioRecording_;
}

void TVideoGrabber::SetAudioRecording(bool on)
{
    AudioRecording_ = on;
}

void TVideoGrabber::SetWebcamStillCaptureButton(int mode)
{
    StillButtonMode_ = mode == wb_Enabled ? wb_Enabled : wb_Disabled;
    if (StillButtonMode_ == wb_Disabled)
        ButtonCapture_ = false;
}

// ---- Preview ----

bool TVideoGrabber::IsPreviewing() const
{
    return Pipe_ != nullptr;
}

bool TVideoGrabber::StartPreview()
{
    Teardown();
    LastError_.clear();
    const bool ok = Source_ == vs_IPCamera ? StartIPCameraPreview() : StartDevicePreview();
    if (!ok)
        RaiseInactiveLater();
    return ok;
}

void TVideoGrabber::StopPreview()
{
    Teardown();
}

bool TVideoGrabber::StartDevicePreview()
{
    if (DeviceIndex_ < 0)
    {
        LastError_ = "no video device is chosen";
        return false;
    }
    const auto& entry = Devices_->Entries()[size_t(DeviceIndex_)];
    if (entry.Sizes.empty())
    {
        LastError_ = QString("the video device \"%1\" offers no usable frame size").arg(entry.Name);
        return false;
    }
    const TSizeOption size = entry.Sizes[size_t(SizeIndex_)];

    GstElement* source = gst_device_create_element(entry.Device, "source");
    if (!source)
    {
        LastError_ = QString("the video device \"%1\" cannot be opened").arg(entry.Name);
        return false;
    }
    // device ! (image/jpeg ! jpegdec | video/x-raw) ! videoconvert ! BGR ! appsink
    QString missing;
    GstElement* pipeline = gst_pipeline_new("preview");
    GstElement* pick = MakeElement("capsfilter", "pick", missing);
    GstElement* decode = size.Jpeg ? MakeElement("jpegdec", "decode", missing) : nullptr;
    GstElement* convert = MakeElement("videoconvert", "convert", missing);
    GstElement* bgr = MakeElement("capsfilter", "bgr", missing);
    GstElement* sink = MakeElement("appsink", "sink", missing);
    gst_bin_add(GST_BIN(pipeline), source);
    for (GstElement* e : {pick, decode, convert, bgr, sink})
        if (e)
            gst_bin_add(GST_BIN(pipeline), e);
    if (!missing.isEmpty())
    {
        gst_object_unref(pipeline);
        LastError_ = QString("the GStreamer element \"%1\" is not installed").arg(missing);
        return false;
    }
    GstCaps* pickCaps = gst_caps_new_simple(size.Jpeg ? "image/jpeg" : "video/x-raw", "width", G_TYPE_INT,
                                            size.Width, "height", G_TYPE_INT, size.Height, nullptr);
    g_object_set(pick, "caps", pickCaps, nullptr);
    gst_caps_unref(pickCaps);
    GstCaps* bgrCaps = gst_caps_from_string("video/x-raw,format=BGR");
    g_object_set(bgr, "caps", bgrCaps, nullptr);
    gst_caps_unref(bgrCaps);
    const bool linked = decode ? gst_element_link_many(source, pick, decode, convert, bgr, sink, nullptr)
                               : gst_element_link_many(source, pick, convert, bgr, sink, nullptr);
    if (!linked)
    {
        gst_object_unref(pipeline);
        LastError_ = QString("the video device \"%1\" cannot deliver %2x%3")
                         .arg(entry.Name)
                         .arg(size.Width)
                         .arg(size.Height);
        return false;
    }
    const QString path = entry.Path;
    const int device = DeviceIndex_;
    if (!Launch(pipeline))
        return false;
    PipeDeviceIndex_ = device;

    if (StillButtonMode_ == wb_Enabled && !path.isEmpty())
    {
        const QString input = FindStillButtonInput(path);
        QString error;
        if (!input.isEmpty() && !StillButton_->Open(input, &error))
        {
            // The preview runs; only the camera's button is unavailable. Say so once per start,
            // as the usual cause (no read access to /dev/input) is for the administrator to fix.
            LastError_ = error;
            qWarning("TVideoGrabber: %s", qPrintable(error));
        }
    }
    return true;
}

bool TVideoGrabber::StartIPCameraPreview()
{
    if (URL_.isEmpty())
    {
        LastError_ = "no IP camera URL is set";
        return false;
    }
    // Parsed straight into the pipeline: a decoder in a nested bin behind a live source never
    // leaves PAUSED, and uridecodebin never gets past buffering on such a stream.
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch("souphttpsrc name=src is-live=true ! multipartdemux ! jpegdec ! "
                                            "videoconvert ! video/x-raw,format=BGR ! appsink name=sink",
                                            &err);
    if (!pipeline || err)
    {
        LastError_ = QString("the HTTP camera pipeline cannot be built: %1")
                         .arg(err ? QString::fromUtf8(err->message) : QString("unknown reason"));
        g_clear_error(&err);
        if (pipeline)
            gst_object_unref(pipeline);
        return false;
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    // Well beyond our own stall timer, which tells a silent server from a stalled stream; with
    // equal limits souphttpsrc sometimes wins and reports a silent server as unreachable.
    const guint timeoutS = guint((ConnectionTimeoutMs_ + 999) / 1000) + 10;
    g_object_set(src, "location", URL_.toUtf8().constData(), "timeout", timeoutS, nullptr);
    // Credentials set on their own win over those that came with the address.
    const bool own = !User_.isEmpty() || !Password_.isEmpty();
    const QString& user = own ? User_ : UrlUser_;
    const QString& password = own ? Password_ : UrlPassword_;
    if (!user.isEmpty() || !password.isEmpty())
        g_object_set(src, "user-id", user.toUtf8().constData(), "user-pw", password.toUtf8().constData(),
                     nullptr);
    gst_object_unref(src);
    if (!Launch(pipeline))
        return false;
    // souphttpsrc notices a silent server only after its own time-out; ours is the contract's.
    StallTimer_->start();
    return true;
}

bool TVideoGrabber::Launch(GstElement* pipeline)
{
    Pipe_ = new TFramePipeline(pipeline, this);
    const quint64 generation = ++Generation_;
    FrameSeen_ = false;
    FrameNumber_ = 0;
    FirstPtsNs_ = -1;
    connect(Pipe_, &TFramePipeline::FrameReady, this, &TVideoGrabber::OnFrame);
    // Queued: the pipeline is torn down outside its own bus handler.
    connect(
        Pipe_, &TFramePipeline::Ended, this,
        [this, generation](const QString& reason, quint32 domain, int code) {
            if (generation == Generation_ && Pipe_)
                SourceStopped(Source_ == vs_IPCamera ? IPCameraStopReason(reason, domain, code) : reason);
        },
        Qt::QueuedConnection);
    QString error;
    if (Pipe_->Play(&error))
        return true;
    LastError_ = error;
    Teardown();
    return false;
}

void TVideoGrabber::Teardown()
{
    StallTimer_->stop();
    StillButton_->Close();
    ButtonCapture_ = false;
    PipeDeviceIndex_ = -1;
    if (Pipe_)
    {
        ++Generation_;
        Pipe_->Stop();
        // This may run inside the pipeline's own signal (a handler restarting the preview).
        Pipe_->deleteLater();
        Pipe_ = nullptr;
    }
    if (CaptureRequested_)
    {
        CaptureRequested_ = false;
        FailCaptureLater();
    }
    // A stopped source shows black, never its last frame as if it were live.
    if (!Display_.isNull())
    {
        if (Painter_ && Painter_->isActive())
            Painter_->end();
        Display_ = QImage();
        update();
    }
}

void TVideoGrabber::SourceStopped(const QString& reason)
{
    LastError_ = reason;
    Teardown();
    emit OnInactive(this);
}

void TVideoGrabber::RaiseInactiveLater()
{
    const quint64 generation = ++Generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == Generation_ && !Pipe_)
                emit OnInactive(this);
        },
        Qt::QueuedConnection);
}

void TVideoGrabber::OnStallCheck()
{
    if (!Pipe_ || Pipe_->MsSinceActivity() <= ConnectionTimeoutMs_)
        return;
    const QString seconds = QString::number(ConnectionTimeoutMs_ / 1000.0, 'g', 3);
    SourceStopped(
        FrameSeen_ ? QString("the stream from %1 stalled: no picture for %2 s").arg(URL_, seconds)
                   : QString("%1 accepted the connection but sent no picture for %2 s").arg(URL_, seconds));
}

// What the operator can act on, from how souphttpsrc and the demuxer end a stream.
QString TVideoGrabber::IPCameraStopReason(const QString& reason, quint32 domain, int code) const
{
    if (domain == 0)
        return FrameSeen_ ? QString("%1 ended the stream").arg(URL_)
                          : QString("%1 closed the connection without sending a picture").arg(URL_);
    if (domain == GST_RESOURCE_ERROR)
    {
        if (code == GST_RESOURCE_ERROR_NOT_FOUND)
            return QString("%1 has no video stream (HTTP 404 Not Found)").arg(URL_);
        if (code == GST_RESOURCE_ERROR_NOT_AUTHORIZED)
            return QString("%1 refused the user name or password (HTTP 401 Unauthorized)").arg(URL_);
        if (!FrameSeen_ &&
            (code == GST_RESOURCE_ERROR_OPEN_READ || code == GST_RESOURCE_ERROR_OPEN_READ_WRITE))
            return QString(
                       "nothing answers at %1: the connection was refused or the address cannot be reached")
                .arg(URL_);
        return QString("the connection to %1 broke off: %2").arg(URL_, reason);
    }
    if (domain == GST_STREAM_ERROR)
        return QString("%1 does not send an MJPEG stream (%2)").arg(URL_, reason);
    return QString("%1: %2").arg(URL_, reason);
}

// ---- Frames ----

void TVideoGrabber::OnFrame()
{
    // An overlay handler of an earlier frame is still running (a modal dialog inside it): its
    // canvas is that frame, so skip frames until it returns.
    if (!Pipe_ || InOverlay_)
        return;
    qint64 ptsNs = 0;
    if (!Pipe_->TakeFrame(Display_, ptsNs, [this] {
            if (Painter_ && Painter_->isActive())
                Painter_->end();
        }))
        return;
    // A capture handler is still running (e.g. a print dialog): keep the picture live behind it,
    // but raise nothing, so no capture starts and its bitmap stays as it was handed over.
    if (InCapture_)
    {
        update();
        return;
    }
    ++FrameNumber_;
    if (FirstPtsNs_ < 0)
        FirstPtsNs_ = ptsNs;
    const qint64 frameTimeMs = (ptsNs - FirstPtsNs_) / 1000000;

    // The capture is the frame as it came, before the overlay draws on it.
    const bool capture = CaptureRequested_ || ButtonCapture_;
    if (capture)
    {
        if (Captured_.Width() != Display_.width() || Captured_.Height() != Display_.height())
            Captured_.SetSize(Display_.width(), Display_.height());
        for (int y = 0; y < Display_.height(); ++y)
        {
            const auto* in = reinterpret_cast<const QRgb*>(Display_.constScanLine(y));
            std::uint8_t* out = Captured_.ScanLine(y);
            for (int x = 0; x < Display_.width(); ++x, out += 3)
            {
                out[0] = std::uint8_t(qBlue(in[x]));
                out[1] = std::uint8_t(qGreen(in[x]));
                out[2] = std::uint8_t(qRed(in[x]));
            }
        }
        CaptureRequested_ = false;
        ButtonCapture_ = false;
    }
    const QString fileName = CaptureFileName_;

    FlagGuard overlay(InOverlay_);
    if (!FrameSeen_)
    {
        FrameSeen_ = true;
        emit OnPreviewStarted(this);
    }

    // One canvas for every frame; only what would break the next frame's drawing is reset.
    if (!Painter_)
        Painter_ = std::make_unique<QPainter>();
    // A painter that cannot begin would hand the handler a canvas that draws nowhere.
    if (!Painter_->isActive() && !Painter_->begin(&Display_))
    {
        update();
        return;
    }
    Painter_->resetTransform();
    Painter_->setClipping(false);
    Painter_->setOpacity(1.0);
    Painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    emit OnFrameOverlayUsingDC(this, Painter_.get(), FrameNumber_, frameTimeMs, FrameNumber_);
    update();
    overlay.Release();

    if (capture)
    {
        FlagGuard busy(InCapture_);
        emit OnFrameCaptureCompleted(this, &Captured_, Captured_.Width(), Captured_.Height(), FrameNumber_,
                                     frameTimeMs, fc_TBitmap, fileName, true, FrameNumber_);
    }
}

bool TVideoGrabber::CaptureFrameTo(int dest, const QString& fileName)
{
    if (dest != fc_TBitmap || !Pipe_)
    {
        LastError_ = dest != fc_TBitmap ? QString("frames can only be captured to a bitmap")
                                        : QString("no preview is running");
        FailCaptureLater();
        return false;
    }
    CaptureRequested_ = true;
    CaptureFileName_ = fileName;
    return true;
}

void TVideoGrabber::FailCaptureLater()
{
    const QString fileName = CaptureFileName_;
    QMetaObject::invokeMethod(
        this,
        [this, fileName] {
            emit OnFrameCaptureCompleted(this, &NoFrame_, 0, 0, FrameNumber_, 0, fc_TBitmap, fileName, false,
                                         0);
        },
        Qt::QueuedConnection);
}

bool TVideoGrabber::AttachStillButton(const QString& inputNode)
{
    QString error;
    if (StillButton_->Open(inputNode, &error))
        return true;
    LastError_ = error;
    return false;
}

QRect TVideoGrabber::PictureRect() const
{
    if (!KeepAspectRatio_)
        return rect();
    // Letterboxed: the largest rectangle of the picture's shape, centred on black.
    const QSize fitted = Display_.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void TVideoGrabber::paintEvent(QPaintEvent* event)
{
    if (PaintIntoStore(event->region()))
        return;
    QPainter p(this);
    if (Display_.isNull())
    {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const QRect target = PictureRect();
    if (target != rect())
        p.fillRect(rect(), Qt::black);
    p.drawImage(target, Display_);
}

// A painter begun for every frame allocates its state every time. Where Qt paints this widget
// into a window's backing store that is a plain 32-bit image at scale 1 (the usual raster
// case), the picture is written into it directly: nearest pixel, as the painter draws an image
// without smoothing, within the region Qt asks for (the window's mask and the widgets in front
// are Qt's to honour, as they are for the painter). Elsewhere (grab(), render(), a high-DPI or
// other store) the painter does it.
bool TVideoGrabber::PaintIntoStore(const QRegion& region)
{
    QPoint offset;
    QPaintDevice* device = redirected(&offset);
    if (!device || device->devType() != QInternal::Image || sharedPainter())
        return false;
    QImage& store = *static_cast<QImage*>(device);
    const QImage::Format format = store.format();
    if (store.devicePixelRatio() != 1.0 ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QRect picture = Display_.isNull() ? QRect() : PictureRect();
    // Source column of each column of the picture, kept for the size pair.
    if (Columns_.size() != size_t(picture.width()) || ColumnsFrom_ != Display_.width())
    {
        Columns_.resize(size_t(picture.width()));
        ColumnsFrom_ = Display_.width();
        for (int x = 0; x < picture.width(); ++x)
            Columns_[size_t(x)] = int((2 * qint64(x) + 1) * Display_.width() / (2 * qint64(picture.width())));
    }
    constexpr QRgb Black = 0xff000000u;
    const bool sameWidth = picture.width() == Display_.width();
    // Widget pixel (x, y) is pixel (x + dx, y + dy) of the store.
    const int dx = -offset.x(), dy = -offset.y();
    const QRect inStore = store.rect().translated(offset) & rect();
    for (const QRect& r : region)
    {
        const QRect area = r & inStore;
        // The columns of the area left of the picture, on it, and right of it.
        const int from = std::clamp(picture.left(), area.left(), area.right() + 1);
        const int to = std::clamp(picture.right() + 1, from, area.right() + 1);
        for (int y = area.top(); y <= area.bottom(); ++y)
        {
            // Columns from, to and the area's ends, in the store's row.
            QRgb* row = reinterpret_cast<QRgb*>(store.scanLine(y + dy));
            QRgb* const begin = row + (area.left() + dx);
            QRgb* const end = row + (area.right() + 1 + dx);
            if (y < picture.top() || y > picture.bottom())
            {
                std::fill(begin, end, Black);
                continue;
            }
            QRgb* const first = row + (from + dx);
            QRgb* const last = row + (to + dx);
            std::fill(begin, first, Black);
            const int sy =
                int((2 * qint64(y - picture.top()) + 1) * Display_.height() / (2 * qint64(picture.height())));
            const auto* in = reinterpret_cast<const QRgb*>(Display_.constScanLine(sy));
            if (sameWidth)
                std::copy(in + (from - picture.left()), in + (to - picture.left()), first);
            else
                for (int x = from; x < to; ++x)
                    first[x - from] = in[Columns_[size_t(x - picture.left())]];
            std::fill(last, end, Black);
        }
    }
    return true;
}

// ---- Dialogs ----

bool TVideoGrabber::IsDialogAvailable(int dialog) const
{
    if (Source_ == vs_IPCamera || DeviceIndex_ < 0)
        return false;
    const auto& entry = Devices_->Entries()[size_t(DeviceIndex_)];
    if (dialog == dlg_VfwFormat)
        return !entry.Sizes.empty();
    if (dialog == dlg_VideoDevice)
        return !entry.Path.isEmpty() && !TDeviceControls::Query(entry.Path).empty();
    return false;
}

void TVideoGrabber::ShowDialog(int dialog)
{
    if (!IsDialogAvailable(dialog))
    {
        QMessageBox::information(this, "Video device", "The current video source has no such settings.");
        return;
    }
    if (dialog == dlg_VfwFormat)
        ShowFormatDialog();
    else if (dialog == dlg_VideoDevice)
        ShowDeviceDialog();
}

void TVideoGrabber::ShowFormatDialog()
{
    QDialog dlg(this);
    dlg.setObjectName("VideoFormatDialog");
    dlg.setWindowTitle("Video Format");
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(new QLabel("Frame size:", &dlg));
    auto* sizes = new QComboBox(&dlg);
    sizes->setObjectName("SIZES");
    sizes->addItems(VideoSizes().split('\n'));
    sizes->setCurrentIndex(SizeIndex_);
    layout->addWidget(sizes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted || sizes->currentIndex() == SizeIndex_)
        return;
    const bool running = Pipe_ != nullptr;
    SetVideoSize(sizes->currentIndex());
    if (running)
        StartPreview();
}

void TVideoGrabber::ShowDeviceDialog()
{
    const auto& entry = Devices_->Entries()[size_t(DeviceIndex_)];
    TDeviceControls::ShowDialog(entry.Path, entry.Name, this);
}
