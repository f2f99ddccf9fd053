// The report panel: criteria of the current mode, counts, zone verdicts, the overall verdict
// and the test time.

#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"

#include <QDateTime>
#include <QFontInfo>
#include <QGraphicsOpacityEffect>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>

namespace
{
constexpr int Rows = 14;
constexpr int Columns = 3;
const QString Micro = QStringLiteral("\u00B5m");

void SetCell(QTableWidget* grid, int row, int column, const QString& text)
{
    grid->item(row, column)->setText(text);
}

QString CountText(int count)
{
    return QString::number(count);
}

// The verdict panel's text: Pass and Fail in the window's 18 pt (24 px); the longer texts of a
// picture without a verdict smaller, so they fit its 97 pixels.
constexpr int VerdictPixels = 24;
constexpr int NoVerdictPixels = 15;

void SetVerdictPixels(QLabel* panel, int pixels)
{
    QFont font = panel->font();
    font.setPixelSize(pixels);
    panel->setFont(font);
}
} // namespace

QString TMainForm::TestTimeText(const QLocale& locale, const QDateTime& when)
{
    // The long time format without the zone name: the "t" field goes, together with the
    // brackets some locales put around it ("H:mm:ss (t)", "[t]", "（t）") and the blanks
    // beside it. Quoted literal text is kept as it is.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i)
    {
        const QChar c = format[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            kept += c;
    }
    static const QRegularExpression emptyBrackets(
        QStringLiteral("\\s*[\\(\\[\\x{FF08}]\\s*[\\)\\]\\x{FF09}]"));
    kept.remove(emptyBrackets);
    kept = kept.simplified();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), kept);
}

QString TMainForm::LimitText(int limit)
{
    if (limit == 0)
        return tr("None");
    if (limit == 99999)
        return tr("No Limit");
    return QString::number(limit);
}

void TMainForm::SetupReportGrid()
{
    REPORT->setRowCount(Rows);
    REPORT->setColumnCount(Columns);
    REPORT->horizontalHeader()->hide();
    REPORT->verticalHeader()->hide();
    REPORT->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    REPORT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    REPORT->setFrameStyle(QFrame::Box | QFrame::Plain);
    REPORT->setLineWidth(1);
    // The cells of the layout are narrow: a condensed face a pixel below the window's 8 pt fits
    // the longest texts ("5<3 µm, None>3 µm", "Defects (dia 2~5µm)") inside their columns.
    // (The bootstrap installs that face; Tahoma, where present, fits as it is.)
    QFont gridFont = font();
    if (QFontInfo(gridFont).family() != QLatin1String("Tahoma"))
    {
        gridFont.setFamily(QStringLiteral("DejaVu Sans Condensed"));
        gridFont.setPixelSize(10);
    }
    REPORT->setFont(gridFont);
    REPORT->setEditTriggers(QAbstractItemView::NoEditTriggers);
    REPORT->setTextElideMode(Qt::ElideNone);
    REPORT->setWordWrap(false);
    // A row is 19 pixels plus its grid line, so rows 1, 4, 9 and 11 lie exactly under the bars.
    REPORT->verticalHeader()->setMinimumSectionSize(1);
    REPORT->verticalHeader()->setDefaultSectionSize(20);
    REPORT->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Disabled so nobody selects or edits, but drawn in the normal text colour.
    QPalette pal = REPORT->palette();
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::Base, QPalette::Button})
        pal.setColor(QPalette::Disabled, role, pal.color(QPalette::Active, role));
    REPORT->setPalette(pal);
    REPORT->setColumnWidth(0, 105);
    REPORT->setColumnWidth(1, 105);
    REPORT->setColumnWidth(2, 40);
    REPORT->setEnabled(false);
    LayoutClassicGrid();
}

void TMainForm::LayoutClassicGrid()
{
    REPORT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    REPORT->clearSpans();
    REPORT->clearContents();
    REPORT->setRowCount(Rows);
    const QColor head = REPORT->palette().color(QPalette::Button);
    for (int r = 0; r < Rows; ++r)
    {
        REPORT->setRowHeight(r, 20);
        for (int c = 0; c < Columns; ++c)
        {
            auto* item = new QTableWidgetItem;
            if (r == 0)
                item->setBackground(head);
            REPORT->setItem(r, c, item);
        }
    }
    REPORT->setCurrentCell(1, 0);
    SetCell(REPORT, 0, 0, tr("Item"));
    SetCell(REPORT, 0, 1, tr("Criteria"));
    SetCell(REPORT, 0, 2, tr("Result"));
    const QString labels[] = {tr("Scratches"),
                              tr("Defects"),
                              QString(),
                              tr("Scratches"),
                              tr("Defects (dia<%1)").arg(QStringLiteral("2") + Micro),
                              tr("Defects (dia %1)").arg(QStringLiteral("2~5") + Micro),
                              tr("Defects (dia>%1)").arg(QStringLiteral("5") + Micro),
                              QString(),
                              tr("Scratches & Defects"),
                              QString(),
                              tr("Scratches"),
                              tr("Defects (dia>%1)").arg(QStringLiteral("10") + Micro)};
    for (int r = 2; r < Rows; ++r)
        SetCell(REPORT, r, 0, labels[r - 2]);
    for (QLabel* bar : {Panel3, Panel4, Panel1, Panel5})
        bar->setVisible(true);
}

void TMainForm::ShowCriteria()
{
    if (Profile_.Ferrule.MultiFibre())
    {
        ShowConnectorGrid();
        return;
    }
    if (!Profile_.Classic)
    {
        ShowProfileCriteria();
        return;
    }
    const TFiberAnalyzer& a = *Analyzer_;
    if (a.Mode == 0)
    {
        Panel3->setText(CAPTION->item(0)->text());
        Panel4->setText(CAPTION->item(1)->text());
        SetCell(REPORT, 2, 1, LimitText(a.SingleCriteria[0]));
        SetCell(REPORT, 3, 1, LimitText(a.SingleCriteria[1]));
        SetCell(REPORT, 5, 1, LimitText(a.SingleCriteria[2]) + QStringLiteral(">3 ") + Micro);
        SetCell(REPORT, 6, 1, LimitText(a.SingleCriteria[3]));
        SetCell(REPORT, 7, 1, LimitText(a.SingleCriteria[4]));
        SetCell(REPORT, 8, 1, LimitText(a.SingleCriteria[5]));
        SetCell(REPORT, 12, 1, LimitText(a.SingleCriteria[6]));
        SetCell(REPORT, 13, 1, LimitText(a.SingleCriteria[7]));
    }
    else
    {
        Panel3->setText(CAPTION->item(2)->text());
        Panel4->setText(CAPTION->item(3)->text());
        SetCell(REPORT, 2, 1,
                LimitText(a.MultiCriteria[0][0]) + QStringLiteral("<3 ") + Micro + QStringLiteral(", ") +
                    LimitText(a.MultiCriteria[0][1]) + QStringLiteral(">3 ") + Micro);
        SetCell(REPORT, 3, 1,
                LimitText(a.MultiCriteria[1][0]) + QStringLiteral("<5 ") + Micro + QStringLiteral(", ") +
                    LimitText(a.MultiCriteria[1][1]) + QStringLiteral(">5 ") + Micro);
        SetCell(REPORT, 5, 1, LimitText(a.MultiCriteria[2][0]) + QStringLiteral(">3 ") + Micro);
        SetCell(REPORT, 6, 1, LimitText(a.MultiCriteria[3][0]));
        SetCell(REPORT, 7, 1, LimitText(a.MultiCriteria[4][0]));
        SetCell(REPORT, 8, 1, LimitText(a.MultiCriteria[5][0]));
        SetCell(REPORT, 12, 1, LimitText(a.MultiCriteria[6][0]));
        SetCell(REPORT, 13, 1, LimitText(a.MultiCriteria[7][0]));
    }
    SetCell(REPORT, 10, 1, tr("No Limit"));
    for (int r = 2; r < Rows; ++r)
        SetCell(REPORT, r, 2, QString());
}

void TMainForm::ShowResult()
{
    if (!Analyzer_)
        return;
    TFiberAnalyzer& a = *Analyzer_;
    // The time the inspection began, as its records and report say.
    const QDateTime when = Cycle_.Shown.Time.isValid() ? Cycle_.Shown.Time : QDateTime::currentDateTime();
    TESTTIME->setText(TestTimeText(QLocale::system(), when));
    if (!Location_.Judges())
    {
        ShowNoVerdict();
        return;
    }
    const bool pass = Profile_.Classic ? a.EvaluateAcceptance() : ShowProfileResult();
    Cycle_.Judged(pass, B_AUTO->isChecked());
    DimLastResult(false);
    QPalette pal = RESULT->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Window, pass ? QColor(0, 128, 0) : QColor(255, 0, 0));
    RESULT->setPalette(pal);
    SetVerdictPixels(RESULT, VerdictPixels);
    RESULT->setToolTip(Location_.Caution() ? EngineText(UncertainCaution) : QString());
    RESULT->setText(EngineText(pass ? "Pass" : "Fail"));
    ShowLocationCaution();
    if (!Profile_.Classic)
        return;
    for (int r = 2; r < Rows; ++r)
        SetCell(REPORT, r, 2, QString());
    R1->setText(EngineText(a.ZoneVerdicts[0]));
    R2->setText(EngineText(a.ZoneVerdicts[1]));
    R3->setText(EngineText(a.ZoneVerdicts[2]));
    R4->setText(EngineText("Pass"));
    if (a.ShowCounts == 0)
        return;
    if (a.Mode == 0)
    {
        SetCell(REPORT, 2, 2, CountText(a.ZoneCounts[0][0]));
        SetCell(REPORT, 3, 2, CountText(a.ZoneCounts[1][0]));
    }
    else
    {
        SetCell(REPORT, 2, 2,
                CountText(a.MultiCoreCounts[0]) + QStringLiteral(", ") + CountText(a.MultiCoreCounts[1]));
        SetCell(REPORT, 3, 2,
                CountText(a.MultiCoreCounts[2]) + QStringLiteral(", ") + CountText(a.MultiCoreCounts[3]));
    }
    SetCell(REPORT, 5, 2, CountText(a.ZoneCounts[0][1]));
    SetCell(REPORT, 6, 2, CountText(a.ZoneCounts[1][1]));
    SetCell(REPORT, 7, 2, CountText(a.ZoneCounts[1][2]));
    SetCell(REPORT, 8, 2, CountText(a.ZoneCounts[1][3]));
    SetCell(REPORT, 12, 2, CountText(a.ZoneCounts[0][2]));
    SetCell(REPORT, 13, 2, CountText(a.ZoneCounts[1][4]));
}

void TMainForm::ShowNoVerdict()
{
    Cycle_.NotJudged(Location_.Outcome == TFiberOutcome::NotWhollyInView ? TVerdict::NotInView
                                                                         : TVerdict::NoFiber);
    DimLastResult(false);
    QPalette pal = RESULT->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Window, QColor(96, 96, 96));
    RESULT->setPalette(pal);
    // Neither Pass nor Fail, in a size that fits the panel.
    SetVerdictPixels(RESULT, NoVerdictPixels);
    RESULT->setText(EngineText(NoVerdictText(Location_)));
    RESULT->setToolTip(EngineText(NoVerdictReason(Location_)));
    CAUTION->setVisible(false);
    // Nothing was counted: the grid keeps its criteria and no result.
    if (Profile_.Classic)
    {
        for (int r = 2; r < Rows; ++r)
            SetCell(REPORT, r, 2, QString());
        for (QLabel* verdict : {R1, R2, R3, R4})
            verdict->setText(QString());
    }
    else
    {
        ProfileResult_ = {};
        ShowProfileCriteria();
    }
    PB->update();
}

void TMainForm::M_SINGLEClick()
{
    SetFiberMode(0);
}

void TMainForm::M_MULTIClick()
{
    SetFiberMode(1);
}

void TMainForm::SetFiberMode(int mode)
{
    if (!Analyzer_)
        return;
    const bool changed = Analyzer_->Mode != mode;
    Analyzer_->Mode = mode;
    ShowCriteria();
    // A result on screen is judged again in the new mode, so the grid, the picture, the saved
    // report and the PDF never mix two modes.
    if (changed && Cycle_.ShowingResult())
        Rejudge();
}

void TMainForm::DimLastResult(bool dim)
{
    // Back on live video the grid keeps the last verdicts; dimmed, with "Last Test", they read
    // as the connector before, not the one now in the scope.
    for (QWidget* w :
         std::initializer_list<QWidget*>{REPORT, RESULT, Panel3, Panel4, Panel1, Panel5, TESTTIME})
    {
        if (!dim)
        {
            w->setGraphicsEffect(nullptr);
            continue;
        }
        auto* faded = new QGraphicsOpacityEffect(w);
        faded->setOpacity(0.45);
        w->setGraphicsEffect(faded);
    }
    Label2->setText(dim ? tr("Last Test : ") : tr("Test Time : "));
}
