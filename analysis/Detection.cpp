// Defect and scratch detection. Dark pixels inside the cladding circle or in the contact ring and
// bright-line pixels inside the cladding circle are labelled, then grouped by 8-connected
// depth-first fills of at most 1001 pixels each; every group is filed by its box centre into the
// list of its zone.
//
// Cost: labelling is a few byte operations per pixel: per row, the zone circles cut the row into
// runs of constant membership (ColumnsWithin, exact to the per-pixel distance test), and each run
// is one branch-free loop. The labels go into the grey buffer six rows behind the row being
// labelled, once no bright-line probe needs those grey values any more. The column-major scans
// for groups visit only each column's rows between its first and last candidate. The marked
// pixels are coloured in one pass at the end, row by row, sixteen labels at a time: colouring
// each as a fill marks it scattered stores over the whole working image.
//
// The fills run on an explicit stack that visits pixels in exactly the order of the recursive
// fill (each frame remembers the neighbours still to look at), so a large group splits into the
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

// Reused by every detection of the thread: no allocation once they have grown. A stack entry is
// one frame of the recursive fill: the next neighbour to look at (low byte) and the step that led
// into it (high byte), so the fill walks back to its parent by undoing that step.
thread_local std::vector<std::uint16_t> FillStack;
// The buffer indices the last FillScratch marked (the first ScratchMarkedCount), so that only
// they are relabelled afterwards.
thread_local std::vector<std::size_t> ScratchMarked;
thread_local std::size_t ScratchMarkedCount = 0;
constexpr int StandardNeighbours[8][2] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1},
                                          {1, 0},  {1, 1},   {0, 1},  {-1, 1}};

// The depth-first fill of the recursive definition (mark, then each neighbour in table order that
// still carries the followed label, each explored whole before the next is looked at), without
// its call stack.
//
// Framed: the start lies inside a frame of pixels that never carry the label and the neighbours
// are the engine's own table, so no step needs its bounds checked and every neighbour lies at a
// constant distance. Its neighbours are then looked at by a chain of branches, entered at the
// next one to look at: the processor predicts them (and the step they choose) and goes on to the
// next pixel's loads at once, where a step computed from the labels would make every pixel wait
// for the loads and compares of the one before.
//
// left (when given): the candidates of each column not yet marked, one less for each pixel marked.
template <bool Marks, bool Framed>
void RegionFill(TFiberAnalyzer& a, int x, int y, std::uint8_t follow, std::uint8_t mark,
                std::int16_t* left = nullptr)
{
    const int w = a.ImageWidth;
    const int h = a.ImageHeight;
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    std::uint8_t* const labels = a.GreyBuffer.data();
    // The fill's state in locals: stores through the label pointer may alias any member, so
    // working on the members directly reloads them after every label written.
    int count = a.FillCount;
    int minX = a.BoxMinX, minY = a.BoxMinY, maxX = a.BoxMaxX, maxY = a.BoxMaxY;
    int dx[8], dy[8];
    std::ptrdiff_t offset[8];
    for (int k = 0; k < 8; ++k)
    {
        dx[k] = Framed ? StandardNeighbours[k][0] : a.Neighbours[k][0];
        dy[k] = Framed ? StandardNeighbours[k][1] : a.Neighbours[k][1];
        offset[k] = static_cast<std::ptrdiff_t>(dy[k]) * w + dx[k];
    }
    // At most FillLimit + 1 - count pixels are entered: room for all of them, grown once.
    const std::size_t room =
        static_cast<std::size_t>(FillLimit + 1) + static_cast<std::size_t>(-std::min(count, 0));
    std::size_t* marked = nullptr;
    std::size_t markedCount = 0;
    if (Marks)
    {
        if (ScratchMarked.size() < room)
            ScratchMarked.resize(room);
        marked = ScratchMarked.data();
    }
    if (FillStack.size() < room)
        FillStack.resize(room);
    std::uint16_t* const stack = FillStack.data();
    std::size_t depth = 0;

    // Where the fill stands: the pixel of the top frame.
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(y) * w + x;
    int px = x, py = y;

    // The first neighbour from `next` on (in table order) of the pixel where the fill stands that
    // carries the followed label, or 8. One byte load each: a wider load would overlap the labels
    // just written and wait for them.
    const auto firstFollowing = [&](unsigned next) __attribute__((always_inline))->int
    {
        const std::uint8_t* here = labels + i;
        if (Framed)
        {
            // The engine's own order, each neighbour at a constant distance from three rows.
            const std::uint8_t* up = here - w;
            const std::uint8_t* down = here + w;
            switch (next)
            {
            case 0:
                if (here[-1] == follow)
                    return 0;
                [[fallthrough]];
            case 1:
                if (up[-1] == follow)
                    return 1;
                [[fallthrough]];
            case 2:
                if (up[0] == follow)
                    return 2;
                [[fallthrough]];
            case 3:
                if (up[1] == follow)
                    return 3;
                [[fallthrough]];
            case 4:
                if (here[1] == follow)
                    return 4;
                [[fallthrough]];
            case 5:
                if (down[1] == follow)
                    return 5;
                [[fallthrough]];
            case 6:
                if (down[0] == follow)
                    return 6;
                [[fallthrough]];
            case 7:
                if (down[-1] == follow)
                    return 7;
                [[fallthrough]];
            default:
                return 8;
            }
        }
        for (int k = static_cast<int>(next); k < 8; ++k)
        {
            const int nx = px + dx[k], ny = py + dy[k];
            if (nx >= 0 && ny >= 0 && nx < w && ny < h && here[offset[k]] == follow)
                return k;
        }
        return 8;
    };

    // One entry of the recursive fill into the pixel where the fill stands, having come by step
    // `from`; false when the limit makes it return at once.
    const auto enter = [&](int from) __attribute__((always_inline))
    {
        if (count > FillLimit)
            return false;
        count += 1;
        minX = std::min(minX, px);
        minY = std::min(minY, py);
        maxX = std::max(maxX, px);
        maxY = std::max(maxY, py);
        labels[i] = mark;
        if (left)
            left[px] = static_cast<std::int16_t>(left[px] - 1);
        if (Marks)
            marked[markedCount++] = static_cast<std::size_t>(i);
        stack[depth++] = static_cast<std::uint16_t>(from << 8);
        return true;
    };

    if (enter(0))
    {
        // The top frame's next neighbour to look at; the frames below keep theirs in the low byte
        // of their stack entry.
        unsigned next = 0;
        for (;;)
        {
            const int k = firstFollowing(next);
            if (k < 8)
            {
                stack[depth - 1] =
                    static_cast<std::uint16_t>((stack[depth - 1] & 0xFF00u) | static_cast<unsigned>(k + 1));
                i += offset[k];
                px += dx[k];
                py += dy[k];
                // Past the limit every further call returns at once: nothing can change any more.
                if (!enter(k))
                    break;
                next = 0;
                continue;
            }
            // Back to the parent by undoing the step into this pixel.
            const unsigned from = stack[--depth] >> 8u;
            if (depth == 0)
                break;
            i -= offset[from];
            px -= dx[from];
            py -= dy[from];
            next = stack[depth - 1] & 0xFFu;
        }
    }
    if (Marks)
        ScratchMarkedCount = markedCount;
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
typedef std::int16_t Shorts __attribute__((vector_size(16)));

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

// The first and last row of each column that holds a candidate of one kind, and how many of
// its candidates no fill has marked yet (Left), as 16-bit numbers (the engine's images are 480
// rows high; a taller one scans whole columns).
struct ColumnSpans
{
    std::vector<std::int16_t> First, Last, Left;
    int Rows = 0;

    void Reset(std::size_t columns, int rows)
    {
        Rows = rows;
        const bool fits = rows <= INT16_MAX;
        First.assign(columns + 16, fits ? static_cast<std::int16_t>(rows) : std::int16_t{0});
        Last.assign(columns + 16, fits ? std::int16_t{-1} : INT16_MAX);
        Left.assign(columns + 16, 0);
    }
    // The candidates left for the fills to mark, column by column; none when not counted.
    std::int16_t* Counts() { return Rows <= INT16_MAX ? Left.data() : nullptr; }
    int FirstRow(std::size_t x) const { return Rows <= INT16_MAX ? First[x] : 0; }
    int LastRow(std::size_t x) const { return Rows <= INT16_MAX ? Last[x] : Rows - 1; }
    void Note(std::size_t x, int y)
    {
        if (Rows > INT16_MAX)
            return;
        First[x] = std::min(First[x], static_cast<std::int16_t>(y));
        Last[x] = std::max(Last[x], static_cast<std::int16_t>(y));
        Left[x] = static_cast<std::int16_t>(Left[x] + 1);
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
            const Mask8 is = LoadV<Bytes>(labels + x) == want;
            std::uint64_t halves[2];
            std::memcpy(halves, &is, sizeof halves);
            if ((halves[0] | halves[1]) == 0)
                continue;
            // The byte mask widened to two halves of eight 16-bit lanes: each byte twice.
            const Shorts low = reinterpret_cast<Shorts>(
                __builtin_shufflevector(is, is, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7));
            const Shorts high = reinterpret_cast<Shorts>(
                __builtin_shufflevector(is, is, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15));
            std::int16_t* first = First.data() + column + x;
            std::int16_t* last = Last.data() + column + x;
            std::int16_t* left = Left.data() + column + x;
            StoreV(left, LoadV<Shorts>(left) - low);
            StoreV(left + 8, LoadV<Shorts>(left + 8) - high);
            const Shorts f0 = LoadV<Shorts>(first), f1 = LoadV<Shorts>(first + 8);
            StoreV(first, low != 0 && row < f0 ? row : f0);
            StoreV(first + 8, high != 0 && row < f1 ? row : f1);
            StoreV(last, low != 0 ? row : LoadV<Shorts>(last));
            StoreV(last + 8, high != 0 ? row : LoadV<Shorts>(last + 8));
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
inline void PaintPixel(std::uint8_t* px, std::uint8_t label)
{
    px[0] = 0;
    px[1] = label == DefectPixel ? 0 : 255;
    px[2] = label == DefectPixel ? 255 : 0;
}

inline bool AllSet(const Mask8& m)
{
    std::uint64_t halves[2];
    std::memcpy(halves, &m, sizeof halves);
    return (halves[0] & halves[1]) == ~std::uint64_t{0};
}

// Sixteen red (B G R 0 0 255) or green (0 255 0) pixels, as three runs of sixteen bytes.
constexpr Bytes Red[3] = {{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0},
                          {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0},
                          {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255}};
constexpr Bytes Green[3] = {{0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0},
                            {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255},
                            {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0}};

// Defect pixels red, scratch pixels green in the working image, where it has them. Each pixel
// carries one final label, so painting them all at the end gives what painting each as it is
// marked would, in row order and skipping sixteen unmarked pixels at a time.
void PaintFindings(const std::uint8_t* labels, int w, int h, TBitmap& work)
{
    const int columns = std::min(w, work.Width());
    const Bytes defect = Bytes{} + std::uint8_t{DefectPixel};
    const Bytes scratch = Bytes{} + std::uint8_t{ScratchPixel};
    for (int y = 0; y < std::min(h, work.Height()); ++y)
    {
        const std::uint8_t* row = labels + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        std::uint8_t* out = work.ScanLine(y);
        int x = 0;
        for (; x + 16 <= columns; x += 16)
        {
            const Bytes l = LoadV<Bytes>(row + x);
            // Sixteen pixels of one kind (the inside of a large group): three stores.
            const Mask8 allDefect = l == defect, allScratch = l == scratch;
            if (AllSet(allDefect) || AllSet(allScratch))
            {
                const Bytes* colours = AllSet(allDefect) ? Red : Green;
                for (int part = 0; part < 3; ++part)
                    StoreV(out + 3 * x + 16 * part, colours[part]);
                continue;
            }
            const Mask8 marked = allDefect | allScratch;
            std::uint64_t halves[2];
            std::memcpy(halves, &marked, sizeof halves);
            for (int half = 0; half < 2; ++half)
                for (std::uint64_t bits = halves[half] & 0x8080808080808080ull; bits != 0; bits &= bits - 1)
                {
                    const int p = x + 8 * half + __builtin_ctzll(bits) / 8;
                    PaintPixel(out + 3 * p, row[p]);
                }
        }
        for (; x < columns; ++x)
            if (row[x] == DefectPixel || row[x] == ScratchPixel)
                PaintPixel(out + 3 * x, row[x]);
    }
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

    // With the engine's own neighbours the fills below never step past the frame of zeros.
    const bool framed =
        w >= 3 && h >= 3 && std::memcmp(Neighbours, StandardNeighbours, sizeof Neighbours) == 0;

    // Defects, scanned column by column. A framed fill counts off what it marks, so a column's
    // scan ends with its last unmarked candidate.
    std::int16_t* defectsLeft = framed ? DefectSpans.Counts() : nullptr;
    for (int x = 0; x < w; ++x)
    {
        const auto ux = static_cast<std::size_t>(x);
        const int last = DefectSpans.LastRow(ux);
        const std::uint8_t* column = GreyBuffer.data() + ux;
        for (int y = DefectSpans.FirstRow(ux); y <= last && !(defectsLeft && defectsLeft[x] == 0); ++y)
            if (column[static_cast<std::size_t>(y) * uw] == DefectCandidate)
            {
                ResetFill(*this);
                if (framed)
                    RegionFill<false, true>(*this, x, y, DefectCandidate, DefectPixel, defectsLeft);
                else
                    FillDefect(x, y);
                RecordFinding(1);
            }
    }

    // Scratches: a group is kept when its fill marked more than 500 pixels. Only the pixels this
    // fill marked carry the undecided label, so only they are relabelled.
    std::int16_t* scratchesLeft = framed ? ScratchSpans.Counts() : nullptr;
    for (int x = 0; x < w; ++x)
    {
        const auto ux = static_cast<std::size_t>(x);
        const int last = ScratchSpans.LastRow(ux);
        const std::uint8_t* column = GreyBuffer.data() + ux;
        for (int y = ScratchSpans.FirstRow(ux); y <= last && !(scratchesLeft && scratchesLeft[x] == 0); ++y)
            if (column[static_cast<std::size_t>(y) * uw] == ScratchCandidate)
            {
                ResetFill(*this);
                if (framed)
                    RegionFill<true, true>(*this, x, y, ScratchCandidate, ScratchUndecided, scratchesLeft);
                else
                    FillScratch(x, y);
                const std::uint8_t label = FillCount > ScratchMinimum ? ScratchPixel : Background;
                for (std::size_t m = 0; m < ScratchMarkedCount; ++m)
                    GreyBuffer[ScratchMarked[m]] = label;
                if (label == ScratchPixel)
                    RecordFinding(0);
            }
    }

    PaintFindings(GreyBuffer.data(), w, h, *WorkRaster->Bitmap);
}

void TFiberAnalyzer::FillDefect(int x, int y)
{
    RegionFill<false, false>(*this, x, y, DefectCandidate, DefectPixel);
}

void TFiberAnalyzer::FillScratch(int x, int y)
{
    RegionFill<true, false>(*this, x, y, ScratchCandidate, ScratchUndecided);
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
