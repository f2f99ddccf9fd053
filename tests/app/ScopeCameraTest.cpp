// Discovery against cameras of the fake device provider, through the real capture control.

#include "tests/app/MainFormFixture.h"
#include "tests/support/FakeCameras.h"
#include "tests/support/MjpegServer.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
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
    EXPECT_EQ(form->Scope().VideoWidth, 720);
    EXPECT_EQ(form->Scope().FrameWidth, 640);
    EXPECT_EQ(form->VIDEO->geometry(), QRect(0, 0, 640, 480));
    EXPECT_FALSE(form->Scope().WiFiMode);
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

namespace
{
const QString Caution =
    QStringLiteral("Captured image size must be bigger than or equal to 640x480 for analysis");
const QString TitleBase = QStringLiteral("Fiber Optic Microscope / Inspector 4.5");

QString OpenDeviceName(const TMainForm& form)
{
    const QStringList names = form.VIDEO->VideoDevices().split('\n');
    const int i = form.VIDEO->VideoDevice();
    return i >= 0 && i < names.size() ? names[i] : QString();
}
} // namespace

TEST_F(ScopeCameraTest, AKnownDeviceInTheListIsTakenWithoutAsking)
{
    fakecams::AddCamera({"Integrated Camera", {{640, 480}}});
    fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    auto form = MakeForm(QMessageBox::No);
    Messages.clear();
    form->CheckOrResume(); // a request pending while the scope is connected anew
    ASSERT_TRUE(form->Cycle().CaptureRequested());

    form->ConnectScope();

    EXPECT_EQ(CountQuestions(), 0);
    EXPECT_FALSE(form->Scope().WiFiMode);
    EXPECT_FALSE(form->Cycle().CaptureRequested());
    EXPECT_EQ(form->TITLECAPTION->text(), TitleBase + " - USB");
}

// LIST keeps the names of the start; the control's list drops and appends devices since. The
// scope is opened by its name, whatever its index has become.
TEST_F(ScopeCameraTest, AfterARePlugTheScopeIsOpenedByItsName)
{
    fakecams::AddCamera({"Integrated Camera", {{1280, 720}}});
    fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    auto form = MakeForm();
    ASSERT_EQ(OpenDeviceName(*form), "USB Video Device");

    ASSERT_TRUE(fakecams::RemoveCamera("Integrated Camera"));
    fakecams::AddCamera({"Other Camera", {{320, 240}}});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form->VIDEO->VideoDevices() == "USB Video Device\nOther Camera"; }, WaitMs));
    QTest::qWait(100); // the arrival has reconnected
    EXPECT_EQ(OpenDeviceName(*form), "USB Video Device");
    EXPECT_EQ(CountMessages(Caution), 0);
    EXPECT_EQ(CountQuestions(), 0);
    EXPECT_TRUE(form->VIDEO->IsPreviewing());

    // The scope itself unplugged: Connect asks for the WiFi scope, no 0 x 0 caution.
    ASSERT_TRUE(fakecams::RemoveCamera("USB Video Device"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->VIDEO->VideoDevices() == "Other Camera"; }, WaitMs));
    form->CONNECT->click();
    EXPECT_EQ(CountMessages(Caution), 0);
    EXPECT_EQ(CountQuestions(), 1);
}

// A box of discovery is open while a device arrives: the preview starts once, with one caution.
TEST_F(ScopeCameraTest, AnArrivalDuringTheCautionDoesNotStartThePreviewTwice)
{
    fakecams::AddCamera({"USB Video Device", {{320, 240}}});
    bool plugged = false;
    SetMessageBoxHook([&](const QString& text, const QString& caption, QMessageBox::Icon icon,
                          QMessageBox::StandardButtons) {
        Messages.push_back({text, caption, icon});
        if (!plugged && text == Caution)
        {
            plugged = true;
            fakecams::AddCamera({"Memory Stick", {{640, 480}}});
            [[maybe_unused]] const bool arrived =
                QTest::qWaitFor([] { return false; }, 300); // the arrival is delivered meanwhile
        }
        return QMessageBox::No;
    });
    auto form = std::make_unique<TMainForm>();
    QTest::qWait(100);
    EXPECT_TRUE(plugged);
    EXPECT_EQ(CountMessages(Caution), 1);
    EXPECT_EQ(CountQuestions(), 0);
}

struct StreamSizeCase
{
    int Width, Height;
    bool Caution;
};

class WiFiStreamSizeTest : public ScopeCameraTest, public ::testing::WithParamInterface<StreamSizeCase>
{
};

// The cross-hair and the caution go by the stream's real size, not by 640 x 480.
TEST_P(WiFiStreamSizeTest, FitsTheVideoToTheStreamsRealSize)
{
    const StreamSizeCase c = GetParam();
    MjpegServer server(MjpegServer::Mode::Stream);
    QImage picture(c.Width, c.Height, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    server.SetPicture(picture);
    ASSERT_TRUE(server.Listen());
    TMainForm::WiFiScopeURL = server.Url();
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->TITLECAPTION->text().endsWith(" - WiFi"); }, WaitMs));
    EXPECT_EQ(form->Scope().VideoWidth, c.Width);
    EXPECT_EQ(form->Scope().VideoHeight, c.Height);
    EXPECT_EQ(CountMessages(Caution), c.Caution ? 1 : 0);
    // The overlay's vertical line runs through the middle of the frame it draws on.
    QSize drawnOn;
    QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(),
                     [&](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                         drawnOn = QSize(dc->device()->width(), dc->device()->height());
                     });
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawnOn.isValid(); }, WaitMs));
    EXPECT_EQ(drawnOn, QSize(form->Scope().VideoWidth, form->Scope().VideoHeight));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WiFiStreamSizeTest,
                         ::testing::Values(StreamSizeCase{720, 480, false}, StreamSizeCase{1280, 720, false},
                                           StreamSizeCase{320, 240, true}),
                         [](const auto& p) {
                             return std::to_string(p.param.Width) + "x" + std::to_string(p.param.Height);
                         });

// The stream drops while a question raised by a device arrival is open, and the operator answers
// No: the view is dead, so the question comes again, now saying what happened where.
TEST_F(ScopeCameraTest, AStreamThatDropsWhileAQuestionIsOpenIsAskedAboutAgain)
{
    auto server = std::make_unique<MjpegServer>(MjpegServer::Mode::Stream);
    ASSERT_TRUE(server->Listen());
    const QString url = server->Url();
    TMainForm::WiFiScopeURL = url;
    auto form = MakeForm(QMessageBox::Yes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->TITLECAPTION->text().endsWith(" - WiFi"); }, WaitMs));
    Messages.clear();
    SetMessageBoxHook([&](const QString& text, const QString& caption, QMessageBox::Icon icon,
                          QMessageBox::StandardButtons) {
        Messages.push_back({text, caption, icon});
        if (Messages.size() == 1)
        {
            server.reset();
            [[maybe_unused]] const bool stopped =
                QTest::qWaitFor([&] { return !form->VIDEO->IsPreviewing(); }, WaitMs);
            QTest::qWait(100);
        }
        return QMessageBox::No;
    });
    fakecams::AddCamera({"Memory Stick", {{640, 480}}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountQuestions() == 2; }, WaitMs));
    EXPECT_TRUE(Messages[1].Text.contains(url)) << Messages[1].Text.toStdString();
    EXPECT_TRUE(Messages[1].Text.contains("ended the stream")) << Messages[1].Text.toStdString();
    // The title no longer claims a WiFi source.
    EXPECT_EQ(form->TITLECAPTION->text(), TitleBase);
}

// The WiFi stream drops in the middle of a 30-frame Check: one message, the question about the
// stream, and after reconnecting the live picture is whole again (cross-hair, no capture hanging).
TEST_F(ScopeCameraTest, AStreamThatDropsDuringALongCheckIsSaidOnceAndThePictureComesBackWhole)
{
    auto server = std::make_unique<MjpegServer>(MjpegServer::Mode::Stream);
    ASSERT_TRUE(server->Listen());
    const quint16 port = server->Port();
    TMainForm::WiFiScopeURL = server->Url();
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->TITLECAPTION->text().endsWith(" - WiFi"); }, WaitMs));
    form->AllocateCaptureBuffers(30);
    Messages.clear();
    SetMessageBoxHook([&](const QString& text, const QString& caption, QMessageBox::Icon icon,
                          QMessageBox::StandardButtons) {
        Messages.push_back({text, caption, icon});
        // The scope is back by the time the operator answers.
        server = std::make_unique<MjpegServer>(MjpegServer::Mode::Stream);
        [[maybe_unused]] const bool listening = server->Listen(port);
        return QMessageBox::Yes;
    });
    QImage shown;
    QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(),
                     [&](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                         shown = static_cast<QImage*>(dc->device())->copy();
                     });

    form->CheckOrResume();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Cycle().FramesCaptured >= 5; }, WaitMs));
    server.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Messages.size() == 1 && form->VIDEO->IsPreviewing(); }, WaitMs));
    shown = QImage();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isNull(); }, WaitMs));
    QTest::qWait(300); // anything still on its way
    QString said;
    for (const ShownMessage& m : Messages)
        said += m.Caption + ": " + m.Text + "\n";
    ASSERT_EQ(Messages.size(), 1u) << said.toStdString();
    EXPECT_TRUE(Messages[0].Text.endsWith("Search for WiFi Scope ?")) << Messages[0].Text.toStdString();
    EXPECT_TRUE(form->Cycle().Live());
    EXPECT_EQ(form->Cycle().State(), TCycleState::Live);
    EXPECT_TRUE(form->Cycle().CrossHairOn);
    EXPECT_EQ(shown.pixelColor(form->Scope().VideoWidth / 2, 0), QColor(255, 255, 0));
}

// Yes with the scope unreachable: the question comes back and says why and where.
TEST_F(ScopeCameraTest, TheQuestionAfterAFailedWiFiStartNamesTheAddressAndTheReason)
{
    auto form = MakeForm(QMessageBox::Yes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountQuestions() == 2; }, WaitMs));
    const QString again = Messages.back().Text;
    EXPECT_TRUE(again.contains("http://127.0.0.1:9/")) << again.toStdString();
    EXPECT_TRUE(again.contains("refused")) << again.toStdString();
    EXPECT_TRUE(again.endsWith("Search for WiFi Scope ?"));
}

TEST_F(ScopeCameraTest, ClosingStopsTheVideoSoNothingAsksAnyMore)
{
    auto server = std::make_unique<MjpegServer>(MjpegServer::Mode::Stream);
    ASSERT_TRUE(server->Listen());
    TMainForm::WiFiScopeURL = server->Url();
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->VIDEO->FrameSize().isValid(); }, WaitMs));
    Messages.clear();

    form->close();
    EXPECT_FALSE(form->VIDEO->IsPreviewing());
    server.reset();
    fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->VIDEO->VideoDevices() == "USB Video Device"; }, WaitMs));
    QTest::qWait(200);
    EXPECT_TRUE(Messages.empty());
}

// The caution is about a live picture that is too small, not about every maximise.
TEST_F(ScopeCameraTest, MaximiseWarnsOnlyAboutALiveSmallPicture)
{
    auto form = MakeForm(QMessageBox::No);
    form->show();
    Messages.clear();
    form->SpeedButton4Click();
    form->SpeedButton4Click();
    EXPECT_EQ(CountMessages(Caution), 0);

    fakecams::AddCamera({"Small Scope", {{320, 240}}});
    QFile file(Path("SystemSetting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Small Scope\r\n128,128,60,140,3.000000,5.000000\r\n3\r\n\r\n\r\n");
    file.close();
    auto small = MakeForm();
    ASSERT_EQ(CountMessages(Caution), 1);
    small->SpeedButton4Click();
    EXPECT_EQ(CountMessages(Caution), 2);
    // Unplugged: nothing live is too small any more.
    ASSERT_TRUE(fakecams::RemoveCamera("Small Scope"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !small->VIDEO->IsPreviewing(); }, WaitMs));
    small->SpeedButton4Click();
    EXPECT_EQ(CountMessages(Caution), 2);
    EXPECT_EQ(small->TITLECAPTION->text(), TitleBase);
}

// Without a source, Check and Ctrl+A say what to do, and the black video area says it too; a
// scope plugged in takes the hint away and Check works.
TEST_F(ScopeCameraTest, CheckWithoutAScopeSaysWhatToDo)
{
    auto form = MakeForm(QMessageBox::No);
    form->show();
    const QLabel* hint = form->findChild<QLabel*>("NOSCOPE");
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(),
              "No scope connected: plug in a USB scope, press Connect Scope, or open an image file");
    Messages.clear();
    form->CHECKClick();
    form->FormKeyDown(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(Messages.size(), 2u);
    for (const ShownMessage& m : Messages)
    {
        EXPECT_EQ(m.Text, hint->text());
        EXPECT_EQ(m.Caption, "No scope");
    }
    EXPECT_EQ(form->Cycle().State(), TCycleState::Live);

    // The WiFi scope found on Connect Scope.
    MjpegServer server(MjpegServer::Mode::Stream);
    ASSERT_TRUE(server.Listen());
    TMainForm::WiFiScopeURL = server.Url();
    Messages.clear();
    Answer(QMessageBox::Yes);
    QTest::mouseClick(form->CONNECT, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->VIDEO->IsPreviewing(); }, WaitMs));
    Messages.clear();
    EXPECT_FALSE(hint->isVisible());
    form->CHECKClick();
    EXPECT_TRUE(Messages.empty());
    EXPECT_TRUE(form->Cycle().CaptureRequested());
}

// A Check of many frames shows how far it is on the live picture.
TEST_F(ScopeCameraTest, ALongCheckShowsItsProgress)
{
    fakecams::AddCamera(fakecams::Camera("USB Video Device", {{640, 480}}, fakecams::Format::Raw, 0x202020));
    auto form = MakeForm();
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->VIDEO->IsPreviewing(); }, WaitMs));
    form->AllocateCaptureBuffers(30);
    QImage shown;
    int framesWhenShown = 0;
    QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(),
                     [&](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                         if (form->Cycle().FramesCaptured < 5)
                             return;
                         shown = static_cast<QImage*>(dc->device())->copy();
                         framesWhenShown = form->Cycle().FramesCaptured;
                     });
    form->CheckOrResume();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isNull(); }, WaitMs));
    // The count in amber (on a dark band) across the top of the picture's centre; the frame is grey.
    int amber = 0;
    for (int y = 24; y < 48; ++y)
        for (int x = 220; x < 420; ++x)
        {
            const QColor c = shown.pixelColor(x, y);
            amber += c.red() > 150 && c.green() > 100 && c.blue() < 60;
        }
    EXPECT_GT(amber, 40) << framesWhenShown;
    QObject::disconnect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(), nullptr);
}
