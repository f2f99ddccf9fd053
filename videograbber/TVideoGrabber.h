#pragma once
// The capture control: lists the video devices and their frame sizes, shows a live preview
// scaled to the widget, lets the owner draw on each frame before it is shown, captures single
// frames as 24-bit bitmaps, plays a WiFi scope's MJPEG-over-HTTP stream, and reports device
// arrival/removal and a stopped source. Built on GStreamer; every event is raised on the GUI
// thread.

#include <QString>
#include <QWidget>

class QPainter;
class TBitmap;

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

signals:
    // Dc paints on the frame about to be shown, in frame pixels.
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
};
