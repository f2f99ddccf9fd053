// The cross-hair and message drawn on live frames, and captures started from the overlay.

#include "tests/app/MainFormFixture.h"
#include "videograbber/TVideoGrabber.h"

#include <QImage>
#include <QPainter>

namespace
{
// Runs the overlay on a frame of the given size and colour and returns the frame.
QImage Overlay(TMainForm& form, int width, int height, QColor ground = Qt::black)
{
    QImage frame(width, height, QImage::Format_RGB888);
    frame.fill(ground);
    form.FitVideoWindow(width, height, false);
    QPainter painter(&frame);
    form.VIDEOFrameOverlayUsingDC(&painter);
    painter.end();
    return frame;
}
} // namespace

struct FrameSize
{
    int Width;
    int Height;
};

void PrintTo(const FrameSize& s, std::ostream* os)
{
    *os << s.Width << "x" << s.Height;
}

class CrossHairTest : public MainFormTest, public ::testing::WithParamInterface<FrameSize>
{
};

TEST_P(CrossHairTest, DottedYellowLinesThroughTheTrueFrameCentre)
{
    const QSize size(GetParam().Width, GetParam().Height);
    auto form = MakeForm();
    form->show();
    const QImage frame = Overlay(*form, size.width(), size.height());
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    int onVertical = 0;
    int onHorizontal = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
        {
            const QColor c = frame.pixelColor(x, y);
            if (c == Qt::black)
                continue;
            ASSERT_EQ(c, QColor(255, 255, 0)) << x << "," << y;
            ASSERT_TRUE(x == cx || y == cy) << x << "," << y;
            onVertical += x == cx;
            onHorizontal += y == cy;
        }
    // Dotted: clearly present along the whole line, but with gaps.
    EXPECT_GT(onVertical, size.height() / 4);
    EXPECT_LT(onVertical, size.height());
    EXPECT_GT(onHorizontal, size.width() / 4);
    EXPECT_LT(onHorizontal, size.width());
    EXPECT_EQ(frame.pixelColor(cx, 0), QColor(255, 255, 0));
}

INSTANTIATE_TEST_SUITE_P(Frames, CrossHairTest, ::testing::Values(FrameSize{640, 480}, FrameSize{720, 480}));

using LiveOverlayTest = MainFormTest;

TEST_F(LiveOverlayTest, MessageIsWrittenInBlackNearTheTopOnlyWhenOn)
{
    auto form = MakeForm();
    form->show();
    ASSERT_TRUE(form->Cycle().CrossHairOn);

    auto blackRows = [](const QImage& frame) {
        int top = frame.height();
        int bottom = -1;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (frame.pixelColor(x, y) == Qt::black)
                {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return std::pair(top, bottom);
    };
    EXPECT_EQ(blackRows(Overlay(*form, 640, 480, Qt::white)).second, -1);
    form->ShowOverlayMessage("Image Saved : /tmp/20261210043000.bmp");
    const auto [top, bottom] = blackRows(Overlay(*form, 640, 480, Qt::white));
    EXPECT_GE(top, 5);
    EXPECT_LT(bottom, 40);
    form->MSGTIMERTimer();
    EXPECT_EQ(blackRows(Overlay(*form, 640, 480, Qt::white)).second, -1);
}

TEST_F(LiveOverlayTest, ARequestedCaptureStartsAtFrameZeroAndThatFrameStaysClean)
{
    auto form = MakeForm();
    form->show();
    // Two frames of a Check are in when the timer asks again: the capture starts over.
    const TBitmap f(640, 480);
    form->CheckOrResume();
    form->VIDEOFrameCaptureCompleted(&f, true);
    form->VIDEOFrameCaptureCompleted(&f, true);
    ASSERT_EQ(form->Cycle().FramesCaptured, 2);
    form->CAPTURETIMERTimer();
    ASSERT_TRUE(form->Cycle().CaptureRequested());

    const QImage frame = Overlay(*form, 640, 480);

    EXPECT_FALSE(form->Cycle().CaptureRequested());
    EXPECT_TRUE(form->Cycle().OverlayStartedCapture());
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    EXPECT_EQ(frame.pixelColor(320, 100), QColor(Qt::black));
}

TEST_F(LiveOverlayTest, NothingHappensWhileTheVideoIsHiddenOrTheCrossHairOff)
{
    auto form = MakeForm();
    form->show();
    // A frame nobody asked for turns the cross-hair off until the inspection it starts.
    const TBitmap f(640, 480);
    form->VIDEOFrameCaptureCompleted(&f, true);
    ASSERT_FALSE(form->Cycle().CrossHairOn);
    EXPECT_EQ(Overlay(*form, 640, 480).pixelColor(320, 0), QColor(Qt::black));

    form = MakeForm();
    form->show();
    ASSERT_TRUE(form->Cycle().CrossHairOn);
    form->VIDEO->hide();
    form->CheckOrResume();
    EXPECT_EQ(Overlay(*form, 640, 480).pixelColor(320, 0), QColor(Qt::black));
    EXPECT_TRUE(form->Cycle().CaptureRequested());
    EXPECT_FALSE(form->Cycle().OverlayStartedCapture());
}
