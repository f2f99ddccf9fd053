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

QString FreeStem(const QString& folder, const QString& stem, const QStringList& suffixes)
{
    const QDir dir(folder);
    // Two saves within one second, or a serial number used again, must not replace an earlier
    // file; a dangling link counts as taken too.
    const auto taken = [&](const QString& candidate) {
        for (const QString& suffix : suffixes)
        {
            const QString path = dir.filePath(candidate + suffix);
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
                return true;
        }
        return false;
    };
    QString candidate = stem;
    for (int n = 2; taken(candidate); ++n)
        candidate = stem + QStringLiteral("-%1").arg(n);
    return candidate;
}

QString FreeFilePath(const QString& folder, const QString& stem, const QString& suffix)
{
    return QDir(folder).filePath(FreeStem(folder, stem, {suffix}) + suffix);
}
