// Opening an image file for analysis (SpeedButton7 and the hidden "L" button).

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

void TMainForm::LOADIMAGEClick()
{
    if (!Analyzer)
        return;
    if (!OD)
    {
        OD = new QFileDialog(this, QStringLiteral("Load Image"));
        OD->setObjectName(QStringLiteral("OD"));
        OD->setAcceptMode(QFileDialog::AcceptOpen);
        OD->setFileMode(QFileDialog::ExistingFile);
        // Only BMP and JPEG are listed; a typed PNG name opens as well.
        OD->setNameFilter(QStringLiteral("Bitmap Image (*.bmp *.jpg)"));
        OD->setDefaultSuffix(QStringLiteral("bmp"));
    }
    // The initial folder is the current directory, wherever it is now.
    OD->setDirectory(QDir::currentPath());
    OD->selectFile(QString());
    if (OD->exec() != QDialog::Accepted || OD->selectedFiles().isEmpty())
        return;
    OpenImageFile(QFile::encodeName(OD->selectedFiles().constFirst()).toStdString());
}

void TMainForm::OpenImageFile(const std::string& path)
{
    if (Analyzer->LoadImageFile(path))
        RunAnalysis();
    else
        ShowMessageBox(this, QStringLiteral("Cannot open this image file"),
                       QStringLiteral("Invalid image size"), QMessageBox::Critical);
}
