#pragma once
// Cameras for tests on machines without video hardware. Register() adds a GStreamer device
// provider to this process; cameras added here are then announced to every GstDeviceMonitor
// as "Video/Source" devices, with the given sizes in their caps, and unplugged again on
// removal. The element a camera's GstDevice creates is a live videotestsrc (behind jpegenc for
// an MJPEG camera), so a capture control builds its normal pipeline from it.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fakecams
{

enum class Format
{
    Raw,        // caps video/x-raw (YUY2), element produces raw video
    Jpeg,       // caps image/jpeg, element produces JPEG frames
    RawAndJpeg, // caps list both for every size (as most UVC cameras do); element produces raw
};

struct Camera
{
    Camera(std::string name, std::vector<std::pair<int, int>> sizes, Format kind = Format::Raw,
           std::optional<std::uint32_t> solidRgb = {})
        : Name(std::move(name)), Sizes(std::move(sizes)), Kind(kind), SolidRgb(solidRgb)
    {
    }

    std::string Name;
    std::vector<std::pair<int, int>> Sizes; // width, height, in the device's order
    Format Kind = Format::Raw;
    // A solid colour 0xRRGGBB, so a test knows every pixel; otherwise a moving test pattern.
    std::optional<std::uint32_t> SolidRgb;
    int Fps = 30;
    // Pictures to show instead, at the first size: R G B rows of width x 3 bytes each. Each is
    // shown for FramesPerPicture frames, in order, then the sequence starts again.
    std::vector<std::vector<std::uint8_t>> Pictures;
    int FramesPerPicture = 1;
};

// Initialises GStreamer if needed and registers the provider (once per process).
void Register();

// Plugs a camera in. Names must be unique among the cameras present.
void AddCamera(const Camera& camera);

// Unplugs the camera with this name; false if there is none.
bool RemoveCamera(const std::string& name);

// Unplugs every camera.
void RemoveAll();

} // namespace fakecams
