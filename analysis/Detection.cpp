// Defect and scratch detection. Dark pixels inside the cladding circle or in the contact ring and
// bright-line pixels inside the cladding circle are labelled, then grouped by 8-connected
// depth-first fills of at most 1001 pixels each; every group is filed by its box centre into the
// list of its zone.
//
// Cost: labelling is a few byte operations per pixel: per row, the zone circles cut the row into
// runs of constant membership (ColumnsWithin, exact to the per-pixel distance test), and each run
// is one branch-free loop. The labels go into the grey buffer six rows behind the row being
// labelled, once no bright-line probe needs those grey values any more. The column-major scans
// for groups visit only each column's rows between its first and last candidate. Each fill visits
// its pixels once and colours them as it marks them, so no pass over the image remains.
//
// The fills run on an explicit stack that visits pixels in exactly the order of the recursive
// fill (each frame remembers the next neighbour to look at), so a large group splits into the
// same pieces without a deep call stack.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>

#pragma GCC diagnostic ignored "-Wpsabi"

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
constexpr int ProbeReach = 5;

struct Frame
{
    int X;
    int Y;
    int Next; // index into Neighbours of the next neighbour to look at
};

// Reused by every detection of the thread: no allocation once they have grown.
thread_local std::vector<Frame> FillStack;
// The buffer indices the last FillScratch marked, so that only they are relabelled afterwards.
thread_local std::vector<std::size_t> ScratchMarked;
// Rows of the working image, so a fill can colour the pixel it marks; empty outside detection.
thread_local std::vector<std::uint8_t*> PaintRows;
thread_local int PaintColumns = 0;

// Defect pixels red, scratch pixels green, where the working image has the pixel.
inline void Paint(std::uint8_t* const* rows, int height, int width, int x, int y, std::uint8_t label)
{
    if (y >= height || x >= width)
        return;
    std::uint8_t* px = rows[y] + 3 * x;
    px[0] = 0;
    px[1] = label == DefectPixel ? 0 : 255;
    px[2] = label == DefectPixel ? 255 : 0;
}

void RegionFill(TFiberAnalyzer& a, int x, int y, std::uint8_t follow, std::uint8_t mark,
                std::vector<std::size_t>* marked)
{
    const int w = a.ImageWidth;
    const int h = a.ImageHeight;
    const auto uw = static_cast<std::size_t>(w);
    std::uint8_t* labels = a.GreyBuffer.data();
    // The fill's state in locals: stores through the label pointer may alias any member, so
    // working on the members directly reloads them after every label written.
    int count = a.FillCount;
    int minX = a.BoxMinX, minY = a.BoxMinY, maxX = a.BoxMaxX, maxY = a.BoxMaxY;
    int dx[8], dy[8], reachX = 0, reachY = 0;
    std::ptrdiff_t offset[8];
    for (int k = 0; k < 8; ++k)
    {
        dx[k] = a.Neighbours[k][0];
        dy[k] = a.Neighbours[k][1];
        reachX = std::max(reachX, std::abs(dx[k]));
        reachY = std::max(reachY, std::abs(dy[k]));
        offset[k] = static_cast<std::ptrdiff_t>(dy[k]) * w + dx[k];
    }
    const bool paint = mark == DefectPixel;
    std::uint8_t* const* rows = PaintRows.data();
    const int paintRows = static_cast<int>(PaintRows.size());
    const int paintColumns = PaintColumns;
    std::vector<Frame>& stack = FillStack;

    // Entry of one call of the recursive fill; false when the limit makes it return at once.
    const auto enter = [&](int px, int py) __attribute__((always_inline))
    {
        if (count > FillLimit)
            return false;
        count += 1;
        minX = std::min(minX, px);
        minY = std::min(minY, py);
        maxX = std::max(maxX, px);
        maxY = std::max(maxY, py);
        const std::size_t i = static_cast<std::size_t>(py) * uw + static_cast<std::size_t>(px);
        labels[i] = mark;
        if (marked)
            marked->push_back(i);
        if (paint)
            Paint(rows, paintRows, paintColumns, px, py, mark);
        stack.push_back({px, py, 0});
        return true;
    };

    stack.clear();
    if (x >= 0 && y >= 0 && x < w && y < h && enter(x, y))
        while (!stack.empty())
        {
            Frame& top = stack.back();
            if (top.Next == 8)
            {
                stack.pop_back();
                continue;
            }
            const int px = top.X, py = top.Y;
            // The frame of zeros keeps the engine's fills inside the image; only a direct call at
            // the border needs the bounds checked.
            const bool interior = px >= reachX && py >= reachY && px < w - reachX && py < h - reachY;
            const std::uint8_t* here =
                labels + static_cast<std::size_t>(py) * uw + static_cast<std::size_t>(px);
            int k = top.Next;
            for (; k < 8; ++k)
            {
                if (!interior)
                {
                    const int nx = px + dx[k], ny = py + dy[k];
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                }
                if (here[offset[k]] == follow)
                    break;
            }
            if (k == 8)
            {
                stack.pop_back();
                continue;
            }
            top.Next = k + 1;
            // top may move when the stack grows: nothing reads it after this call.
            if (!enter(px + dx[k], py + dy[k]))
            {
                // Past the limit every further call returns at once: nothing can change any more.
                stack.clear();
                break;
            }
        }
    a.FillCount = count;
    a.BoxMinX = minX;
    a.BoxMinY = minY;
    a.BoxMaxX = maxX;
    a.BoxMaxY = maxY;
}

void ResetFill(TFiberAnalyzer& a)
{
    a.FillCount = 0;
    a.BoxMinX = a.BoxMinY = 10000;
    a.BoxMaxX = a.BoxMaxY = -10000;
}

// Sixteen bytes, or sixteen 16-bit values, at a time: GCC's generic vectors, SSE2 on every x86-64.
typedef std::uint8_t Bytes __attribute__((vector_size(16)));
typedef std::int8_t Mask8 __attribute__((vector_size(16)));
typedef std::int16_t Shorts __attribute__((vector_size(32)));

template <class V> inline V LoadV(const void* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V> inline void StoreV(void* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

// The first and last row of each column that holds a candidate of one kind, as 16-bit rows
// (the engine's images are 480 rows high; a taller one scans whole columns).
struct ColumnSpans
{
    std::vector<std::int16_t> First, Last;
    int Rows = 0;

    void Reset(std::size_t columns, int rows)
    {
        Rows = rows;
        const bool fits = rows <= INT16_MAX;
        First.assign(columns + 16, fits ? static_cast<std::int16_t>(rows) : std::int16_t{0});
        Last.assign(columns + 16, fits ? std::int16_t{-1} : INT16_MAX);
    }
    int FirstRow(std::size_t x) const { return Rows <= INT16_MAX ? First[x] : 0; }
    int LastRow(std::size_t x) const { return Rows <= INT16_MAX ? Last[x] : Rows - 1; }
    void Note(std::size_t x, int y)
    {
        if (Rows > INT16_MAX)
            return;
        First[x] = std::min(First[x], static_cast<std::int16_t>(y));
        Last[x] = std::max(Last[x], static_cast<std::int16_t>(y));
    }
    // Every pixel of row y (rows in ascending order) among the n labels whose label is kind.
    void NoteRow(const std::uint8_t* labels, std::size_t n, int y, std::uint8_t kind, std::size_t column = 0)
    {
        if (Rows > INT16_MAX)
            return;
        std::size_t x = 0;
        const Bytes want = Bytes{} + kind;
        const Shorts row = Shorts{} + static_cast<std::int16_t>(y);
        for (; x + 16 <= n; x += 16)
        {
            const Shorts is = __builtin_convertvector(LoadV<Bytes>(labels + x) == want, Shorts);
            std::int16_t* first = First.data() + column + x;
            std::int16_t* last = Last.data() + column + x;
            const Shorts f = LoadV<Shorts>(first);
            StoreV(first, is != 0 && row < f ? row : f);
            StoreV(last, is != 0 ? row : LoadV<Shorts>(last));
        }
        for (; x < n; ++x)
            if (labels[x] == kind)
                Note(column + x, y);
    }
};

thread_local ColumnSpans DefectSpans, ScratchSpans;
thread_local std::vector<std::uint8_t> LabelRing;
thread_local std::vector<int> RowDefects;

// Labels for the pixels [from, to) from their grey levels: below threshold is a defect
// candidate. One branch-free loop the compiler vectorises; returns the number of candidates.
int DarkRun(const std::uint8_t* grey, std::uint8_t* labels, int from, int to, int threshold)
{
    int count = 0;
    for (int x = from; x < to; ++x)
    {
        const bool dark = grey[x] < threshold;
        labels[x] = dark ? DefectCandidate : Background;
        count += dark;
    }
    return count;
}
// 6 to 14 levels above the probe: c > n first, so the byte difference is exact.
inline bool LineStep(std::uint8_t c, std::uint8_t n)
{
    return c > n && static_cast<std::uint8_t>(c - n - 6) < 9;
}

inline Mask8 LineStep(Bytes c, Bytes n)
{
    const Bytes six = Bytes{} + 6, nine = Bytes{} + 9;
    return (c > n) & (Bytes(c - n - six) < nine);
}

// Bright-line candidates among the pixels [from, to) of the row at grey (rows of w bytes):
// brighter than 135, not dark, and 6 to 14 levels above one of the pixels 5 to the left, above,
// right or below. Sixteen pixels at a time; returns whether any was found.
bool BrightRun(const std::uint8_t* grey, std::size_t w, std::uint8_t* labels, int from, int to)
{
    const std::uint8_t* up = grey - ProbeReach * w;
    const std::uint8_t* down = grey + ProbeReach * w;
    Mask8 found{};
    int x = from;
    const Bytes bright = Bytes{} + std::uint8_t{ScratchBrightness};
    const Bytes dark = Bytes{} + std::uint8_t{DefectCandidate};
    const Bytes line = Bytes{} + std::uint8_t{ScratchCandidate};
    for (; x + 16 <= to; x += 16)
    {
        const Bytes c = LoadV<Bytes>(grey + x);
        const Mask8 step =
            LineStep(c, LoadV<Bytes>(grey + x - ProbeReach)) | LineStep(c, LoadV<Bytes>(up + x)) |
            LineStep(c, LoadV<Bytes>(grey + x + ProbeReach)) | LineStep(c, LoadV<Bytes>(down + x));
        const Bytes l = LoadV<Bytes>(labels + x);
        const Mask8 candidate = step & (c > bright) & (l != dark);
        StoreV(labels + x, candidate != 0 ? line : l);
        found |= candidate;
    }
    bool any = false;
    for (int i = 0; i < 16; ++i)
        any |= found[i] != 0;
    for (; x < to; ++x)
    {
        const std::uint8_t c = grey[x];
        const bool step = LineStep(c, grey[x - ProbeReach]) || LineStep(c, up[x]) ||
                          LineStep(c, grey[x + ProbeReach]) || LineStep(c, down[x]);
        if (step && c > ScratchBrightness && labels[x] != DefectCandidate)
        {
            labels[x] = ScratchCandidate;
            any = true;
        }
    }
    return any;
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
    constexpr int Ring = ProbeReach + 1;
    LabelRing.resize(Ring * uw);
    DefectSpans.Reset(uw, h);
    ScratchSpans.Reset(uw, h);
    RowDefects.assign(static_cast<std::size_t>(h), 0);
    const auto ringRow = [&](int y) { return LabelRing.data() + static_cast<std::size_t>(y % Ring) * uw; };
    // Labels of row y replace its grey levels once row y + 5, the last to probe them, is done.
    const auto store = [&](int y) {
        std::uint8_t* labels = ringRow(y);
        // The frame of zeros: no fill ever looks past the image border.
        if (y == 0 || y == h - 1)
            std::memset(labels, Background, uw);
        labels[0] = labels[uw - 1] = Background;
        if (RowDefects[static_cast<std::size_t>(y)] > 0)
            DefectSpans.NoteRow(labels, uw, y, DefectCandidate);
        std::memcpy(GreyBuffer.data() + idx(0, y), labels, uw);
    };

    for (int y = 0; y < h; ++y)
    {
        const ColumnRun c = ColumnsWithin(Center, y, ZoneRadius[2], w);
        const ColumnRun a = ColumnsWithin(Center, y, ZoneRadius[3], w);
        const ColumnRun t = ColumnsWithin(Center, y, ZoneRadius[4], w);
        const std::uint8_t* grey = GreyBuffer.data() + idx(0, y);
        std::uint8_t* labels = ringRow(y);
        std::memset(labels, Background, uw);

        // Dark pixels. Membership in the three runs changes only at their ends, so between two
        // consecutive ends one rule holds for every pixel.
        int cuts[6] = {c.First, c.End, a.First, a.End, t.First, t.End};
        std::sort(std::begin(cuts), std::end(cuts));
        for (int i = 0; i + 1 < 6; ++i)
        {
            const int from = cuts[i], to = cuts[i + 1];
            if (from >= to)
                continue;
            const auto in = [from](const ColumnRun& r) { return from >= r.First && from < r.End; };
            int& dark = RowDefects[static_cast<std::size_t>(y)];
            if (in(c))
                dark += DarkRun(grey, labels, from, to, CoreCladThreshold);
            else if (!in(a) && in(t))
                dark += DarkRun(grey, labels, from, to, ContactThreshold);
        }

        // Bright lines: brighter than 135 and 6 to 14 levels above a pixel 5 away, inside the
        // cladding circle only.
        if (y >= ScratchMargin && y < h - ScratchMargin)
        {
            const int from = std::max(ScratchMargin, c.First);
            const int to = std::min(w - ScratchMargin, c.End);
            if (from < to && BrightRun(grey, uw, labels, from, to))
                ScratchSpans.NoteRow(labels + from, static_cast<std::size_t>(to - from), y, ScratchCandidate,
                                     static_cast<std::size_t>(from));
        }
        if (y >= ProbeReach)
            store(y - ProbeReach);
    }
    for (int y = std::max(0, h - ProbeReach); y < h; ++y)
        store(y);

    std::fill(std::begin(FindingCount), std::end(FindingCount), 0);

    TBitmap& work = *WorkRaster->Bitmap;
    PaintRows.resize(static_cast<std::size_t>(std::min(h, work.Height())));
    for (std::size_t y = 0; y < PaintRows.size(); ++y)
        PaintRows[y] = work.ScanLine(static_cast<int>(y));
    PaintColumns = std::min(w, work.Width());

    // Defects, scanned column by column.
    for (int x = 0; x < w; ++x)
    {
        const auto ux = static_cast<std::size_t>(x);
        const int last = DefectSpans.LastRow(ux);
        const std::uint8_t* column = GreyBuffer.data() + ux;
        for (int y = DefectSpans.FirstRow(ux); y <= last; ++y)
            if (column[static_cast<std::size_t>(y) * uw] == DefectCandidate)
            {
                ResetFill(*this);
                FillDefect(x, y);
                RecordFinding(1);
            }
    }

    // Scratches: a group is kept when its fill marked more than 500 pixels. Only the pixels this
    // fill marked carry the undecided label, so only they are relabelled.
    for (int x = 0; x < w; ++x)
    {
        const auto ux = static_cast<std::size_t>(x);
        const int last = ScratchSpans.LastRow(ux);
        const std::uint8_t* column = GreyBuffer.data() + ux;
        for (int y = ScratchSpans.FirstRow(ux); y <= last; ++y)
            if (column[static_cast<std::size_t>(y) * uw] == ScratchCandidate)
            {
                ResetFill(*this);
                FillScratch(x, y);
                const bool accepted = FillCount > ScratchMinimum;
                for (const std::size_t i : ScratchMarked)
                {
                    GreyBuffer[i] = accepted ? ScratchPixel : Background;
                    if (accepted)
                        Paint(PaintRows.data(), static_cast<int>(PaintRows.size()), PaintColumns,
                              static_cast<int>(i % uw), static_cast<int>(i / uw), ScratchPixel);
                }
                if (accepted)
                    RecordFinding(0);
            }
    }
    PaintRows.clear();
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
