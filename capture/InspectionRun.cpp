// The inspection run: Check and Resume, the serial number of automatic mode, the capture
// sequence that collects CaptureCount frames, their combination into one image, the analysis and
// the automatic saves. Buttons only raise CaptureRequested; the next live frame's overlay starts
// the capture, and every captured frame comes back through VIDEOFrameCaptureCompleted.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/TPaintBox.h"
#include "imaging/TLumarcRaster.h"
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
#include <cstring>
#include <exception>
#include <utility>

namespace
{
constexpr int CombinedWidth = 640;
constexpr int CombinedHeight = 480;

bool IsLive(const QPushButton* check)
{
    return check->text() == QLatin1String("Check");
}

// Copies a frame into a store bitmap, reusing its pixels when the size is unchanged, so a
// sequence allocates nothing after its first frames.
void CopyFrame(TBitmap& to, const TBitmap& from)
{
    if (to.Width() != from.Width() || to.Height() != from.Height())
        to.SetSize(from.Width(), from.Height());
    if (to.Empty())
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(from.Width());
    for (int y = 0; y < from.Height(); ++y)
        std::memcpy(to.ScanLine(y), from.ScanLine(y), bytes);
}
} // namespace

void TMainForm::CHECKClick()
{
    // The modifiers of the click itself: the server's live key state misses keys a test sends.
    SaveRawOnCheck = QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
    CheckOrResume();
}

void TMainForm::CheckOrResume()
{
    if (B_AUTO->isChecked() && !ValidateSerial())
        return;
    if (IsLive(CHECK))
    {
        SequenceActive = true;
        OverlayStartedCapture = false;
        CapturePurpose = -1;
        CaptureRequested = true;
        FramesCaptured = 0;
    }
    else
        ResumeLive();
}

void TMainForm::ResumeLive()
{
    FramesCaptured = 0;
    CHECK->setText(QStringLiteral("Check"));
    QPalette pal = RESULT->palette();
    pal.setColor(QPalette::Window, Qt::white);
    RESULT->setPalette(pal);
    PB->setVisible(false);
    VIDEO->setVisible(true);
    CaptureRequested = false;
    SequenceActive = false;
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
        ShowMessageBox(this, QString::fromLatin1(text), QString::fromLatin1(caption), QMessageBox::Warning);
        return false;
    };
    if (length > 14)
        return refuse("Maximum digit of serial number is 14", "Serial number is too long");
    if (length < 4)
        return refuse("Minimum digit of serial number is 4", "Serial number is too short");
    for (qsizetype i = serial.size() - 4; i < serial.size(); ++i)
        if (serial[i] < QLatin1Char('0') || serial[i] > QLatin1Char('9'))
            return refuse("Last 4 digits of serial number must be numerics", "Invalid serial number");
    // The serial names the report file: a separator would write outside the image folder.
    if (!SerialIsFileName(serial))
        return refuse("Serial number must not contain / or \\ or control characters",
                      "Invalid serial number");
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
        ShowMessageBox(this, QStringLiteral("Frame capture failed"), QStringLiteral("Error"),
                       QMessageBox::Critical);
        return;
    }
    if (!IsLive(CHECK))
    {
        ResumeLive();
        return;
    }
    // Frames beyond the store's size (unrequested frames in quick succession) are dropped.
    if (FramesCaptured < CaptureCount)
    {
        CopyFrame(CaptureBuffers[static_cast<std::size_t>(FramesCaptured)], *FrameBitmap);
        ++FramesCaptured;
    }

    if (SequenceActive)
    {
        if (FramesCaptured < CaptureCount)
        {
            CrossHairOn = false;
            VIDEO->CaptureFrameTo(fc_TBitmap, QString());
            return;
        }
        if (CapturePurpose == 0)
        {
            CombineFrames();
            SequenceActive = false;
            CrossHairOn = true;
            AutoSaveFrame(CaptureBuffers[0]);
        }
        else if (CapturePurpose == 1)
        {
            SequenceActive = false;
            CrossHairOn = true;
            InPrintDialog_ = true;
            const bool confirmed = ExecPrintDialog(this, *Printer());
            InPrintDialog_ = false;
            if (confirmed)
            {
                CombineFrames();
                PrintBitmap(&CaptureBuffers[0]);
            }
            FramesCaptured = 0;
        }
        else
        {
            CombineFrames();
            SequenceActive = false;
            OverlayStartedCapture = false;
            // A failed save of the raw frame is reported after the verdict: the inspection
            // itself is not lost with it.
            std::exception_ptr saveError;
            if (SaveRawOnCheck)
            {
                if (Analyzer)
                    Analyzer->WorkRaster.reset();
                try
                {
                    InspectionFiles << AutoSaveFrame(CaptureBuffers[0]);
                }
                catch (...)
                {
                    saveError = std::current_exception();
                }
            }
            AnalyseFrame(CaptureBuffers[0]);
            if (saveError)
                std::rethrow_exception(saveError);
        }
    }
    else if (OverlayStartedCapture)
    {
        CAPTURETIMER->stop();
        if (FramesCaptured < CaptureCount)
        {
            CrossHairOn = false;
            VIDEO->CaptureFrameTo(fc_TBitmap, QString());
            return;
        }
        CombineFrames();
        CaptureRequested = false;
        OverlayStartedCapture = false;
        SequenceActive = false;
        AnalyseFrame(CaptureBuffers[0]);
    }
    else
    {
        // A frame nobody asked for (the camera's still button): start a fresh inspection shortly.
        CrossHairOn = false;
        SequenceActive = false;
        OverlayStartedCapture = false;
        CaptureRequested = false;
        CAPTURETIMER->start();
    }
}

void TMainForm::CAPTURETIMERTimer()
{
    CaptureRequested = true;
}

void TMainForm::MSGTIMERTimer()
{
    OverlayMessageOn = false;
    OverlayMessage.clear();
    MSGTIMER->stop();
}

void TMainForm::AllocateCaptureBuffers(int count)
{
    // A count below 1 would leave no room for the first frame.
    CaptureCount = std::clamp(count, 1, MaxCaptureCount);
    CaptureBuffers.clear();
    CaptureBuffers.resize(static_cast<std::size_t>(CaptureCount));
    FramesCaptured = std::min(FramesCaptured, CaptureCount);
}

void TMainForm::CombineFrames()
{
    FramesCaptured = 0;
    TBitmap& first = CaptureBuffers[0];
    const int w = first.Width();
    const int h = first.Height();
    if (first.Empty())
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(w);
    // A running pairwise mean, the last frame weighing most. A frame of another size (the camera
    // switched sizes mid-sequence) has no pixel to pair with and is left out.
    for (std::size_t i = 1; i < CaptureBuffers.size(); ++i)
    {
        const TBitmap& next = CaptureBuffers[i];
        if (next.Width() != w || next.Height() != h)
            continue;
        for (int y = 0; y < h; ++y)
        {
            std::uint8_t* row = first.ScanLine(y);
            const std::uint8_t* add = next.ScanLine(y);
            for (std::size_t x = 0; x < bytes; ++x)
                row[x] = static_cast<std::uint8_t>((row[x] + add[x]) / 2);
        }
    }
    if (w > CombinedWidth || h > CombinedHeight)
        first.Assign(first.Image().scaled(CombinedWidth, CombinedHeight, Qt::IgnoreAspectRatio,
                                          Qt::FastTransformation));
}

void TMainForm::AnalyseFrame(const TBitmap& bitmap)
{
    Analyzer->SetCapturedImage(bitmap);
    if (WiFiMode)
        InspectionSource = QStringLiteral("WiFi scope ") + VIDEO->IPCameraURL();
    else
        InspectionSource = VIDEO->VideoDevices().split(QLatin1Char('\n')).value(VIDEO->VideoDevice());
    InspectionFrames = CaptureCount;
    RunAnalysis();
}

void TMainForm::RunAnalysis()
{
    CrossHairOn = true;
    CHECK->setText(QStringLiteral("Resume"));
    VIDEO->setVisible(false);
    Analyzer->Mode = M_SINGLE->isChecked() ? 0 : 1;
    Analyzer->Analyze();
    SaveResultPending = false;
    ShowResult();
    PB->setVisible(true);
    PB->repaint();
    CapturePurpose = -1;
    const QString serial = B_SERIAL->text();
    QStringList files = std::exchange(InspectionFiles, {});
    // Whatever happens to the saves, the inspection is logged with the files that were written;
    // a failed save is reported after that.
    std::exception_ptr saveError;
    try
    {
        if (SaveResultPending && !serial.isEmpty())
        {
            // An opened file reaches here without the serial check of Check.
            if (!SerialIsFileName(serial))
                ShowMessageBox(this,
                               QStringLiteral("Serial number must not contain / or \\ or control characters"),
                               QStringLiteral("Invalid serial number"), QMessageBox::Warning);
            else
            {
                const QString report = QDir(ImageFolder).filePath(serial + QStringLiteral(".bmp"));
                SaveReportImage(QFile::encodeName(report).toStdString());
                files << report;
                if (AUTOPDF->isChecked())
                {
                    const QString pdf = QDir(ImageFolder).filePath(serial + QStringLiteral(".pdf"));
                    WritePdfReportTo(pdf);
                    files << pdf;
                }
                AdvanceSerial();
            }
        }
        else if (RESULT->text() != QLatin1String("Pass") && SAVEFAILED->isChecked())
            files << SaveFailedInspection(serial);
    }
    catch (...)
    {
        saveError = std::current_exception();
    }
    LogInspection(serial, files);
    if (saveError)
        std::rethrow_exception(saveError);
}

QString TMainForm::FreeTimeStampPath(const QString& folder, const QString& stem)
{
    const QDir dir(folder);
    QString path = dir.filePath(stem + QStringLiteral(".bmp"));
    // Two saves within one second must not replace each other.
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = dir.filePath(stem + QStringLiteral("-%1.bmp").arg(n));
    return path;
}

QString TMainForm::AutoSaveFrame(TBitmap& bitmap)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const QString stem = QString::asprintf("%04d%02d%02d%02d%02d%02d", d.year(), d.month(), d.day(), t.hour(),
                                           t.minute(), t.second());
    const QString path = FreeTimeStampPath(ImageFolder, stem);
    SaveAnnotatedImage(QFile::encodeName(path).toStdString(), bitmap);
    OverlayMessageOn = true;
    OverlayMessage = QStringLiteral("Image Saved : ") + path;
    if (!MSGTIMER->isActive())
        MSGTIMER->start();
    return path;
}

void TMainForm::SaveAnnotatedImage(const std::string& path, TBitmap& bitmap)
{
    if (Analyzer && !bitmap.Empty())
    {
        QPainter painter(&bitmap.Image());
        DrawAnalysis(&painter, bitmap.Width(), bitmap.Height(), QRect(0, 0, bitmap.Width(), bitmap.Height()));
    }
    WriteImageFile(path, bitmap.Image());
}
