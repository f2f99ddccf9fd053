#include "videograbber/TDeviceList.h"

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <gst/gst.h>

namespace
{

// Sizes offered inside a width/height range (stepwise devices): the usual ones that fit, then
// the largest.
constexpr std::array<std::pair<int, int>, 7> CommonSizes{
    {{320, 240}, {640, 480}, {720, 480}, {800, 600}, {1280, 720}, {1280, 960}, {1920, 1080}}};

double MaxFrameRate(const GstStructure* s)
{
    const GValue* v = gst_structure_get_value(s, "framerate");
    if (!v)
        return 0;
    auto rate = [](const GValue* f) {
        int d = gst_value_get_fraction_denominator(f);
        return d ? double(gst_value_get_fraction_numerator(f)) / d : 0.0;
    };
    if (GST_VALUE_HOLDS_FRACTION(v))
        return rate(v);
    if (GST_VALUE_HOLDS_FRACTION_RANGE(v))
        return rate(gst_value_get_fraction_range_max(v));
    double best = 0;
    if (GST_VALUE_HOLDS_LIST(v))
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
        {
            const GValue* f = gst_value_list_get_value(v, i);
            if (GST_VALUE_HOLDS_FRACTION(f))
                best = std::max(best, rate(f));
        }
    return best;
}

// The sizes one caps structure describes: a fixed size, or several from ranges.
std::vector<std::pair<int, int>> SizesOf(const GstStructure* s)
{
    const GValue* w = gst_structure_get_value(s, "width");
    const GValue* h = gst_structure_get_value(s, "height");
    if (!w || !h)
        return {};
    if (G_VALUE_HOLDS_INT(w) && G_VALUE_HOLDS_INT(h))
        return {{g_value_get_int(w), g_value_get_int(h)}};
    if (GST_VALUE_HOLDS_INT_RANGE(w) && GST_VALUE_HOLDS_INT_RANGE(h))
    {
        int w0 = gst_value_get_int_range_min(w), w1 = gst_value_get_int_range_max(w);
        int h0 = gst_value_get_int_range_min(h), h1 = gst_value_get_int_range_max(h);
        std::vector<std::pair<int, int>> out;
        for (auto [cw, ch] : CommonSizes)
            if (cw >= w0 && cw <= w1 && ch >= h0 && ch <= h1)
                out.emplace_back(cw, ch);
        out.emplace_back(w1, h1);
        return out;
    }
    return {};
}

} // namespace

std::vector<TSizeOption> SizesFromCaps(const GstCaps* caps)
{
    struct Seen
    {
        TSizeOption Option;
        double RawRate = -1, JpegRate = -1;
    };
    std::vector<Seen> seen;
    for (guint i = 0; caps && i < gst_caps_get_size(caps); ++i)
    {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        bool jpeg = gst_structure_has_name(s, "image/jpeg");
        if (!jpeg && !gst_structure_has_name(s, "video/x-raw"))
            continue; // other encodings need decoders we do not build pipelines for
        double rate = MaxFrameRate(s);
        for (auto [w, h] : SizesOf(s))
        {
            if (w <= 0 || h <= 0)
                continue;
            auto it = std::find_if(seen.begin(), seen.end(), [&](const Seen& e) {
                return e.Option.Width == w && e.Option.Height == h;
            });
            if (it == seen.end())
                it = seen.insert(seen.end(), Seen{{w, h, false}});
            double& best = jpeg ? it->JpegRate : it->RawRate;
            best = std::max(best, rate);
        }
    }
    std::vector<TSizeOption> out;
    out.reserve(seen.size());
    for (auto& e : seen)
    {
        e.Option.Jpeg = e.RawRate < 0 || e.JpegRate > e.RawRate;
        out.push_back(e.Option);
    }
    return out;
}

TDeviceList::TDeviceList(QObject* parent) : QObject(parent)
{
    Monitor_ = gst_device_monitor_new();
    gst_device_monitor_add_filter(Monitor_, "Video/Source", nullptr);
    GstBus* bus = gst_device_monitor_get_bus(Monitor_);
    GPollFD pfd{};
    gst_bus_get_pollfd(bus, &pfd);
    gst_object_unref(bus);
    BusNotifier_ = new QSocketNotifier(pfd.fd, QSocketNotifier::Read, this);
    connect(BusNotifier_, &QSocketNotifier::activated, this, &TDeviceList::DrainBus);

    if (!gst_device_monitor_start(Monitor_))
        return; // no provider can watch for devices: the list stays empty
    GList* devices = gst_device_monitor_get_devices(Monitor_);
    for (GList* l = devices; l; l = l->next)
        Add(static_cast<GstDevice*>(l->data));
    g_list_free_full(devices, gst_object_unref);
}

TDeviceList::~TDeviceList()
{
    // The notifier goes before the bus whose descriptor it watches.
    delete BusNotifier_;
    BusNotifier_ = nullptr;
    gst_device_monitor_stop(Monitor_);
    for (auto& e : Entries_)
        gst_object_unref(e.Device);
    gst_object_unref(Monitor_);
}

int TDeviceList::IndexOf(GstDevice* device) const
{
    for (size_t i = 0; i < Entries_.size(); ++i)
        if (Entries_[i].Device == device)
            return int(i);
    return -1;
}

void TDeviceList::Add(GstDevice* device)
{
    Entry e;
    e.Device = GST_DEVICE(gst_object_ref(device));
    gchar* name = gst_device_get_display_name(device);
    e.Name = QString::fromUtf8(name);
    g_free(name);
    if (GstStructure* props = gst_device_get_properties(device))
    {
        if (const gchar* path = gst_structure_get_string(props, "device.path"))
            e.Path = QString::fromUtf8(path);
        gst_structure_free(props);
    }
    GstCaps* caps = gst_device_get_caps(device);
    e.Sizes = SizesFromCaps(caps);
    if (caps)
        gst_caps_unref(caps);
    Entries_.push_back(std::move(e));
}

void TDeviceList::DrainBus()
{
    GstBus* bus = gst_device_monitor_get_bus(Monitor_);
    // Bounded: a burst of plugging never keeps the GUI thread here for long.
    for (int n = 0; n < 64; ++n)
    {
        GstMessage* msg = gst_bus_pop(bus);
        if (!msg)
            break;
        GstDevice* device = nullptr;
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_ADDED)
        {
            gst_message_parse_device_added(msg, &device);
            // Devices present at start are announced again; only a new one is an arrival.
            if (IndexOf(device) < 0)
            {
                Add(device);
                // A copy: a handler further down may run an event loop that changes the list.
                const QString name = Entries_.back().Name;
                emit Arrived(int(Entries_.size()) - 1, name);
            }
        }
        else if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_REMOVED)
        {
            gst_message_parse_device_removed(msg, &device);
            int index = IndexOf(device);
            if (index >= 0)
            {
                QString name = Entries_[size_t(index)].Name;
                gst_object_unref(Entries_[size_t(index)].Device);
                Entries_.erase(Entries_.begin() + index);
                emit Removed(index, name);
            }
        }
        if (device)
            gst_object_unref(device);
        gst_message_unref(msg);
    }
    gst_object_unref(bus);
}
