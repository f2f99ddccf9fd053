// The window's side of the acceptance profiles: the choice, the grid of a true-size profile, its
// verdict and its zones in the picture. The classic profile keeps the described grid and the
// engine's own evaluation.

#include "analysis/TFiberAnalyzer.h"
#include "app/EngineTexts.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "app/UserPreferences.h"
#include "imaging/TLumarcRaster.h"
#include "platform/MessageBox.h"
#include "platform/TBitmap.h"
#include "profiles/ProfileOverlay.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QTableWidget>

namespace
{
constexpr int Columns = 3;

QTableWidgetItem* Cell(QTableWidget* grid, int row, int column)
{
    return grid->item(row, column);
}

// Grid rows of a profile: the title, then per zone its caption and one row per rule.
int RowCount(const TCriteriaProfile& profile)
{
    int rows = 1;
    for (const TProfileZone& z : profile.Zones)
        rows += 1 + static_cast<int>(z.Rules.size());
    return rows;
}

QString Verdict(bool pass)
{
    return EngineText(pass ? "Pass" : "Fail");
}
} // namespace

QString TMainForm::ProfileFolder()
{
    return QFileInfo(TUserPreferences::FileName()).absoluteDir().filePath(QStringLiteral("profiles"));
}

std::vector<TCriteriaProfile> TMainForm::AvailableProfiles(QStringList* problems)
{
    std::vector<TCriteriaProfile> profiles = BuiltinProfiles();
    const QDir folder(ProfileFolder());
    const QStringList files =
        folder.entryList({QStringLiteral("*.profile")}, QDir::Files | QDir::System, QDir::Name);
    for (const QString& file : files)
    {
        TCriteriaProfile p;
        std::string error;
        QString problem;
        if (!LoadProfileFile(QFile::encodeName(folder.filePath(file)).toStdString(), p, error))
            // The folder is known: the file's own name is enough.
            problem = QString::fromStdString(error).replace(folder.filePath(file), file);
        else if (p.Zones.empty())
            problem = TMainForm::tr("%1: a profile needs at least one zone").arg(file);
        else
            for (const TCriteriaProfile& known : profiles)
                if (known.Name == p.Name)
                    problem =
                        TMainForm::tr("%1: the name %2 is taken").arg(file, QString::fromStdString(p.Name));
        if (problem.isEmpty())
            profiles.push_back(std::move(p));
        else if (problems)
            *problems << problem;
    }
    return profiles;
}

void TMainForm::RestoreProfile()
{
    const QString name = TUserPreferences::CriteriaProfile();
    if (name.isEmpty() || name == QString::fromStdString(ClassicProfile().Name))
        return;
    QStringList problems;
    for (const TCriteriaProfile& p : AvailableProfiles(&problems))
        if (QString::fromStdString(p.Name) == name)
        {
            SetProfile(p);
            return;
        }
    // Never judged silently by other limits than the chosen ones. The name comes from a file the
    // user may have edited: shown short, without control characters.
    QString shown = name.left(40);
    for (QChar& c : shown)
        if (!c.isPrint())
            c = QChar::ReplacementCharacter;
    if (name.size() > shown.size())
        shown += QChar(0x2026);
    ShowMessageBox(
        this,
        tr("The acceptance profile \"%1\" chosen last cannot be found; the station's "
           "classic criteria are used.")
                .arg(shown) +
            (problems.isEmpty() ? QString() : QStringLiteral("\n\n") + problems.join(QLatin1Char('\n'))),
        tr("Acceptance profile"), QMessageBox::Warning);
}

void TMainForm::SetProfile(const TCriteriaProfile& profile)
{
    const bool wasConnector = Profile_.Ferrule.MultiFibre();
    Profile_ = profile;
    // Another table is another connector: its fibres start not judged.
    Cycle_.Connector.Start(profile);
    LiveProfile_ = profile.Classic ? nullptr : std::make_shared<const TCriteriaProfile>(profile);
    LiveZoneBounds_ = ZoneBoundaries(profile);
    // The live verdict is said anew: what it may claim depends on the profile.
    LiveVerdictSaid_.fill(-1);
    LiveDotsSize_ = QSize();
    ProfileResult_ = {};
    // A table written for one fiber decides the mode: the core located and drawn is that fiber's.
    const bool fixed = !profile.Classic && profile.FiberMode >= 0;
    if (fixed)
    {
        (profile.FiberMode == 0 ? M_SINGLE : M_MULTI)->setChecked(true);
        if (Analyzer_)
            Analyzer_->Mode = profile.FiberMode;
    }
    M_SINGLE->setEnabled(!fixed);
    M_MULTI->setEnabled(!fixed);
    if (profile.Ferrule.MultiFibre())
        LayoutConnectorGrid();
    else if (profile.Classic)
        LayoutClassicGrid();
    else
        LayoutProfileGrid();
    ShowConnectorControls();
    if (!Analyzer_)
        return;
    ShowCriteria();
    if (!Cycle_.ShowingResult())
        return;
    // The face on screen is judged again by the new table. To or from a multi-fibre table it is
    // analysed anew: a connector's view and a single fibre share no circle to judge again.
    if (!wasConnector && !profile.Ferrule.MultiFibre())
        Rejudge();
    else if (Analyzer_->SourceRaster)
    {
        if (Cycle_.Shown.Pass() || Cycle_.Shown.Verdict == TVerdict::Fail)
            Cycle_.Rejudged(QDateTime::currentDateTime());
        RunAnalysis();
    }
}

void TMainForm::SetCriteria(bool iecDefaults, const float single[8], const float multi[8][2])
{
    if (!Analyzer_)
        return;
    TFiberAnalyzer& a = *Analyzer_;
    if (iecDefaults)
        a.SetDefaultCriteria();
    else
        for (int i = 0; i < 8; ++i)
        {
            a.SingleCriteria[i] = static_cast<int>(single[i]);
            a.MultiCriteria[i][0] = static_cast<int>(multi[i][0]);
            a.MultiCriteria[i][1] = static_cast<int>(multi[i][1]);
        }
    // The classic limits stay for a later return to the classic profile.
    if (Profile_.Classic)
        ShowCriteria();
}

void TMainForm::ClearReportRows(int rows)
{
    REPORT->clearSpans();
    REPORT->clearContents();
    REPORT->setRowCount(rows);
    // As many rows as the table has, in the grid's height: 20 pixels as the classic layout
    // where they fit, down to 13; beyond that the grid scrolls.
    const int height = std::clamp((REPORT->height() - 2) / std::max(rows, 1), 13, 20);
    REPORT->setVerticalScrollBarPolicy(height * rows > REPORT->height() - 2 ? Qt::ScrollBarAsNeeded
                                                                            : Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < rows; ++r)
        REPORT->setRowHeight(r, height);
}

void TMainForm::LayoutProfileGrid()
{
    const int rows = RowCount(Profile_);
    ClearReportRows(rows);
    const QColor head = REPORT->palette().color(QPalette::Button);
    QFont bold = REPORT->font();
    bold.setBold(true);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < Columns; ++c)
            REPORT->setItem(r, c, new QTableWidgetItem);
    REPORT->setSpan(0, 0, 1, Columns);
    Cell(REPORT, 0, 0)->setBackground(head);
    Cell(REPORT, 0, 0)->setFont(bold);
    Cell(REPORT, 0, 0)->setTextAlignment(Qt::AlignCenter);
    int row = 1;
    for (const TProfileZone& zone : Profile_.Zones)
    {
        REPORT->setSpan(row, 0, 1, 2);
        Cell(REPORT, row, 0)->setText(QString::fromStdString(ZoneCaption(zone)));
        Cell(REPORT, row, 0)->setTextAlignment(Qt::AlignCenter);
        for (int c = 0; c < Columns; ++c)
            Cell(REPORT, row, c)->setBackground(head);
        Cell(REPORT, row, 2)->setFont(bold);
        Cell(REPORT, row, 2)->setTextAlignment(Qt::AlignCenter);
        ++row;
        for (const TProfileRule& rule : zone.Rules)
            Cell(REPORT, row++, 0)->setText(QString::fromStdString(RuleItem(rule)));
    }
    for (QLabel* bar : {Panel3, Panel4, Panel1, Panel5})
        bar->setVisible(false);
}

void TMainForm::ShowProfileCriteria()
{
    Cell(REPORT, 0, 0)->setText(EngineText(Profile_.Title));
    int row = 1;
    for (const TProfileZone& zone : Profile_.Zones)
    {
        Cell(REPORT, row++, 2)->setText(QString());
        for (const TProfileRule& rule : zone.Rules)
        {
            for (int c = 0; c < Columns; ++c)
                Cell(REPORT, row, c)->setForeground(REPORT->palette().color(QPalette::Text));
            Cell(REPORT, row, 1)->setText(QString::fromStdString(ProfileLimitText(rule.Limit)));
            Cell(REPORT, row++, 2)->setText(QString());
        }
    }
}

bool TMainForm::ShowProfileResult()
{
    TFiberAnalyzer& a = *Analyzer_;
    ProfileResult_ = EvaluateProfile(a, Profile_);
    ShowProfileCriteria();
    if (ProfileResult_.UmPerPixel > 0.0f)
        Cell(REPORT, 0, 0)
            ->setText(EngineText(Profile_.Title) +
                      QStringLiteral("  \u00B7  %1 \u00B5m/px")
                          .arg(static_cast<double>(ProfileResult_.UmPerPixel), 0, 'f', 3));
    int row = 1;
    for (const TZoneResult& zone : ProfileResult_.Zones)
    {
        Cell(REPORT, row, 2)->setText(Verdict(zone.Pass));
        Cell(REPORT, row++, 2)->setForeground(zone.Pass ? QColor(0, 128, 0) : QColor(255, 0, 0));
        for (const TRuleResult& rule : zone.Rows)
        {
            if (a.ShowCounts != 0)
                Cell(REPORT, row, 2)->setText(QString::number(rule.Count));
            // The row that failed is red even when counts are hidden, so the operator sees why
            // a zone of several rows failed.
            if (!rule.Pass)
                for (int c = 0; c < Columns; ++c)
                    Cell(REPORT, row, c)->setForeground(QColor(255, 0, 0));
            ++row;
        }
    }
    return ProfileResult_.Pass;
}

TProfileResult TMainForm::RecordedProfileResult(bool pass) const
{
    if (!Profile_.Classic)
        return ProfileResult_;
    return Analyzer_ ? ClassicResult(*Analyzer_, pass) : TProfileResult{};
}

void TMainForm::DrawAnalysis(QPainter* canvas, int width, int height, const QRect& rect) const
{
    if (!Analyzer_)
        return;
    if (ConnectorShown())
    {
        DrawConnectorOverlay(canvas, width, height, rect);
        return;
    }
    // Zones only where a fiber is judged: circles on an empty picture would read as a verdict.
    if (!Location_.Judges())
    {
        if (!Analyzer_->WorkRaster || !Analyzer_->WorkRaster->Bitmap)
            return;
        canvas->save();
        canvas->setRenderHint(QPainter::SmoothPixmapTransform, false);
        canvas->drawImage(rect, Analyzer_->WorkRaster->Bitmap->Image());
        canvas->restore();
        return;
    }
    if (Profile_.Classic)
        Analyzer_->DrawOverlay(canvas, width, height, rect);
    else
        DrawProfileOverlay(canvas, *Analyzer_, Profile_, width, height, rect);
}
