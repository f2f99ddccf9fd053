// Analysis speed on camera-size end faces: each stage and the full inspection (prepare, locate,
// detect, evaluate) of typical faces, the two worst cases (a dark frame crossed by bright lines
// and specks; about 1,000 small bright groups on the cladding), a live frame including its
// hand-over, image file input, and the floor: one plain copy of the 640 x 480 B G R frame, to
// which the full analysis is compared in the same run.
//
//   taskset -c 1 build/bench/analysis_bench --benchmark_repetitions=9
//       --benchmark_report_aggregates_only=true

#include "analysis/Kernels.h"
#include "analysis/TFiberAnalyzer.h"
#include "tools/EndFaceGenerator.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
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

// The floor: one copy of the frame's 921,600 bytes, as any analysis must at least read them.
void BM_Floor(benchmark::State& state)
{
    const TBitmap frame = MakeEndFace(TypicalEndFace());
    TBitmap copy(frame.Width(), frame.Height());
    const auto bytes = static_cast<std::size_t>(3 * frame.Width());
    for (auto _ : state)
    {
        for (int y = 0; y < frame.Height(); ++y)
            std::memcpy(copy.ScanLine(y), frame.ScanLine(y), bytes);
        benchmark::ClobberMemory();
    }
}

void BM_AnalyzeTypical(benchmark::State& state)
{
    FullAnalysis(state, TypicalEndFace());
}

// The bundled samples' recipes (clean, core defect, cladding scratch, contact defect).
void BM_AnalyzeSampleRecipes(benchmark::State& state)
{
    EndFaceRecipe recipe = TypicalEndFace();
    recipe.Defects.clear();
    recipe.Scratches.clear();
    switch (state.range(0))
    {
    case 1:
        recipe.Defects = {{9, -7, 5, 20}};
        break;
    case 2:
        recipe.Scratches = {{-130, 88, 130, 96, 3, 6}};
        break;
    case 3:
        recipe.Defects = {{150, 150, 14, 40}};
        break;
    default:
        break;
    }
    FullAnalysis(state, recipe);
}

void BM_AnalyzeBrightSpecks(benchmark::State& state)
{
    FullAnalysis(state, SpeckledEndFace());
}

void BM_AnalyzeDarkScratched(benchmark::State& state)
{
    FullAnalysis(state, DarkScratchedFrame());
}

// The worst frames by name: the dark frames the generator makes (crossed by bright lines, dust on
// a black field, a capped scope with hot pixels) and about 1,000 bright specks over the cladding
// crossed by the dark frame's 48 bright lines. The full analysis, whatever the locator would
// say about them: the detection's cost is what they show.
EndFaceRecipe WorstFrame(int which)
{
    switch (which)
    {
    case 0:
        return DarkScratchedFrame();
    case 1:
        return EmptyFrame(EmptyFrameKind::SpecksOnBlack, 1);
    case 2:
        return EmptyFrame(EmptyFrameKind::LensCap, 1);
    default: {
        EndFaceRecipe recipe = SpeckledEndFace();
        recipe.Scratches = DarkScratchedFrame().Scratches;
        return recipe;
    }
    }
}

void BM_AnalyzeWorstFrame(benchmark::State& state)
{
    static const char* const names[] = {"dark-scratched", "specks-on-black", "lens-cap", "specks-and-lines"};
    state.SetLabel(names[state.range(0)]);
    FullAnalysis(state, WorstFrame(static_cast<int>(state.range(0))));
}

// One live frame: handed over from the capture control, then analysed and evaluated.
void BM_LiveFrame(benchmark::State& state)
{
    const TBitmap frame = MakeEndFace(TypicalEndFace());
    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    for (auto _ : state)
    {
        a.SetCapturedImage(frame);
        a.Analyze();
        benchmark::DoNotOptimize(a.EvaluateAcceptance());
    }
}

void BM_PrepareImage(benchmark::State& state)
{
    auto a = Loaded(TypicalEndFace());
    for (auto _ : state)
        a->PrepareImage();
}

// Preparation on each vector unit the processor has (0 scalar, 1 SSE2, 2 AVX2, 3 AVX-512).
void BM_PrepareImageOn(benchmark::State& state)
{
    const auto target = static_cast<TKernelTarget>(state.range(0));
    const TKernelTarget saved = KernelTarget();
    if (!SetKernelTarget(target))
    {
        state.SkipWithError("not supported by this processor");
        return;
    }
    state.SetLabel(KernelTargetName(target));
    auto a = Loaded(TypicalEndFace());
    for (auto _ : state)
        a->PrepareImage();
    SetKernelTarget(saved);
}

void BM_LocateFiber(benchmark::State& state)
{
    auto a = Loaded(TypicalEndFace());
    a->PrepareImage();
    for (auto _ : state)
        a->LocateFiber();
}

// Detection overwrites the grey image with labels, so each round first restores the prepared
// image: the figure includes one 307,200-byte copy (see BM_Floor for what a copy costs).
void Detection(benchmark::State& state, const EndFaceRecipe& recipe)
{
    auto a = Loaded(recipe);
    a->PrepareImage();
    a->LocateFiber();
    const std::vector<std::uint8_t> prepared = a->GreyBuffer;
    for (auto _ : state)
    {
        std::memcpy(a->GreyBuffer.data(), prepared.data(), prepared.size());
        a->DetectDefects();
    }
}

void BM_DetectTypical(benchmark::State& state)
{
    Detection(state, TypicalEndFace());
}

void BM_DetectBrightSpecks(benchmark::State& state)
{
    Detection(state, SpeckledEndFace());
}

void BM_DetectDarkScratched(benchmark::State& state)
{
    Detection(state, DarkScratchedFrame());
}

void BM_EvaluateAcceptance(benchmark::State& state)
{
    auto a = Loaded(TypicalEndFace());
    a->Analyze();
    Finding saved[3][TFiberAnalyzer::ListLimit];
    for (int list = 0; list < 3; ++list)
        std::copy_n(a->Findings[list], TFiberAnalyzer::ListLimit, saved[list]);
    for (auto _ : state)
    {
        // The evaluation scales the findings in place: start from the detected sizes each time.
        for (int list = 0; list < 3; ++list)
            std::copy_n(saved[list], TFiberAnalyzer::ListLimit, a->Findings[list]);
        benchmark::DoNotOptimize(a->EvaluateAcceptance());
    }
}

// The typical face in colour, written as the name says; with alpha, as a PNG with an alpha
// channel: opaque but for a border that fades out, as an image editor exports a vignetted face.
void LoadFile(benchmark::State& state, const char* name, bool alpha = false)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(name).toStdString();
    std::string error;
    EndFaceRecipe recipe = TypicalEndFace();
    recipe.Colour = true;
    const TBitmap face = MakeEndFace(recipe);
    bool written = false;
    if (alpha)
    {
        QImage rgba = face.Image().convertToFormat(QImage::Format_RGBA8888);
        for (int y = 0; y < rgba.height(); ++y)
        {
            std::uint8_t* p = rgba.scanLine(y);
            for (int x = 0; x < rgba.width(); ++x)
            {
                const int edge = std::min({x, y, rgba.width() - 1 - x, rgba.height() - 1 - y});
                p[4 * x + 3] = static_cast<std::uint8_t>(std::min(255, 128 + 4 * edge));
            }
        }
        written = dir.isValid() && rgba.save(QString::fromStdString(path), "PNG");
        error = "could not write " + path;
    }
    else
        written = dir.isValid() && WriteEndFace(face, false, path, error);
    if (!written)
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

void BM_LoadImageFilePngAlpha(benchmark::State& state)
{
    LoadFile(state, "face.png", true);
}
} // namespace

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeSampleRecipes)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeBrightSpecks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeDarkScratched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeWorstFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareImageOn)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateFiber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectBrightSpecks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectDarkScratched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateAcceptance)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFileJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFilePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFilePngAlpha)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
