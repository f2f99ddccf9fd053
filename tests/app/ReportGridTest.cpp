// The report grid: limit texts, criteria of both modes, verdicts, colours and counts.

#include "analysis/TFiberAnalyzer.h"
#include "tests/app/MainFormFixture.h"

#include <QDateTime>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>

namespace
{
QString Cell(const TMainForm& f, int row, int column)
{
    return f.REPORT->item(row, column)->text();
}

// The IEC limits, set here so the grid texts are checked against known numbers.
void SetIecLimits(TFiberAnalyzer& a)
{
    const int single[8] = {0, 0, 0, 99999, 5, 0, 99999, 0};
    const int multi[8][2] = {{5, 0}, {4, 0}, {0, 0}, {99999, 0}, {5, 0}, {0, 0}, {99999, 0}, {0, 0}};
    std::copy(std::begin(single), std::end(single), a.SingleCriteria);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 2; ++c)
            a.MultiCriteria[r][c] = multi[r][c];
}

void AddFinding(TFiberAnalyzer& a, int zone, int kind, float width, float height)
{
    Finding& f = a.Findings[zone][a.FindingCount[zone]++];
    f.Kind = kind;
    f.Width = width;
    f.Height = height;
}
} // namespace

struct LimitCase
{
    int Limit;
    const char* Text;
};

void PrintTo(const LimitCase& c, std::ostream* os)
{
    *os << c.Limit;
}

class LimitTextTest : public ::testing::TestWithParam<LimitCase>
{
};

TEST_P(LimitTextTest, NoneNoLimitOrDigits)
{
    EXPECT_EQ(TMainForm::LimitText(GetParam().Limit), QString::fromUtf8(GetParam().Text));
}

INSTANTIATE_TEST_SUITE_P(Limits, LimitTextTest,
                         ::testing::Values(LimitCase{0, "None"}, LimitCase{99999, "No Limit"},
                                           LimitCase{5, "5"}, LimitCase{99998, "99998"}, LimitCase{-3, "-3"},
                                           LimitCase{1, "1"}));

using ReportGridTest = MainFormTest;

TEST_F(ReportGridTest, CriteriaColumnInBothModes)
{
    auto form = MakeForm();
    SetIecLimits(*form->Analyzer());
    const QString mu = QStringLiteral("\u00B5m");

    form->M_SINGLEClick();
    const QString single[] = {"None", "None",     "", "None>3 " + mu, "No Limit", "5", "None",
                              "",     "No Limit", "", "No Limit",     "None"};
    for (int r = 2; r < 14; ++r)
        EXPECT_EQ(Cell(*form, r, 1), single[r - 2]) << "single, row " << r;
    EXPECT_EQ(form->Panel3->text(), "Core Zone (0~25 \u03BCm)    ");

    form->RESULT->setText("Pass");
    form->R1->setText("Fail");
    form->REPORT->item(5, 2)->setText("7");
    form->M_MULTIClick();
    EXPECT_EQ(form->Analyzer()->Mode, 1);
    const QString multi[] = {"5<3 " + mu + ", None>3 " + mu,
                             "4<5 " + mu + ", None>5 " + mu,
                             "",
                             "None>3 " + mu,
                             "No Limit",
                             "5",
                             "None",
                             "",
                             "No Limit",
                             "",
                             "No Limit",
                             "None"};
    for (int r = 2; r < 14; ++r)
    {
        EXPECT_EQ(Cell(*form, r, 1), multi[r - 2]) << "multi, row " << r;
        EXPECT_EQ(Cell(*form, r, 2), "") << "multi, row " << r;
    }
    EXPECT_EQ(form->Panel3->text(), "Core Zone (0~65 \u03BCm)    ");
    EXPECT_EQ(form->Panel4->text(), "Cladding Zone (65~120 \u03BCm)    ");
    // Switching the mode does not re-evaluate: the last verdicts stay.
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_EQ(form->R1->text(), "Fail");
}

TEST_F(ReportGridTest, FailShowsRedVerdictZoneLabelsAndCounts)
{
    auto form = MakeForm();
    TFiberAnalyzer& a = *form->Analyzer();
    SetIecLimits(a);
    a.ZoneScale = 1.0f;
    a.ShowCounts = 1;
    AddFinding(a, 0, 1, 3, 1);  // core defect: none allowed
    AddFinding(a, 1, 0, 10, 2); // cladding scratch of size 10 (> 3): none allowed
    AddFinding(a, 1, 1, 1, 1);  // small cladding defect: no limit
    form->B_AUTO->setChecked(true);

    form->ShowResult();

    EXPECT_EQ(form->RESULT->text(), "Fail");
    EXPECT_EQ(form->RESULT->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(form->RESULT->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_FALSE(form->Cycle().SaveResultPending);
    EXPECT_EQ(form->R1->text(), "Fail");
    EXPECT_EQ(form->R2->text(), "Fail");
    EXPECT_EQ(form->R3->text(), "Pass");
    EXPECT_EQ(form->R4->text(), "Pass");
    EXPECT_NE(form->TESTTIME->text(), "Test time will be displayed here");
    const char* counts[] = {"0", "1", "", "1", "1", "0", "0", "", "", "", "0", "0"};
    for (int r = 2; r < 14; ++r)
        EXPECT_EQ(Cell(*form, r, 2), counts[r - 2]) << "row " << r;
}

TEST_F(ReportGridTest, PassIsGreenAndMarksTheAutoSave)
{
    auto form = MakeForm();
    TFiberAnalyzer& a = *form->Analyzer();
    SetIecLimits(a);
    a.ZoneScale = 1.0f;
    a.Mode = 1;
    AddFinding(a, 0, 0, 2, 1); // core scratch of size 2: five allowed in Multi Mode
    form->B_AUTO->setChecked(true);

    a.ShowCounts = 0;
    form->ShowResult();
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_EQ(form->RESULT->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_TRUE(form->Cycle().SaveResultPending);
    for (QLabel* r : {form->R1, form->R2, form->R3, form->R4})
        EXPECT_EQ(r->text(), "Pass");
    for (int r = 2; r < 14; ++r)
        EXPECT_EQ(Cell(*form, r, 2), "") << "row " << r;

    // Counts in Multi Mode: the core rows pair the two size classes. A scale of 1 leaves the
    // sizes as they were, so evaluating again counts the same finding.
    a.ShowCounts = 1;
    form->B_AUTO->setChecked(false);
    form->B_MANUAL->setChecked(true);
    form->ShowResult();
    EXPECT_FALSE(form->Cycle().SaveResultPending);
    EXPECT_EQ(Cell(*form, 2, 2), "1, 0");
    EXPECT_EQ(Cell(*form, 3, 2), "0, 0");
    EXPECT_EQ(Cell(*form, 10, 2), "");
}

namespace
{
// Every text of the grid fits its cell, in both modes, in the font the window really got.
TEST_F(ReportGridTest, EveryTextFitsItsCellInBothModes)
{
    auto form = MakeForm();
    for (QRadioButton* mode : {form->M_SINGLE, form->M_MULTI})
    {
        mode->click();
        const QFontMetrics fm(form->REPORT->font());
        // Qt's item view keeps a focus-frame margin on each side and the grid line takes one.
        const int margin = 2 * (form->REPORT->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 1;
        for (int r = 0; r < form->REPORT->rowCount(); ++r)
            for (int c = 0; c < form->REPORT->columnCount(); ++c)
            {
                const QString text = form->REPORT->item(r, c)->text();
                EXPECT_LE(fm.horizontalAdvance(text), form->REPORT->columnWidth(c) - margin)
                    << mode->text().toStdString() << ", row " << r << ", column " << c << ": "
                    << text.toStdString() << " in " << QFontInfo(form->REPORT->font()).family().toStdString();
            }
    }
}

class TestTimeTest : public ::testing::TestWithParam<const char*>
{
};

// The long time format of some locales puts the zone name in brackets: the brackets go with it.
TEST_P(TestTimeTest, ShowsNoZoneNameAndNoEmptyBrackets)
{
    const QLocale locale(QString::fromLatin1(GetParam()));
    const QDateTime when(QDate(2024, 3, 7), QTime(13, 5, 9));
    const QString text = TMainForm::TestTimeText(locale, when);
    for (const char* empty : {"()", "[]", "( )", "[ ]", "\uFF08\uFF09"})
        EXPECT_FALSE(text.contains(QString::fromUtf8(empty))) << text.toStdString();
    EXPECT_EQ(text, text.trimmed());
    EXPECT_FALSE(text.contains(locale.toString(when, QStringLiteral("t")))) << text.toStdString();
    // The minutes are there, written "05" or "5" as the locale has it.
    EXPECT_TRUE(text.contains(QLatin1Char('5')) || text.contains(locale.toString(5))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, TestTimeTest,
                         ::testing::Values("ca_ES", "eu_ES", "nds_DE", "yue_HK", "zh_TW", "en_US", "de_DE",
                                           "ko_KR", "ja_JP", "fr_FR", "fa_IR", "ar_EG"),
                         [](const auto& p) { return std::string(p.param); });
} // namespace

// Back on live video the grid keeps the last result, faded and labelled as the last test; the
// next result is shown whole.
TEST_F(ReportGridTest, TheLastResultIsFadedWhileLive)
{
    auto form = MakeForm();
    form->show();
    const auto faded = [&](QWidget* w) {
        const auto* e = qobject_cast<QGraphicsOpacityEffect*>(w->graphicsEffect());
        return e && e->opacity() < 0.6;
    };
    form->OpenImageFile(
        QFile::encodeName(QStringLiteral(FS_SOURCE_DIR "/samples/core-defect.png")).toStdString());
    const QString tested = form->TESTTIME->text();
    EXPECT_FALSE(faded(form->REPORT));
    EXPECT_EQ(form->Label2->text(), "Test Time : ");

    form->CheckOrResume();
    for (QWidget* w :
         std::initializer_list<QWidget*>{form->REPORT, form->RESULT, form->Panel3, form->TESTTIME})
        EXPECT_TRUE(faded(w)) << w->objectName().toStdString();
    EXPECT_EQ(form->Label2->text(), "Last Test : ");
    EXPECT_EQ(form->TESTTIME->text(), tested);
    EXPECT_EQ(form->RESULT->text(), "Fail");
    EXPECT_NE(form->RESULT->palette().color(QPalette::WindowText),
              form->RESULT->palette().color(QPalette::Window));

    form->OpenImageFile(
        QFile::encodeName(QStringLiteral(FS_SOURCE_DIR "/samples/clean-pass.png")).toStdString());
    EXPECT_FALSE(faded(form->REPORT));
    EXPECT_FALSE(faded(form->RESULT));
    EXPECT_EQ(form->Label2->text(), "Test Time : ");
}
