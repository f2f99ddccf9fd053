// The parameter setting dialog, and the main window's SpeedButton1Click that runs it: fill the
// edits from the analyzer, show the dialog, take the values back on Ok, rebuild the frame store
// and write the settings file.

#include "capture/TParamSettingForm.h"

#include "analysis/TFiberAnalyzer.h"
#include "app/TMainForm.h"
#include "app/Translations.h"
#include "app/UserPreferences.h"
#include "criteria/TCriteriaForm.h"
#include "platform/FileSystems.h"
#include "platform/FormWidgets.h"
#include "platform/IntText.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "records/RecordStore.h"
#include "videograbber/ScopeAddress.h"
#include "videograbber/TVideoGrabber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <charconv>
#include <stdexcept>

namespace
{
QGroupBox* Group(QWidget* parent, const char* name, const char* title, int left, int top, int width,
                 int height)
{
    auto* g = Make<QGroupBox>(parent, name, left, top, width, height);
    // The spaces keep the title clear of the frame; they are no part of the text.
    g->setTitle(QLatin1Char(' ') + TParamSettingForm::tr(title) + QLatin1Char(' '));
    return g;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int left, int top, int width)
{
    auto* l = Make<QLabel>(parent, name, left, top, width, 21);
    l->setText(text);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, int left, int top, int width)
{
    auto* b = Make<QPushButton>(parent, name, left, top, width, 25);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

// The shortest text that reads back as the same float: 3.0 shows as 3, 2.5 as 2.5.
QString ShortestText(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QString::fromLatin1(text, end - text);
}

QString SettingsPath(const QString& startDir)
{
    return QDir(startDir).filePath(QStringLiteral("SystemSetting.ini"));
}
} // namespace

TParamSettingForm::TParamSettingForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ParamSettingForm"));
    setWindowTitle(tr("Parameter Setting"));
    if (parent)
        setFont(parent->font());
    // The described 438 x 268, taller by the WiFi scope's and the plant database's groups and the
    // language row.
    setFixedSize(438, 432);

    GroupBox1 = Group(this, "GroupBox1", QT_TR_NOOP("Inspection Device"), 8, 8, 209, 124);
    Button1 = Button(GroupBox1, "Button1", tr("Setting 1"), 12, 24, 88);
    Button2 = Button(GroupBox1, "Button2", tr("Setting 2"), 108, 24, 88);
    Label7 = Label(GroupBox1, "Label7", tr("Multiple Capture"), 12, 66, 104);
    CAPTURECOUNT = Make<QLineEdit>(GroupBox1, "CAPTURECOUNT", 120, 66, 76, 21);
    CAPTURECOUNT->setToolTip(tr("Frames combined per Check, 1 to %1").arg(MaxCaptureCount));
    LOCATEBYEDGE = Make<QCheckBox>(GroupBox1, "LOCATEBYEDGE", 12, 98, 192, 17);
    LOCATEBYEDGE->setText(tr("Locate the fiber by its edge"));
    LOCATEBYEDGE->setToolTip(
        tr("The classic criteria judge the zones around the cladding's edge as found all round, instead "
           "of the centre found from four points. True-size profiles always do. "
           "Remembered for you."));

    GroupBox2 = Group(this, "GroupBox2", QT_TR_NOOP("Defect Detection"), 221, 8, 209, 124);
    Label3 = Label(GroupBox2, "Label3", tr("Core/Clad Threshold"), 12, 20, 124);
    Edit3 = Make<QLineEdit>(GroupBox2, "Edit3", 140, 20, 56, 21);
    Label4 = Label(GroupBox2, "Label4", tr("Contact Threshold"), 12, 45, 124);
    Edit4 = Make<QLineEdit>(GroupBox2, "Edit4", 140, 45, 56, 21);
    Button6 = Button(GroupBox2, "Button6", tr("Set Acceptance Criteria"), 12, 71, 184);
    SHOWCOUNT = Make<QCheckBox>(GroupBox2, "SHOWCOUNT", 12, 100, 184, 17);
    SHOWCOUNT->setText(tr("Show Counts on Result"));

    GroupBox3 = Group(this, "GroupBox3", QT_TR_NOOP("Image Saving Folder"), 8, 136, 422, 54);
    FOLDER = Make<QLineEdit>(GroupBox3, "FOLDER", 12, 22, 330, 21);
    Button7 = Button(GroupBox3, "Button7", tr("Set"), 348, 20, 62);

    GroupBox6 = Group(this, "GroupBox6", QT_TR_NOOP("WiFi Scope"), 8, 194, 422, 80);
    Label(GroupBox6, nullptr, tr("Address"), 12, 20, 56);
    WIFIURL = Make<QLineEdit>(GroupBox6, "WIFIURL", 72, 20, 338, 21);
    WIFIURL->setToolTip(tr("Used at the next connection; empty for %1").arg(TMainForm::WiFiScopeURL));
    Label(GroupBox6, nullptr, tr("User"), 12, 47, 56);
    WIFIUSER = Make<QLineEdit>(GroupBox6, "WIFIUSER", 72, 47, 130, 21);
    Label(GroupBox6, nullptr, tr("Password"), 216, 47, 60);
    WIFIPASSWORD = Make<QLineEdit>(GroupBox6, "WIFIPASSWORD", 280, 47, 130, 21);
    WIFIPASSWORD->setEchoMode(QLineEdit::Password);

    GroupBox7 = Group(this, "GroupBox7", QT_TR_NOOP("Plant Database (PostgreSQL)"), 8, 278, 422, 90);
    Label(GroupBox7, nullptr, tr("Host"), 12, 20, 56);
    PLANTHOST = Make<QLineEdit>(GroupBox7, "PLANTHOST", 72, 20, 194, 21);
    PLANTHOST->setToolTip(tr("Empty: inspections stay in the station's own store"));
    Label(GroupBox7, nullptr, tr("Port"), 276, 20, 30);
    PLANTPORT = Make<QLineEdit>(GroupBox7, "PLANTPORT", 310, 20, 100, 21);
    Label(GroupBox7, nullptr, tr("Database"), 12, 45, 56);
    PLANTDB = Make<QLineEdit>(GroupBox7, "PLANTDB", 72, 45, 130, 21);
    Label(GroupBox7, nullptr, tr("User"), 216, 45, 60);
    PLANTUSER = Make<QLineEdit>(GroupBox7, "PLANTUSER", 280, 45, 130, 21);
    PLANTUSER->setToolTip(tr("The password is read from ~/.pgpass"));
    Label(GroupBox7, nullptr, tr("TLS"), 12, 68, 56);
    PLANTSSL = Make<QComboBox>(GroupBox7, "PLANTSSL", 72, 68, 130, 20);
    PLANTSSL->addItems({QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
                        QStringLiteral("verify-ca"), QStringLiteral("verify-full")});
    KEEPPICTURES = Make<QCheckBox>(GroupBox7, "KEEPPICTURES", 216, 69, 196, 17);
    KEEPPICTURES->setText(tr("Keep report pictures in records"));

    // The texts are loaded once, before the first window: a new language needs a new start.
    Label(this, nullptr, tr("Language"), 20, 373, 52);
    LANGUAGE = Make<QComboBox>(this, "LANGUAGE", 80, 373, 150, 20);
    for (const TLanguageChoice& c : LanguageChoices())
        LANGUAGE->addItem(*c.Name ? QString::fromUtf8(c.Native) : tr("The desktop's language"),
                          QString::fromLatin1(c.Name));
    LANGUAGENOTE = Label(this, "LANGUAGENOTE", tr("Takes effect at the next start"), 238, 373, 192);

    Button3 = Button(this, "Button3", tr("Default"), 8, 399, 75);
    Button4 = Button(this, "Button4", tr("Ok"), 274, 399, 75);
    Button4->setDefault(true);
    Button5 = Button(this, "Button5", tr("Cancel"), 355, 399, 75);
    SETTINGSFOLDER = Label(this, "SETTINGSFOLDER", QString(), 90, 401, 178);
    SETTINGSFOLDER->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Below the client area and disabled: never seen, still filled and taken back.
    GroupBox4 = Group(this, "GroupBox4", QT_TR_NOOP("Core Detection"), 8, 446, 209, 76);
    Label1 = Label(GroupBox4, "Label1", tr("Lower Threshold"), 12, 20, 124);
    Edit1 = Make<QLineEdit>(GroupBox4, "Edit1", 140, 20, 56, 21);
    Label2 = Label(GroupBox4, "Label2", tr("Upper Threshold"), 12, 45, 124);
    Edit2 = Make<QLineEdit>(GroupBox4, "Edit2", 140, 45, 56, 21);
    GroupBox4->setEnabled(false);
    GroupBox5 = Group(this, "GroupBox5", QT_TR_NOOP("Evaluation"), 221, 446, 209, 76);
    Label5 = Label(GroupBox5, "Label5", tr("Core Defect (%)"), 12, 20, 124);
    Edit5 = Make<QLineEdit>(GroupBox5, "Edit5", 140, 20, 56, 21);
    Label6 = Label(GroupBox5, "Label6", tr("Clad Defect (%)"), 12, 45, 124);
    Edit6 = Make<QLineEdit>(GroupBox5, "Edit6", 140, 45, 56, 21);
    GroupBox5->setEnabled(false);

    SELFOLDER = [](QWidget* owner, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, title, start);
    };

    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guarded([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, Guarded([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, Guarded([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, Guarded([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, Guarded([this] { Button6Click(); }));
    connect(Button7, &QPushButton::clicked, this, Guarded([this] { Button7Click(); }));
    // An address typed with credentials shows them moved at once.
    connect(WIFIURL, &QLineEdit::editingFinished, this, [this] {
        const TScopeAddress typed = SplitScopeAddress(WIFIURL->text().trimmed());
        if (typed.User.isEmpty() && typed.Password.isEmpty())
            return;
        WIFIURL->setText(typed.Url);
        WIFIUSER->setText(typed.User);
        WIFIPASSWORD->setText(typed.Password);
    });
}

void TParamSettingForm::Fill(const TParamValues& v)
{
    Edit1->setText(QString::number(v.LowerThreshold));
    Edit2->setText(QString::number(v.UpperThreshold));
    Edit3->setText(QString::number(v.CoreCladThreshold));
    Edit4->setText(QString::number(v.ContactThreshold));
    ShownPercent_[0] = v.CoreDefectPercent;
    ShownPercent_[1] = v.CladDefectPercent;
    ShownPercentText_[0] = ShortestText(v.CoreDefectPercent);
    ShownPercentText_[1] = ShortestText(v.CladDefectPercent);
    Edit5->setText(ShownPercentText_[0]);
    Edit6->setText(ShownPercentText_[1]);
    CAPTURECOUNT->setText(QString::number(v.CaptureCount));
    SHOWCOUNT->setChecked(v.ShowCounts != 0);
    LOCATEBYEDGE->setChecked(v.LocateByEdge);
    FOLDER->setText(v.ImageFolder);
    WIFIURL->setText(v.WiFiURL);
    WIFIUSER->setText(v.WiFiUser);
    WIFIPASSWORD->setText(v.WiFiPassword);
    PLANTHOST->setText(v.PlantHost);
    PLANTPORT->setText(QString::number(v.PlantPort));
    PLANTDB->setText(v.PlantDatabase);
    PLANTUSER->setText(v.PlantUser);
    PLANTSSL->setCurrentIndex(std::max(0, PLANTSSL->findText(v.PlantSslMode)));
    LANGUAGE->setCurrentIndex(std::max(0, LANGUAGE->findData(v.Language)));
    KEEPPICTURES->setChecked(v.KeepReportPictures);
}

namespace
{
// An edit's whole number; a refusal names the entry, so the operator knows which one is wrong.
int FieldInt(const QLineEdit* edit, const QLabel* label)
{
    try
    {
        return StrToInt(edit->text());
    }
    catch (const std::invalid_argument& e)
    {
        throw std::invalid_argument(
            TParamSettingForm::tr("%1 for %2").arg(QString::fromUtf8(e.what()), label->text()).toStdString());
    }
}

// A grey level: the images are 8 bits deep.
int Threshold(const QLineEdit* edit, const QLabel* label)
{
    const int v = FieldInt(edit, label);
    if (v < 0 || v > 255)
        throw std::invalid_argument(TParamSettingForm::tr("'%1' is not a valid threshold: %2 takes 0 to 255")
                                        .arg(edit->text(), label->text())
                                        .toStdString());
    return v;
}
} // namespace

TParamValues TParamSettingForm::ReadValues() const
{
    const auto percent = [this](int i, const QLineEdit* edit, const QLabel* label) {
        return edit->text() == ShownPercentText_[i] ? ShownPercent_[i]
                                                    : static_cast<float>(FieldInt(edit, label));
    };
    TParamValues v;
    v.LowerThreshold = Threshold(Edit1, Label1);
    v.UpperThreshold = Threshold(Edit2, Label2);
    v.CoreCladThreshold = Threshold(Edit3, Label3);
    v.ContactThreshold = Threshold(Edit4, Label4);
    v.CoreDefectPercent = percent(0, Edit5, Label5);
    v.CladDefectPercent = percent(1, Edit6, Label6);
    v.CaptureCount = FieldInt(CAPTURECOUNT, Label7);
    if (v.CaptureCount < 1 || v.CaptureCount > MaxCaptureCount)
        throw std::invalid_argument(tr("'%1' is not a valid frame count: Multiple Capture takes 1 to %2")
                                        .arg(CAPTURECOUNT->text())
                                        .arg(MaxCaptureCount)
                                        .toStdString());
    v.ShowCounts = SHOWCOUNT->isChecked() ? 1 : 0;
    v.LocateByEdge = LOCATEBYEDGE->isChecked();
    // The settings file holds the folder on a line of its own.
    v.ImageFolder = FOLDER->text();
    if (v.ImageFolder.contains(QLatin1Char('\n')) || v.ImageFolder.contains(QLatin1Char('\r')))
        throw std::invalid_argument(tr("The image saving folder cannot contain a line break").toStdString());
    // Credentials typed into the address go where credentials belong; the address is shown in
    // messages and records.
    const TScopeAddress typed = SplitScopeAddress(WIFIURL->text().trimmed());
    v.WiFiURL = typed.Url;
    const QUrl url(v.WiFiURL, QUrl::StrictMode);
    if (!v.WiFiURL.isEmpty() &&
        (!url.isValid() || url.host().isEmpty() ||
         (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))))
        throw std::invalid_argument(tr("'%1' is not a WiFi scope address such as %2")
                                        .arg(v.WiFiURL, TMainForm::WiFiScopeURL)
                                        .toStdString());
    v.WiFiUser = typed.User.isEmpty() ? WIFIUSER->text() : typed.User;
    v.WiFiPassword = typed.Password.isEmpty() ? WIFIPASSWORD->text() : typed.Password;
    v.PlantHost = PLANTHOST->text().trimmed();
    bool portIsNumber = false;
    v.PlantPort = PLANTPORT->text().trimmed().toInt(&portIsNumber);
    if (!portIsNumber || v.PlantPort < 1 || v.PlantPort > 65535)
        throw std::invalid_argument(tr("'%1' is not a valid port: the plant database's port takes 1 to 65535")
                                        .arg(PLANTPORT->text())
                                        .toStdString());
    v.PlantDatabase = PLANTDB->text().trimmed();
    v.PlantUser = PLANTUSER->text().trimmed();
    if (!v.PlantHost.isEmpty() && v.PlantDatabase.isEmpty())
        throw std::invalid_argument(tr("The plant database needs the name of its database").toStdString());
    v.PlantSslMode = PLANTSSL->currentText();
    v.KeepReportPictures = KEEPPICTURES->isChecked();
    v.Language = LANGUAGE->currentData().toString();
    return v;
}

void TParamSettingForm::ShowSettingsFolder(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    QString shown = native;
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (shown == home || shown.startsWith(home + QDir::separator()))
        shown = QLatin1Char('~') + shown.mid(home.size());
    shown = tr("Settings in %1").arg(shown);
    SETTINGSFOLDER->setText(
        SETTINGSFOLDER->fontMetrics().elidedText(shown, Qt::ElideMiddle, SETTINGSFOLDER->width()));
    SETTINGSFOLDER->setToolTip(QDir(native).filePath(QStringLiteral("SystemSetting.ini")));
}

void TParamSettingForm::Button1Click()
{
    TVideoGrabber* video = MainForm->VIDEO;
    if (video->IsDialogAvailable(dlg_VideoDevice))
        video->ShowDialog(dlg_VideoDevice);
    else
        ShowMessageBox(this, tr("Video device dialog box is unavailable for current system"),
                       tr("Video system error"), QMessageBox::Warning);
}

void TParamSettingForm::Button2Click()
{
    MainForm->VIDEO->ShowDialog(dlg_VfwFormat);
}

void TParamSettingForm::Button3Click()
{
    Edit1->setText(QStringLiteral("128"));
    Edit2->setText(QStringLiteral("128"));
    Edit3->setText(QStringLiteral("60"));
    Edit4->setText(QStringLiteral("140"));
    Edit5->setText(QStringLiteral("3"));
    Edit6->setText(QStringLiteral("5"));
    CAPTURECOUNT->setText(QStringLiteral("3"));
    FOLDER->setText(MainForm->ImageFolder());
}

void TParamSettingForm::Button4Click()
{
    // Every edit is converted before the dialog closes: a refused text keeps it open with
    // nothing taken, and the exception display names the text.
    Values = ReadValues();
    Accepted = true;
    QDialog::accept();
}

void TParamSettingForm::Button5Click()
{
    Accepted = false;
    QDialog::reject();
}

void TParamSettingForm::reject()
{
    Button5Click();
}

void TParamSettingForm::Button6Click()
{
    TMainForm& main = *MainForm;
    // The plant's profile files are read at each opening, so one added meanwhile is offered.
    QStringList problems;
    CriteriaForm->SetProfiles(TMainForm::AvailableProfiles(&problems), main.Profile().Name, problems);
    CriteriaForm->exec();
    const TCriteriaProfile chosen = CriteriaForm->ChosenProfile();
    if (chosen.Name != main.Profile().Name)
    {
        try
        {
            TUserPreferences::SetCriteriaProfile(QString::fromStdString(chosen.Name));
        }
        catch (const std::exception& e)
        {
            // In use for this run all the same; the operator learns it will not be remembered.
            ShowMessageBox(this, QString::fromUtf8(e.what()), tr("Profile not remembered"),
                           QMessageBox::Warning);
        }
    }
    main.SetCriteria(CriteriaForm->DEFAULT->isChecked(), CriteriaForm->SingleLimits,
                     CriteriaForm->MultiLimits);
    // Also lays out the grid for the profile. A plant's file may have changed under the same
    // name, so a true-size profile is set again.
    if (!chosen.Classic || chosen.Name != main.Profile().Name)
        main.SetProfile(chosen);
}

void TParamSettingForm::Button7Click()
{
    const QString folder = SELFOLDER(this, tr("Choose Image Saving Folder"), FOLDER->text());
    if (!folder.isEmpty())
        FOLDER->setText(QDir::toNativeSeparators(folder));
}

void TMainForm::SpeedButton1Click()
{
    TParamSettingForm* dialog = ParamSettingForm;
    if (!dialog || !Analyzer_)
        return;
    const TFiberAnalyzer& a = *Analyzer_;
    const int videoSize = VIDEO->VideoSize();
    // The buttons of the device in use: a WiFi scope has no device dialogs, a USB device has.
    const bool device = VIDEO->VideoSource() != vs_IPCamera;
    dialog->Button1->setEnabled(device);
    dialog->Button2->setEnabled(device);

    TParamValues shown;
    shown.LowerThreshold = a.LowerThreshold;
    shown.UpperThreshold = a.UpperThreshold;
    shown.CoreCladThreshold = a.CoreCladThreshold;
    shown.ContactThreshold = a.ContactThreshold;
    shown.CoreDefectPercent = a.CoreDefectPercent;
    shown.CladDefectPercent = a.CladDefectPercent;
    shown.CaptureCount = a.CaptureCount;
    shown.ShowCounts = a.ShowCounts;
    shown.ImageFolder = ImageFolder_;
    shown.LocateByEdge = LocateByEdge_;
    {
        const TPlantDatabase plant = TUserPreferences::PlantDatabase();
        shown.PlantHost = plant.Host;
        shown.PlantPort = plant.Port;
        shown.PlantDatabase = plant.Database;
        shown.PlantUser = plant.User;
        shown.PlantSslMode = plant.SslMode;
        shown.KeepReportPictures = TUserPreferences::KeepReportPictures();
    }
    // A hand-edited address with credentials in it is shown without them.
    const TScopeAddress stored = SplitScopeAddress(TUserPreferences::WiFiScopeURL());
    shown.WiFiURL = stored.Url.isEmpty() ? WiFiScopeURL : stored.Url;
    shown.WiFiUser = TUserPreferences::WiFiScopeUser();
    shown.WiFiPassword = TUserPreferences::WiFiScopePassword();
    if (shown.WiFiUser.isEmpty() && shown.WiFiPassword.isEmpty())
    {
        shown.WiFiUser = stored.User;
        shown.WiFiPassword = stored.Password;
    }
    shown.Language = TUserPreferences::Language();
    dialog->Fill(shown);
    dialog->ShowSettingsFolder(StartDir_);

    dialog->Accepted = false;
    dialog->exec();
    // A device dialog changes the picture at once, whatever the answer here, so the video is
    // fitted to the size it now has.
    if (VIDEO->VideoSize() != videoSize)
        FitVideoToSource();
    if (!dialog->Accepted)
        return;

    ApplySettings(dialog->Values);
    // Written only when changed; the fixed address is not stored, so it stays the default.
    const TParamValues& v = dialog->Values;
    if (v.LocateByEdge != shown.LocateByEdge)
        TUserPreferences::SetLocateByEdge(v.LocateByEdge);
    if (v.Language != shown.Language)
        TUserPreferences::SetLanguage(v.Language);
    if (v.PlantHost != shown.PlantHost || v.PlantPort != shown.PlantPort ||
        v.PlantDatabase != shown.PlantDatabase || v.PlantUser != shown.PlantUser ||
        v.PlantSslMode != shown.PlantSslMode || v.KeepReportPictures != shown.KeepReportPictures)
    {
        TPlantDatabase plant;
        plant.Host = v.PlantHost;
        plant.Port = v.PlantPort;
        plant.Database = v.PlantDatabase;
        plant.User = v.PlantUser;
        plant.SslMode = v.PlantSslMode;
        TUserPreferences::SetPlantDatabase(plant, v.KeepReportPictures);
        StartPlantSending();
    }
    if (v.WiFiURL != shown.WiFiURL || v.WiFiUser != shown.WiFiUser || v.WiFiPassword != shown.WiFiPassword)
        TUserPreferences::SetWiFiScope(v.WiFiURL == WiFiScopeURL ? QString() : v.WiFiURL, v.WiFiUser,
                                       v.WiFiPassword);
}

void TMainForm::ApplySettings(const TParamValues& v)
{
    if (!Analyzer_)
        return;
    TFiberAnalyzer& a = *Analyzer_;
    a.LowerThreshold = v.LowerThreshold;
    a.UpperThreshold = v.UpperThreshold;
    a.CoreCladThreshold = v.CoreCladThreshold;
    a.ContactThreshold = v.ContactThreshold;
    a.CoreDefectPercent = v.CoreDefectPercent;
    a.CladDefectPercent = v.CladDefectPercent;
    a.CaptureCount = v.CaptureCount;
    AllocateCaptureBuffers(a.CaptureCount);
    a.ShowCounts = v.ShowCounts;
    SetImageFolder(v.ImageFolder);
    a.SaveSettings(QFile::encodeName(SettingsPath(StartDir_)).toStdString());
    SetLocateByEdge(v.LocateByEdge);
}

void TMainForm::SetImageFolder(const QString& folder)
{
    ImageFolder_ = folder;
    if (Analyzer_)
        Analyzer_->ImageFolder = QFile::encodeName(folder).toStdString();
    SayIfNetworkFolder();
}

void TMainForm::SayIfNetworkFolder()
{
    // Said once per folder: the records still go there, only their lock may not hold.
    const QString kind = NetworkFileSystem(ImageFolder_);
    if (kind.isEmpty() || NetworkFoldersSaid_.contains(ImageFolder_))
        return;
    NetworkFoldersSaid_ << ImageFolder_;
    ShowMessageBox(this,
                   tr("The image folder %1 is on a network file system (%2). The inspection "
                      "log's lock may not hold there when several stations write to it; keep "
                      "each station's log in a folder of its own, or use a plant database.")
                       .arg(ImageFolder_, kind),
                   tr("Network folder"), QMessageBox::Warning);
}
