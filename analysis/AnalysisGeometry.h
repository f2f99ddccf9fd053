#pragma once
// What every part that shows or hands over an analysed picture shares with the engine: the size
// it analyses (larger frames are scaled down to it, smaller ones lie at its corner) and the
// colours of the zone circles, so the result view, the saved report, the live overlay and a
// profile's drawing show the same zones alike.

#include <QRgb>
#include <cstddef>

constexpr int AnalysisWidth = 640;
constexpr int AnalysisHeight = 480;

// Zone circle colours by kind: the core, the rings between (cladding, adhesive), the outermost
// (contact).
enum class TZoneColour : std::size_t
{
    Core = 0,
    Between = 1,
    Outermost = 2,
};
inline constexpr QRgb ZoneColours[3] = {qRgb(255, 255, 0), qRgb(0, 128, 0), qRgb(0, 0, 255)};

constexpr QRgb ZoneColour(TZoneColour kind)
{
    return ZoneColours[static_cast<std::size_t>(kind)];
}

// The colour of boundary i of count, innermost first.
constexpr QRgb ZoneBoundaryColour(std::size_t i, std::size_t count)
{
    return ZoneColour(i == 0           ? TZoneColour::Core
                      : i + 1 == count ? TZoneColour::Outermost
                                       : TZoneColour::Between);
}
