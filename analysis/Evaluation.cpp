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
    // Sizes in place: a box of one pixel counts as one pixel wide, then everything is scaled.
    for (int list = 0; list < 3; ++list)
    {
        const int count = std::clamp(FindingCount[list], 0, ListCapacity);
        for (int i = 0; i < count; ++i)
        {
            Finding& f = Findings[list][i];
            if (f.Height == 0.0f)
                f.Height = 1.0f;
            if (f.Width == 0.0f)
                f.Width = 1.0f;
            f.Width = f.Width * ZoneScale;
            f.Height = f.Height * ZoneScale;
            f.DefectSize = std::max(f.Width, f.Height);
            f.ScratchSize = f.DefectSize;
        }
    }

    for (auto& row : ZoneCounts)
        std::fill(std::begin(row), std::end(row), 0);
    for (std::string& verdict : ZoneVerdicts)
        verdict = "Pass";
    bool pass = true;
    const auto check = [&](int count, int limit, int zone) {
        if (count > limit)
        {
            ZoneVerdicts[zone] = "Fail";
            pass = false;
        }
    };
    // Any mode other than Single Mode is counted as Multi Mode, as the zone filing does.
    const bool single = Mode == 0;
    if (!single)
        std::fill(std::begin(MultiCoreCounts), std::end(MultiCoreCounts), 0);

    const auto each = [this](int list, auto&& count) {
        const int n = std::clamp(FindingCount[list], 0, ListCapacity);
        for (int i = 0; i < n; ++i)
        {
            const Finding& f = Findings[list][i];
            count(f.Kind == 0, f.Kind == 0 ? f.ScratchSize : f.DefectSize);
        }
    };

    each(0, [&](bool scratch, float size) {
        if (single)
            ++ZoneCounts[scratch ? 0 : 1][0];
        else if (scratch)
            ++MultiCoreCounts[size <= 3.0f ? 0 : 1];
        else
            ++MultiCoreCounts[size <= 5.0f ? 2 : 3];
    });
    each(1, [&](bool scratch, float size) {
        if (scratch)
        {
            if (size > 3.0f)
                ++ZoneCounts[0][1];
        }
        // The small class ends at 2 inclusive in Single Mode and exclusive in Multi Mode.
        else if (single ? size <= 2.0f : size < 2.0f)
            ++ZoneCounts[1][1];
        else if (size <= 5.0f)
            ++ZoneCounts[1][2];
        else
            ++ZoneCounts[1][3];
    });
    each(2, [&](bool scratch, float size) {
        if (scratch)
            ++ZoneCounts[0][2];
        else if (size > 10.0f)
            ++ZoneCounts[1][4];
    });

    if (single)
    {
        check(ZoneCounts[0][0], SingleCriteria[0], 0);
        check(ZoneCounts[1][0], SingleCriteria[1], 0);
        check(ZoneCounts[0][1], SingleCriteria[2], 1);
        check(ZoneCounts[1][1], SingleCriteria[3], 1);
        check(ZoneCounts[1][2], SingleCriteria[4], 1);
        check(ZoneCounts[1][3], SingleCriteria[5], 1);
        check(ZoneCounts[0][2], SingleCriteria[6], 2);
        check(ZoneCounts[1][4], SingleCriteria[7], 2);
    }
    else
    {
        check(MultiCoreCounts[0], MultiCriteria[0][0], 0);
        check(MultiCoreCounts[1], MultiCriteria[0][1], 0);
        check(MultiCoreCounts[2], MultiCriteria[1][0], 0);
        check(MultiCoreCounts[3], MultiCriteria[1][1], 0);
        check(ZoneCounts[0][1], MultiCriteria[2][0], 1);
        check(ZoneCounts[1][1], MultiCriteria[3][0], 1);
        check(ZoneCounts[1][2], MultiCriteria[4][0], 1);
        check(ZoneCounts[1][3], MultiCriteria[5][0], 1);
        check(ZoneCounts[0][2], MultiCriteria[6][0], 2);
        check(ZoneCounts[1][4], MultiCriteria[7][0], 2);
    }
    return pass;
}
