#include "records/PdfReport.h"

#include "platform/AtomicWrite.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

namespace
{
constexpr int Dpi = 300;
const QColor PassColour(0, 128, 0);
const QColor NoVerdictColour(96, 96, 96);
const QColor FailColour(204, 0, 0);

QString ModeName(int mode)
{
    return mode == 0 ? QCoreApplication::translate("PdfReport", "Single Mode")
                     : QCoreApplication::translate("PdfReport", "Multi Mode");
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
        return QCoreApplication::translate("EngineText", NoVerdictReason(l).c_str());
    QString text = l.Method == TLocateMethod::Rays
                       ? QCoreApplication::translate("PdfReport", "from the edge points")
                   : l.Method == TLocateMethod::Edges
                       ? QCoreApplication::translate("PdfReport", "by the cladding's edge")
                       : QCoreApplication::translate("PdfReport", "placed by the operator");
    if (l.Caution())
        text += QStringLiteral(" (") + QCoreApplication::translate("EngineText", UncertainCaution) +
                QLatin1Char(')');
    return text;
}

QColor VerdictColour(const QString& verdict)
{
    return verdict == QLatin1String("Pass") ? PassColour : FailColour;
}

QString FerruleText(const TInspectionRecord& r)
{
    const QStringList parts = r.Ferrule.split(QLatin1Char('x'));
    const int rows = parts.value(1).toInt();
    return QCoreApplication::translate("PdfReport", "%1 fibres in %2 %3 (%4)")
        .arg(r.Fibres.size())
        .arg(rows)
        .arg(rows == 1 ? QCoreApplication::translate("PdfReport", "row")
                       : QCoreApplication::translate("PdfReport", "rows"),
             r.Ferrule);
}

QString FibresJudgedText(const TInspectionRecord& r)
{
    return QCoreApplication::translate("PdfReport", "%1 of %2").arg(r.JudgedFibres()).arg(r.Fibres.size());
}

QString JudgedAgainText(const TInspectionRecord& r)
{
    QStringList again;
    for (const TFibreRecord& f : r.Fibres)
        if (f.Times > 1)
            again << QString::number(f.Number);
    if (again.isEmpty())
        return QCoreApplication::translate("PdfReport", "no");
    return (again.size() == 1
                ? QCoreApplication::translate("PdfReport", "fibre %1 (the last judgement holds)")
                : QCoreApplication::translate("PdfReport", "fibres %1 (the last judgement holds)"))
        .arg(again.join(QStringLiteral(", ")));
}

// A connector's fibres, one a line: its number, each zone's counts row by row (a count over its
// limit in red), its verdict and how often it was judged. The zones and rows are the profile's,
// the same for every fibre; a legend under the table names them.
class TFibreTable
{
public:
    TFibreTable(QPainter& p, QPdfWriter& writer, const TInspectionRecord& r)
        : P_(p), Writer_(writer), R_(r), Body_(Font(10)), Bold_(Font(10, true))
    {
        for (const TFibreRecord& f : r.Fibres)
            if (f.Zones.size() > Zones_.size())
                Zones_ = f.Zones;
        const int width = writer.width();
        const int zoneWidth = width * 58 / 100 / std::max<int>(1, static_cast<int>(Zones_.size()));
        Columns_.push_back(0);
        for (std::size_t z = 0; z < Zones_.size(); ++z)
            Columns_.push_back(width * 12 / 100 + static_cast<int>(z) * zoneWidth);
        Columns_.push_back(width * 70 / 100);
        Columns_.push_back(width * 84 / 100);
    }

    // Draws from y, going on to a new page below bottom; returns where it ended.
    int Draw(int y, int bottom, const std::function<void()>& footer) const
    {
        const int lineHeight = QFontMetrics(Body_, &Writer_).height();
        y = Head(y);
        for (const TFibreRecord& f : R_.Fibres)
        {
            if (y + lineHeight > bottom)
            {
                footer();
                Writer_.newPage();
                y = Head(0);
            }
            y = Fibre(f, y);
        }
        P_.drawLine(0, y, Writer_.width(), y);
        y += Dpi / 30;
        for (const TZoneResult& z : Zones_)
        {
            QStringList rows;
            for (const TRuleResult& rule : z.Rows)
                rows << QCoreApplication::translate("PdfReport", "%1 (limit %2)")
                            .arg(QString::fromStdString(rule.Item), QString::fromStdString(rule.Criteria));
            const QString legend = QCoreApplication::translate("PdfReport", "Zone %1 counts: ")
                                       .arg(QString::fromStdString(z.Key)) +
                                   rows.join(QStringLiteral(" / "));
            // A zone of many rows takes more than a line: wrapped within the page, never cut at
            // its right edge.
            P_.setFont(Body_);
            const QRect room(0, 0, Writer_.width(), bottom);
            const int height = P_.boundingRect(room, Qt::TextWordWrap, legend).height();
            if (y + height > bottom)
            {
                footer();
                Writer_.newPage();
                y = 0;
            }
            P_.drawText(QRect(0, y, Writer_.width(), height), Qt::TextWordWrap, legend);
            y += height;
        }
        if (!R_.FindingsText().isEmpty() && y + lineHeight * 2 <= bottom)
            y += Findings(y, bottom);
        return y;
    }

private:
    int Head(int y) const
    {
        QStringList heads{QCoreApplication::translate("PdfReport", "Fibre")};
        for (const TZoneResult& z : Zones_)
            heads << QCoreApplication::translate("PdfReport", "Zone %1").arg(QString::fromStdString(z.Key));
        heads << QCoreApplication::translate("PdfReport", "Verdict")
              << QCoreApplication::translate("PdfReport", "Judged");
        for (qsizetype c = 0; c < heads.size(); ++c)
            Line(P_, Columns_[static_cast<std::size_t>(c)], y, heads[c], Bold_);
        y += QFontMetrics(Bold_, &Writer_).height();
        P_.drawLine(0, y, Writer_.width(), y);
        return y + Dpi / 60;
    }

    int Fibre(const TFibreRecord& f, int y) const
    {
        Line(P_, 0, y, QString::number(f.Number), Body_);
        const QFontMetrics m(Body_, &Writer_);
        for (std::size_t z = 0; z < Zones_.size(); ++z)
        {
            const TZoneResult* zone = z < f.Zones.size() ? &f.Zones[z] : nullptr;
            int x = Columns_[z + 1];
            if (!zone)
            {
                Line(P_, x, y, QStringLiteral("\u2013"), Body_);
                continue;
            }
            for (std::size_t k = 0; k < zone->Rows.size(); ++k)
            {
                const TRuleResult& rule = zone->Rows[k];
                const QString piece = (k ? QStringLiteral(" / ") : QString()) + QString::number(rule.Count);
                if (!rule.Pass)
                    P_.setPen(FailColour);
                Line(P_, x, y, piece, rule.Pass ? Body_ : Bold_);
                P_.setPen(Qt::black);
                x += QFontMetrics(rule.Pass ? Body_ : Bold_, &Writer_).horizontalAdvance(piece);
            }
        }
        const std::size_t verdictColumn = Zones_.size() + 1;
        P_.setPen(!f.Judged() ? NoVerdictColour : VerdictColour(f.Verdict));
        Line(P_, Columns_[verdictColumn], y, f.Verdict, Bold_);
        P_.setPen(Qt::black);
        const QString times = f.Times == 0 ? QStringLiteral("\u2013")
                              : f.Times == 1
                                  ? QCoreApplication::translate("PdfReport", "once")
                                  : QCoreApplication::translate("PdfReport", "%1 times (again)").arg(f.Times);
        Line(P_, Columns_[verdictColumn + 1], y, times, Body_);
        return y + m.height();
    }

    // Every finding's size per fibre, wrapped; cut at four lines.
    int Findings(int y, int bottom) const
    {
        const QFontMetrics m(Body_, &Writer_);
        const int lines = std::clamp((bottom - y) / m.lineSpacing(), 1, 4);
        const QRect box(0, y + Dpi / 30, Writer_.width(), m.lineSpacing() * lines);
        P_.setFont(Body_);
        QString text =
            QCoreApplication::translate("PdfReport", "Findings (\u00B5m): %1").arg(R_.FindingsText());
        const int room = Writer_.width() * lines - m.horizontalAdvance(QStringLiteral("\u2026")) * lines;
        if (m.horizontalAdvance(text) > room)
            text = m.elidedText(text, Qt::ElideRight, room);
        P_.drawText(box, Qt::TextWordWrap, text);
        return P_.boundingRect(box, Qt::TextWordWrap, text).height() + Dpi / 30;
    }

    QPainter& P_;
    QPdfWriter& Writer_;
    const TInspectionRecord& R_;
    QFont Body_, Bold_;
    std::vector<TZoneResult> Zones_; // the profile's zones and rows, from a judged fibre
    std::vector<int> Columns_;       // fibre, each zone, verdict, judged
};
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
    writer.setTitle(QCoreApplication::translate("PdfReport", "Fiber end-face inspection report") +
                    (r.Serial.isEmpty() ? QString() : QStringLiteral(" ") + r.Serial));
    writer.setCreator(QStringLiteral("fiberscope ") + r.Version);
    QPainter p;
    if (!p.begin(&writer))
        throw std::runtime_error(
            QCoreApplication::translate("PdfReport", "the PDF report could not be started").toStdString());

    const int width = writer.width();
    const QFont body = Font(10);
    const QFont bold = Font(10, true);
    int y = 0;
    y += Line(p, 0, y, QCoreApplication::translate("PdfReport", "Fiber end-face inspection report"),
              Font(18, true));
    y += Dpi / 8;

    // The overall verdict, in colour at the top right.
    const QRect verdict(width - Dpi * 3 / 2, 0, Dpi * 3 / 2, Dpi / 2);
    // Without a fiber the box is grey and says why: such a report certifies nothing.
    p.fillRect(verdict, !r.Judged() ? NoVerdictColour : r.Pass ? PassColour : FailColour);
    p.setPen(Qt::white);
    // A connector not judged whole says how far it got, on two lines.
    p.setFont(Font(r.Judged() ? 20 : r.MultiFibre() ? 10 : 14, true));
    p.drawText(verdict, Qt::AlignCenter | Qt::TextWordWrap, r.Verdict());
    p.setPen(Qt::black);

    const QLocale locale = QLocale::system();
    std::vector<std::array<QString, 2>> facts = {
        {QCoreApplication::translate("PdfReport", "Time"), locale.toString(r.Time, QLocale::LongFormat)},
        {QCoreApplication::translate("PdfReport", "Serial number"),
         r.Serial.isEmpty() ? QCoreApplication::translate("PdfReport", "(none)") : r.Serial},
        {QCoreApplication::translate("PdfReport", "Source"), r.Source},
        {QCoreApplication::translate("PdfReport", "Fiber mode"), ModeName(r.Mode)},
        {QCoreApplication::translate("PdfReport", "Criteria"),
         r.ProfileTitle.isEmpty()
             ? r.Profile
             : QCoreApplication::translate("EngineText", r.ProfileTitle.toUtf8().constData())},
        {QCoreApplication::translate("PdfReport", "Scale"),
         r.UmPerPixel > 0.0f ? QCoreApplication::translate("PdfReport", "%1 \u00B5m per pixel")
                                   .arg(static_cast<double>(r.UmPerPixel), 0, 'f', 3)
                             : QCoreApplication::translate("PdfReport", "(fiber not located)")},
        {QCoreApplication::translate("PdfReport", "Frames combined"),
         r.Frames > 0 ? QString::number(r.Frames) : QCoreApplication::translate("PdfReport", "(image file)")},
        {QCoreApplication::translate("PdfReport", "Fiber location"), LocationText(r.Location)},
        {QCoreApplication::translate("PdfReport", "Judged again"),
         r.RejudgedAt.isValid() ? locale.toString(r.RejudgedAt, QLocale::LongFormat)
                                : QCoreApplication::translate("PdfReport", "no")},
    };
    // A connector: its layout and how far it got in place of one fiber's scale and location.
    if (r.MultiFibre())
        facts = {facts[0],
                 facts[1],
                 facts[2],
                 facts[3],
                 facts[4],
                 {QCoreApplication::translate("PdfReport", "Ferrule"), FerruleText(r)},
                 {QCoreApplication::translate("PdfReport", "Fibres judged"), FibresJudgedText(r)},
                 {QCoreApplication::translate("PdfReport", "Judged again"), JudgedAgainText(r)}};
    for (const auto& fact : facts)
    {
        Line(p, 0, y, fact[0] + QLatin1Char(':'), bold);
        y += Line(p, Dpi * 3 / 2, y, fact[1], body);
    }
    y += Dpi / 8;

    // The end face at its own pixels, scaled to the page width at most; a connector's picture
    // smaller, to leave its fibres' table room.
    if (!endFace.isNull())
    {
        const QSize size =
            endFace.size().scaled(width, r.MultiFibre() ? Dpi * 2 : Dpi * 4, Qt::KeepAspectRatio);
        p.drawImage(QRect(QPoint(0, y), size), endFace);
        y += size.height() + Dpi / 8;
    }

    const int bottom = writer.height() - QFontMetrics(body, &writer).height() * 2;
    const auto footer = [&] {
        Line(p, 0, writer.height() - QFontMetrics(body, &writer).height(),
             QCoreApplication::translate("PdfReport", "Fiber end-face inspection station, version %1")
                 .arg(r.Version),
             Font(8));
    };
    if (r.MultiFibre())
    {
        // Every fibre on its own line; a connector of many fibres goes on over further pages.
        const TFibreTable table(p, writer, r);
        y = table.Draw(y, bottom, footer);
        footer();
        if (!p.end())
            throw std::runtime_error(
                QCoreApplication::translate("PdfReport", "the PDF report could not be finished")
                    .toStdString());
        return pdf;
    }

    // Limits, counts and verdicts per zone.
    const int columns[] = {0, width * 55 / 100, width * 72 / 100, width * 86 / 100};
    const QString heads[] = {QCoreApplication::translate("PdfReport", "Zone and class"),
                             QCoreApplication::translate("PdfReport", "Limit"),
                             QCoreApplication::translate("PdfReport", "Count"),
                             QCoreApplication::translate("PdfReport", "Verdict")};
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
                     QCoreApplication::translate("EngineText", z.Pass ? "Pass" : "Fail"));
            for (const TRuleResult& rule : z.Rows)
                row(QString::fromStdString(rule.Item), QString::fromStdString(rule.Criteria),
                    QString::number(rule.Count), !rule.Pass);
        }
    }
    else
    {
        const QString zones[] = {QCoreApplication::translate("PdfReport", "Core zone"),
                                 QCoreApplication::translate("PdfReport", "Cladding zone"),
                                 QCoreApplication::translate("PdfReport", "Adhesive zone"),
                                 QCoreApplication::translate("PdfReport", "Contact zone")};
        for (int zone = 0; zone < 4; ++zone)
        {
            zoneHead(zones[zone], r.ZoneVerdicts[zone]);
            if (zone == 2)
            {
                row(QCoreApplication::translate("PdfReport", "Scratches and defects"), LimitText(99999),
                    QString(), false);
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
        QCoreApplication::translate(
            "PdfReport",
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
              QCoreApplication::translate("PdfReport", "Centre %1, %2 px; zone radii %3 px")
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
        QString text =
            QCoreApplication::translate("PdfReport", "Findings (\u00B5m): %1").arg(r.FindingsText());
        const int room = width * 4 - m.horizontalAdvance(QStringLiteral("\u2026")) * 4;
        if (m.horizontalAdvance(text) > room)
            text = m.elidedText(text, Qt::ElideRight, room);
        y += p.boundingRect(box, Qt::TextWordWrap, text).height();
        p.drawText(box, Qt::TextWordWrap, text);
    }
    if (!r.Files.isEmpty())
        Line(p, 0, y,
             QCoreApplication::translate("PdfReport", "Saved: %1").arg(r.Files.join(QStringLiteral(", "))),
             body);
    footer();
    if (!p.end())
        throw std::runtime_error(
            QCoreApplication::translate("PdfReport", "the PDF report could not be finished").toStdString());
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
