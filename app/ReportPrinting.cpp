// The report is a picture of the window itself: the command buttons make way for two report
// titles, the window is grabbed and cut down to the band between the title bar and the bottom
// bar. The picture is saved as a file or printed on one page inside half-inch margins.

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "imaging/TLumarcRaster.h"
#include "platform/ImageWriter.h"
#include "platform/PrintDialog.h"
#include "platform/TBitmap.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <cstring>
#include <stdexcept>

namespace
{
// Puts the normal layout back however the report step is left, a failed write included.
class ReportLayoutScope
{
public:
    explicit ReportLayoutScope(TMainForm& form) : Form_(form) { Form_.EnterReportLayout(); }
    ~ReportLayoutScope() { Form_.LeaveReportLayout(); }
    ReportLayoutScope(const ReportLayoutScope&) = delete;
    ReportLayoutScope& operator=(const ReportLayoutScope&) = delete;

private:
    TMainForm& Form_;
};
} // namespace

QPrinter* TMainForm::Printer()
{
    if (!Printer_)
        Printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return Printer_.get();
}

void TMainForm::EnterReportLayout()
{
    InReportLayout_ = true;
    SpeedButton1->setVisible(false);
    SpeedButton2->setVisible(false);
    SpeedButton7->setVisible(false);
    SpeedButton3->setVisible(false);
    CHECK->setVisible(false);
    TITLE->setVisible(true);
    TITLE3->setVisible(true);
    AUTOMANUAL->setVisible(false);
    ShowConnectorControls();
}

void TMainForm::LeaveReportLayout()
{
    InReportLayout_ = false;
    SpeedButton1->setVisible(true);
    SpeedButton2->setVisible(true);
    SpeedButton7->setVisible(true);
    SpeedButton3->setVisible(true);
    CHECK->setVisible(true);
    TITLE->setVisible(false);
    TITLE3->setVisible(false);
    AUTOMANUAL->setVisible(true);
    ShowConnectorControls();
}

void TMainForm::CropToReportArea(TBitmap* image)
{
    const int top = TOP->height();
    const int bottom = BOTTOM->y();
    const int width = image->Width();
    const int rows = std::max(0, std::min(bottom, image->Height()) - top);
    TBitmap band(width, rows);
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    for (int y = 0; y < rows; ++y)
        std::memcpy(band.ScanLine(y), image->ScanLine(top + y), bytes);
    *image = std::move(band);
}

TBitmap TMainForm::ComposeReportImage()
{
    TBitmap image;
    {
        ReportLayoutScope report(*this);
        // The report is of the inspection shown, under its own serial number, although the
        // field may have counted on since.
        const QString entered = B_SERIAL->text();
        const bool ownSerial = Cycle_.ShowingResult() && Cycle_.Shown.Verdict != TVerdict::None;
        const QSignalBlocker quiet(B_SERIAL);
        if (ownSerial)
            B_SERIAL->setText(Cycle_.Shown.Serial);
        // Painted as the controls look now, at one image pixel per window pixel, 24 bits deep.
        image.Assign(grab().toImage());
        if (ownSerial)
            B_SERIAL->setText(entered);
    }
    CropToReportArea(&image);
    return image;
}

void TMainForm::SaveReportImage(const std::string& path)
{
    WriteImageFile(path, ComposeReportImage().Image());
}

void TMainForm::SpeedButton3Click()
{
    if (Cycle_.Live())
    {
        Cycle_.Start(TCapturePurpose::Print);
        return;
    }
    if (!Analyzer_ || !Analyzer_->SourceRaster || SayNoVerdict())
        return;
    if (!ExecPrintDialog(this, *Printer()))
        return;
    TBitmap report = ComposeReportImage();
    PrintBitmap(&report);
}

void TMainForm::PrintBitmap(TBitmap* bitmap)
{
    TLumarcRaster raster(bitmap->Width(), bitmap->Height());
    {
        QPainter copy(&raster.Bitmap->Image());
        copy.drawImage(0, 0, bitmap->Image());
    }
    QPrinter& printer = *Printer();
    QPainter page;
    if (!page.begin(&printer))
        throw std::runtime_error(tr("The printer could not start the print job").toStdString());
    const int dpi = printer.logicalDpiX();
    const int pw = printer.width();
    const int ph = printer.height();
    const int m = dpi / 2;
    raster.DrawFit(&page, m, m, pw - m, ph - m);
    if (!page.end())
        throw std::runtime_error(tr("The printer could not finish the print job").toStdString());
}
