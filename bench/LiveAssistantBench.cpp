// The live assistant's cost on a 640 x 480, 30 fps camera of the fake provider showing a sample:
// the main window previewing with the live analysis and focus meter on (and off, for the
// preview alone). Reported per run: the whole process's share of one core, frames shown against
// frames produced, heap allocations on the GUI thread per frame once running, and the delay from
// a frame being offered to its result reaching the window (median and maximum).
//
// The whole-process figure includes the fake camera painting the picture into every frame and
// videotestsrc behind it, which a real camera does in hardware.

#include "app/TMainForm.h"
#include "bench/GuiMallocCounter.h"
#include "live/TLiveAnalyzer.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "tests/support/FakeCameras.h"
#include "videograbber/TVideoGrabber.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <algorithm>
#include <array>
#include <atomic>
#include <benchmark/benchmark.h>
#include <ctime>
#include <pthread.h>
#include <utility>
#include <vector>

namespace
{
double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// range(0): milliseconds to run; range(1): 1 with the live analysis, 0 the preview alone.
void BM_LivePreview(benchmark::State& state)
{
    TMainForm form;
    form.show();
    form.LIVEANALYSIS->setChecked(state.range(1) != 0);
    long shown = 0;
    qint64 lastFrameTime = 0;
    QElapsedTimer clock;
    clock.start();
    // When each of the last frames was offered, by frame number; a ring, so that the bench's own
    // bookkeeping allocates nothing while the window's allocations are counted.
    constexpr std::size_t Ring = 256;
    std::array<std::pair<qint64, qint64>, Ring> offeredAt{}; // frame number, ns
    qint64 frameNumber = 0;
    std::vector<double> delaysMs;
    delaysMs.reserve(1 << 16);
    QObject::connect(form.VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, &form,
                     [&](TVideoGrabber*, QPainter*, qint64, qint64 frameTime, qint64) {
                         ++shown;
                         lastFrameTime = frameTime;
                         ++frameNumber;
                         offeredAt[std::size_t(frameNumber) % Ring] = {frameNumber, clock.nsecsElapsed()};
                     });
    QObject::connect(form.LiveAnalyzer(), &TLiveAnalyzer::ResultReady, &form, [&](const TLiveResult& r) {
        const auto& [number, ns] = offeredAt[std::size_t(r.FrameNumber) % Ring];
        if (number == r.FrameNumber && delaysMs.size() < delaysMs.capacity())
            delaysMs.push_back(double(clock.nsecsElapsed() - ns) / 1e6);
    });
    if (!QTest::qWaitFor([&] { return shown > 30; }, 10000))
    {
        state.SkipWithError("the preview did not start");
        return;
    }
    for (auto _ : state)
    {
        const long shown0 = shown;
        const qint64 time0 = lastFrameTime;
        delaysMs.clear();
        const double cpu0 = CpuSeconds();
        // The loop and its timer are made before counting starts: only the frames' work counts.
        QEventLoop loop;
        QTimer stop;
        stop.setSingleShot(true);
        QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
        QElapsedTimer wall;
        wall.start();
        stop.start(int(state.range(0)));
        GuiMallocs = 0;
        Counting = true;
        loop.exec();
        Counting = false;
        const double cpu = CpuSeconds() - cpu0;
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const long frames = shown - shown0;
        const long produced = long(double(lastFrameTime - time0) * 30 / 1000.0 + 0.5);
        state.SetIterationTime(seconds);
        state.counters["shown"] = double(frames);
        state.counters["dropped"] = double(std::max(0L, produced - frames));
        state.counters["core_pct"] = 100 * cpu / seconds;
        state.counters["gui_mallocs_per_frame"] = frames ? double(GuiMallocs.load()) / double(frames) : 0;
        if (!delaysMs.empty())
        {
            std::sort(delaysMs.begin(), delaysMs.end());
            state.counters["analyses"] = double(delaysMs.size());
            state.counters["delay_median_ms"] = delaysMs[delaysMs.size() / 2];
            state.counters["delay_max_ms"] = delaysMs.back();
        }
    }
}
BENCHMARK(BM_LivePreview)
    ->ArgNames({"ms", "live"})
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    GuiThread = pthread_self();
    TApplication app(argc, argv);
    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    });
    fakecams::Register();
    fakecams::Camera camera("USB Video Device", {{640, 480}});
    const QImage sample = QImage(QStringLiteral(FS_SOURCE_DIR "/samples/cladding-scratch.png"))
                              .convertToFormat(QImage::Format_RGB888);
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < sample.height(); ++y)
        bytes.insert(bytes.end(), sample.constScanLine(y), sample.constScanLine(y) + 3 * sample.width());
    camera.Pictures.push_back(bytes);
    fakecams::AddCamera(camera);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fakecams::RemoveAll();
    return 0;
}
