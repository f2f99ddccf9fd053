#pragma once
// A WiFi scope on 127.0.0.1 for tests: serves multipart/x-mixed-replace JPEG frames every 33 ms
// to each client, and can end the stream in the ways a real scope does.

#include <QBuffer>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <vector>

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
        Silent,      // accepts the connection and never answers
        NotFound,    // answers 404
        NotMjpeg,    // answers 200 with a web page
    };

    explicit MjpegServer(Mode mode, QByteArray requiredUserPw = {}) : Mode_(mode), UserPw_(requiredUserPw)
    {
        Jpeg_ = MakeJpeg(Solid(640, 480));
        LargeJpeg_ = MakeJpeg(Solid(1280, 960));
        connect(&Server_, &QTcpServer::newConnection, this, &MjpegServer::Accept);
        connect(&Tick_, &QTimer::timeout, this, &MjpegServer::SendFrames);
        Tick_.start(33);
    }

    bool Listen(quint16 port = 0) { return Server_.listen(QHostAddress::LocalHost, port); }
    quint16 Port() const { return Server_.serverPort(); }
    QString Url() const { return QString("http://127.0.0.1:%1/").arg(Server_.serverPort()); }
    int Unauthorized = 0;
    // Serves this picture from now on in place of the solid 640 x 480 frame.
    void SetPicture(const QImage& image) { Jpeg_ = MakeJpeg(image); }

private:
    static QImage Solid(int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(0xE0, 0x80, 0x20));
        return image;
    }

    static QByteArray MakeJpeg(const QImage& image)
    {
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
                if (Mode_ == Mode::Silent)
                    return;
                if (Mode_ == Mode::NotFound || Mode_ == Mode::NotMjpeg)
                {
                    s->write(Mode_ == Mode::NotFound
                                 ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"
                                 : "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>scope</html>");
                    if (Mode_ == Mode::NotMjpeg)
                        s->disconnectFromHost();
                    return;
                }
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
