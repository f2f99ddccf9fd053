// The WiFi scope path against a real MJPEG-over-HTTP server on 127.0.0.1 in the test process:
// frames, overlay and capture, credentials, and every way the stream can stop.

#include "tests/support/MjpegServer.h"
#include "tests/videograbber/GrabberTestSupport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace
{

constexpr int WaitMs = 8000;

class IPCameraTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override
    {
        Grabber = std::make_unique<TVideoGrabber>();
        Grabber->resize(320, 240);
        Grabber->show();
        Rec = std::make_unique<EventRecorder>(*Grabber);
    }

    void Start(const QString& url, int timeoutMs, const QString& user = "", const QString& password = "")
    {
        Grabber->SetVideoSource(vs_IPCamera);
        Grabber->SetIPCameraSetting(ips_ConnectionTimeout, timeoutMs);
        Grabber->SetIPCameraURL(url);
        Grabber->SetAuthentication(at_IPCamera, user, password);
        Grabber->StartPreview();
    }

    std::unique_ptr<TVideoGrabber> Grabber;
    std::unique_ptr<EventRecorder> Rec;
};

TEST_F(IPCameraTest, StreamsFramesThroughTheOverlayAndCaptures)
{
    MjpegServer server(MjpegServer::Mode::Stream);
    ASSERT_TRUE(server.Listen());
    Start(server.Url(), 5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Overlays >= 3; }, WaitMs))
        << Grabber->LastError().toStdString();
    EXPECT_EQ(Rec->PreviewStarts, 1);
    EXPECT_EQ(Rec->OverlaySize, QSize(640, 480));
    ASSERT_TRUE(Grabber->CaptureFrameTo(fc_TBitmap, ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    const CaptureRecord& r = Rec->Captures[0];
    ASSERT_TRUE(r.Success);
    EXPECT_EQ(r.Width, 640);
    EXPECT_EQ(r.Height, 480);
    const std::uint8_t* px = r.Frame.ScanLine(240);
    EXPECT_NEAR(px[0], 0x20, 12); // blue first
    EXPECT_NEAR(px[2], 0xE0, 12);
    EXPECT_EQ(Rec->Inactives, 0);
    EXPECT_EQ(Grabber->VideoSource(), vs_IPCamera);
}

// A stream may change its frame size: the shown frame, the canvas and the capture follow.
TEST_F(IPCameraTest, FollowsAChangeOfFrameSize)
{
    MjpegServer server(MjpegServer::Mode::GrowAfter);
    ASSERT_TRUE(server.Listen());
    Start(server.Url(), 5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->OverlaySize == QSize(1280, 960); }, WaitMs));
    Rec->Overlay = [](QPainter* dc) { dc->drawLine(0, 0, 1279, 959); };
    ASSERT_TRUE(Grabber->CaptureFrameTo(fc_TBitmap, ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    EXPECT_TRUE(Rec->Captures[0].Success);
    EXPECT_EQ(Rec->Captures[0].Width, 1280);
    EXPECT_EQ(Rec->Captures[0].Frame.Height(), 960);
    EXPECT_EQ(Rec->PreviewStarts, 1);
    EXPECT_EQ(Rec->Inactives, 0);
}

TEST_F(IPCameraTest, SendsCredentialsWhenTheScopeAsks)
{
    MjpegServer server(MjpegServer::Mode::Stream, "scope:secret");
    ASSERT_TRUE(server.Listen());
    Start(server.Url(), 5000, "scope", "secret");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->PreviewStarts == 1; }, WaitMs))
        << Grabber->LastError().toStdString();
    EXPECT_EQ(Rec->Inactives, 0);
}

TEST_F(IPCameraTest, RefusedCredentialsMakeTheSourceInactive)
{
    for (const auto& [user, password] : {std::pair<QString, QString>{"", ""}, {"scope", "wrong"}})
    {
        SCOPED_TRACE(("user '" + user + "' password '" + password + "'").toStdString());
        SetUp();
        MjpegServer server(MjpegServer::Mode::Stream, "scope:secret");
        ASSERT_TRUE(server.Listen());
        Start(server.Url(), 3000, user, password);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Inactives > 0; }, WaitMs));
        EXPECT_GT(server.Unauthorized, 0);
        EXPECT_EQ(Rec->PreviewStarts, 0);
        EXPECT_FALSE(Grabber->IsPreviewing());
    }
}

enum class Ending
{
    ServerCloses,
    ServerExits,
    ServerGoesSilent,
    NothingListening,
};

class IPCameraEndingTest : public IPCameraTest, public ::testing::WithParamInterface<Ending>
{
};

// However the stream stops, the owner hears it once, and within the connection time-out.
TEST_P(IPCameraEndingTest, RaisesInactiveExactlyOnce)
{
    constexpr int TimeoutMs = 1500;
    const Ending ending = GetParam();
    auto server =
        std::make_unique<MjpegServer>(ending == Ending::ServerCloses       ? MjpegServer::Mode::CloseAfter
                                      : ending == Ending::ServerGoesSilent ? MjpegServer::Mode::SilentAfter
                                                                           : MjpegServer::Mode::Stream);
    ASSERT_TRUE(server->Listen());
    const QString url = server->Url();
    if (ending == Ending::NothingListening)
        server.reset();
    Start(url, TimeoutMs);
    if (ending != Ending::NothingListening)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->PreviewStarts == 1; }, WaitMs));
    }
    QElapsedTimer sinceFrames;
    sinceFrames.start();
    if (ending == Ending::ServerExits)
        server.reset();

    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Inactives > 0; }, TimeoutMs + 3000))
        << "last error: " << Grabber->LastError().toStdString();
    if (ending == Ending::ServerGoesSilent) // the stall timer must not cut a healthy stream short
    {
        EXPECT_GE(sinceFrames.elapsed(), TimeoutMs / 2);
    }
    EXPECT_FALSE(Grabber->IsPreviewing());
    QTest::qWait(TimeoutMs / 2);
    EXPECT_EQ(Rec->Inactives, 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, IPCameraEndingTest,
                         ::testing::Values(Ending::ServerCloses, Ending::ServerExits,
                                           Ending::ServerGoesSilent, Ending::NothingListening),
                         [](const auto& param) {
                             switch (param.param)
                             {
                             case Ending::ServerCloses:
                                 return "ServerCloses";
                             case Ending::ServerExits:
                                 return "ServerExits";
                             case Ending::ServerGoesSilent:
                                 return "ServerGoesSilent";
                             default:
                                 return "NothingListening";
                             }
                         });

TEST_F(IPCameraTest, CaptureFailsWhenTheStreamStopsFirst)
{
    MjpegServer server(MjpegServer::Mode::SilentAfter);
    ASSERT_TRUE(server.Listen());
    Start(server.Url(), 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->PreviewStarts == 1; }, WaitMs));
    QTest::qWait(500); // the server's five frames are through: no frame will come any more
    Grabber->CaptureFrameTo(fc_TBitmap, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Rec->Captures.empty(); }, WaitMs));
    EXPECT_FALSE(Rec->Captures[0].Success);
    EXPECT_EQ(Rec->Inactives, 1);
}

} // namespace

namespace
{

struct StopCase
{
    const char* Name;
    MjpegServer::Mode Mode;
    bool ServerRuns;
    const char* Says; // what the reason must say besides the address
};

class IPCameraStopReasonTest : public IPCameraTest, public ::testing::WithParamInterface<StopCase>
{
};

// The reason names the address and what happened there, not GStreamer's generic texts.
TEST_P(IPCameraStopReasonTest, NamesTheAddressAndWhatHappened)
{
    const StopCase& c = GetParam();
    const bool needsPassword = std::string(c.Name) == "WrongPassword";
    auto server =
        std::make_unique<MjpegServer>(c.Mode, needsPassword ? QByteArray("scope:secret") : QByteArray());
    ASSERT_TRUE(server->Listen());
    const QString url = server->Url();
    if (!c.ServerRuns)
        server.reset();
    Start(url, 1500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Inactives > 0; }, WaitMs));
    const QString reason = Grabber->LastError();
    EXPECT_TRUE(reason.contains(url)) << reason.toStdString();
    EXPECT_TRUE(reason.contains(QLatin1String(c.Says))) << reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, IPCameraStopReasonTest,
    ::testing::Values(StopCase{"Refused", MjpegServer::Mode::Stream, false, "refused"},
                      StopCase{"SilentFromTheStart", MjpegServer::Mode::Silent, true, "sent no picture"},
                      StopCase{"StalledMidStream", MjpegServer::Mode::SilentAfter, true, "stalled"},
                      StopCase{"NotFound", MjpegServer::Mode::NotFound, true, "404"},
                      StopCase{"WrongPassword", MjpegServer::Mode::Stream, true, "user name or password"},
                      StopCase{"NotMjpeg", MjpegServer::Mode::NotMjpeg, true, "not send an MJPEG stream"},
                      StopCase{"ServerCloses", MjpegServer::Mode::CloseAfter, true, "ended the stream"}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST_F(IPCameraTest, KeepsTheStreamsAspectRatioWhenAskedTo)
{
    MjpegServer server(MjpegServer::Mode::Stream);
    QImage wide(640, 360, QImage::Format_RGB32);
    wide.fill(Qt::white);
    server.SetPicture(wide);
    ASSERT_TRUE(server.Listen());
    Grabber->resize(320, 240);
    Grabber->SetKeepAspectRatio(true);
    Start(server.Url(), 5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Overlays >= 2; }, WaitMs));
    EXPECT_EQ(Grabber->FrameSize(), QSize(640, 360));
    // 16:9 in 4:3: black bars of 30 rows above and below, picture between.
    const QImage shown = Grabber->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(160, 10)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(160, 120)), QColor(Qt::white));
    EXPECT_EQ(QColor(shown.pixel(160, 230)), QColor(Qt::black));
}

} // namespace

// Credentials typed into the address connect, but the address kept, shown and put into every
// message about the stream has none.
TEST_F(IPCameraTest, CredentialsInTheAddressConnectButAreNeverShown)
{
    auto server = std::make_unique<MjpegServer>(MjpegServer::Mode::Stream, "scope:s3cret");
    ASSERT_TRUE(server->Listen());
    const QString plain = server->Url();
    Start(QString(plain).replace("http://", "http://scope:s3cret@"), 3000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->PreviewStarts == 1; }, WaitMs))
        << Grabber->LastError().toStdString();
    EXPECT_EQ(Grabber->IPCameraURL(), plain);
    server.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec->Inactives > 0; }, WaitMs));
    EXPECT_TRUE(Grabber->LastError().contains(plain)) << Grabber->LastError().toStdString();
    EXPECT_FALSE(Grabber->LastError().contains("s3cret"));
    EXPECT_FALSE(Grabber->LastError().contains("scope:"));
}
