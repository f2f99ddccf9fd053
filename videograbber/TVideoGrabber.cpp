#include "videograbber/TVideoGrabber.h"

// Interim: a control without devices; the GStreamer implementation replaces it.
TVideoGrabber::TVideoGrabber(QWidget* parent) : QWidget(parent) {}
TVideoGrabber::~TVideoGrabber() = default;

QString TVideoGrabber::VideoDevices() const { return {}; }
int TVideoGrabber::VideoDevice() const { return -1; }
void TVideoGrabber::SetVideoDevice(int) {}
QString TVideoGrabber::VideoSizes() const { return {}; }
int TVideoGrabber::VideoSize() const { return 0; }
void TVideoGrabber::SetVideoSize(int) {}
int TVideoGrabber::GetVideoWidthFromIndex(int) const { return 0; }
int TVideoGrabber::GetVideoHeightFromIndex(int) const { return 0; }
int TVideoGrabber::VideoSource() const { return vs_VideoCaptureDevice; }
void TVideoGrabber::SetVideoSource(int) {}
void TVideoGrabber::SetIPCameraSetting(int, int) {}
QString TVideoGrabber::IPCameraURL() const { return {}; }
void TVideoGrabber::SetIPCameraURL(const QString&) {}
void TVideoGrabber::SetAuthentication(int, const QString&, const QString&) {}
bool TVideoGrabber::RecordingInNativeFormat() const { return false; }
void TVideoGrabber::SetRecordingInNativeFormat(bool) {}
int TVideoGrabber::RecordingMethod() const { return 0; }
void TVideoGrabber::SetRecordingMethod(int) {}
bool TVideoGrabber::AudioRecording() const { return false; }
void TVideoGrabber::SetAudioRecording(bool) {}
bool TVideoGrabber::StartPreview() { return false; }
void TVideoGrabber::StopPreview() {}
bool TVideoGrabber::CaptureFrameTo(int, const QString&) { return false; }
bool TVideoGrabber::IsDialogAvailable(int) const { return false; }
void TVideoGrabber::ShowDialog(int) {}
