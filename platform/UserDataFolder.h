#pragma once
// The per-user data folder, shared by the window and the command-line tools.

#include <QString>

// $XDG_DATA_HOME/fiberscope, or ~/.local/share/fiberscope when that variable is unset or not an
// absolute path.
QString UserDataFolder();
