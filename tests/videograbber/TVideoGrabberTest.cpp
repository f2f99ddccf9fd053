// The capture control against cameras of the fake device provider: real device monitor, real
// pipelines (videotestsrc behind the device element), real frames.

#include "tests/support/FakeCameras.h"
#include "tests/videograbber/GrabberTestSupport.h"
#include "videograbber/TDeviceList.h"
#include "videograbber/TFramePipeline.h"
#include "videograbber/TStillButton.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

using fakecams::Camera;
using fakecams::Format;

namespace
{

constexpr int WaitMs = 8000;

class GrabberTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EnsureApplication();
        fakecams::Register();
    }
    void TearDown() override { fakecams::RemoveAll(); }

    // A grabber previewing `cam` (the only camera) at size index `size`, with its first frame shown.
    std::unique_ptr<TVideoGrabber> Previewing(const Camera& cam, int size = 0)
    {
        fakecams::AddCamera(cam);
        auto g = std::make_unique<TVideoGrabber>();
        g->resize(320, 240);
        g->show();
        Rec = std::make_unique<EventRecorder>(*g);
        g->SetVideoDevice(0);
        g->SetVideoSize(size);
        EXPECT_TRUE(g->StartPreview()) << g->LastError().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Rec->Overlays > 0; }, WaitMs));
        return g;
    }

    std::unique_ptr<EventRecorder> Rec;
};

TEST_F(GrabberTest, ListsDevicesAndTheirSizesWithoutDuplicates)
{
    fakecams::AddCamera({"Integrated Camera", {{1280, 720}}, Format::Raw});
    fakecams::AddCamera(
        {"USB Video Device", {{1280, 960}, {640, 480}, {720, 480}, {640, 480}}, Format::RawAndJpeg});
    TVideoGrabber g;
    EXPECT_EQ(g.VideoDevices(), "Integrated Camera\nUSB Video Device");
    g.SetVideoDevice(1);
    EXPECT_EQ(g.VideoDevice(), 1);
    EXPECT_EQ(g.VideoSizes(), "1280x960\n640x480\n720x480");
    EXPECT_EQ(g.GetVideoWidthFromIndex(2), 720);
    EXPECT_EQ(g.GetVideoHeightFromIndex(0), 960);
    EXPECT_EQ(g.GetVideoWidthFromIndex(3), 0);
    EXPECT_EQ(g.GetVideoHeightFromIndex(-1), 0);

    g.SetVideoSize(9); // out of range: keeps the current size
    EXPECT_EQ(g.VideoSize(), 0);
    g.SetVideoDevice(5);
    EXPECT_EQ(g.VideoDevice(), -1);
    EXPECT_EQ(g.VideoSizes(), "");
}

TEST_F(GrabberTest, ReportsArrivalAndRemovalAndKeepsTheChosenDevice)
{
    EnsureApplication();
    fakecams::AddCamera({"First", {{640, 480}}});
    fakecams::AddCamera({"Second", {{320, 240}}});
    TVideoGrabber g;
    EventRecorder rec(g);
    g.SetVideoDevice(1);

    fakecams::AddCamera({"Plugged Scope", {{640, 480}, {720, 480}}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rec.DeviceEvents.empty(); }, WaitMs));
    // Devices present at start are not announced as arrivals.
    ASSERT_EQ(rec.DeviceEvents.size(), 1u);
    EXPECT_TRUE(rec.DeviceEvents[0].Arrival);
    EXPECT_EQ(rec.DeviceEvents[0].Name, "Plugged Scope");
    EXPECT_EQ(rec.DeviceEvents[0].Index, 2);
    EXPECT_EQ(g.VideoDevices(), "First\nSecond\nPlugged Scope");

    ASSERT_TRUE(fakecams::RemoveCamera("First"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rec.DeviceEvents.size() == 2; }, WaitMs));
    EXPECT_FALSE(rec.DeviceEvents[1].Arrival);
    EXPECT_EQ(rec.DeviceEvents[1].Name, "First");
    EXPECT_EQ(g.VideoDevices(), "Second\nPlugged Scope");
    EXPECT_EQ(g.VideoDevice(), 0); // still "Second"
    EXPECT_EQ(g.VideoSizes(), "320x240");
}

struct SizesCase
{
    const char* Caps;
    const char* Sizes; // WxH, 'j' after a size taken as MJPEG
};

class SizesFromCapsTest : public ::testing::TestWithParam<SizesCase>
{
};

TEST_P(SizesFromCapsTest, ListsEachSizeOnceWithTheFasterFormat)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstCaps* caps = gst_caps_from_string(GetParam().Caps);
    ASSERT_TRUE(caps);
    std::string got;
    // Appended piece by piece: GCC 12 at -O3 takes a chain of string additions here for
    // overlapping copies (-Wrestrict).
    for (const TSizeOption& s : SizesFromCaps(caps))
    {
        if (!got.empty())
            got += ' ';
        got += std::to_string(s.Width);
        got += 'x';
        got += std::to_string(s.Height);
        if (s.Jpeg)
            got += 'j';
    }
    gst_caps_unref(caps);
    EXPECT_EQ(got, GetParam().Sizes);
}

INSTANTIATE_TEST_SUITE_P(
    Caps, SizesFromCapsTest,
    ::testing::Values(
        // Raw is slow at the large size: MJPEG there, raw where both are equally fast.
        SizesCase{
            "video/x-raw,width=640,height=480,framerate=30/1; image/jpeg,width=640,height=480,framerate=30/1;"
            "image/jpeg,width=1280,height=960,framerate=30/1; "
            "video/x-raw,width=1280,height=960,framerate=5/1",
            "640x480 1280x960j"},
        SizesCase{"image/jpeg,width=640,height=480,framerate={15/1,30/1}; "
                  "video/x-raw,width=640,height=480,framerate=20/1",
                  "640x480j"},
        // A stepwise device: the usual sizes inside the range, then the largest, once.
        SizesCase{"video/x-raw,width=[160,1280],height=[120,960],framerate=[1/1,30/1]",
                  "320x240 640x480 720x480 800x600 1280x720 1280x960"},
        // Encodings without a pipeline of ours are left out.
        SizesCase{"video/x-h264,width=1920,height=1080; video/x-raw,width=720,height=480", "720x480"},
        SizesCase{"video/x-raw", ""}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

struct CaptureCase
{
    int Width, Height;
    Format Kind;
    int Tolerance; // JPEG is lossy, most at the padded edge block
};

void PrintTo(const CaptureCase& c, std::ostream* os)
{
    *os << c.Width << "x" << c.Height;
}

class GrabberCaptureTest : public GrabberTest, public ::testing::WithParamInterface<CaptureCase>
{
};

// A solid colour gives known bytes everywhere; the first and last pixel of every row catch a
// row stride error (a 641-pixel B G R row is padded to 1924 bytes in the pipeline), which would
// rotate the bytes: blue, green and red differ by far more than the JPEG tolerance.
TEST_P(GrabberCaptureTest, CapturesTheSourcePixelsInBgrOrder)
{
    const CaptureCase c = GetParam();
    auto g = Previewing({"Scope", {{c.Width, c.Height}}, c.Kind, 0xE08020});
    ASSERT_TRUE(g->CaptureFrameTo(fc_TBitmap, ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    const CaptureRecord& r = Rec->Captures[0];
    ASSERT_TRUE(r.Success);
    ASSERT_EQ(r.Width, c.Width);
    ASSERT_EQ(r.Height, c.Height);
    ASSERT_EQ(r.Frame.Width(), c.Width);
    ASSERT_EQ(r.Frame.Height(), c.Height);
    const int expected[3] = {0x20, 0x80, 0xE0};
    int bad = 0;
    for (int y = 0; y < c.Height; ++y)
    {
        const std::uint8_t* row = r.Frame.ScanLine(y);
        for (int x : {0, c.Width - 1})
            for (int k = 0; k < 3; ++k)
                if (std::abs(row[3 * x + k] - expected[k]) > c.Tolerance && bad++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " byte " << k << " = "
                                  << int(row[3 * x + k]);
    }
    EXPECT_EQ(bad, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GrabberCaptureTest,
    ::testing::Values(CaptureCase{640, 480, Format::Raw, 0}, CaptureCase{720, 480, Format::Raw, 0},
                      CaptureCase{1280, 960, Format::Raw, 0}, CaptureCase{641, 481, Format::Raw, 0},
                      CaptureCase{641, 480, Format::Jpeg, 48}, CaptureCase{640, 480, Format::RawAndJpeg, 0}),
    [](const auto& param) {
        const CaptureCase& c = param.param;
        return std::to_string(c.Width) + "x" + std::to_string(c.Height) +
               (c.Kind == Format::Jpeg  ? "_jpeg"
                : c.Kind == Format::Raw ? "_raw"
                                        : "_both");
    });

TEST_F(GrabberTest, OverlayDrawsOnTheShownFrameButNotOnTheCapture)
{
    auto g = Previewing({"Scope", {{640, 480}}, Format::Raw, 0x123456});
    Rec->Overlay = [](QPainter* dc) { dc->fillRect(0, 0, 40, 40, QColor(255, 0, 0)); };
    EXPECT_EQ(Rec->OverlaySize, QSize(640, 480)); // frame pixels, not widget pixels
    EXPECT_EQ(Rec->PreviewStarts, 1);

    ASSERT_TRUE(g->CaptureFrameTo(fc_TBitmap, ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    ASSERT_TRUE(Rec->Captures[0].Success);
    const std::uint8_t* px = Rec->Captures[0].Frame.ScanLine(0);
    EXPECT_EQ(px[0], 0x56);
    EXPECT_EQ(px[2], 0x12);

    // Shown scaled to the widget (320 x 240): the 40-pixel square covers 20 widget pixels.
    const QImage shown = g->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(100, 100), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(Rec->PreviewStarts, 1);
}

// The picture in the window, read back from the window's backing store (where the control writes
// it itself, without a painter): the frame with its overlay at the control's place, filling it or
// letterboxed on black, each pixel the nearest of the frame.
TEST_F(GrabberTest, TheWindowShowsTheFrameWhereverAndHoweverTheControlIsPlaced)
{
    const QColor camera(0x12, 0x34, 0x56);
    fakecams::AddCamera({"Scope", {{640, 480}}, Format::Raw, 0x123456});
    QWidget window;
    window.resize(900, 700);
    auto* g = new TVideoGrabber(&window);
    EventRecorder rec(*g);
    // Three quadrants painted over the camera's colour, which stays in the fourth.
    rec.Overlay = [](QPainter* dc) {
        dc->fillRect(0, 0, 320, 240, QColor(255, 0, 0));
        dc->fillRect(320, 0, 320, 240, QColor(0, 255, 0));
        dc->fillRect(0, 240, 320, 240, QColor(0, 0, 255));
    };
    const auto inFrame = [&](int fx, int fy) {
        return fy < 240 ? (fx < 320 ? QColor(255, 0, 0) : QColor(0, 255, 0))
                        : (fx < 320 ? QColor(0, 0, 255) : camera);
    };
    window.show();
    g->SetVideoDevice(0);
    ASSERT_TRUE(g->StartPreview()) << g->LastError().toStdString();

    struct Case
    {
        QRect Geometry;
        bool KeepAspect;
        QRect Picture; // in the control
    };
    for (const Case& c :
         {Case{{0, 0, 640, 480}, false, {0, 0, 640, 480}}, Case{{30, 20, 320, 240}, false, {0, 0, 320, 240}},
          Case{{10, 50, 800, 600}, false, {0, 0, 800, 600}},
          Case{{57, 33, 333, 111}, false, {0, 0, 333, 111}},
          Case{{40, 30, 400, 200}, true, {67, 0, 266, 200}}, Case{{5, 5, 300, 400}, true, {0, 87, 300, 225}}})
    {
        SCOPED_TRACE(testing::Message()
                     << c.Geometry.x() << "," << c.Geometry.y() << " " << c.Geometry.width() << "x"
                     << c.Geometry.height() << (c.KeepAspect ? " letterboxed" : ""));
        g->setGeometry(c.Geometry);
        g->SetKeepAspectRatio(c.KeepAspect);
        const int before = rec.Overlays;
        ASSERT_TRUE(QTest::qWaitFor([&] { return rec.Overlays > before + 2; }, WaitMs));
        QCoreApplication::processEvents();
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
        ASSERT_FALSE(shown.isNull());
        int wrong = 0;
        for (int y = 0; y < c.Geometry.height(); ++y)
            for (int x = 0; x < c.Geometry.width(); ++x)
            {
                const QColor got = shown.pixelColor(c.Geometry.topLeft() + QPoint(x, y));
                if (!c.Picture.contains(x, y))
                {
                    wrong += got != QColor(Qt::black);
                    continue;
                }
                // Where the pixel's centre falls in the frame; within a frame pixel (or a widget
                // pixel's worth) of a quadrant's edge, rounding may take the neighbour.
                const double fx = (x - c.Picture.left() + 0.5) * 640.0 / c.Picture.width();
                const double fy = (y - c.Picture.top() + 0.5) * 480.0 / c.Picture.height();
                const double rx = std::max(640.0 / c.Picture.width(), 1.0);
                const double ry = std::max(480.0 / c.Picture.height(), 1.0);
                bool right = got == inFrame(int(fx), int(fy));
                if (!right && (std::abs(fx - 320) < rx || std::abs(fy - 240) < ry))
                    for (const double dx : {-rx, 0.0, rx})
                        for (const double dy : {-ry, 0.0, ry})
                            right |= got == inFrame(std::clamp(int(fx + dx), 0, 639),
                                                    std::clamp(int(fy + dy), 0, 479));
                wrong += !right;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(GrabberTest, CaptureRequestedFromTheCompletionHandlerTakesTheNextFrame)
{
    auto g = Previewing({"Scope", {{640, 480}}});
    Rec->OnCapture = [&] {
        if (Rec->Captures.size() < 3)
            g->CaptureFrameTo(fc_TBitmap, "");
    };
    g->CaptureFrameTo(fc_TBitmap, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Captures.size() == 3; }, WaitMs));
    for (const auto& r : Rec->Captures)
        EXPECT_TRUE(r.Success);
}

TEST_F(GrabberTest, CaptureWithoutPreviewFailsAfterReturning)
{
    EnsureApplication();
    TVideoGrabber g;
    EventRecorder rec(g);
    EXPECT_FALSE(g.CaptureFrameTo(fc_TBitmap, ""));
    EXPECT_TRUE(rec.Captures.empty()); // never inside the call
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rec.Captures.empty(); }, WaitMs));
    EXPECT_FALSE(rec.Captures[0].Success);
}

TEST_F(GrabberTest, PendingCaptureFailsWhenThePreviewStops)
{
    auto g = Previewing({"Scope", {{640, 480}}});
    ASSERT_TRUE(g->CaptureFrameTo(fc_TBitmap, ""));
    g->StopPreview();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    EXPECT_FALSE(Rec->Captures[0].Success);
    QTest::qWait(200);
    EXPECT_EQ(Rec->Captures.size(), 1u);
}

TEST_F(GrabberTest, UnpluggingThePreviewedDeviceStopsTheSourceOnce)
{
    auto g = Previewing({"Scope", {{640, 480}}});
    ASSERT_TRUE(fakecams::RemoveCamera("Scope"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Inactives > 0; }, WaitMs));
    QTest::qWait(200);
    EXPECT_EQ(Rec->Inactives, 1);
    EXPECT_FALSE(g->IsPreviewing());
    EXPECT_EQ(g->grab().toImage().pixelColor(160, 120), QColor(Qt::black)); // no stale picture
    EXPECT_EQ(g->VideoDevice(), -1);
    ASSERT_EQ(Rec->DeviceEvents.size(), 1u);
    EXPECT_FALSE(Rec->DeviceEvents[0].Arrival);
}

// The owner may restart the preview from inside a frame's handler: the old pipeline must
// outlive the signal it is raising.
TEST_F(GrabberTest, HandlerMayRestartThePreview)
{
    auto g = Previewing({"Scope", {{640, 480}}});
    bool restarted = false;
    Rec->Overlay = [&](QPainter*) {
        if (!restarted)
        {
            restarted = true;
            EXPECT_TRUE(g->StartPreview());
        }
    };
    const int before = Rec->Overlays;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Overlays > before + 5; }, WaitMs));
    EXPECT_TRUE(restarted);
    EXPECT_EQ(Rec->PreviewStarts, 2);
    EXPECT_EQ(Rec->Inactives, 0);
}

// A capture handler may open a modal dialog (the print dialog does): the picture behind it stays
// live, but no overlay or capture event interrupts the handler.
TEST_F(GrabberTest, PictureStaysLiveWhileACaptureHandlerWaits)
{
    auto g = Previewing({"Scope", {{640, 480}}}); // moving pattern
    QImage early, late;
    int overlaysDuring = -1;
    Rec->OnCapture = [&] {
        g->CaptureFrameTo(fc_TBitmap, ""); // waits until the handler returns
        const int overlaysBefore = Rec->Overlays;
        QEventLoop modal;
        QTimer::singleShot(100, [&] { early = g->grab().toImage(); });
        QTimer::singleShot(400, [&] {
            late = g->grab().toImage();
            modal.quit();
        });
        modal.exec();
        overlaysDuring = Rec->Overlays - overlaysBefore;
    };
    g->CaptureFrameTo(fc_TBitmap, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlaysDuring >= 0; }, WaitMs));
    Rec->OnCapture = nullptr;
    EXPECT_EQ(overlaysDuring, 0);
    EXPECT_EQ(Rec->Captures.size(), 1u);
    EXPECT_NE(early, late); // frames kept coming
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Rec->Captures.size() == 2; }, WaitMs)); // the request made inside
    EXPECT_TRUE(Rec->Captures[1].Success);
}

TEST_F(GrabberTest, FormatDialogChangesTheSizeAndRestartsThePreview)
{
    auto g = Previewing({"Scope", {{640, 480}, {1280, 960}}});
    ASSERT_TRUE(g->IsDialogAvailable(dlg_VfwFormat));
    EXPECT_FALSE(g->IsDialogAvailable(dlg_VideoDevice)); // no device node, no controls
    QTimer::singleShot(0, [] {
        auto* dlg = qApp->activeModalWidget();
        ASSERT_TRUE(dlg);
        auto* sizes = dlg->findChild<QComboBox*>("SIZES");
        ASSERT_TRUE(sizes);
        sizes->setCurrentIndex(1);
        static_cast<QDialog*>(dlg)->accept();
    });
    g->ShowDialog(dlg_VfwFormat);
    EXPECT_EQ(g->VideoSize(), 1);
    ASSERT_TRUE(g->IsPreviewing());
    g->CaptureFrameTo(fc_TBitmap, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    EXPECT_EQ(Rec->Captures[0].Width, 1280);
    EXPECT_EQ(Rec->Captures[0].Height, 960);
}

TEST_F(GrabberTest, ChoosingADeviceMakesItTheSourceAgain)
{
    fakecams::AddCamera({"Scope", {{640, 480}}});
    TVideoGrabber g;
    g.SetVideoSource(vs_IPCamera);
    EXPECT_EQ(g.VideoSource(), vs_IPCamera);
    EXPECT_FALSE(g.IsDialogAvailable(dlg_VfwFormat));
    g.SetVideoDevice(0);
    EXPECT_EQ(g.VideoSource(), vs_VideoCaptureDevice);
}

// ---- The camera's still button ----

void WriteKey(int fd, int code, int value)
{
    input_event ev{};
    ev.type = EV_KEY;
    ev.code = static_cast<unsigned short>(code);
    ev.value = value;
    ASSERT_EQ(write(fd, &ev, sizeof ev), ssize_t(sizeof ev));
}

TEST_F(GrabberTest, StillButtonDeliversAFrameNobodyAskedFor)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath("event9"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const int writer = open(fifo.constData(), O_RDWR | O_NONBLOCK); // keeps the FIFO open both ways
    ASSERT_GE(writer, 0);

    auto g = Previewing({"Scope", {{640, 480}}});
    ASSERT_TRUE(g->AttachStillButton(dir.filePath("event9"))) << g->LastError().toStdString();
    WriteKey(writer, KEY_A, 1);
    WriteKey(writer, KEY_CAMERA, 0); // a release is not a press
    QTest::qWait(300);
    EXPECT_TRUE(Rec->Captures.empty());
    WriteKey(writer, KEY_CAMERA, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    EXPECT_TRUE(Rec->Captures[0].Success);
    EXPECT_EQ(Rec->Captures[0].Width, 640);
    QTest::qWait(200);
    EXPECT_EQ(Rec->Captures.size(), 1u);
    close(writer);
}

TEST(StillButtonLookup, FindsTheInputDeviceOfTheSameUsbDevice)
{
    QTemporaryDir root;
    QDir sys(root.path());
    const QString usb = "devices/pci0000:00/usb1/1-2";
    ASSERT_TRUE(sys.mkpath(usb + "/1-2:1.0/input/input7/event7"));
    ASSERT_TRUE(sys.mkpath(usb + "/1-2:1.0/video4linux/video2"));
    ASSERT_TRUE(sys.mkpath("devices/pci0000:00/usb1/1-3/1-3:1.0/video4linux/video4"));
    ASSERT_TRUE(sys.mkpath("class/video4linux/video2"));
    ASSERT_TRUE(sys.mkpath("class/video4linux/video4"));
    ASSERT_TRUE(QFile::link(sys.filePath(usb + "/1-2:1.0"), sys.filePath("class/video4linux/video2/device")));
    ASSERT_TRUE(QFile::link(sys.filePath("devices/pci0000:00/usb1/1-3/1-3:1.0"),
                            sys.filePath("class/video4linux/video4/device")));

    EXPECT_EQ(FindStillButtonInput("/dev/video2", root.path(), "/dev"), "/dev/input/event7");
    EXPECT_EQ(FindStillButtonInput("/dev/video4", root.path(), "/dev"), ""); // a camera without a button
    EXPECT_EQ(FindStillButtonInput("/dev/video9", root.path(), "/dev"), "");
}

TEST_F(GrabberTest, UnreadableButtonIsReportedAndThePreviewGoesOn)
{
    auto g = Previewing({"Scope", {{640, 480}}});
    EXPECT_FALSE(g->AttachStillButton("/nonexistent/event0"));
    EXPECT_TRUE(g->LastError().contains("/nonexistent/event0"));
    EXPECT_TRUE(g->IsPreviewing());
}

} // namespace

namespace
{

// The name an arrival hands on stays valid while the handler runs an event loop in which more
// devices arrive (a modal box further down the chain does exactly that).
TEST_F(GrabberTest, ArrivalNameSurvivesMoreArrivalsDuringTheHandler)
{
    TVideoGrabber g;
    QString seenAfterLoop;
    bool first = true;
    QObject::connect(&g, &TVideoGrabber::OnDeviceArrivalOrRemoval, &g,
                     [&](TVideoGrabber*, bool arrival, bool, const QString& name, int) {
                         if (!arrival || !first)
                             return;
                         first = false;
                         for (int i = 0; i < 12; ++i)
                             fakecams::AddCamera({"Later " + std::to_string(i), {{640, 480}}});
                         [[maybe_unused]] const bool all =
                             QTest::qWaitFor([&] { return g.VideoDevices().count('\n') == 12; }, WaitMs);
                         seenAfterLoop = name;
                     });
    fakecams::AddCamera({"First Scope", {{640, 480}}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first; }, WaitMs));
    ASSERT_EQ(g.VideoDevices().count('\n'), 12);
    EXPECT_EQ(seenAfterLoop, "First Scope");
}

// Every socket notifier, wherever it lives, watches an open descriptor until it is gone.
int OpenNotifiersOnClosedFds(QObject& owner, std::vector<QMetaObject::Connection>& watch, int& bad)
{
    int n = 0;
    for (QSocketNotifier* notifier : owner.findChildren<QSocketNotifier*>())
    {
        const int fd = int(notifier->socket());
        watch.push_back(QObject::connect(notifier, &QObject::destroyed, [fd, &bad] {
            if (fcntl(fd, F_GETFD) == -1)
                ++bad;
        }));
        ++n;
    }
    return n;
}

TEST_F(GrabberTest, DescriptorsCloseOnlyAfterTheirNotifiers)
{
    std::vector<QMetaObject::Connection> watch;
    int bad = 0;
    {
        auto* pipe = new TFramePipeline(gst_parse_launch("videotestsrc ! appsink name=sink", nullptr));
        ASSERT_EQ(OpenNotifiersOnClosedFds(*pipe, watch, bad), 2);
        delete pipe;
    }
    {
        auto* list = new TDeviceList;
        ASSERT_EQ(OpenNotifiersOnClosedFds(*list, watch, bad), 1);
        delete list;
    }
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("button");
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        TStillButton button;
        QString error;
        ASSERT_TRUE(button.Open(fifo, &error)) << error.toStdString();
        ASSERT_EQ(OpenNotifiersOnClosedFds(button, watch, bad), 1);
        button.Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(button.findChildren<QSocketNotifier*>().isEmpty());
    }
    EXPECT_EQ(bad, 0);
}

} // namespace
