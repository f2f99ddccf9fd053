#pragma once
// Records the inspection log could not take yet: its lock stayed taken (TInspectionLogBusy) or its
// folder could not be written. They wait in one file in the user's data folder,
// inspections-pending.txt, until Flush gets them into their logs in the order they came.
//
// The file holds one line per record: the image folder (percent-encoded, so it is one word) and
// a blank, then the record's CSV line as the log will hold it, CR LF. Each is appended in one
// write and synced, as the log's records are. Before Flush appends a record, it adds a line
// "> INDEX DEVICE INODE OFFSET" saying where in which log the record is about to go; a record
// whose mark finds it there after a crash is not appended again. So each record goes in exactly
// once, unless the process dies between the append and the rewrite of this file and the log is
// also set apart before the next Flush: then it goes in a second time, never not at all.
//
// The window: Append directly while Count() is 0; on TInspectionLogBusy or another error Add the
// record (and say so); while records are pending, Add each new one and Flush (so a folder's
// records keep their order), and Flush from a timer every few seconds until Count() is 0.

#include "records/InspectionLog.h"

#include <QString>

class TPendingRecords
{
public:
    // options: the lock wait for the logs and for this file, and the torn-record fallback folder.
    explicit TPendingRecords(const QString& dataFolder, TLogAppendOptions options = {});

    QString FileName() const;

    // Keeps the record for the log of the image folder. Throws std::runtime_error naming the file
    // when it cannot be kept (TInspectionLogBusy when another instance held this file past the
    // wait).
    void Add(const QString& folder, const TInspectionRecord& record);

    // Appends the pending records to their logs, each folder's in the order they were added, and
    // removes those that went in from the file. A folder whose log is busy or cannot be written
    // keeps its records for the next Flush; the other folders' still go in. Returns how many
    // went in; problem, when given, gets the first reason one did not. Throws as Add when this
    // file cannot be read or rewritten.
    int Flush(QString* problem = nullptr);

    // How many records wait.
    int Count() const;

    // The options the logs are appended with.
    const TLogAppendOptions& Options() const { return Options_; }

private:
    QString Folder_;
    TLogAppendOptions Options_;
};
