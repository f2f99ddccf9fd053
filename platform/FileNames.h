#pragma once
// The names the station gives the files it writes on its own: a time-stamp stem, and the first
// name of a series that no file in a folder has yet, so no save replaces an earlier one.

#include <QString>

class QDateTime;

// "yyyyMMddHHmmss" of a local time: 20261210143005.
QString TimeStampStem(const QDateTime& when);
// The time-stamp stem of now.
QString TimeStampStem();

// The first of folder/stem + suffix, folder/stem-2 + suffix, ... that no file or link has.
QString FreeFilePath(const QString& folder, const QString& stem,
                     const QString& suffix = QStringLiteral(".bmp"));
