// A multi-fibre connector on screen: the verdict panel (the connector's verdict once complete,
// how far it is until then), the grid of its fibres, the picture with each fibre's zones and
// number, and one fibre's zones enlarged from its last judgement.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "criteria/FibreStrip.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "profiles/ProfileOverlay.h"

#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace
{
constexpr int Columns = 3;
constexpr int FirstFibreRow = 2; // after the title and the column heads

const QColor PassColour(0, 128, 0);
const QColor FailColour(255, 0, 0);

// Findings as the zone's rows count them.
int ZoneCount(const TZoneResult& zone)
{
    int n = 0;
    for (const TRuleResult& row : zone.Rows)
        n += row.Count;
    return n;
}

// A fibre's zone boundaries (diameters in um) as ellipses around it: each axis scaled by its own
// half axis of the cladding, so a tilted view keeps its zones on the fibre.
void DrawFibreZones(QPainter& p, const TLocatedFibre& where, const std::vector<float>& diameters, float sx,
                    float sy, const QPointF& origin)
{
    const QPointF centre(origin.x() + static_cast<double>(where.Centre.X * sx),
                         origin.y() + static_cast<double>(where.Centre.Y * sy));
    for (std::size_t i = 0; i < diameters.size(); ++i)
    {
        const float share = diameters[i] / 125.0f;
        p.setPen(QPen(QColor(ZoneBoundaryColour(i, diameters.size())), 1));
        p.drawEllipse(centre, static_cast<double>(where.RadiusX * share * sx),
                      static_cast<double>(where.RadiusY * share * sy));
    }
}

// A label on a dark ground, its centre at the foot at point.
void DrawTag(QPainter& p, const QPointF& foot, const QString& text, const QColor& colour)
{
    const QRect bounds = p.fontMetrics().boundingRect(text);
    QRectF box(0, 0, bounds.width() + 8, bounds.height() + 2);
    box.moveCenter(QPointF(foot.x(), foot.y() - box.height() / 2));
    p.fillRect(box, QColor(0, 0, 0, 170));
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}
} // namespace

void TMainForm::LayoutConnectorGrid()
{
    const int rows = FirstFibreRow + std::max(Profile_.Ferrule.Fibres(), 0);
    ClearReportRows(rows);
    const QColor head = REPORT->palette().color(QPalette::Button);
    QFont bold = REPORT->font();
    bold.setBold(true);
    for (int r = 0; r < rows; ++r)
    {
        for (int c = 0; c < Columns; ++c)
        {
            auto* item = new QTableWidgetItem;
            if (r < FirstFibreRow)
                item->setBackground(head);
            if (r == 1 || c == 2)
                item->setTextAlignment(Qt::AlignCenter);
            REPORT->setItem(r, c, item);
        }
    }
    REPORT->setSpan(0, 0, 1, Columns);
    REPORT->item(0, 0)->setFont(bold);
    REPORT->item(0, 0)->setTextAlignment(Qt::AlignCenter);
    const QString zones = Profile_.Zones.size() >= 2
                              ? tr("Zone %1 / %2")
                                    .arg(QString::fromStdString(Profile_.Zones[0].Name),
                                         QString::fromStdString(Profile_.Zones[1].Name))
                              : tr("Findings");
    REPORT->item(1, 0)->setText(tr("Fibre"));
    REPORT->item(1, 1)->setText(zones);
    REPORT->item(1, 2)->setText(tr("Result"));
    for (QLabel* bar : {Panel3, Panel4, Panel1, Panel5})
        bar->setVisible(false);
}

void TMainForm::ShowConnectorGrid()
{
    if (REPORT->rowCount() != FirstFibreRow + Profile_.Ferrule.Fibres())
        return;
    const TConnectorCycle& connector = Cycle_.Connector;
    REPORT->item(0, 0)->setText(EngineText(Profile_.Title));
    QFont plain = REPORT->font();
    QFont bold = plain;
    bold.setBold(true);
    const int fibres = connector.Inspection().FibreCount();
    for (int n = 1; n <= Profile_.Ferrule.Fibres(); ++n)
    {
        const int row = FirstFibreRow + n - 1;
        TMtInspection::Fibre fibre;
        if (n <= fibres)
            fibre = connector.Inspection().At(n);
        const bool judged = fibre.Verdict != TFibreVerdict::NotJudged;
        // Judged more than once: the last verdict holds, and the grid says how often.
        REPORT->item(row, 0)->setText(fibre.Times > 1
                                          ? tr("Fibre %1 (judged %2\u00D7)").arg(n).arg(fibre.Times)
                                          : tr("Fibre %1").arg(n));
        // A connector's grid is its fibres' counts: shown whatever the single-fibre setting says.
        QString counts;
        if (judged)
        {
            QStringList perZone;
            for (const TZoneResult& zone : fibre.Last.Result.Zones)
                perZone << QString::number(ZoneCount(zone));
            counts = perZone.join(QStringLiteral(" / "));
        }
        REPORT->item(row, 1)->setText(counts);
        REPORT->item(row, 2)->setText(judged ? QString::fromLatin1(FibreVerdictName(fibre.Verdict))
                                             : QString());
        // A failing fibre's row is red, so the operator finds it in a long list.
        const QColor text =
            fibre.Verdict == TFibreVerdict::Fail ? FailColour : REPORT->palette().color(QPalette::Text);
        for (int c = 0; c < Columns; ++c)
            REPORT->item(row, c)->setForeground(text);
        REPORT->item(row, 2)->setForeground(fibre.Verdict == TFibreVerdict::Pass ? PassColour : text);
        // The fibres the view on screen judged stand out.
        bool inView = false;
        for (const TFibreResult& f : connector.LastCheck().Fibres)
            inView = inView || (f.Number == n && f.Judged());
        for (int c = 0; c < Columns; ++c)
            REPORT->item(row, c)->setFont(inView ? bold : plain);
    }
}

void TMainForm::ShowConnectorResult()
{
    const TConnectorCycle& connector = Cycle_.Connector;
    const QDateTime when = Cycle_.Shown.Time.isValid() ? Cycle_.Shown.Time : QDateTime::currentDateTime();
    TESTTIME->setText(TestTimeText(QLocale::system(), when));
    DimLastResult(false);
    const TVerdict verdict = Cycle_.Shown.Verdict;
    QPalette pal = RESULT->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    QFont font = RESULT->font();
    QString text;
    if (verdict == TVerdict::Pass || verdict == TVerdict::Fail)
    {
        pal.setColor(QPalette::Window, verdict == TVerdict::Pass ? PassColour : FailColour);
        font.setPixelSize(24);
        text = EngineText(verdict == TVerdict::Pass ? "Pass" : "Fail");
    }
    else if (verdict == TVerdict::Partial)
    {
        // How far the connector is, in two short lines that fit the panel; no verdict yet.
        pal.setColor(QPalette::Window, QColor(0, 0, 128));
        font.setPixelSize(12);
        const int low = connector.LowestJudged();
        const int high = connector.HighestJudged();
        text = (low == high ? tr("Fibre %1").arg(low) : tr("Fibres %1\u2013%2").arg(low).arg(high)) +
               tr("\n%1 of %2 judged")
                   .arg(connector.Inspection().Judged())
                   .arg(connector.Inspection().FibreCount());
    }
    else
    {
        pal.setColor(QPalette::Window, QColor(96, 96, 96));
        font.setPixelSize(15);
        text = verdict == TVerdict::Overview    ? tr("Overview")
               : verdict == TVerdict::NotInView ? EngineText(NotInViewVerdict)
                                                : EngineText(NoFiberVerdict);
    }
    RESULT->setPalette(pal);
    RESULT->setFont(font);
    RESULT->setText(text);
    RESULT->setToolTip(connector.Progress());
    CAUTION->setVisible(false);
    ShowConnectorGrid();
    ShowConnectorControls();
    PB->update();
}

void TMainForm::DrawConnectorOverlay(QPainter* canvas, int width, int height, const QRect& rect) const
{
    if (!Analyzer_ || !Analyzer_->WorkRaster || !Analyzer_->WorkRaster->Bitmap ||
        Analyzer_->WorkRaster->Bitmap->Empty())
        return;
    const QImage& image = Analyzer_->WorkRaster->Bitmap->Image();
    canvas->save();
    canvas->setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas->drawImage(rect, image);
    // 1-pixel outlines without antialiasing, as every other zone drawing of the window.
    canvas->setRenderHint(QPainter::Antialiasing, false);
    canvas->setBrush(Qt::NoBrush);
    const float sx = static_cast<float>(width) / static_cast<float>(image.width());
    const float sy = static_cast<float>(height) / static_cast<float>(image.height());
    const std::vector<float> diameters = ZoneBoundaries(Profile_);
    QFont label = canvas->font();
    label.setPixelSize(13);
    label.setBold(true);
    canvas->setFont(label);
    const TConnectorCycle& connector = Cycle_.Connector;
    for (const TFibreResult& f : connector.LastCheck().Fibres)
    {
        const QPointF centre(rect.left() + static_cast<double>(f.Where.Centre.X * sx),
                             rect.top() + static_cast<double>(f.Where.Centre.Y * sy));
        const QPointF top(centre.x(), centre.y() - static_cast<double>(f.Where.RadiusY * sy) - 3.0);
        const QString number = f.Number > 0 ? QString::number(f.Number) : QStringLiteral("?");
        if (f.Outcome == TFibreOutcome::NotInView)
        {
            // Cut by the frame: its cladding dashed, never zones that would read as a judgement.
            canvas->setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
            canvas->drawEllipse(centre, static_cast<double>(f.Where.RadiusX * sx),
                                static_cast<double>(f.Where.RadiusY * sy));
            const QPointF inside(std::clamp(top.x(), 40.0, static_cast<double>(rect.right()) - 40.0),
                                 std::clamp(top.y(), 20.0, static_cast<double>(rect.bottom()) - 4.0));
            DrawTag(*canvas, inside, tr("%1 not in view").arg(number), QColor(220, 220, 220));
            continue;
        }
        DrawFibreZones(*canvas, f.Where, diameters, sx, sy, rect.topLeft());
        QColor colour(255, 212, 0); // located in an overview: numbered, not judged
        if (f.Judged())
            colour = f.Result.Pass ? QColor(0, 220, 0) : QColor(255, 60, 60);
        DrawTag(*canvas, QPointF(top.x(), std::max(top.y(), 18.0)), number, colour);
    }
    canvas->restore();
}

QString TMainForm::ConnectorNoVerdictReason() const
{
    const TConnectorCycle& connector = Cycle_.Connector;
    switch (connector.LastView())
    {
    case TConnectorView::Partial:
        return connector.Progress() + tr(". The connector has its verdict once every fibre is judged.");
    case TConnectorView::Overview:
        return tr("Overview: certifies nothing. The fibres are located and numbered; "
                  "judge them in fibre views.");
    case TConnectorView::NotInView:
        return tr("Not in view: no fibre lies wholly in the picture, so none is judged.");
    case TConnectorView::Outside:
        return tr("Fibres outside the connector: a whole fibre of the view falls past the "
                  "connector's last, so First fibre does not say where the view lies. "
                  "Nothing was judged.");
    case TConnectorView::NoFibre:
    case TConnectorView::Complete:
        break;
    }
    return EngineText(NoVerdictReason(Location_));
}

QImage TMainForm::FibreZoneImage(const TConnectorCycle::Crop& crop, const TCriteriaProfile& profile, int side)
{
    QImage shown(side, side, QImage::Format_RGB888);
    shown.fill(Qt::black);
    if (crop.Picture.isNull())
        return shown;
    QPainter p(&shown);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRect(0, 0, side, side), crop.Picture);
    p.setRenderHint(QPainter::Antialiasing, true);
    const float s = static_cast<float>(side) / static_cast<float>(crop.Picture.width());
    DrawFibreZones(p, crop.Where, ZoneBoundaries(profile), s, s, QPointF(0, 0));
    return shown;
}

void TMainForm::ShowFibre(int number)
{
    const TConnectorCycle& connector = Cycle_.Connector;
    if (number < 1 || number > connector.Inspection().FibreCount())
        return;
    if (!FIBREVIEW)
    {
        FIBREVIEW = new QDialog(this);
        FIBREVIEW->setObjectName(QStringLiteral("FIBREVIEW"));
        auto* layout = new QVBoxLayout(FIBREVIEW);
        auto* picture = new QLabel(FIBREVIEW);
        picture->setObjectName(QStringLiteral("FIBREPICTURE"));
        picture->setAlignment(Qt::AlignCenter);
        auto* words = new QLabel(FIBREVIEW);
        words->setObjectName(QStringLiteral("FIBRETEXT"));
        words->setWordWrap(true);
        layout->addWidget(picture);
        layout->addWidget(words);
    }
    const TMtInspection::Fibre& fibre = connector.Inspection().At(number);
    const TConnectorCycle::Crop* crop = connector.CropOf(number);
    auto* picture = FIBREVIEW->findChild<QLabel*>(QStringLiteral("FIBREPICTURE"));
    auto* words = FIBREVIEW->findChild<QLabel*>(QStringLiteral("FIBRETEXT"));
    FIBREVIEW->setWindowTitle(tr("Fibre %1").arg(number));
    if (crop)
    {
        picture->setPixmap(QPixmap::fromImage(FibreZoneImage(*crop, Profile_, 360)));
        picture->setText(QString());
    }
    else
    {
        picture->setPixmap(QPixmap());
        picture->setText(tr("Not judged yet: no picture of this fibre"));
    }
    QString text = tr("Fibre %1: %2").arg(number).arg(EngineText(FibreVerdictName(fibre.Verdict)));
    if (fibre.Times > 1)
        text += tr(", judged %1 times; the last judgement holds").arg(fibre.Times);
    for (const TZoneResult& zone : fibre.Last.Result.Zones)
        if (fibre.Verdict != TFibreVerdict::NotJudged)
            text += tr("\n%1: %2 finding(s), %3")
                        .arg(QString::fromStdString(zone.Name))
                        .arg(ZoneCount(zone))
                        .arg(EngineText(zone.Pass ? "Pass" : "Fail"));
    words->setText(text);
    FIBREVIEW->adjustSize();
    FIBREVIEW->show();
    FIBREVIEW->raise();
}
