// Finding the scope among the video devices (or offering the WiFi scope), choosing its picture
// size, fitting the live video into LEFT and starting the preview.

#include "analysis/AnalysisGeometry.h"
#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/UserPreferences.h"
#include "live/TLiveAnalyzer.h"
#include "platform/MessageBox.h"
#include "videograbber/TVideoGrabber.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace
{
// Names the known scopes report, compared after upper-casing; the last is Korean for
// "USB video device".
const QString KnownNames[] = {QStringLiteral("PC CAMERA"), QStringLiteral("SMI GRABBER DEVICE"),
                              QStringLiteral("USB 2861 DEVICE"), QStringLiteral("USB VIDEO DEVICE"),
                              QStringLiteral("USB \uBE44\uB514\uC624 \uC7A5\uCE58")};

// Translated as it is shown: the application's translators are installed after static start-up.
const char* const TitleBase = QT_TRANSLATE_NOOP("TMainForm", "Fiber Optic Microscope / Inspector 4.5");

QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}
} // namespace

int TMainForm::ChooseScopeDevice(const QStringList& devices, const QString& preferredName)
{
    const QString preferred = preferredName.toUpper();
    for (int i = 0; i < devices.size(); ++i)
    {
        const QString name = devices[i].toUpper();
        // The preferred name may sit anywhere in the device name; an empty one matches nothing.
        if (!preferred.isEmpty() && name.contains(preferred))
            return i;
        for (const QString& known : KnownNames)
            if (name == known)
                return i;
    }
    return -1;
}

int TMainForm::ChooseVideoSize(const QStringList& sizes)
{
    // The last 640 x 480 or 720 x 480 entry wins; without one the first size stays.
    int choice = 0;
    for (int k = 0; k < sizes.size(); ++k)
    {
        const QString& s = sizes[k];
        if (s.contains(QLatin1String("640")) && s.contains(QLatin1String("480")))
            choice = k;
        if (s.contains(QLatin1String("720")) && s.contains(QLatin1String("480")))
            choice = k;
    }
    return choice;
}

void TMainForm::ConnectScope()
{
    // Called again while a box of this call is open (a device arrived, the stream dropped):
    // noted, and run once this call is done if it left no source running. Running it now would
    // stack a second question or start the preview twice.
    if (ConnectingScope_)
    {
        ConnectAgain_ = true;
        return;
    }
    ConnectingScope_ = true;
    // Each round ends with a source running, or with the operator having answered a question.
    for (int round = 0; round < 8; ++round)
    {
        ConnectAgain_ = false;
        ConnectScopeOnce();
        if (!ConnectAgain_ || Closed_ || VIDEO->IsPreviewing())
            break;
    }
    ConnectingScope_ = false;
    Cycle_.CancelRequest();
    ShowScopeHint();
}

void TMainForm::ShowScopeHint()
{
    // On the black video area of the live view while no source runs.
    NOSCOPE->setVisible(!Closed_ && Cycle_.Live() && !VIDEO->IsPreviewing());
    if (NOSCOPE->isVisible())
    {
        NOSCOPE->setGeometry(LEFT->rect().adjusted(40, 0, -40, 0));
        NOSCOPE->raise();
    }
}

void TMainForm::ConnectScopeOnce()
{
    // LIST holds the names at start; the control's own list has changed since with every plug
    // and unplug, so the device is opened by its name there, never by its LIST index.
    QStringList present = VIDEO->VideoDevices().split(QLatin1Char('\n'));
    if (!present.isEmpty() && present.last().isEmpty())
        present.removeLast();
    QStringList candidates;
    for (const QString& name : Items(LIST))
        if (present.contains(name))
            candidates << name;
    const int candidate =
        ChooseScopeDevice(candidates, Analyzer_ ? QString::fromStdString(Analyzer_->DeviceName) : QString());
    if (candidate >= 0)
    {
        VIDEO->SetVideoDevice(static_cast<int>(present.indexOf(candidates[candidate])));
        Scope_.WiFiMode = false;
        SIZE->clear();
        QStringList sizes = VIDEO->VideoSizes().split(QLatin1Char('\n'));
        if (!sizes.isEmpty() && sizes.last().isEmpty())
            sizes.removeLast();
        SIZE->addItems(sizes);
        const int choice = ChooseVideoSize(sizes);
        CHECK->setEnabled(true);
        VIDEO->SetVideoSize(choice);
        FitVideoToSource();
        VIDEO->StartPreview();
        SetTitleCaption(tr(TitleBase) + QStringLiteral(" - USB"));
        return;
    }
    // After a stop of the WiFi scope the question says what went wrong and where.
    QString question = tr("Search for WiFi Scope ?");
    if (!WiFiStopReason_.isEmpty())
        question = tr("No picture from the WiFi scope: %1.\n\n").arg(WiFiStopReason_) + question;
    WiFiStopReason_.clear();
    const auto answer = ShowMessageBox(this, question, tr("Video Source Not Found"), QMessageBox::Question,
                                       QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes || Closed_)
        return;
    Scope_.WiFiMode = true;
    VIDEO->SetVideoSource(vs_IPCamera);
    VIDEO->SetIPCameraSetting(ips_ConnectionTimeout, 5000);
    // The user's own address and credentials, as the parameter dialog stored them.
    const QString url = TUserPreferences::WiFiScopeURL();
    VIDEO->SetIPCameraURL(url.isEmpty() ? WiFiScopeURL : url);
    VIDEO->SetAuthentication(at_IPCamera, TUserPreferences::WiFiScopeUser(),
                             TUserPreferences::WiFiScopePassword());
    VIDEO->SetRecordingInNativeFormat(true);
    VIDEO->SetRecordingMethod(rm_MP4);
    VIDEO->SetAudioRecording(true);
    CHECK->setEnabled(true);
    // The stream's real size is known with its first frame (VIDEOPreviewStarted).
    FitVideoWindow(AnalysisWidth, AnalysisHeight);
    VIDEO->StartPreview();
}

void TMainForm::FitVideoToSource()
{
    const int i = VIDEO->VideoSize();
    FitVideoWindow(VIDEO->GetVideoWidthFromIndex(i), VIDEO->GetVideoHeightFromIndex(i));
}

void TMainForm::FitVideoWindow(double width, double height, bool warnIfSmall)
{
    Scope_.VideoWidth = static_cast<int>(width);
    Scope_.VideoHeight = static_cast<int>(height);
    // A 720 x 480 source has non-square pixels: it is shown and analysed as 640 x 480.
    if (width == 720)
        width = 640;
    Scope_.FrameWidth = static_cast<int>(width);
    Scope_.FrameHeight = static_cast<int>(height);
    if (width != 0 && height != 0)
    {
        const float r = static_cast<float>(LEFT->height()) / static_cast<float>(height);
        const int w = static_cast<int>(r * static_cast<float>(width));
        const int h = LEFT->height();
        VIDEO->setGeometry((LEFT->width() - w) / 2, (LEFT->height() - h) / 2, w, h);
    }
    // Only a real picture is too small: no source at all (0 x 0) is not.
    if (warnIfSmall && Scope_.FrameWidth > 0 && Scope_.FrameHeight > 0 &&
        (Scope_.FrameWidth < AnalysisWidth || Scope_.FrameHeight < AnalysisHeight))
        ShowMessageBox(this, tr("Captured image size must be bigger than or equal to 640x480 for analysis"),
                       tr("Caution"), QMessageBox::Warning);
}

void TMainForm::VIDEOPreviewStarted()
{
    if (Closed_)
        return;
    // A source that starts again may show another picture: the focus mark starts afresh.
    if (AutoCheckTrigger_)
        AutoCheckTrigger_->RestartFocus();
    if (VIDEO->VideoSource() != vs_IPCamera)
        return;
    SetTitleCaption(tr(TitleBase) + QStringLiteral(" - WiFi"));
    // The scope's stream has whatever size it has: the cross-hair and the caution go by it.
    const QSize size = VIDEO->FrameSize();
    if (!size.isEmpty() && size != QSize(Scope_.VideoWidth, Scope_.VideoHeight))
        FitVideoWindow(size.width(), size.height());
}

void TMainForm::VIDEOInactive()
{
    if (Closed_)
        return;
    // The title no longer names a source that has stopped, and no frame of a capture under way
    // will come: the sequence is given up, so the picture of the next source is whole.
    SetTitleCaption(tr(TitleBase));
    Cycle_.AbortSequence();
    CAPTURETIMER->stop();
    ShowScopeHint();
    if (!Scope_.WiFiMode)
        return;
    WiFiStopReason_ = VIDEO->LastError();
    ConnectScope();
}

void TMainForm::VIDEODeviceArrivalOrRemoval(bool isDeviceArrival)
{
    if (isDeviceArrival && !Closed_)
        ConnectScope();
}
