// What a true-size profile adds to an inspection: measuring every finding in micrometres and
// counting them against a table, after the station's own analysis. The window does this for the
// log of every inspection (the classic one too), so it is compared with the analysis itself.
//
//   taskset -c 1 build/bench/profiles_bench --benchmark_repetitions=9
//       --benchmark_report_aggregates_only=true

#include "analysis/TFiberAnalyzer.h"
#include "profiles/FiberLocation.h"
#include "profiles/ProfileEvaluation.h"
#include "tools/EndFaceGenerator.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace
{
std::unique_ptr<TFiberAnalyzer> Analysed(const EndFaceRecipe& recipe)
{
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetCapturedImage(MakeEndFace(recipe));
    a->Analyze();
    return a;
}

const EndFaceRecipe Recipes[] = {TypicalEndFace(), SpeckledEndFace(), DarkScratchedFrame()};

void BM_Analyze(benchmark::State& state)
{
    TFiberAnalyzer a;
    a.SetCapturedImage(MakeEndFace(Recipes[state.range(0)]));
    for (auto _ : state)
    {
        a.Analyze();
        benchmark::DoNotOptimize(a.FindingCount[1]);
    }
}

// The analysis as every Check and live frame now runs it: the fiber check (the edge locator on the
// prepared picture) between the location and the detection. range(1): 0 rays judge, 1 the edge.
void BM_AnalyzeLocated(benchmark::State& state)
{
    TFiberAnalyzer a;
    a.SetCapturedImage(MakeEndFace(Recipes[state.range(0)]));
    TEdgeLocatorScratch scratch;
    const TLocateMethod method = state.range(1) ? TLocateMethod::Edges : TLocateMethod::Rays;
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyzeLocated(a, scratch, method).Outcome);
}

void BM_MeasureFindings(benchmark::State& state)
{
    const auto analysed = Analysed(Recipes[state.range(0)]);
    const TFiberAnalyzer& a = *analysed;
    const TFibreScale scale = FibreScaleOf(a);
    std::size_t found = 0;
    for (auto _ : state)
    {
        found = MeasureFindings(a, scale).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["findings"] = static_cast<double>(found);
}

void BM_EvaluateSinglePc(benchmark::State& state)
{
    const auto analysed = Analysed(Recipes[state.range(0)]);
    const TFiberAnalyzer& a = *analysed;
    const TCriteriaProfile& profile = *FindProfile("sm-pc");
    for (auto _ : state)
        benchmark::DoNotOptimize(EvaluateProfile(a, profile).Pass);
}
} // namespace

// 0 typical, 1 about 1,000 bright specks, 2 a dark frame crossed by bright lines.
BENCHMARK(BM_Analyze)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeLocated)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureFindings)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateSinglePc)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
