#include "tests/support/FakeCameras.h"

#include <algorithm>
#include <cstring>
#include <gst/gst.h>
#include <memory>
#include <mutex>

// A GstDevice that remembers its camera, and a GstDeviceProvider that announces the cameras of
// the process-wide list. Providers can be instantiated more than once (each monitor may get its
// own), so the list and the started providers are kept here and every change goes to all of them.

namespace
{

struct FakeCamDevice
{
    GstDevice Parent;
    fakecams::Camera* Cam;
};

struct FakeCamDeviceClass
{
    GstDeviceClass ParentClass;
};

struct FakeCamProvider
{
    GstDeviceProvider Parent;
};

struct FakeCamProviderClass
{
    GstDeviceProviderClass ParentClass;
};

std::mutex Lock;
std::vector<fakecams::Camera> Cameras;
std::vector<GstDeviceProvider*> StartedProviders;

GstCaps* CapsOf(const fakecams::Camera& cam)
{
    GstCaps* caps = gst_caps_new_empty();
    for (auto [w, h] : cam.Sizes)
    {
        if (cam.Kind != fakecams::Format::Jpeg)
            gst_caps_append_structure(caps,
                                      gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "YUY2",
                                                        "width", G_TYPE_INT, w, "height", G_TYPE_INT, h,
                                                        "framerate", GST_TYPE_FRACTION, cam.Fps, 1, nullptr));
        if (cam.Kind != fakecams::Format::Raw)
            gst_caps_append_structure(caps, gst_structure_new("image/jpeg", "width", G_TYPE_INT, w, "height",
                                                              G_TYPE_INT, h, "framerate", GST_TYPE_FRACTION,
                                                              cam.Fps, 1, nullptr));
    }
    return caps;
}

// The pictures of a camera and where its sequence stands, for the probe that paints them.
struct PictureShow
{
    std::vector<std::vector<std::uint8_t>> Pictures;
    int FramesPerPicture = 1;
    int Width = 0, Height = 0;
    long Frame = 0;
};

// Paints the next picture into each frame of the paced test source, so timing and timestamps
// stay those of a live camera.
GstPadProbeReturn PaintPicture(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* show = static_cast<PictureShow*>(data);
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    const std::size_t index =
        static_cast<std::size_t>(show->Frame++ / std::max(1, show->FramesPerPicture)) % show->Pictures.size();
    const std::vector<std::uint8_t>& picture = show->Pictures[index];
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE))
        return GST_PAD_PROBE_OK;
    const std::size_t row = static_cast<std::size_t>(show->Width) * 3;
    const std::size_t stride = (row + 3) & ~std::size_t{3};
    for (int y = 0; y < show->Height && (static_cast<std::size_t>(y) + 1) * stride <= map.size; ++y)
        if ((static_cast<std::size_t>(y) + 1) * row <= picture.size())
            std::memcpy(map.data + static_cast<std::size_t>(y) * stride, picture.data() + y * row, row);
    gst_buffer_unmap(buffer, &map);
    return GST_PAD_PROBE_OK;
}

GstElement* PictureSource(const fakecams::Camera& cam)
{
    auto [w, h] = cam.Sizes.front();
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(src, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(src), "pattern", "black");
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstCaps* caps =
        gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", "width", G_TYPE_INT, w, "height",
                            G_TYPE_INT, h, "framerate", GST_TYPE_FRACTION, cam.Fps, 1, nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(bin), src, filter, nullptr);
    gst_element_link(src, filter);
    GstPad* pad = gst_element_get_static_pad(filter, "src");
    auto* show = new PictureShow{cam.Pictures, cam.FramesPerPicture, w, h, 0};
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, PaintPicture, show,
                      [](gpointer data) { delete static_cast<PictureShow*>(data); });
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);
    return bin;
}

GstElement* CreateElement(GstDevice* device, const gchar* name)
{
    const fakecams::Camera& cam = *reinterpret_cast<FakeCamDevice*>(device)->Cam;
    if (!cam.Pictures.empty() && !cam.Sizes.empty())
    {
        GstElement* element = PictureSource(cam);
        if (name)
            gst_element_set_name(element, name);
        return element;
    }
    GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(src, "is-live", TRUE, nullptr);
    if (cam.SolidRgb)
    {
        gst_util_set_object_arg(G_OBJECT(src), "pattern", "solid-color");
        g_object_set(src, "foreground-color", static_cast<guint>(0xff000000u | *cam.SolidRgb), nullptr);
    }
    else
    {
        gst_util_set_object_arg(G_OBJECT(src), "pattern", "ball");
    }
    GstElement* element = src;
    if (cam.Kind == fakecams::Format::Jpeg)
    {
        GstElement* bin = gst_bin_new(nullptr);
        GstElement* enc = gst_element_factory_make("jpegenc", nullptr);
        gst_bin_add_many(GST_BIN(bin), src, enc, nullptr);
        gst_element_link(src, enc);
        GstPad* pad = gst_element_get_static_pad(enc, "src");
        gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
        gst_object_unref(pad);
        element = bin;
    }
    if (name)
        gst_element_set_name(element, name);
    return element;
}

void DeviceFinalize(GObject* object)
{
    delete reinterpret_cast<FakeCamDevice*>(object)->Cam;
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
}

void DeviceClassInit(gpointer klass, gpointer)
{
    GST_DEVICE_CLASS(klass)->create_element = CreateElement;
    G_OBJECT_CLASS(klass)->finalize = DeviceFinalize;
}

void DeviceInit(GTypeInstance* instance, gpointer)
{
    reinterpret_cast<FakeCamDevice*>(instance)->Cam = nullptr;
}

GType DeviceType()
{
    static GType type =
        g_type_register_static_simple(GST_TYPE_DEVICE, "FsFakeCamDevice", sizeof(FakeCamDeviceClass),
                                      DeviceClassInit, sizeof(FakeCamDevice), DeviceInit, GTypeFlags(0));
    return type;
}

GstDevice* NewDevice(const fakecams::Camera& cam)
{
    GstCaps* caps = CapsOf(cam);
    GstStructure* props =
        gst_structure_new("fake-camera-proplist", "device.api", G_TYPE_STRING, "fake", nullptr);
    auto* device = static_cast<FakeCamDevice*>(g_object_new(DeviceType(), "display-name", cam.Name.c_str(),
                                                            "caps", caps, "device-class", "Video/Source",
                                                            "properties", props, nullptr));
    gst_caps_unref(caps);
    gst_structure_free(props);
    device->Cam = new fakecams::Camera(cam);
    return GST_DEVICE(device);
}

GList* Probe(GstDeviceProvider*)
{
    std::lock_guard guard(Lock);
    GList* list = nullptr;
    for (const auto& cam : Cameras)
        list = g_list_append(list, NewDevice(cam));
    return list;
}

gboolean Start(GstDeviceProvider* provider)
{
    std::lock_guard guard(Lock);
    StartedProviders.push_back(provider);
    for (const auto& cam : Cameras)
        gst_device_provider_device_add(provider, NewDevice(cam));
    return TRUE;
}

void Stop(GstDeviceProvider* provider)
{
    std::lock_guard guard(Lock);
    std::erase(StartedProviders, provider);
}

void ProviderClassInit(gpointer klass, gpointer)
{
    auto* pc = GST_DEVICE_PROVIDER_CLASS(klass);
    pc->probe = Probe;
    pc->start = Start;
    pc->stop = Stop;
    gst_device_provider_class_set_static_metadata(pc, "Fake cameras for tests", "Source/Video",
                                                  "Test cameras backed by videotestsrc", "fiberscope");
}

GType ProviderType()
{
    static GType type = g_type_register_static_simple(GST_TYPE_DEVICE_PROVIDER, "FsFakeCamProvider",
                                                      sizeof(FakeCamProviderClass), ProviderClassInit,
                                                      sizeof(FakeCamProvider), nullptr, GTypeFlags(0));
    return type;
}

// Unplugs the devices named `name` (all devices if null) from every started provider.
void Unplug(const std::string* name)
{
    for (GstDeviceProvider* provider : StartedProviders)
    {
        GList* devices = gst_device_provider_get_devices(provider);
        for (GList* l = devices; l; l = l->next)
        {
            auto* dev = static_cast<GstDevice*>(l->data);
            if (G_TYPE_CHECK_INSTANCE_TYPE(dev, DeviceType()) &&
                (!name || reinterpret_cast<FakeCamDevice*>(dev)->Cam->Name == *name))
                gst_device_provider_device_remove(provider, dev);
        }
        g_list_free_full(devices, gst_object_unref);
    }
}

} // namespace

namespace fakecams
{

void Register()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        gst_device_provider_register(nullptr, "fsfakecamprovider", GST_RANK_PRIMARY, ProviderType());
    });
}

void AddCamera(const Camera& camera)
{
    std::lock_guard guard(Lock);
    Cameras.push_back(camera);
    for (GstDeviceProvider* provider : StartedProviders)
        gst_device_provider_device_add(provider, NewDevice(camera));
}

bool RemoveCamera(const std::string& name)
{
    std::lock_guard guard(Lock);
    auto it = std::find_if(Cameras.begin(), Cameras.end(), [&](const Camera& c) { return c.Name == name; });
    if (it == Cameras.end())
        return false;
    Cameras.erase(it);
    Unplug(&name);
    return true;
}

void RemoveAll()
{
    std::lock_guard guard(Lock);
    Cameras.clear();
    Unplug(nullptr);
}

} // namespace fakecams
