// Discovery against cameras of the fake device provider, through the real capture control.

#include "tests/app/MainFormFixture.h"
#include "tests/support/FakeCameras.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTest>

namespace
{
constexpr int WaitMs = 8000;

class ScopeCameraTest : public MainFormTest
{
protected:
    static void SetUpTestSuite() { fakecams::Register(); }
    void TearDown() override
    {
        fakecams::RemoveAll();
        MainFormTest::TearDown();
    }
};
} // namespace

TEST_F(ScopeCameraTest, TakesTheKnownDeviceAtItsSevenTwentySizeAndPreviews)
{
    fakecams::AddCamera({"Integrated Camera", {{1280, 720}}});
    fakecams::AddCamera({"USB Video Device", {{1280, 960}, {640, 480}, {720, 480}}});
    auto form = MakeForm();
    form->show();
    int overlays = 0;
    QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(),
                     [&](TVideoGrabber*, QPainter*, qint64, qint64, qint64) { ++overlays; });

    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(form->LIST->count(), 2);
    EXPECT_EQ(form->VIDEO->VideoDevice(), 1);
    EXPECT_EQ(form->SIZE->count(), 3);
    EXPECT_EQ(form->VIDEO->VideoSize(), 2);
    EXPECT_EQ(form->VideoWidth, 720);
    EXPECT_EQ(form->FrameWidth, 640);
    EXPECT_EQ(form->VIDEO->geometry(), QRect(0, 0, 640, 480));
    EXPECT_FALSE(form->WiFiMode);
    EXPECT_EQ(form->TITLECAPTION->text(), "Fiber Optic Microscope / Inspector 4.5 - USB");
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlays > 0; }, WaitMs));
}

TEST_F(ScopeCameraTest, ThePreferredNameFromTheSettingsMayBePartOfTheDeviceName)
{
    QFile file(Path("SystemSetting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Scope\r\n128,128,60,140,3.000000,5.000000\r\n3\r\n\r\n\r\n");
    file.close();
    fakecams::AddCamera({"Integrated Camera", {{1280, 720}}});
    fakecams::AddCamera({"My SCOPE 2", {{320, 240}}});

    auto form = MakeForm();

    EXPECT_EQ(form->VIDEO->VideoDevice(), 1);
    // A small camera is taken, with the caution about its size.
    EXPECT_EQ(CountMessages("Captured image size must be bigger than or equal to 640x480 for analysis"), 1);
    EXPECT_EQ(CountMessages("Search for WiFi Scope ?"), 0);
}

TEST_F(ScopeCameraTest, AScopePluggedInLaterIsNotInTheListSoTheQuestionComesBack)
{
    auto form = MakeForm(QMessageBox::No);
    ASSERT_EQ(CountMessages("Search for WiFi Scope ?"), 1);

    fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountMessages("Search for WiFi Scope ?") == 2; }, WaitMs));
    EXPECT_EQ(form->LIST->count(), 0);
    EXPECT_EQ(form->TITLECAPTION->text(), "Fiber Optic Microscope / Inspector 4.5");
}
