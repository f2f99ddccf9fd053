// Acceptance profiles in the window: chosen in the criteria dialog, remembered per user, judging
// the face on screen, laid out in the grid, and back to the classic layout without a trace.

#include "analysis/TFiberAnalyzer.h"
#include "app/UserPreferences.h"
#include "tests/app/DialogFixture.h"
#include "tests/profiles/BuiltinProfile.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

namespace
{
std::string Sample(const char* name)
{
    return std::string(FS_SOURCE_DIR "/samples/") + name;
}

QStringList GridTexts(const TMainForm& f)
{
    QStringList texts;
    for (int r = 0; r < f.REPORT->rowCount(); ++r)
        for (int c = 0; c < f.REPORT->columnCount(); ++c)
            texts << f.REPORT->item(r, c)->text();
    return texts;
}

class ProfileWindowTest : public DialogTest
{
protected:
    // Picks a profile by its short name in the criteria dialog and closes both dialogs.
    void Choose(const char* name)
    {
        RunParamDialog([&](TParamSettingForm& p) {
            RunCriteriaDialog([&](TCriteriaForm& c) {
                const int i = c.PROFILE->findData(QString::fromLatin1(name));
                ASSERT_GE(i, 0) << name;
                c.PROFILE->setCurrentIndex(i);
                EXPECT_EQ(c.PROFILETABLE->isVisible(), c.ChosenProfile().Classic == false);
                EXPECT_EQ(c.Panel1->isVisible(), c.ChosenProfile().Classic);
                Click(c.Button1);
            });
            Click(p.Button5);
        });
    }
};
} // namespace

TEST_F(ProfileWindowTest, AChosenProfileJudgesTheFaceOnScreenIsRememberedAndGoesBackWithoutATrace)
{
    Build();
    Form->OpenImageFile(Sample("cladding-scratch.png"));
    ASSERT_EQ(Form->RESULT->text(), "Fail"); // the classic table: a scratch in the cladding
    const QStringList classicGrid = GridTexts(*Form);

    Choose("sm-pc");
    EXPECT_EQ(Form->Profile().Name, "sm-pc");
    EXPECT_EQ(Form->RESULT->text(), "Pass"); // 2 um wide: no limit in zone B
    EXPECT_TRUE(Form->REPORT->item(0, 0)->text().startsWith("Single mode PC (UPC)"));
    EXPECT_TRUE(Form->REPORT->item(0, 0)->text().endsWith(QString::fromUtf8("\u00B5m/px")));
    EXPECT_EQ(Form->REPORT->item(1, 0)->text(), QString::fromUtf8("Zone A (0~25 \u03bcm)"));
    EXPECT_EQ(Form->REPORT->item(1, 2)->text(), "Pass");
    EXPECT_FALSE(Form->Panel3->isVisible());
    EXPECT_TRUE(Form->M_SINGLE->isChecked());
    EXPECT_FALSE(Form->M_SINGLE->isEnabled());
    EXPECT_EQ(TUserPreferences::CriteriaProfile(), "sm-pc");

    // The next start judges by it too.
    Close();
    Build();
    EXPECT_EQ(Form->Profile().Name, "sm-pc");
    Form->OpenImageFile(Sample("cladding-scratch.png"));
    EXPECT_EQ(Form->RESULT->text(), "Pass");

    Choose("classic");
    EXPECT_EQ(Form->RESULT->text(), "Fail");
    EXPECT_EQ(GridTexts(*Form), classicGrid);
    EXPECT_TRUE(Form->Panel3->isVisible());
    EXPECT_TRUE(Form->M_MULTI->isEnabled());
    for (int r = 0; r < Form->REPORT->rowCount(); ++r)
        EXPECT_EQ(Form->REPORT->columnSpan(r, 0), 1) << r;
}

// Every built-in table fits the grid without scrolling, in its own fiber mode, with the counts
// and verdicts of its evaluation.
TEST_F(ProfileWindowTest, EachTableFitsTheGridInItsFiberModeWithItsCounts)
{
    Build();
    Form->Analyzer()->ShowCounts = 1;
    for (const char* name : {"sm-pc", "sm-apc", "mm-pc"})
    {
        const TCriteriaProfile& p = BuiltinProfile(name);
        Form->SetProfile(p);
        Form->OpenImageFile(Sample("core-defect.png"));
        EXPECT_EQ(Form->Analyzer()->Mode, p.FiberMode) << name;
        EXPECT_EQ((p.FiberMode == 0 ? Form->M_SINGLE : Form->M_MULTI)->isChecked(), true) << name;
        const int last = Form->REPORT->rowCount() - 1;
        EXPECT_LE(Form->REPORT->rowViewportPosition(last) + Form->REPORT->rowHeight(last),
                  Form->REPORT->viewport()->height())
            << name;
        int row = 1;
        for (const TZoneResult& z : Form->ProfileResult().Zones)
        {
            EXPECT_EQ(Form->REPORT->item(row++, 2)->text(), z.Pass ? "Pass" : "Fail") << name;
            for (const TRuleResult& r : z.Rows)
            {
                EXPECT_EQ(Form->REPORT->item(row, 0)->text().toStdString(), r.Item) << name;
                EXPECT_EQ(Form->REPORT->item(row++, 2)->text(), QString::number(r.Count)) << name;
            }
        }
        EXPECT_EQ(row, last + 1) << name;
        EXPECT_EQ(Form->RESULT->text(), Form->ProfileResult().Pass ? "Pass" : "Fail") << name;
    }

    // With counts hidden the row that failed is still marked, and the mark goes with the next face.
    const auto redRows = [&] {
        QList<int> rows;
        for (int r = 0; r < Form->REPORT->rowCount(); ++r)
            if (Form->REPORT->item(r, 0)->foreground().color() == QColor(255, 0, 0))
                rows << r;
        return rows;
    };
    Form->Analyzer()->ShowCounts = 0;
    Form->SetProfile(BuiltinProfile("sm-pc"));
    Form->OpenImageFile(Sample("core-defect.png"));
    ASSERT_EQ(Form->RESULT->text(), "Fail");
    EXPECT_EQ(redRows(), QList<int>{3}); // zone A's defects
    EXPECT_EQ(Form->REPORT->item(3, 2)->text(), QString());
    Form->OpenImageFile(Sample("clean-pass.png"));
    EXPECT_EQ(Form->RESULT->text(), "Pass");
    EXPECT_EQ(redRows(), QList<int>{});
}

// A plant's own profile files are offered; a faulty one is named in the dialog; a chosen one that
// has gone by the next start is said, and the classic table applies, never silently another.
TEST_F(ProfileWindowTest, APlantsProfileFileIsOfferedAFaultyOneNamedAMissingOneSaid)
{
    const QDir folder(TMainForm::ProfileFolder());
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    auto write = [&](const char* file, const char* text) {
        QFile f(folder.filePath(QString::fromLatin1(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("plant.profile", "profile plant-x\ntitle Plant X\nfiber multi\nzone Core 0 30\ndefect any none\n");
    write("bad.profile", "profile bad\nzone A 0 25\ndefect five none\n");
    write("twin.profile", "profile sm-pc\nzone A 0 25\n");
    std::string longTable = "profile long\n";
    for (int i = 0; i < 40; ++i)
        longTable += "zone Z" + std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(i + 1) +
                     "\ndefect any none\n";
    write("long.profile", longTable.c_str());
    Build();
    RunParamDialog([&](TParamSettingForm& p) {
        RunCriteriaDialog([&](TCriteriaForm& c) {
            EXPECT_TRUE(c.PROFILENOTE->text().startsWith("Not loaded: bad.profile: line 3;"))
                << c.PROFILENOTE->text().toStdString();
            EXPECT_TRUE(c.PROFILENOTE->toolTip().contains("bad.profile: line 3: size class 'five'"));
            EXPECT_TRUE(c.PROFILENOTE->text().contains("the name sm-pc is taken"));
            // Each built-in table fits whole; one longer than the dialog scrolls, down to its last zone.
            for (const char* name : {"sm-pc", "sm-apc", "mm-pc"})
            {
                c.PROFILE->setCurrentIndex(c.PROFILE->findData(QString::fromLatin1(name)));
                QCoreApplication::processEvents();
                EXPECT_EQ(c.PROFILESCROLL->verticalScrollBar()->maximum(), 0) << name;
            }
            c.PROFILE->setCurrentIndex(c.PROFILE->findData("long"));
            QCoreApplication::processEvents();
            EXPECT_GT(c.PROFILESCROLL->verticalScrollBar()->maximum(), 0);
            EXPECT_TRUE(c.PROFILETABLE->text().contains("Zone Z39"));
            c.PROFILE->setCurrentIndex(c.PROFILE->findData("plant-x"));
            Click(c.Button1);
        });
        Click(p.Button5);
    });
    EXPECT_EQ(Form->Profile().Name, "plant-x");
    EXPECT_TRUE(Form->M_MULTI->isChecked());
    EXPECT_EQ(Form->REPORT->rowCount(), 3);

    ASSERT_TRUE(QFile::remove(folder.filePath("plant.profile")));
    Close();
    Messages.clear();
    const auto again = MakeForm();
    EXPECT_EQ(again->Profile().Name, "classic");
    ASSERT_EQ(Messages.size(), 2u); // after the start-up question
    EXPECT_TRUE(Messages.back().Text.contains("\"plant-x\" chosen last cannot be found"));

    // A hand-edited preference is named short and without its control characters.
    TUserPreferences::SetCriteriaProfile(QStringLiteral("x\nforged line") + QString(5000, QLatin1Char('y')));
    Messages.clear();
    const auto edited = MakeForm();
    EXPECT_EQ(edited->Profile().Name, "classic");
    ASSERT_EQ(Messages.size(), 2u);
    const QString text = Messages.back().Text;
    EXPECT_TRUE(text.contains(QStringLiteral("\"x\uFFFDforged line")) && text.contains(QChar(0x2026)))
        << text.toStdString();
    EXPECT_LT(text.size(), 1000);
}
