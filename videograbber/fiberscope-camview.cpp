// Manual check of the capture control with a real camera: lists the video devices and their
// sizes, previews one with a cross-hair, and saves a captured frame.
//
//   fiberscope-camview --list
//   fiberscope-camview [--device N] [--size N] [--save FILE]
//   fiberscope-camview --url http://ADDRESS:8196/ [--user U] [--save FILE]
//   (the password from FIBERSCOPE_SCOPE_PASSWORD or --password-file FILE, never the command line,
//   which every local user can read)
//
// Keys: C or Space captures (also the camera's own button), D opens the device's controls,
// F the frame size, Q quits.

#include "platform/BuildInfo.h"
#include "platform/TBitmap.h"
#include "videograbber/TVideoGrabber.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(FS_VERSION));
    QCommandLineParser cli;
    cli.setApplicationDescription("Preview a video device or a WiFi scope through the capture control.");
    cli.addHelpOption();
    cli.addVersionOption();
    cli.addOptions(
        {{"list", "List the video devices and their frame sizes, then exit."},
         {"device", "Preview device number N of the list (default 0).", "N", "0"},
         {"size", "Use frame size number N of the device (default 0).", "N", "0"},
         {"url", "Preview an MJPEG-over-HTTP stream instead of a device.", "URL"},
         {"user", "User name for the stream.", "USER"},
         {"password-file",
          "Read the stream's password from FILE (first line). The environment variable "
          "FIBERSCOPE_SCOPE_PASSWORD is used otherwise. There is no password option: the command line "
          "is visible to every local user.",
          "FILE"},
         {"save", "Where a captured frame is saved (default capture.bmp).", "FILE", "capture.bmp"}});
    cli.process(app);
    QTextStream out(stdout);

    TVideoGrabber video;
    video.setWindowTitle("fiberscope-camview");
    // The window can take any shape; the picture keeps its own.
    video.SetKeepAspectRatio(true);
    const QStringList devices = video.VideoDevices().split('\n', Qt::SkipEmptyParts);
    for (int i = 0; i < devices.size(); ++i)
    {
        video.SetVideoDevice(i);
        out << i << ": " << devices[i] << "\n    " << video.VideoSizes().replace('\n', ' ') << "\n";
    }
    out.flush();
    if (cli.isSet("list"))
        return 0;

    if (cli.isSet("url"))
    {
        video.SetVideoSource(vs_IPCamera);
        video.SetIPCameraSetting(ips_ConnectionTimeout, 5000);
        video.SetIPCameraURL(cli.value("url"));
        QString password = qEnvironmentVariable("FIBERSCOPE_SCOPE_PASSWORD");
        if (cli.isSet("password-file"))
        {
            QFile file(cli.value("password-file"));
            if (!file.open(QIODevice::ReadOnly))
            {
                std::fprintf(stderr, "fiberscope-camview: cannot read the password file %s\n",
                             qPrintable(cli.value("password-file")));
                return 2;
            }
            password =
                QString::fromUtf8(file.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        }
        video.SetAuthentication(at_IPCamera, cli.value("user"), password);
    }
    else
    {
        video.SetVideoDevice(cli.value("device").toInt());
        video.SetVideoSize(cli.value("size").toInt());
        if (video.VideoDevice() < 0)
        {
            std::fprintf(stderr, "fiberscope-camview: no video device %s (see --list)\n",
                         qPrintable(cli.value("device")));
            return 1;
        }
    }

    const QString savePath = cli.value("save");
    QObject::connect(&video, &TVideoGrabber::OnFrameOverlayUsingDC, &video,
                     [](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                         const int w = dc->device()->width(), h = dc->device()->height();
                         dc->setPen(QPen(QColor(255, 255, 0), 1, Qt::DotLine));
                         dc->drawLine(w / 2, 0, w / 2, h);
                         dc->drawLine(0, h / 2, w, h / 2);
                     });
    QObject::connect(&video, &TVideoGrabber::OnFrameCaptureCompleted, &video,
                     [&](TVideoGrabber*, const TBitmap* frame, int w, int h, qint64, qint64, int,
                         const QString&, bool ok, qint64) {
                         if (!ok)
                             std::fprintf(stderr, "capture failed: %s\n", qPrintable(video.LastError()));
                         else if (!frame->Image().save(savePath))
                             std::fprintf(stderr, "cannot write %s\n", qPrintable(savePath));
                         else
                             std::printf("saved %dx%d frame to %s\n", w, h, qPrintable(savePath));
                         std::fflush(stdout);
                     });
    QObject::connect(&video, &TVideoGrabber::OnPreviewStarted, &video, [&](TVideoGrabber*) {
        const QString size = video.VideoSource() == vs_IPCamera
                                 ? QString("stream")
                                 : QString("%1x%2")
                                       .arg(video.GetVideoWidthFromIndex(video.VideoSize()))
                                       .arg(video.GetVideoHeightFromIndex(video.VideoSize()));
        std::printf("preview started (%s)\n", qPrintable(size));
        std::fflush(stdout);
    });
    QObject::connect(&video, &TVideoGrabber::OnInactive, &video, [&](TVideoGrabber*) {
        std::fprintf(stderr, "source stopped: %s\n", qPrintable(video.LastError()));
    });
    QObject::connect(&video, &TVideoGrabber::OnDeviceArrivalOrRemoval, &video,
                     [](TVideoGrabber*, bool arrival, bool, const QString& name, int index) {
                         std::printf("device %s: %d %s\n", arrival ? "arrived" : "removed", index,
                                     qPrintable(name));
                         std::fflush(stdout);
                     });

    auto key = [&](QKeySequence seq, auto action) {
        QObject::connect(new QShortcut(seq, &video), &QShortcut::activated, &video, action);
    };
    key(Qt::Key_C, [&] { video.CaptureFrameTo(fc_TBitmap, ""); });
    key(Qt::Key_Space, [&] { video.CaptureFrameTo(fc_TBitmap, ""); });
    key(Qt::Key_D, [&] { video.ShowDialog(dlg_VideoDevice); });
    key(Qt::Key_F, [&] { video.ShowDialog(dlg_VfwFormat); });
    key(Qt::Key_Q, [&] { app.quit(); });

    video.resize(640, 480);
    video.show();
    if (!video.StartPreview())
        std::fprintf(stderr, "fiberscope-camview: %s\n", qPrintable(video.LastError()));
    return app.exec();
}
