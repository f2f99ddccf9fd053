// Export of stored records (see RecordExport.h). JSON text escapes what JSON must and writes a
// file name's stray bytes (U+DC80 to U+DCFF, see FileNameText) as \\udcXX, as the analyser's
// JSON does.

#include "records/RecordExport.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace
{
constexpr int PageSize = 1000;

QString Hex(uint value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

QByteArray JsonText(const QString& text)
{
    QByteArray out = "\"";
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        {
            out += text.mid(i, 2).toUtf8();
            ++i;
        }
        else if (c == u'"' || c == u'\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        // Control characters, and a file name's stray bytes as the analyser writes them (\udcXX).
        else if (QChar::isSurrogate(c) || c < 0x20 || (c >= 0x7F && c <= 0x9F))
            out += "\\u" + Hex(c, 4).toLower().toLatin1();
        else
            out += QString(text[i]).toUtf8();
    }
    return out + '"';
}

// A number column's text as a JSON number; null when empty or not a finite number.
QByteArray JsonNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"));
    if (number.match(text).hasMatch())
        return text.toLatin1();
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? QByteArray::number(v, 'g', 17) : QByteArray("null");
}

QByteArray JsonFloat(float v)
{
    if (!std::isfinite(v))
        return "null";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QByteArray(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

// A connector's fibres as objects: what the log's fibres cell holds, by name.
QByteArray JsonFibres(const std::vector<TFibreRecord>& fibres)
{
    QByteArrayList out;
    for (const TFibreRecord& f : fibres)
    {
        QByteArrayList zones;
        for (const TZoneResult& z : f.Zones)
        {
            QByteArrayList rows;
            for (const TRuleResult& r : z.Rows)
                rows << "{\"item\":" + JsonText(QString::fromStdString(r.Item)) +
                            ",\"criteria\":" + JsonText(QString::fromStdString(r.Criteria)) +
                            ",\"count\":" + QByteArray::number(r.Count) +
                            ",\"pass\":" + (r.Pass ? "true" : "false") + '}';
            zones << "{\"zone\":" + JsonText(QString::fromStdString(z.Key)) +
                         ",\"pass\":" + (z.Pass ? "true" : "false") + ",\"rows\":[" + rows.join(',') + "]}";
        }
        QByteArrayList findings;
        for (const TMeasuredFinding& m : f.Findings)
            findings << QByteArray("{\"kind\":") +
                            (m.Kind == FindingClass::Scratch ? "\"scratch\"" : "\"defect\"") +
                            ",\"size_um\":" + JsonFloat(m.SizeUm) +
                            ",\"length_um\":" + JsonFloat(m.LengthUm) +
                            ",\"centre_x\":" + JsonFloat(m.CentreX) +
                            ",\"centre_y\":" + JsonFloat(m.CentreY) +
                            ",\"area\":" + QByteArray::number(m.Area) + '}';
        out << "{\"number\":" + QByteArray::number(f.Number) + ",\"verdict\":" + JsonText(f.Verdict) +
                   ",\"times\":" + QByteArray::number(f.Times) + ",\"centre_x\":" + JsonFloat(f.CentreX) +
                   ",\"centre_y\":" + JsonFloat(f.CentreY) + ",\"radius\":" + JsonFloat(f.Radius) +
                   ",\"um_per_pixel\":" + JsonFloat(f.UmPerPixel) + ",\"zones\":[" + zones.join(',') +
                   "],\"findings\":[" + findings.join(',') + "]}";
    }
    return '[' + out.join(',') + ']';
}
} // namespace

QByteArray ExportJsonLine(const TStoredInspection& s)
{
    QByteArray j = "{\"id\":" + JsonText(s.Id.toString(QUuid::WithoutBraces)) +
                   ",\"station\":" + JsonText(s.Station) + ",\"host\":" + JsonText(s.HostName) +
                   ",\"operator\":" + JsonText(s.Operator);
    static const QStringList header = TInspectionRecord::CsvHeader();
    const QStringList fields = s.Record.CsvFields();
    for (qsizetype k = 0; k < header.size(); ++k)
    {
        const QString& column = header[k];
        const QString& field = fields[k];
        j += ',' + JsonText(column) + ':';
        if (column == QLatin1String("files"))
        {
            QByteArrayList files;
            for (const QString& f : s.Record.Files)
                files << JsonText(f);
            j += '[' + files.join(',') + ']';
        }
        else if (column == QLatin1String("fibres"))
            j += JsonFibres(s.Record.Fibres);
        else if (column == QLatin1String("time") || column == QLatin1String("rejudged"))
            j += field.isEmpty() ? QByteArray("null") : JsonText(field);
        else if (TInspectionRecord::IsNumericColumn(column))
            j += field.isEmpty() ? QByteArray("null") : JsonNumber(field);
        else
            j += JsonText(field);
    }
    QByteArrayList findings;
    for (const TStoredFinding& f : s.Findings)
        findings << "{\"zone\":" + (f.Zone.isEmpty() ? QByteArray("null") : JsonText(f.Zone)) +
                        ",\"kind\":" + JsonText(f.Kind) + ",\"width\":" + JsonFloat(f.Width) +
                        ",\"height\":" + JsonFloat(f.Height) + ",\"area\":" + JsonFloat(f.Area) +
                        ",\"size\":" + JsonFloat(f.Size) + ",\"size_um\":" + JsonFloat(f.SizeUm) +
                        ",\"length_um\":" + JsonFloat(f.LengthUm) + ",\"centre_x\":" + JsonFloat(f.CentreX) +
                        ",\"centre_y\":" + JsonFloat(f.CentreY) + '}';
    j += ",\"findings\":[" + findings.join(',') + ']';
    j += QByteArray(",\"report_picture\":") + (s.ReportPng.isEmpty() ? "false" : "true");
    return j + "}\n";
}

QByteArray ExportCsvHeader()
{
    return CsvLine(QStringList{QStringLiteral("id"), QStringLiteral("station"), QStringLiteral("operator")} +
                   TInspectionRecord::CsvHeader());
}

QByteArray ExportCsvLine(const TStoredInspection& s)
{
    return TInspectionRecord::CsvTextCell(s.Id.toString(QUuid::WithoutBraces)) + ',' +
           TInspectionRecord::CsvTextCell(s.Station) + ',' + TInspectionRecord::CsvTextCell(s.Operator) +
           ',' + s.Record.CsvRecordLine();
}

qint64 ExportRecords(TRecordStore& store, const TRecordFilter& filter, bool json,
                     const std::function<bool(const QByteArray&)>& write)
{
    qint64 written = 0;
    if (!json && !write(ExportCsvHeader()))
        return 0;
    std::optional<TRecordCursor> after;
    for (;;)
    {
        const std::vector<TRecordSummary> page = store.Page(filter, PageSize, after);
        for (const TRecordSummary& summary : page)
            if (const std::optional<TStoredInspection> s = store.Get(summary.Id))
            {
                if (!write(json ? ExportJsonLine(*s) : ExportCsvLine(*s)))
                    return written;
                ++written;
            }
        if (page.size() < static_cast<std::size_t>(PageSize))
            return written;
        after = TRecordCursor{page.back().TimeMs, page.back().Id.toString(QUuid::WithoutBraces)};
    }
}
