// The result view: the working image with its zone circles, and the manual correction of the
// fiber centre (left drag) and the zone size (right drag), redone on release.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"

#include <QPainter>

void TMainForm::PBPaint(QPainter* canvas)
{
    if (!Analyzer)
        return;
    DrawAnalysis(canvas, PB->width(), PB->height(), QRect(0, 0, PB->width(), PB->height()));
}

void TMainForm::PBMouseDown(Qt::MouseButton button, int X, int Y)
{
    // A second button during a drag changes nothing.
    if (!Analyzer || MouseDragging)
        return;
    ScaleDragging = button == Qt::RightButton;
    LastMousePoint = TPoint2D(static_cast<float>(X), static_cast<float>(Y));
    MouseDragging = true;
}

void TMainForm::PBMouseMove(int X, int Y)
{
    if (!Analyzer || !MouseDragging)
        return;
    const float dx = static_cast<float>(X) - LastMousePoint.X;
    const float dy = static_cast<float>(Y) - LastMousePoint.Y;
    if (ScaleDragging)
    {
        // One step per move event, whatever its size: down grows the zones, up shrinks them.
        const float factor = dy > 0 ? 1.01f : dy < 0 ? 0.99f : 1.0f;
        for (float& r : Analyzer->ZoneRadius)
            r *= factor;
    }
    else
    {
        // Paint-box pixels are added to image pixels unscaled.
        Analyzer->Center.X += dx;
        Analyzer->Center.Y += dy;
    }
    PB->repaint();
    LastMousePoint = TPoint2D(static_cast<float>(X), static_cast<float>(Y));
}

void TMainForm::PBMouseUp(Qt::MouseButton, int, int)
{
    if (!MouseDragging)
        return;
    MouseDragging = false;
    // Only an analysed image can be prepared and searched again.
    if (Analyzer && Analyzer->SourceRaster)
    {
        Analyzer->PrepareImage();
        Analyzer->DetectDefects();
        PB->repaint();
        ShowResult();
    }
}
