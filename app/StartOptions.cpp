// The window program's command line and its per-user data folder.

#include "app/StartOptions.h"

#include "platform/BuildInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace
{
const char* const HelpText =
    "Usage: fiberscope [--user-data]\n"
    "Fiber end-face inspection: live picture of a fiber microscope, zone analysis, Pass/Fail.\n"
    "\n"
    "Without options the program works in the current directory: it reads and writes its\n"
    "settings file SystemSetting.ini there and saves images there unless another image folder\n"
    "is set.\n"
    "\n"
    "Options:\n"
    "  --user-data   work in the per-user data folder ($XDG_DATA_HOME/fiberscope, by default\n"
    "                ~/.local/share/fiberscope), created when missing; the menu entry starts\n"
    "                the program this way\n"
    "  -h, --help    show this text and exit\n"
    "  --version     show the version and exit\n";
} // namespace

TStartOptions ParseStartOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform); never read them as -p -l -a ….
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption userData(QStringLiteral("user-data"));
    parser.addOptions({help, version, userData});

    TStartOptions options;
    const bool parsed = parser.parse(QStringList{QStringLiteral("fiberscope")} + arguments);
    if (parser.isSet(help))
    {
        options.Action = TStartOptions::TAction::Help;
        options.Text = QLatin1String(HelpText);
    }
    else if (parser.isSet(version))
    {
        options.Action = TStartOptions::TAction::Version;
        options.Text = QStringLiteral("fiberscope " FS_VERSION "\n");
    }
    else if (!parsed || !parser.positionalArguments().isEmpty())
    {
        options.Action = TStartOptions::TAction::Error;
        const QString problem =
            parsed ? QStringLiteral("unexpected argument '%1'; images are opened from the window")
                         .arg(parser.positionalArguments().constFirst())
                   : parser.errorText();
        options.Text = QStringLiteral("fiberscope: %1 (try --help)\n").arg(problem);
    }
    options.UserData = parser.isSet(userData);
    return options;
}

QString EnterUserDataFolder()
{
    const QString folder = UserDataFolder();
    if (!QDir().mkpath(folder))
        return QCoreApplication::translate("StartOptions", "Cannot create the folder %1").arg(folder);
    if (!QFileInfo(folder).isWritable())
        return QCoreApplication::translate("StartOptions", "Cannot write in the folder %1").arg(folder);
    if (!QDir::setCurrent(folder))
        return QCoreApplication::translate("StartOptions", "Cannot change to the folder %1").arg(folder);
    return QString();
}

QString InstalledSamplesFolder()
{
    const QDir samples(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(FS_SAMPLES_FROM_BINDIR)));
    return samples.exists() ? samples.canonicalPath() : QString();
}
