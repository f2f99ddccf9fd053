// Check presses on live video through the real capture control: a USB scope of the fake device
// provider, and the WiFi scope as a loopback MJPEG server.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/FakeCameras.h"
#include "tests/support/MjpegServer.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>

namespace
{
constexpr int WaitMs = 10000;

class CheckCycleLiveTest : public MainFormTest
{
protected:
    static void SetUpTestSuite() { fakecams::Register(); }
    void TearDown() override
    {
        fakecams::RemoveAll();
        MainFormTest::TearDown();
    }

    // Presses Check once the live picture runs and waits for the verdict.
    void CheckAndWait(TMainForm& form)
    {
        int overlays = 0;
        const auto counter =
            QObject::connect(form.VIDEO, &TVideoGrabber::OnFrameOverlayUsingDC, &form,
                             [&](TVideoGrabber*, QPainter*, qint64, qint64, qint64) { ++overlays; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return overlays > 2; }, WaitMs)) << "no live picture";
        QObject::disconnect(counter);
        QTest::mouseClick(form.CHECK, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.CHECK->text() == "Resume"; }, WaitMs)) << "no verdict";
    }
};

struct CameraCase
{
    int Width, Height;
};

void PrintTo(const CameraCase& c, std::ostream* os)
{
    *os << c.Width << "x" << c.Height;
}

class UsbCheckTest : public CheckCycleLiveTest, public ::testing::WithParamInterface<CameraCase>
{
};
} // namespace

TEST_P(UsbCheckTest, CheckCombinesLiveFramesAndResumeGoesBackToLive)
{
    const CameraCase c = GetParam();
    fakecams::AddCamera({"USB Video Device", {{c.Width, c.Height}}, fakecams::Format::Raw, 0x606060});
    auto form = MakeForm();
    form->show();
    ASSERT_EQ(form->Scope().VideoWidth, c.Width);

    CheckAndWait(*form);
    EXPECT_TRUE(Messages.empty());
    EXPECT_FALSE(form->RESULT->text().isEmpty());
    const TBitmap& source = *form->Analyzer()->SourceRaster->Bitmap;
    ASSERT_EQ(source.Width(), 640);
    ASSERT_EQ(source.Height(), 480);
    for (const QPoint p : {QPoint(0, 0), QPoint(639, 479)})
        EXPECT_NEAR(source.ScanLine(p.y())[3 * p.x() + 1], 0x60, 4);

    QTest::mouseClick(form->CHECK, Qt::LeftButton);
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_TRUE(form->VIDEO->isVisible());
    // And the next Check works just the same.
    CheckAndWait(*form);
}

INSTANTIATE_TEST_SUITE_P(Sizes, UsbCheckTest, ::testing::Values(CameraCase{640, 480}, CameraCase{1280, 960}));

TEST_F(CheckCycleLiveTest, TheWiFiScopesPictureIsInspected)
{
    MjpegServer server(MjpegServer::Mode::Stream);
    server.SetPicture(QImage(FS_SOURCE_DIR "/samples/clean-pass.png").convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(server.Listen());
    TMainForm::WiFiScopeURL = server.Url();
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    ASSERT_TRUE(form->Scope().WiFiMode);

    CheckAndWait(*form);
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_EQ(form->R1->text(), "Pass");
}

// An address with credentials: the scope is reached, and the record, the PDF and the messages
// name the address without them.
TEST_F(CheckCycleLiveTest, CredentialsInTheScopesAddressAreInNoRecord)
{
    MjpegServer server(MjpegServer::Mode::Stream, "scope:s3cret");
    server.SetPicture(QImage(FS_SOURCE_DIR "/samples/clean-pass.png").convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(server.Listen());
    TMainForm::WiFiScopeURL = QString(server.Url()).replace("http://", "http://scope:s3cret@");
    auto form = MakeForm(QMessageBox::Yes);
    form->show();
    form->SetImageFolder(Dir.path());
    ASSERT_TRUE(form->Scope().WiFiMode);
    CheckAndWait(*form);
    form->WritePdfReportTo(Path("report.pdf"));
    QFile log(Path("inspections.csv"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray records = log.readAll();
    EXPECT_TRUE(records.contains(server.Url().toUtf8())) << records.toStdString();
    EXPECT_FALSE(records.contains("s3cret"));
    QFile pdf(Path("report.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_FALSE(pdf.readAll().contains("s3cret"));
    for (const ShownMessage& m : Messages)
        EXPECT_FALSE(m.Text.contains("s3cret")) << m.Text.toStdString();
}
