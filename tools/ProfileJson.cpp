#include "tools/ProfileJson.h"

#include "tools/JsonOut.h"

std::string ZoneJson(const TZoneResult& zone, const std::string& members)
{
    std::string s = "{" + members + "\"name\":" + JsonString(zone.Name) + ",\"rows\":[";
    for (std::size_t i = 0; i < zone.Rows.size(); ++i)
    {
        const TRuleResult& row = zone.Rows[i];
        s += std::string(i ? "," : "") + "{\"item\":" + JsonString(row.Item) +
             ",\"criteria\":" + JsonString(row.Criteria) + ",\"count\":" + std::to_string(row.Count) +
             ",\"verdict\":\"" + (row.Pass ? "Pass" : "Fail") + "\"}";
    }
    return s + "],\"verdict\":\"" + (zone.Pass ? "Pass" : "Fail") + "\"}";
}

std::string FindingsJson(const std::vector<TMeasuredFinding>& findings)
{
    std::string s = "[";
    for (std::size_t i = 0; i < findings.size(); ++i)
    {
        const TMeasuredFinding& f = findings[i];
        const bool scratch = f.Kind == FindingClass::Scratch;
        s += std::string(i ? "," : "") + "{\"kind\":\"" + (scratch ? "scratch" : "defect") + "\"";
        s += ",\"center\":[" + JsonFloat(f.CentreX) + "," + JsonFloat(f.CentreY) + "]";
        s += ",\"area\":" + std::to_string(f.Area);
        s += std::string(scratch ? ",\"width_um\":" : ",\"diameter_um\":") + JsonFloat(f.SizeUm);
        if (scratch)
            s += ",\"length_um\":" + JsonFloat(f.LengthUm);
        s += ",\"position_diameter_um\":" + JsonFloat(f.CentreDiameterUm) + "}";
    }
    return s + "]";
}

std::string ProfileJson(const TProfileResult& r)
{
    std::string s = "{\"name\":" + JsonString(r.ProfileName) + ",\"title\":" + JsonString(r.ProfileTitle);
    s += ",\"um_per_pixel\":" + JsonFloat(r.UmPerPixel) + ",\"zones\":[";
    for (std::size_t z = 0; z < r.Zones.size(); ++z)
    {
        if (z > 0)
            s += ",";
        s += ZoneJson(r.Zones[z]);
    }
    s += "],\"findings\":";
    s += FindingsJson(r.Findings);
    s += std::string(",\"overall\":\"") + (r.Pass ? "Pass" : "Fail") + "\"}";
    return s;
}

std::string ProfileVerdictsJson(const TProfileResult& r)
{
    std::string s = "\"zone_verdicts\":[";
    for (std::size_t z = 0; z < r.Zones.size(); ++z)
        s += std::string(z ? "," : "") + (r.Zones[z].Pass ? "\"Pass\"" : "\"Fail\"");
    s += std::string("],\"overall\":\"") + (r.Pass ? "Pass" : "Fail") + "\"";
    return s;
}

std::string ProfileList()
{
    std::string s;
    for (const TCriteriaProfile& p : BuiltinProfiles())
    {
        std::string name = p.Name;
        name.resize(std::max<std::size_t>(name.size() + 2, 9), ' ');
        s += name + p.Title + (p.Classic ? " (default)" : "") + "\n";
    }
    return s;
}
