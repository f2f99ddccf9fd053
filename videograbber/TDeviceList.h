#pragma once
// The video sources GStreamer's device monitor sees, in the order they appeared, each with the
// frame sizes it offers. Arrivals and removals are reported on the GUI thread.

#include <QObject>
#include <QString>
#include <vector>

class QSocketNotifier;
typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstCaps GstCaps;

struct TSizeOption
{
    int Width = 0;
    int Height = 0;
    bool Jpeg = false; // deliver this size as MJPEG (the device offers it faster that way, or only so)
};

// Frame sizes from a device's caps: raw and MJPEG structures usually repeat the same sizes, so
// each size appears once, in the order of its first appearance. A size offered both ways is
// taken raw unless MJPEG gives a higher frame rate.
std::vector<TSizeOption> SizesFromCaps(const GstCaps* caps);

class TDeviceList : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        GstDevice* Device = nullptr; // one reference held
        QString Name;
        QString Path; // the device node, when the device has one
        std::vector<TSizeOption> Sizes;
    };

    explicit TDeviceList(QObject* parent = nullptr);
    ~TDeviceList() override;

    const std::vector<Entry>& Entries() const { return Entries_; }

signals:
    void Arrived(int index, const QString& name);
    void Removed(int index, const QString& name);

private:
    void DrainBus();
    int IndexOf(GstDevice* device) const;
    void Add(GstDevice* device);

    GstDeviceMonitor* Monitor_ = nullptr;
    QSocketNotifier* BusNotifier_ = nullptr;
    std::vector<Entry> Entries_;
};
