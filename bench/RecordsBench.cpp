// The cost the inspection log adds to each inspection: building the record from the analyzer and
// appending it, synced, to a log that already holds many records; and the PDF report rendered in
// memory. The folder is a temporary one under the current directory, so the figure is that of
// the disk the program would write to, not of a memory file system.

#include "analysis/TFiberAnalyzer.h"
#include "records/InspectionLog.h"
#include "records/PdfReport.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{
void BM_AppendRecord(benchmark::State& state)
{
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("records-bench-XXXXXX")));
    TFiberAnalyzer analyzer;
    analyzer.SetDefaultCriteria();
    for (auto _ : state)
    {
        TInspectionRecord record = TInspectionRecord::FromAnalyzer(analyzer, true);
        record.Serial = QStringLiteral("PLANT0041");
        record.Source = QStringLiteral("USB Video Device");
        record.Frames = 3;
        TInspectionLog::Append(dir.path(), record);
    }
}
BENCHMARK(BM_AppendRecord)->Unit(benchmark::kMillisecond);

void BM_RenderPdfReport(benchmark::State& state)
{
    TFiberAnalyzer analyzer;
    analyzer.SetDefaultCriteria();
    const TInspectionRecord record = TInspectionRecord::FromAnalyzer(analyzer, true);
    QImage face(640, 480, QImage::Format_BGR888);
    face.fill(Qt::darkGray);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderPdfReport(record, face, QPageSize(QPageSize::A4)));
}
BENCHMARK(BM_RenderPdfReport)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    // Fonts for the PDF's text need the application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
