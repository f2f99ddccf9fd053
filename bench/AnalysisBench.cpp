// Analysis speed on camera-size end faces: the full inspection of a typical image, the worst
// case for scratch detection (many small bright groups), and image file input.

#include "analysis/TFiberAnalyzer.h"
#include "tools/EndFaceGenerator.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace
{
std::unique_ptr<TFiberAnalyzer> Loaded(const EndFaceRecipe& recipe)
{
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetDefaultCriteria();
    a->SetCapturedImage(MakeEndFace(recipe));
    return a;
}

void FullAnalysis(benchmark::State& state, const EndFaceRecipe& recipe)
{
    auto a = Loaded(recipe);
    for (auto _ : state)
    {
        a->Analyze();
        benchmark::DoNotOptimize(a->EvaluateAcceptance());
    }
    state.counters["findings"] = a->FindingCount[0] + a->FindingCount[1] + a->FindingCount[2];
}

void BM_AnalyzeTypical(benchmark::State& state)
{
    FullAnalysis(state, TypicalEndFace());
}

void BM_AnalyzeBrightSpecks(benchmark::State& state)
{
    FullAnalysis(state, SpeckledEndFace());
}

void BM_PrepareImage(benchmark::State& state)
{
    auto a = Loaded(TypicalEndFace());
    for (auto _ : state)
        a->PrepareImage();
}

void BM_LocateFiber(benchmark::State& state)
{
    auto a = Loaded(TypicalEndFace());
    a->PrepareImage();
    for (auto _ : state)
        a->LocateFiber();
}

void LoadFile(benchmark::State& state, const char* name)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(name).toStdString();
    std::string error;
    EndFaceRecipe recipe = TypicalEndFace();
    recipe.Colour = true;
    if (!dir.isValid() || !WriteEndFace(MakeEndFace(recipe), false, path, error))
    {
        state.SkipWithError(error.c_str());
        return;
    }
    TFiberAnalyzer a;
    for (auto _ : state)
        if (!a.LoadImageFile(path))
        {
            state.SkipWithError("LoadImageFile refused the image");
            break;
        }
}

void BM_LoadImageFileJpeg(benchmark::State& state)
{
    LoadFile(state, "face.jpg");
}

void BM_LoadImageFilePng(benchmark::State& state)
{
    LoadFile(state, "face.png");
}
} // namespace

BENCHMARK(BM_AnalyzeTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeBrightSpecks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateFiber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFileJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFilePng)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
