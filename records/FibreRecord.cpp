#include "records/FibreRecord.h"

#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstring>

namespace
{
const QLatin1String NotJudged("Not judged");

bool Reserved(unsigned char b)
{
    static const char reserved[] = "%|/:= ,;\"\\";
    return b < 0x20 || b == 0x7F || std::memchr(reserved, b, sizeof reserved - 1) != nullptr;
}

// A text as a word of the cell: reserved bytes and the C1 controls (U+0080 to U+009F, UTF-8
// C2 80 to C2 9F) as %XX, so the log's own escaping finds nothing to change.
QString Word(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto b = static_cast<unsigned char>(text[i]);
        const bool c1 = b == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (!Reserved(b) && !c1)
        {
            out += char(b);
            continue;
        }
        for (std::size_t k = i; k <= i + (c1 ? 1 : 0); ++k)
        {
            const auto v = static_cast<unsigned char>(text[k]);
            out += '%';
            out += hex[v >> 4];
            out += hex[v & 15];
        }
        i += c1 ? 1 : 0;
    }
    return QString::fromUtf8(out);
}

bool Unword(const QString& word, std::string& text)
{
    const QByteArray bytes = word.toUtf8();
    text.clear();
    for (qsizetype i = 0; i < bytes.size(); ++i)
    {
        if (bytes[i] != '%')
        {
            text += bytes[i];
            continue;
        }
        bool ok = false;
        const int v = i + 2 < bytes.size() ? bytes.mid(i + 1, 2).toInt(&ok, 16) : -1;
        if (!ok || v < 0)
            return false;
        text += char(v);
        i += 2;
    }
    return true;
}

QString Float(float v)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

bool ParseFloat(const QString& text, float& v)
{
    const QByteArray bytes = text.toLatin1();
    const char* end = bytes.constData() + bytes.size();
    const auto result = std::from_chars(bytes.constData(), end, v);
    return !bytes.isEmpty() && result.ec == std::errc() && result.ptr == end && std::isfinite(v);
}

bool ParseInt(const QString& text, int& v, int least)
{
    const QByteArray bytes = text.toLatin1();
    const char* end = bytes.constData() + bytes.size();
    const auto result = std::from_chars(bytes.constData(), end, v);
    return !bytes.isEmpty() && result.ec == std::errc() && result.ptr == end && v >= least;
}

QString PassMark(bool pass)
{
    return pass ? QStringLiteral("P") : QStringLiteral("F");
}

bool ParsePassMark(const QString& text, bool& pass)
{
    pass = text == QLatin1String("P");
    return pass || text == QLatin1String("F");
}
} // namespace

QString TFibreRecord::SummaryText() const
{
    QString text = QString::number(Number) + QLatin1Char(' ') + Verdict;
    QStringList failing;
    for (const TZoneResult& z : Zones)
    {
        QStringList rows;
        for (const TRuleResult& r : z.Rows)
            if (!r.Pass)
                rows << QString::fromStdString(r.Item) + QLatin1Char(' ') + QString::number(r.Count) +
                            QLatin1Char('/') + QString::fromStdString(r.Criteria);
        if (!rows.isEmpty())
            failing << QString::fromStdString(z.Key) + QStringLiteral(": ") + rows.join(QStringLiteral(", "));
    }
    if (!failing.isEmpty())
        text += QLatin1Char(' ') + failing.join(QStringLiteral(", "));
    if (Times > 1)
        text += QStringLiteral(" (judged %1 times)").arg(Times);
    return text;
}

QString TFibreRecord::FindingsText() const
{
    QStringList out;
    for (const TMeasuredFinding& f : Findings)
    {
        QString text =
            (f.Kind == FindingClass::Defect ? QStringLiteral("defect ") : QStringLiteral("scratch ")) +
            QString::number(static_cast<double>(f.SizeUm), 'f', 2);
        if (f.Kind == FindingClass::Scratch)
            text += QStringLiteral(" x ") + QString::number(static_cast<double>(f.LengthUm), 'f', 1);
        out << text;
    }
    return out.join(QStringLiteral(", "));
}

QString TFibreRecord::ZonesCell(const std::vector<TZoneResult>& zones)
{
    if (zones.empty())
        return QStringLiteral("-");
    QStringList out;
    for (const TZoneResult& z : zones)
    {
        QStringList parts{Word(z.Key), PassMark(z.Pass)};
        for (const TRuleResult& r : z.Rows)
            parts << Word(r.Item) + QLatin1Char('=') + QString::number(r.Count) + QLatin1Char('=') +
                         Word(r.Criteria) + QLatin1Char('=') + PassMark(r.Pass);
        out << parts.join(QLatin1Char(':'));
    }
    return out.join(QLatin1Char('/'));
}

bool TFibreRecord::ParseZonesCell(const QString& cell, std::vector<TZoneResult>& zones, QString& error)
{
    zones.clear();
    if (cell == QLatin1String("-"))
        return true;
    for (const QString& zoneText : cell.split(QLatin1Char('/')))
    {
        const QStringList parts = zoneText.split(QLatin1Char(':'));
        TZoneResult zone;
        if (parts.size() < 2 || !Unword(parts[0], zone.Key) || zone.Key.empty() ||
            !ParsePassMark(parts[1], zone.Pass))
        {
            error = QStringLiteral("zone '%1' is not KEY:P|F").arg(zoneText);
            return false;
        }
        zone.Name = "Zone " + zone.Key;
        for (qsizetype k = 2; k < parts.size(); ++k)
        {
            const QStringList row = parts[k].split(QLatin1Char('='));
            TRuleResult rule;
            if (row.size() != 4 || !Unword(row[0], rule.Item) || !ParseInt(row[1], rule.Count, 0) ||
                !Unword(row[2], rule.Criteria) || !ParsePassMark(row[3], rule.Pass))
            {
                error = QStringLiteral("row '%1' of zone %2 is not ITEM=COUNT=CRITERIA=P|F")
                            .arg(parts[k], QString::fromStdString(zone.Key));
                return false;
            }
            zone.Rows.push_back(std::move(rule));
        }
        zones.push_back(std::move(zone));
    }
    return true;
}

QString TFibreRecord::FindingsCell(const std::vector<TMeasuredFinding>& findings)
{
    if (findings.empty())
        return QStringLiteral("-");
    QStringList out;
    for (const TMeasuredFinding& f : findings)
        out << QStringList{f.Kind == FindingClass::Scratch ? QStringLiteral("s") : QStringLiteral("d"),
                           Float(f.SizeUm),
                           Float(f.LengthUm),
                           Float(f.CentreX),
                           Float(f.CentreY),
                           QString::number(f.Area)}
                   .join(QLatin1Char(':'));
    return out.join(QLatin1Char('/'));
}

bool TFibreRecord::ParseFindingsCell(const QString& cell, std::vector<TMeasuredFinding>& findings,
                                     QString& error)
{
    findings.clear();
    if (cell == QLatin1String("-"))
        return true;
    for (const QString& text : cell.split(QLatin1Char('/')))
    {
        const QStringList p = text.split(QLatin1Char(':'));
        TMeasuredFinding f;
        const bool kind = p.value(0) == QLatin1String("d") || p.value(0) == QLatin1String("s");
        if (p.size() != 6 || !kind || !ParseFloat(p[1], f.SizeUm) || !ParseFloat(p[2], f.LengthUm) ||
            !ParseFloat(p[3], f.CentreX) || !ParseFloat(p[4], f.CentreY) || !ParseInt(p[5], f.Area, 0))
        {
            error = QStringLiteral("finding '%1' is not d|s:SIZE:LENGTH:X:Y:AREA").arg(text);
            return false;
        }
        f.Kind = p[0] == QLatin1String("s") ? FindingClass::Scratch : FindingClass::Defect;
        findings.push_back(f);
    }
    return true;
}

QString TFibreRecord::FibresCell(const std::vector<TFibreRecord>& fibres)
{
    QStringList out;
    for (const TFibreRecord& f : fibres)
        out << QStringList{QString::number(f.Number), f.Judged() ? f.Verdict : QStringLiteral("-"),
                           QString::number(f.Times),  Float(f.CentreX),
                           Float(f.CentreY),          Float(f.Radius),
                           Float(f.UmPerPixel),       ZonesCell(f.Zones),
                           FindingsCell(f.Findings)}
                   .join(QLatin1Char(' '));
    return out.join(QLatin1Char('|'));
}

bool TFibreRecord::ParseFibresCell(const QString& cell, std::vector<TFibreRecord>& fibres, QString& error)
{
    fibres.clear();
    if (cell.isEmpty())
        return true;
    std::vector<TFibreRecord> read;
    int previous = 0;
    for (const QString& text : cell.split(QLatin1Char('|')))
    {
        const QStringList p = text.split(QLatin1Char(' '));
        TFibreRecord f;
        const auto refuse = [&](const QString& why) {
            error = QStringLiteral("fibre %1: %2").arg(read.size() + 1).arg(why);
            return false;
        };
        if (p.size() != 9)
            return refuse(QStringLiteral("%1 fields where a fibre has 9").arg(p.size()));
        if (!ParseInt(p[0], f.Number, previous + 1))
            return refuse(QStringLiteral("its number '%1' does not follow %2").arg(p[0]).arg(previous));
        if (!ParseInt(p[2], f.Times, 0))
            return refuse(QStringLiteral("'%1' is no count of judgements").arg(p[2]));
        // A verdict needs a judgement, and a judgement gives a verdict.
        const bool verdict = p[1] == QLatin1String("Pass") || p[1] == QLatin1String("Fail");
        if (verdict != (f.Times > 0) || (!verdict && p[1] != QLatin1String("-")))
            return refuse(QStringLiteral("verdict '%1' with %2 judgements").arg(p[1], p[2]));
        f.Verdict = verdict ? p[1] : QString(NotJudged);
        if (!ParseFloat(p[3], f.CentreX) || !ParseFloat(p[4], f.CentreY) || !ParseFloat(p[5], f.Radius) ||
            !ParseFloat(p[6], f.UmPerPixel) || f.Radius < 0.0f || f.UmPerPixel < 0.0f)
            return refuse(QStringLiteral("centre, radius or scale is no number"));
        QString why;
        if (!ParseZonesCell(p[7], f.Zones, why) || !ParseFindingsCell(p[8], f.Findings, why))
            return refuse(why);
        previous = f.Number;
        read.push_back(std::move(f));
    }
    fibres = std::move(read);
    return true;
}
