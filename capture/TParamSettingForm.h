#pragma once
// The parameter setting dialog: thresholds, frames per capture, counts on the result, image
// folder, the WiFi scope's address, the capture device's own dialogs and the way to the
// acceptance criteria. Shown modally by the main window's SpeedButton1Click, which fills it
// and takes the values back after Ok.

#include <QCoreApplication>
#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The values of an accepted dialog, every edit converted.
struct TParamValues
{
    int LowerThreshold = 0;
    int UpperThreshold = 0;
    int CoreCladThreshold = 0;
    int ContactThreshold = 0;
    float CoreDefectPercent = 0.0f;
    float CladDefectPercent = 0.0f;
    int CaptureCount = 0;
    int ShowCounts = 0;
    QString ImageFolder;
    QString WiFiURL;
    QString WiFiUser;
    QString WiFiPassword;
    bool LocateByEdge = false; // the user's: the classic profile judges by the fiber's edge
    // Where every inspection is sent besides the station's own store; no host: nowhere. The
    // password is libpq's (~/.pgpass), never the program's.
    QString PlantHost;
    int PlantPort = 5432;
    QString PlantDatabase;
    QString PlantUser;
    QString PlantSslMode = QStringLiteral("prefer");
    bool KeepReportPictures = true;
    // The window's language from the next start (app/Translations.h); empty: the desktop's.
    QString Language;
};

class TParamSettingForm : public QDialog
{
    Q_DECLARE_TR_FUNCTIONS(TParamSettingForm)

public:
    explicit TParamSettingForm(QWidget* parent = nullptr);

    static constexpr int MaxCaptureCount = 100;

    QGroupBox* GroupBox1 = nullptr; // " Inspection Device "
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* CAPTURECOUNT = nullptr;
    QGroupBox* GroupBox2 = nullptr; // " Defect Detection "
    QLabel* Label3 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button6 = nullptr;
    QCheckBox* SHOWCOUNT = nullptr;
    QCheckBox* LOCATEBYEDGE = nullptr;
    QGroupBox* GroupBox3 = nullptr; // " Image Saving Folder "
    QLineEdit* FOLDER = nullptr;
    QPushButton* Button7 = nullptr;
    QGroupBox* GroupBox6 = nullptr; // " WiFi Scope "
    QLineEdit* WIFIURL = nullptr;
    QLineEdit* WIFIUSER = nullptr;
    QLineEdit* WIFIPASSWORD = nullptr;
    QGroupBox* GroupBox7 = nullptr; // " Plant Database "
    QLineEdit* PLANTHOST = nullptr;
    QLineEdit* PLANTPORT = nullptr;
    QLineEdit* PLANTDB = nullptr;
    QLineEdit* PLANTUSER = nullptr;
    QComboBox* PLANTSSL = nullptr;
    QCheckBox* KEEPPICTURES = nullptr;
    QGroupBox* GroupBox4 = nullptr; // " Core Detection ", never seen
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QGroupBox* GroupBox5 = nullptr; // " Evaluation ", never seen
    QLabel* Label5 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    // The language of the window's texts (item data: the locale name), and that it needs a new start.
    QComboBox* LANGUAGE = nullptr;
    QLabel* LANGUAGENOTE = nullptr;
    // Where the settings file is written: the start directory, or the per-user data folder.
    QLabel* SETTINGSFOLDER = nullptr;

    // The folder chooser: returns the chosen folder, or an empty text when the user cancels.
    // Tests put their own in its place.
    using TFolderChooser =
        std::function<QString(QWidget* parent, const QString& title, const QString& startFolder)>;
    TFolderChooser SELFOLDER;

    // True after Ok; false after Cancel, any other way of closing, and while the dialog is open.
    bool Accepted = false;
    // What Ok took, valid while Accepted is true.
    TParamValues Values;

    // Fills the edits; the percentages are shown in their shortest form (3.0 as 3).
    void Fill(const TParamValues& values);
    // Converts every edit; throws the integer conversion error naming the first refused text, or
    // a range error for a capture count outside 1..MaxCaptureCount.
    TParamValues ReadValues() const;
    // Shows the folder of the settings file, the home folder written as ~, shortened in the
    // middle when it is long; the whole path is the tool tip.
    void ShowSettingsFolder(const QString& folder);

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();

protected:
    void reject() override;

private:
    // The percentages as filled: a percentage with decimals (from a hand-edited settings file)
    // cannot be typed back, and nobody can reach its edit, so it is kept while its text stands.
    float ShownPercent_[2] = {};
    QString ShownPercentText_[2];
};
