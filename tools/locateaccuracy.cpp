// fiberscope-locateaccuracy: runs the edge locator on generated faces of every kind (polarity,
// core, offset, cut by the frame, ellipse, textured ferrule, defects and scratches on the edge,
// noise and blur, epoxy ring, and all of them mixed) and on frames without a fiber, and prints per
// kind how often the fiber was found, the centre within 1 px and both radii within 1 %, and the
// worst errors. Fixed seeds: the same table every run.
//
//     fiberscope-locateaccuracy [--prepared] [FACES_PER_KIND]   (default 100)
//
// --prepared locates on the picture as the program does: prepared by the engine (median and
// contrast stretch) rather than the generator's grey.

#include "analysis/EdgeLocator.h"
#include "analysis/TFiberAnalyzer.h"
#include "platform/TBitmap.h"
#include "tools/EndFaceGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
enum Trait : unsigned
{
    Reversed = 1,
    BrightCore = 2,
    OffCentre = 4,
    Cut = 8,
    Elliptic = 16,
    Textured = 32,
    EdgeDefects = 64,
    NoisyBlurred = 128,
    EpoxyRing = 256,
};

struct Kind
{
    const char* Name;
    unsigned Traits; // 0 with Mixed: each trait at random
    bool Mixed = false;
};

// Share of the ellipse's circumference outside the picture.
float OutsideShare(const EndFaceRecipe& r)
{
    const float cx = static_cast<float>(r.Width / 2) + r.OffsetX,
                cy = static_cast<float>(r.Height / 2) + r.OffsetY;
    int outside = 0;
    for (int k = 0; k < 720; ++k)
    {
        const float a = static_cast<float>(k) * 6.2831853f / 720.0f;
        const float x = cx + r.CladdingRadius * std::cos(a),
                    y = cy + r.CladdingRadius * r.AxisRatio * std::sin(a);
        if (x < 0.0f || y < 0.0f || x > static_cast<float>(r.Width - 1) ||
            y > static_cast<float>(r.Height - 1))
            ++outside;
    }
    return static_cast<float>(outside) / 720.0f;
}

// Moves the fiber along (dx, dy) as far as it can go, at most `most` pixels, with at most `cut` of
// its circumference outside the picture.
void Place(EndFaceRecipe& r, float dx, float dy, float most, float cut)
{
    float lo = 0.0f, hi = most;
    for (int i = 0; i < 30; ++i)
    {
        const float mid = 0.5f * (lo + hi);
        r.OffsetX = dx * mid;
        r.OffsetY = dy * mid;
        (OutsideShare(r) <= cut ? lo : hi) = mid;
    }
    r.OffsetX = dx * lo;
    r.OffsetY = dy * lo;
}

EndFaceRecipe Face(unsigned traits, TEndFaceRandom& random, std::uint32_t seed)
{
    EndFaceRecipe r;
    r.Seed = seed;
    r.CladdingRadius = random.Uniform(60.0f, 230.0f);
    r.Noise = 2;
    if (traits & Reversed)
    {
        r.Cladding = random.Int(150, 230);
        r.Background = random.Int(10, 70);
    }
    else
    {
        r.Cladding = random.Int(50, 110);
        r.Background = random.Int(160, 230);
    }
    if (random.Chance(0.7f))
    {
        r.CoreRadius = r.CladdingRadius * random.Uniform(0.07f, 0.45f);
        r.Core = r.Cladding + (traits & Reversed ? 20 : -15);
    }
    if (traits & BrightCore)
    {
        r.CoreRadius = r.CladdingRadius * random.Uniform(0.07f, 0.45f);
        r.Core = std::min(255, std::max(r.Cladding, r.Background) + random.Int(15, 50));
    }
    if (traits & Elliptic)
        r.AxisRatio = random.Uniform(0.95f, 1.05f);
    if (traits & EpoxyRing)
    {
        r.EpoxyRadius = r.CladdingRadius * random.Uniform(1.03f, 1.05f);
        r.Epoxy = r.Background + static_cast<int>(static_cast<float>(r.Cladding - r.Background) *
                                                  random.Uniform(0.15f, 0.6f));
    }
    if (traits & Textured)
    {
        r.FerruleTexture = random.Int(8, 30);
        r.TextureCell = random.Uniform(8.0f, 40.0f);
        for (int i = random.Int(3, 12); i > 0; --i)
        {
            const float a = random.Uniform(0.0f, 6.2831853f),
                        d = r.CladdingRadius * random.Uniform(1.1f, 2.0f);
            r.Defects.push_back({d * std::cos(a), d * std::sin(a), random.Uniform(5.0f, 30.0f),
                                 random.Chance(0.5f) ? random.Int(0, 60) : random.Int(200, 255)});
        }
    }
    if (traits & EdgeDefects)
    {
        for (int i = random.Int(2, 6); i > 0; --i)
        {
            const float a = random.Uniform(0.0f, 6.2831853f),
                        d = r.CladdingRadius + random.Uniform(-5.0f, 5.0f);
            r.Defects.push_back({d * std::cos(a), d * r.AxisRatio * std::sin(a), random.Uniform(4.0f, 20.0f),
                                 random.Chance(0.5f) ? random.Int(0, 40) : random.Int(200, 255)});
        }
        for (int i = random.Int(1, 3); i > 0; --i)
        {
            const float a = random.Uniform(0.0f, 6.2831853f), b = a + random.Uniform(0.3f, 2.5f);
            const float d = r.CladdingRadius * 1.15f;
            r.Scratches.push_back({d * std::cos(a), d * std::sin(a), d * std::cos(b), d * std::sin(b),
                                   random.Uniform(1.0f, 4.0f), random.Int(20, 80)});
        }
    }
    if (traits & NoisyBlurred)
    {
        r.Noise = random.Int(5, 20);
        r.Blur = random.Uniform(0.8f, 2.5f);
    }
    const float a = random.Uniform(0.0f, 6.2831853f);
    if (traits & Cut)
        Place(r, std::cos(a), std::sin(a), 1000.0f, random.Uniform(0.05f, 0.30f));
    else if (traits & OffCentre)
        Place(r, std::cos(a), std::sin(a), random.Uniform(0.3f, 1.5f) * r.CladdingRadius, 0.30f);
    else
        Place(r, std::cos(a), std::sin(a), random.Uniform(0.0f, 20.0f), 0.0f);
    return r;
}

struct Tally
{
    int Count = 0, Found = 0, CentreOk = 0, RadiiOk = 0, Both = 0;
    float WorstCentre = 0.0f, WorstRadius = 0.0f;
};

// The picture the locator sees: the generator's grey, or the engine's prepared one.
std::vector<std::uint8_t> Picture(const EndFaceRecipe& recipe, bool prepared)
{
    if (!prepared)
        return MakeEndFaceGrey(recipe);
    static TFiberAnalyzer analyzer;
    analyzer.SetCapturedImage(MakeEndFace(recipe));
    analyzer.PrepareImage();
    const auto n = static_cast<std::size_t>(recipe.Width) * static_cast<std::size_t>(recipe.Height);
    return {analyzer.GreyBuffer.begin(), analyzer.GreyBuffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

void Print(const char* name, const Tally& t)
{
    std::printf("%-22s %6d %6d %8d %8d %8d %9.2f %9.2f\n", name, t.Count, t.Found, t.CentreOk, t.RadiiOk,
                t.Both, t.WorstCentre, t.WorstRadius);
}
} // namespace

int main(int argc, char** argv)
{
    const bool prepared = argc > 1 && std::strcmp(argv[1], "--prepared") == 0;
    if (prepared)
    {
        --argc;
        ++argv;
    }
    const int perKind = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const Kind kinds[] = {
        {"dark on bright", 0},         {"bright on dark", Reversed},
        {"bright core", BrightCore},   {"bright core, reversed", BrightCore | Reversed},
        {"off centre", OffCentre},     {"cut by frame", Cut},
        {"ellipse", Elliptic},         {"textured ferrule", Textured},
        {"edge defects", EdgeDefects}, {"noise and blur", NoisyBlurred},
        {"epoxy ring", EpoxyRing},     {"mixed", 0, true},
    };
    TEdgeLocatorScratch scratch;
    Tally all;
    std::vector<std::string> misses;
    std::printf("%-22s %6s %6s %8s %8s %8s %9s %9s\n", "kind", "faces", "found", "ctr<1px", "r<1%", "both",
                "worst px", "worst r%");
    std::uint32_t seed = 1000;
    for (const Kind& kind : kinds)
    {
        Tally t;
        TEndFaceRandom random(0xF1BE5 + seed);
        for (int i = 0; i < perKind * (kind.Mixed ? 2 : 1); ++i, ++seed)
        {
            unsigned traits = kind.Traits;
            if (kind.Mixed)
                for (unsigned bit = 1; bit <= EpoxyRing; bit <<= 1)
                    if (random.Chance(0.4f))
                        traits |= bit;
            const EndFaceRecipe recipe = Face(traits, random, seed);
            const std::vector<std::uint8_t> grey = Picture(recipe, prepared);
            const TEdgeLocation loc = LocateFiberByEdge(grey.data(), recipe.Width, recipe.Height, scratch);
            ++t.Count;
            const float tx = static_cast<float>(recipe.Width / 2) + recipe.OffsetX;
            const float ty = static_cast<float>(recipe.Height / 2) + recipe.OffsetY;
            const float rx = recipe.CladdingRadius, ry = recipe.CladdingRadius * recipe.AxisRatio;
            float centre = 1e9f, radius = 1e9f;
            if (loc.Found)
            {
                ++t.Found;
                centre = std::hypot(loc.Centre.X - tx, loc.Centre.Y - ty);
                radius = 100.0f * std::max(std::abs(loc.RadiusX - rx) / rx, std::abs(loc.RadiusY - ry) / ry);
                t.CentreOk += centre <= 1.0f;
                t.RadiiOk += radius <= 1.0f;
                t.Both += centre <= 1.0f && radius <= 1.0f;
                t.WorstCentre = std::max(t.WorstCentre, centre);
                t.WorstRadius = std::max(t.WorstRadius, radius);
            }
            if (!(centre <= 1.0f && radius <= 1.0f))
            {
                char line[256];
                std::snprintf(line, sizeof line,
                              "  %s seed %u traits %03x R %.1f ratio %.3f off (%.0f,%.0f): %s centre err "
                              "%.2f r err %.2f%%",
                              kind.Name, seed, traits, static_cast<double>(rx),
                              static_cast<double>(recipe.AxisRatio), static_cast<double>(recipe.OffsetX),
                              static_cast<double>(recipe.OffsetY),
                              loc.Found ? "found" : NoFiberReasonName(loc.Reason),
                              static_cast<double>(centre), static_cast<double>(radius));
                misses.push_back(line);
            }
        }
        Print(kind.Name, t);
        all.Count += t.Count;
        all.Found += t.Found;
        all.CentreOk += t.CentreOk;
        all.RadiiOk += t.RadiiOk;
        all.Both += t.Both;
        all.WorstCentre = std::max(all.WorstCentre, t.WorstCentre);
        all.WorstRadius = std::max(all.WorstRadius, t.WorstRadius);
    }
    Print("all faces", all);

    std::printf("\n%-22s %6s %15s\n", "frame without fiber", "frames", "false positives");
    int frames = 0, falsePositives = 0;
    for (int k = 0; k < EmptyFrameKinds; ++k)
    {
        int count = 0, fp = 0;
        for (int i = 0; i < std::max(20, perKind / 5); ++i, ++seed)
        {
            const EndFaceRecipe recipe = EmptyFrame(static_cast<EmptyFrameKind>(k), seed);
            const std::vector<std::uint8_t> grey = Picture(recipe, prepared);
            const TEdgeLocation loc = LocateFiberByEdge(grey.data(), recipe.Width, recipe.Height, scratch);
            ++count;
            if (loc.Found)
            {
                ++fp;
                char line[160];
                std::snprintf(line, sizeof line, "  %s seed %u: found at (%.1f, %.1f) r %.1f",
                              EmptyFrameName(static_cast<EmptyFrameKind>(k)), seed,
                              static_cast<double>(loc.Centre.X), static_cast<double>(loc.Centre.Y),
                              static_cast<double>(loc.RadiusX));
                misses.push_back(line);
            }
        }
        std::printf("%-22s %6d %15d\n", EmptyFrameName(static_cast<EmptyFrameKind>(k)), count, fp);
        frames += count;
        falsePositives += fp;
    }
    std::printf("%-22s %6d %15d\n", "all frames", frames, falsePositives);
    if (!misses.empty())
    {
        std::printf("\nmisses:\n");
        for (const std::string& m : misses)
            std::printf("%s\n", m.c_str());
    }
    const bool met = all.Found == all.Count &&
                     static_cast<float>(all.Both) >= 0.99f * static_cast<float>(all.Count) &&
                     falsePositives == 0;
    std::printf("\n%s\n", met ? "targets met" : "targets NOT met");
    return met ? 0 : 1;
}
