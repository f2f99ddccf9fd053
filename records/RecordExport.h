#pragma once
// The records of a store as the plant's systems take them: CSV with the inspection log's columns
// (and its cell rules) after id, station and operator, or JSON Lines with every column by name
// (a connector's fibres as an array of objects), the findings and whether a report picture is
// kept. Used by the results browser and by
// fiberscope-records; pages through the store, so any number of records costs one page of
// memory.

#include "records/RecordStore.h"

#include <QByteArray>
#include <functional>

QByteArray ExportCsvHeader();
QByteArray ExportCsvLine(const TStoredInspection& inspection);
QByteArray ExportJsonLine(const TStoredInspection& inspection);

// Writes every record the filter matches, newest first, each line through write; stops early
// when write returns false. Returns how many were written; throws TRecordStoreError.
qint64 ExportRecords(TRecordStore& store, const TRecordFilter& filter, bool json,
                     const std::function<bool(const QByteArray&)>& write);
