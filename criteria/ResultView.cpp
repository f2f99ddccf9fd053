// The result view: the working image with its zone circles, and the manual correction of the
// fiber centre (left drag) and the zone size (right drag), redone on release.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"

#include <QDateTime>
#include <QPainter>
#include <QRadioButton>
#include <exception>

void TMainForm::PBPaint(QPainter* canvas)
{
    if (!Analyzer_)
        return;
    DrawAnalysis(canvas, PB->width(), PB->height(), QRect(0, 0, PB->width(), PB->height()));
    // What was saved for this result, at the top on a dark ground; never in the report picture.
    if (ResultMessages_.isEmpty() || InReportLayout_)
        return;
    const QString text = ResultMessages_.join(QLatin1Char('\n'));
    const QRect area(8, 6, PB->width() - 16, PB->height() - 12);
    const QRect used = canvas->fontMetrics().boundingRect(area, Qt::AlignLeft | Qt::TextWordWrap, text);
    canvas->fillRect(used.adjusted(-4, -2, 4, 2), QColor(0, 0, 0, 170));
    canvas->setPen(Qt::white);
    canvas->drawText(area, Qt::AlignLeft | Qt::TextWordWrap, text);
}

void TMainForm::ShowResultMessage(const QString& text)
{
    ResultMessages_ << text;
    PB->update();
}

void TMainForm::PBMouseDown(Qt::MouseButton button, int X, int Y)
{
    // A second button during a drag changes nothing.
    if (!Analyzer_ || MouseDragging_)
        return;
    ScaleDragging_ = button == Qt::RightButton;
    LastMousePoint_ = TPoint2D(static_cast<float>(X), static_cast<float>(Y));
    MouseDragging_ = true;
}

void TMainForm::PBMouseMove(int X, int Y)
{
    if (!Analyzer_ || !MouseDragging_)
        return;
    const float dx = static_cast<float>(X) - LastMousePoint_.X;
    const float dy = static_cast<float>(Y) - LastMousePoint_.Y;
    if (ScaleDragging_)
    {
        // One step per move event, whatever its size: down grows the zones, up shrinks them.
        const float factor = dy > 0 ? 1.01f : dy < 0 ? 0.99f : 1.0f;
        for (float& r : Analyzer_->ZoneRadius)
            r *= factor;
    }
    else
    {
        // Paint-box pixels are added to image pixels unscaled.
        Analyzer_->Center.X += dx;
        Analyzer_->Center.Y += dy;
    }
    PB->repaint();
    LastMousePoint_ = TPoint2D(static_cast<float>(X), static_cast<float>(Y));
}

void TMainForm::PBMouseUp(Qt::MouseButton, int, int)
{
    if (!MouseDragging_)
        return;
    MouseDragging_ = false;
    Rejudge();
}

void TMainForm::Rejudge()
{
    const bool recorded = Cycle_.ShowingResult() && Cycle_.Shown.Verdict != TVerdict::None;
    // As after a manual correction: the detection runs again, since the engine's evaluation may
    // follow a detection only once. Only an analysed image can be prepared and searched again.
    if (!Analyzer_ || !Analyzer_->SourceRaster)
        return;
    Analyzer_->PrepareImage();
    Analyzer_->DetectDefects();
    PB->repaint();
    ShowResult();
    if (recorded)
        RecordRejudgement();
}

void TMainForm::RecordRejudgement()
{
    Cycle_.Rejudged(QDateTime::currentDateTime());
    QStringList files;
    std::exception_ptr saveError;
    try
    {
        // What was filed under the serial must not disagree with the screen: the re-judged report
        // goes beside it.
        if (Cycle_.Shown.FiledUnderSerial && B_AUTO->isChecked())
            files = FileUnderSerial(true);
    }
    catch (...)
    {
        saveError = std::current_exception();
    }
    LogInspection(files);
    if (saveError)
        std::rethrow_exception(saveError);
}
