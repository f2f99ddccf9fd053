#include "platform/FileNames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

QString TimeStampStem(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString TimeStampStem()
{
    return TimeStampStem(QDateTime::currentDateTime());
}

QString FreeFilePath(const QString& folder, const QString& stem, const QString& suffix)
{
    const QDir dir(folder);
    QString path = dir.filePath(stem + suffix);
    // Two saves within one second must not replace each other; a dangling link is taken too.
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = dir.filePath(stem + QStringLiteral("-%1").arg(n) + suffix);
    return path;
}
