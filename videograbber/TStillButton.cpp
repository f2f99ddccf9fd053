#include "videograbber/TStillButton.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>
#include <utility>

QString FindStillButtonInput(const QString& videoNode, const QString& sysRoot, const QString& devRoot)
{
    const QString name = QFileInfo(videoNode).fileName();
    if (name.isEmpty())
        return {};
    // video4linux/videoN/device is the USB interface; its parent is the USB device, under which
    // the driver's input device hangs (usually below the same interface).
    QString iface = QFileInfo(sysRoot + "/class/video4linux/" + name + "/device").canonicalFilePath();
    if (iface.isEmpty())
        return {};
    QString usbDevice = QFileInfo(iface).fileName().contains(':') ? QFileInfo(iface).path() : iface;

    static const QRegularExpression eventName("^event[0-9]+$");
    static const QRegularExpression inputName("^input[0-9]+$");
    // sysfs links back up the tree; the iterator does not follow links, and the walk is bounded.
    QDirIterator it(usbDevice, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    for (int n = 0; n < 5000 && it.hasNext(); ++n)
    {
        QFileInfo dir(it.next());
        if (eventName.match(dir.fileName()).hasMatch() &&
            inputName.match(QFileInfo(dir.path()).fileName()).hasMatch())
            return devRoot + "/input/" + dir.fileName();
    }
    return {};
}

TStillButton::TStillButton(QObject* parent) : QObject(parent)
{
}

TStillButton::~TStillButton()
{
    Close();
}

bool TStillButton::Open(const QString& inputNode, QString* error)
{
    Close();
    Fd_ = ::open(QFile::encodeName(inputNode).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (Fd_ < 0)
    {
        if (error)
            *error = QString("cannot read the camera button at %1: %2").arg(inputNode, strerror(errno));
        return false;
    }
    Notifier_ = new QSocketNotifier(Fd_, QSocketNotifier::Read, this);
    connect(Notifier_, &QSocketNotifier::activated, this, &TStillButton::ReadEvents);
    return true;
}

void TStillButton::Close()
{
    if (Notifier_)
    {
        // May run inside the notifier's own signal: let it finish first, and close the
        // descriptor only once the notifier is gone, so it never watches a closed one.
        Notifier_->setEnabled(false);
        const int fd = std::exchange(Fd_, -1);
        connect(Notifier_, &QObject::destroyed, [fd] { ::close(fd); });
        Notifier_->deleteLater();
        Notifier_ = nullptr;
    }
    if (Fd_ >= 0)
        ::close(Fd_);
    Fd_ = -1;
}

void TStillButton::ReadEvents()
{
    input_event events[16];
    // Bounded: a flood of events cannot hold the GUI thread.
    for (int round = 0; round < 8 && Fd_ >= 0; ++round)
    {
        ssize_t n = ::read(Fd_, events, sizeof events);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        {
            Close(); // the device went away (unplugged)
            return;
        }
        if (n < 0)
            return;
        for (size_t i = 0; i < size_t(n) / sizeof(input_event); ++i)
            if (events[i].type == EV_KEY && events[i].code == KEY_CAMERA && events[i].value == 1)
                emit Pressed();
    }
}
