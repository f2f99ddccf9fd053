#pragma once
// The one-page PDF report of an inspection: title, time, serial number, source, fiber mode, the
// analysed end face with its zone circles at full resolution, the limits, counts and verdicts
// per zone, the overall verdict in colour, the thresholds and the program's version. Text stays
// text, so the report can be searched and copied from.

#include "records/InspectionRecord.h"

#include <QByteArray>
#include <QImage>
#include <QPageSize>
#include <string>

// A4, or Letter where the user's locale measures in inches.
QPageSize LocalePageSize();

QByteArray RenderPdfReport(const TInspectionRecord& record, const QImage& endFace, const QPageSize& page);

// Renders the report and writes it whole or not at all; throws std::runtime_error naming the file.
void WritePdfReport(const std::string& path, const TInspectionRecord& record, const QImage& endFace,
                    const QPageSize& page = LocalePageSize());
