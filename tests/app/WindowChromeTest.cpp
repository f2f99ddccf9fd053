// The borderless window's outline, title-bar drag and maximise/restore.

#include "tests/app/MainFormFixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <QToolButton>

struct OutlinePoint
{
    int X;
    int Y;
    bool Inside;
};

void PrintTo(const OutlinePoint& p, std::ostream* os)
{
    *os << p.X << "," << p.Y;
}

class WindowOutlineTest : public ::testing::TestWithParam<OutlinePoint>
{
};

TEST_P(WindowOutlineTest, TabsBodyAndRoundedCornersAtTheDesignSize)
{
    const OutlinePoint p = GetParam();
    EXPECT_EQ(TMainForm::WindowOutline(905, 551).contains(QPoint(p.X, p.Y)), p.Inside);
}

INSTANTIATE_TEST_SUITE_P(Points, WindowOutlineTest,
                         ::testing::Values(OutlinePoint{10, 5, true}, OutlinePoint{355, 15, true},
                                           OutlinePoint{400, 30, true}, OutlinePoint{600, 540, true},
                                           OutlinePoint{550, 540, true}, OutlinePoint{890, 545, true},
                                           OutlinePoint{0, 0, false}, OutlinePoint{365, 5, false},
                                           OutlinePoint{400, 10, false}, OutlinePoint{100, 540, false},
                                           OutlinePoint{538, 545, false}, OutlinePoint{904, 550, false}));

struct MaximiseCase
{
    QRect Available;
    QRect Expected;
};

void PrintTo(const MaximiseCase& c, std::ostream* os)
{
    *os << c.Available.width() << "x" << c.Available.height() << "+" << c.Available.y();
}

class MaximisedBoundsTest : public ::testing::TestWithParam<MaximiseCase>
{
};

TEST_P(MaximisedBoundsTest, LargestFourByThreeVideoAreaCentred)
{
    const MaximiseCase c = GetParam();
    EXPECT_EQ(TMainForm::MaximisedBounds(c.Available, 41 + 30, 265), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Screens, MaximisedBoundsTest,
                         ::testing::Values(MaximiseCase{QRect(0, 0, 1920, 1040), QRect(181, 0, 1557, 1040)},
                                           MaximiseCase{QRect(0, 0, 1366, 728), QRect(112, 0, 1141, 728)},
                                           MaximiseCase{QRect(0, 0, 1280, 984), QRect(0, 76, 1280, 832)},
                                           MaximiseCase{QRect(0, 0, 1080, 1880), QRect(0, 599, 1080, 682)},
                                           // Task bar at the top: the area starts below it.
                                           MaximiseCase{QRect(0, 40, 1920, 1040),
                                                        QRect(181, 40, 1557, 1040)}));

using WindowChromeTest = MainFormTest;

TEST_F(WindowChromeTest, OutlineFollowsEveryResize)
{
    auto form = MakeForm();
    form->show();
    form->resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->mask(), TMainForm::WindowOutline(1000, 700));
    // The anchored controls keep their distance from the right edge.
    EXPECT_EQ(form->SpeedButton5->pos(), QPoint(881 + 95, 22));
    EXPECT_EQ(form->RIGHT->geometry(), QRect(1000 - 265, 41, 265, 700 - 71));
    EXPECT_EQ(form->PB->size(), QSize(1000 - 265, 700 - 71));
}

TEST_F(WindowChromeTest, SizesBelowTheMinimumAreRaised)
{
    auto form = MakeForm();
    form->show();
    form->resize(700, 400);
    EXPECT_EQ(form->size(), QSize(905, 526));
}

TEST_F(WindowChromeTest, RestoreReturnsTheEarlierBoundsAfterADrag)
{
    auto form = MakeForm();
    form->show();
    form->setGeometry(30, 20, 950, 560);
    const QRect before = form->geometry();

    form->SpeedButton4Click();
    EXPECT_TRUE(form->Maximized());
    EXPECT_NE(form->geometry(), before);
    form->TOPMouseDown(QPoint(100, 10));
    form->TOPMouseMove(QPoint(140, 35));
    form->TOPMouseUp();
    form->SpeedButton4Click();

    EXPECT_FALSE(form->Maximized());
    EXPECT_EQ(form->geometry(), before);
}

TEST_F(WindowChromeTest, AnyButtonDragsTheTitleBarAndItsCaption)
{
    auto form = MakeForm();
    form->show();
    form->move(50, 60);
    const QPoint start = form->pos();

    QTest::mousePress(form->TOP, Qt::RightButton, {}, QPoint(400, 30));
    QTest::mouseMove(form->TOP, QPoint(430, 50));
    QTest::mouseRelease(form->TOP, Qt::RightButton, {}, QPoint(430, 50));
    EXPECT_EQ(form->pos(), start + QPoint(30, 20));
    EXPECT_FALSE(form->MouseDragging());

    // The title's text is most of what the operator sees of the bar.
    QTest::mousePress(form->TITLECAPTION, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(form->MouseDragging());
    QTest::mouseMove(form->TITLECAPTION, QPoint(15, 10));
    QTest::mouseRelease(form->TITLECAPTION, Qt::LeftButton, {}, QPoint(15, 10));
    EXPECT_EQ(form->pos(), start + QPoint(40, 25));
    EXPECT_FALSE(form->MouseDragging());
}

namespace
{
void SendMouse(QWidget* to, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint local)
{
    QMouseEvent e(type, local, to->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

enum class Break
{
    ReleaseElsewhere, // the release went to another window
    ResultViewHidden, // the result view was hidden mid-drag
    ModalBox,         // a modal box took the mouse
};

class BrokenPressTest : public WindowChromeTest, public ::testing::WithParamInterface<Break>
{
};

// After a press sequence that never saw its release, the next title-bar drag moves the window
// by exactly the mouse's way, neither refused nor jumping.
TEST_P(BrokenPressTest, TheNextTitleBarDragMovesTheWindowExactly)
{
    auto form = MakeForm();
    form->show();
    form->move(50, 60);
    if (GetParam() == Break::ResultViewHidden)
    {
        form->OpenImageFile(
            QFile::encodeName(QStringLiteral(FS_SOURCE_DIR "/samples/clean-pass.png")).toStdString());
        ASSERT_TRUE(form->PB->isVisible());
        SendMouse(form->PB, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 100));
        ASSERT_TRUE(form->MouseDragging());
        form->ResumeLive();
    }
    else
    {
        SendMouse(form->TOP, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(400, 30));
        ASSERT_TRUE(form->MouseDragging());
        if (GetParam() == Break::ModalBox)
        {
            QMessageBox box(form.get());
            box.setWindowModality(Qt::ApplicationModal);
            box.show();
            QApplication::processEvents();
            box.close();
        }
    }
    if (GetParam() != Break::ReleaseElsewhere)
    {
        EXPECT_FALSE(form->MouseDragging());
    }
    const QPoint start = form->pos();
    SendMouse(form->TOP, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(200, 20));
    SendMouse(form->TOP, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(230, 35));
    SendMouse(form->TOP, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(230, 35));
    EXPECT_EQ(form->pos(), start + QPoint(30, 15));
    EXPECT_FALSE(form->MouseDragging());
}

INSTANTIATE_TEST_SUITE_P(Ways, BrokenPressTest,
                         ::testing::Values(Break::ReleaseElsewhere, Break::ResultViewHidden, Break::ModalBox),
                         [](const auto& p) {
                             return p.param == Break::ReleaseElsewhere   ? "ReleaseElsewhere"
                                    : p.param == Break::ResultViewHidden ? "ResultViewHidden"
                                                                         : "ModalBox";
                         });

TEST(SystemMove, OnlyWaylandHandsTheDragToTheCompositor)
{
    EXPECT_TRUE(TMainForm::UsesSystemMove("wayland"));
    EXPECT_TRUE(TMainForm::UsesSystemMove("wayland-egl"));
    EXPECT_FALSE(TMainForm::UsesSystemMove("xcb"));
    EXPECT_FALSE(TMainForm::UsesSystemMove("offscreen"));
}

// Under the mouse, the white pictures of the title-bar buttons keep their contrast.
TEST_F(WindowChromeTest, HoveredTitleButtonsKeepTheirPictureReadable)
{
    auto form = MakeForm();
    form->show();
    for (QToolButton* b : {form->SpeedButton4, form->SpeedButton5, form->SpeedButton6})
    {
        b->setAttribute(Qt::WA_UnderMouse, true);
        const QImage img = b->grab().toImage();
        // The brightest pixel is the picture, the corner is the ground.
        int brightest = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                brightest = std::max(brightest, qGray(img.pixel(x, y)));
        const int ground = qGray(img.pixel(0, 0));
        EXPECT_GE(brightest - ground, 100) << b->objectName().toStdString();
    }
}

// Each picture button has a picture of its own, drawn sharp at twice the size.
TEST_F(WindowChromeTest, PictureButtonsHaveDistinctIconsCrispAtAnyScale)
{
    auto form = MakeForm();
    std::vector<QImage> seen;
    for (QToolButton* b : {form->SpeedButton1, form->SpeedButton2, form->SpeedButton7, form->SpeedButton3})
    {
        const QImage large = b->icon().pixmap(QSize(56, 56)).toImage();
        ASSERT_EQ(large.size(), QSize(56, 56)) << b->objectName().toStdString();
        int opaque = 0, colours = 0;
        QSet<QRgb> distinct;
        for (int y = 0; y < 56; ++y)
            for (int x = 0; x < 56; ++x)
                if (qAlpha(large.pixel(x, y)) > 200)
                {
                    ++opaque;
                    distinct.insert(large.pixel(x, y));
                }
        colours = int(distinct.size());
        EXPECT_GT(opaque, 56 * 56 / 8) << b->objectName().toStdString();
        EXPECT_GE(colours, 2) << b->objectName().toStdString(); // more than a blank sheet
        for (const QImage& other : seen)
            EXPECT_NE(large, other) << b->objectName().toStdString();
        seen.push_back(large);
    }
}
} // namespace
