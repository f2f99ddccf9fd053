// The window program's command line and its per-user data folder: what a menu start and a
// terminal start each read, and where the settings of a menu start go.

#include "app/StartOptions.h"

#include "analysis/TFiberAnalyzer.h"
#include "platform/BuildInfo.h"
#include "tests/app/DialogFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <ostream>

namespace
{
struct OptionsCase
{
    QStringList Arguments;
    TStartOptions::TAction Action;
    bool UserData;
    QString TextHas; // a part of the printed text
};

// Names the CTest case by its command line.
void PrintTo(const OptionsCase& c, std::ostream* os)
{
    *os << '"' << c.Arguments.join(' ').toStdString() << '"';
}

class StartOptionsParse : public ::testing::TestWithParam<OptionsCase>
{
};

using A = TStartOptions::TAction;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray* value) : Name_(name), Had_(qEnvironmentVariableIsSet(name))
    {
        Old_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (Had_)
            qputenv(Name_, Old_);
        else
            qunsetenv(Name_);
    }

private:
    const char* Name_;
    bool Had_;
    QByteArray Old_;
};
} // namespace

TEST_P(StartOptionsParse, AnswersOrRefusesAsAProgramShould)
{
    const OptionsCase& c = GetParam();
    const TStartOptions o = ParseStartOptions(c.Arguments);
    EXPECT_EQ(o.Action, c.Action) << o.Text.toStdString();
    EXPECT_EQ(o.UserData, c.UserData);
    EXPECT_TRUE(o.Text.contains(c.TextHas)) << o.Text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartOptionsParse,
    ::testing::Values(
        // A terminal start keeps the current directory; the menu entry's Exec line asks for the
        // data folder.
        OptionsCase{{}, A::Run, false, ""}, OptionsCase{{"--user-data"}, A::Run, true, ""},
        OptionsCase{{"--version"}, A::Version, false, "fiberscope " FS_VERSION "\n"},
        OptionsCase{{"--help"}, A::Help, false, "--user-data"},
        OptionsCase{{"-h"}, A::Help, false, "--version"},
        // Help and version win even beside Qt's own options, which only the application takes.
        OptionsCase{{"-platform", "offscreen", "--version"}, A::Version, false, FS_VERSION},
        OptionsCase{{"--user-data", "--help"}, A::Help, true, "Usage: fiberscope"},
        // Anything else is refused with the word that was not understood.
        OptionsCase{{"--userdata"}, A::Error, false, "userdata"},
        OptionsCase{{"--user-data=/tmp"}, A::Error, true, "user-data"},
        OptionsCase{{"clean-pass.png"}, A::Error, false, "'clean-pass.png'"},
        // -stylesheet is not -s -t -y … with an -h (help) among them.
        OptionsCase{{"-stylesheet"}, A::Error, false, "stylesheet"}));

TEST(UserDataFolder, FollowsXdgDataHomeOnlyWhenAbsolute)
{
    const QByteArray absolute = "/srv/station data";
    const QByteArray relative = "data";
    const QByteArray empty;
    const QString fallback = QDir::homePath() + "/.local/share/fiberscope";
    const std::pair<const QByteArray*, QString> cases[] = {{&absolute, "/srv/station data/fiberscope"},
                                                           {&relative, fallback},
                                                           {&empty, fallback},
                                                           {nullptr, fallback}};
    for (const auto& [value, expected] : cases)
    {
        ScopedEnv env("XDG_DATA_HOME", value);
        EXPECT_EQ(UserDataFolder(), expected) << (value ? value->constData() : "(unset)");
    }
}

using MenuStartTest = DialogTest;

// Started from the menu in some other folder: the data folder is made, the settings file is read
// from it and written back to it, the dialog says where it is, and the start folder stays clean.
TEST_F(MenuStartTest, SettingsLiveInTheDataFolderAndTheDialogShowsIt)
{
    const QByteArray xdg = QFile::encodeName(Path("xdg/data"));
    ScopedEnv env("XDG_DATA_HOME", &xdg);
    const QString folder = Path("xdg/data/fiberscope");
    ASSERT_EQ(EnterUserDataFolder(), QString());
    EXPECT_EQ(QDir::currentPath(), folder);
    WriteFile("xdg/data/fiberscope/SystemSetting.ini",
              "Scope X\r\n100,110,70,150,3.000000,5.000000\r\n4\r\n\r\n\r\n0\r\n\r\n");
    ASSERT_EQ(EnterUserDataFolder(), QString()) << "an existing folder is used as it is";

    Build();
    EXPECT_EQ(Form->StartDir(), folder);
    EXPECT_EQ(Form->ImageFolder(), folder);
    EXPECT_EQ(Form->Analyzer()->CaptureCount, 4);
    RunParamDialog([&](TParamSettingForm& p) {
        EXPECT_EQ(p.SETTINGSFOLDER->toolTip(), folder + "/SystemSetting.ini");
        EXPECT_TRUE(p.SETTINGSFOLDER->text().startsWith("Settings in "))
            << p.SETTINGSFOLDER->text().toStdString();
        p.CAPTURECOUNT->setText("2");
        Click(p.Button4);
    });
    EXPECT_TRUE(ReadFile("xdg/data/fiberscope/SystemSetting.ini").contains("\r\n2\r\n"));
    EXPECT_FALSE(QFile::exists(Path("SystemSetting.ini")));
}

TEST_F(MenuStartTest, AFolderThatCannotBeMadeIsReportedAndTheStartFolderKept)
{
    WriteFile("not-a-folder", "a file where the data folder's parent should be");
    const QByteArray xdg = QFile::encodeName(Path("not-a-folder"));
    ScopedEnv env("XDG_DATA_HOME", &xdg);
    EXPECT_TRUE(EnterUserDataFolder().contains(Path("not-a-folder/fiberscope")));
    EXPECT_EQ(QDir::currentPath(), Dir.path());
}

// The folder is the part to read: ~ for the home folder, and a long path keeps both ends.
TEST_F(MenuStartTest, TheDialogShowsTheFolderShortenedAndWholeInItsToolTip)
{
    Build();
    TParamSettingForm& p = *ParamSettingForm;
    const QString home = QDir::homePath();
    const QString deep = "/srv/" + QString("very-long-folder-name/").repeated(8) + "fiberscope";
    const std::pair<QString, QString> cases[] = {
        {home + "/.local/share/fiberscope", "Settings in ~/"}, {"/srv/x", "Settings in /srv/x"}, {deep, "…"}};
    for (const auto& [folder, shown] : cases)
    {
        p.ShowSettingsFolder(folder);
        EXPECT_TRUE(p.SETTINGSFOLDER->text().contains(shown)) << p.SETTINGSFOLDER->text().toStdString();
        EXPECT_LE(p.SETTINGSFOLDER->fontMetrics().horizontalAdvance(p.SETTINGSFOLDER->text()),
                  p.SETTINGSFOLDER->width());
        EXPECT_EQ(p.SETTINGSFOLDER->toolTip(), folder + "/SystemSetting.ini");
    }
}
