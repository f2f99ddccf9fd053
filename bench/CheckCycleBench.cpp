// From a Check press to the verdict on screen, on a 640 x 480, 30 fps camera of the fake device
// provider, with 1 and 3 frames per Check. Each iteration's time is the whole press-to-verdict
// span; the counters split it into the wait for the frames (press to the last frame's arrival,
// set by the camera) and the window's own work after that frame (combining, analysis, verdict
// and repaint), which should stay within 10 ms; and verdict_painted_ms, from that frame to the
// verdict panel's paint, which the records written after it do not delay.

#include "app/TMainForm.h"
#include "platform/MessageBox.h"
#include "platform/TApplication.h"
#include "tests/support/FakeCameras.h"
#include "videograbber/TVideoGrabber.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest/QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <functional>
#include <vector>

namespace
{
double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_CheckToVerdict(benchmark::State& state)
{
    fakecams::RemoveAll();
    fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    TMainForm form;
    form.show();
    form.AllocateCaptureBuffers(static_cast<int>(state.range(0)));

    // The window's own handler, wrapped to see when the last frame arrives.
    QElapsedTimer clock;
    qint64 lastArrivalNs = 0;
    QObject::disconnect(form.VIDEO, &TVideoGrabber::OnFrameCaptureCompleted, &form, nullptr);
    QObject::connect(form.VIDEO, &TVideoGrabber::OnFrameCaptureCompleted, &form,
                     [&](TVideoGrabber*, const TBitmap* bitmap, int, int, qint64, qint64, int, const QString&,
                         bool success, qint64) {
                         lastArrivalNs = clock.nsecsElapsed();
                         form.VIDEOFrameCaptureCompleted(bitmap, success);
                     });
    int overlays = 0;
    QObject::connect(form.VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, &form,
                     [&](TVideoGrabber*, QPainter*, qint64, qint64, qint64) { ++overlays; });
    if (!QTest::qWaitFor([&] { return overlays > 5; }, 10000))
    {
        state.SkipWithError("the fake camera shows no picture");
        return;
    }

    // When the verdict panel is painted: what the operator sees. The records and saves that follow
    // it are in the handler's time, not in this.
    qint64 verdictPaintedNs = -1;
    struct TPaintWatch : QObject
    {
        std::function<void()> Painted;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                Painted();
            return false;
        }
    } watch;
    watch.Painted = [&] {
        if (verdictPaintedNs < 0 && form.Cycle().ShowingResult())
            verdictPaintedNs = clock.nsecsElapsed();
    };
    form.RESULT->installEventFilter(&watch);

    std::vector<double> waitMs, workMs, verdictMs;
    for (auto _ : state)
    {
        clock.start();
        verdictPaintedNs = -1;
        QTest::mouseClick(form.CHECK, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return form.Cycle().ShowingResult(); }, 10000))
        {
            state.SkipWithError("no verdict");
            break;
        }
        const qint64 doneNs = clock.nsecsElapsed();
        state.SetIterationTime(static_cast<double>(doneNs) * 1e-9);
        waitMs.push_back(static_cast<double>(lastArrivalNs) * 1e-6);
        workMs.push_back(static_cast<double>(doneNs - lastArrivalNs) * 1e-6);
        if (verdictPaintedNs >= 0)
            verdictMs.push_back(static_cast<double>(verdictPaintedNs - lastArrivalNs) * 1e-6);
        form.ResumeLive();
        QTest::qWait(50); // back on live video before the next press
    }
    state.counters["frames_wait_ms"] = Median(waitMs);
    state.counters["after_last_frame_ms"] = Median(workMs);
    state.counters["verdict_painted_ms"] = verdictMs.empty() ? -1.0 : Median(verdictMs);
}
BENCHMARK(BM_CheckToVerdict)->Arg(1)->Arg(3)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    });
    fakecams::Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fakecams::RemoveAll();
    return 0;
}
