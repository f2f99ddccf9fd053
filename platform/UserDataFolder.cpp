#include "platform/UserDataFolder.h"

#include <QDir>

QString UserDataFolder()
{
    // Relative values are invalid and to be ignored, as the XDG base directory rules say.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir(base).filePath(QStringLiteral("fiberscope"));
}
