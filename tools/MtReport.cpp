#include "tools/MtReport.h"

#include "analysis/AnalysisGeometry.h"
#include "ferrule/MtInspection.h"
#include "profiles/FiberLocation.h"
#include "profiles/ProfileOverlay.h"
#include "records/InspectionRecord.h"
#include "tools/JsonOut.h"
#include "tools/ProfileJson.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace
{
const char* const OverviewVerdict = "Overview: certifies nothing";
const char* const OutsideVerdict = "Outside the connector";
const char* const OutsideViewVerdict = "Fibres outside the connector";

// A whole fibre that got no number: the first fibre given puts it past the connector's last.
bool Outside(const TFibreResult& f)
{
    return f.Where.WhollyInView && f.Number < 1;
}

// How the fibres got their numbers: counted by an overview that saw whole rows, from the first
// fibre the operator gave, or from 1 because nobody said.
const char* NumberingName(const TMtReport& r)
{
    if (r.Check.Location.Kind == TMtViewKind::Overview && r.Check.Location.WholeRowsSeen)
        return "overview";
    return r.FirstFibreGiven ? "given" : "assumed";
}

float TiltDegrees(const TFibreRowLocation& location)
{
    return location.Angle * static_cast<float>(180.0 / std::numbers::pi);
}

std::string Fixed(float v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
    return buf;
}

std::string Padded(std::string s, std::size_t width)
{
    s.resize(std::max(width, s.size() + 1), ' ');
    return s;
}

// Findings in each zone of the table: a defect in the zone of its centroid, a scratch in every
// zone it crosses, as the counting decides.
int ZoneCount(const TFibreResult& fibre, const TProfileZone& zone)
{
    return static_cast<int>(std::count_if(fibre.Result.Findings.begin(), fibre.Result.Findings.end(),
                                          [&](const TMeasuredFinding& f) { return FindingInZone(f, zone); }));
}

// The sizes as the single-fibre profile's CSV writes them: "defect 6.12; scratch 2.05 x 61.3".
std::string FindingsText(const TFibreResult& fibre)
{
    TInspectionRecord record;
    record.Findings = fibre.Result.Findings;
    return record.FindingsText().toStdString();
}

const TZoneResult* ZoneByKey(const TFibreResult& fibre, const char* key)
{
    for (const TZoneResult& z : fibre.Result.Zones)
        if (z.Key == key)
            return &z;
    return nullptr;
}

std::string ViewText(const TMtReport& r)
{
    const TFibreRowLocation& l = r.Check.Location;
    if (l.Kind == TMtViewKind::None)
        return "no fibre found";
    std::string s = std::string(MtViewKindName(l.Kind)) + ", " + Fixed(l.UmPerPixel, 3) + " um/px, tilt " +
                    Fixed(TiltDegrees(l), 2) + " deg, ";
    const std::string numbering = NumberingName(r);
    if (numbering == "overview")
        return s + "numbered by the overview";
    s += "first fibre " + std::to_string(r.FirstFibre);
    return numbering == "given" ? s : s + " assumed (no --first-fibre)";
}

// Digits 0-9 in a 3 x 5 grid, row by row from the top, three bits a row: the annotated picture
// needs no font, so it looks the same on every machine and needs no display.
constexpr unsigned short DigitGlyphs[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9,
                                            0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};

void DrawNumber(QPainter& painter, int number, QPointF topCentre, int cell)
{
    const std::string digits = std::to_string(number);
    const int advance = 4 * cell;
    const int width = static_cast<int>(digits.size()) * advance - cell;
    const int left = static_cast<int>(std::lround(topCentre.x())) - width / 2;
    const int top = static_cast<int>(std::lround(topCentre.y()));
    for (std::size_t d = 0; d < digits.size(); ++d)
    {
        const unsigned glyph = DigitGlyphs[digits[d] - '0'];
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if ((glyph >> (14 - 3 * row - col)) & 1u)
                    painter.fillRect(left + static_cast<int>(d) * advance + col * cell, top + row * cell,
                                     cell, cell, QColor(255, 0, 0));
    }
}
} // namespace

// Every whole fibre must have been judged: one left out because its number fell outside the
// connector could be the one that fails.
bool MtViewHasVerdict(const TMtCheck& check)
{
    return check.Location.Kind == TMtViewKind::FibreView && check.AnyJudged() &&
           std::none_of(check.Fibres.begin(), check.Fibres.end(), Outside);
}

bool MtViewPasses(const TMtCheck& check)
{
    return MtViewHasVerdict(check) &&
           std::all_of(check.Fibres.begin(), check.Fibres.end(),
                       [](const TFibreResult& f) { return !f.Judged() || f.Result.Pass; });
}

std::string MtViewVerdict(const TMtCheck& check)
{
    if (MtViewHasVerdict(check))
        return MtViewPasses(check) ? "Pass" : "Fail";
    if (std::any_of(check.Fibres.begin(), check.Fibres.end(), Outside))
        return OutsideViewVerdict;
    if (std::string reason = check.NoVerdictReason(); !reason.empty())
        return reason;
    if (check.Location.Kind == TMtViewKind::Overview)
        return OverviewVerdict;
    return check.Fibres.empty() ? NoFiberVerdict : NotInViewVerdict;
}

std::string FibreVerdictText(const TFibreResult& fibre)
{
    switch (fibre.Outcome)
    {
    case TFibreOutcome::Judged:
        return fibre.Result.Pass ? "Pass" : "Fail";
    case TFibreOutcome::Located:
        return FibreVerdictName(TFibreVerdict::NotJudged);
    case TFibreOutcome::NotInView:
        break;
    }
    return Outside(fibre) ? OutsideVerdict : NotInViewVerdict;
}

// IMAGE  FIBRE  OUTCOME  CENTRE  RADIUS  UM/PX  <a column per zone>  VERDICT
std::string MtTableHeader(const TCriteriaProfile& profile, std::size_t nameWidth)
{
    std::string line = Padded("IMAGE", nameWidth + 2) + "FIBRE  OUTCOME      CENTRE         RADIUS  UM/PX  ";
    for (const TProfileZone& z : profile.Zones)
        line += Padded(z.Name, 8);
    return line + "VERDICT\n";
}

std::string MtTableLines(const TMtReport& r, std::size_t nameWidth)
{
    const std::string name = Padded(EscapedText(r.Image), nameWidth + 2);
    const std::size_t zones = r.Profile->Zones.size();
    std::string out;
    for (const TFibreResult& f : r.Check.Fibres)
    {
        const TLocatedFibre& w = f.Where;
        std::string line = name + Padded(f.Number > 0 ? std::to_string(f.Number) : "-", 7);
        line += Padded(FibreOutcomeName(f.Outcome), 13);
        line += Padded(Fixed(w.Centre.X, 1) + "," + Fixed(w.Centre.Y, 1), 15);
        line += Padded(Fixed(0.5f * (w.RadiusX + w.RadiusY), 1), 8);
        line += Padded(Fixed(w.UmPerPixel(), 3), 7);
        for (std::size_t z = 0; z < zones; ++z)
            if (f.Judged() && z < f.Result.Zones.size())
                line += Padded(std::string(f.Result.Zones[z].Pass ? "Pass " : "Fail ") +
                                   std::to_string(ZoneCount(f, r.Profile->Zones[z])),
                               8);
            else
                line += std::string(8, ' ');
        out += line + FibreVerdictText(f) + "\n";
        if (f.Outcome != TFibreOutcome::NotInView && !f.Result.Findings.empty())
            out += std::string(nameWidth + 2 + 7, ' ') + "findings (um): " + FindingsText(f) + "\n";
    }
    std::string view = Padded(name + "view", name.size() + 7) + ViewText(r);
    view = Padded(view, name.size() + 7 + 13 + 15 + 8 + 7 + 8 * zones);
    return out + view + " " + MtViewVerdict(r.Check) + "\n";
}

std::string MtJson(const TMtReport& r)
{
    const TCriteriaProfile& p = *r.Profile;
    const TFibreRowLocation& l = r.Check.Location;
    std::string s = "{\"file\":" + JsonString(r.Image) + ",\"accepted\":true";
    s += ",\"width\":" + std::to_string(r.Width) + ",\"height\":" + std::to_string(r.Height);
    s += std::string(",\"mode\":\"") + (r.Mode == 0 ? "single" : "multi") + "\"";
    s += ",\"profile\":{\"name\":" + JsonString(p.Name) + ",\"title\":" + JsonString(p.Title);
    s += ",\"fibres_per_row\":" + std::to_string(p.Ferrule.FibresPerRow) +
         ",\"rows\":" + std::to_string(p.Ferrule.Rows) + ",\"pitch_um\":" + JsonFloat(p.Ferrule.PitchUm) +
         ",\"row_pitch_um\":" + JsonFloat(p.Ferrule.RowPitchUm) + "}";
    s += ",\"view\":" + JsonString(MtViewKindName(l.Kind));
    s += ",\"um_per_pixel\":" + JsonFloat(l.UmPerPixel) + ",\"pitch_pixels\":" + JsonFloat(l.PitchPixels);
    s += ",\"tilt_degrees\":" + JsonFloat(TiltDegrees(l));
    s += std::string(",\"numbering\":\"") + NumberingName(r) +
         "\",\"first_fibre\":" + std::to_string(r.FirstFibre);
    s += ",\"fibres\":[";
    for (std::size_t i = 0; i < r.Check.Fibres.size(); ++i)
    {
        const TFibreResult& f = r.Check.Fibres[i];
        const TLocatedFibre& w = f.Where;
        s += std::string(i ? "," : "") + "{\"number\":" + (f.Number > 0 ? std::to_string(f.Number) : "null");
        s += ",\"row\":" + std::to_string(w.Row + 1);
        s += ",\"center\":[" + JsonFloat(w.Centre.X) + "," + JsonFloat(w.Centre.Y) + "]";
        s += ",\"radii\":[" + JsonFloat(w.RadiusX) + "," + JsonFloat(w.RadiusY) + "]";
        s += ",\"um_per_pixel\":" + JsonFloat(w.UmPerPixel());
        s += ",\"outcome\":" + JsonString(FibreOutcomeName(f.Outcome));
        if (f.Judged())
        {
            s += ",\"zones\":[";
            for (std::size_t z = 0; z < f.Result.Zones.size() && z < p.Zones.size(); ++z)
            {
                // Appended piece by piece: GCC 12 at -O3 warns falsely about a literal joined
                // to a temporary string.
                std::string head = "\"key\":";
                head += JsonString(f.Result.Zones[z].Key);
                head += ",\"count\":";
                head += std::to_string(ZoneCount(f, p.Zones[z]));
                head += ",";
                if (z > 0)
                    s += ",";
                s += ZoneJson(f.Result.Zones[z], head);
            }
            s += "]";
        }
        if (f.Outcome != TFibreOutcome::NotInView)
            s += ",\"findings\":" + FindingsJson(f.Result.Findings);
        s += ",\"verdict\":" + JsonString(FibreVerdictText(f)) + "}";
    }
    s += "],\"overall\":" + JsonString(MtViewVerdict(r.Check));
    return s + "}";
}

std::string MtCsvHeader()
{
    return CsvLine({"source",       "mode",         "profile",   "view",     "view_um_per_pixel",
                    "tilt_degrees", "numbering",    "fibre",     "row",      "outcome",
                    "center_x",     "center_y",     "radius_x",  "radius_y", "um_per_pixel",
                    "a_verdict",    "a_count",      "b_verdict", "b_count",  "profile_rows",
                    "findings_um",  "view_verdict", "verdict"})
        .toStdString();
}

std::string MtCsvLines(const TMtReport& r)
{
    const auto text = [](const std::string& s) {
        return TInspectionRecord::CsvTextCell(QString::fromStdString(s)).toStdString();
    };
    const TFibreRowLocation& l = r.Check.Location;
    const std::string picture = text(r.Image) + (r.Mode == 0 ? ",single," : ",multi,") +
                                text(r.Profile->Name) + "," + text(MtViewKindName(l.Kind)) + "," +
                                JsonFloat(l.UmPerPixel) + "," + JsonFloat(TiltDegrees(l)) + "," +
                                NumberingName(r) + ",";
    const std::string view = text(MtViewVerdict(r.Check));
    // A picture without a fibre keeps its line: a batch's CSV names every picture it checked.
    if (r.Check.Fibres.empty())
    {
        std::string line = picture;
        line.append(14, ',');
        line += view;
        line += ",";
        line += view;
        line += "\r\n";
        return line;
    }
    std::string out;
    for (const TFibreResult& f : r.Check.Fibres)
    {
        const TLocatedFibre& w = f.Where;
        std::string line = picture;
        if (f.Number > 0)
            line += std::to_string(f.Number);
        line += ",";
        line += std::to_string(w.Row + 1);
        line += ",";
        line += FibreOutcomeName(f.Outcome);
        line += ",";
        line += JsonFloat(w.Centre.X) + "," + JsonFloat(w.Centre.Y) + "," + JsonFloat(w.RadiusX) + "," +
                JsonFloat(w.RadiusY) + "," + JsonFloat(w.UmPerPixel()) + ",";
        for (const char* key : {"A", "B"})
        {
            const TZoneResult* z = f.Judged() ? ZoneByKey(f, key) : nullptr;
            line += z ? std::string(z->Pass ? "Pass," : "Fail,") : std::string(",");
            int count = 0;
            for (const TProfileZone& zone : r.Profile->Zones)
                if (z && zone.Name == key)
                    count = ZoneCount(f, zone);
            line += (z ? std::to_string(count) : "") + ",";
        }
        TInspectionRecord record;
        if (f.Judged())
            record.ProfileZones = f.Result.Zones;
        line += text(record.ProfileRowsText().toStdString()) + ",";
        line += (f.Outcome != TFibreOutcome::NotInView ? text(FindingsText(f)) : "") + ",";
        out += line + view + "," + text(FibreVerdictText(f)) + "\r\n";
    }
    return out;
}

void DrawFibreZones(QPainter& painter, const TMtCheck& check, const TCriteriaProfile& profile)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const std::vector<float> diameters = ZoneBoundaries(profile);
    for (const TFibreResult& f : check.Fibres)
    {
        const TLocatedFibre& w = f.Where;
        if (!(w.RadiusX > 0.0f && w.RadiusY > 0.0f))
            continue;
        // Pixel centres lie at whole numbers in the engine, at halves for the painter.
        const QPointF centre(w.Centre.X + 0.5, w.Centre.Y + 0.5);
        if (f.Outcome != TFibreOutcome::NotInView)
            for (std::size_t i = 0; i < diameters.size(); ++i)
            {
                painter.setPen(QPen(QColor(ZoneBoundaryColour(i, diameters.size())), 1, Qt::SolidLine));
                const double share = diameters[i] / 125.0;
                painter.drawEllipse(centre, w.RadiusX * share, w.RadiusY * share);
            }
        if (f.Number < 1)
            continue;
        // Above the cladding, or below it when the frame's top edge is too near.
        const int cell = std::clamp(static_cast<int>(w.RadiusY / 16.0f), 2, 6);
        double top = centre.y() - w.RadiusY - 7.0 * cell;
        if (top < 0.0)
            top = centre.y() + w.RadiusY + 2.0 * cell;
        DrawNumber(painter, f.Number, QPointF(centre.x(), top), cell);
    }
    painter.restore();
}
