#pragma once
// What the capture control's tests share: one QApplication, and a recorder of every event the
// control raises, with the frames it was handed.

#include "platform/TBitmap.h"
#include "videograbber/TVideoGrabber.h"

#include <QApplication>
#include <QPainter>
#include <QtTest/QTest>
#include <functional>
#include <ostream>
#include <vector>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "videograbber_tests";
    static char* argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
}

struct CaptureRecord
{
    bool Success = false;
    int Width = 0, Height = 0;
    TBitmap Frame; // a copy: the control's bitmap is valid during the event only
};

struct DeviceEventRecord
{
    bool Arrival = false;
    QString Name;
    int Index = -1;
};

class EventRecorder
{
public:
    explicit EventRecorder(TVideoGrabber& grabber)
    {
        QObject::connect(&grabber, &TVideoGrabber::OnFrameOverlayUsingDC, &grabber,
                         [this](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                             ++Overlays;
                             OverlaySize = QSize(dc->device()->width(), dc->device()->height());
                             if (Overlay)
                                 Overlay(dc);
                         });
        QObject::connect(&grabber, &TVideoGrabber::OnFrameCaptureCompleted, &grabber,
                         [this](TVideoGrabber*, const TBitmap* bmp, int w, int h, qint64, qint64, int,
                                const QString&, bool ok, qint64) {
                             CaptureRecord r;
                             r.Success = ok;
                             r.Width = w;
                             r.Height = h;
                             if (ok)
                                 r.Frame.Assign(bmp->Image());
                             Captures.push_back(std::move(r));
                             if (OnCapture)
                                 OnCapture();
                         });
        QObject::connect(&grabber, &TVideoGrabber::OnPreviewStarted, &grabber,
                         [this](TVideoGrabber*) { ++PreviewStarts; });
        QObject::connect(&grabber, &TVideoGrabber::OnInactive, &grabber,
                         [this](TVideoGrabber*) { ++Inactives; });
        QObject::connect(&grabber, &TVideoGrabber::OnDeviceArrivalOrRemoval, &grabber,
                         [this](TVideoGrabber*, bool arrival, bool, const QString& name, int index) {
                             DeviceEvents.push_back({arrival, name, index});
                         });
    }

    int Overlays = 0;
    QSize OverlaySize;
    std::function<void(QPainter*)> Overlay;
    std::function<void()> OnCapture;
    std::vector<CaptureRecord> Captures;
    int PreviewStarts = 0;
    int Inactives = 0;
    std::vector<DeviceEventRecord> DeviceEvents;
};
