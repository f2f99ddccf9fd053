// The acceptance criteria dialog, reached from the parameter dialog as the operator reaches it:
// limit texts, the IEC defaults, user-defined limits applied to the analyzer and the report,
// and refused texts.

#include "analysis/TFiberAnalyzer.h"
#include "tests/app/DialogFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <stdexcept>

namespace
{
struct LimitCase
{
    const char* Text;
    bool Valid;
    int Value;
};

void PrintTo(const LimitCase& c, std::ostream* os)
{
    *os << '"' << c.Text << '"';
}

class LimitFromTextTest : public ::testing::TestWithParam<LimitCase>
{
};

// The combos in the order of the table: S1 to S8, M11, M12, M21, M22, M3 to M8.
std::vector<QComboBox*> Combos(const TCriteriaForm& f)
{
    return {f.S1,  f.S2,  f.S3,  f.S4, f.S5, f.S6, f.S7, f.S8, f.M11,
            f.M12, f.M21, f.M22, f.M3, f.M4, f.M5, f.M6, f.M7, f.M8};
}

const char* const DefaultTexts[] = {"None",     "None",     "None", "No Limit", "5",        "None",
                                    "No Limit", "None",     "5",    "None",     "4",        "None",
                                    "None",     "No Limit", "5",    "None",     "No Limit", "None"};

// Replaces a combo's text the way a user types it.
void Type(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->selectAll();
    if (text.isEmpty())
        QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
    else
        QTest::keyClicks(combo->lineEdit(), text);
}

void ExpectIecLimits(const TFiberAnalyzer& a)
{
    TFiberAnalyzer iec;
    iec.SetDefaultCriteria();
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(a.SingleCriteria[i], iec.SingleCriteria[i]) << "row " << i;
        EXPECT_EQ(a.MultiCriteria[i][0], iec.MultiCriteria[i][0]) << "row " << i;
        EXPECT_EQ(a.MultiCriteria[i][1], iec.MultiCriteria[i][1]) << "row " << i;
    }
}

using CriteriaFormTest = DialogTest;
} // namespace

TEST_P(LimitFromTextTest, NamesOrDigitsOrTheErrorNamingTheText)
{
    const LimitCase c = GetParam();
    const QString text = QString::fromUtf8(c.Text);
    if (c.Valid)
    {
        EXPECT_EQ(TCriteriaForm::LimitFromText(text), c.Value);
        return;
    }
    try
    {
        TCriteriaForm::LimitFromText(text);
        ADD_FAILURE() << "accepted";
    }
    catch (const std::invalid_argument& e)
    {
        EXPECT_NE(std::string(e.what()).find("'" + std::string(c.Text) + "'"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, LimitFromTextTest,
                         ::testing::Values(LimitCase{"12", true, 12}, LimitCase{"", true, 0},
                                           LimitCase{"None", true, 0}, LimitCase{"No Limit", true, 99999},
                                           LimitCase{"-1", true, -1}, LimitCase{" 7 ", true, 7},
                                           LimitCase{"abc", false, 0}, LimitCase{"2.5", false, 0},
                                           LimitCase{"none", false, 0}, LimitCase{"No Limit ", false, 0}));

TEST_F(CriteriaFormTest, FirstOpeningShowsTheIecLimitsAndClosingUserDefinedAppliesThem)
{
    Build();
    // Limits of the analyzer that a Close must replace.
    std::fill(std::begin(Form->Analyzer()->SingleCriteria), std::end(Form->Analyzer()->SingleCriteria), 77);
    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            EXPECT_TRUE(c.DEFAULT->isChecked());
            EXPECT_FALSE(c.USERDEFINED->isChecked());
            const std::vector<QComboBox*> combos = Combos(c);
            for (std::size_t i = 0; i < combos.size(); ++i)
            {
                ASSERT_EQ(combos[i]->count(), 11);
                EXPECT_EQ(combos[i]->itemText(0), "None");
                EXPECT_EQ(combos[i]->itemText(10), "No Limit");
                EXPECT_EQ(combos[i]->currentText(), DefaultTexts[i]) << qPrintable(combos[i]->objectName());
            }
            // The combos as they stand are read as the user's own limits.
            Click(c.USERDEFINED);
            Click(c.Button1);
            EXPECT_FALSE(c.isVisible());
        });
        Click(p.Button5);
    });
    ExpectIecLimits(*Form->Analyzer());
}

TEST_F(CriteriaFormTest, PickingThreeInS5AppliesAtOnceToTheReportAndTheVerdict)
{
    Build();
    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            c.S5->setFocus();
            QTest::keyClick(c.S5, Qt::Key_Up);
            QTest::keyClick(c.S5, Qt::Key_Up);
            EXPECT_EQ(c.S5->currentText(), "3");
            EXPECT_TRUE(c.USERDEFINED->isChecked());
            Click(c.Button1);
        });
        // Cancelled: the criteria stay applied all the same.
        Click(p.Button5);
    });
    TFiberAnalyzer& a = *Form->Analyzer();
    EXPECT_EQ(a.SingleCriteria[4], 3);
    EXPECT_EQ(Form->REPORT->item(7, 0)->text(), QString::fromUtf8("Defects (dia 2~5\u00B5m)"));
    EXPECT_EQ(Form->REPORT->item(7, 1)->text(), "3");

    // Four cladding defects of the middle class: within the IEC 5, over the new 3.
    a.ZoneScale = 1.0f;
    for (int i = 0; i < 4; ++i)
    {
        Finding& f = a.Findings[1][a.FindingCount[1]++];
        f.Kind = 1;
        f.Width = 3;
        f.Height = 3;
    }
    Form->ShowResult();
    EXPECT_EQ(Form->R2->text(), "Fail");
    EXPECT_EQ(Form->RESULT->text(), "Fail");
}

TEST_F(CriteriaFormTest, ARefusedTextKeepsTheDialogOpenAndChangesNoLimit)
{
    Build();
    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            Type(c.S1, "7");
            Type(c.M5, "abc");
            Click(c.Button1);
            ASSERT_EQ(Messages.size(), 1u);
            EXPECT_EQ(Messages[0].Text, "'abc' is not a valid integer value");
            EXPECT_TRUE(c.isVisible());
            for (float limit : c.SingleLimits)
                EXPECT_EQ(limit, 0.0f);
            ExpectIecLimits(*Form->Analyzer());

            Type(c.M5, "12");
            Click(c.Button1);
            EXPECT_FALSE(c.isVisible());
        });
        Click(p.Button5);
    });
    EXPECT_EQ(Form->Analyzer()->SingleCriteria[0], 7);
    EXPECT_EQ(Form->Analyzer()->MultiCriteria[4][0], 12);
}

TEST_F(CriteriaFormTest, TypedLimitsStayBetweenOpeningsUntilDefaultRestoresTheCombos)
{
    Build();
    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            Type(c.M8, "12");
            Type(c.S2, "");
            Type(c.S8, "-1");
            // Typed over an item equal to its default, so only the text differs.
            Type(c.S4, "No Limit");
            Type(c.S4, "9");
            Click(c.Button1);
        });
        Click(p.Button4);
    });
    TFiberAnalyzer& a = *Form->Analyzer();
    EXPECT_EQ(a.MultiCriteria[7][0], 12);
    EXPECT_EQ(a.SingleCriteria[1], 0);
    EXPECT_EQ(a.SingleCriteria[7], -1);
    EXPECT_EQ(a.SingleCriteria[3], 9);
    EXPECT_EQ(a.MultiCriteria[0][0], 5);
    Form->M_MULTI->click();
    EXPECT_EQ(Form->REPORT->item(13, 1)->text(), "12");

    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            EXPECT_TRUE(c.USERDEFINED->isChecked());
            EXPECT_EQ(c.M8->currentText(), "12");
            EXPECT_EQ(c.S4->currentText(), "9");
            Click(c.DEFAULT);
            const std::vector<QComboBox*> combos = Combos(c);
            for (std::size_t i = 0; i < combos.size(); ++i)
                EXPECT_EQ(combos[i]->currentText(), DefaultTexts[i]) << qPrintable(combos[i]->objectName());
            EXPECT_TRUE(c.DEFAULT->isChecked());
            Click(c.Button1);
            // The tables keep the last user-defined Close; they are not used while DEFAULT holds.
            EXPECT_EQ(c.MultiLimits[7][0], 12.0f);
        });
        Click(p.Button5);
    });
    ExpectIecLimits(a);
    EXPECT_EQ(Form->REPORT->item(13, 1)->text(), "None");
}
