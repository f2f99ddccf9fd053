#pragma once
// The inspection log: inspections.csv in the image folder, one CSV record per inspection, only
// ever appended. Each record goes to the file in one write and is synced before Append returns,
// so a power cut can lose at most the record being written. A record torn that way is found
// before the next append: its bytes move to inspections-torn.txt beside the log and the log is
// cut back to its last whole record, so the torn bytes are never glued to a new record and no
// whole record is ever rewritten.

#include "records/InspectionRecord.h"

#include <QString>

class TInspectionLog
{
public:
    static QString FileName(const QString& folder);
    static QString TornFileName(const QString& folder);

    // Appends the record (and the header line to a new or empty log). Throws std::runtime_error
    // naming the file and the reason when it cannot.
    static void Append(const QString& folder, const TInspectionRecord& record);
};
