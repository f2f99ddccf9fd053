// The Check cycle driven through the window's own handlers: frames handed to the capture-completed
// handler as the capture control would, the serial number of automatic mode, automatic saves.

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/FakeCameras.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace
{
// A frame of one colour, given as blue, green, red bytes.
TBitmap Frame(int width, int height, int b, int g, int r)
{
    TBitmap frame(width, height);
    frame.Image().fill(QColor(r, g, b));
    return frame;
}

TBitmap FrameOf(const QString& file)
{
    TBitmap frame;
    frame.Assign(QImage(file));
    return frame;
}

QString Sample(const char* name)
{
    return QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name);
}

// Runs a Check of count frames through the handlers, as the overlay and the control would.
void CheckWith(TMainForm& form, const std::vector<TBitmap>& frames)
{
    form.CheckOrResume();
    for (const TBitmap& f : frames)
        form.VIDEOFrameCaptureCompleted(&f, true);
}

// A scope for the tests that press Check or Ctrl+A as the operator does: both refuse without one.
struct ScopePresent
{
    ScopePresent()
    {
        fakecams::Register();
        fakecams::AddCamera({"USB Video Device", {{640, 480}}});
    }
    ~ScopePresent() { fakecams::RemoveAll(); }
    ScopePresent(const ScopePresent&) = delete;
    ScopePresent& operator=(const ScopePresent&) = delete;
};

QStringList Files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}
} // namespace

using InspectionRunTest = MainFormTest;

struct CombineCase
{
    int Count;
    int Width, Height;
    int Expected[3]; // blue, green, red of the combined frame
};

void PrintTo(const CombineCase& c, std::ostream* os)
{
    *os << c.Count << " frames of " << c.Width << "x" << c.Height;
}

class CombineTest : public MainFormTest, public ::testing::WithParamInterface<CombineCase>
{
};

TEST_P(CombineTest, RunningPairwiseMeanThenAtMostSixFortyByFourEighty)
{
    const CombineCase c = GetParam();
    auto form = MakeForm();
    form->show();
    form->AllocateCaptureBuffers(c.Count);
    // Odd sums show the truncation; the last frame weighs most.
    const std::vector<TBitmap> frames = {Frame(c.Width, c.Height, 10, 200, 0),
                                         Frame(c.Width, c.Height, 21, 100, 255),
                                         Frame(c.Width, c.Height, 100, 0, 3)};
    CheckWith(*form, std::vector<TBitmap>(frames.begin(), frames.begin() + c.Count));

    const TBitmap& combined = form->Cycle().CaptureBuffers[0];
    ASSERT_EQ(combined.Width(), 640);
    ASSERT_EQ(combined.Height(), 480);
    for (const QPoint p : {QPoint(0, 0), QPoint(639, 479), QPoint(320, 17)})
    {
        const std::uint8_t* px = combined.ScanLine(p.y()) + 3 * p.x();
        EXPECT_EQ(px[0], c.Expected[0]);
        EXPECT_EQ(px[1], c.Expected[1]);
        EXPECT_EQ(px[2], c.Expected[2]);
    }
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_FALSE(form->Cycle().SequenceActive());
    EXPECT_EQ(form->Analyzer()->SourceRaster->Bitmap->Width(), 640);
}

INSTANTIATE_TEST_SUITE_P(Frames, CombineTest,
                         ::testing::Values(CombineCase{1, 640, 480, {10, 200, 0}},
                                           // ((F0 + F1) div 2 + F2) div 2 per byte
                                           CombineCase{3, 640, 480, {57, 75, 65}},
                                           CombineCase{3, 720, 480, {57, 75, 65}},
                                           CombineCase{3, 1280, 960, {57, 75, 65}}));

TEST_F(InspectionRunTest, EveryFrameButTheLastAsksForTheNextWithoutTheCrossHair)
{
    auto form = MakeForm();
    form->show();
    const TBitmap f = Frame(640, 480, 1, 2, 3);
    form->CheckOrResume();
    EXPECT_TRUE(form->Cycle().SequenceActive());
    EXPECT_TRUE(form->Cycle().CaptureRequested());
    EXPECT_EQ(form->Cycle().CapturePurpose, TCapturePurpose::Check);

    form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_EQ(form->Cycle().FramesCaptured, 1);
    EXPECT_FALSE(form->Cycle().CrossHairOn);
    form->VIDEOFrameCaptureCompleted(&f, true);
    form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_TRUE(form->Cycle().CrossHairOn);
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_TRUE(form->PB->isVisible());
    EXPECT_FALSE(form->VIDEO->isVisible());

    // Any frame arriving in the result view goes back to live video.
    form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_TRUE(form->VIDEO->isVisible());
    EXPECT_FALSE(form->PB->isVisible());
    EXPECT_FALSE(form->Cycle().SequenceActive());
}

TEST_F(InspectionRunTest, AFrameAfterAWideFileIsJudgedAsIfTheFileHadNeverBeenOpened)
{
    const TBitmap frame = FrameOf(Sample("clean-pass.png"));
    auto fresh = MakeForm();
    fresh->show();
    fresh->AllocateCaptureBuffers(1);
    CheckWith(*fresh, {frame});

    auto form = MakeForm();
    form->show();
    form->AllocateCaptureBuffers(1);
    form->OpenImageFile(QFile::encodeName(Sample("wide-720-pass.png")).toStdString());
    ASSERT_EQ(form->Analyzer()->ImageWidth, 720);
    form->CheckOrResume(); // back to live
    CheckWith(*form, {frame});

    EXPECT_EQ(form->Analyzer()->ImageWidth, 640);
    EXPECT_EQ(form->Analyzer()->Center.X, fresh->Analyzer()->Center.X);
    EXPECT_EQ(form->Analyzer()->Center.Y, fresh->Analyzer()->Center.Y);
    EXPECT_EQ(form->Analyzer()->ZoneRadius[4], fresh->Analyzer()->ZoneRadius[4]);
    EXPECT_EQ(form->RESULT->text(), fresh->RESULT->text());
    EXPECT_EQ(form->RESULT->text(), "Pass");
}

TEST_F(InspectionRunTest, AnUnrequestedFrameStartsAFreshInspectionAfterTheTimer)
{
    auto form = MakeForm();
    form->show();
    const TBitmap f = Frame(640, 480, 9, 9, 9);

    form->VIDEOFrameCaptureCompleted(&f, true); // the camera's own button
    EXPECT_TRUE(form->CAPTURETIMER->isActive());
    EXPECT_FALSE(form->Cycle().CrossHairOn);
    EXPECT_FALSE(form->Cycle().CaptureRequested());
    // More button frames than the store holds are dropped, never written past it.
    for (int i = 0; i < 5; ++i)
        form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_LE(form->Cycle().FramesCaptured, form->Cycle().CaptureCount);

    // Each tick raises the request again until the first frame of the sequence arrives.
    form->CAPTURETIMERTimer();
    EXPECT_TRUE(form->Cycle().CaptureRequested());
    QImage live(640, 480, QImage::Format_RGB888);
    {
        QPainter p(&live);
        form->VIDEOFrameOverlayUsingDC(&p); // starts the capture
    }
    EXPECT_FALSE(form->Cycle().CaptureRequested());
    EXPECT_TRUE(form->Cycle().OverlayStartedCapture());
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    form->CAPTURETIMERTimer();
    EXPECT_TRUE(form->Cycle().CaptureRequested());
    {
        QPainter p(&live);
        form->VIDEOFrameOverlayUsingDC(&p);
    }

    form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_FALSE(form->CAPTURETIMER->isActive());
    EXPECT_EQ(form->CHECK->text(), "Check");
    form->VIDEOFrameCaptureCompleted(&f, true);
    form->VIDEOFrameCaptureCompleted(&f, true);
    EXPECT_EQ(form->CHECK->text(), "Resume");
    EXPECT_FALSE(form->Cycle().OverlayStartedCapture());
    EXPECT_FALSE(form->Cycle().CaptureRequested());
}

TEST_F(InspectionRunTest, AFailedCaptureStopsTheSequenceAndTheNextCheckStartsAtFrameZero)
{
    auto form = MakeForm();
    form->show();
    const TBitmap f = Frame(640, 480, 5, 5, 5);
    form->CheckOrResume();
    form->VIDEOFrameCaptureCompleted(&f, true);
    Messages.clear();

    form->VIDEOFrameCaptureCompleted(nullptr, false);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, "Frame capture failed");
    EXPECT_EQ(Messages[0].Caption, "Error");
    EXPECT_EQ(Messages[0].Icon, QMessageBox::Critical);
    // The sequence is given up and the live picture is whole again.
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    EXPECT_FALSE(form->Cycle().SequenceActive());
    EXPECT_TRUE(form->Cycle().CrossHairOn);

    form->CheckOrResume();
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    CheckWith(*form, {f, f, f});
    EXPECT_EQ(form->CHECK->text(), "Resume");
}

TEST_F(InspectionRunTest, FramesArrivingWhileTheWindowIsBuiltAreIgnored)
{
    // The WiFi question runs while the window is half built; a frame handed over then must not
    // reach the frame store, which does not exist yet.
    const TBitmap f = Frame(640, 480, 1, 1, 1);
    int handled = 0;
    SetMessageBoxHook([&](const QString&, const QString&, QMessageBox::Icon, QMessageBox::StandardButtons) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = dynamic_cast<TMainForm*>(w))
            {
                form->VIDEOFrameCaptureCompleted(&f, true);
                ++handled;
            }
        return QMessageBox::No;
    });
    auto form = std::make_unique<TMainForm>();
    EXPECT_GT(handled, 0);
    EXPECT_EQ(form->Cycle().FramesCaptured, 0);
    EXPECT_FALSE(form->CAPTURETIMER->isActive());
}

struct CountCase
{
    const char* Line;
    int Count;
    bool Warned;
};

class CaptureCountSettingTest : public MainFormTest, public ::testing::WithParamInterface<CountCase>
{
};

TEST_P(CaptureCountSettingTest, AnyCountInTheFileStillStartsTheProgram)
{
    const CountCase c = GetParam();
    QFile file(Path("SystemSetting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n") + c.Line + "\r\n");
    file.close();

    auto form = MakeForm();
    EXPECT_EQ(form->Cycle().CaptureCount, c.Count);
    EXPECT_EQ(form->Cycle().CaptureBuffers.size(), static_cast<std::size_t>(c.Count));
    EXPECT_EQ(form->Analyzer()->CaptureCount, c.Count);
    bool warned = false;
    for (const ShownMessage& m : Messages)
        warned |= m.Caption == "Invalid setting" && m.Text.contains("100");
    EXPECT_EQ(warned, c.Warned);
}

INSTANTIATE_TEST_SUITE_P(Counts, CaptureCountSettingTest,
                         ::testing::Values(CountCase{"2147483647", 100, true}, CountCase{"101", 100, true},
                                           CountCase{"100", 100, false}, CountCase{"0", 1, false},
                                           CountCase{"-7", 1, false}, CountCase{"5", 5, false}));

struct SerialCase
{
    const char* Serial;
    const char* Text; // nullptr: accepted
    const char* Caption;
};

void PrintTo(const SerialCase& c, std::ostream* os)
{
    *os << '"' << c.Serial << '"';
}

class SerialTest : public MainFormTest, public ::testing::WithParamInterface<SerialCase>
{
};

TEST_P(SerialTest, AutomaticModeChecksTheSerialBeforeCheckAndResume)
{
    const SerialCase c = GetParam();
    auto form = MakeForm();
    form->show();
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText(QString::fromUtf8(c.Serial));
    Messages.clear();

    form->CheckOrResume();
    EXPECT_EQ(form->Cycle().SequenceActive(), c.Text == nullptr);
    if (c.Text)
    {
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0].Text, c.Text);
        EXPECT_EQ(Messages[0].Caption, c.Caption);
        EXPECT_EQ(Messages[0].Icon, QMessageBox::Warning);
        // The result view cannot be left either, by the button or by Ctrl+A.
        form->OpenImageFile(QFile::encodeName(Sample("core-defect.png")).toStdString());
        form->CheckOrResume();
        form->FormKeyDown(Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(form->CHECK->text(), "Resume");
    }
    else
        EXPECT_TRUE(Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Serials, SerialTest,
    ::testing::Values(
        SerialCase{"0001", nullptr, nullptr}, SerialCase{"ABCDEFGHIJ0001", nullptr, nullptr},
        SerialCase{"ABCDEFGHIJK0001", "Maximum digit of serial number is 14", "Serial number is too long"},
        // Counted in bytes: four two-byte letters and four digits make twelve.
        SerialCase{"\xC3\x84\xC3\x84\xC3\x84\xC3\x84"
                   "0001",
                   nullptr, nullptr},
        SerialCase{"001", "Minimum digit of serial number is 4", "Serial number is too short"},
        SerialCase{"ABC123", "Last 4 digits of serial number must be numerics", "Invalid serial number"},
        SerialCase{"../../0001", "Serial number must not contain / or \\ or control characters",
                   "Invalid serial number"},
        SerialCase{"a\\b0001", "Serial number must not contain / or \\ or control characters",
                   "Invalid serial number"}));

TEST_F(InspectionRunTest, TheSerialCountsOnInItsLastFourDigits)
{
    auto form = MakeForm();
    const std::pair<const char*, const char*> cases[] = {
        {"AB0009", "AB0010"}, {"AB9999", "AB10000"}, {"0001", "0002"}, {"X-0099", "X-0100"}};
    for (const auto& [from, to] : cases)
    {
        form->B_SERIAL->setText(from);
        form->AdvanceSerial();
        EXPECT_EQ(form->B_SERIAL->text(), to) << from;
    }
}

struct AutoSaveCase
{
    bool Automatic;
    const char* Serial;
    const char* File;
    const char* Written; // nullptr: nothing is written
    const char* Next;
};

void PrintTo(const AutoSaveCase& c, std::ostream* os)
{
    *os << (c.Automatic ? "auto " : "manual ") << '"' << c.Serial << "\" " << c.File;
}

class AutoSaveTest : public MainFormTest, public ::testing::WithParamInterface<AutoSaveCase>
{
};

TEST_P(AutoSaveTest, APassInAutomaticModeFilesTheReportUnderTheSerial)
{
    const AutoSaveCase c = GetParam();
    auto form = MakeForm();
    form->show();
    QDir(Dir.path()).mkdir("images");
    form->SetImageFolder(Path("images"));
    (c.Automatic ? form->B_AUTO : form->B_MANUAL)->setChecked(true);
    form->B_SERIAL->setText(c.Serial);

    form->OpenImageFile(QFile::encodeName(Sample(c.File)).toStdString());

    const QStringList written = QDir(Path("images")).entryList({"*.bmp"}, QDir::Files);
    if (c.Written)
    {
        ASSERT_EQ(written, QStringList{c.Written});
        const QImage report(QDir(Path("images")).filePath(c.Written));
        EXPECT_EQ(report.size(), QSize(905, 480));
    }
    else
        EXPECT_TRUE(written.isEmpty()) << written.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(Path("0001.bmp")));
    EXPECT_EQ(form->B_SERIAL->text(), c.Next);
}

INSTANTIATE_TEST_SUITE_P(AutomaticMode, AutoSaveTest,
                         ::testing::Values(AutoSaveCase{true, "0001", "clean-pass.png", "0001.bmp", "0002"},
                                           AutoSaveCase{true, "0001", "core-defect.png", nullptr, "0001"},
                                           AutoSaveCase{false, "0001", "clean-pass.png", nullptr, "0001"},
                                           AutoSaveCase{true, "", "clean-pass.png", nullptr, ""},
                                           // An opened file skips the serial check of Check.
                                           AutoSaveCase{true, "../0001", "clean-pass.png", nullptr,
                                                        "../0001"}));

TEST_F(InspectionRunTest, CtrlOnCheckSavesTheCombinedFrameUnderATimeStampFirst)
{
    const ScopePresent scope;
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->AllocateCaptureBuffers(1);
    QTest::mouseClick(form->CHECK, Qt::LeftButton, Qt::ControlModifier);
    ASSERT_TRUE(form->Cycle().SaveRawOnCheck);
    ASSERT_TRUE(form->Cycle().SequenceActive());
    const TBitmap f = FrameOf(Sample("core-defect.png"));
    form->VIDEOFrameCaptureCompleted(&f, true);

    const QStringList bmps = QDir(Dir.path()).entryList({"*.bmp"}, QDir::Files);
    ASSERT_EQ(bmps.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\d{14}\\.bmp$").match(bmps[0]).hasMatch()) << bmps[0].toStdString();
    // Written as captured: no zone circles of the analysis drawn on it.
    EXPECT_EQ(QImage(Path(bmps[0])).convertToFormat(QImage::Format_RGB888),
              f.Image().convertToFormat(QImage::Format_RGB888));
    EXPECT_EQ(form->OverlayMessage(), "Image Saved : " + Path(bmps[0]));
    EXPECT_TRUE(form->OverlayMessageOn());
    EXPECT_TRUE(form->MSGTIMER->isActive());
    EXPECT_EQ(form->MSGTIMER->interval(), 3000);
    EXPECT_EQ(form->CHECK->text(), "Resume");

    form->MSGTIMERTimer();
    EXPECT_FALSE(form->OverlayMessageOn());
    EXPECT_TRUE(form->OverlayMessage().isEmpty());
    EXPECT_FALSE(form->MSGTIMER->isActive());

    // A plain click leaves the flag off again.
    form->CheckOrResume();
    QTest::mouseClick(form->CHECK, Qt::LeftButton);
    EXPECT_FALSE(form->Cycle().SaveRawOnCheck);
}

TEST_F(InspectionRunTest, SavesWithinOneSecondNeverReplaceEachOther)
{
    auto form = MakeForm();
    form->SetImageFolder(Dir.path());
    TBitmap a = Frame(640, 480, 1, 2, 3);
    TBitmap b = Frame(640, 480, 4, 5, 6);
    form->Analyzer()->WorkRaster.reset();
    form->AutoSaveFrame(a);
    form->AutoSaveFrame(b);
    form->AutoSaveFrame(a);
    const QStringList files = Files(Dir.path());
    ASSERT_EQ(files.size(), 3);
    for (const QString& name : files)
        EXPECT_TRUE(QRegularExpression("^\\d{14}(-[23])?\\.bmp$").match(name).hasMatch())
            << name.toStdString();
}

TEST_F(InspectionRunTest, TheSaveCommandWhileLiveWritesTheNextCombinedFrameOnly)
{
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Dir.path());
    form->OpenImageFile(QFile::encodeName(Sample("clean-pass.png")).toStdString());
    form->CheckOrResume();
    ASSERT_TRUE(form->Analyzer()->WorkRaster);

    form->FormKeyDown(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->Cycle().CapturePurpose, TCapturePurpose::SaveFrame);
    EXPECT_TRUE(form->Cycle().SequenceActive());
    EXPECT_TRUE(form->Cycle().CaptureRequested());
    EXPECT_FALSE(form->Analyzer()->WorkRaster);
    EXPECT_TRUE(Files(Dir.path()).filter(".bmp").isEmpty());

    const TBitmap f = Frame(640, 480, 30, 60, 90);
    for (int i = 0; i < 3; ++i)
        form->VIDEOFrameCaptureCompleted(&f, true);
    const QStringList bmps = Files(Dir.path()).filter(".bmp");
    ASSERT_EQ(bmps.size(), 1);
    EXPECT_EQ(QImage(Path(bmps[0])).pixelColor(320, 240), QColor(90, 60, 30));
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_FALSE(form->Cycle().SequenceActive());
    EXPECT_TRUE(form->Cycle().CrossHairOn);
}

TEST_F(InspectionRunTest, AFailedSaveIsShownAndTheSequenceEndsCleanly)
{
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Path("missing-folder"));
    form->SpeedButton2Click();
    const TBitmap f = Frame(640, 480, 1, 1, 1);
    for (int i = 0; i < 2; ++i)
        form->VIDEOFrameCaptureCompleted(&f, true);
    try
    {
        form->VIDEOFrameCaptureCompleted(&f, true);
        FAIL() << "the failed write was not reported";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_NE(std::string(e.what()).find("missing-folder"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(form->Cycle().SequenceActive());
    EXPECT_TRUE(form->Cycle().CrossHairOn);
    EXPECT_TRUE(QDir(Dir.path()).entryList({"*.bmp"}, QDir::Files).isEmpty());
}

TEST_F(InspectionRunTest, ShortcutsNeedCtrlAndReachTheFocusedControlToo)
{
    const ScopePresent scope;
    auto form = MakeForm();
    form->show();
    form->activateWindow();
    form->B_SERIAL->setText("AB0001");
    form->B_SERIAL->setFocus();

    QTest::keyClick(form->B_SERIAL, Qt::Key_S, Qt::AltModifier);
    EXPECT_FALSE(form->Cycle().SequenceActive());
    form->B_SERIAL->setText("AB0001");
    QTest::keyClick(form->B_SERIAL, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(form->Cycle().SequenceActive());
    EXPECT_EQ(form->Cycle().CapturePurpose, TCapturePurpose::Check);
    EXPECT_EQ(form->B_SERIAL->selectedText().toStdString(), "AB0001"); // the edit selected all as well

    // In the result view: Ctrl+S, which the edit ignores and passes on to its parents, saves
    // one report; Ctrl+A goes back to live.
    form->SetImageFolder(Dir.path());
    form->OpenImageFile(QFile::encodeName(Sample("clean-pass.png")).toStdString());
    form->B_SERIAL->setFocus();
    QTest::keyClick(form->B_SERIAL, Qt::Key_S, Qt::ControlModifier);
    const QStringList reports = QDir(Dir.path()).entryList({"*_0*.bmp"}, QDir::Files);
    ASSERT_EQ(reports.size(), 1) << reports.join(' ').toStdString();
    EXPECT_TRUE(reports[0].endsWith("_0001.bmp"));
    QTest::keyClick(form->B_SERIAL, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->CHECK->text(), "Check");
    EXPECT_FALSE(form->Cycle().SequenceActive());
    QTest::keyClick(form->CHECK, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(form->Cycle().CapturePurpose, TCapturePurpose::SaveFrame);
    EXPECT_TRUE(form->Cycle().SequenceActive());
}
