// The main window's own costs: building and showing it (start-up), the overlay drawn on every
// live frame, and opening a sample (analysis, verdict display and repaint of the result view).
// Offscreen; the start-up question is answered with No.

#include "app/TMainForm.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

namespace
{
void Quiet()
{
    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    });
}

void BM_StartUpToShownWindow(benchmark::State& state)
{
    for (auto _ : state)
    {
        auto form = std::make_unique<TMainForm>();
        form->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form.get());
    }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond);

void BM_LiveOverlay(benchmark::State& state)
{
    TMainForm form;
    form.show();
    form.FitVideoWindow(640, 480, false);
    if (state.range(0) != 0)
        form.ShowOverlayMessage(QStringLiteral("Image Saved : /home/user/images/20261210051500.bmp"));
    QImage frame(640, 480, QImage::Format_BGR888);
    frame.fill(Qt::darkGray);
    for (auto _ : state)
    {
        QPainter painter(&frame);
        form.VIDEOFrameOverlayUsingDC(&painter);
    }
}
BENCHMARK(BM_LiveOverlay)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OpenSample(benchmark::State& state)
{
    TMainForm form;
    form.show();
    for (auto _ : state)
        form.OpenImageFile(FS_SOURCE_DIR "/samples/cladding-scratch.png");
}
BENCHMARK(BM_OpenSample)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    Quiet();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
