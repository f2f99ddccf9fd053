// What only a real X server shows: the outline shaping the window on screen, and maximising
// within the screen's available area. Run under xvfb-run on the xcb platform.

#include "tests/app/MainFormFixture.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace
{
class XvfbWindowTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        MainFormTest::SetUp();
    }

    // The screen's pixel at a point given in window coordinates.
    static QColor ScreenPixel(const TMainForm& form, int x, int y)
    {
        const QPoint p = form.pos() + QPoint(x, y);
        return form.screen()->grabWindow(0, p.x(), p.y(), 1, 1).toImage().pixelColor(0, 0);
    }
};
} // namespace

TEST_F(XvfbWindowTest, TheOutlineShapesTheWindowOnScreen)
{
    auto form = MakeForm();
    form->move(40, 30);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), 5000));
    QTest::qWait(200);

    const QColor navy(0, 0, 128);
    // Inside: the top tab and the body of the title bar; outside: the cut corners and the
    // title bar's top rows right of the tab, where the X root (black) shows through.
    EXPECT_EQ(ScreenPixel(*form, 100, 5), navy);
    EXPECT_EQ(ScreenPixel(*form, 600, 30), navy);
    EXPECT_EQ(ScreenPixel(*form, 600, 10), QColor(Qt::black));
    EXPECT_EQ(ScreenPixel(*form, 0, 0), QColor(Qt::black));
    EXPECT_EQ(ScreenPixel(*form, 100, 545), QColor(Qt::black));
    EXPECT_EQ(ScreenPixel(*form, 700, 545), navy);
}

TEST_F(XvfbWindowTest, MaximiseFillsTheAvailableAreaAndRestores)
{
    auto form = MakeForm();
    form->move(40, 30);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), 5000));
    const QRect before = form->geometry();
    const QRect available = form->screen()->availableGeometry();

    form->SpeedButton4Click();
    QTest::qWait(100);
    EXPECT_EQ(form->geometry(), TMainForm::MaximisedBounds(available, 71, 265));
    EXPECT_TRUE(available.contains(form->geometry()));
    EXPECT_EQ(form->mask(), TMainForm::WindowOutline(form->width(), form->height()));

    form->SpeedButton4Click();
    QTest::qWait(100);
    EXPECT_EQ(form->geometry(), before);
}

// On X11 the window still moves itself: a title-bar drag moves it on screen by the mouse's way.
TEST_F(XvfbWindowTest, ATitleBarDragMovesTheWindowOnX11)
{
    auto form = MakeForm();
    form->move(40, 30);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), 5000));
    const QPoint start = form->pos();
    QTest::mousePress(form->TOP, Qt::LeftButton, {}, QPoint(400, 30));
    QTest::mouseMove(form->TOP, QPoint(440, 55));
    QTest::mouseRelease(form->TOP, Qt::LeftButton, {}, QPoint(440, 55));
    QTest::qWait(100);
    EXPECT_EQ(form->pos(), start + QPoint(40, 25));
    EXPECT_EQ(ScreenPixel(*form, 100, 5), QColor(0, 0, 128));
}
