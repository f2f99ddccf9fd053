#include "tests/platform/PngSeeds.h"

#include "tests/platform/PngBuilder.h"

#include <algorithm>

namespace
{
const TRgba Colours[8] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},    {0, 255, 0},
                          {0, 0, 255}, {12, 34, 56},    {200, 100, 50}, {90, 90, 90}};
constexpr int W = 9, H = 7;
} // namespace

std::vector<TNamedFile> DecoderPngSeeds()
{
    struct Kind
    {
        int Type;
        int Channels;
        std::vector<int> Depths;
    };
    const Kind kinds[] = {{PNG_COLOR_TYPE_GRAY, 1, {1, 2, 4, 8, 16}},
                          {PNG_COLOR_TYPE_RGB, 3, {8, 16}},
                          {PNG_COLOR_TYPE_PALETTE, 1, {1, 2, 4, 8}},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 2, {8, 16}},
                          {PNG_COLOR_TYPE_RGB_ALPHA, 4, {8, 16}}};
    std::vector<TNamedFile> seeds;
    for (const Kind& kind : kinds)
        for (int depth : kind.Depths)
            for (int trns = 0; trns < (kind.Channels % 2 ? 3 : 1); ++trns)
                for (bool interlaced : {false, true})
                {
                    TPngLayout layout = PngLayout(W, H, kind.Type, depth, interlaced);
                    const unsigned max = (1u << std::min(depth, 8)) - 1;
                    for (int y = 0; y < H; ++y)
                    {
                        std::vector<unsigned> samples;
                        for (int x = 0; x < W * kind.Channels; ++x)
                            samples.push_back(unsigned(x + y) % (max + 1) * (depth == 16 ? 257u : 1u));
                        AppendPngSamples(layout.Rows, samples, depth);
                    }
                    if (kind.Type == PNG_COLOR_TYPE_PALETTE)
                    {
                        for (unsigned i = 0; i <= max; ++i)
                            layout.Palette.push_back({Colours[i % 8].R, Colours[i % 8].G, Colours[i % 8].B});
                        // 1: one entry clear (a transparent colour), 2: several partly clear.
                        if (trns == 1)
                            layout.PaletteAlpha = {255, 0};
                        if (trns == 2)
                            layout.PaletteAlpha = {0, 128, 200};
                    }
                    else if (trns == 1)
                        layout.TrnsColour = png_color_16{0, 1, 1, 1, 1};
                    else if (trns == 2)
                        continue;
                    seeds.push_back({"png-t" + std::to_string(kind.Type) + "-d" + std::to_string(depth) +
                                         "-trns" + std::to_string(trns) + (interlaced ? "-i" : "") + ".png",
                                     MakePng(layout)});
                }
    return seeds;
}

std::vector<TNamedFile> FastRoadPngSeeds()
{
    std::vector<TNamedFile> seeds;
    const TBytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'f', 'a', 'c', 'e'};
    for (int type : {0, 2, 4, 6})
    {
        const std::string kind = "pngfast-t" + std::to_string(type);
        for (int filter = 0; filter <= 4; ++filter)
        {
            TPngPlan plan = RandomPngPlan(13, 7, type, static_cast<unsigned>(10 * type + filter));
            plan.Filters = {filter};
            seeds.push_back({kind + "-f" + std::to_string(filter) + ".png", BuildPng(plan)});
        }
        // Every filter in turn, the data in 7-byte chunks, ancillary chunks on both sides.
        TPngPlan split = RandomPngPlan(17, 10, type, static_cast<unsigned>(type));
        split.ChunkBytes = 7;
        split.Before = PngChunk("gAMA", {0, 0, 0xB1, 0x8F});
        const TBytes phys = PngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1});
        split.Before.insert(split.Before.end(), phys.begin(), phys.end());
        split.After = PngChunk("tEXt", text);
        seeds.push_back({kind + "-split.png", BuildPng(split)});
        // Stored blocks, fixed codes, and a 512-byte window that holds the whole image.
        TPngPlan plan = RandomPngPlan(11, 5, type, static_cast<unsigned>(type + 100));
        plan.Level = 0;
        seeds.push_back({kind + "-stored.png", BuildPng(plan)});
        plan.Level = 1;
        seeds.push_back({kind + "-fast.png", BuildPng(plan)});
        plan.Level = 9;
        plan.WindowBits = 9;
        seeds.push_back({kind + "-window.png", BuildPng(plan)});
        // Long runs of one colour: matches of the longest length.
        TPngPlan flat = RandomPngPlan(64, 48, type, 0);
        std::fill(flat.Pixels.begin(), flat.Pixels.end(), std::uint8_t{200});
        flat.Filters = {0, 1, 2};
        seeds.push_back({kind + "-flat.png", BuildPng(flat)});
    }
    return seeds;
}
