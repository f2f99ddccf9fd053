// The edge locator on arbitrary pictures: the first four bytes give the width and height (1 to
// 720 and 1 to 540), the rest are the pixels, repeated to fill the picture. Contract: a found
// fiber has a finite centre inside the picture and positive finite radii, the arc seen lies in
// 0..1, and a refusal says why; libFuzzer's time-out catches a loop without end.

#include "analysis/EdgeLocator.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    const int width = 1 + (data[0] | (data[1] << 8)) % 720;
    const int height = 1 + (data[2] | (data[3] << 8)) % 540;
    static TEdgeLocatorScratch scratch;
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = data[4 + i % (size - 4)];
    const TEdgeLocation loc = LocateFiberByEdge(grey.data(), width, height, scratch);
    FUZZ_CHECK(loc.ArcSeen >= 0.0f && loc.ArcSeen <= 1.0f);
    if (loc.Found)
    {
        FUZZ_CHECK(loc.Reason == TNoFiberReason::None);
        FUZZ_CHECK(std::isfinite(loc.Centre.X) && std::isfinite(loc.Centre.Y));
        FUZZ_CHECK(loc.Centre.X >= 0.0f && loc.Centre.X <= float(width - 1));
        FUZZ_CHECK(loc.Centre.Y >= 0.0f && loc.Centre.Y <= float(height - 1));
        FUZZ_CHECK(std::isfinite(loc.RadiusX) && loc.RadiusX > 0.0f);
        FUZZ_CHECK(std::isfinite(loc.RadiusY) && loc.RadiusY > 0.0f);
    }
    else
        FUZZ_CHECK(loc.Reason != TNoFiberReason::None && !loc.WhollyInPicture);
    return 0;
}
