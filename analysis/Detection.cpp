// Defect and scratch detection. Dark pixels inside the cladding circle or in the contact ring and
// bright-line pixels inside the cladding circle are labelled, then grouped by 8-connected
// depth-first fills of at most 1001 pixels each; every group is filed by its box centre into the
// list of its zone. Two float distances per pixel; each fill visits its pixels once.
//
// The fills run on an explicit stack that visits pixels in exactly the order of the recursive
// fill (each frame remembers the next neighbour to look at), so a large group splits into the
// same pieces without a deep call stack.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <cstring>

namespace
{
enum Label : std::uint8_t
{
    Background = 0,
    DefectCandidate = 1,
    ScratchCandidate = 2,
    DefectPixel = 3,
    ScratchPixel = 4,
    ScratchUndecided = 5,
};

constexpr int FillLimit = 1000;
constexpr int ScratchMinimum = 500;
constexpr int ScratchBrightness = 135;
constexpr int ScratchMargin = 10;

struct Frame
{
    int X;
    int Y;
    int Next; // index into Neighbours of the next neighbour to look at
};

// Reused by every fill of the thread: no allocation once they have grown.
thread_local std::vector<Frame> FillStack;
// The buffer indices the last FillScratch marked, so that only they are relabelled afterwards.
thread_local std::vector<std::size_t> ScratchMarked;

void RegionFill(TFiberAnalyzer& a, int x, int y, std::uint8_t follow, std::uint8_t mark,
                std::vector<std::size_t>* marked)
{
    const int w = a.ImageWidth;
    const int h = a.ImageHeight;
    std::uint8_t* labels = a.GreyBuffer.data();
    // Entry of one call of the recursive fill; false when the limit makes it return at once.
    const auto enter = [&](int px, int py) {
        if (a.FillCount > FillLimit)
            return false;
        a.FillCount += 1;
        a.BoxMinX = std::min(a.BoxMinX, px);
        a.BoxMinY = std::min(a.BoxMinY, py);
        a.BoxMaxX = std::max(a.BoxMaxX, px);
        a.BoxMaxY = std::max(a.BoxMaxY, py);
        const std::size_t i =
            static_cast<std::size_t>(py) * static_cast<std::size_t>(w) + static_cast<std::size_t>(px);
        labels[i] = mark;
        if (marked)
            marked->push_back(i);
        FillStack.push_back({px, py, 0});
        return true;
    };

    FillStack.clear();
    if (x < 0 || y < 0 || x >= w || y >= h || !enter(x, y))
        return;
    while (!FillStack.empty())
    {
        Frame& top = FillStack.back();
        if (top.Next == 8)
        {
            FillStack.pop_back();
            continue;
        }
        const int k = top.Next++;
        const int nx = top.X + a.Neighbours[k][0];
        const int ny = top.Y + a.Neighbours[k][1];
        // The frame of zeros keeps the engine's fills inside the image; the bounds check only
        // guards a direct call at the border.
        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
            continue;
        if (labels[static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) +
                   static_cast<std::size_t>(nx)] != follow)
            continue;
        if (!enter(nx, ny))
        {
            // Past the limit every further call returns at once: nothing can change any more.
            FillStack.clear();
            break;
        }
    }
}

void ResetFill(TFiberAnalyzer& a)
{
    a.FillCount = 0;
    a.BoxMinX = a.BoxMinY = 10000;
    a.BoxMaxX = a.BoxMaxY = -10000;
}
} // namespace

void TFiberAnalyzer::DetectDefects()
{
    const int w = ImageWidth;
    const int h = ImageHeight;
    const std::size_t uw = static_cast<std::size_t>(w);
    const std::size_t n = uw * static_cast<std::size_t>(h);
    // Detection needs a prepared image; without one it leaves everything as it is.
    if (w <= 0 || h <= 0 || GreyBuffer.size() < n || !WorkRaster || !WorkRaster->Bitmap)
        return;
    const auto idx = [uw](int x, int y) {
        return static_cast<std::size_t>(y) * uw + static_cast<std::size_t>(x);
    };
    // Dark pixels. Per row, the columns inside each zone circle form one run (ColumnsWithin), so
    // only the columns inside the contact or cladding circle are visited and no distance is
    // measured per pixel; membership in the runs is exactly the per-pixel distance test.
    std::vector<std::uint8_t> mask(n, Background);
    std::vector<ColumnRun> cladding(static_cast<std::size_t>(h));
    // Per column, which candidate labels it holds (bit 1 defect, bit 2 scratch): the scans for
    // groups skip the columns without any, and fills never create candidates, so the order in
    // which groups are found is unchanged.
    std::vector<std::uint8_t> columnHas(uw, Background);
    for (int y = 0; y < h; ++y)
    {
        const ColumnRun c = ColumnsWithin(Center, y, ZoneRadius[2], w);
        const ColumnRun a = ColumnsWithin(Center, y, ZoneRadius[3], w);
        const ColumnRun t = ColumnsWithin(Center, y, ZoneRadius[4], w);
        cladding[static_cast<std::size_t>(y)] = c;
        const std::uint8_t* grey = GreyBuffer.data() + idx(0, y);
        std::uint8_t* m = mask.data() + idx(0, y);
        const int from = std::min(c.First, t.First);
        const int to = std::max(c.End, t.End);
        for (int x = from; x < to; ++x)
        {
            const int g = grey[x];
            std::uint8_t label = Background;
            if (x >= c.First && x < c.End)
                label = g < CoreCladThreshold ? DefectCandidate : Background;
            else if (x >= a.First && x < a.End)
                label = Background;
            else if (x >= t.First && x < t.End)
                label = g < ContactThreshold ? DefectCandidate : Background;
            m[x] = label;
            columnHas[static_cast<std::size_t>(x)] |= label;
        }
    }

    // Bright lines: brighter than 135 and 6 to 14 levels above a pixel 5 away, inside the
    // cladding circle only.
    static constexpr int Probes[4][2] = {{-5, 0}, {0, -5}, {5, 0}, {0, 5}};
    for (int y = ScratchMargin; y < h - ScratchMargin; ++y)
    {
        const ColumnRun c = cladding[static_cast<std::size_t>(y)];
        const int from = std::max(ScratchMargin, c.First);
        const int to = std::min(w - ScratchMargin, c.End);
        for (int x = from; x < to; ++x)
        {
            if (mask[idx(x, y)] == DefectCandidate)
                continue;
            const int cv = GreyBuffer[idx(x, y)];
            if (cv <= ScratchBrightness)
                continue;
            for (const auto& p : Probes)
            {
                const int diff = cv - GreyBuffer[idx(x + p[0], y + p[1])];
                if (diff > 5 && diff < 15)
                {
                    mask[idx(x, y)] = ScratchCandidate;
                    columnHas[static_cast<std::size_t>(x)] |= ScratchCandidate;
                }
            }
        }
    }

    std::copy(mask.begin(), mask.end(), GreyBuffer.begin());
    mask = {};

    // The frame of zeros: no fill ever looks past the image border.
    std::memset(GreyBuffer.data(), Background, uw);
    std::memset(GreyBuffer.data() + idx(0, h - 1), Background, uw);
    for (int y = 0; y < h; ++y)
    {
        GreyBuffer[idx(0, y)] = Background;
        GreyBuffer[idx(w - 1, y)] = Background;
    }

    std::fill(std::begin(FindingCount), std::end(FindingCount), 0);

    // Only rows between the first and the last filled group's box get coloured below.
    int firstRow = h, lastRow = -1;
    const auto markRows = [&] {
        firstRow = std::min(firstRow, BoxMinY);
        lastRow = std::max(lastRow, BoxMaxY);
    };

    // Defects, scanned column by column.
    for (int x = 0; x < w; ++x)
    {
        if (!(columnHas[static_cast<std::size_t>(x)] & DefectCandidate))
            continue;
        for (int y = 0; y < h; ++y)
            if (GreyBuffer[idx(x, y)] == DefectCandidate)
            {
                ResetFill(*this);
                FillDefect(x, y);
                RecordFinding(1);
                markRows();
            }
    }

    // Scratches: a group is kept when its fill marked more than 500 pixels. Only the pixels this
    // fill marked carry the undecided label, so only they are relabelled.
    for (int x = 0; x < w; ++x)
    {
        if (!(columnHas[static_cast<std::size_t>(x)] & ScratchCandidate))
            continue;
        for (int y = 0; y < h; ++y)
            if (GreyBuffer[idx(x, y)] == ScratchCandidate)
            {
                ResetFill(*this);
                FillScratch(x, y);
                const bool accepted = FillCount > ScratchMinimum;
                for (const std::size_t i : ScratchMarked)
                    GreyBuffer[i] = accepted ? ScratchPixel : Background;
                if (accepted)
                {
                    RecordFinding(0);
                    markRows();
                }
            }
    }

    TBitmap& work = *WorkRaster->Bitmap;
    const int rows = std::min(h, work.Height());
    const int columns = std::min(w, work.Width());
    for (int y = std::max(firstRow, 0); y < std::min(rows, lastRow + 1); ++y)
    {
        std::uint8_t* row = work.ScanLine(y);
        const std::uint8_t* labels = GreyBuffer.data() + idx(0, y);
        for (int x = 0; x < columns; ++x)
        {
            std::uint8_t* px = row + 3 * x;
            if (labels[x] == DefectPixel)
            {
                px[0] = 0;
                px[1] = 0;
                px[2] = 255;
            }
            else if (labels[x] == ScratchPixel)
            {
                px[0] = 0;
                px[1] = 255;
                px[2] = 0;
            }
        }
    }
}

void TFiberAnalyzer::FillDefect(int x, int y)
{
    RegionFill(*this, x, y, DefectCandidate, DefectPixel, nullptr);
}

void TFiberAnalyzer::FillScratch(int x, int y)
{
    ScratchMarked.clear();
    RegionFill(*this, x, y, ScratchCandidate, ScratchUndecided, &ScratchMarked);
}

void TFiberAnalyzer::RecordFinding(int kind)
{
    const int bx = (BoxMinX + BoxMaxX) / 2;
    const int by = (BoxMinY + BoxMaxY) / 2;
    const float d = Distance(TPoint2D(static_cast<float>(bx), static_cast<float>(by)), Center);
    const float core = Mode == 0 ? ZoneRadius[0] : ZoneRadius[1];

    int list = -1;
    if (d < core)
        list = 0;
    else if (d < ZoneRadius[2])
        list = 1;
    else if (d >= ZoneRadius[3] && d < ZoneRadius[4])
        list = 2;
    if (list < 0 || FindingCount[list] >= ListLimit)
        return;

    Finding& f = Findings[list][FindingCount[list]];
    f.Kind = kind;
    f.Width = static_cast<float>(BoxMaxX - BoxMinX);
    f.Height = static_cast<float>(BoxMaxY - BoxMinY);
    f.Area = static_cast<float>(FillCount);
    f.DefectSize = 0.0f;
    FindingCount[list] += 1;
}
