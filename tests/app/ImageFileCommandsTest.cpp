// Opening image files for analysis.

#include "analysis/TFiberAnalyzer.h"
#include "app/StartOptions.h"
#include "platform/BuildInfo.h"
#include "tests/app/MainFormFixture.h"
#include "videograbber/TVideoGrabber.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

using ImageFileCommandsTest = MainFormTest;

// The described text and caption, then what was found: a wrong size, not an image, damaged.
TEST_F(ImageFileCommandsTest, ARefusedFileSaysWhyAndNothingChanges)
{
    auto form = MakeForm();
    WriteEndFace(Path("big.bmp"), 320, 240);
    QFile text(Path("notes.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("line one\nline two\n");
    text.close();
    QFile corrupt(Path("corrupt.png"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("\x89PNG\r\n\x1a\n not really");
    corrupt.close();
    const struct
    {
        const char* File;
        const char* Found;
        const char* Caption;
    } cases[] = {
        {"big.bmp", "The file is 320 x 240 pixels; only 640 x 480 and 720 x 480 pixels are opened.",
         "Invalid image size"},
        {"notes.jpg", "The file is not a BMP, JPEG or PNG image.", "Invalid image file"},
        {"corrupt.png", "The file is damaged or truncated.", "Invalid image file"},
        {"missing.bmp", "The file does not exist.", "Invalid image file"},
    };
    for (const auto& c : cases)
    {
        Messages.clear();
        form->OpenImageFile(QFile::encodeName(Path(c.File)).toStdString());
        ASSERT_EQ(Messages.size(), 1u) << c.File;
        EXPECT_EQ(Messages[0].Text, QStringLiteral("Cannot open this image file\n") + c.Found) << c.File;
        EXPECT_EQ(Messages[0].Caption, c.Caption) << c.File;
        EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
    }
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_FALSE(form->PB->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Analyzer()->SourceRaster);
}

struct SampleCase
{
    const char* File;
    bool Multi;
    const char* Verdict;
    const char* Zones[3]; // core, cladding, contact
};

void PrintTo(const SampleCase& c, std::ostream* os)
{
    *os << c.File << (c.Multi ? " multi" : " single");
}

class OpenSampleTest : public MainFormTest, public ::testing::WithParamInterface<SampleCase>
{
};

TEST_P(OpenSampleTest, TheFileIsAnalysedAndShownInTheResultView)
{
    const SampleCase c = GetParam();
    auto form = MakeForm();
    form->show();
    Messages.clear();
    (c.Multi ? form->M_MULTI : form->M_SINGLE)->setChecked(true);

    form->OpenImageFile(std::string(FS_SOURCE_DIR "/samples/") + c.File);

    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_TRUE(form->PB->isVisible());
    EXPECT_FALSE(form->VIDEO->isVisible());
    EXPECT_EQ(form->Analyzer()->Mode, c.Multi ? 1 : 0);
    EXPECT_EQ(form->RESULT->text(), c.Verdict);
    EXPECT_EQ(form->R1->text(), c.Zones[0]);
    EXPECT_EQ(form->R2->text(), c.Zones[1]);
    EXPECT_EQ(form->R3->text(), c.Zones[2]);
    EXPECT_EQ(form->R4->text(), "Pass");
    // The view shows the end face with its circles, not the black panel.
    const QImage view = form->PB->grab().toImage();
    const TPoint2D centre = form->Analyzer()->Center;
    EXPECT_NE(view.pixelColor(static_cast<int>(centre.X) + 60, static_cast<int>(centre.Y)),
              QColor(Qt::black));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, OpenSampleTest,
    ::testing::Values(SampleCase{"clean-pass.png", false, "Pass", {"Pass", "Pass", "Pass"}},
                      SampleCase{"core-defect.png", false, "Fail", {"Fail", "Pass", "Pass"}},
                      SampleCase{"core-defect.png", true, "Pass", {"Pass", "Pass", "Pass"}},
                      SampleCase{"contact-defect.bmp", false, "Fail", {"Pass", "Pass", "Fail"}},
                      SampleCase{"wide-720-pass.png", false, "Pass", {"Pass", "Pass", "Pass"}}));

// Installed, the program finds its samples beside its programs' folder (share/fiberscope/samples
// next to bin/) and offers them in the open dialog's side bar; a build tree has none.
TEST_F(ImageFileCommandsTest, TheOpenDialogOffersTheInstalledSamples)
{
    const QString samples =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/" FS_SAMPLES_FROM_BINDIR);
    ASSERT_FALSE(QDir(samples).exists()) << "left over from an earlier run: " << samples.toStdString();
    EXPECT_EQ(InstalledSamplesFolder(), QString());
    ASSERT_TRUE(QDir().mkpath(samples));
    EXPECT_EQ(InstalledSamplesFolder(), samples);

    auto form = MakeForm();
    QTimer::singleShot(0, form.get(), [&] { form->OD->reject(); });
    form->LOADIMAGEClick();
    // The folder and its empty parents go, so the next run starts clean.
    QDir().rmpath(samples);
    ASSERT_NE(form->OD, nullptr);
    EXPECT_TRUE(form->OD->sidebarUrls().contains(QUrl::fromLocalFile(samples)));
}

// The open dialog lists every bundled sample, PNG as much as BMP.
TEST_F(ImageFileCommandsTest, TheOpenDialogListsEverySample)
{
    auto form = MakeForm();
    QTimer::singleShot(0, form.get(), [&] { form->OD->reject(); });
    form->LOADIMAGEClick();
    ASSERT_NE(form->OD, nullptr);
    QStringList patterns;
    for (const QString& filter : form->OD->nameFilters())
    {
        const qsizetype open = filter.indexOf('('), close = filter.lastIndexOf(')');
        patterns += filter.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts);
    }
    const QStringList samples =
        QDir(QStringLiteral(FS_SOURCE_DIR "/samples")).entryList({"*.png", "*.bmp", "*.jpg"}, QDir::Files);
    ASSERT_GE(samples.size(), 5);
    for (const QString& name : samples)
        EXPECT_TRUE(QDir::match(patterns, name)) << name.toStdString();
}

// The open dialog shows its columns whole, and its file name's completer does not stay floating
// over the picture once the dialog is closed.
TEST_F(ImageFileCommandsTest, TheOpenDialogShowsWholeColumnsAndLeavesNothingBehind)
{
    auto form = MakeForm();
    form->show();
    WriteEndFace(Path("face.bmp"), 640, 480);
    int dateWidth = 0;
    int dateSection = 0;
    bool popupShown = false;
    QCompleter* completer = nullptr;
    QTimer::singleShot(0, form.get(), [&] {
        auto* view = form->OD->findChild<QTreeView*>("treeView");
        // The model reads the folder in the background.
        [[maybe_unused]] const bool listed =
            QTest::qWaitFor([&] { return view && view->model()->rowCount(view->rootIndex()) > 0; }, 5000);
        if (view)
        {
            const QModelIndex first = view->model()->index(0, 3, view->rootIndex());
            dateWidth = view->fontMetrics().horizontalAdvance(first.data().toString());
            dateSection = view->header()->sectionSize(3);
        }
        if (auto* name = form->OD->findChild<QLineEdit*>("fileNameEdit"); name && name->completer())
        {
            completer = name->completer();
            name->setText("fa");
            completer->complete();
            popupShown = completer->popup()->isVisible();
        }
        form->OD->reject();
    });
    form->LOADIMAGEClick();
    EXPECT_GT(dateWidth, 0);
    EXPECT_GE(dateSection, dateWidth);
    ASSERT_TRUE(completer);
    EXPECT_TRUE(popupShown);
    EXPECT_FALSE(completer->popup()->isVisible());
}
