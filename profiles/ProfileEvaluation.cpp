// Counting per zone and row. A defect belongs to the zone that holds its centroid; a scratch
// counts in every zone it crosses, since a long scratch through the core matters there even when
// most of it lies outside. A row fails when its count exceeds its limit, a zone when any row
// fails.

#include "profiles/ProfileEvaluation.h"

#include "analysis/TFiberAnalyzer.h"

#include <sstream>

namespace
{
std::string Number(float v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}

TRuleResult Row(std::string item, std::string criteria, int count, int limit)
{
    return {std::move(item), std::move(criteria), count, count <= limit};
}

TZoneResult Zone(std::string key, std::string name, std::vector<TRuleResult> rows, const std::string& verdict)
{
    return {std::move(key), std::move(name), std::move(rows), verdict == "Pass"};
}
} // namespace

bool FindingInZone(const TMeasuredFinding& f, const TProfileZone& zone)
{
    if (f.Kind == FindingClass::Defect)
        return f.CentreDiameterUm >= zone.InnerDiameter && f.CentreDiameterUm < zone.OuterDiameter;
    return f.MinDiameterUm < zone.OuterDiameter && f.MaxDiameterUm >= zone.InnerDiameter;
}

std::string RuleItem(const TProfileRule& rule)
{
    const std::string item = rule.Kind == FindingClass::Scratch ? "Scratches" : "Defects";
    const std::string size = rule.SizeText();
    return size == "any" ? item : item + " " + size;
}

std::string ZoneCaption(const TProfileZone& zone)
{
    return "Zone " + zone.Name + " (" + Number(zone.InnerDiameter) + "~" + Number(zone.OuterDiameter) +
           " \u03bcm)";
}

TProfileResult EvaluateProfile(const TFiberAnalyzer& analyzer, const TCriteriaProfile& profile)
{
    const TFibreScale scale = FibreScaleOf(analyzer);
    return CountFindings(profile, MeasureFindings(analyzer, scale), scale.UmPerPixel);
}

TProfileResult CountFindings(const TCriteriaProfile& profile, std::vector<TMeasuredFinding> findings,
                             float umPerPixel)
{
    TProfileResult result;
    result.ProfileName = profile.Name;
    result.ProfileTitle = profile.Title;
    result.UmPerPixel = umPerPixel;
    result.Findings = std::move(findings);
    for (const TProfileZone& zone : profile.Zones)
    {
        TZoneResult z;
        z.Key = zone.Name;
        z.Name = ZoneCaption(zone);
        for (const TProfileRule& rule : zone.Rules)
        {
            int count = 0;
            for (const TMeasuredFinding& f : result.Findings)
                count += f.Kind == rule.Kind && FindingInZone(f, zone) && rule.Contains(f.SizeUm);
            z.Rows.push_back(Row(RuleItem(rule), ProfileLimitText(rule.Limit), count, rule.Limit));
            z.Pass = z.Pass && z.Rows.back().Pass;
        }
        result.Pass = result.Pass && z.Pass;
        result.Zones.push_back(std::move(z));
    }
    return result;
}

TProfileResult ClassicResult(const TFiberAnalyzer& a, bool overallPass)
{
    const TCriteriaProfile& profile = ClassicProfile();
    TProfileResult result;
    result.ProfileName = profile.Name;
    result.ProfileTitle = profile.Title;
    result.Classic = true;
    const TFibreScale scale = FibreScaleOf(a);
    result.UmPerPixel = scale.UmPerPixel;
    result.Findings = MeasureFindings(a, scale);
    result.Pass = overallPass;
    const auto& z = a.ZoneCounts;
    const auto lim = [](int limit) { return ProfileLimitText(limit); };
    if (a.Mode == 0)
    {
        const int* s = a.SingleCriteria;
        result.Zones.push_back(
            Zone("Core", "Core Zone (0~25 \u03bcm)",
                 {Row("Scratches", lim(s[0]), z[0][0], s[0]), Row("Defects", lim(s[1]), z[1][0], s[1])},
                 a.ZoneVerdicts[0]));
    }
    else
    {
        const auto& m = a.MultiCriteria;
        const int* c = a.MultiCoreCounts;
        result.Zones.push_back(Zone("Core", "Core Zone (0~65 \u03bcm)",
                                    {Row("Scratches <3 \u00b5m", lim(m[0][0]), c[0], m[0][0]),
                                     Row("Scratches >3 \u00b5m", lim(m[0][1]), c[1], m[0][1]),
                                     Row("Defects <5 \u00b5m", lim(m[1][0]), c[2], m[1][0]),
                                     Row("Defects >5 \u00b5m", lim(m[1][1]), c[3], m[1][1])},
                                    a.ZoneVerdicts[0]));
    }
    int limits[6];
    for (int k = 0; k < 6; ++k)
        limits[k] = a.Mode == 0 ? a.SingleCriteria[k + 2] : a.MultiCriteria[k + 2][0];
    result.Zones.push_back(
        Zone("Cladding", a.Mode == 0 ? "Cladding Zone (25~120 \u03bcm)" : "Cladding Zone (65~120 \u03bcm)",
             {Row("Scratches >3 \u00b5m", lim(limits[0]), z[0][1], limits[0]),
              Row("Defects (dia<2\u00b5m)", lim(limits[1]), z[1][1], limits[1]),
              Row("Defects (dia 2~5\u00b5m)", lim(limits[2]), z[1][2], limits[2]),
              Row("Defects (dia>5\u00b5m)", lim(limits[3]), z[1][3], limits[3])},
             a.ZoneVerdicts[1]));
    result.Zones.push_back(Zone("Contact", "Contact Zone (130~250 \u03bcm)",
                                {Row("Scratches", lim(limits[4]), z[0][2], limits[4]),
                                 Row("Defects (dia>10\u00b5m)", lim(limits[5]), z[1][4], limits[5])},
                                a.ZoneVerdicts[2]));
    return result;
}

TProfileResult EvaluateWithProfile(TFiberAnalyzer& analyzer, const TCriteriaProfile& profile)
{
    if (!profile.Classic)
        return EvaluateProfile(analyzer, profile);
    const bool pass = analyzer.EvaluateAcceptance();
    return ClassicResult(analyzer, pass);
}
