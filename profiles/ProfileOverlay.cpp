#include "profiles/ProfileOverlay.h"

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "profiles/TrueSizeFindings.h"

#include <QPainter>
#include <cmath>
#include <vector>

std::vector<float> ZoneBoundaries(const TCriteriaProfile& profile)
{
    // Each boundary once: a zone's inner edge where the zone before it does not end there.
    std::vector<float> diameters;
    for (const TProfileZone& z : profile.Zones)
    {
        if (z.InnerDiameter > 0.0f && (diameters.empty() || diameters.back() != z.InnerDiameter))
            diameters.push_back(z.InnerDiameter);
        diameters.push_back(z.OuterDiameter);
    }
    return diameters;
}

void DrawProfileOverlay(QPainter* canvas, const TFiberAnalyzer& a, const TCriteriaProfile& profile, int width,
                        int height, const QRect& rect)
{
    if (!canvas || !a.WorkRaster || !a.WorkRaster->Bitmap || a.WorkRaster->Bitmap->Empty())
        return;
    const TBitmap& image = *a.WorkRaster->Bitmap;
    canvas->save();
    canvas->setRenderHint(QPainter::Antialiasing, false);
    canvas->setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas->drawImage(rect, image.Image());
    canvas->setBrush(Qt::NoBrush);

    const TFibreScale scale = FibreScaleOf(a);
    const std::vector<float> diameters = ZoneBoundaries(profile);
    const float sx = static_cast<float>(width) / static_cast<float>(image.Width());
    const float sy = static_cast<float>(height) / static_cast<float>(image.Height());
    for (std::size_t i = 0; scale.UmPerPixel > 0.0f && i < diameters.size(); ++i)
    {
        const QColor colour(ZoneBoundaryColour(i, diameters.size()));
        canvas->setPen(QPen(colour, 1, Qt::SolidLine));
        const float r = diameters[i] / 2.0f / scale.UmPerPixel;
        const float x1 = (scale.Center.X - r) * sx, y1 = (scale.Center.Y - r) * sy;
        const float x2 = (scale.Center.X + r) * sx, y2 = (scale.Center.Y + r) * sy;
        if (!(std::fabs(x1) < 2.0e9f && std::fabs(y1) < 2.0e9f && std::fabs(x2) < 2.0e9f &&
              std::fabs(y2) < 2.0e9f))
            continue;
        const QRect box(static_cast<int>(x1), static_cast<int>(y1),
                        static_cast<int>(x2) - static_cast<int>(x1) - 1,
                        static_cast<int>(y2) - static_cast<int>(y1) - 1);
        if (box.width() > 0 && box.height() > 0)
            canvas->drawEllipse(box);
    }
    canvas->restore();
}
