// When the automatic Check fires in a scripted focus sweep, and that it fires once per connector.
// Also the worker: frames are skipped while an analysis runs, and results arrive on the owner's
// thread.

#include "live/TLiveAnalyzer.h"
#include "platform/TBitmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <gtest/gtest.h>
#include <vector>

namespace
{
TLiveResult InView(float focus, float x = 320.0f)
{
    TLiveResult r;
    r.FiberInView = true;
    r.Focus = focus;
    r.Center = TPoint2D(x, 240.0f);
    return r;
}

// Feeds results 33 ms apart; returns the times at which the trigger fired.
std::vector<qint64> Feed(TAutoCheckTrigger& trigger, const std::vector<TLiveResult>& results, qint64& clock)
{
    std::vector<qint64> fired;
    for (const TLiveResult& r : results)
    {
        if (trigger.Update(r, clock))
            fired.push_back(clock);
        clock += 33;
    }
    return fired;
}
} // namespace

TEST(AutoCheckTrigger, FiresOnceAtTheSharpestSteadyPictureOfASweep)
{
    TAutoCheckTrigger trigger;
    qint64 clock = 0;
    std::vector<TLiveResult> sweep;
    for (int i = 0; i < 10; ++i)
        sweep.push_back(TLiveResult()); // nothing plugged in
    for (float f = 20.0f; f < 100.0f; f += 10.0f)
        sweep.push_back(InView(f)); // focusing: sharper every frame
    for (int i = 0; i < 30; ++i)
        sweep.push_back(InView(100.0f)); // held at the sharpest for a second
    for (float f = 100.0f; f > 20.0f; f -= 10.0f)
        sweep.push_back(InView(f)); // turned past it
    for (int i = 0; i < 30; ++i)
        sweep.push_back(InView(20.0f)); // held blurred
    const std::vector<qint64> fired = Feed(trigger, sweep, clock);
    ASSERT_EQ(fired.size(), 1u);
    // Half a second after the picture settled at its sharpest (frame 18).
    EXPECT_GE(fired[0], 18 * 33 + TAutoCheckTrigger::SteadyMs);
    EXPECT_LE(fired[0], 18 * 33 + TAutoCheckTrigger::SteadyMs + 66);
    EXPECT_FALSE(trigger.Armed());
}

// Half a second held still and sharp, in milliseconds written out here: a pause of 400 ms while
// focusing takes no picture. Frames come every 20 ms, and one exactly at the end of the hold.
TEST(AutoCheckTrigger, FiresAfterHalfASecondHeldStillAndNotBefore)
{
    const struct
    {
        qint64 HeldMs;
        qint64 FiresAtMs; // -1: does not fire
    } cases[] = {{400, -1}, {499, -1}, {500, 500}, {1000, 500}};
    for (const auto& c : cases)
    {
        std::vector<qint64> times;
        for (qint64 t = 0; t < c.HeldMs; t += 20)
            times.push_back(t);
        times.push_back(c.HeldMs);
        TAutoCheckTrigger trigger;
        qint64 firedAt = -1;
        for (qint64 t : times)
            if (trigger.Update(InView(100.0f), t) && firedAt < 0)
                firedAt = t;
        EXPECT_EQ(firedAt, c.FiresAtMs) << "held " << c.HeldMs << " ms";
    }
}

TEST(AutoCheckTrigger, AMovingPictureWaitsAndTheNextConnectorFiresAgain)
{
    TAutoCheckTrigger trigger;
    qint64 clock = 0;
    std::vector<TLiveResult> moving;
    for (int i = 0; i < 40; ++i)
        moving.push_back(InView(100.0f, 300.0f + static_cast<float>(i % 2) * 5.0f)); // shaking
    EXPECT_TRUE(Feed(trigger, moving, clock).empty());

    std::vector<TLiveResult> connectors;
    for (int n = 0; n < 3; ++n)
    {
        for (int i = 0; i < 5; ++i)
            connectors.push_back(TLiveResult()); // the previous one taken out
        for (int i = 0; i < 25; ++i)
            connectors.push_back(InView(80.0f));
    }
    EXPECT_EQ(Feed(trigger, connectors, clock).size(), 3u);
}

// A caution (the edge locator places the fiber elsewhere than the judging circle) holds the
// Check back until the operator has centred the fiber and the view has held still again.
TEST(AutoCheckTrigger, ACautionWaitsForTheCentredFiber)
{
    TAutoCheckTrigger trigger;
    qint64 clock = 0;
    std::vector<TLiveResult> view(40, InView(100.0f));
    for (TLiveResult& r : view)
        r.Caution = true;
    EXPECT_TRUE(Feed(trigger, view, clock).empty());
    const qint64 centred = clock;
    const std::vector<qint64> fired = Feed(trigger, std::vector<TLiveResult>(30, InView(100.0f)), clock);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_GE(fired[0], centred + TAutoCheckTrigger::SteadyMs - 33);
}

TEST(LiveAnalyzer, SkipsFramesWhileBusyAndAnswersOnTheOwnersThread)
{
    static int argc = 1;
    static char name[] = "live_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TLiveAnalyzer live;
    std::vector<TLiveResult> results;
    QObject::connect(&live, &TLiveAnalyzer::ResultReady, &live, [&](const TLiveResult& r) {
        EXPECT_EQ(QThread::currentThread(), app.thread());
        results.push_back(r);
    });
    TBitmap frame(640, 480);
    frame.Image().fill(QColor(90, 90, 90));
    TLiveSettings settings;
    int taken = 0;
    QElapsedTimer clock;
    clock.start();
    for (qint64 n = 1; n <= 200 && clock.elapsed() < 10000; ++n)
    {
        taken += live.Offer(frame.Image(), n, settings);
        // The next frame comes before most analyses are done.
        QCoreApplication::processEvents();
    }
    while (live.Busy() && clock.elapsed() < 10000)
        QThread::msleep(1);
    QCoreApplication::processEvents();
    EXPECT_GE(taken, 1);
    EXPECT_LT(taken, 200); // skipped, not queued
    EXPECT_EQ(static_cast<int>(results.size()), taken);
    EXPECT_EQ(results.front().FrameNumber, 1);
    EXPECT_FALSE(results.front().FiberInView);
}

// The focus mark: the sharpest picture of this view. Another view (the fiber moved or changed
// size markedly, or the source restarted) starts it afresh, or the bar could never reach it.
TEST(FocusPeak, StartsAfreshForAnotherViewOnly)
{
    const auto view = [](float x, float radius, float focus) {
        TLiveResult r;
        r.FiberInView = true;
        r.Center = TPoint2D(x, 240.0f);
        r.ZoneRadius[2] = radius;
        r.Focus = focus;
        return r;
    };
    const struct
    {
        const char* Name;
        TLiveResult Next;
        float Peak;
    } cases[] = {
        {"steady, less sharp", view(320.0f, 150.0f, 60.0f), 100.0f},
        {"moved a little", view(340.0f, 150.0f, 60.0f), 100.0f},
        {"moved a third of its radius", view(370.0f, 150.0f, 60.0f), 60.0f},
        {"eight percent larger", view(320.0f, 162.0f, 60.0f), 100.0f},
        {"fifteen percent larger", view(320.0f, 173.0f, 60.0f), 60.0f},
        {"gone", TLiveResult(), 0.0f},
    };
    for (const auto& c : cases)
    {
        TFocusPeak peak;
        peak.Update(view(320.0f, 150.0f, 100.0f));
        peak.Update(c.Next);
        EXPECT_FLOAT_EQ(peak.Peak(), c.Peak) << c.Name;
    }
    TAutoCheckTrigger trigger;
    trigger.Observe(view(320.0f, 150.0f, 100.0f));
    trigger.RestartFocus();
    EXPECT_FLOAT_EQ(trigger.Focus().Peak(), 0.0f);
}
