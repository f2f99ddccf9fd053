#include "tools/EndFaceGenerator.h"

#include "platform/AtomicWrite.h"

#include <QBuffer>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>

namespace
{
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
// Value noise: random levels on a grid of cells, interpolated smoothly, plus per-pixel grain.
struct Texture
{
    int Columns = 0, Rows = 0;
    float Cell = 1.0f;
    int Amplitude = 0;
    std::vector<float> Levels; // in [-1, 1]
    mutable TEndFaceRandom Grain{0};
};

Texture MakeTexture(const EndFaceRecipe& recipe)
{
    Texture t;
    t.Cell = std::max(recipe.TextureCell, 2.0f);
    t.Columns = static_cast<int>(static_cast<float>(recipe.Width) / t.Cell) + 2;
    t.Rows = static_cast<int>(static_cast<float>(recipe.Height) / t.Cell) + 2;
    t.Amplitude = recipe.FerruleTexture;
    TEndFaceRandom random(recipe.Seed * 0x2545F4914F6CDD1Dull + 0x51ED);
    t.Levels.resize(static_cast<std::size_t>(t.Columns) * static_cast<std::size_t>(t.Rows));
    for (float& level : t.Levels)
        level = static_cast<float>(random.Symmetric(1000)) / 1000.0f;
    t.Grain = TEndFaceRandom(random.Next());
    return t;
}

int Relief(const Texture& t, float x, float y)
{
    const float gx = x / t.Cell, gy = y / t.Cell;
    const int i = static_cast<int>(gx), j = static_cast<int>(gy);
    float fx = gx - static_cast<float>(i), fy = gy - static_cast<float>(j);
    fx = fx * fx * (3.0f - 2.0f * fx);
    fy = fy * fy * (3.0f - 2.0f * fy);
    const auto at = [&t](int c, int r) { return t.Levels[static_cast<std::size_t>(r * t.Columns + c)]; };
    const float top = at(i, j) + (at(i + 1, j) - at(i, j)) * fx;
    const float bottom = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * fx;
    const float level = top + (bottom - top) * fy;
    return static_cast<int>(std::lround(level * static_cast<float>(t.Amplitude))) +
           t.Grain.Symmetric(t.Amplitude / 4);
}

} // namespace

const char* EmptyFrameName(EmptyFrameKind kind)
{
    switch (kind)
    {
    case EmptyFrameKind::Uniform:
        return "uniform";
    case EmptyFrameKind::Noise:
        return "noise";
    case EmptyFrameKind::SpecksOnBlack:
        return "specks on black";
    case EmptyFrameKind::BareFerrule:
        return "bare ferrule";
    case EmptyFrameKind::Blurred:
        return "blurred";
    case EmptyFrameKind::LensCap:
        return "lens cap";
    }
    return "?";
}

EndFaceRecipe EmptyFrame(EmptyFrameKind kind, std::uint32_t seed)
{
    EndFaceRecipe recipe;
    recipe.Seed = seed;
    recipe.Fiber = false;
    TEndFaceRandom random(seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(kind));
    const auto specks = [&](int count, int minDiameter, int maxDiameter, int minGrey, int maxGrey) {
        for (int i = 0; i < count; ++i)
        {
            EndFaceDefect d;
            d.X = static_cast<float>(random.Symmetric(recipe.Width / 2));
            d.Y = static_cast<float>(random.Symmetric(recipe.Height / 2));
            d.Diameter = static_cast<float>(minDiameter + random.Symmetric((maxDiameter - minDiameter) / 2) +
                                            (maxDiameter - minDiameter) / 2);
            d.Grey =
                minGrey + static_cast<int>(random.Next() % static_cast<std::uint64_t>(maxGrey - minGrey + 1));
            recipe.Defects.push_back(d);
        }
    };
    switch (kind)
    {
    case EmptyFrameKind::Uniform:
        recipe.Background = 20 + static_cast<int>(random.Next() % 220);
        break;
    case EmptyFrameKind::Noise:
        recipe.Background = 100 + random.Symmetric(40);
        recipe.Noise = 20 + static_cast<int>(random.Next() % 40);
        break;
    case EmptyFrameKind::SpecksOnBlack:
        recipe.Background = 6;
        recipe.Noise = 3;
        specks(40 + static_cast<int>(random.Next() % 60), 2, 14, 120, 255);
        break;
    case EmptyFrameKind::BareFerrule:
        recipe.Background = 150 + random.Symmetric(40);
        recipe.Noise = 3;
        recipe.FerruleTexture = 15 + static_cast<int>(random.Next() % 30);
        recipe.TextureCell = static_cast<float>(12 + random.Next() % 40);
        specks(static_cast<int>(random.Next() % 12), 4, 30, 20, 90);
        break;
    case EmptyFrameKind::Blurred:
        recipe.Background = 150 + random.Symmetric(40);
        recipe.FerruleTexture = 20 + static_cast<int>(random.Next() % 30);
        specks(10 + static_cast<int>(random.Next() % 20), 4, 40, 10, 100);
        recipe.Blur = static_cast<float>(4 + random.Next() % 6);
        recipe.Noise = 2;
        break;
    case EmptyFrameKind::LensCap:
        recipe.Background = 3;
        recipe.Noise = 2;
        specks(20 + static_cast<int>(random.Next() % 60), 1, 1, 180, 255);
        break;
    }
    return recipe;
}

EndFaceRecipe OffCentreEndFace(float dx, float dy)
{
    EndFaceRecipe r;
    r.OffsetX = dx;
    r.OffsetY = dy;
    return r;
}

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
    TEndFaceRandom random(recipe.Seed);
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
    TEndFaceRandom random(recipe.Seed);
    // The relief draws from a stream of its own, so a face without it keeps its bytes.
    const Texture texture = recipe.FerruleTexture > 0 ? MakeTexture(recipe) : Texture{};

    // Grey levels without noise, as one byte per pixel.
    std::vector<int> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
            // Distance in units of the horizontal radius; a ratio of exactly 1 divides by 1.
            const float dyr = dy / recipe.AxisRatio;
            const float d = std::sqrt(dx * dx + dyr * dyr);
            int v = recipe.Background;
            if (recipe.Fiber)
            {
                if (d < recipe.EpoxyRadius)
                    v = recipe.Epoxy;
                if (d < recipe.CladdingRadius)
                    v = recipe.Cladding;
                if (d < recipe.CoreRadius)
                    v = recipe.Core;
            }
            else if (recipe.FerruleTexture > 0)
                v += Relief(texture, static_cast<float>(x), static_cast<float>(y));
            if (recipe.Fiber && recipe.FerruleTexture > 0 &&
                d >= std::max(recipe.CladdingRadius, recipe.EpoxyRadius))
                v += Relief(texture, static_cast<float>(x), static_cast<float>(y));
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

    if (recipe.Blur > 0.0f)
        BlurGreyLevels(grey, w, h, recipe.Blur);

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

void BlurGreyLevels(std::vector<int>& grey, int w, int h, float sigma)
{
    const int radius = static_cast<int>(std::ceil(3.0f * sigma));
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    float sum = 0.0f;
    for (int k = -radius; k <= radius; ++k)
        sum += kernel[static_cast<std::size_t>(k + radius)] =
            std::exp(-static_cast<float>(k * k) / (2.0f * sigma * sigma));
    for (float& k : kernel)
        k /= sum;
    std::vector<float> across(grey.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float v = 0.0f;
            for (int k = -radius; k <= radius; ++k)
                v += kernel[static_cast<std::size_t>(k + radius)] *
                     static_cast<float>(grey[static_cast<std::size_t>(y * w + std::clamp(x + k, 0, w - 1))]);
            across[static_cast<std::size_t>(y * w + x)] = v;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float v = 0.0f;
            for (int k = -radius; k <= radius; ++k)
                v += kernel[static_cast<std::size_t>(k + radius)] *
                     across[static_cast<std::size_t>(std::clamp(y + k, 0, h - 1) * w + x)];
            grey[static_cast<std::size_t>(y * w + x)] = static_cast<int>(std::lround(v));
        }
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

std::vector<std::uint8_t> MakeEndFaceGrey(const EndFaceRecipe& recipe)
{
    const TBitmap b = MakeEndFace(recipe);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(b.Width()) * static_cast<std::size_t>(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out[static_cast<std::size_t>(y) * static_cast<std::size_t>(b.Width()) +
                static_cast<std::size_t>(x)] = b.ScanLine(y)[3 * x];
    return out;
}
