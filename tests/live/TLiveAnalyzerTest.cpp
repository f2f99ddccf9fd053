// The live analysis on its worker thread: results come back on the owner's thread, one per
// frame taken, and a frame as the capture control shows it (32-bit) is judged as its 24-bit
// original.

#include "live/TLiveAnalyzer.h"

#include "analysis/TFiberAnalyzer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "live_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Runs the event loop until done() or a generous bound.
template <typename F> bool WaitFor(F done)
{
    const QDeadlineTimer bound(20000);
    while (!done() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
} // namespace

TEST(TLiveAnalyzer, Judges32BitFramesAsTheir24BitOriginalsOnTheOwnersThread)
{
    EnsureApplication();
    TFiberAnalyzer settingsFrom;
    settingsFrom.SetDefaultCriteria();
    const TLiveSettings settings = TLiveSettings::From(settingsFrom);
    const QImage bgr = QImage(QStringLiteral(FS_SOURCE_DIR "/samples/core-defect.png"))
                           .convertToFormat(QImage::Format_BGR888);
    const QImage rgb = bgr.convertToFormat(QImage::Format_RGB32);

    TLiveAnalyzer live;
    std::vector<TLiveResult> results;
    std::vector<std::thread::id> threads;
    QObject::connect(&live, &TLiveAnalyzer::ResultReady, [&](const TLiveResult& r) {
        results.push_back(r);
        threads.push_back(std::this_thread::get_id());
    });
    const QImage* frames[] = {&bgr, &rgb, &bgr};
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(WaitFor([&] { return !live.Busy(); }));
        ASSERT_TRUE(live.Offer(*frames[i], i + 1, settings));
        ASSERT_TRUE(WaitFor([&] { return results.size() == std::size_t(i + 1); })) << "frame " << i + 1;
    }
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(results[std::size_t(i)].FrameNumber, i + 1);
        EXPECT_EQ(threads[std::size_t(i)], std::this_thread::get_id());
    }
    const TLiveResult& a = results[0];
    const TLiveResult& b = results[1];
    ASSERT_TRUE(a.FiberInView);
    EXPECT_FALSE(a.Pass); // the sample's core defect
    EXPECT_EQ(b.FiberInView, a.FiberInView);
    EXPECT_EQ(b.Pass, a.Pass);
    EXPECT_EQ(b.Center.X, a.Center.X);
    EXPECT_EQ(b.Center.Y, a.Center.Y);
    EXPECT_EQ(b.Focus, a.Focus);
    for (int z = 0; z < 3; ++z)
        EXPECT_EQ(b.ZoneFindings[z], a.ZoneFindings[z]);
}
