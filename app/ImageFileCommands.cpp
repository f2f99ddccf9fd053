// The commands that move images between the station and files: opening a file for analysis
// (SpeedButton7 and the hidden "L" button), the save command (SpeedButton2, Ctrl+S), saving the
// source image (the hidden "S" button), and the window's shortcuts Ctrl+S and Ctrl+A.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "app/StartOptions.h"
#include "app/TMainForm.h"
#include "imaging/TLumarcRaster.h"
#include "platform/ImageWriter.h"
#include "platform/MessageBox.h"
#include "platform/TBitmap.h"
#include "platform/TImageRefusal.h"

#include <QCompleter>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

void TMainForm::LOADIMAGEClick()
{
    if (!Analyzer_)
        return;
    if (!OD)
    {
        OD = new QFileDialog(this, tr("Load Image"));
        OD->setObjectName(QStringLiteral("OD"));
        OD->setAcceptMode(QFileDialog::AcceptOpen);
        OD->setFileMode(QFileDialog::ExistingFile);
        // Every format the program opens is listed, PNG included.
        OD->setNameFilter(tr("Image (*.bmp *.jpg *.jpeg *.png)"));
        OD->setDefaultSuffix(QStringLiteral("bmp"));
        // An installed program's samples are one click away, wherever the program works.
        if (const QString samples = InstalledSamplesFolder(); !samples.isEmpty())
            OD->setSidebarUrls(OD->sidebarUrls() << QUrl::fromLocalFile(samples));
        FitOpenDialogColumns();
    }
    // The initial folder is the current directory, wherever it is now.
    OD->setDirectory(QDir::currentPath());
    OD->selectFile(QString());
    const int answer = OD->exec();
    // The file name's completer may still float over the picture once the dialog is gone.
    for (QCompleter* completer : OD->findChildren<QCompleter*>())
        if (completer->popup())
            completer->popup()->hide();
    if (answer != QDialog::Accepted || OD->selectedFiles().isEmpty())
        return;
    OpenImageFile(QFile::encodeName(OD->selectedFiles().constFirst()).toStdString());
}

void TMainForm::FitOpenDialogColumns()
{
    // Wide enough for every column in full; the date as the locale writes it, measured, since
    // sizing columns to their contents would read every entry of a large image folder.
    OD->resize(OD->sizeHint().expandedTo(QSize(820, 480)));
    auto* view = OD->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView* header = view->header();
    const QFontMetrics metrics(view->font());
    // The file model writes dates in the system locale's short format.
    const QDateTime late(QDate(2026, 12, 28), QTime(23, 58, 59));
    const int date = metrics.horizontalAdvance(QLocale::system().toString(late, QLocale::ShortFormat));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("999.9 MiB")) + 24);
    header->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("png File")) + 40);
    header->resizeSection(3, date + 24);
}

void TMainForm::OpenImageFile(const std::string& path)
{
    TImageRefusal why;
    if (Analyzer_->LoadImageFile(path, &why))
    {
        Cycle_.BeginInspection(QFile::decodeName(QByteArray::fromStdString(path)), 0, B_SERIAL->text(),
                               QDateTime::currentDateTime());
        ResultMessages_.clear();
        RunAnalysis();
    }
    else
    {
        // The described text first, then what was found, in the analyser's words.
        QString found = tr("The file %1").arg(QString::fromStdString(DescribeRefusal(why)));
        if (why.Problem == TImageProblem::WrongSize)
            found +=
                tr("; only %1 x %2 and 720 x %2 pixels are opened").arg(AnalysisWidth).arg(AnalysisHeight);
        ShowMessageBox(this, tr("Cannot open this image file\n") + found + QLatin1Char('.'),
                       why.Problem == TImageProblem::WrongSize || !why ? tr("Invalid image size")
                                                                       : tr("Invalid image file"),
                       QMessageBox::Critical);
    }
}

QString TMainForm::DatedReportName(const QString& folder, const QString& dateText)
{
    // A short date format such as d/M/yy would point into sub-folders that do not exist.
    QString date = dateText;
    date.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char('\\'), QLatin1Char('-'));
    const QDir dir(folder);
    QString name;
    for (int n = 1;; ++n)
    {
        name = date + QString::asprintf("_%04d.bmp", n);
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return name;
    }
}

void TMainForm::SpeedButton2Click()
{
    if (Cycle_.Live())
    {
        Cycle_.Start(TCapturePurpose::SaveFrame);
        // The frame is saved as captured, without the circles of an earlier result.
        if (Analyzer_)
            Analyzer_->WorkRaster.reset();
        return;
    }
    if (Analyzer_)
    {
        // ISO, whatever the locale: a locale's short date may hold spaces, separators or
        // characters another system cannot store in a name.
        const QString date = QDate::currentDate().toString(Qt::ISODate);
        // The open dialog starts here next time. The report goes to the folder by its full path,
        // so a folder that cannot be entered fails the write instead of saving elsewhere.
        QDir::setCurrent(ImageFolder_);
        const QString name = DatedReportName(ImageFolder_, date);
        const QString path = QDir(ImageFolder_).filePath(name);
        SaveReportImage(QFile::encodeName(path).toStdString());
        ShowResultMessage(tr("Report Saved : %1").arg(path));
    }
    Cycle_.ResetFrames();
}

void TMainForm::FormKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    // The live assistant's switches, as their buttons in the title bar.
    if (Key == Qt::Key_F2 || Key == Qt::Key_F3)
    {
        (Key == Qt::Key_F2 ? LIVEANALYSIS : AUTOCHECK)->toggle();
        Key == Qt::Key_F2 ? LIVEANALYSISClick() : AUTOCHECKClick();
        return;
    }
    if (!Shift.testFlag(Qt::ControlModifier))
        return;
    if (Key == Qt::Key_S)
        SpeedButton2Click();
    else if (Key == Qt::Key_A && !SayIfNoScope())
        CheckOrResume();
}

void TMainForm::SAVEIMAGEClick()
{
    if (!Analyzer_ || !Analyzer_->SourceRaster)
        return;
    if (!SD)
    {
        SD = new QFileDialog(this, tr("Save Image"));
        SD->setObjectName(QStringLiteral("SD"));
        SD->setAcceptMode(QFileDialog::AcceptSave);
        SD->setFileMode(QFileDialog::AnyFile);
        SD->setNameFilters({tr("Windows Bitmap (*.bmp)"), tr("JPEG Image (*.jpg)")});
        SD->setDefaultSuffix(QStringLiteral("bmp"));
        // A bare name takes the extension of the chosen entry, known by its place in the list:
        // the entries' texts are translated.
        connect(SD, &QFileDialog::filterSelected, SD, [this](const QString& filter) {
            SD->setDefaultSuffix(SD->nameFilters().indexOf(filter) == 1 ? QStringLiteral("jpg")
                                                                        : QStringLiteral("bmp"));
        });
    }
    SD->setDirectory(ImageFolder_);
    SD->selectFile(QString());
    if (SD->exec() != QDialog::Accepted || SD->selectedFiles().isEmpty())
        return;
    // Real JPEG data for a .jpg name: a bitmap under that name confuses every other program.
    WriteImageFile(QFile::encodeName(SD->selectedFiles().constFirst()).toStdString(),
                   Analyzer_->SourceRaster->Bitmap->Image());
}
