#pragma once
// The inspection log: inspections.csv in the image folder, one CSV record per inspection, only
// ever appended. Each record goes to the file in one write and is synced before Append returns,
// so a power cut can lose at most the record being written. A record torn that way is found
// before the next append: its bytes move to inspections-torn.txt beside the log and the log is
// cut back to its last whole record, so the torn bytes are never glued to a new record and no
// whole record is ever rewritten.
//
// Image folders are shared by stations, by versions of the program and by people, so the log
// also holds against what they leave there:
//  - Cells are written by TInspectionRecord::CsvRecordLine: text that a spreadsheet would take
//    for a formula (= + - @, tab, carriage return first) is given a leading ' and quoted; numbers
//    stay numbers; backslashes, control characters and a file name's bytes that are not UTF-8
//    are escaped (\\, \u00NN, \xNN), and in files each path's ';' is written \;.
//  - The lock of another station or program is waited for LockWait at most; then Append throws
//    TInspectionLogBusy and writes nothing, so the window can keep the record (TPendingRecords).
//  - The log, the torn-record file and the files set apart are opened without following a
//    symbolic link and without blocking, and are written only when they are regular files: a
//    link, a pipe or a device under their names is refused with a message naming it.
//  - A log whose header is ours extended by further columns (a newer version's) is appended to
//    in our columns, padded with empty fields to its own count. A log of any other header (an
//    earlier version's, or a first line torn by a power cut) is set apart whole under the first
//    free name inspections-until-DATE-TIME[-N].csv, never replacing one there.
//  - A record is at most MaxRecordBytes long, so a tail without a line end within that is no
//    torn record: the whole log is set apart as above, at no cost and with nothing read or lost.
//  - The folder is synced after the log is made, after a log is set apart and after the
//    torn-record file is made.
// It cannot stop someone who may write the folder from editing, truncating or removing the log
// itself, nor a program that ignores the lock; it is an honest station's record, not a seal.

#include "records/InspectionRecord.h"

#include <QString>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <sys/types.h>

// Another station or program held the log's lock for the whole wait: nothing was written. Keep
// the record and append it later.
class TInspectionLogBusy : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct TLogAppendOptions
{
    // How long to wait for another holder of the log's lock.
    std::chrono::milliseconds LockWait{300};
    // Where a torn record goes when the image folder takes no new file (the user's data folder);
    // empty: nowhere else. There each torn record follows a line naming the log it came from.
    QString TornFallbackFolder;
};

class TInspectionLog
{
public:
    // The longest record the program writes, with room to spare: a record's free text is a serial
    // of 14 bytes, a source path and a few saved paths of at most 4 KiB each (16 KiB escaped),
    // the rows of a profile file of at most 64 KiB and the sizes of at most 1,500 findings, some
    // 400 KiB at the very worst; an ordinary one is under 1 KiB. A longer record is refused.
    static constexpr qsizetype MaxRecordBytes = 1024 * 1024;

    static QString FileName(const QString& folder);
    static QString TornFileName(const QString& folder);

    // Appends the record (and the header line to a new or empty log). Throws TInspectionLogBusy
    // when the lock stayed taken for options.LockWait, std::runtime_error naming the file and the
    // reason when the record cannot be written; either way nothing of the record was written.
    static void Append(const QString& folder, const TInspectionRecord& record,
                       const TLogAppendOptions& options = {});

private:
    friend class TPendingRecords;

    // Where a record is about to be written: the log's file and the offset of its first byte.
    struct TSpot
    {
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Offset = 0;
    };
    // Appends a line that CsvRecordLine made; beforeWrite, when set, is told where it will go
    // first (under the lock), so a pending record can be found there after a crash.
    static void AppendLine(const QString& folder, const QByteArray& line, const TLogAppendOptions& options,
                           const std::function<void(const TSpot&)>& beforeWrite);
};
