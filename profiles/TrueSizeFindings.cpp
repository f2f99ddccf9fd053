// True sizes of the detected regions. Each 8-connected region is collected with an explicit
// stack and described by its second moments: the covariance of its pixel positions (each pixel a
// unit square) gives the axes of the equivalent ellipse. A defect's diameter is the major axis of
// that ellipse, exact for a disc; a scratch's width is the thin axis of the equivalent rectangle,
// sqrt(12 var + 1), exact for a straight band.
//
// Defects are the engine's defect labels, merged across its 1001-pixel pieces. Scratches need
// more: the engine drops every piece of a split group that has 500 pixels or fewer, so a wide
// scratch loses rows, and a scratch wider than about ten pixels is a candidate only along its
// edges (a candidate must differ from a pixel five pixels away). So the scratch candidates are
// found again, by the engine's own rule, in a private preparation of the source image; bright
// gaps of up to sixteen pixels (a wide scratch at 45 degrees) between candidates of one row or
// column are bridged; and a region counts as a scratch when the engine accepted at least one of its pixels.
// Cost: one more preparation and three passes over the image.

#include "profiles/TrueSizeFindings.h"

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace
{
enum Mark : std::uint8_t
{
    None = 0,
    Defect = 1,
    Candidate = 2, // a scratch candidate, not yet known to belong to an accepted scratch
};

constexpr std::uint8_t DefectLabel = 3;
constexpr std::uint8_t ScratchLabel = 4;
constexpr int MaxGap = 16;
// The engine's scratch candidate rule.
constexpr int ScratchBrightness = 135;
constexpr int ScratchMargin = 10;
constexpr int ProbeOffset = 5;

std::size_t Index(int x, int y, int w)
{
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
}

// The first x from `from` on whose byte in row[0, n) is not zero, or n: marks are sparse, so
// eight bytes are looked at a time.
int NextMarked(const std::uint8_t* row, int from, int n)
{
    int x = from;
    for (std::uint64_t v = 0; x + 8 <= n; x += 8)
    {
        std::memcpy(&v, row + x, sizeof v);
        if (v != 0)
            break;
    }
    while (x < n && row[x] == 0)
        ++x;
    return x;
}

// The prepared grey image of the analyzer's source, from a private analyzer: the engine's own
// preparation, without touching the analyzer whose labels are measured.
std::vector<std::uint8_t> PreparedGrey(const TFiberAnalyzer& analyzer)
{
    const TBitmap& source = *analyzer.SourceRaster->Bitmap;
    const int w = source.Width(), h = source.Height();
    auto prep = std::make_unique<TFiberAnalyzer>();
    prep->SourceRaster = std::make_unique<TLumarcRaster>(w, h);
    prep->WorkRaster = std::make_unique<TLumarcRaster>(w, h);
    for (int y = 0; y < h; ++y)
        std::memcpy(prep->SourceRaster->Bitmap->ScanLine(y), source.ScanLine(y),
                    3 * static_cast<std::size_t>(w));
    prep->PrepareImage();
    return std::move(prep->GreyBuffer);
}

// Marks the scratch candidates of the prepared grey image, then bridges bright gaps.
void MarkScratchCandidates(const TFiberAnalyzer& a, const std::vector<std::uint8_t>& grey,
                           std::vector<std::uint8_t>& marks)
{
    const int w = a.ImageWidth, h = a.ImageHeight;
    const double r2 = static_cast<double>(a.ZoneRadius[2]) * a.ZoneRadius[2];
    const int probes[4][2] = {{-ProbeOffset, 0}, {0, -ProbeOffset}, {ProbeOffset, 0}, {0, ProbeOffset}};
    // Only the rows and columns the circle can reach are visited; the test itself stays per pixel.
    const double r = std::sqrt(r2);
    const int yLow = std::max(ScratchMargin, static_cast<int>(std::floor(a.Center.Y - r)) - 1);
    const int yHigh = std::min(h - ScratchMargin, static_cast<int>(std::ceil(a.Center.Y + r)) + 2);
    for (int y = yLow; y < yHigh; ++y)
    {
        const double dy = static_cast<double>(y) - a.Center.Y;
        const double half = std::sqrt(std::max(r2 - dy * dy, 0.0));
        const int xLow = std::max(ScratchMargin, static_cast<int>(std::floor(a.Center.X - half)) - 1);
        const int xHigh = std::min(w - ScratchMargin, static_cast<int>(std::ceil(a.Center.X + half)) + 2);
        for (int x = xLow; x < xHigh; ++x)
        {
            const double dx = static_cast<double>(x) - a.Center.X;
            const int c = grey[Index(x, y, w)];
            if (dx * dx + dy * dy >= r2 || c <= ScratchBrightness || marks[Index(x, y, w)] == Defect)
                continue;
            for (const auto& p : probes)
            {
                const int step = c - grey[Index(x + p[0], y + p[1], w)];
                if (step > 5 && step < 15)
                {
                    marks[Index(x, y, w)] = Candidate;
                    break;
                }
            }
        }
    }
    const std::vector<std::uint8_t> found = marks;
    const auto gapIsBright = [&](std::size_t from, std::size_t to, std::size_t step) {
        for (std::size_t k = from; k < to; k += step)
            if (found[k] != None || grey[k] <= ScratchBrightness)
                return false;
        return true;
    };
    const auto fill = [&](std::size_t from, std::size_t to, std::size_t step) {
        for (std::size_t k = from; k < to; k += step)
            marks[k] = Candidate;
    };
    // Both directions in one pass along the rows (a column's last candidate row kept per column),
    // so the image is read in the order it lies in memory.
    std::vector<int> lastRow(static_cast<std::size_t>(w), -1);
    const auto W = static_cast<std::size_t>(w);
    for (int y = 0; y < h; ++y)
    {
        const std::uint8_t* row = found.data() + Index(0, y, w);
        int lastX = -1;
        for (int x = NextMarked(row, 0, w); x < w; x = NextMarked(row, x + 1, w))
        {
            if (row[x] != Candidate)
                continue;
            if (lastX >= 0 && x - lastX > 1 && x - lastX - 1 <= MaxGap &&
                gapIsBright(Index(lastX + 1, y, w), Index(x, y, w), 1))
                fill(Index(lastX + 1, y, w), Index(x, y, w), 1);
            lastX = x;
            int& lastY = lastRow[static_cast<std::size_t>(x)];
            if (lastY >= 0 && y - lastY > 1 && y - lastY - 1 <= MaxGap &&
                gapIsBright(Index(x, lastY + 1, w), Index(x, y, w), W))
                fill(Index(x, lastY + 1, w), Index(x, y, w), W);
            lastY = y;
        }
    }
}

struct Moments
{
    double N = 0, Sx = 0, Sy = 0, Sxx = 0, Syy = 0, Sxy = 0;
    double MinD2 = 1e30, MaxD2 = 0;
};

TMeasuredFinding Describe(bool defect, const Moments& m, const TFibreScale& scale)
{
    TMeasuredFinding f;
    f.Kind = defect ? FindingClass::Defect : FindingClass::Scratch;
    f.Area = static_cast<int>(m.N);
    const double mx = m.Sx / m.N, my = m.Sy / m.N;
    // Each pixel is a unit square: its own spread adds 1/12 to every direction.
    const double cxx = m.Sxx / m.N - mx * mx + 1.0 / 12.0;
    const double cyy = m.Syy / m.N - my * my + 1.0 / 12.0;
    const double cxy = m.Sxy / m.N - mx * my;
    const double mean = (cxx + cyy) / 2.0;
    const double spread = std::sqrt((cxx - cyy) * (cxx - cyy) / 4.0 + cxy * cxy);
    const double major = mean + spread;
    const double minor = std::max(mean - spread, 0.0);
    const double um = scale.UmPerPixel;
    const double sizePx = defect ? 4.0 * std::sqrt(major) : std::sqrt(12.0 * minor);
    const double lengthPx = defect ? 4.0 * std::sqrt(major) : std::sqrt(12.0 * major);
    f.CentreX = static_cast<float>(mx);
    f.CentreY = static_cast<float>(my);
    f.SizeUm = static_cast<float>(sizePx * um);
    f.LengthUm = static_cast<float>(lengthPx * um);
    const double dx = mx - scale.Center.X, dy = my - scale.Center.Y;
    f.CentreDiameterUm = static_cast<float>(2.0 * std::sqrt(dx * dx + dy * dy) * um);
    f.MinDiameterUm = static_cast<float>(2.0 * std::sqrt(m.MinD2) * um);
    f.MaxDiameterUm = static_cast<float>(2.0 * std::sqrt(m.MaxD2) * um);
    return f;
}
} // namespace

TFibreScale FibreScaleOf(const TFiberAnalyzer& analyzer)
{
    TFibreScale scale;
    scale.Center = analyzer.Center;
    scale.UmPerPixel = analyzer.ZoneScale > 0.0f ? 0.5f / analyzer.ZoneScale : 0.0f;
    return scale;
}

std::vector<TMeasuredFinding> MeasureFindings(const TFiberAnalyzer& analyzer, const TFibreScale& scale)
{
    const int w = analyzer.ImageWidth, h = analyzer.ImageHeight;
    std::vector<TMeasuredFinding> findings;
    if (w <= 0 || h <= 0 || analyzer.GreyBuffer.size() < Index(0, h, w))
        return findings;
    const std::vector<std::uint8_t>& labels = analyzer.GreyBuffer;
    std::vector<std::uint8_t> marks(Index(0, h, w), None);
    // Branch-free, so the compiler vectorises it: Defect is 1 and Candidate 2.
    std::uint8_t anyScratch = 0;
    for (std::size_t k = 0; k < marks.size(); ++k)
    {
        const std::uint8_t scratch = labels[k] == ScratchLabel;
        marks[k] = static_cast<std::uint8_t>((labels[k] == DefectLabel) | (scratch << 1));
        anyScratch |= scratch;
    }
    if (anyScratch != 0 && analyzer.SourceRaster && analyzer.SourceRaster->Bitmap->Width() == w &&
        analyzer.SourceRaster->Bitmap->Height() == h)
    {
        const std::vector<std::uint8_t> grey = PreparedGrey(analyzer);
        MarkScratchCandidates(analyzer, grey, marks);
    }

    std::vector<std::pair<int, int>> stack;
    for (int y = 0; y < h; ++y)
        for (int x = NextMarked(marks.data() + Index(0, y, w), 0, w); x < w;
             x = NextMarked(marks.data() + Index(0, y, w), x + 1, w))
        {
            const Mark kind = static_cast<Mark>(marks[Index(x, y, w)]);
            Moments m;
            bool accepted = kind == Defect;
            marks[Index(x, y, w)] = None;
            stack.assign(1, {x, y});
            while (!stack.empty())
            {
                const auto [px, py] = stack.back();
                stack.pop_back();
                accepted = accepted || labels[Index(px, py, w)] == ScratchLabel;
                const double fx = px, fy = py;
                m.N += 1;
                m.Sx += fx;
                m.Sy += fy;
                m.Sxx += fx * fx;
                m.Syy += fy * fy;
                m.Sxy += fx * fy;
                const double dx = fx - scale.Center.X, dy = fy - scale.Center.Y;
                m.MinD2 = std::min(m.MinD2, dx * dx + dy * dy);
                m.MaxD2 = std::max(m.MaxD2, dx * dx + dy * dy);
                for (int ny = std::max(py - 1, 0); ny <= std::min(py + 1, h - 1); ++ny)
                    for (int nx = std::max(px - 1, 0); nx <= std::min(px + 1, w - 1); ++nx)
                        if (marks[Index(nx, ny, w)] == kind)
                        {
                            marks[Index(nx, ny, w)] = None;
                            stack.emplace_back(nx, ny);
                        }
            }
            if (accepted)
                findings.push_back(Describe(kind == Defect, m, scale));
        }
    return findings;
}
