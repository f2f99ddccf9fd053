// Program entry: the command line, the application, its three forms in order, the event loop.

#include "app/StartOptions.h"
#include "app/TMainForm.h"
#include "app/Translations.h"
#include "app/UserPreferences.h"
#include "capture/TParamSettingForm.h"
#include "criteria/TCriteriaForm.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "records/RecordSender.h"

#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace
{
QStringList RawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
} // namespace

int main(int argc, char** argv)
{
    // Answered before the application object exists: they need no display.
    const TStartOptions early = ParseStartOptions(RawArguments(argc, argv));
    if (early.Action == TStartOptions::TAction::Help || early.Action == TStartOptions::TAction::Version)
    {
        std::fputs(early.Text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    TApplication app(argc, argv);
    const TStartOptions options = ParseStartOptions(TApplication::arguments().mid(1));
    if (options.Action == TStartOptions::TAction::Error)
    {
        std::fputs(options.Text.toLocal8Bit().constData(), stderr);
        return 2;
    }
    try
    {
        TApplication::setApplicationName(QStringLiteral("Veltrana - Pellimor"));
        TApplication::setDesktopFileName(QStringLiteral("fiberscope"));
        TApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("fiberscope")));
        // Before the first window: every text is translated as it is set.
        InstallTranslations(InterfaceLocale(TUserPreferences::Language()));
        // Started from the menu, the current directory is the home folder or /: the settings
        // file and the images get a folder of their own instead.
        const QString folderProblem = options.UserData ? EnterUserDataFolder() : QString();
        MainForm = new TMainForm;
        CriteriaForm = new TCriteriaForm(MainForm);
        ParamSettingForm = new TParamSettingForm(MainForm);
        MainForm->show();
        if (!folderProblem.isEmpty())
            ShowMessageBox(MainForm,
                           folderProblem + QCoreApplication::translate(
                                               "main",
                                               "; settings and images stay in the folder the program was "
                                               "started in."),
                           QCoreApplication::translate("main", "Data folder"), QMessageBox::Warning);
        TApplication::exec();
    }
    catch (const std::exception& e)
    {
        ShowException(QString::fromUtf8(e.what()));
    }
    catch (...)
    {
        ShowException(QString());
    }
    delete MainForm;
    MainForm = nullptr;
    CriteriaForm = nullptr;
    ParamSettingForm = nullptr;
    // A plant database that does not answer is not waited for: its records stay in the outbox
    // for the next start. The attempt still running is cut off here, before the libraries it is
    // inside are torn down under it.
    if (TRecordSender::Unfinished() > 0)
    {
        std::fflush(nullptr);
        std::quick_exit(0);
    }
    return 0;
}
