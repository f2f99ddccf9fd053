#pragma once
// Small synthetic images for the engine's tests, and a plain way to hand them to an analyzer.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

// Grey levels, row-major, with the pixel operations the fixtures need.
struct GreyImage
{
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    GreyImage(int width, int height, std::uint8_t level)
        : Width(width), Height(height), Pixels(static_cast<std::size_t>(width * height), level)
    {
    }
    std::uint8_t& At(int x, int y) { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
    std::uint8_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)]; }

    void FillRect(int x0, int y0, int w, int h, std::uint8_t level)
    {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                At(x, y) = level;
    }
    // Every pixel whose centre lies closer than radius to (cx, cy).
    void FillDisc(float cx, float cy, float radius, std::uint8_t level)
    {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
            {
                const float dx = static_cast<float>(x) - cx;
                const float dy = static_cast<float>(y) - cy;
                if (dx * dx + dy * dy < radius * radius)
                    At(x, y) = level;
            }
    }

    TBitmap ToBitmap() const
    {
        TBitmap b(Width, Height);
        for (int y = 0; y < Height; ++y)
        {
            std::uint8_t* row = b.ScanLine(y);
            for (int x = 0; x < Width; ++x)
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = At(x, y);
        }
        return b;
    }
};

inline GreyImage RandomGrey(int width, int height, unsigned seed)
{
    GreyImage image(width, height, 0);
    std::mt19937 random(seed);
    for (std::uint8_t& p : image.Pixels)
        p = static_cast<std::uint8_t>(random() & 0xFF);
    return image;
}

// A noisy end face: a bright cladding whose noise makes many scratch candidates, large enough
// groups to be split and accepted, dark spots of every size in and around it.
inline GreyImage NoisyEndFace(unsigned seed)
{
    std::mt19937 random(seed);
    // mt19937's output is fixed by the standard, the library's distributions are not.
    const auto uniform = [&](int lo, int hi) {
        return lo + static_cast<int>(random() % static_cast<std::uint32_t>(hi - lo + 1));
    };
    GreyImage image(640, 480, 200);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
        {
            const int dx = x - 320;
            const int dy = y - 240;
            if (dx * dx + dy * dy < 150 * 150)
                image.At(x, y) = static_cast<std::uint8_t>(uniform(128, 160));
            else if (uniform(0, 99) < 3)
                image.At(x, y) = static_cast<std::uint8_t>(uniform(100, 139));
        }
    for (int i = 0; i < 40; ++i)
    {
        const int w = uniform(1, 60);
        const int h = uniform(1, 60);
        image.FillRect(uniform(0, 639 - w), uniform(0, 479 - h), w, h,
                       static_cast<std::uint8_t>(uniform(0, 70)));
    }
    return image;
}

// Gives the analyzer the bitmap as its source and working image, with a grey buffer of the same
// size, as a file of that size would.
inline void GiveImage(TFiberAnalyzer& a, const TBitmap& image)
{
    a.SourceRaster = std::make_unique<TLumarcRaster>(image.Width(), image.Height());
    a.SourceRaster->Bitmap->Image() = image.Image().copy();
    a.WorkRaster = std::make_unique<TLumarcRaster>(image.Width(), image.Height());
    a.WorkRaster->Bitmap->Image() = image.Image().copy();
    a.GreyBuffer.assign(static_cast<std::size_t>(image.Width() * image.Height()), 0);
}

// Puts grey levels straight into the grey buffer, as preparation leaves them, with a working
// image showing the same levels.
inline void GiveGrey(TFiberAnalyzer& a, const GreyImage& image)
{
    GiveImage(a, image.ToBitmap());
    a.ImageWidth = image.Width;
    a.ImageHeight = image.Height;
    a.GreyBuffer = image.Pixels;
}

inline std::vector<std::uint8_t> GreyOf(const TFiberAnalyzer& a)
{
    return {a.GreyBuffer.begin(), a.GreyBuffer.begin() + a.ImageWidth * a.ImageHeight};
}

// The median as plainly written: an exchange sort of the nine values from the unfiltered image.
inline std::vector<std::uint8_t> ReferenceMedian(const GreyImage& in)
{
    std::vector<std::uint8_t> out = in.Pixels;
    for (int y = 1; y < in.Height - 1; ++y)
        for (int x = 1; x < in.Width - 1; ++x)
        {
            std::uint8_t v[9];
            int n = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    v[n++] = in.At(x + dx, y + dy);
            for (int i = 0; i < 9; ++i)
                for (int j = i + 1; j < 9; ++j)
                    if (v[i] > v[j])
                        std::swap(v[i], v[j]);
            out[static_cast<std::size_t>(y * in.Width + x)] = v[4];
        }
    return out;
}
