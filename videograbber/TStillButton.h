#pragma once
// The still-capture button of a USB camera. The UVC driver reports it as a key (KEY_CAMERA) on
// an input device that sits below the same USB device as the video node; reading that input
// device needs read access to /dev/input/event*, which desktop systems often grant only to
// root or the "input" group.

#include <QObject>
#include <QString>

class QSocketNotifier;

// The input event node that belongs to the same USB device as `videoNode` (/dev/videoN), found
// under `sysRoot` (normally "/sys"), named under `devRoot` (normally "/dev"). Empty if none.
QString FindStillButtonInput(const QString& videoNode, const QString& sysRoot = "/sys",
                             const QString& devRoot = "/dev");

class TStillButton : public QObject
{
    Q_OBJECT

public:
    explicit TStillButton(QObject* parent = nullptr);
    ~TStillButton() override;

    // Starts listening to the input device; false with a reason (e.g. no permission).
    bool Open(const QString& inputNode, QString* error);
    void Close();
    bool IsOpen() const { return Fd_ >= 0; }

signals:
    void Pressed();

private:
    void ReadEvents();

    int Fd_ = -1;
    QSocketNotifier* Notifier_ = nullptr;
};
