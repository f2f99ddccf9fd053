#pragma once
// Judges each whole fibre of a multi-fibre picture by its profile's zones in true micrometres,
// each fibre with its own centre and scale. A fibre's findings come from its own cladding only:
// detection is confined to the fibre's disc, so nothing about one fibre depends on another.
#include "ferrule/FibreRowLocator.h"
#include "profiles/ProfileEvaluation.h"

#include <string>
#include <vector>

class TFiberAnalyzer;

enum class TFibreOutcome
{
    Judged,    // a fibre view: Result holds its verdict
    Located,   // an overview: findings marked, no verdict
    NotInView, // cut by the frame: never judged
};
const char* FibreOutcomeName(TFibreOutcome outcome); // "judged", "located", "not in view"

struct TFibreResult
{
    int Number = 0; // 1 .. fibres of the connector; 0 when the view lies outside it
    TLocatedFibre Where;
    TFibreOutcome Outcome = TFibreOutcome::NotInView;
    TProfileResult Result; // zones and findings; its Pass only counts when Judged
    bool Judged() const { return Outcome == TFibreOutcome::Judged; }
};

struct TMtCheck
{
    TFibreRowLocation Location;
    std::vector<TFibreResult> Fibres; // as located: row by row, left to right
    // Whether any fibre was judged; when none was, why: "No fiber", "Overview: certifies nothing".
    bool AnyJudged() const;
    std::string NoVerdictReason() const;
};

// After PrepareImage: locates the fibres on the prepared picture and, in a fibre view, judges
// each whole one against profile (which must have a ferrule layout); an overview measures each
// fibre's findings without a verdict. Leaves the analyzer's working image coloured with every
// fibre's findings and its centre and zone radii at the last fibre judged.
TMtCheck CheckFibres(TFiberAnalyzer& analyzer, const TCriteriaProfile& profile, int firstFibre,
                     TFibreRowScratch& scratch);
