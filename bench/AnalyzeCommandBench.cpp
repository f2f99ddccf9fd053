// The command-line analyser on an archive: copies of the bundled samples checked with
// --mode both --json, on one job and on one per core. Reports files per second (items_per_second),
// the output written to memory.
//
//   build/bench/analyze_command_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include "tools/AnalyzeCommand.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sstream>
#include <thread>

namespace
{
constexpr int Copies = 20;

struct TArchive
{
    QTemporaryDir Dir;
    std::vector<std::string> Files;

    TArchive()
    {
        for (int copy = 0; copy < Copies; ++copy)
            for (const char* name : {"clean-pass.png", "core-defect.png", "cladding-scratch.png",
                                     "contact-defect.bmp", "wide-720-pass.png"})
            {
                const QString path = Dir.filePath(QString::number(copy) + "-" + name);
                QFile::copy(QStringLiteral(FS_SOURCE_DIR "/samples/") + name, path);
                Files.push_back(path.toStdString());
            }
    }
};

void Archive(benchmark::State& state, int jobs)
{
    static const TArchive archive;
    std::vector<std::string> args = {"--mode", "both", "--json", "--jobs", std::to_string(jobs)};
    args.insert(args.end(), archive.Files.begin(), archive.Files.end());
    for (auto _ : state)
    {
        std::ostringstream out, err;
        if (RunAnalyzeCommand(args, out, err) == ExitError)
        {
            state.SkipWithError(err.str().c_str());
            break;
        }
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(archive.Files.size()));
}

void BM_AnalyzeArchiveOneJob(benchmark::State& state)
{
    Archive(state, 1);
}

void BM_AnalyzeArchiveEveryCore(benchmark::State& state)
{
    Archive(state, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}
} // namespace

// Wall-clock time: the jobs run on threads of their own.
BENCHMARK(BM_AnalyzeArchiveOneJob)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AnalyzeArchiveEveryCore)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
