#include "tools/EndFaceGenerator.h"

#include "platform/AtomicWrite.h"

#include <QBuffer>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>

namespace
{
// splitmix64: tiny, well mixed and the same everywhere (std distributions are not).
class Random
{
public:
    explicit Random(std::uint64_t seed) : State_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (State_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [-n, n].
    int Symmetric(int n)
    {
        return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(2 * n + 1)) - n;
    }

private:
    std::uint64_t State_;
};

// The engine's grey conversion: blue weighted 0.299, red 0.114, in double, rounded to float.
int GreyOf(int b, int g, int r)
{
    return static_cast<int>(static_cast<float>(0.299 * b + 0.587 * g + 0.114 * r));
}

struct Bgr
{
    std::uint8_t B, G, R;
};

// For each grey level a warm tint whose conversion gives exactly that level back, so a colour
// image analyses exactly like its grey twin.
std::array<Bgr, 256> TintTable()
{
    std::array<Bgr, 256> table{};
    for (int t = 0; t < 256; ++t)
    {
        Bgr best{static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(t)};
        const int b0 = std::clamp(static_cast<int>(t * 0.9), 0, 255);
        const int r0 = std::clamp(static_cast<int>(t * 1.15), 0, 255);
        bool found = false;
        for (int dr = 0; dr <= 6 && !found; ++dr)
            for (int g = std::max(0, t - 12); g <= std::min(255, t + 12) && !found; ++g)
            {
                const int r = std::max(0, r0 - dr);
                if (GreyOf(b0, g, r) == t)
                {
                    best = {static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(g),
                            static_cast<std::uint8_t>(r)};
                    found = true;
                }
            }
        table[static_cast<std::size_t>(t)] = best;
    }
    return table;
}

float SegmentDistance(float px, float py, const EndFaceScratch& s)
{
    const float vx = s.X1 - s.X0, vy = s.Y1 - s.Y0;
    const float len2 = vx * vx + vy * vy;
    float t = len2 > 0.0f ? ((px - s.X0) * vx + (py - s.Y0) * vy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = px - (s.X0 + t * vx), dy = py - (s.Y0 + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}
} // namespace

EndFaceRecipe TypicalEndFace()
{
    EndFaceRecipe recipe;
    recipe.Seed = 11;
    recipe.OffsetX = 6;
    recipe.OffsetY = -4;
    recipe.CoreRadius = 11;
    recipe.Defects = {{8, -6, 6, 20}, {-60, -70, 8, 25}, {50, -90, 4, 25}, {150, 150, 14, 40}};
    recipe.Scratches = {{-130, 70, 130, 70, 3, 6}};
    return recipe;
}

EndFaceRecipe SpeckledEndFace()
{
    EndFaceRecipe recipe;
    recipe.Seed = 12;
    recipe.SpeckSpacing = 8;
    return recipe;
}

EndFaceRecipe DarkScratchedFrame()
{
    EndFaceRecipe recipe;
    recipe.Seed = 21;
    // 20 and 40 become 30 and 60 after the 1.5x stretch: dark for both thresholds (60 and 140),
    // with just enough of a step at the cladding edge for the fiber to be found.
    recipe.Cladding = 20;
    recipe.Background = 40;
    recipe.Noise = 2;
    recipe.SpeckSpacing = 9;
    recipe.SpeckStep = 110;
    Random random(recipe.Seed);
    for (int i = 0; i < 48; ++i)
    {
        EndFaceScratch s;
        s.X0 = static_cast<float>(random.Symmetric(320));
        s.Y0 = static_cast<float>(random.Symmetric(240));
        s.X1 = static_cast<float>(random.Symmetric(320));
        s.Y1 = static_cast<float>(random.Symmetric(240));
        s.Width = static_cast<float>(1 + random.Next() % 4);
        s.Step = 100 + random.Symmetric(30);
        recipe.Scratches.push_back(s);
    }
    return recipe;
}

TBitmap MakeEndFace(const EndFaceRecipe& recipe)
{
    const int w = recipe.Width, h = recipe.Height;
    const float cx = static_cast<float>(w / 2) + recipe.OffsetX;
    const float cy = static_cast<float>(h / 2) + recipe.OffsetY;
    Random random(recipe.Seed);

    // Grey levels without noise, as one byte per pixel.
    std::vector<int> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
            const float d = std::sqrt(dx * dx + dy * dy);
            int v = d < recipe.CladdingRadius ? recipe.Cladding : recipe.Background;
            if (d < recipe.CoreRadius)
                v = recipe.Core;
            grey[static_cast<std::size_t>(y * w + x)] = v;
        }

    if (recipe.SpeckSpacing > 0)
    {
        // Jitter of at most one pixel keeps neighbouring specks apart and keeps the pixel five
        // steps away from a speck on plain cladding.
        const int step = std::max(recipe.SpeckSpacing, 6);
        const float limit = recipe.CladdingRadius - 4.0f;
        for (float sy = -limit; sy <= limit; sy += static_cast<float>(step))
            for (float sx = -limit; sx <= limit; sx += static_cast<float>(step))
            {
                const int px = static_cast<int>(std::lround(cx + sx)) + random.Symmetric(1);
                const int py = static_cast<int>(std::lround(cy + sy)) + random.Symmetric(1);
                if (std::hypot(static_cast<float>(px) - cx, static_cast<float>(py) - cy) >= limit)
                    continue;
                for (int y = py - 1; y <= py + 1; ++y)
                    for (int x = px - 1; x <= px + 1; ++x)
                        if (x >= 0 && x < w && y >= 0 && y < h)
                            grey[static_cast<std::size_t>(y * w + x)] += recipe.SpeckStep;
            }
    }

    for (const EndFaceScratch& s : recipe.Scratches)
    {
        const float half = s.Width / 2.0f;
        const int x0 = std::max(0, static_cast<int>(std::floor(cx + std::min(s.X0, s.X1) - half)));
        const int x1 = std::min(w - 1, static_cast<int>(std::ceil(cx + std::max(s.X0, s.X1) + half)));
        const int y0 = std::max(0, static_cast<int>(std::floor(cy + std::min(s.Y0, s.Y1) - half)));
        const int y1 = std::min(h - 1, static_cast<int>(std::ceil(cy + std::max(s.Y0, s.Y1) + half)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (SegmentDistance(static_cast<float>(x) - cx, static_cast<float>(y) - cy, s) <= half)
                    grey[static_cast<std::size_t>(y * w + x)] += s.Step;
    }

    for (const EndFaceDefect& d : recipe.Defects)
    {
        const float r = d.Diameter / 2.0f;
        const float dcx = cx + d.X, dcy = cy + d.Y;
        const int x0 = std::max(0, static_cast<int>(std::floor(dcx - r)));
        const int x1 = std::min(w - 1, static_cast<int>(std::ceil(dcx + r)));
        const int y0 = std::max(0, static_cast<int>(std::floor(dcy - r)));
        const int y1 = std::min(h - 1, static_cast<int>(std::ceil(dcy + r)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
            {
                const float dx = static_cast<float>(x) - dcx, dy = static_cast<float>(y) - dcy;
                if (dx * dx + dy * dy <= r * r)
                    grey[static_cast<std::size_t>(y * w + x)] = d.Grey;
            }
    }

    static const std::array<Bgr, 256> tint = TintTable();
    TBitmap bitmap(w, h);
    for (int y = 0; y < h; ++y)
    {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x)
        {
            const int v = std::clamp(
                grey[static_cast<std::size_t>(y * w + x)] + random.Symmetric(recipe.Noise), 0, 255);
            const Bgr c = recipe.Colour ? tint[static_cast<std::size_t>(v)]
                                        : Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                                              static_cast<std::uint8_t>(v)};
            row[3 * x] = c.B;
            row[3 * x + 1] = c.G;
            row[3 * x + 2] = c.R;
        }
    }
    return bitmap;
}

bool WriteEndFace(const TBitmap& image, bool grey, const std::string& path, std::string& error)
{
    const QString name = QString::fromStdString(path);
    const QString lower = name.toLower();
    const char* format = nullptr;
    QImage out = image.Image();
    if (lower.endsWith(".png"))
    {
        format = "PNG";
        if (grey)
            out = out.convertToFormat(QImage::Format_Grayscale8);
    }
    else if (lower.endsWith(".bmp"))
        format = "BMP";
    else if (lower.endsWith(".jpg") || lower.endsWith(".jpeg"))
        format = "JPEG";
    else
    {
        error = path + ": unknown image type (use .png, .bmp or .jpg)";
        return false;
    }

    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!out.save(&buffer, format, format[0] == 'J' ? 95 : -1))
    {
        error = path + ": could not encode the image";
        return false;
    }
    return WriteFileAtomically(
        path, std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())), error);
}
