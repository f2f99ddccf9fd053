// Choosing the scope and its size, the WiFi question, and fitting the live video.

#include "tests/app/MainFormFixture.h"
#include "videograbber/TVideoGrabber.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

struct DeviceCase
{
    QStringList Devices;
    QString Preferred;
    int Expected;
};

void PrintTo(const DeviceCase& c, std::ostream* os)
{
    *os << c.Devices.join('|').toStdString() << " pref " << c.Preferred.toStdString();
}

class ChooseScopeDeviceTest : public ::testing::TestWithParam<DeviceCase>
{
};

TEST_P(ChooseScopeDeviceTest, FirstDeviceMatchingAKnownOrThePreferredName)
{
    const DeviceCase c = GetParam();
    EXPECT_EQ(TMainForm::ChooseScopeDevice(c.Devices, c.Preferred), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ChooseScopeDeviceTest,
    ::testing::Values(DeviceCase{{"Integrated Camera", "USB Video Device"}, "PC Camera", 1},
                      DeviceCase{{"Integrated Camera", "My SCOPE 2"}, "Scope", 1},
                      DeviceCase{{"My SCOPE 2"}, "", -1},
                      DeviceCase{{"PC Camera", "USB Video Device"}, "PC Camera", 0},
                      DeviceCase{{"Webcam", "usb 2861 device", "SMI Grabber Device"}, "", 1},
                      DeviceCase{{"USB \uBE44\uB514\uC624 \uC7A5\uCE58"}, "", 0},
                      // Known names must match whole; the preferred name may sit inside.
                      DeviceCase{{"USB Video Device 2"}, "", -1},
                      DeviceCase{{"Acme PC Camera HD"}, "pc camera", 0}, DeviceCase{{}, "PC Camera", -1}));

struct SizeCase
{
    QStringList Sizes;
    int Expected;
};

void PrintTo(const SizeCase& c, std::ostream* os)
{
    *os << c.Sizes.join('|').toStdString();
}

class ChooseVideoSizeTest : public ::testing::TestWithParam<SizeCase>
{
};

TEST_P(ChooseVideoSizeTest, LastSixFortyOrSevenTwentyByFourEightyWins)
{
    const SizeCase c = GetParam();
    EXPECT_EQ(TMainForm::ChooseVideoSize(c.Sizes), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Lists, ChooseVideoSizeTest,
                         ::testing::Values(SizeCase{{"1280x960", "640x480", "720x480"}, 2},
                                           SizeCase{{"640x480", "1280x1024"}, 0},
                                           SizeCase{{"320x240", "1280x1024"}, 0},
                                           SizeCase{{"1280x960", "640x480", "800x600"}, 1}, SizeCase{{}, 0}));

using ScopeDiscoveryTest = MainFormTest;

TEST_F(ScopeDiscoveryTest, NoKnownDeviceAsksForTheWiFiScope)
{
    auto form = MakeForm(QMessageBox::No);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, "Search for WiFi Scope ?");
    EXPECT_EQ(Messages[0].Caption, "Video Source Not Found");
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Question);
    EXPECT_FALSE(form->Scope().WiFiMode);
    EXPECT_EQ(form->Scope().FrameWidth, 0);

    Answer(QMessageBox::Yes);
    form->CONNECT->click();
    EXPECT_EQ(CountMessages("Search for WiFi Scope ?"), 2);
    EXPECT_TRUE(form->Scope().WiFiMode);
    EXPECT_TRUE(form->CHECK->isEnabled());
    EXPECT_EQ(form->Scope().FrameWidth, 640);
    EXPECT_EQ(form->VIDEO->geometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(form->VIDEO->VideoSource(), vs_IPCamera);
    EXPECT_EQ(form->VIDEO->IPCameraURL(), TMainForm::WiFiScopeURL);
    EXPECT_EQ(form->TITLECAPTION->text(), "Fiber Optic Microscope / Inspector 4.5");
    emit form->VIDEO->OnPreviewStarted(form->VIDEO);
    EXPECT_EQ(form->TITLECAPTION->text(), "Fiber Optic Microscope / Inspector 4.5 - WiFi");
}

TEST_F(ScopeDiscoveryTest, ArrivalAndInactiveReconnectOnlyWhenTheyShould)
{
    auto form = MakeForm(QMessageBox::No);
    emit form->VIDEO->OnDeviceArrivalOrRemoval(form->VIDEO, false, true, "cam", 0);
    emit form->VIDEO->OnInactive(form->VIDEO);
    EXPECT_EQ(CountMessages("Search for WiFi Scope ?"), 1);

    Answer(QMessageBox::Yes);
    emit form->VIDEO->OnDeviceArrivalOrRemoval(form->VIDEO, true, false, "memory stick", 0);
    EXPECT_EQ(CountMessages("Search for WiFi Scope ?"), 2);
    ASSERT_TRUE(form->Scope().WiFiMode);
    // The IP camera stopping asks again; No leaves the WiFi set-up as it was.
    emit form->VIDEO->OnInactive(form->VIDEO);
    EXPECT_EQ(CountMessages("Search for WiFi Scope ?"), 3);
    EXPECT_TRUE(form->Scope().WiFiMode);
}

struct FitCase
{
    double Width;
    double Height;
    int VideoWidth;
    int FrameWidth;
    QRect Geometry;
    bool Caution;
};

void PrintTo(const FitCase& c, std::ostream* os)
{
    *os << c.Width << "x" << c.Height;
}

class FitVideoWindowTest : public MainFormTest, public ::testing::WithParamInterface<FitCase>
{
};

TEST_P(FitVideoWindowTest, FillsTheHeightCentredAndWarnsBelowSixFortyByFourEighty)
{
    const FitCase c = GetParam();
    auto form = MakeForm();
    Messages.clear();
    form->FitVideoWindow(c.Width, c.Height);
    EXPECT_EQ(form->Scope().VideoWidth, c.VideoWidth);
    EXPECT_EQ(form->Scope().VideoHeight, static_cast<int>(c.Height));
    EXPECT_EQ(form->Scope().FrameWidth, c.FrameWidth);
    EXPECT_EQ(form->VIDEO->geometry(), c.Geometry);
    EXPECT_EQ(CountMessages("Captured image size must be bigger than or equal to 640x480 for analysis"),
              c.Caution ? 1 : 0);
    if (c.Caution)
    {
        EXPECT_EQ(Messages[0].Caption, "Caution");
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FitVideoWindowTest,
                         ::testing::Values(FitCase{640, 480, 640, 640, QRect(0, 0, 640, 480), false},
                                           FitCase{720, 480, 720, 640, QRect(0, 0, 640, 480), false},
                                           FitCase{1280, 720, 1280, 1280, QRect(-106, 0, 853, 480), false},
                                           FitCase{320, 240, 320, 320, QRect(0, 0, 640, 480), true}));
