// Construction and closing of the main window.

#include "analysis/TFiberAnalyzer.h"
#include "tests/app/MainFormFixture.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

namespace
{
QString Cell(const TMainForm& f, int row, int column)
{
    return f.REPORT->item(row, column)->text();
}

void WriteSettings(const QString& path, const QByteArray& lines)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines);
}
} // namespace

TEST_F(MainFormTest, StartsWithTheDescribedStateAndGrid)
{
    auto form = MakeForm();
    const TMainForm& f = *form;

    EXPECT_EQ(f.windowTitle(), "Veltrana Zendrix");
    EXPECT_EQ(f.size(), QSize(905, 551));
    EXPECT_EQ(f.minimumSize(), QSize(905, 526));
    ASSERT_TRUE(f.Analyzer());
    EXPECT_EQ(f.StartDir(), Dir.path());
    EXPECT_EQ(f.ImageFolder(), Dir.path());
    EXPECT_EQ(f.Cycle().CaptureCount, 3);
    EXPECT_EQ(f.Cycle().CaptureBuffers.size(), 3u);
    EXPECT_EQ(f.Cycle().CapturePurpose, TCapturePurpose::Check);
    EXPECT_TRUE(f.Cycle().CrossHairOn);
    EXPECT_FALSE(f.Cycle().CaptureRequested());
    EXPECT_FALSE(f.MouseDragging());
    EXPECT_FALSE(f.Maximized());

    // Component texts and the views: live video shown, result view hidden.
    EXPECT_EQ(f.CHECK->text(), "Check");
    EXPECT_EQ(f.TITLECAPTION->text(), "Fiber Optic Microscope / Inspector 4.5");
    EXPECT_EQ(f.TESTTIME->text(), "Test time will be displayed here");
    EXPECT_EQ(f.RESULT->text(), "");
    EXPECT_FALSE(f.PB->isVisibleTo(form.get()));
    EXPECT_TRUE(f.VIDEO->isVisibleTo(form.get()));
    EXPECT_FALSE(f.LOADIMAGE->isVisibleTo(form.get()));
    EXPECT_FALSE(f.SAVEIMAGE->isVisibleTo(form.get()));
    EXPECT_EQ(f.TITLE->pos(), QPoint(8, 8));
    EXPECT_TRUE(f.B_MANUAL->isChecked());
    EXPECT_TRUE(f.M_SINGLE->isChecked());
    // The two pairs of options are independent of each other.
    f.M_MULTI->setChecked(true);
    EXPECT_FALSE(f.M_SINGLE->isChecked());
    EXPECT_TRUE(f.B_MANUAL->isChecked());
    f.M_SINGLE->setChecked(true);
    EXPECT_EQ(f.Analyzer()->Mode, 0);

    // The grid: headers, row labels, Single Mode criteria, an empty result column.
    EXPECT_EQ(f.REPORT->rowCount(), 14);
    EXPECT_EQ(f.REPORT->columnCount(), 3);
    EXPECT_FALSE(f.REPORT->isEnabled());
    EXPECT_EQ(f.REPORT->currentRow(), 1);
    EXPECT_EQ(Cell(f, 0, 0), "Item");
    EXPECT_EQ(Cell(f, 0, 1), "Criteria");
    EXPECT_EQ(Cell(f, 0, 2), "Result");
    const QString labels[] = {"Scratches",
                              "Defects",
                              "",
                              "Scratches",
                              "Defects (dia<2\u00B5m)",
                              "Defects (dia 2~5\u00B5m)",
                              "Defects (dia>5\u00B5m)",
                              "",
                              "Scratches & Defects",
                              "",
                              "Scratches",
                              "Defects (dia>10\u00B5m)"};
    for (int r = 2; r < 14; ++r)
    {
        EXPECT_EQ(Cell(f, r, 0), labels[r - 2]) << "row " << r;
        EXPECT_EQ(Cell(f, r, 2), "") << "row " << r;
    }
    EXPECT_EQ(Cell(f, 10, 1), "No Limit");
    EXPECT_TRUE(Cell(f, 5, 1).endsWith(">3 \u00B5m"));
    EXPECT_EQ(f.Panel3->text(), "Core Zone (0~25 \u03BCm)    ");
    EXPECT_EQ(f.Panel4->text(), "Cladding Zone (25~120 \u03BCm)    ");
    EXPECT_EQ(f.Panel1->text(), "Adhesive Zone (120~130 \u03BCm)     ");
    EXPECT_EQ(f.Panel5->text(), "Contact Zone (130~250 \u03BCm)     ");
}

TEST_F(MainFormTest, ZoneBarsLieOverTheirGridRows)
{
    auto form = MakeForm();
    const TMainForm& f = *form;
    const std::pair<QLabel*, int> bars[] = {{f.Panel3, 1}, {f.Panel4, 4}, {f.Panel1, 9}, {f.Panel5, 11}};
    for (const auto& [bar, row] : bars)
    {
        const int rowTop = f.REPORT->y() + f.REPORT->frameWidth() + f.REPORT->rowViewportPosition(row);
        EXPECT_EQ(bar->y(), rowTop) << bar->objectName().toStdString();
        EXPECT_EQ(bar->geometry(), QRect(8, bar->y(), 248, 19));
    }
    for (QLabel* verdict : {f.R1, f.R2, f.R3, f.R4})
        EXPECT_EQ(verdict->geometry(), QRect(192, 0, 56, 19));
}

TEST_F(MainFormTest, ClosingReleasesTheEngineAndTheFrameStore)
{
    auto form = MakeForm();
    form->show();
    form->SpeedButton6->click();
    EXPECT_TRUE(form->windowState() & Qt::WindowMinimized);
    form->SpeedButton5->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Analyzer());
    EXPECT_TRUE(form->Cycle().CaptureBuffers.empty());
    EXPECT_FALSE(QFile::exists(Path("SystemSetting.ini")));
    // Handlers that may still run after closing find no engine and do nothing.
    form->ShowResult();
    form->PBMouseDown(Qt::LeftButton, 1, 1);
    EXPECT_FALSE(form->MouseDragging());
}

struct SettingsCase
{
    const char* Name;
    QByteArray File;
    QString ImageFolder; // empty: the start directory
    int CaptureCount;
};

void PrintTo(const SettingsCase& c, std::ostream* os)
{
    *os << c.Name;
}

class StartSettingsTest : public MainFormTest, public ::testing::WithParamInterface<SettingsCase>
{
};

TEST_P(StartSettingsTest, ImageFolderAndFrameStoreFollowTheSettingsFile)
{
    const SettingsCase c = GetParam();
    WriteSettings(Path("SystemSetting.ini"), c.File);
    auto form = MakeForm();
    EXPECT_EQ(form->ImageFolder(), c.ImageFolder.isEmpty() ? Dir.path() : c.ImageFolder);
    EXPECT_EQ(form->Cycle().CaptureCount, c.CaptureCount);
    EXPECT_EQ(form->Cycle().CaptureBuffers.size(), static_cast<std::size_t>(c.CaptureCount));
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartSettingsTest,
    ::testing::Values(
        SettingsCase{"folder",
                     "PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n5\r\n\r\n\r\n0\r\n/data/images\r\n",
                     "/data/images", 5},
        SettingsCase{"empty_folder",
                     "PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n2\r\n\r\n\r\n0\r\n\r\n", "", 2},
        SettingsCase{"five_lines", "PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n3\r\n\r\n\r\n", "", 3},
        // A hand-edited count below one still leaves room for the first frame.
        SettingsCase{"zero_frames", "PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n0\r\n\r\n\r\n0\r\n\r\n",
                     "", 1}),
    [](const auto& p) { return std::string(p.param.Name); });
