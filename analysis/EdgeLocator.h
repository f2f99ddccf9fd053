#pragma once
// Fiber location from edges: finds the cladding's ellipse wherever the fiber lies, whatever its
// polarity, or says that the picture holds no fiber. See EdgeLocator.cpp for the method and its
// cost.

#include "analysis/TPoint2D.h"

#include <cstdint>
#include <vector>

enum class TNoFiberReason
{
    None,            // a fiber was found
    PictureTooSmall, // too few pixels to hold the smallest fiber
    NoEdges,         // nothing in the picture steps by more than noise
    NoRing,          // no centre has edges around enough of a circle
    PoorFit,         // a ring was seen, but its edge is not an ellipse all round
};
const char* NoFiberReasonName(TNoFiberReason reason);

struct TEdgeLocation
{
    bool Found = false;
    TPoint2D Centre;      // pixel centres at whole numbers
    float RadiusX = 0.0f; // the cladding's half axes, in pixels
    float RadiusY = 0.0f;
    float ArcSeen = 0.0f; // share 0..1 of the cladding's circumference with edge support
    bool WhollyInPicture = false;
    TNoFiberReason Reason = TNoFiberReason::None;
};

// What one call needs besides the picture. Keep one per caller: after the first picture of a size
// the locator allocates nothing.
class TEdgeLocatorScratch
{
public:
    struct Edge
    {
        float X, Y;   // full-resolution position of the coarse cell's centre
        float UX, UY; // unit gradient, towards the brighter side
    };
    struct RayEdge
    {
        float T;        // distance from the centre along the ray
        float Strength; // signed step, positive when brighter outwards
    };
    static constexpr int Rays = 256;
    static constexpr int EdgesPerRay = 4;

    std::vector<std::uint16_t> Coarse;
    std::vector<std::int32_t> Magnitude;
    std::vector<std::int32_t> GradX, GradY;
    std::vector<std::uint32_t> Votes, Smoothed;
    std::vector<Edge> Edges;
    std::vector<float> Profile;
    std::vector<RayEdge> RayEdges; // Rays x EdgesPerRay
    std::vector<int> RayEdgeCount;
    std::vector<float> PointX, PointY;
    std::vector<std::uint8_t> Inlier;
    std::vector<float> Residual, Sorted, RayNoise, Contrast;
};

// The locator's ellipse fit: least squares of an axis-aligned ellipse through the first n points
// of scratch.PointX / PointY that scratch.Inlier marks (at least eight), in double, with the
// coordinates taken relative to (ox, oy) for conditioning. Valid is false when they fit none.
struct TAxisEllipse
{
    float X = 0.0f, Y = 0.0f, RX = 0.0f, RY = 0.0f;
    bool Valid = false;
};
TAxisEllipse FitAxisEllipse(const TEdgeLocatorScratch& scratch, int n, float ox, float oy);

// grey: width x height bytes, rows one after another.
TEdgeLocation LocateFiberByEdge(const std::uint8_t* grey, int width, int height,
                                TEdgeLocatorScratch& scratch);
