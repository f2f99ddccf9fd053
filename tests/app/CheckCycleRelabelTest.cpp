// Captions are output only: with CHECK and RESULT saying the opposite of the truth before every
// step, a Check in automatic mode, the save command in both views, a failed inspection, the PDF
// report and the automatic Check leave the same files and the same records as with the true
// captions.

#include "live/LiveAnalysis.h"
#include "tests/app/MainFormFixture.h"
#include "tests/records/CsvReader.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace
{
TBitmap FrameOf(const char* sample)
{
    TBitmap frame;
    frame.Assign(QImage(QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(sample)));
    return frame;
}

struct Outcome
{
    QStringList Files;            // in the image folder, time stamps as #
    std::vector<QStringList> Log; // without the time column, time stamps as #
    QString Serial;
    QString PdfWords; // empty where poppler's pdftotext is not installed
};

QString WithoutTimeStamps(QString text)
{
    static const QRegularExpression stamp(QStringLiteral("\\d{14}|\\d+-\\d+-\\d+_\\d{4}"));
    return text.replace(stamp, QStringLiteral("#"));
}

class CheckCycleRelabelTest : public MainFormTest
{
protected:
    Outcome Inspect(bool lie)
    {
        QDir(Dir.path()).mkpath(lie ? "lied" : "true");
        const QString folder = Path(lie ? "lied" : "true");
        auto form = MakeForm();
        form->show();
        form->SetImageFolder(folder);
        // Before every step: the captions say the other view and the other verdict.
        const auto step = [&] {
            if (!lie)
                return;
            form->CHECK->setText(form->Cycle().ShowingResult() ? "Check" : "Resume");
            form->RESULT->setText(form->Cycle().Shown.Pass() ? "Fail" : "Pass");
        };
        const auto deliver = [&](const TBitmap& frame) {
            step();
            form->VIDEOFrameCaptureCompleted(&frame, true);
        };
        const TBitmap pass = FrameOf("clean-pass.png");
        const TBitmap fail = FrameOf("core-defect.png");
        if (!form->AUTOPDF->isChecked())
            form->AUTOPDF->trigger();
        if (!form->SAVEFAILED->isChecked())
            form->SAVEFAILED->trigger();

        // A Check in automatic mode: report and PDF under the serial, which counts on.
        form->B_AUTO->setChecked(true);
        form->B_SERIAL->setText("AB0001");
        step();
        form->CheckOrResume();
        for (int i = 0; i < 3; ++i)
            deliver(pass);
        // The PDF report and the save command of the result view.
        step();
        form->WritePdfReportTo(QDir(folder).filePath("manual.pdf"));
        step();
        form->SpeedButton2Click();
        // Back to live; the save command there saves the next frame.
        step();
        form->CheckOrResume();
        step();
        form->SpeedButton2Click();
        for (int i = 0; i < 3; ++i)
            deliver(pass);
        // A failed inspection in manual mode leaves its pictures.
        form->B_MANUAL->setChecked(true);
        step();
        form->CheckOrResume();
        for (int i = 0; i < 3; ++i)
            deliver(fail);
        step();
        form->CheckOrResume();
        // The automatic Check on a steady, sharp live picture.
        form->B_AUTO->setChecked(true);
        form->LIVEANALYSIS->setChecked(true);
        form->AUTOCHECK->setChecked(true);
        form->AUTOCHECKClick();
        TLiveResult live;
        live.FiberInView = true;
        live.Center = TPoint2D(320.0f, 240.0f);
        live.Focus = 50.0f;
        for (int i = 0; i < 40 && !form->Cycle().CaptureRequested(); ++i)
        {
            step();
            form->LiveResultReady(live);
            QTest::qWait(30);
        }
        EXPECT_TRUE(form->Cycle().CaptureRequested());
        for (int i = 0; i < 3; ++i)
            deliver(pass);

        Outcome out;
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
            out.Files << WithoutTimeStamps(name);
        QFile log(QDir(folder).filePath("inspections.csv"));
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        for (QStringList row : ReadCsv(log.readAll()))
        {
            row.removeFirst();
            for (QString& field : row)
                field = WithoutTimeStamps(field.replace(folder, "FOLDER"));
            out.Log.push_back(row);
        }
        out.Serial = form->B_SERIAL->text();
        // The PDF's text without its figures (the time it was written).
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QDir(folder).filePath("manual.pdf"), QStringLiteral("-")});
        if (text.waitForFinished(60000))
            out.PdfWords =
                QString::fromUtf8(text.readAllStandardOutput()).remove(QRegularExpression("[\\d:/.-]"));
        return out;
    }
};
} // namespace

TEST_F(CheckCycleRelabelTest, CaptionsDecideNothing)
{
    const Outcome truth = Inspect(false);
    // What the steps above must leave, so the comparison is not of two empty folders.
    EXPECT_TRUE(truth.Files.contains("AB0001.bmp"));
    EXPECT_TRUE(truth.Files.contains("AB0001.pdf"));
    EXPECT_TRUE(truth.Files.contains("AB0002.bmp")); // the automatic Check's
    EXPECT_TRUE(truth.Files.contains("manual.pdf"));
    EXPECT_TRUE(truth.Files.contains("#.bmp")); // the live save command
    EXPECT_TRUE(truth.Files.contains("AB0002-fail.bmp")) << truth.Files.join(" ").toStdString();
    ASSERT_EQ(truth.Log.size(), 4u) << truth.Files.join(" ").toStdString(); // header and three inspections
    EXPECT_EQ(truth.Serial, "AB0003");

    const Outcome lied = Inspect(true);
    EXPECT_EQ(lied.Files, truth.Files);
    EXPECT_EQ(lied.Log, truth.Log);
    EXPECT_EQ(lied.Serial, truth.Serial);
    EXPECT_EQ(lied.PdfWords, truth.PdfWords);
    if (!truth.PdfWords.isEmpty())
    {
        EXPECT_TRUE(truth.PdfWords.contains("Pass"));
    }
}
