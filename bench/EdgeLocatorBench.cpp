// The edge locator on 640 x 480 grey frames: a typical face, the dark scratched frame and a frame
// without a fiber (noise). One scratch object per benchmark, as a caller keeps it.

#include "analysis/EdgeLocator.h"
#include "tools/EndFaceGenerator.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace
{
void Run(benchmark::State& state, const EndFaceRecipe& recipe)
{
    const std::vector<std::uint8_t> grey = MakeEndFaceGrey(recipe);
    TEdgeLocatorScratch scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(LocateFiberByEdge(grey.data(), recipe.Width, recipe.Height, scratch));
}
} // namespace

static void BM_EdgeLocatorTypical(benchmark::State& state)
{
    Run(state, TypicalEndFace());
}
BENCHMARK(BM_EdgeLocatorTypical)->Unit(benchmark::kMicrosecond);

static void BM_EdgeLocatorDarkScratched(benchmark::State& state)
{
    Run(state, DarkScratchedFrame());
}
BENCHMARK(BM_EdgeLocatorDarkScratched)->Unit(benchmark::kMicrosecond);

static void BM_EdgeLocatorNoFiber(benchmark::State& state)
{
    Run(state, EmptyFrame(EmptyFrameKind::Noise, 1));
}
BENCHMARK(BM_EdgeLocatorNoFiber)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
