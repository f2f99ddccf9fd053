// The window's side of traceability: every inspection it shows is appended to the inspection
// log of the image folder, failed inspections can leave their pictures too, and the result on
// screen can be written as a PDF report. The records only read the analyzer's results.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "app/RecordsBrowser.h"
#include "app/StartOptions.h"
#include "app/TMainForm.h"
#include "app/UserPreferences.h"
#include "imaging/TLumarcRaster.h"
#include "platform/FileNames.h"
#include "platform/ImageWriter.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "platform/TBitmap.h"
#include "records/InspectionLog.h"
#include "records/PdfReport.h"
#include "records/PendingRecords.h"
#include "records/RecordSender.h"
#include "records/RecordStore.h"

#include <QAction>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

void TMainForm::BuildRecordControls()
{
    RECORDS = new QToolButton(TOP);
    RECORDS->setObjectName(QStringLiteral("RECORDS"));
    RECORDS->setText(tr("Records"));
    RECORDS->setToolTip(tr("PDF report of the result on screen; what else to keep of each inspection"));
    RECORDS->setStyleSheet(QStringLiteral("QToolButton { color: white; border: none; padding: 0 4px; }"
                                          "QToolButton:hover { text-decoration: underline; }"));
    RECORDS->setFocusPolicy(Qt::NoFocus);
    RECORDS->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(RECORDS);
    PDFREPORT = menu->addAction(tr("Save PDF Report..."));
    PDFREPORT->setObjectName(QStringLiteral("PDFREPORT"));
    BROWSERECORDS = menu->addAction(tr("Browse Records..."));
    BROWSERECORDS->setObjectName(QStringLiteral("BROWSERECORDS"));
    menu->addSeparator();
    SAVEFAILED = menu->addAction(tr("Save Pictures of Failed Inspections"));
    SAVEFAILED->setObjectName(QStringLiteral("SAVEFAILED"));
    SAVEFAILED->setCheckable(true);
    SAVEFAILED->setChecked(TUserPreferences::SaveFailedInspections());
    AUTOPDF = menu->addAction(tr("PDF Report with Every Automatic Save"));
    AUTOPDF->setObjectName(QStringLiteral("AUTOPDF"));
    AUTOPDF->setCheckable(true);
    AUTOPDF->setChecked(TUserPreferences::PdfWithAutomaticSave());
    RECORDS->setMenu(menu);
    // Said in the title bar while records wait for their log (its lock held elsewhere, or its
    // folder not writable): they are kept and go in by themselves.
    RECORDSWAITING = new QLabel(TOP);
    RECORDSWAITING->setObjectName(QStringLiteral("RECORDSWAITING"));
    RECORDSWAITING->setStyleSheet(QStringLiteral("color: #ffd400"));
    RECORDSWAITING->setVisible(false);
    PLANTWAITING = new QLabel(TOP);
    PLANTWAITING->setObjectName(QStringLiteral("PLANTWAITING"));
    PLANTWAITING->setStyleSheet(QStringLiteral("color: #ffd400"));
    PLANTWAITING->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PLANTWAITING->setVisible(false);
    // The report needs a result on screen.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        PDFREPORT->setEnabled(Cycle_.ShowingResult() && !Cycle_.Shown.NoVerdict() && Analyzer_ &&
                              Analyzer_->WorkRaster);
    });
    connect(PDFREPORT, &QAction::triggered, this, Guarded([this] { PDFREPORTClick(); }));
    connect(BROWSERECORDS, &QAction::triggered, this, Guarded([this] { BROWSERECORDSClick(); }));
    connect(SAVEFAILED, &QAction::toggled, this,
            Guarded([](bool on) { TUserPreferences::SetSaveFailedInspections(on); }));
    connect(AUTOPDF, &QAction::toggled, this,
            Guarded([](bool on) { TUserPreferences::SetPdfWithAutomaticSave(on); }));
}

QImage TMainForm::AnalysedImage() const
{
    if (!Analyzer_ || !Analyzer_->WorkRaster)
        return QImage();
    const int w = Analyzer_->ImageWidth > 0 ? Analyzer_->ImageWidth : AnalysisWidth;
    const int h = Analyzer_->ImageHeight > 0 ? Analyzer_->ImageHeight : AnalysisHeight;
    TBitmap image(w, h);
    {
        QPainter painter(&image.Image());
        DrawAnalysis(&painter, w, h, QRect(0, 0, w, h));
    }
    return image.Image();
}

TInspectionRecord TMainForm::ShownRecord() const
{
    if (ConnectorShown())
        return ConnectorRecord();
    TInspectionRecord record = TInspectionRecord::FromAnalyzer(*Analyzer_, Cycle_.Shown.Pass());
    // The serial number and time the inspection began with, whatever the field says now.
    record.Time = Cycle_.Shown.Time.isValid() ? Cycle_.Shown.Time : record.Time;
    record.Serial = Cycle_.Shown.Serial;
    record.Source = Cycle_.Shown.Source;
    record.Frames = Cycle_.Shown.Frames;
    record.RejudgedAt = Cycle_.Shown.RejudgedAt;
    record.SetProfileResult(RecordedProfileResult(record.Pass));
    record.SetLocation(Location_);
    return record;
}

TInspectionRecord TMainForm::ConnectorRecord() const
{
    // Every fibre's last judgement; the serial and time are the connector's first view's.
    TInspectionRecord record = TInspectionRecord::FromMtInspection(Cycle_.Connector.Inspection(), Profile_);
    record.Time = Cycle_.Shown.Time.isValid() ? Cycle_.Shown.Time : record.Time;
    record.Serial = Cycle_.Shown.Serial;
    record.Source = Cycle_.Shown.Source;
    record.Frames = Cycle_.Shown.Frames;
    record.RejudgedAt = Cycle_.Shown.RejudgedAt;
    return record;
}

TPendingRecords& TMainForm::Pending()
{
    // Made at the first record: the data folder is the user's own, on the station's disk.
    if (!Pending_)
    {
        const QString folder = UserDataFolder();
        QDir().mkpath(folder);
        TLogAppendOptions options;
        options.TornFallbackFolder = folder;
        Pending_ = std::make_unique<TPendingRecords>(folder, options);
        RECORDTIMER = new QTimer(this);
        RECORDTIMER->setObjectName(QStringLiteral("RECORDTIMER"));
        RECORDTIMER->setInterval(5000);
        connect(RECORDTIMER, &QTimer::timeout, this, Guarded([this] { FlushPendingRecords(); }));
    }
    return *Pending_;
}

void TMainForm::LogInspection(const QStringList& files)
{
    TInspectionRecord record = ShownRecord();
    record.Files = files;
    TPendingRecords& pending = Pending();
    try
    {
        // The window never waits on the log: the lock is waited for a short while at most, and a
        // record that cannot go in now is kept and goes in later, in its order.
        if (pending.Count() == 0)
        {
            try
            {
                TInspectionLog::Append(ImageFolder_, record, pending.Options());
            }
            catch (const TInspectionLogBusy&)
            {
                pending.Add(ImageFolder_, record);
            }
        }
        else
        {
            pending.Add(ImageFolder_, record);
            pending.Flush();
        }
    }
    catch (const std::exception& e)
    {
        // Kept all the same where it can be; the operator learns that this one is not on record
        // yet, and why.
        try
        {
            pending.Add(ImageFolder_, record);
        }
        catch (const std::exception&)
        {
        }
        ShowMessageBox(this, QString::fromUtf8(e.what()), tr("Inspection not logged"), QMessageBox::Warning);
    }
    ShowPendingRecords();
    KeepInStore(record);
}

void TMainForm::BROWSERECORDSClick()
{
    TRecordsBrowser browser(this);
    browser.Search();
    browser.exec();
}

void TMainForm::KeepInStore(const TInspectionRecord& record)
{
    const bool plant = Sender_ != nullptr;
    try
    {
        if (!Store_)
            Store_ = TRecordStore::OpenLocal(LocalRecordStorePath());
        TStoredInspection s = TStoredInspection::Made(record, RecordStation_);
        // The engine's zone lists hold one fibre's findings; a connector's fibres carry their own.
        if (Analyzer_ && record.Judged() && !record.MultiFibre())
            s.TakeFindings(*Analyzer_);
        if (KeepReportPictures_ && Cycle_.ShowingResult())
        {
            QBuffer png(&s.ReportPng);
            png.open(QIODevice::WriteOnly);
            ComposeReportImage().Image().save(&png, "PNG");
        }
        Store_->Add(s, plant);
    }
    catch (const std::exception& e)
    {
        Store_.reset();
        // Said once a run: every inspection is in the log all the same.
        if (!StoreProblemSaid_)
        {
            StoreProblemSaid_ = true;
            ShowMessageBox(this,
                           QString::fromUtf8(e.what()) +
                               tr("\n\nInspections are still logged in inspections.csv."),
                           tr("Record store"), QMessageBox::Warning);
        }
        return;
    }
    if (plant)
        Sender_->Wake();
}

void TMainForm::StartPlantSending()
{
    Sender_.reset();
    ShowPlantWaiting(0, QString());
    PlantWaiting_ = -1;
    // Read here, at start and when the dialog changed them, not for every inspection.
    RecordStation_ = TUserPreferences::StationName();
    KeepReportPictures_ = TUserPreferences::KeepReportPictures();
    const TPlantDatabase plant = TUserPreferences::PlantDatabase();
    if (!plant.Configured())
        return;
    Sender_ = std::make_unique<TRecordSender>(LocalRecordStorePath(), plant);
    connect(Sender_.get(), &TRecordSender::Waiting, this,
            [this](qint64 count, const QString& problem) { ShowPlantWaiting(count, problem); });
}

void TMainForm::ShowPlantWaiting(qint64 count, const QString& problem)
{
    PlantWaiting_ = count;
    // Said while the server cannot take them; records queued a moment ago and on their way are
    // no news.
    const bool show = count > 0 && !problem.isEmpty();
    PLANTWAITING->setVisible(show);
    PLANTWAITING->setText(count == 1 ? tr("Plant database: 1 record waiting")
                                     : tr("Plant database: %1 records waiting").arg(count));
    PLANTWAITING->setToolTip(problem);
}

void TMainForm::FlushPendingRecords()
{
    if (!Pending_ || Pending_->Count() == 0)
        return;
    try
    {
        Pending_->Flush();
    }
    catch (const std::exception&)
    {
        // The pending file itself cannot be had now; the next tick tries again.
    }
    ShowPendingRecords();
}

void TMainForm::ShowPendingRecords()
{
    const int waiting = Pending_ ? Pending_->Count() : 0;
    RECORDSWAITING->setVisible(waiting > 0);
    RECORDSWAITING->setText(waiting == 1 ? tr("Inspection not logged yet")
                                         : tr("%1 inspections not logged yet").arg(waiting));
    if (waiting > 0 && !RECORDTIMER->isActive())
        RECORDTIMER->start();
    else if (waiting == 0 && RECORDTIMER && RECORDTIMER->isActive())
        RECORDTIMER->stop();
}

QStringList TMainForm::SaveFailedInspection(const QString& serial)
{
    const QString stem =
        (serial.isEmpty() || !SerialIsFileName(serial) ? TimeStampStem() : serial) + QStringLiteral("-fail");
    QStringList files;
    const QString report = FreeFilePath(ImageFolder_, stem);
    SaveReportImage(QFile::encodeName(report).toStdString());
    files << report;
    // A captured frame exists nowhere else; an opened file is its own record.
    if (Cycle_.Shown.Frames > 0 && Analyzer_->SourceRaster)
    {
        const QString frame = FreeFilePath(ImageFolder_, stem + QStringLiteral("-frame"));
        WriteImageFile(QFile::encodeName(frame).toStdString(), Analyzer_->SourceRaster->Bitmap->Image());
        files << frame;
    }
    return files;
}

void TMainForm::WritePdfReportTo(const QString& path)
{
    WritePdfReport(QFile::encodeName(path).toStdString(), ShownRecord(), AnalysedImage());
}

void TMainForm::PDFREPORTClick()
{
    if (!Cycle_.ShowingResult() || !Analyzer_ || !Analyzer_->WorkRaster || SayNoVerdict())
        return;
    const QString serial = Cycle_.Shown.Serial;
    const QString stem =
        serial.isEmpty() || !SerialIsFileName(serial) ? TimeStampStem(Cycle_.Shown.Time) : serial;
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save PDF Report"), QDir(ImageFolder_).filePath(stem + QStringLiteral(".pdf")),
        tr("PDF Report (*.pdf)"));
    if (path.isEmpty())
        return;
    WritePdfReportTo(path);
}
