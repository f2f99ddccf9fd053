#include "records/PdfReport.h"

#include "platform/AtomicWrite.h"

#include <QBuffer>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>

namespace
{
constexpr int Dpi = 300;
const QColor PassColour(0, 128, 0);
const QColor NoVerdictColour(96, 96, 96);
const QColor FailColour(204, 0, 0);

QString ModeName(int mode)
{
    return mode == 0 ? QStringLiteral("Single Mode") : QStringLiteral("Multi Mode");
}

QFont Font(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Writes text at (x, y) as its top-left corner and returns the height it took.
int Line(QPainter& p, int x, int y, const QString& text, const QFont& font)
{
    p.setFont(font);
    const QFontMetrics m(font, p.device());
    p.drawText(x, y + m.ascent(), text);
    return m.height();
}

// Which circle judged, and anything the two locations disagree on.
QString LocationText(const TFiberLocation& l)
{
    if (!l.Judges())
        return QString::fromStdString(NoVerdictReason(l));
    QString text = l.Method == TLocateMethod::Rays    ? QStringLiteral("from the edge points")
                   : l.Method == TLocateMethod::Edges ? QStringLiteral("by the cladding's edge")
                                                      : QStringLiteral("placed by the operator");
    if (l.Caution())
        text += QStringLiteral(" (") + QString::fromUtf8(UncertainCaution) + QLatin1Char(')');
    return text;
}

QColor VerdictColour(const QString& verdict)
{
    return verdict == QLatin1String("Pass") ? PassColour : FailColour;
}
} // namespace

QPageSize LocalePageSize()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize(QPageSize::Letter)
                                                                              : QPageSize(QPageSize::A4);
}

QByteArray RenderPdfReport(const TInspectionRecord& r, const QImage& endFace, const QPageSize& page)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(Dpi);
    writer.setPageSize(page);
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Fiber end-face inspection report") +
                    (r.Serial.isEmpty() ? QString() : QStringLiteral(" ") + r.Serial));
    writer.setCreator(QStringLiteral("fiberscope ") + r.Version);
    QPainter p;
    if (!p.begin(&writer))
        throw std::runtime_error("the PDF report could not be started");

    const int width = writer.width();
    const QFont body = Font(10);
    const QFont bold = Font(10, true);
    int y = 0;
    y += Line(p, 0, y, QStringLiteral("Fiber end-face inspection report"), Font(18, true));
    y += Dpi / 8;

    // The overall verdict, in colour at the top right.
    const QRect verdict(width - Dpi * 3 / 2, 0, Dpi * 3 / 2, Dpi / 2);
    // Without a fiber the box is grey and says why: such a report certifies nothing.
    p.fillRect(verdict, !r.Judged() ? NoVerdictColour : r.Pass ? PassColour : FailColour);
    p.setPen(Qt::white);
    p.setFont(Font(r.Judged() ? 20 : 14, true));
    p.drawText(verdict, Qt::AlignCenter, r.Verdict());
    p.setPen(Qt::black);

    const QLocale locale = QLocale::system();
    const QString facts[][2] = {
        {QStringLiteral("Time"), locale.toString(r.Time, QLocale::LongFormat)},
        {QStringLiteral("Serial number"), r.Serial.isEmpty() ? QStringLiteral("(none)") : r.Serial},
        {QStringLiteral("Source"), r.Source},
        {QStringLiteral("Fiber mode"), ModeName(r.Mode)},
        {QStringLiteral("Criteria"), r.ProfileTitle.isEmpty() ? r.Profile : r.ProfileTitle},
        {QStringLiteral("Scale"),
         r.UmPerPixel > 0.0f
             ? QStringLiteral("%1 \u00B5m per pixel").arg(static_cast<double>(r.UmPerPixel), 0, 'f', 3)
             : QStringLiteral("(fiber not located)")},
        {QStringLiteral("Frames combined"),
         r.Frames > 0 ? QString::number(r.Frames) : QStringLiteral("(image file)")},
        {QStringLiteral("Fiber location"), LocationText(r.Location)},
        {QStringLiteral("Judged again"),
         r.RejudgedAt.isValid() ? locale.toString(r.RejudgedAt, QLocale::LongFormat) : QStringLiteral("no")},
    };
    for (const auto& fact : facts)
    {
        Line(p, 0, y, fact[0] + QLatin1Char(':'), bold);
        y += Line(p, Dpi * 3 / 2, y, fact[1], body);
    }
    y += Dpi / 8;

    // The end face at its own pixels, scaled to the page width at most.
    if (!endFace.isNull())
    {
        const QSize size = endFace.size().scaled(width, Dpi * 4, Qt::KeepAspectRatio);
        p.drawImage(QRect(QPoint(0, y), size), endFace);
        y += size.height() + Dpi / 8;
    }

    // Limits, counts and verdicts per zone.
    const int columns[] = {0, width * 55 / 100, width * 72 / 100, width * 86 / 100};
    const QString heads[] = {QStringLiteral("Zone and class"), QStringLiteral("Limit"),
                             QStringLiteral("Count"), QStringLiteral("Verdict")};
    for (int c = 0; c < 4; ++c)
        Line(p, columns[c], y, heads[c], bold);
    y += QFontMetrics(bold, &writer).height();
    p.drawLine(0, y, width, y);
    // A row: its label indented under the zone, the limit, and the count, red when over.
    const auto row = [&](const QString& label, const QString& limit, const QString& count, bool over) {
        Line(p, columns[0] + Dpi / 6, y, label, body);
        Line(p, columns[1], y, limit, body);
        if (over)
            p.setPen(FailColour);
        y += Line(p, columns[2], y, count, body);
        p.setPen(Qt::black);
    };
    const auto zoneHead = [&](const QString& name, const QString& zoneVerdict) {
        y += Dpi / 30;
        Line(p, columns[0], y, name, bold);
        p.setPen(VerdictColour(zoneVerdict));
        Line(p, columns[3], y, zoneVerdict, bold);
        p.setPen(Qt::black);
        y += QFontMetrics(bold, &writer).height();
    };
    if (!r.ProfileZones.empty())
    {
        for (const TZoneResult& z : r.ProfileZones)
        {
            zoneHead(QString::fromStdString(z.Name),
                     z.Pass ? QStringLiteral("Pass") : QStringLiteral("Fail"));
            for (const TRuleResult& rule : z.Rows)
                row(QString::fromStdString(rule.Item), QString::fromStdString(rule.Criteria),
                    QString::number(rule.Count), !rule.Pass);
        }
    }
    else
    {
        const QString zones[] = {QStringLiteral("Core zone"), QStringLiteral("Cladding zone"),
                                 QStringLiteral("Adhesive zone"), QStringLiteral("Contact zone")};
        for (int zone = 0; zone < 4; ++zone)
        {
            zoneHead(zones[zone], r.ZoneVerdicts[zone]);
            if (zone == 2)
            {
                row(QStringLiteral("Scratches and defects"), LimitText(99999), QString(), false);
                continue;
            }
            const int classZone = zone == 3 ? 2 : zone;
            for (const TClassCount& c : r.Classes)
            {
                if (c.Zone != classZone || !c.Applies)
                    continue;
                // "Core zone: defects" under the zone's own heading reads "Defects".
                QString label = QString::fromUtf8(c.Label);
                label = label.mid(label.indexOf(QLatin1Char(':')) + 2);
                label[0] = label[0].toUpper();
                row(label, LimitText(c.Limit), QString::number(c.Count), c.Count > c.Limit);
            }
        }
    }
    y += Dpi / 30;
    p.drawLine(0, y, width, y);
    y += Dpi / 8;

    const QString thresholds =
        QStringLiteral(
            "Thresholds: lower %1, upper %2, core/cladding %3, contact %4; defect share %5 %, %6 %")
            .arg(r.Thresholds[0])
            .arg(r.Thresholds[1])
            .arg(r.Thresholds[2])
            .arg(r.Thresholds[3])
            .arg(static_cast<double>(r.DefectPercents[0]))
            .arg(static_cast<double>(r.DefectPercents[1]));
    y += Line(p, 0, y, thresholds, body);
    QStringList radii;
    for (float radius : r.ZoneRadii)
        radii << QString::number(static_cast<double>(radius), 'f', 1);
    y += Line(p, 0, y,
              QStringLiteral("Centre %1, %2 px; zone radii %3 px")
                  .arg(static_cast<double>(r.CenterX), 0, 'f', 1)
                  .arg(static_cast<double>(r.CenterY), 0, 'f', 1)
                  .arg(radii.join(QStringLiteral(", "))),
              body);
    if (!r.Findings.empty())
    {
        // Every finding's size, wrapped; a face with hundreds of specks is cut at four lines.
        const QFontMetrics m(body, &writer);
        const QRect box(0, y, width, m.lineSpacing() * 4);
        p.setFont(body);
        QString text = QStringLiteral("Findings (\u00B5m): ") + r.FindingsText();
        const int room = width * 4 - m.horizontalAdvance(QStringLiteral("\u2026")) * 4;
        if (m.horizontalAdvance(text) > room)
            text = m.elidedText(text, Qt::ElideRight, room);
        y += p.boundingRect(box, Qt::TextWordWrap, text).height();
        p.drawText(box, Qt::TextWordWrap, text);
    }
    if (!r.Files.isEmpty())
        Line(p, 0, y, QStringLiteral("Saved: ") + r.Files.join(QStringLiteral(", ")), body);
    Line(p, 0, writer.height() - QFontMetrics(body, &writer).height(),
         QStringLiteral("Fiber end-face inspection station, version ") + r.Version, Font(8));
    if (!p.end())
        throw std::runtime_error("the PDF report could not be finished");
    return pdf;
}

void WritePdfReport(const std::string& path, const TInspectionRecord& record, const QImage& endFace,
                    const QPageSize& page)
{
    const QByteArray pdf = RenderPdfReport(record, endFace, page);
    std::string error;
    if (!WriteFileAtomically(path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())),
                             error))
        throw std::runtime_error(error);
}
