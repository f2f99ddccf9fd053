// The result view: moving the centre and scaling the zones with the mouse.

#include "analysis/TFiberAnalyzer.h"
#include "tests/app/MainFormFixture.h"

#include <QLabel>
#include <QTest>
#include <cmath>

namespace
{
const float Radii[5] = {10.0f, 20.0f, 60.0f, 70.0f, 130.0f};

void SetGeometry(TFiberAnalyzer& a)
{
    a.Center = TPoint2D(320.0f, 240.0f);
    std::copy(std::begin(Radii), std::end(Radii), a.ZoneRadius);
}
} // namespace

using ResultViewTest = MainFormTest;

TEST_F(ResultViewTest, LeftDragMovesTheCentreByTheMouseDeltaUnscaled)
{
    auto form = MakeForm();
    form->resize(1200, 800); // the view is shown larger than the image
    SetGeometry(*form->Analyzer());
    form->PBMouseDown(Qt::LeftButton, 100, 100);
    form->PBMouseMove(102, 99);
    form->PBMouseMove(105, 97);
    form->PBMouseUp(Qt::LeftButton, 105, 97);

    EXPECT_FLOAT_EQ(form->Analyzer()->Center.X, 325.0f);
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.Y, 237.0f);
    EXPECT_FLOAT_EQ(form->Analyzer()->ZoneRadius[4], Radii[4]);
    EXPECT_FALSE(form->MouseDragging());
}

struct ScaleCase
{
    int StepX;
    int StepY;
    float Factor; // per move
};

void PrintTo(const ScaleCase& c, std::ostream* os)
{
    *os << "step " << c.StepX << "," << c.StepY;
}

class ScaleDragTest : public MainFormTest, public ::testing::WithParamInterface<ScaleCase>
{
};

TEST_P(ScaleDragTest, RightDragScalesEveryRadiusOnceperMove)
{
    const ScaleCase c = GetParam();
    auto form = MakeForm();
    SetGeometry(*form->Analyzer());
    form->PBMouseDown(Qt::RightButton, 200, 200);
    for (int i = 1; i <= 10; ++i)
        form->PBMouseMove(200 + i * c.StepX, 200 + i * c.StepY);
    form->PBMouseUp(Qt::RightButton, 0, 0);

    for (int k = 0; k < 5; ++k)
    {
        float expected = Radii[k];
        for (int i = 0; i < 10; ++i)
            expected *= c.Factor;
        EXPECT_FLOAT_EQ(form->Analyzer()->ZoneRadius[k], expected) << "radius " << k;
    }
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.X, 320.0f);
}

INSTANTIATE_TEST_SUITE_P(Directions, ScaleDragTest,
                         ::testing::Values(ScaleCase{0, 3, 1.01f}, ScaleCase{2, 40, 1.01f},
                                           ScaleCase{0, -1, 0.99f}, ScaleCase{5, 0, 1.0f}));

TEST_F(ResultViewTest, ASecondButtonDuringADragChangesNothing)
{
    auto form = MakeForm();
    SetGeometry(*form->Analyzer());
    form->PBMouseDown(Qt::LeftButton, 50, 50);
    form->PBMouseDown(Qt::RightButton, 60, 60);
    form->PBMouseMove(50, 60);
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.Y, 250.0f);
    EXPECT_FLOAT_EQ(form->Analyzer()->ZoneRadius[2], Radii[2]);
    form->PBMouseUp(Qt::RightButton, 50, 60);
    EXPECT_FALSE(form->MouseDragging());
    // The title bar cannot start a drag while the view holds one, nor the reverse.
    form->PBMouseDown(Qt::LeftButton, 1, 1);
    const float x = form->Analyzer()->Center.X;
    form->TOPMouseDown(QPoint(10, 10));
    form->PBMouseMove(11, 1); // still the view's drag
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.X, x + 10.0f);
    form->PBMouseUp(Qt::LeftButton, 1, 1);
    form->TOPMouseDown(QPoint(10, 10));
    form->PBMouseDown(Qt::RightButton, 5, 5);
    EXPECT_FALSE(form->ScaleDragging());
}

TEST_F(ResultViewTest, RealMouseEventsReachTheHandlers)
{
    auto form = MakeForm();
    form->show();
    SetGeometry(*form->Analyzer());
    form->PB->show();
    QTest::mousePress(form->PB, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(form->PB, QPoint(110, 104));
    QTest::mouseRelease(form->PB, Qt::LeftButton, {}, QPoint(110, 104));
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.X, 330.0f);
    EXPECT_FLOAT_EQ(form->Analyzer()->Center.Y, 244.0f);
    EXPECT_FALSE(form->MouseDragging());
}

TEST_F(ResultViewTest, ReleaseRedoesDetectionAndVerdictInTheCurrentMode)
{
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(FS_SOURCE_DIR "/samples/clean-pass.png");
    ASSERT_EQ(form->RESULT->text(), "Pass");
    form->M_MULTIClick();

    // Moving the centre far off puts the dark cladding into the contact ring: it fails there.
    form->PBMouseDown(Qt::LeftButton, 100, 100);
    form->PBMouseMove(300, 100);
    EXPECT_EQ(form->RESULT->text(), "Pass"); // nothing is redone before the release
    form->PBMouseUp(Qt::LeftButton, 300, 100);

    EXPECT_EQ(form->Analyzer()->Mode, 1);
    EXPECT_EQ(form->RESULT->text(), "Fail");
    EXPECT_EQ(form->R3->text(), "Fail");
    EXPECT_EQ(form->Panel3->text(), "Core Zone (0~65 \u03BCm)    ");
}
