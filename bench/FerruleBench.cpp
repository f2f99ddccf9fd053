// The multi-fibre check as the program runs it on one picture: PrepareImage, then CheckFibres
// (locate every fibre, number them, judge each whole one of a fibre view). An overview of 16
// fibres (target under 10 ms) and a fibre view of two whole fibres with findings, beside the
// single-fibre inspection of a typical face for comparison. Each picture is made once; only the
// engine is timed.
//
//   taskset -c 1 build/bench/ferrule_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true

#include "analysis/TFiberAnalyzer.h"
#include "ferrule/FibreJudgement.h"
#include "profiles/CriteriaProfile.h"
#include "tools/EndFaceGenerator.h"
#include "tools/MtFaceGenerator.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace
{
void Check(benchmark::State& state, const MtFaceRecipe& recipe, int firstFibre)
{
    TCriteriaProfile profile = *FindProfile("mt-sm-apc");
    profile.Ferrule = recipe.Layout();
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetDefaultCriteria();
    a->SetCapturedImage(MakeMtFace(recipe));
    TFibreRowScratch scratch;
    int fibres = 0;
    for (auto _ : state)
    {
        a->PrepareImage();
        const TMtCheck check = CheckFibres(*a, profile, firstFibre, scratch);
        fibres = static_cast<int>(check.Fibres.size());
        benchmark::DoNotOptimize(check.Fibres.data());
    }
    state.counters["fibres"] = fibres;
}

void BM_CheckOverview16(benchmark::State& state)
{
    MtFaceRecipe r = MtOverview(16, 1);
    r.TiltDegrees = 1.5f;
    Check(state, r, 1);
}

// Fibres 3 and 4 whole, 2 and 5 cut by the frame; a defect and a scratch on each whole one.
void BM_CheckFibreView2(benchmark::State& state)
{
    MtFaceRecipe r = MtFibreView(0.75f, 3);
    r.TiltDegrees = 1.0f;
    r.Defects = {{3, 25.0f, -10.0f, 4.0f, 20}, {4, -30.0f, 20.0f, 6.0f, 20}};
    r.Scratches = {{3, -40.0f, 30.0f, 40.0f, 25.0f, 4.0f, 6}, {4, -35.0f, -20.0f, 35.0f, -28.0f, 5.0f, 6}};
    Check(state, r, 3);
}

// The single-fibre inspection of the typical face (prepare, locate, detect, evaluate).
void BM_AnalyzeSingleFibre(benchmark::State& state)
{
    auto a = std::make_unique<TFiberAnalyzer>();
    a->SetDefaultCriteria();
    a->SetCapturedImage(MakeEndFace(TypicalEndFace()));
    for (auto _ : state)
    {
        a->Analyze();
        benchmark::DoNotOptimize(a->EvaluateAcceptance());
    }
}
} // namespace

BENCHMARK(BM_CheckOverview16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFibreView2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzeSingleFibre)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
