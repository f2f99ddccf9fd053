#pragma once
// The names the station gives the files it writes on its own: a time-stamp stem, and the first
// name of a series that no file in a folder has yet, so no save replaces an earlier one.

#include <QString>
#include <QStringList>

class QDateTime;

// "yyyyMMddHHmmss" of a local time: 20261210143005.
QString TimeStampStem(const QDateTime& when);
// The time-stamp stem of now.
QString TimeStampStem();

// The first of folder/stem + suffix, folder/stem-2 + suffix, ... that no file or link has.
QString FreeFilePath(const QString& folder, const QString& stem,
                     const QString& suffix = QStringLiteral(".bmp"));
// The first of stem, stem-2, ... that names no file or link in folder with any of suffixes, so
// files written together (a report picture and its PDF) keep one name.
QString FreeStem(const QString& folder, const QString& stem, const QStringList& suffixes);
