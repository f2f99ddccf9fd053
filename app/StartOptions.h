#pragma once
// The window program's command line. It reads no arguments beyond --help, --version and
// --user-data; --user-data is how the menu entry starts it (dist/fiberscope.desktop).

#include "platform/UserDataFolder.h"

#include <QString>
#include <QStringList>

struct TStartOptions
{
    enum class TAction
    {
        Run,
        Help,
        Version,
        Error
    };
    TAction Action = TAction::Run;
    // Work in the per-user data folder instead of the current directory.
    bool UserData = false;
    // What to print for Help and Version (standard output) or Error (standard error).
    QString Text;
};

// Parses the arguments after the program name. Help and version win over anything else, so the
// entry can answer them from the raw command line, before the application object (and a display)
// exists; the rest is parsed from the arguments that Qt left after taking its own (-platform, …).
TStartOptions ParseStartOptions(const QStringList& arguments);

// Creates the per-user data folder when it is missing and makes it the current directory, where
// the window reads and writes its settings file and saves images by default. Returns an empty
// text, or why it could not.
QString EnterUserDataFolder();

// The samples of an installed program (share/fiberscope/samples beside its bin folder), or an
// empty text when that folder does not exist, as in a build tree.
QString InstalledSamplesFolder();
