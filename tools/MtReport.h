#pragma once
// What the analyser gives for a picture of a multi-fibre (MT) ferrule: in the table one line per
// fibre and one for the view, in JSON one object with a "fibres" array, in CSV one line per fibre;
// and the annotated picture with each fibre's zones and number. Only reads the check.

#include "ferrule/FibreJudgement.h"

#include <cstddef>
#include <string>

class QPainter;

struct TMtReport
{
    std::string Image;
    int Width = 0;
    int Height = 0;
    int Mode = 0; // the fiber mode the picture was analysed in
    const TCriteriaProfile* Profile = nullptr;
    int FirstFibre = 1;
    bool FirstFibreGiven = false; // false: a fibre view is numbered from 1 unasked, and says so
    TMtCheck Check;
};

// A fibre view has a verdict when it judged every whole fibre in it: it passes when they all pass.
bool MtViewHasVerdict(const TMtCheck& check);
bool MtViewPasses(const TMtCheck& check);
// "Pass", "Fail", or why there is none ("No fiber", "Overview: certifies nothing", "Fibres
// outside the connector" ...).
std::string MtViewVerdict(const TMtCheck& check);
// A fibre's own: "Pass", "Fail", "Not judged" (an overview's), "Not in view" or, for a whole
// fibre numbered past the connector's last, "Outside the connector".
std::string FibreVerdictText(const TFibreResult& fibre);

std::string MtTableHeader(const TCriteriaProfile& profile, std::size_t nameWidth);
std::string MtTableLines(const TMtReport& report, std::size_t nameWidth);
std::string MtJson(const TMtReport& report); // one line, without its line end
std::string MtCsvHeader();
std::string MtCsvLines(const TMtReport& report); // CR LF line ends, as the inspection log's

// Over the working image: each located fibre's zone boundaries (none for a fibre cut by the frame)
// and each numbered fibre's number above it.
void DrawFibreZones(QPainter& painter, const TMtCheck& check, const TCriteriaProfile& profile);
