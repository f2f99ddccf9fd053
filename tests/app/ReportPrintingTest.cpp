// The report picture of the window, its dated save and its print on one page, checked through
// Qt's PDF output rendered back to pixels.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/PrintDialog.h"
#include "tests/app/MainFormFixture.h"

#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

namespace
{
QString Sample(const char* name)
{
    return QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name);
}

void ExpectNormalLayout(const TMainForm& form)
{
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{form.SpeedButton1, form.SpeedButton2, form.SpeedButton7,
                                               form.SpeedButton3, form.CHECK, form.AUTOMANUAL})
        EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
    EXPECT_FALSE(form.TITLE->isVisible());
    EXPECT_FALSE(form.TITLE3->isVisible());
}

// The box of pixels darker than mid grey, in page pixels.
QRect InkBox(const QImage& page)
{
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y)
    {
        const QRgb* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            if (qGray(row[x]) < 128)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}
} // namespace

using ReportPrintingTest = MainFormTest;

TEST_F(ReportPrintingTest, TheSavedReportIsTheWindowInItsReportLayoutBetweenTheBars)
{
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->OpenImageFile(QFile::encodeName(Sample("cladding-scratch.png")).toStdString());
    const QImage normal = form->grab().toImage().convertToFormat(QImage::Format_RGB888);
    form->EnterReportLayout();
    const QImage report = form->grab().toImage().convertToFormat(QImage::Format_RGB888).copy(0, 41, 905, 480);
    form->LeaveReportLayout();

    form->SpeedButton2Click();

    ExpectNormalLayout(*form);
    const QStringList files = QDir(Dir.path()).entryList({"*_0001.bmp"}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QImage saved = QImage(Path(files[0])).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(saved.size(), QSize(905, 480));
    EXPECT_EQ(saved, report);
    // Titles where the buttons and Check were.
    const QRect checkArea = form->CHECK->geometry().translated(form->RIGHT->pos()).translated(0, -41);
    EXPECT_NE(saved.copy(checkArea), normal.copy(checkArea.translated(0, 41)));
    const QRect buttonArea = form->SpeedButton2->geometry().translated(form->RIGHT->pos()).translated(0, -41);
    EXPECT_NE(saved.copy(buttonArea), normal.copy(buttonArea.translated(0, 41)));
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_FALSE(form->Cycle().SequenceActive());
}

TEST_F(ReportPrintingTest, AFailedSaveRestoresTheLayoutAndKeepsTheSequenceFields)
{
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(QFile::encodeName(Sample("clean-pass.png")).toStdString());
    form->SetImageFolder(Path("no-such-folder"));
    EXPECT_THROW(form->SpeedButton2Click(), std::runtime_error);
    ExpectNormalLayout(*form);
    EXPECT_TRUE(form->Cycle().ShowingResult());
    EXPECT_THROW(form->SaveReportImage(QFile::encodeName(Path("no-such-folder/x.bmp")).toStdString()),
                 std::runtime_error);
    ExpectNormalLayout(*form);
}

TEST_F(ReportPrintingTest, TheDatedNameTakesTheFirstFreeNumberAndNoSeparators)
{
    const auto touch = [this](const char* name) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(TMainForm::DatedReportName(Dir.path(), "2026-12-08"), "2026-12-08_0001.bmp");
    touch("2026-12-08_0002.bmp");
    EXPECT_EQ(TMainForm::DatedReportName(Dir.path(), "2026-12-08"), "2026-12-08_0001.bmp");
    touch("2026-12-08_0001.bmp");
    EXPECT_EQ(TMainForm::DatedReportName(Dir.path(), "2026-12-08"), "2026-12-08_0003.bmp");
    EXPECT_EQ(TMainForm::DatedReportName(Dir.path(), "08/12/26"), "08-12-26_0001.bmp");
    EXPECT_EQ(TMainForm::DatedReportName(Dir.path(), "08\\12\\26"), "08-12-26_0001.bmp");
}

struct PrintCase
{
    int Width, Height;
    bool Landscape;
    QRect Expected; // in 600 dpi printer pixels: left, top, right, bottom
};

void PrintTo(const PrintCase& c, std::ostream* os)
{
    *os << c.Width << "x" << c.Height << (c.Landscape ? " landscape" : " portrait");
}

class PrintBitmapTest : public MainFormTest, public ::testing::WithParamInterface<PrintCase>
{
};

TEST_P(PrintBitmapTest, FitsTheBitmapInsideHalfInchMarginsCentred)
{
    const PrintCase c = GetParam();
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    auto form = MakeForm();
    // An 8 x 11 inch page without printer margins: 4800 x 6600 pixels at 600 dpi.
    QPrinter& printer = *form->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path("page.pdf"));
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QSizeF(8, 11), QPageSize::Inch));
    printer.setPageOrientation(c.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    ASSERT_EQ(printer.width(), c.Landscape ? 6600 : 4800);

    TBitmap bitmap(c.Width, c.Height);
    bitmap.Image().fill(Qt::black);
    form->PrintBitmap(&bitmap);

    // Rendered back at 150 dpi: a quarter of the printer's pixels.
    QProcess render;
    render.start(pdftoppm, {"-r", "150", "-png", "-singlefile", Path("page.pdf"), Path("page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    ASSERT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    const QImage page(Path("page.png"));
    ASSERT_EQ(page.size(), c.Landscape ? QSize(1650, 1200) : QSize(1200, 1650));
    const QRect ink = InkBox(page);
    EXPECT_NEAR(ink.left(), c.Expected.left() / 4.0, 1.0);
    EXPECT_NEAR(ink.top(), c.Expected.top() / 4.0, 1.0);
    EXPECT_NEAR(ink.right() + 1, c.Expected.right() / 4.0, 1.0);
    EXPECT_NEAR(ink.bottom() + 1, c.Expected.bottom() / 4.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PrintBitmapTest,
    ::testing::Values(PrintCase{905, 480, false, QRect(QPoint(300, 2186), QPoint(4500, 4413))},
                      PrintCase{905, 480, true, QRect(QPoint(300, 808), QPoint(6300, 3990))},
                      PrintCase{640, 480, false, QRect(QPoint(300, 1725), QPoint(4500, 4875))}));

class PrintCommandTest : public MainFormTest
{
protected:
    void TearDown() override
    {
        SetPrintDialogHook({});
        MainFormTest::TearDown();
    }

    // Answers the print dialog, printing to a PDF file when confirmed.
    void AnswerPrint(TMainForm& form, bool confirm)
    {
        form.Printer()->setOutputFormat(QPrinter::PdfFormat);
        form.Printer()->setOutputFileName(Path("print.pdf"));
        SetPrintDialogHook([this, confirm](QPrinter&) {
            ++Dialogs;
            return confirm;
        });
    }
    int Dialogs = 0;
};

TEST_F(PrintCommandTest, WhileLiveTheDialogComesAfterTheFramesAndPrintsTheCombinedFrame)
{
    for (const bool confirm : {false, true})
    {
        auto form = MakeForm();
        form->show();
        AnswerPrint(*form, confirm);
        Dialogs = 0;
        form->SpeedButton3Click();
        EXPECT_EQ(Dialogs, 0);
        EXPECT_EQ(form->Cycle().CapturePurpose, TCapturePurpose::Print);
        EXPECT_TRUE(form->Cycle().SequenceActive());
        TBitmap f(640, 480);
        f.Image().fill(Qt::darkGray);
        for (int i = 0; i < 3; ++i)
            form->VIDEOFrameCaptureCompleted(&f, true);
        EXPECT_EQ(Dialogs, 1);
        EXPECT_EQ(QFile::exists(Path("print.pdf")), confirm);
        EXPECT_FALSE(form->Cycle().SequenceActive());
        EXPECT_TRUE(form->Cycle().CrossHairOn);
        EXPECT_EQ(form->Cycle().FramesCaptured, 0);
        EXPECT_EQ(form->CHECK->text(), "Check");
    }
}

TEST_F(PrintCommandTest, InTheResultViewTheReportIsPrintedAndTheLayoutComesBack)
{
    auto form = MakeForm();
    form->show();
    AnswerPrint(*form, true);
    form->SpeedButton3Click(); // live, but a sequence only: nothing yet
    form->CheckOrResume();
    ASSERT_FALSE(QFile::exists(Path("print.pdf")));
    form->OpenImageFile(QFile::encodeName(Sample("clean-pass.png")).toStdString());
    form->SpeedButton3Click();
    EXPECT_EQ(Dialogs, 1);
    EXPECT_TRUE(QFile::exists(Path("print.pdf")));
    ExpectNormalLayout(*form);
}

TEST_F(ReportPrintingTest, TheHiddenSaveButtonWritesTheSourceImageInTheNamedFormat)
{
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->SAVEIMAGEClick(); // nothing to save yet: no dialog
    EXPECT_EQ(form->SD, nullptr);
    form->OpenImageFile(QFile::encodeName(Sample("core-defect.png")).toStdString());
    for (const char* name : {"source.jpg", "source.bmp"})
    {
        QTimer::singleShot(0, form.get(), [&form, this, name] {
            // Typed as the operator would; the file list may still hold the previous name.
            form->SD->findChild<QLineEdit*>("fileNameEdit")->setText(Path(name));
            QMetaObject::invokeMethod(form->SD, "accept");
        });
        form->SAVEIMAGEClick();
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray head = f.read(3);
        // A JPEG marker, or a bitmap whose size field says 24 bits per pixel (921654 bytes).
        EXPECT_EQ(head, QByteArray(name[7] == 'j' ? "\xFF\xD8\xFF" : "BM6", 3)) << name;
        EXPECT_EQ(QImage(Path(name)).size(), QSize(640, 480));
    }
    EXPECT_EQ(form->SD->windowTitle(), "Save Image");
}
