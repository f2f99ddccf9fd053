// The Check cycle without a window: scripts of the events the window passes on (commands, the
// overlay, arriving frames, the timer, the end of a save or print, the result shown, Resume) and
// what the cycle answers at each.

#include "capture/TCheckCycle.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace
{
// Runs a script of space-separated events; returns the steps of the frames, space-separated.
// Events: check save print (commands in the live view), overlay, frame, tick (CAPTURETIMER),
// result (the window shows the analysis), done (a save or print ended), resume, cancel.
std::string Play(TCheckCycle& cycle, const std::string& script)
{
    static const char* const Steps[] = {"next", "analyse", "save", "print", "live", "timer"};
    const TBitmap frame(8, 6);
    std::istringstream events(script);
    std::string event;
    std::string steps;
    while (events >> event)
    {
        if (event == "check")
            cycle.Start(TCapturePurpose::Check);
        else if (event == "save")
            cycle.Start(TCapturePurpose::SaveFrame);
        else if (event == "print")
            cycle.Start(TCapturePurpose::Print);
        else if (event == "overlay")
            cycle.BeginCapture();
        else if (event == "tick")
            cycle.TimerElapsed();
        else if (event == "result")
            cycle.ShowResult();
        else if (event == "done")
            cycle.EndSequence();
        else if (event == "resume")
            cycle.GoLive();
        else if (event == "cancel")
            cycle.CancelRequest();
        else if (event == "frame")
        {
            const TCycleStep step = cycle.FrameArrived(frame);
            steps += std::string(steps.empty() ? "" : " ") + Steps[static_cast<int>(step)];
            // The window ends a sequence it combined; a full store is combined before anything else.
            if (step == TCycleStep::Analyse || step == TCycleStep::SaveFrame)
                cycle.CombineFrames();
        }
        else
            ADD_FAILURE() << "unknown event " << event;
    }
    return steps;
}

struct Script
{
    const char* Name;
    int Frames;
    const char* Events;
    const char* Steps;
    TCycleState State;
    bool CrossHairOn;
};

void PrintTo(const Script& s, std::ostream* os)
{
    *os << s.Name;
}

class CheckCycleScript : public ::testing::TestWithParam<Script>
{
};
} // namespace

TEST_P(CheckCycleScript, AnswersEachFrameAndEndsInItsState)
{
    const Script& s = GetParam();
    TCheckCycle cycle;
    cycle.AllocateCaptureBuffers(s.Frames);
    EXPECT_EQ(Play(cycle, s.Events), s.Steps);
    EXPECT_EQ(cycle.State(), s.State);
    EXPECT_EQ(cycle.CrossHairOn, s.CrossHairOn);
    EXPECT_LE(cycle.FramesCaptured, cycle.CaptureCount);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CheckCycleScript,
    ::testing::Values(
        Script{"CheckOfThree", 3, "check overlay frame frame frame result", "next next analyse",
               TCycleState::ShowingResult, true},
        Script{"CheckOfOne", 1, "check overlay frame result", "analyse", TCycleState::ShowingResult, true},
        // Frames handed over before any overlay belong to the sequence requested.
        Script{"CheckWithoutOverlay", 2, "check frame frame", "next analyse", TCycleState::Capturing, false},
        Script{"SaveStaysLive", 3, "save overlay frame frame frame done", "next next save", TCycleState::Live,
               true},
        Script{"PrintStaysLive", 2, "print overlay frame frame done", "next print", TCycleState::Live, true},
        Script{"AnyFrameInTheResultGoesLive", 1, "check overlay frame result frame", "analyse live",
               TCycleState::ShowingResult, true},
        Script{"ResumeGoesLive", 1, "check overlay frame result resume", "analyse", TCycleState::Live, true},
        // The camera's own button: the timer, then a sequence of its own that is analysed.
        Script{"UnrequestedFrameWaitsForTheTimer", 3, "frame frame frame frame frame",
               "timer timer timer timer timer", TCycleState::Live, false},
        Script{"TheTimersSequenceIsAnalysed", 2, "frame tick overlay frame frame result",
               "timer next analyse", TCycleState::ShowingResult, true},
        // A second button frame before the overlay took the timer's request: the timer again.
        Script{"AButtonFrameBeforeTheOverlayRestartsTheTimer", 2, "frame tick frame", "timer timer",
               TCycleState::Live, false},
        // A tick between the overlay and the first frame restarts the same sequence.
        Script{"ATickDuringTheTimersCaptureKeepsItsFrames", 2, "frame tick overlay tick frame frame",
               "timer next analyse", TCycleState::Capturing, false},
        // After a save, a button frame is handled like any other: it does not inherit the save.
        Script{"AButtonFrameAfterASaveIsAnInspection", 1, "save overlay frame done frame tick overlay frame",
               "save timer analyse", TCycleState::Capturing, false},
        Script{"ACheckDuringTheTimerTakesOver", 2, "frame check overlay frame frame", "timer next analyse",
               TCycleState::Capturing, false},
        Script{"ATickInTheResultViewIsIgnored", 1, "check overlay frame result tick", "analyse",
               TCycleState::ShowingResult, true},
        Script{"ACancelledRequestStaysLive", 1, "check cancel", "", TCycleState::Live, true}));

TEST(CheckCycle, FlagsReadAsTheWindowHasAlwaysNamedThem)
{
    TCheckCycle cycle;
    cycle.AllocateCaptureBuffers(2);
    cycle.Start(TCapturePurpose::Print);
    EXPECT_TRUE(cycle.SequenceActive());
    EXPECT_TRUE(cycle.CaptureRequested());
    EXPECT_FALSE(cycle.OverlayStartedCapture());
    EXPECT_EQ(static_cast<int>(cycle.CapturePurpose), 1);
    EXPECT_TRUE(cycle.BeginCapture());
    EXPECT_FALSE(cycle.BeginCapture()); // once per request
    EXPECT_TRUE(cycle.OverlayStartedCapture());
    EXPECT_FALSE(cycle.CaptureRequested());

    // A sequence started by the timer is no command's: no serial check, no raw save.
    TCheckCycle button;
    button.AllocateCaptureBuffers(1);
    const TBitmap frame(4, 4);
    button.FrameArrived(frame);
    button.TimerElapsed();
    EXPECT_TRUE(button.CaptureRequested());
    EXPECT_FALSE(button.SequenceActive());
    EXPECT_TRUE(button.Triggered());
}

TEST(CheckCycle, TheStoreKeepsItsCountWithinBoundsAndItsBitmapsAcrossSequences)
{
    TCheckCycle cycle;
    for (const auto& [asked, kept] :
         {std::pair(0, 1), std::pair(-5, 1), std::pair(3, 3), std::pair(101, 100)})
    {
        cycle.AllocateCaptureBuffers(asked);
        EXPECT_EQ(cycle.CaptureCount, kept) << asked;
        EXPECT_EQ(cycle.CaptureBuffers.size(), static_cast<std::size_t>(kept)) << asked;
    }
    // The second sequence of a size copies into the pixels of the first.
    cycle.AllocateCaptureBuffers(2);
    TBitmap frame(640, 480);
    cycle.Start(TCapturePurpose::Check);
    cycle.FrameArrived(frame);
    cycle.FrameArrived(frame);
    cycle.ShowResult();
    cycle.GoLive();
    const std::uint8_t* pixels = cycle.CaptureBuffers[1].ScanLine(0);
    frame.Image().fill(Qt::white);
    cycle.Start(TCapturePurpose::Check);
    cycle.FrameArrived(frame);
    cycle.FrameArrived(frame);
    EXPECT_EQ(cycle.CaptureBuffers[1].ScanLine(0), pixels);
    EXPECT_EQ(cycle.CaptureBuffers[1].ScanLine(0)[0], 255);
}

TEST(CheckCycle, TheInspectionShownKeepsItsVerdictUntilTheNextBegins)
{
    TCheckCycle cycle;
    const QDateTime began(QDate(2026, 12, 11), QTime(0, 42, 18));
    cycle.BeginInspection(QStringLiteral("USB Video Device"), 3, QStringLiteral("AB0002"), began);
    cycle.AddFile(QStringLiteral("/images/20261211010203.bmp"));
    EXPECT_EQ(cycle.Shown.Verdict, TVerdict::None);
    cycle.ShowResult();
    cycle.Judged(true, true);
    EXPECT_TRUE(cycle.Shown.Pass());
    EXPECT_TRUE(cycle.SaveResultPending);
    cycle.Judged(true, false);
    EXPECT_FALSE(cycle.SaveResultPending);
    cycle.GoLive();
    EXPECT_TRUE(cycle.Shown.Pass()); // the grid keeps the last result
    EXPECT_EQ(cycle.Shown.Serial, QStringLiteral("AB0002"));
    EXPECT_EQ(cycle.Shown.Time, began);
    EXPECT_EQ(cycle.TakeFiles(), QStringList{QStringLiteral("/images/20261211010203.bmp")});
    EXPECT_TRUE(cycle.TakeFiles().isEmpty());
    cycle.BeginInspection(QStringLiteral("a.bmp"), 0, QString(), began);
    EXPECT_EQ(cycle.Shown.Verdict, TVerdict::None);
    EXPECT_EQ(cycle.Shown.Source, QStringLiteral("a.bmp"));
}
