#pragma once
// A small MT ferrule picture: claddings (bright or dark against the ferrule) with a core, soft
// edges, mild noise, guide-pin holes where they fall, and dark defects on chosen fibres. Enough
// to show the locator's and the judgement's faults; the generator's MT faces go further.
#include "platform/TBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct MtPictureDefect
{
    int Fibre = 1;  // number along the row, from 1
    float X = 0.0f; // um from the fibre's centre
    float Y = 0.0f;
    float Diameter = 4.0f; // um
};

struct MtPicture
{
    int Width = 640, Height = 480;
    float UmPerPixel = 5.0f;
    int FibresPerRow = 12, Rows = 1;
    float PitchUm = 250.0f, RowPitchUm = 500.0f;
    // The picture's centre in ferrule coordinates (um; the ferrule's centre is 0, 0).
    float ViewX = 0.0f, ViewY = 0.0f;
    float TiltDegrees = 0.0f;
    bool Fibres = true;
    int Ferrule = 110, Cladding = 170, Core = 160;
    int Noise = 2;
    std::vector<MtPictureDefect> Defects;

    // The ferrule position (um) of fibre number n (1-based, first row then second).
    void FibrePosition(int n, float& x, float& y) const
    {
        const int row = (n - 1) / FibresPerRow, pos = (n - 1) % FibresPerRow;
        x = (static_cast<float>(pos) - 0.5f * static_cast<float>(FibresPerRow - 1)) * PitchUm;
        y = (static_cast<float>(row) - 0.5f * static_cast<float>(Rows - 1)) * RowPitchUm;
    }
    // Fibre n's centre in the picture's pixels.
    void FibrePixel(int n, float& px, float& py) const
    {
        float x = 0.0f, y = 0.0f;
        FibrePosition(n, x, y);
        const float a = TiltDegrees * 3.14159265f / 180.0f;
        const float dx = x - ViewX, dy = y - ViewY;
        px = 0.5f * static_cast<float>(Width - 1) + (dx * std::cos(a) - dy * std::sin(a)) / UmPerPixel;
        py = 0.5f * static_cast<float>(Height - 1) + (dx * std::sin(a) + dy * std::cos(a)) / UmPerPixel;
    }

    TBitmap Make() const
    {
        TBitmap image(Width, Height);
        std::uint32_t state = 12345u;
        const float a = TiltDegrees * 3.14159265f / 180.0f;
        const float ca = std::cos(a), sa = std::sin(a);
        for (int y = 0; y < Height; ++y)
        {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < Width; ++x)
            {
                float sum = 0.0f;
                // 4 x 4 samples per pixel: soft edges, as a lens gives.
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                    {
                        const float px = static_cast<float>(x) - 0.375f + 0.25f * static_cast<float>(sx) -
                                         0.5f * static_cast<float>(Width - 1);
                        const float py = static_cast<float>(y) - 0.375f + 0.25f * static_cast<float>(sy) -
                                         0.5f * static_cast<float>(Height - 1);
                        // Back into ferrule micrometres.
                        const float fx = ViewX + (px * ca + py * sa) * UmPerPixel;
                        const float fy = ViewY + (-px * sa + py * ca) * UmPerPixel;
                        sum += static_cast<float>(Grey(fx, fy));
                    }
                state = state * 1664525u + 1013904223u;
                const int noise =
                    Noise > 0
                        ? static_cast<int>((state >> 24) % static_cast<std::uint32_t>(2 * Noise + 1)) - Noise
                        : 0;
                const int v = std::clamp(static_cast<int>(sum / 16.0f + 0.5f) + noise, 0, 255);
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<std::uint8_t>(v);
            }
        }
        return image;
    }

private:
    int Grey(float fx, float fy) const
    {
        // Guide-pin holes: 700 um across, 4.6 mm apart (5.3 mm beside a row of sixteen).
        const float holes = FibresPerRow > 12 ? 2650.0f : 2300.0f;
        for (const float hx : {-holes, holes})
            if ((fx - hx) * (fx - hx) + fy * fy < 350.0f * 350.0f)
                return 25;
        if (!Fibres)
            return Ferrule;
        // Only the nearest fibre can hold the point.
        const int pos =
            static_cast<int>(std::lround(fx / PitchUm + 0.5f * static_cast<float>(FibresPerRow - 1)));
        const int row = static_cast<int>(std::lround(fy / RowPitchUm + 0.5f * static_cast<float>(Rows - 1)));
        if (pos >= 0 && pos < FibresPerRow && row >= 0 && row < Rows)
        {
            const int n = row * FibresPerRow + pos + 1;
            float cx = 0.0f, cy = 0.0f;
            FibrePosition(n, cx, cy);
            const float d2 = (fx - cx) * (fx - cx) + (fy - cy) * (fy - cy);
            for (const MtPictureDefect& d : Defects)
                if (d.Fibre == n && (fx - cx - d.X) * (fx - cx - d.X) + (fy - cy - d.Y) * (fy - cy - d.Y) <
                                        0.25f * d.Diameter * d.Diameter)
                    return 20;
            if (d2 < 62.5f * 62.5f)
                return d2 < 4.5f * 4.5f ? Core : Cladding;
        }
        return Ferrule;
    }
};
