#pragma once
// The capture control: lists the video devices and their frame sizes, shows a live preview
// scaled to the widget, lets the owner draw on each frame before it is shown, captures single
// frames as 24-bit bitmaps, plays a WiFi scope's MJPEG-over-HTTP stream, and reports device
// arrival/removal and a stopped source. Built on GStreamer; every event is raised on the GUI
// thread.

#include "platform/TBitmap.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QPainter;
class QTimer;
class TDeviceList;
class TFramePipeline;
class TStillButton;
typedef struct _GstElement GstElement;

// Enumeration values of the control.
enum TVideoSource
{
    vs_VideoCaptureDevice = 0,
    vs_IPCamera = 4
};
enum TIPCameraSetting
{
    ips_ConnectionTimeout = 0
};
enum TAuthenticationType
{
    at_IPCamera = 1
};
enum TRecordingMethod
{
    rm_MP4 = 5
};
enum TFrameCaptureDest
{
    fc_TBitmap = 0
};
enum TDialog
{
    dlg_VideoDevice = 0,
    dlg_VfwFormat = 4
};
enum TWebcamStillCaptureButton
{
    wb_Disabled = 0,
    wb_Enabled = 1
};

class TVideoGrabber : public QWidget
{
    Q_OBJECT

public:
    explicit TVideoGrabber(QWidget* parent = nullptr);
    ~TVideoGrabber() override;

    // Devices: display names, one per line; the chosen device by its line index.
    QString VideoDevices() const;
    int VideoDevice() const;
    void SetVideoDevice(int index);

    // Sizes of the chosen device, one "WIDTHxHEIGHT" per line; the current one by index.
    QString VideoSizes() const;
    int VideoSize() const;
    void SetVideoSize(int index);
    int GetVideoWidthFromIndex(int index) const;
    int GetVideoHeightFromIndex(int index) const;

    int VideoSource() const;
    void SetVideoSource(int source);
    void SetIPCameraSetting(int setting, int value);
    // The address without the credentials it may have been given with.
    QString IPCameraURL() const;
    void SetIPCameraURL(const QString& url);
    void SetAuthentication(int type, const QString& user, const QString& password);

    // Recording settings are kept; nothing records.
    bool RecordingInNativeFormat() const;
    void SetRecordingInNativeFormat(bool on);
    int RecordingMethod() const;
    void SetRecordingMethod(int method);
    bool AudioRecording() const;
    void SetAudioRecording(bool on);

    bool StartPreview();
    void StopPreview();
    // Returns at once; the next frame arrives through OnFrameCaptureCompleted.
    bool CaptureFrameTo(int dest, const QString& fileName);

    bool IsDialogAvailable(int dialog) const;
    void ShowDialog(int dialog);

    // Design-time settings.
    bool AutoRefreshPreview() const { return true; }
    int WebcamStillCaptureButton() const { return StillButtonMode_; }
    void SetWebcamStillCaptureButton(int mode);

    // Whether a preview pipeline runs, and why the last one stopped or failed to start.
    bool IsPreviewing() const;
    QString LastError() const { return LastError_; }
    // Size of the last frame shown (empty before the first): the real size of a stream whose
    // size nobody chose, such as the WiFi scope's.
    QSize FrameSize() const { return Display_.size(); }

    // Off (the default): the picture fills the widget, as the owner sizes it to the picture's
    // shape. On: the picture keeps its aspect ratio inside the widget, with black bars.
    void SetKeepAspectRatio(bool on)
    {
        KeepAspectRatio_ = on;
        update();
    }

    // Listens to an input device for the camera's still button. StartPreview finds the button of
    // a USB camera by itself; this is for other sources and for tests. False with LastError set
    // when the device cannot be read.
    bool AttachStillButton(const QString& inputNode);

signals:
    // Dc paints on the frame about to be shown (a QImage, Format_RGB32), in frame pixels.
    // FrameNumber counts the frames shown since StartPreview (from 1), FrameTime is in ms since the
    // first of them; FrameId equals FrameNumber. Dc is the same painter every frame and keeps what
    // a handler set on it.
    void OnFrameOverlayUsingDC(TVideoGrabber* Sender, QPainter* Dc, qint64 FrameNumber, qint64 FrameTime,
                               qint64 FrameId);
    // FrameBitmap is valid during the call only.
    void OnFrameCaptureCompleted(TVideoGrabber* Sender, const TBitmap* FrameBitmap, int BitmapWidth,
                                 int BitmapHeight, qint64 FrameNumber, qint64 FrameTime, int DestType,
                                 const QString& FileName, bool Success, qint64 FrameId);
    void OnPreviewStarted(TVideoGrabber* Sender);
    void OnInactive(TVideoGrabber* Sender);
    void OnDeviceArrivalOrRemoval(TVideoGrabber* Sender, bool IsDeviceArrival, bool IsVideoDevice,
                                  const QString& DeviceName, int DeviceIndex);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool StartDevicePreview();
    bool StartIPCameraPreview();
    bool Launch(GstElement* pipeline);
    void RaiseInactiveLater();
    void Teardown();
    void SourceStopped(const QString& reason);
    void OnFrame();
    void OnStallCheck();
    QString IPCameraStopReason(const QString& reason, quint32 domain, int code) const;
    void OnDeviceArrived(int index, const QString& name);
    void OnDeviceRemoved(int index, const QString& name);
    void FailCaptureLater();
    QRect PictureRect() const;
    bool PaintIntoStore(const QRegion& region);
    void ShowFormatDialog();
    void ShowDeviceDialog();

    TDeviceList* Devices_ = nullptr;
    TFramePipeline* Pipe_ = nullptr; // the running preview; a child, deleted late (see Teardown)
    quint64 Generation_ = 0;         // a pipeline's messages are ignored once it has been replaced
    int PipeDeviceIndex_ = -1;       // the device of the running USB preview

    int DeviceIndex_ = -1;
    int SizeIndex_ = 0;
    int Source_ = vs_VideoCaptureDevice;
    int ConnectionTimeoutMs_ = 5000;
    QString URL_, User_, Password_;
    QString UrlUser_, UrlPassword_; // given within the address, which keeps neither
    bool RecordingInNativeFormat_ = false;
    int RecordingMethod_ = 0;
    bool AudioRecording_ = false;
    int StillButtonMode_ = wb_Enabled;
    bool KeepAspectRatio_ = false;
    QString LastError_;

    bool CaptureRequested_ = false; // by CaptureFrameTo
    bool ButtonCapture_ = false;    // by the camera's still button
    QString CaptureFileName_;
    bool FrameSeen_ = false; // of the current pipeline
    bool InOverlay_ = false; // the preview-started or overlay handler of a frame is running
    bool InCapture_ = false; // the capture handler of a frame is running
    qint64 FrameNumber_ = 0;
    qint64 FirstPtsNs_ = -1;

    QImage Display_;                    // the frame shown (Format_RGB32), with the overlay drawn on it
    std::unique_ptr<QPainter> Painter_; // the overlay's canvas, kept across frames
    std::vector<int> Columns_;          // source column of each shown column, for PaintIntoStore
    int ColumnsFrom_ = 0;               // the frame width Columns_ was made for
    TBitmap Captured_;                  // the captured frame as it came from the source
    TBitmap NoFrame_;                   // handed over with a failed capture

    QTimer* StallTimer_ = nullptr;
    TStillButton* StillButton_ = nullptr;
};
