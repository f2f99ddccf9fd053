// Drawn on every live frame before it is shown: the aiming cross-hair and, for a few seconds
// after a save, its message. Also the one place where requested captures begin. Nothing is
// allocated per frame: the pen is built once and the message is measured in place.

#include "app/TMainForm.h"
#include "videograbber/TVideoGrabber.h"

#include <QFontMetrics>
#include <QPainter>

void TMainForm::VIDEOFrameOverlayUsingDC(QPainter* Dc)
{
    if (!VIDEO->isVisible() || !Dc)
        return;
    OverlayCanvas = Dc;
    if (CaptureRequested)
    {
        CaptureRequested = false;
        VIDEO->CaptureFrameTo(fc_TBitmap, QString());
        FramesCaptured = 0;
        OverlayStartedCapture = true;
        return;
    }
    if (!CrossHairOn)
        return;
    static const QPen crossPen(QBrush(QColor(255, 255, 0)), 0, Qt::DotLine);
    OverlayCanvas->setPen(crossPen);
    OverlayCanvas->setBrush(Qt::NoBrush);
    const int cx = VideoWidth / 2;
    const int cy = VideoHeight / 2;
    // The end points lie just outside the frame, as the lines are drawn end-exclusive.
    OverlayCanvas->drawLine(cx, 0, cx, VideoHeight - 1);
    OverlayCanvas->drawLine(0, cy, VideoWidth - 1, cy);
    OverlayCanvas->setPen(Qt::black);
    const QFontMetrics metrics = OverlayCanvas->fontMetrics();
    const int x = (VideoWidth - metrics.horizontalAdvance(OverlayMessage)) / 2;
    if (OverlayMessageOn)
        OverlayCanvas->drawText(x, 5 + metrics.ascent(), OverlayMessage);
}
