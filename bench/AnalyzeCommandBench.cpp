// The command-line analyser on an archive: copies of the bundled samples checked with
// --mode both --json, on one job and on one per core; the cost of one file of each format (the
// same generated faces as BMP, JPEG and PNG, one mode, one job); and a mixed folder of the three,
// --mode both, on one job and two. Reports files per second (items_per_second), the output
// written to memory. Whole-process figures (start-up included) come from timing the program.
//
//   build/bench/analyze_command_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include "tools/AnalyzeCommand.h"
#include "tools/EndFaceGenerator.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// Generated 640 x 480 faces, each written as BMP, JPEG and PNG: the files of a format differ from
// those of another only in how they are stored.
struct TFaces
{
    static constexpr int Count = 12;
    QTemporaryDir Dir;
    std::vector<std::string> Bmp, Jpeg, Png, Mixed;

    TFaces()
    {
        for (int i = 0; i < Count; ++i)
        {
            EndFaceRecipe recipe = i % 3 == 0   ? TypicalEndFace()
                                   : i % 3 == 1 ? SpeckledEndFace()
                                                : OffCentreEndFace(static_cast<float>(i), -5.0f);
            recipe.Seed = static_cast<std::uint32_t>(100 + i);
            recipe.Colour = i % 2 == 1;
            const TBitmap face = MakeEndFace(recipe);
            for (auto [files, suffix] : {std::pair{&Bmp, ".bmp"}, {&Jpeg, ".jpg"}, {&Png, ".png"}})
            {
                const std::string path = Dir.filePath(QString::number(i) + suffix).toStdString();
                std::string error;
                if (!WriteEndFace(face, !recipe.Colour, path, error))
                    throw std::runtime_error(error);
                files->push_back(path);
            }
            // Formats in turn, so a job meets a change of road at every file.
            const std::string* made[3] = {&Bmp.back(), &Jpeg.back(), &Png.back()};
            for (int k = 0; k < 3; ++k)
                Mixed.push_back(*made[(i + k) % 3]);
        }
    }
};

const TFaces& Faces()
{
    static const TFaces faces;
    return faces;
}

void Run(benchmark::State& state, std::vector<std::string> args, const std::vector<std::string>& files)
{
    args.insert(args.end(), files.begin(), files.end());
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
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}

void Archive(benchmark::State& state, int jobs)
{
    static const TArchive archive;
    Run(state, {"--mode", "both", "--json", "--jobs", std::to_string(jobs)}, archive.Files);
}

void BM_AnalyzeFormat(benchmark::State& state, std::vector<std::string> TFaces::*files)
{
    Run(state, {"--jobs", "1"}, Faces().*files);
}

void BM_AnalyzeMixedFolder(benchmark::State& state)
{
    Run(state, {"--mode", "both", "--jobs", std::to_string(state.range(0))}, Faces().Mixed);
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
BENCHMARK_CAPTURE(BM_AnalyzeFormat, bmp, &TFaces::Bmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AnalyzeFormat, jpeg, &TFaces::Jpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AnalyzeFormat, png, &TFaces::Png)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AnalyzeMixedFolder)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
