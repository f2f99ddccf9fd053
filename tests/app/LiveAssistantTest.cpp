// The live assistant through the real capture control: a fake camera shows a sample (or a focus
// sweep, or a connector plugged in and out), and the window draws the zones and verdict on the
// live picture and runs the automatic Check once per connector.

#include "analysis/TFiberAnalyzer.h"
#include "live/LiveAnalysis.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/FakeCameras.h"
#include "tests/support/MjpegServer.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace
{
constexpr int WaitMs = 15000;

QImage Sample(const char* name)
{
    return QImage(QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name))
        .convertToFormat(QImage::Format_RGB888);
}

// Out of focus by about factor pixels.
QImage Blurred(const QImage& image, int factor)
{
    if (factor <= 1)
        return image;
    return image
        .scaled(image.width() / factor, image.height() / factor, Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}

std::vector<std::uint8_t> Bytes(const QImage& image)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.insert(bytes.end(), image.constScanLine(y), image.constScanLine(y) + 3 * image.width());
    return bytes;
}

class LiveAssistantTest : public MainFormTest
{
protected:
    static void SetUpTestSuite() { fakecams::Register(); }
    void TearDown() override
    {
        fakecams::RemoveAll();
        MainFormTest::TearDown();
    }

    void Camera(const std::vector<QImage>& pictures, int framesPerPicture)
    {
        fakecams::Camera cam("USB Video Device", {{640, 480}});
        for (const QImage& p : pictures)
            cam.Pictures.push_back(Bytes(p));
        cam.FramesPerPicture = framesPerPicture;
        fakecams::AddCamera(cam);
    }
};
} // namespace

TEST_F(LiveAssistantTest, TheLivePictureShowsTheZonesAndTheVerdictButTheReportStaysAsItWas)
{
    Camera({Sample("clean-pass.png")}, 1);
    auto form = MakeForm();
    form->show();
    const QString reportBefore = form->REPORT->item(2, 2)->text();
    QTest::keyClick(form.get(), Qt::Key_F2);
    ASSERT_TRUE(form->LIVEANALYSIS->isChecked());

    // The frame as shown, after the window drew on it.
    QImage shown;
    QObject::connect(form->VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, form.get(),
                     [&](TVideoGrabber*, QPainter* dc, qint64, qint64, qint64) {
                         if (form->LiveResult().FiberInView)
                             shown = static_cast<QImage*>(dc->device())->copy();
                     });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isNull(); }, WaitMs));
    const TLiveResult& r = form->LiveResult();
    EXPECT_TRUE(r.Pass);
    EXPECT_GT(r.Focus, 0.0f);
    const int cy = static_cast<int>(r.Center.Y);
    // On the right of the centre, in the result view's colours: the contact circle's dot is blue,
    // the cladding's green, the core's yellow.
    const auto dotNear = [&](float x, const QColor& colour) {
        bool found = false;
        for (int dx = -1; dx <= 1; ++dx)
            found |= shown.pixelColor(static_cast<int>(x) + dx, cy) == colour;
        return found;
    };
    EXPECT_TRUE(dotNear(r.Center.X + r.ZoneRadius[4], QColor(0, 0, 255)));
    EXPECT_TRUE(dotNear(r.Center.X + r.ZoneRadius[2], QColor(0, 128, 0)));
    EXPECT_TRUE(dotNear(r.Center.X + r.ZoneRadius[0], QColor(255, 255, 0)));
    EXPECT_NEAR(r.Center.X, 326.0f, 3.0f); // the sample's fiber centre
    // The window's own analysis and report are untouched.
    EXPECT_FALSE(form->Analyzer()->SourceRaster);
    EXPECT_EQ(form->REPORT->item(2, 2)->text(), reportBefore);
    EXPECT_EQ(form->CHECK->text(), "Check");
}

TEST_F(LiveAssistantTest, TheAutomaticCheckRunsOncePerFocusSweepAndFilesTheReport)
{
    // Blurred, sharper, sharp for a second, then blurred again; over and over.
    const QImage sharp = Sample("clean-pass.png");
    std::vector<QImage> sweep;
    for (int f : {8, 6, 4, 3, 2})
        sweep.push_back(Blurred(sharp, f));
    for (int i = 0; i < 5; ++i)
        sweep.push_back(sharp);
    for (int f : {2, 3, 4, 6, 8})
        sweep.push_back(Blurred(sharp, f));
    Camera(sweep, 6); // 0.2 s each
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0001");
    QTest::keyClick(form.get(), Qt::Key_F3);
    ASSERT_TRUE(form->AUTOCHECK->isChecked());
    ASSERT_TRUE(form->LIVEANALYSIS->isChecked());

    ASSERT_TRUE(QTest::qWaitFor([&] { return form->CHECK->text() == "Resume"; }, WaitMs));
    EXPECT_EQ(form->RESULT->text(), "Pass");
    // Two more sweeps with the connector still in: no second Check.
    QTest::qWait(2 * 15 * 6 * 33);
    EXPECT_EQ(QDir(Dir.path()).entryList({"*.bmp"}, QDir::Files), QStringList{"AB0001.bmp"});
    EXPECT_EQ(form->B_SERIAL->text(), "AB0002");
    EXPECT_EQ(form->CHECK->text(), "Resume");
}

TEST_F(LiveAssistantTest, PullingTheConnectorOutGoesBackToLiveForTheNextOne)
{
    // A connector in for 1.3 s, then nothing for 0.7 s; over and over.
    QImage empty(640, 480, QImage::Format_RGB888);
    empty.fill(QColor(20, 20, 20));
    Camera({Sample("clean-pass.png"), empty}, 30);
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("0001");
    form->LIVEANALYSIS->setChecked(true);
    form->AUTOCHECK->setChecked(true);
    form->AUTOCHECKClick();

    ASSERT_TRUE(QTest::qWaitFor([&] { return form->B_SERIAL->text() == "0003"; }, WaitMs));
    EXPECT_EQ(QDir(Dir.path()).entryList({"*.bmp"}, QDir::Files), (QStringList{"0001.bmp", "0002.bmp"}));
}

TEST_F(LiveAssistantTest, TheSwitchesAreRemembered)
{
    {
        auto form = MakeForm();
        QTest::keyClick(form.get(), Qt::Key_F3); // the automatic Check brings the live analysis
    }
    auto form = MakeForm();
    EXPECT_TRUE(form->LIVEANALYSIS->isChecked());
    EXPECT_TRUE(form->AUTOCHECK->isChecked());
    QTest::keyClick(form.get(), Qt::Key_F2); // and goes with it
    EXPECT_FALSE(form->LIVEANALYSIS->isChecked());
    EXPECT_FALSE(form->AUTOCHECK->isChecked());
    EXPECT_FALSE(QFile::exists(Path("SystemSetting.ini")));
}

TEST_F(LiveAssistantTest, TheWiFiScopesPictureIsAnalysedLiveToo)
{
    MjpegServer server(MjpegServer::Mode::Stream);
    server.SetPicture(Sample("core-defect.png").convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(server.Listen());
    TMainForm::WiFiScopeURL = server.Url();
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    ASSERT_TRUE(form->Scope().WiFiMode);
    form->LIVEANALYSIS->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->LiveResult().FiberInView; }, WaitMs));
    EXPECT_FALSE(form->LiveResult().Pass);
    EXPECT_FALSE(form->LiveResult().ZonePass[0]); // the sample's core defect
}

TEST_F(LiveAssistantTest, ARefusedSerialIsSaidOnceAndTheCheckWaitsForAnotherSerial)
{
    Camera({Sample("clean-pass.png")}, 1);
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("");
    QTest::keyClick(form.get(), Qt::Key_F3);
    const QString refusal = "Minimum digit of serial number is 4";
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountMessages(refusal) > 0; }, WaitMs));
    // A steady connector for two more seconds: no second warning, no Check.
    QTest::qWait(2000);
    EXPECT_EQ(CountMessages(refusal), 1);
    EXPECT_TRUE(form->Cycle().Live());

    form->B_SERIAL->setText("AB0001");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Cycle().ShowingResult(); }, WaitMs));
    EXPECT_TRUE(QFile::exists(Path("AB0001.bmp")));
    EXPECT_EQ(CountMessages(refusal), 1);
}

TEST_F(LiveAssistantTest, TheAutomaticCheckNeverFiresBehindADialog)
{
    Camera({Sample("clean-pass.png")}, 1);
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    QDialog dialog(form.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    form->AUTOCHECK->setChecked(true);
    form->AUTOCHECKClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->LiveResult().FiberInView; }, WaitMs));
    QTest::qWait(1500); // sharp and steady for three times the hold
    EXPECT_TRUE(form->Cycle().Live());
    EXPECT_FALSE(QFile::exists(Path("inspections.csv")));

    dialog.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Cycle().ShowingResult(); }, WaitMs));
}
