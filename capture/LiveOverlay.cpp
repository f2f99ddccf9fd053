// Drawn on every live frame before it is shown: the aiming cross-hair and, for a few seconds
// after a save, its message. Also the one place where requested captures begin. Nothing is
// allocated per frame: the dots are kept and the message is measured in place.

#include "app/TMainForm.h"
#include "videograbber/TVideoGrabber.h"

#include <QImage>
#include <QPainter>
#include <QTimer>

void TMainForm::VIDEOFrameOverlayUsingDC(QPainter* Dc)
{
    if (!Built_ || !Dc)
        return;
    OfferLiveFrame(Dc);
    if (!VIDEO->isVisible())
        return;
    // The frame's painter during this event; owned by VIDEO.
    QPainter* const OverlayCanvas = Dc;
    if (Cycle_.BeginCapture())
    {
        VIDEO->CaptureFrameTo(fc_TBitmap, QString());
        return;
    }
    // A Check of many frames takes seconds: it shows how far it is (the frames are captured
    // before anything is drawn on them).
    if (Cycle_.OverlayStartedCapture() && Cycle_.CaptureCount > 1)
        DrawCaptureProgress(OverlayCanvas);
    if (!Cycle_.CrossHairOn)
        return;
    // Dots one pixel long, two apart, from the top and left edges up to the last pixel row and
    // column. Plotted from a kept list: a dashed pen would make Qt build the dashes per frame.
    const QSize size(Scope_.VideoWidth, Scope_.VideoHeight);
    if (size != CrossHairSize_)
    {
        CrossHairSize_ = size;
        CrossHairDots_.clear();
        const int cx = Scope_.VideoWidth / 2;
        const int cy = Scope_.VideoHeight / 2;
        for (int y = 0; y < Scope_.VideoHeight; y += 3)
            CrossHairDots_.emplace_back(cx, y);
        for (int x = 0; x < Scope_.VideoWidth; x += 3)
            CrossHairDots_.emplace_back(x, cy);
    }
    // Frames are images: their pixels are set directly, since even Qt's point drawing allocates.
    const QRgb yellow = qRgb(255, 255, 0);
    QPaintDevice* device = OverlayCanvas->device();
    if (device && device->devType() == QInternal::Image && OverlayCanvas->transform().isIdentity())
    {
        QImage& image = *static_cast<QImage*>(device);
        for (const QPoint& dot : CrossHairDots_)
            if (image.valid(dot))
                image.setPixel(dot, yellow);
    }
    else
    {
        OverlayCanvas->setPen(QColor(yellow));
        OverlayCanvas->drawPoints(CrossHairDots_.data(), static_cast<int>(CrossHairDots_.size()));
    }
    OverlayCanvas->setBrush(Qt::NoBrush);
    // The message is laid out once per text and font, not per frame.
    if (OverlayMessage_ != OverlayText_.text() || OverlayCanvas->font() != OverlayTextFont_)
    {
        OverlayTextFont_ = OverlayCanvas->font();
        OverlayText_.setText(OverlayMessage_);
        OverlayText_.prepare(QTransform(), OverlayTextFont_);
    }
    static const QPen black(Qt::black);
    OverlayCanvas->setPen(black);
    const int x = (Scope_.VideoWidth - static_cast<int>(OverlayText_.size().width())) / 2;
    if (OverlayMessageOn_)
        OverlayCanvas->drawStaticText(x, 5, OverlayText_);
    DrawLiveOverlay(OverlayCanvas);
}

void TMainForm::ShowOverlayMessage(const QString& text)
{
    OverlayMessageOn_ = true;
    OverlayMessage_ = text;
    // Switching on a timer that already runs does not restart its period.
    if (!MSGTIMER->isActive())
        MSGTIMER->start();
}

void TMainForm::DrawCaptureProgress(QPainter* canvas)
{
    // Laid out again only when the count changes: once per captured frame.
    if (CaptureProgressSaid_ != Cycle_.FramesCaptured)
    {
        CaptureProgressSaid_ = Cycle_.FramesCaptured;
        CaptureProgress_.setText(tr("Capturing %1 / %2").arg(Cycle_.FramesCaptured).arg(Cycle_.CaptureCount));
        CaptureProgress_.prepare(QTransform(), canvas->font());
    }
    const QSizeF size = CaptureProgress_.size();
    const int x = (Scope_.VideoWidth - static_cast<int>(size.width())) / 2;
    canvas->fillRect(
        QRect(x - 6, 24, static_cast<int>(size.width()) + 12, static_cast<int>(size.height()) + 6),
        QColor(0, 0, 0, 170));
    static const QPen yellow(QColor(255, 212, 0));
    canvas->setPen(yellow);
    canvas->drawStaticText(x, 27, CaptureProgress_);
}
