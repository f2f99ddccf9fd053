#pragma once
// Scores an analysed end face against a profile: per zone, the count of every row, the row's and
// the zone's verdict, and every finding's true size. For the classic profile the numbers are
// those of the engine's own evaluation, taken as it left them; for the others the findings are
// measured in micrometres (TrueSizeFindings) and the analyzer is only read, so the classic
// results, the window and the saved outputs stay as they are.

#include "profiles/CriteriaProfile.h"
#include "profiles/TrueSizeFindings.h"

#include <string>
#include <vector>

class TFiberAnalyzer;

struct TRuleResult
{
    std::string Item;     // "Scratches", "Defects" ...
    std::string Criteria; // the limit and its size class, as the report grid shows them
    int Count = 0;
    bool Pass = true;
};

struct TZoneResult
{
    std::string Key;  // the zone's short name: "A", "Core"
    std::string Name; // its caption, with the diameters
    std::vector<TRuleResult> Rows;
    bool Pass = true;
};

struct TProfileResult
{
    std::string ProfileName;
    std::string ProfileTitle;
    bool Classic = false; // the engine's own evaluation, in its station units
    float UmPerPixel = 0.0f;
    std::vector<TZoneResult> Zones;
    std::vector<TMeasuredFinding> Findings;
    bool Pass = true;
};

// Whether a finding counts in a zone: a defect where its centroid lies, a scratch in every zone
// it crosses.
bool FindingInZone(const TMeasuredFinding& finding, const TProfileZone& zone);

// What a rule counts, as the grid's Item column shows it: "Scratches", "Defects 2–5 µm".
std::string RuleItem(const TProfileRule& rule);

// The caption of a zone: "Zone B (25~115 μm)".
std::string ZoneCaption(const TProfileZone& zone);

// Counts measured findings against a true-size profile's zones and rows.
TProfileResult CountFindings(const TCriteriaProfile& profile, std::vector<TMeasuredFinding> findings,
                             float umPerPixel);

// A true-size profile (not Classic) against the last detection. The analyzer is only read.
TProfileResult EvaluateProfile(const TFiberAnalyzer& analyzer, const TCriteriaProfile& profile);

// The classic profile's result as the engine's EvaluateAcceptance left it (counts, verdicts and
// criteria of the analyzer's Mode), with the findings' true sizes beside it. Call it after that
// evaluation; it changes nothing.
TProfileResult ClassicResult(const TFiberAnalyzer& analyzer, bool overallPass);

// Either of the above; for the classic profile this runs the engine's EvaluateAcceptance, which
// must then be the one evaluation that follows the detection.
TProfileResult EvaluateWithProfile(TFiberAnalyzer& analyzer, const TCriteriaProfile& profile);
