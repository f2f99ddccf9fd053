// Opening image files for analysis.

#include "analysis/TFiberAnalyzer.h"
#include "tests/app/MainFormFixture.h"
#include "videograbber/TVideoGrabber.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using ImageFileCommandsTest = MainFormTest;

TEST_F(ImageFileCommandsTest, AWrongSizedFileIsRefusedAndNothingChanges)
{
    auto form = MakeForm();
    WriteEndFace(Path("big.bmp"), 800, 600);
    Messages.clear();

    form->OpenImageFile(QFile::encodeName(Path("big.bmp")).toStdString());
    form->OpenImageFile(QFile::encodeName(Path("missing.bmp")).toStdString());

    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0].Text, "Cannot open this image file");
    EXPECT_EQ(Messages[0].Caption, "Invalid image size");
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_FALSE(form->PB->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Analyzer->SourceRaster);
}

TEST_F(ImageFileCommandsTest, AnAcceptedFileIsAnalysedAndShown)
{
    auto form = MakeForm();
    form->show();
    WriteEndFace(Path("face.bmp"), 640, 480);
    Messages.clear();
    form->M_MULTI->setChecked(true);

    form->OpenImageFile(QFile::encodeName(Path("face.bmp")).toStdString());

    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_TRUE(form->PB->isVisible());
    EXPECT_FALSE(form->VIDEO->isVisible());
    EXPECT_EQ(form->Analyzer->Mode, 1);
    EXPECT_EQ(form->CapturePurpose, -1);
    EXPECT_TRUE(form->RESULT->text() == "Pass" || form->RESULT->text() == "Fail");
    EXPECT_FALSE(form->R1->text().isEmpty());
    // The located fiber is drawn: the view is no longer plain black where the disc is.
    const QImage view = form->PB->grab().toImage();
    EXPECT_NE(view.pixelColor(view.width() / 2, view.height() / 2), QColor(Qt::black));
}
