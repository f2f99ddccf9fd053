// Live preview cost of the capture control: a 640 x 480, 30 fps camera of the fake provider
// previewed into a shown widget, the overlay drawing a dotted cross-hair on every frame.
// Reported per run: CPU per shown frame (whole process, and the GUI thread alone), the share of
// one core, frames shown against frames the source produced (from the frame times), and heap
// allocations on the GUI thread per frame once running. A second benchmark times capture
// requests to OnFrameCaptureCompleted.
//
// The whole-process figure includes videotestsrc drawing the picture, which a real camera does
// in hardware; the GUI-thread figure is the control's own frame path.

#include "bench/GuiMallocCounter.h"
#include "tests/support/FakeCameras.h"
#include "videograbber/TVideoGrabber.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <ctime>
#include <pthread.h>
#include <vector>

namespace
{

double CpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Preview
{
    TVideoGrabber Grabber;
    long Shown = 0;
    qint64 LastFrameTimeMs = 0;
    std::vector<double> CaptureLatenciesMs;
    QElapsedTimer CaptureClock;
    bool Running = false;
    const QPen CrossHairPen{QColor(255, 255, 0), 1, Qt::DotLine};

    // shown: the widget paints each frame; draw: the overlay draws the cross-hair.
    explicit Preview(bool shown = true, bool draw = true)
    {
        Grabber.resize(640, 480);
        if (shown)
            Grabber.show();
        QObject::connect(&Grabber, &TVideoGrabber::OnFrameOverlayUsingDC, &Grabber,
                         [this, draw](TVideoGrabber*, QPainter* dc, qint64, qint64 frameTime, qint64) {
                             ++Shown;
                             LastFrameTimeMs = frameTime;
                             if (!draw)
                                 return;
                             dc->setPen(CrossHairPen);
                             dc->setBrush(Qt::NoBrush);
                             dc->drawLine(320, 0, 320, 480);
                             dc->drawLine(0, 240, 640, 240);
                         });
        QObject::connect(&Grabber, &TVideoGrabber::OnFrameCaptureCompleted, &Grabber,
                         [this](TVideoGrabber*, const TBitmap*, int, int, qint64, qint64, int, const QString&,
                                bool ok, qint64) {
                             if (ok)
                                 CaptureLatenciesMs.push_back(double(CaptureClock.nsecsElapsed()) / 1e6);
                         });
        Grabber.SetVideoDevice(0);
        Grabber.SetVideoSize(0);
        Grabber.StartPreview();
        Running = QTest::qWaitFor([this] { return Shown > 10; }, 10000);
    }
};

// mode 0: shown with the cross-hair; 1: hidden (no painting) with the cross-hair; 2: hidden, no
// drawing: the control's own frame path alone.
void BM_Preview640x480WithCrossHair(benchmark::State& state)
{
    Preview p(state.range(1) == 0, state.range(1) != 2);
    if (!p.Running)
        state.SkipWithError("the preview did not start");
    for (auto _ : state)
    {
        const long shown0 = p.Shown;
        const qint64 time0 = p.LastFrameTimeMs;
        const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID), gui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        QElapsedTimer wall;
        wall.start();
        GuiMallocs = 0;
        Counting = true;
        // A plain event loop: the harness itself allocates nothing while it waits.
        QEventLoop loop;
        QTimer::singleShot(int(state.range(0)), &loop, &QEventLoop::quit);
        loop.exec();
        Counting = false;
        const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        const double gui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui0;
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const long shown = p.Shown - shown0;
        // A live source stamps frames 1/30 s apart: the produced count follows from the times.
        const long produced = long(double(p.LastFrameTimeMs - time0) * 30 / 1000.0 + 0.5);
        state.SetIterationTime(seconds);
        state.counters["shown"] = double(shown);
        state.counters["produced"] = double(produced);
        state.counters["dropped"] = double(std::max(0L, produced - shown));
        state.counters["cpu_ms_per_frame"] = shown ? cpu * 1000 / double(shown) : 0;
        state.counters["gui_ms_per_frame"] = shown ? gui * 1000 / double(shown) : 0;
        state.counters["core_pct"] = 100 * cpu / seconds;
        state.counters["gui_core_pct"] = 100 * gui / seconds;
        state.counters["gui_mallocs_per_frame"] = shown ? double(GuiMallocs.load()) / double(shown) : 0;
    }
}
BENCHMARK(BM_Preview640x480WithCrossHair)
    ->ArgNames({"ms", "mode"})
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Args({5000, 2})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_CaptureLatency(benchmark::State& state)
{
    Preview p;
    if (!p.Running)
        state.SkipWithError("the preview did not start");
    for (auto _ : state)
    {
        const size_t before = p.CaptureLatenciesMs.size();
        p.CaptureClock.start();
        p.Grabber.CaptureFrameTo(fc_TBitmap, "");
        if (!QTest::qWaitFor([&] { return p.CaptureLatenciesMs.size() > before; }, 5000))
        {
            state.SkipWithError("a capture did not complete");
            break;
        }
        state.SetIterationTime(p.CaptureLatenciesMs.empty() ? 0 : p.CaptureLatenciesMs.back() / 1000);
        QTest::qWait(7); // requests land at varying points of the frame interval
    }
    std::vector<double> ms = p.CaptureLatenciesMs;
    if (!ms.empty())
    {
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["max_ms"] = ms.back();
    }
}
BENCHMARK(BM_CaptureLatency)->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    GuiThread = pthread_self();
    QApplication app(argc, argv);
    fakecams::Register();
    fakecams::AddCamera({"Bench Camera", {{640, 480}}, fakecams::Format::Raw});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fakecams::RemoveAll();
    return 0;
}
