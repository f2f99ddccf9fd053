// The window's side of the Check cycle: Check and Resume, the serial number of automatic mode,
// what each captured frame leads to, the analysis and the automatic saves. The cycle (Cycle_)
// decides; these handlers ask it, then update the widgets. Buttons only request a capture; the
// next live frame's overlay starts it, and every captured frame comes back through
// VIDEOFrameCaptureCompleted.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "imaging/TLumarcRaster.h"
#include "platform/FileNames.h"
#include "platform/ImageWriter.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "platform/TBitmap.h"
#include "videograbber/TVideoGrabber.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <exception>

void TMainForm::CHECKClick()
{
    // The modifiers of the click itself: the server's live key state misses keys a test sends.
    Cycle_.SaveRawOnCheck = QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
    if (SayIfNoScope())
        return;
    CheckOrResume();
}

bool TMainForm::SayIfNoScope()
{
    // A Check in the live view needs a picture to capture; without one it would wait silently.
    if (!Cycle_.Live() || VIDEO->IsPreviewing())
        return false;
    ShowMessageBox(this, NoScopeText(), tr("No scope"), QMessageBox::Information);
    return true;
}

QString TMainForm::NoScopeText()
{
    return tr("No scope connected: plug in a USB scope, press Connect Scope, or open an image file");
}

void TMainForm::CheckOrResume()
{
    if (B_AUTO->isChecked() && !ValidateSerial())
        return;
    if (Cycle_.Live())
        Cycle_.Start(TCapturePurpose::Check, B_SERIAL->text(), QDateTime::currentDateTime());
    else
        ResumeLive();
}

void TMainForm::ResumeLive()
{
    Cycle_.GoLive();
    ResultMessages_.clear();
    CHECK->setText(tr("Check"));
    QPalette pal = RESULT->palette();
    pal.setColor(QPalette::Window, Qt::white);
    // The last verdict stays readable on the white ground, as the last one.
    pal.setColor(QPalette::WindowText, Qt::darkGray);
    RESULT->setPalette(pal);
    DimLastResult(Cycle_.Shown.Verdict != TVerdict::None);
    PB->setVisible(false);
    VIDEO->setVisible(true);
    ShowScopeHint();
}

bool TMainForm::SerialIsFileName(const QString& serial)
{
    for (const QChar c : serial)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

bool TMainForm::ValidateSerial()
{
    const QString serial = B_SERIAL->text();
    const qsizetype length = serial.toLocal8Bit().size();
    const auto refuse = [this](const char* text, const char* caption) {
        ShowMessageBox(this, tr(text), tr(caption), QMessageBox::Warning);
        return false;
    };
    if (length > 14)
        return refuse(QT_TR_NOOP("Maximum digit of serial number is 14"),
                      QT_TR_NOOP("Serial number is too long"));
    if (length < 4)
        return refuse(QT_TR_NOOP("Minimum digit of serial number is 4"),
                      QT_TR_NOOP("Serial number is too short"));
    for (qsizetype i = serial.size() - 4; i < serial.size(); ++i)
        if (serial[i] < QLatin1Char('0') || serial[i] > QLatin1Char('9'))
            return refuse(QT_TR_NOOP("Last 4 digits of serial number must be numerics"),
                          QT_TR_NOOP("Invalid serial number"));
    // The serial names the report file: a separator would write outside the image folder.
    if (!SerialIsFileName(serial))
        return refuse(QT_TR_NOOP("Serial number must not contain / or \\ or control characters"),
                      QT_TR_NOOP("Invalid serial number"));
    return true;
}

void TMainForm::AdvanceSerial()
{
    const QString serial = B_SERIAL->text();
    const QString tail = serial.right(4);
    // Edited into something else while the inspection ran: there is no number to count on from.
    if (tail.size() < 4 || !std::all_of(tail.begin(), tail.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return;
    B_SERIAL->setText(serial.left(serial.size() - 4) + QString::asprintf("%04d", tail.toInt() + 1));
}

void TMainForm::VIDEOFrameCaptureCompleted(const TBitmap* FrameBitmap, bool Success)
{
    // The WiFi question at start runs an event loop before the frame store exists; and a frame
    // reaching the window while the print dialog is open would start a second dialog.
    if (!Built_ || InPrintDialog_)
        return;
    RESULT->setText(QString());
    if (!Success || !FrameBitmap)
    {
        // A capture of a sequence given up when its source stopped: that stop is said once, by
        // the question about the source.
        const bool asked = Cycle_.SequenceActive() || Cycle_.OverlayStartedCapture();
        // The live picture comes back whole; a Check starts again from frame 0.
        Cycle_.AbortSequence();
        CAPTURETIMER->stop();
        if (!asked || ConnectingScope_)
            return;
        ShowMessageBox(this, tr("Frame capture failed"), tr("Error"), QMessageBox::Critical);
        return;
    }
    const TCycleStep step = Cycle_.FrameArrived(*FrameBitmap);
    // The timer's request has been answered once a frame of its sequence is here; a sequence
    // started meanwhile by a command needs no tick either.
    if (step != TCycleStep::StartTimer && step != TCycleStep::GoLive)
        CAPTURETIMER->stop();
    switch (step)
    {
    case TCycleStep::GoLive:
        ResumeLive();
        break;
    case TCycleStep::StartTimer:
        CAPTURETIMER->start();
        break;
    case TCycleStep::CaptureNext:
        VIDEO->CaptureFrameTo(fc_TBitmap, QString());
        break;
    case TCycleStep::SaveFrame:
        SaveCombinedFrame();
        break;
    case TCycleStep::Print:
        PrintCombinedFrame();
        break;
    case TCycleStep::Analyse:
        AnalyseCombinedFrame();
        break;
    }
}

void TMainForm::SaveCombinedFrame()
{
    Cycle_.CombineFrames();
    Cycle_.EndSequence();
    AutoSaveFrame(Cycle_.CaptureBuffers[0]);
}

void TMainForm::PrintCombinedFrame()
{
    Cycle_.EndSequence();
    InPrintDialog_ = true;
    const bool confirmed = ExecPrintDialog(this, *Printer());
    InPrintDialog_ = false;
    if (!confirmed)
        return;
    Cycle_.CombineFrames();
    PrintBitmap(&Cycle_.CaptureBuffers[0]);
}

void TMainForm::AnalyseCombinedFrame()
{
    // A sequence the timer started skips the raw save of a Ctrl+Check, as it skipped the serial.
    const bool saveRaw = Cycle_.SaveRawOnCheck && !Cycle_.Triggered();
    Cycle_.CombineFrames();
    Cycle_.BeginInspection(ScopeSource(), Cycle_.CaptureCount, Cycle_.SequenceSerial(),
                           Cycle_.SequenceTime());
    ResultMessages_.clear();
    // A failed save of the raw frame is reported after the verdict: the inspection itself is not
    // lost with it.
    std::exception_ptr saveError;
    if (saveRaw)
    {
        if (Analyzer_)
            Analyzer_->WorkRaster.reset();
        try
        {
            const QString path = AutoSaveFrame(Cycle_.CaptureBuffers[0]);
            Cycle_.AddFile(path);
            // The result covers the live picture at once: the result says it too.
            ShowResultMessage(tr("Image Saved : ") + path);
        }
        catch (...)
        {
            saveError = std::current_exception();
        }
    }
    AnalyseFrame(Cycle_.CaptureBuffers[0]);
    if (saveError)
        std::rethrow_exception(saveError);
}

QString TMainForm::ScopeSource() const
{
    if (Scope_.WiFiMode)
        return QStringLiteral("WiFi scope ") + VIDEO->IPCameraURL();
    return VIDEO->VideoDevices().split(QLatin1Char('\n')).value(VIDEO->VideoDevice());
}

void TMainForm::CAPTURETIMERTimer()
{
    Cycle_.TimerElapsed(B_SERIAL->text(), QDateTime::currentDateTime());
}

void TMainForm::MSGTIMERTimer()
{
    OverlayMessageOn_ = false;
    OverlayMessage_.clear();
    MSGTIMER->stop();
}

void TMainForm::AllocateCaptureBuffers(int count)
{
    Cycle_.AllocateCaptureBuffers(count);
}

void TMainForm::AnalyseFrame(const TBitmap& bitmap)
{
    Analyzer_->SetCapturedImage(bitmap);
    RunAnalysis();
}

void TMainForm::RunAnalysis()
{
    Cycle_.ShowResult();
    CHECK->setText(tr("Resume"));
    VIDEO->setVisible(false);
    ShowScopeHint();
    Analyzer_->Mode = M_SINGLE->isChecked() ? 0 : 1;
    if (Profile_.Ferrule.MultiFibre())
    {
        RunConnectorAnalysis();
        return;
    }
    // No verdict without a fiber: the edge locator is asked first, then the profile's circle
    // judges.
    Location_ = AnalyzeLocated(*Analyzer_, EdgeScratch_, JudgingMethod());
    ShowResult();
    PB->setVisible(true);
    PB->repaint();
    // The verdict and the grid on screen now, before the saves and the records that follow.
    RIGHT->repaint();
    FileAndLog(Cycle_.TakeFiles());
}

void TMainForm::FileAndLog(QStringList files)
{
    const QString serial = Cycle_.Shown.Serial;
    // Whatever happens to the saves, the inspection is logged with the files that were written;
    // a failed save is reported after that.
    std::exception_ptr saveError;
    try
    {
        if (Cycle_.SaveResultPending && !serial.isEmpty())
        {
            // An opened file reaches here without the serial check of Check.
            if (!SerialIsFileName(serial))
                ShowMessageBox(this, tr("Serial number must not contain / or \\ or control characters"),
                               tr("Invalid serial number"), QMessageBox::Warning);
            else
            {
                files << FileUnderSerial(false);
                // A serial typed during the Check is the operator's next one and stays.
                if (B_SERIAL->text() == serial)
                    AdvanceSerial();
            }
        }
        else if (Cycle_.Shown.Verdict == TVerdict::Fail && SAVEFAILED->isChecked())
            files << SaveFailedInspection(serial);
    }
    catch (...)
    {
        saveError = std::current_exception();
    }
    LogInspection(files);
    if (saveError)
        std::rethrow_exception(saveError);
}

QStringList TMainForm::FileUnderSerial(bool rejudged)
{
    const QString serial = Cycle_.Shown.Serial;
    QStringList suffixes{QStringLiteral(".bmp")};
    if (AUTOPDF->isChecked())
        suffixes << QStringLiteral(".pdf");
    // A serial used again, or a report judged again, is filed beside the earlier files, never
    // over them: their records point at them.
    const QString stem = FreeStem(ImageFolder_, serial, suffixes);
    const QDir folder(ImageFolder_);
    QStringList files;
    const QString report = folder.filePath(stem + QStringLiteral(".bmp"));
    SaveReportImage(QFile::encodeName(report).toStdString());
    files << report;
    Cycle_.MarkFiledUnderSerial();
    if (AUTOPDF->isChecked())
    {
        const QString pdf = folder.filePath(stem + QStringLiteral(".pdf"));
        WritePdfReportTo(pdf);
        files << pdf;
    }
    if (rejudged)
        ShowResultMessage(tr("Report judged again, saved as ") + QFileInfo(report).fileName());
    else if (stem != serial)
        ShowResultMessage(tr("%1.bmp was filed before: this report is saved as %2")
                              .arg(serial, QFileInfo(report).fileName()));
    return files;
}

QString TMainForm::AutoSaveFrame(TBitmap& bitmap)
{
    const QString path = FreeFilePath(ImageFolder_, TimeStampStem());
    SaveAnnotatedImage(QFile::encodeName(path).toStdString(), bitmap);
    ShowOverlayMessage(tr("Image Saved : ") + path);
    return path;
}

void TMainForm::SaveAnnotatedImage(const std::string& path, TBitmap& bitmap)
{
    if (Analyzer_ && !bitmap.Empty())
    {
        QPainter painter(&bitmap.Image());
        DrawAnalysis(&painter, bitmap.Width(), bitmap.Height(), QRect(0, 0, bitmap.Width(), bitmap.Height()));
    }
    WriteImageFile(path, bitmap.Image());
}
