#include "records/InspectionRecord.h"

#include "analysis/TFiberAnalyzer.h"
#include "ferrule/MtInspection.h"
#include "platform/BuildInfo.h"
#include "platform/Utf8.h"

#include <QRegularExpression>
#include <algorithm>
#include <cassert>
#include <cmath>

const TClassInfo ClassInfo[TInspectionRecord::ClassCount] = {
    {"core_scratches", "Core zone: scratches", 0, false},
    {"core_scratches_over_3um", "Core zone: scratches > 3 \u00B5m", 0, true},
    {"core_defects", "Core zone: defects", 0, false},
    {"core_defects_over_5um", "Core zone: defects > 5 \u00B5m", 0, true},
    {"cladding_scratches_over_3um", "Cladding zone: scratches > 3 \u00B5m", 1, false},
    {"cladding_defects_under_2um", "Cladding zone: defects < 2 \u00B5m", 1, false},
    {"cladding_defects_2_5um", "Cladding zone: defects 2 to 5 \u00B5m", 1, false},
    {"cladding_defects_over_5um", "Cladding zone: defects > 5 \u00B5m", 1, false},
    {"contact_scratches", "Contact zone: scratches", 2, false},
    {"contact_defects_over_10um", "Contact zone: defects > 10 \u00B5m", 2, false},
};

namespace
{
QString Number(float value)
{
    // Shortest text that reads back to the same float, in the C locale whatever the user's.
    return QString::number(static_cast<double>(value), 'g', 9);
}

QString IsoTime(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

// The columns the program fills with numbers and times of its own, never with text from outside:
// written as they are, so a spreadsheet still reads them as numbers.
bool NumericColumn(const QString& name)
{
    static const QStringList exact = {"time",
                                      "frames",
                                      "lower_threshold",
                                      "upper_threshold",
                                      "core_cladding_threshold",
                                      "contact_threshold",
                                      "core_defect_percent",
                                      "cladding_defect_percent",
                                      "center_x",
                                      "center_y",
                                      "um_per_pixel",
                                      "rejudged",
                                      "edge_center_x",
                                      "edge_center_y",
                                      "edge_radius_x",
                                      "edge_radius_y",
                                      "edge_arc_seen"};
    return exact.contains(name) || name.startsWith(QLatin1String("limit_")) ||
           name.startsWith(QLatin1String("count_")) || name.startsWith(QLatin1String("radius_"));
}

void AppendHex(QString& out, const char* prefix, unsigned value, int digits)
{
    out += QLatin1String(prefix);
    out += QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// Text with backslashes, control characters and a file name's stray bytes escaped (and, in a
// path of the files column, its semicolons), so it is one line and can be read back exactly.
QString EscapedCellText(const QString& text, bool path)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        {
            out += text[i];
            out += text[++i];
        }
        else if (c >= 0xDC80 && c <= 0xDCFF)
            AppendHex(out, "\\x", c - 0xDC00u, 2);
        else if (QChar::isSurrogate(c))
            AppendHex(out, "\\u", c, 4);
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            AppendHex(out, "\\u", c, 4);
        else if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (path && c == u';')
            out += QLatin1String("\\;");
        else
            out += text[i];
    }
    return out;
}

// A text cell as the CSV holds it. What a spreadsheet would take for a formula is decided by the
// first character of the text itself.
QByteArray TextCell(const QString& text, const QString& escaped)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const bool defuse = !text.isEmpty() && formulaStarts.contains(text[0]);
    QByteArray bytes = escaped.toUtf8();
    if (defuse)
        bytes.prepend('\'');
    if (!defuse && !bytes.contains(',') && !bytes.contains('"') && !bytes.contains(';'))
        return bytes;
    return '"' + bytes.replace("\"", "\"\"") + '"';
}
} // namespace

QString LimitText(int limit)
{
    if (limit == 0)
        return QStringLiteral("None");
    if (limit == 99999)
        return QStringLiteral("No Limit");
    return QString::number(limit);
}

QString ProgramVersion()
{
    return QStringLiteral(FS_VERSION);
}

TInspectionRecord TInspectionRecord::FromAnalyzer(const TFiberAnalyzer& a, bool pass)
{
    TInspectionRecord r;
    r.Time = QDateTime::currentDateTime();
    r.Mode = a.Mode == 0 ? 0 : 1;
    const bool single = r.Mode == 0;
    r.Thresholds[0] = a.LowerThreshold;
    r.Thresholds[1] = a.UpperThreshold;
    r.Thresholds[2] = a.CoreCladThreshold;
    r.Thresholds[3] = a.ContactThreshold;
    r.DefectPercents[0] = a.CoreDefectPercent;
    r.DefectPercents[1] = a.CladDefectPercent;
    // The count and limit of each class, in the order of ClassInfo: the slots the evaluation
    // judges each class by.
    const auto& z = a.ZoneCounts;
    const auto& mc = a.MultiCoreCounts;
    const auto& m = a.MultiCriteria;
    const auto& s = a.SingleCriteria;
    const int counts[ClassCount] = {single ? z[0][0] : mc[0],
                                    single ? 0 : mc[1],
                                    single ? z[1][0] : mc[2],
                                    single ? 0 : mc[3],
                                    z[0][1],
                                    z[1][1],
                                    z[1][2],
                                    z[1][3],
                                    z[0][2],
                                    z[1][4]};
    const int limits[ClassCount] = {single ? s[0] : m[0][0], single ? 0 : m[0][1],    single ? s[1] : m[1][0],
                                    single ? 0 : m[1][1],    single ? s[2] : m[2][0], single ? s[3] : m[3][0],
                                    single ? s[4] : m[4][0], single ? s[5] : m[5][0], single ? s[6] : m[6][0],
                                    single ? s[7] : m[7][0]};
    for (int i = 0; i < ClassCount; ++i)
    {
        const TClassInfo& info = ClassInfo[i];
        r.Classes[static_cast<std::size_t>(i)] = {
            info.Key, info.Label, info.Zone, !info.MultiOnly || !single, counts[i], limits[i]};
    }
    // In Multi Mode the core's first classes are the small ones.
    if (!single)
    {
        r.Classes[0].Label = "Core zone: scratches \u2264 3 \u00B5m";
        r.Classes[2].Label = "Core zone: defects \u2264 5 \u00B5m";
    }
    r.ZoneVerdicts[0] = QString::fromStdString(a.ZoneVerdicts[0]);
    r.ZoneVerdicts[1] = QString::fromStdString(a.ZoneVerdicts[1]);
    r.ZoneVerdicts[2] = QStringLiteral("Pass"); // the adhesive zone has no limit
    r.ZoneVerdicts[3] = QString::fromStdString(a.ZoneVerdicts[2]);
    r.Pass = pass;
    r.CenterX = a.Center.X;
    r.CenterY = a.Center.Y;
    std::copy(std::begin(a.ZoneRadius), std::end(a.ZoneRadius), r.ZoneRadii);
    r.Version = ProgramVersion();
    return r;
}

TInspectionRecord TInspectionRecord::FromMtInspection(const TMtInspection& inspection,
                                                      const TCriteriaProfile& profile)
{
    TInspectionRecord r;
    r.Time = QDateTime::currentDateTime();
    r.Version = ProgramVersion();
    r.Mode = profile.FiberMode == 1 ? 1 : 0;
    r.Profile = QString::fromStdString(profile.Name);
    r.ProfileTitle = QString::fromStdString(profile.Title);
    r.Ferrule = QStringLiteral("%1x%2").arg(profile.Ferrule.FibresPerRow).arg(profile.Ferrule.Rows);
    // No classic class applies: the fibres are judged by the profile's zones.
    for (int i = 0; i < ClassCount; ++i)
    {
        const TClassInfo& info = ClassInfo[i];
        r.Classes[static_cast<std::size_t>(i)] = {info.Key, info.Label, info.Zone, false, 0, 0};
    }
    r.Location.Method = TLocateMethod::Edges;
    for (int number = 1; number <= inspection.FibreCount(); ++number)
    {
        const TMtInspection::Fibre& fibre = inspection.At(number);
        TFibreRecord f;
        f.Number = number;
        f.Verdict = QString::fromUtf8(FibreVerdictName(fibre.Verdict));
        f.Times = fibre.Times;
        if (fibre.Seen)
        {
            const TLocatedFibre& where = fibre.Last.Where;
            f.CentreX = where.Centre.X;
            f.CentreY = where.Centre.Y;
            f.Radius = 0.5f * (where.RadiusX + where.RadiusY);
            f.UmPerPixel = where.UmPerPixel();
        }
        // Only a judgement counts: what an overview marked certifies nothing.
        if (fibre.Times > 0)
        {
            f.Zones = fibre.Last.Result.Zones;
            f.Findings = fibre.Last.Result.Findings;
        }
        r.Fibres.push_back(std::move(f));
    }
    r.Pass = inspection.Pass();
    return r;
}

int TInspectionRecord::JudgedFibres() const
{
    return static_cast<int>(
        std::count_if(Fibres.begin(), Fibres.end(), [](const TFibreRecord& f) { return f.Judged(); }));
}

void TInspectionRecord::SetProfileResult(const TProfileResult& result)
{
    Profile = QString::fromStdString(result.ProfileName);
    ProfileTitle = QString::fromStdString(result.ProfileTitle);
    UmPerPixel = result.UmPerPixel;
    Findings = result.Findings;
    ProfileZones.clear();
    if (result.Classic)
        return;
    ProfileZones = result.Zones;
    Pass = result.Pass;
    for (TClassCount& c : Classes)
        c.Applies = false;
    for (QString& v : ZoneVerdicts)
        v.clear();
}

void TInspectionRecord::SetLocation(const TFiberLocation& location)
{
    Location = location;
    if (location.Judges())
        return;
    Pass = false;
    for (TClassCount& c : Classes)
        c.Applies = false;
    for (QString& v : ZoneVerdicts)
        v.clear();
    ProfileZones.clear();
    Findings.clear();
    UmPerPixel = 0.0f;
}

namespace
{
// The fibres of a layout written "12x1"; 0 when it says none.
int LayoutFibres(const QString& ferrule)
{
    const QStringList parts = ferrule.split(QLatin1Char('x'));
    return parts.size() == 2 ? std::max(parts[0].toInt() * parts[1].toInt(), 0) : 0;
}
} // namespace

bool TInspectionRecord::Judged() const
{
    if (!MultiFibre())
        return Location.Judges();
    const int judged = JudgedFibres();
    return judged > 0 && judged == static_cast<int>(Fibres.size()) && judged >= LayoutFibres(Ferrule);
}

QString TInspectionRecord::Verdict() const
{
    if (MultiFibre() && !Judged())
        return QStringLiteral("Incomplete: %1 of %2 fibres judged")
            .arg(JudgedFibres())
            .arg(std::max(static_cast<int>(Fibres.size()), LayoutFibres(Ferrule)));
    if (!Location.Judges())
        return QString::fromUtf8(NoVerdictText(Location));
    return Pass ? QStringLiteral("Pass") : QStringLiteral("Fail");
}

QString TInspectionRecord::ProfileRowsText() const
{
    if (MultiFibre())
    {
        QStringList fibres;
        for (const TFibreRecord& f : Fibres)
            fibres << f.SummaryText();
        return fibres.join(QStringLiteral("; "));
    }
    QStringList zones;
    for (const TZoneResult& z : ProfileZones)
    {
        QStringList rows;
        for (const TRuleResult& r : z.Rows)
            rows << QString::fromStdString(r.Item) + QLatin1Char(' ') + QString::number(r.Count) +
                        QLatin1Char('/') + QString::fromStdString(r.Criteria);
        zones << QString::fromStdString(z.Key) +
                     (z.Pass ? QStringLiteral(" Pass: ") : QStringLiteral(" Fail: ")) +
                     rows.join(QStringLiteral(", "));
    }
    return zones.join(QStringLiteral("; "));
}

QString TInspectionRecord::FindingsText() const
{
    QStringList out;
    for (const TFibreRecord& f : Fibres)
        if (!f.Findings.empty())
            out << QStringLiteral("fibre %1: ").arg(f.Number) + f.FindingsText();
    for (const TMeasuredFinding& f : Findings)
    {
        if (f.Kind == FindingClass::Defect)
            out << QStringLiteral("defect ") + QString::number(static_cast<double>(f.SizeUm), 'f', 2);
        else
            out << QStringLiteral("scratch ") + QString::number(static_cast<double>(f.SizeUm), 'f', 2) +
                       QStringLiteral(" x ") + QString::number(static_cast<double>(f.LengthUm), 'f', 1);
    }
    return out.join(QStringLiteral("; "));
}

QStringList TInspectionRecord::CsvHeader()
{
    QStringList h = {"time",
                     "serial",
                     "source",
                     "frames",
                     "mode",
                     "lower_threshold",
                     "upper_threshold",
                     "core_cladding_threshold",
                     "contact_threshold",
                     "core_defect_percent",
                     "cladding_defect_percent"};
    for (const TClassInfo& c : ClassInfo)
    {
        h << QStringLiteral("limit_%1").arg(QLatin1String(c.Key));
        h << QStringLiteral("count_%1").arg(QLatin1String(c.Key));
    }
    h << QStringList{"core_verdict",   "cladding_verdict", "adhesive_verdict", "contact_verdict",
                     "verdict",        "center_x",         "center_y",         "radius_core_sm",
                     "radius_core_mm", "radius_cladding",  "radius_adhesive",  "radius_contact",
                     "files",          "version"};
    // Added after the first layout, at the end, so a reader by position keeps its columns.
    h << QStringList{"profile", "um_per_pixel", "profile_rows", "findings_um", "rejudged"};
    // The circle that judged (rays, edges or manual), the edge locator's cladding, and why there
    // is no verdict when there is none.
    h << QStringList{"location",      "edge_center_x", "edge_center_y",    "edge_radius_x",
                     "edge_radius_y", "edge_arc_seen", "no_verdict_reason"};
    // A multi-fibre connector: its layout and every fibre's result (TFibreRecord::FibresCell).
    h << QStringList{"ferrule", "fibres"};
    return h;
}

QStringList TInspectionRecord::CsvFields() const
{
    QStringList f = {IsoTime(Time),
                     Serial,
                     Source,
                     QString::number(Frames),
                     Mode == 0 ? QStringLiteral("single") : QStringLiteral("multi"),
                     QString::number(Thresholds[0]),
                     QString::number(Thresholds[1]),
                     QString::number(Thresholds[2]),
                     QString::number(Thresholds[3]),
                     Number(DefectPercents[0]),
                     Number(DefectPercents[1])};
    // A class that the mode does not have stays empty, so no one reads a zero as measured.
    for (const TClassCount& c : Classes)
        f << (c.Applies ? QString::number(c.Limit) : QString())
          << (c.Applies ? QString::number(c.Count) : QString());
    for (const QString& v : ZoneVerdicts)
        f << v;
    // Without a judgement no circle judged: the centre and radii stay empty. A connector has
    // none of its own: each fibre has its centre.
    const bool judged = Judged() && !MultiFibre();
    f << Verdict() << (judged ? Number(CenterX) : QString()) << (judged ? Number(CenterY) : QString());
    for (float r : ZoneRadii)
        f << (judged ? Number(r) : QString());
    f << Files.join(QLatin1Char(';')) << Version;
    // Six digits: the scale is known to far less than a float's nine.
    f << Profile << (UmPerPixel > 0.0f ? QString::number(static_cast<double>(UmPerPixel), 'g', 6) : QString())
      << ProfileRowsText() << FindingsText();
    f << (RejudgedAt.isValid() ? IsoTime(RejudgedAt) : QString());
    const TEdgeLocation& e = Location.Edge;
    f << QString::fromLatin1(LocateMethodName(Location.Method));
    if (e.Found)
        f << Number(e.Centre.X) << Number(e.Centre.Y) << Number(e.RadiusX) << Number(e.RadiusY)
          << QString::number(static_cast<double>(e.ArcSeen), 'f', 3);
    else
        f << QString() << QString() << QString() << QString() << QString();
    f << NoVerdictReasonText();
    f << Ferrule << TFibreRecord::FibresCell(Fibres);
    return f;
}

QString TInspectionRecord::NoVerdictReasonText() const
{
    if (!MultiFibre())
        return QString::fromStdString(NoVerdictReason(Location));
    QStringList waiting;
    for (const TFibreRecord& f : Fibres)
        if (!f.Judged())
            waiting << QString::number(f.Number);
    if (Fibres.empty() && LayoutFibres(Ferrule) > 0)
        return QStringLiteral("No fibre results");
    return waiting.isEmpty() ? QString()
                             : QStringLiteral("Not judged: fibres ") + waiting.join(QStringLiteral(", "));
}

QByteArray CsvLine(const QStringList& fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i)
    {
        if (i > 0)
            line += ',';
        QString field = fields[i];
        field.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        QByteArray bytes = field.toUtf8();
        if (bytes.contains(',') || bytes.contains('"'))
            line += '"' + bytes.replace("\"", "\"\"") + '"';
        else
            line += bytes;
    }
    return line + "\r\n";
}

QByteArray TInspectionRecord::CsvRecordLine() const
{
    static const QStringList header = CsvHeader();
    const QStringList fields = CsvFields();
    assert(fields.size() == header.size());
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i)
    {
        if (i > 0)
            line += ',';
        if (header[i] == QLatin1String("files"))
        {
            QStringList paths;
            for (const QString& file : Files)
                paths << EscapedCellText(file, true);
            line += TextCell(Files.value(0), paths.join(QLatin1Char(';')));
        }
        else if (NumericColumn(header[i]))
            line += fields[i].toUtf8();
        else
            line += TextCell(fields[i], EscapedCellText(fields[i], false));
    }
    return line + "\r\n";
}

QString FileNameText(const QByteArray& name)
{
    const std::string_view bytes(name.constData(), static_cast<std::size_t>(name.size()));
    QString out;
    for (std::size_t i = 0; i < bytes.size();)
    {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80 ? 1 : Utf8SequenceLength(bytes, i);
        if (length == 0)
        {
            out += QChar(static_cast<char16_t>(0xDC00u + c));
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
        i += length;
    }
    return out;
}

QByteArray TInspectionRecord::CsvTextCell(const QString& text)
{
    return TextCell(text, EscapedCellText(text, false));
}

QString TInspectionRecord::EscapedText(const QString& text)
{
    return EscapedCellText(text, false);
}

bool TInspectionRecord::IsNumericColumn(const QString& name)
{
    return NumericColumn(name);
}

QString TInspectionRecord::FilesCell() const
{
    QStringList paths;
    for (const QString& file : Files)
        paths << EscapedCellText(file, true);
    return paths.join(QLatin1Char(';'));
}

QString TInspectionRecord::UnescapedText(const QString& text)
{
    const auto hex = [&text](qsizetype from, int digits, uint& value) {
        if (from + digits > text.size())
            return false;
        bool ok = false;
        value = text.mid(from, digits).toUInt(&ok, 16);
        return ok;
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        if (text[i] != u'\\' || i + 1 >= text.size())
        {
            out += text[i];
            continue;
        }
        const QChar next = text[i + 1];
        uint value = 0;
        if (next == u'\\' || next == u';')
        {
            out += next;
            ++i;
        }
        else if (next == u'x' && hex(i + 2, 2, value))
        {
            out += QChar(static_cast<char16_t>(0xDC00u + value));
            i += 3;
        }
        else if (next == u'u' && hex(i + 2, 4, value))
        {
            out += QChar(static_cast<char16_t>(value));
            i += 5;
        }
        else
            out += text[i]; // no escape: kept as it stands
    }
    return out;
}

QStringList TInspectionRecord::ParseFilesCell(const QString& cell)
{
    QStringList files;
    if (cell.isEmpty())
        return files;
    // Split at each ';' that is no \; escape, then undo each path's escapes.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= cell.size(); ++i)
    {
        if (i < cell.size() && cell[i] == u'\\')
            ++i;
        else if (i == cell.size() || cell[i] == u';')
        {
            files << UnescapedText(cell.mid(start, i - start));
            start = i + 1;
        }
    }
    return files;
}

namespace
{
int LimitOf(const QString& text)
{
    if (text == QLatin1String("None"))
        return 0;
    if (text == QLatin1String("No Limit"))
        return 99999;
    return text.toInt();
}

// "A Pass: Scratches 0/None, Defects 2–5 µm 1/5; B Fail: ..." as ProfileRowsText writes it.
std::vector<TZoneResult> ParseProfileRows(const QString& text)
{
    std::vector<TZoneResult> zones;
    static const QRegularExpression zonePattern(QStringLiteral("^(.*) (Pass|Fail): (.*)$"));
    static const QRegularExpression rowPattern(QStringLiteral("^(.*) (\\d+)/(.*)$"));
    for (const QString& part : text.split(QStringLiteral("; "), Qt::SkipEmptyParts))
    {
        const QRegularExpressionMatch z = zonePattern.match(part);
        if (!z.hasMatch())
            continue;
        TZoneResult zone;
        zone.Key = z.captured(1).toStdString();
        zone.Name = "Zone " + zone.Key;
        zone.Pass = z.captured(2) == QLatin1String("Pass");
        for (const QString& row : z.captured(3).split(QStringLiteral(", "), Qt::SkipEmptyParts))
        {
            const QRegularExpressionMatch r = rowPattern.match(row);
            if (!r.hasMatch())
                continue;
            const int count = r.captured(2).toInt();
            zone.Rows.push_back({r.captured(1).toStdString(), r.captured(3).toStdString(), count,
                                 count <= LimitOf(r.captured(3))});
        }
        zones.push_back(std::move(zone));
    }
    return zones;
}
} // namespace

TInspectionRecord TInspectionRecord::FromFields(const QStringList& header, const QStringList& fields)
{
    const auto at = [&](const char* name) {
        const qsizetype i = header.indexOf(QLatin1String(name));
        return i >= 0 ? fields.value(i) : QString();
    };
    const auto number = [&](const char* name) { return at(name).toFloat(); };
    TInspectionRecord r;
    r.Time = QDateTime::fromString(at("time"), Qt::ISODate);
    r.RejudgedAt = QDateTime::fromString(at("rejudged"), Qt::ISODate);
    r.Serial = at("serial");
    r.Source = at("source");
    r.Frames = at("frames").toInt();
    r.Mode = at("mode") == QLatin1String("multi") ? 1 : 0;
    const char* thresholds[4] = {"lower_threshold", "upper_threshold", "core_cladding_threshold",
                                 "contact_threshold"};
    for (int k = 0; k < 4; ++k)
        r.Thresholds[k] = at(thresholds[k]).toInt();
    r.DefectPercents[0] = number("core_defect_percent");
    r.DefectPercents[1] = number("cladding_defect_percent");
    for (int i = 0; i < ClassCount; ++i)
    {
        const TClassInfo& info = ClassInfo[i];
        const QString limit =
            at(QStringLiteral("limit_%1").arg(QLatin1String(info.Key)).toUtf8().constData());
        const QString count =
            at(QStringLiteral("count_%1").arg(QLatin1String(info.Key)).toUtf8().constData());
        r.Classes[static_cast<std::size_t>(i)] = {info.Key,         info.Label,    info.Zone,
                                                  !limit.isEmpty(), count.toInt(), limit.toInt()};
    }
    const char* verdicts[4] = {"core_verdict", "cladding_verdict", "adhesive_verdict", "contact_verdict"};
    for (int k = 0; k < 4; ++k)
        r.ZoneVerdicts[k] = at(verdicts[k]);
    const QString verdict = at("verdict");
    r.Pass = verdict == QLatin1String("Pass");
    r.CenterX = number("center_x");
    r.CenterY = number("center_y");
    const char* radii[5] = {"radius_core_sm", "radius_core_mm", "radius_cladding", "radius_adhesive",
                            "radius_contact"};
    for (int k = 0; k < 5; ++k)
        r.ZoneRadii[k] = number(radii[k]);
    r.Files = ParseFilesCell(at("files"));
    r.Version = at("version");
    if (!at("profile").isEmpty())
        r.Profile = at("profile");
    r.UmPerPixel = number("um_per_pixel");
    r.Ferrule = at("ferrule");
    if (r.MultiFibre())
    {
        // Fibres that do not read back whole, or not one per fibre of the layout, are none: the
        // connector then has no verdict rather than one its fibres cannot show.
        QString error;
        if (!TFibreRecord::ParseFibresCell(at("fibres"), r.Fibres, error) ||
            static_cast<int>(r.Fibres.size()) != LayoutFibres(r.Ferrule))
            r.Fibres.clear();
        r.Pass =
            r.Pass && r.Judged() &&
            std::all_of(r.Fibres.begin(), r.Fibres.end(), [](const TFibreRecord& f) { return f.Pass(); });
    }
    else
        r.ProfileZones = ParseProfileRows(at("profile_rows"));

    TFiberLocation& l = r.Location;
    const QString method = at("location");
    l.Method = method == QLatin1String("edges")    ? TLocateMethod::Edges
               : method == QLatin1String("manual") ? TLocateMethod::Manual
                                                   : TLocateMethod::Rays;
    l.Edge.Found = !at("edge_center_x").isEmpty();
    l.Edge.Centre = TPoint2D(number("edge_center_x"), number("edge_center_y"));
    l.Edge.RadiusX = number("edge_radius_x");
    l.Edge.RadiusY = number("edge_radius_y");
    l.Edge.ArcSeen = number("edge_arc_seen");
    l.Outcome = verdict == QLatin1String(NoFiberVerdict)     ? TFiberOutcome::NoFiber
                : verdict == QLatin1String(NotInViewVerdict) ? TFiberOutcome::NotWhollyInView
                                                             : TFiberOutcome::Judged;
    // The reason's text names the locator's reason; the first one that gives the same text.
    const QString reason = at("no_verdict_reason");
    for (TNoFiberReason why : {TNoFiberReason::NoRing, TNoFiberReason::NoEdges, TNoFiberReason::PoorFit,
                               TNoFiberReason::PictureTooSmall})
    {
        TFiberLocation probe = l;
        probe.Edge.Reason = why;
        if (QString::fromStdString(NoVerdictReason(probe)) == reason)
        {
            l.Edge.Reason = why;
            break;
        }
    }
    // The rays' circle judged when the method says so; it is the record's own centre then.
    if (l.Method == TLocateMethod::Rays && l.Judges())
    {
        l.RayCentre = TPoint2D(r.CenterX, r.CenterY);
        l.RayZoneScale = r.ZoneRadii[2] / 118.0f;
        for (int k = 0; k < 5; ++k)
            l.RayZoneRadius[k] = r.ZoneRadii[k];
        l.Differ = CirclesDiffer(l);
    }
    return r;
}
