// The WiFi scope path against a real MJPEG-over-HTTP server on 127.0.0.1 in the test process:
// frames, overlay and capture, credentials, and every way the stream can stop.

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

// Serves multipart/x-mixed-replace JPEG frames of one colour every 33 ms to each client.
class MjpegServer : public QObject
{
public:
    enum class Mode
    {
        Stream,      // frames until the server goes away
        CloseAfter,  // closes the connection after a few frames
        SilentAfter, // keeps the connection open but sends nothing more after a few frames
        GrowAfter,   // switches to 1280 x 960 frames after a few frames
    };

    explicit MjpegServer(Mode mode, QByteArray requiredUserPw = {}) : Mode_(mode), UserPw_(requiredUserPw)
    {
        Jpeg_ = MakeJpeg(640, 480);
        LargeJpeg_ = MakeJpeg(1280, 960);
        connect(&Server_, &QTcpServer::newConnection, this, &MjpegServer::Accept);
        connect(&Tick_, &QTimer::timeout, this, &MjpegServer::SendFrames);
        Tick_.start(33);
    }

    bool Listen() { return Server_.listen(QHostAddress::LocalHost, 0); }
    QString Url() const { return QString("http://127.0.0.1:%1/").arg(Server_.serverPort()); }
    int Unauthorized = 0;

private:
    static QByteArray MakeJpeg(int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(0xE0, 0x80, 0x20));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 90);
        return jpeg;
    }

    struct Client
    {
        QTcpSocket* Socket;
        QByteArray Request;
        bool Streaming = false;
        int Sent = 0;
    };

    void Accept()
    {
        while (QTcpSocket* s = Server_.nextPendingConnection())
        {
            Clients_.push_back({s, {}, false, 0});
            connect(s, &QTcpSocket::readyRead, this, [this, s] { Read(s); });
        }
    }

    void Read(QTcpSocket* s)
    {
        for (Client& c : Clients_)
            if (c.Socket == s)
            {
                c.Request += s->readAll();
                // One request per round; a client may send another after a 401 on the same socket.
                const qsizetype end = c.Request.indexOf("\r\n\r\n");
                if (end < 0 || c.Streaming)
                    return;
                const QByteArray head = c.Request.left(end).toLower();
                c.Request.remove(0, end + 4);
                if (!UserPw_.isEmpty() &&
                    !head.contains("authorization: basic " + UserPw_.toBase64().toLower()))
                {
                    ++Unauthorized;
                    s->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"scope\"\r\n"
                             "Content-Length: 0\r\n\r\n");
                    return;
                }
                s->write(
                    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n");
                c.Streaming = true;
            }
    }

    void SendFrames()
    {
        for (Client& c : Clients_)
        {
            if (!c.Streaming || c.Socket->state() != QAbstractSocket::ConnectedState)
                continue;
            const QByteArray& jpeg = Mode_ == Mode::GrowAfter && c.Sent >= 5 ? LargeJpeg_ : Jpeg_;
            if ((Mode_ == Mode::CloseAfter || Mode_ == Mode::SilentAfter) && c.Sent >= 5)
            {
                if (Mode_ == Mode::CloseAfter)
                    c.Socket->disconnectFromHost();
                continue;
            }
            c.Socket->write("--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                            QByteArray::number(jpeg.size()) + "\r\n\r\n");
            c.Socket->write(jpeg);
            c.Socket->write("\r\n");
            ++c.Sent;
        }
    }

    Mode Mode_;
    QByteArray UserPw_;
    QByteArray Jpeg_, LargeJpeg_;
    QTcpServer Server_;
    QTimer Tick_;
    std::vector<Client> Clients_;
};

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
