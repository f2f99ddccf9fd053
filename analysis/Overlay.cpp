// The analysis picture: the working image stretched into a rectangle and the zone circles of the
// current mode over it, as 1-pixel outlines without antialiasing.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <QPainter>
#include <cmath>

namespace
{
// Truncation toward zero; false for values no int can hold (a centre thrown far away by
// collinear edge points), whose circle lies far off the canvas anyway.
bool Truncate(float v, int& out)
{
    if (!(std::fabs(v) < 2.0e9f))
        return false;
    out = static_cast<int>(v);
    return true;
}
} // namespace

void TFiberAnalyzer::DrawOverlay(QPainter* canvas, int width, int height, const QRect& rect) const
{
    if (!canvas || !WorkRaster || !WorkRaster->Bitmap || WorkRaster->Bitmap->Empty())
        return;
    const TBitmap& image = *WorkRaster->Bitmap;

    canvas->save();
    canvas->setRenderHint(QPainter::Antialiasing, false);
    canvas->setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas->drawImage(rect, image.Image());

    canvas->setBrush(Qt::NoBrush);
    const float sx = static_cast<float>(width) / static_cast<float>(image.Width());
    const float sy = static_cast<float>(height) / static_cast<float>(image.Height());
    // Core circles of both modes, cladding and adhesive between, contact outermost.
    static const QColor Colours[5] = {
        QColor(ZoneColour(TZoneColour::Core)), QColor(ZoneColour(TZoneColour::Core)),
        QColor(ZoneColour(TZoneColour::Between)), QColor(ZoneColour(TZoneColour::Between)),
        QColor(ZoneColour(TZoneColour::Outermost))};
    for (int k = 0; k < 5; ++k)
    {
        if (Mode != 0 && Mode != 1)
            break;
        if ((k == 1 && Mode == 0) || (k == 0 && Mode == 1))
            continue;
        canvas->setPen(QPen(Colours[k], 1, Qt::SolidLine));
        const float r = ZoneRadius[k];
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!Truncate((Center.X - r) * sx, x1) || !Truncate((Center.Y - r) * sy, y1) ||
            !Truncate((Center.X + r) * sx, x2) || !Truncate((Center.Y + r) * sy, y2))
            continue;
        // The box (x1, y1)-(x2, y2) excludes its right and bottom edge: the outline's extreme
        // pixels are x1 and x2 - 1. A QRect of width w outlines w + 1 columns.
        if (x2 <= x1 || y2 <= y1)
            continue;
        canvas->drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
    canvas->restore();
}
