#pragma once
// Acceptance profiles: a named table of zones (annuli given by diameters in true micrometres
// around the fibre centre) and, per zone, rows that limit how many scratches or defects of a
// size class may be present. The station's classic evaluation is a profile too, marked Classic:
// it has no table here because the engine's own evaluation scores it, unchanged.
//
// A profile is written as text, one statement a line, so a plant can add its own without code:
//
//   profile sm-pc                  short name, used on the command line and in settings
//   title Single mode PC (UPC)     what the window and reports show
//   fiber single                   the fiber the table is for: single or multi (optional)
//   zone B 25 115                  zone name, inner and outer diameter in um
//   scratch <=3 nolimit            kind, size class, limit
//   defect 2-5 5                   sizes: any, <X, <=X, >X, >=X, X-Y (both ends included)
//   defect >5 none                 limits: none, nolimit or a whole number
//   ferrule 12 1 250               a multi-fibre (MT) ferrule: fibres per row, rows (1 or 2),
//                                  pitch in um; rows lie 500 um apart unless a fourth number says
//
// Blank lines and lines starting with '#' are ignored. A finding counts in every row of its
// zone whose kind and size class it matches. The text is UTF-8 without control characters; the
// short name is at most 40 ASCII letters, digits, '-', '_', '.' or '+'.

#include <limits>
#include <string>
#include <string_view>
#include <vector>

enum class FindingClass
{
    Scratch,
    Defect,
};

// The engine's encoding of limits: the largest count that still passes.
constexpr int LimitNone = 0;
constexpr int LimitNoLimit = 99999;

struct TProfileRule
{
    FindingClass Kind = FindingClass::Defect;
    float Low = 0.0f;
    bool LowInclusive = true;
    float High = std::numeric_limits<float>::infinity();
    bool HighInclusive = true;
    int Limit = LimitNoLimit;

    bool Contains(float sizeUm) const;
    // "any", "<2 µm", "≤3 µm", ">5 µm", "2–5 µm".
    std::string SizeText() const;
};

struct TProfileZone
{
    std::string Name;
    float InnerDiameter = 0.0f; // um, included
    float OuterDiameter = 0.0f; // um, excluded
    std::vector<TProfileRule> Rules;
};

// Where the fibres of a multi-fibre ferrule lie: rows of fibres at a fixed pitch. Fibres are
// numbered from 1 along the first row, then along the second.
struct TFerruleLayout
{
    int FibresPerRow = 0; // 0: a single-fibre connector
    int Rows = 0;
    float PitchUm = 250.0f;
    float RowPitchUm = 500.0f;

    bool MultiFibre() const { return FibresPerRow > 0; }
    int Fibres() const { return FibresPerRow * Rows; }
};

// One fibre's zones. A multi-fibre ferrule applies the same table to each fibre it locates, each
// with its own centre and scale.
struct TCriteriaProfile
{
    std::string Name;
    std::string Title;
    bool Classic = false;
    // The fiber mode the table is written for (0 single, 1 multi), -1 when any: the window
    // analyses in that mode, so the located core and the drawn zones match the table.
    int FiberMode = -1;
    std::vector<TProfileZone> Zones;
    TFerruleLayout Ferrule;
};

// Reads a profile from its text. On failure returns false and says which line is wrong.
bool ParseProfile(std::string_view text, TCriteriaProfile& profile, std::string& error);
bool LoadProfileFile(const std::string& path, TCriteriaProfile& profile, std::string& error);

// The profiles that come with the station: classic first, then those of IEC 61300-3-35:2015.
const std::vector<TCriteriaProfile>& BuiltinProfiles();
// A built-in profile by its short name; null when there is none.
const TCriteriaProfile* FindProfile(std::string_view name);
const TCriteriaProfile& ClassicProfile();

// "None", "No Limit" or the digits, as the report grid writes limits.
std::string ProfileLimitText(int limit);
