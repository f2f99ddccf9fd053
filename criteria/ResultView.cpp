// The result view: the working image with its zone circles, and the manual correction of the
// fiber centre (left drag) and the zone size (right drag), redone on release.

#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <exception>

void TMainForm::PBPaint(QPainter* canvas)
{
    if (!Analyzer_)
        return;
    DrawAnalysis(canvas, PB->width(), PB->height(), QRect(0, 0, PB->width(), PB->height()));
    // Why there is no verdict, in the middle of the picture it is about. A connector's view
    // judged in part says so in the verdict panel; its picture holds the fibres' own verdicts.
    const bool connectorView = ConnectorShown();
    const TVerdict verdict = Cycle_.Shown.Verdict;
    if (Cycle_.ShowingResult() &&
        (connectorView ? verdict != TVerdict::Partial && Cycle_.Shown.NoVerdict() : !Location_.Judges()))
    {
        const QString reason =
            connectorView ? ConnectorNoVerdictReason() : EngineText(NoVerdictReason(Location_));
        const QFont previous = canvas->font();
        QFont large = previous;
        large.setPixelSize(20);
        large.setBold(true);
        canvas->setFont(large);
        // A connector's fibres lie across the middle: its reason goes above them.
        const QRect area = connectorView ? QRect(24, 16, PB->width() - 48, PB->height() / 3)
                                         : QRect(24, 0, PB->width() - 48, PB->height());
        const int align =
            (connectorView ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignCenter) | Qt::TextWordWrap;
        const QRect used = canvas->fontMetrics().boundingRect(area, align, reason);
        canvas->fillRect(used.adjusted(-10, -6, 10, 6), QColor(0, 0, 0, 190));
        canvas->setPen(QColor(255, 212, 0));
        canvas->drawText(area, align, reason);
        canvas->setFont(previous);
    }
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
    // A second button during a drag changes nothing. Without a verdict there are no zones to
    // move: a picture without a fiber is never judged by a circle placed by hand.
    if (!Analyzer_ || MouseDragging_ || !Location_.Judges() || ConnectorShown())
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
    // The operator's circle judges from now on, whatever either locator found.
    if (Analyzer_)
        ApplyMethod(*Analyzer_, Location_, TLocateMethod::Manual);
    Rejudge();
}

void TMainForm::Rejudge()
{
    const bool recorded = Cycle_.ShowingResult() && Cycle_.Shown.Verdict != TVerdict::None;
    // As after a manual correction: the detection runs again, since the engine's evaluation may
    // follow a detection only once. Only an analysed image can be prepared and searched again.
    if (!Analyzer_ || !Analyzer_->SourceRaster || ConnectorShown())
        return;
    // Another profile or the user's choice may judge by the other circle; a circle placed by
    // hand stays.
    if (Location_.Method != TLocateMethod::Manual)
        ApplyMethod(*Analyzer_, Location_, JudgingMethod());
    Analyzer_->PrepareImage();
    if (Location_.Judges())
        Analyzer_->DetectDefects();
    PB->repaint();
    ShowResult();
    if (recorded)
        RecordRejudgement();
}

void TMainForm::ShowLocationCaution()
{
    // Along the picture's foot, so it stays clear of the saved-file lines at its top; it is part
    // of the report picture, as it is part of the result.
    CAUTION->setVisible(Location_.Caution());
    if (!Location_.Caution())
        return;
    const int width = PB->width() - 16;
    const int height = CAUTION->heightForWidth(width);
    CAUTION->setGeometry(8, PB->height() - height - 8, width, height);
    CAUTION->raise();
}

bool TMainForm::SayNoVerdict()
{
    if (!Cycle_.Shown.NoVerdict())
        return false;
    ShowMessageBox(this,
                   (ConnectorShown() ? ConnectorNoVerdictReason() : EngineText(NoVerdictReason(Location_))) +
                       tr("\n\nThis inspection has no verdict, so there is no report to print or save."),
                   tr("No verdict"), QMessageBox::Information);
    return true;
}

void TMainForm::SetLocateByEdge(bool on)
{
    if (on == LocateByEdge_)
        return;
    LocateByEdge_ = on;
    // A result on screen is judged by the circle now chosen, and recorded again.
    if (Cycle_.ShowingResult() && Profile_.Classic && Location_.Method != TLocateMethod::Manual)
        Rejudge();
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
