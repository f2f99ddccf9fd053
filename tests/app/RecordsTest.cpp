// What the window keeps of each inspection: the log record, the pictures of a failed inspection,
// the PDF report, read back with a CSV reader and poppler's pdftotext and pdftoppm.

#include "analysis/TFiberAnalyzer.h"
#include "app/UserPreferences.h"
#include "records/InspectionLog.h"
#include "records/RecordSender.h"
#include "records/RecordStore.h"
#include "tests/app/MainFormFixture.h"
#include "tests/profiles/BuiltinProfile.h"
#include "tests/records/CsvReader.h"
#include "tests/records/PlantDatabaseFixture.h"
#include "tools/EndFaceGenerator.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

namespace
{
std::string Sample(const char* name)
{
    return std::string(FS_SOURCE_DIR "/samples/") + name;
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a poppler tool on a PDF and returns what it printed; nothing when it failed.
std::optional<QByteArray> Poppler(const char* tool, const QStringList& args)
{
    const QString exe = QStandardPaths::findExecutable(QLatin1String(tool));
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}
} // namespace

using RecordsTest = MainFormTest;

TEST_F(RecordsTest, EveryInspectionAppendsOneRecordPassOrFail)
{
    auto form = MakeForm();
    form->show();
    form->B_SERIAL->setText("LINE-7, \"A\" 0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    form->OpenImageFile(Sample("core-defect.png"));
    // A Check of captured frames, after going back to live.
    form->CheckOrResume();
    form->CheckOrResume();
    TBitmap frame;
    frame.Assign(QImage(QString::fromStdString(Sample("clean-pass.png"))));
    for (int i = 0; i < 3; ++i)
        form->VIDEOFrameCaptureCompleted(&frame, true);

    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(CsvField(rows, 1, "verdict"), "Pass");
    EXPECT_EQ(CsvField(rows, 2, "verdict"), "Fail");
    EXPECT_EQ(CsvField(rows, 2, "core_verdict"), "Fail");
    EXPECT_EQ(CsvField(rows, 2, "count_core_defects"), "1");
    EXPECT_EQ(CsvField(rows, 1, "source").toStdString(), Sample("clean-pass.png"));
    EXPECT_EQ(CsvField(rows, 1, "frames"), "0");
    EXPECT_EQ(CsvField(rows, 3, "frames"), "3");
    EXPECT_EQ(CsvField(rows, 3, "verdict"), "Pass");
    EXPECT_EQ(CsvField(rows, 3, "serial"), "LINE-7, \"A\" 0001");
    EXPECT_EQ(CsvField(rows, 1, "center_x").toFloat(), 0.0f + form->Analyzer()->Center.X);
}

TEST_F(RecordsTest, AnUnwritableFolderIsReportedAndTheVerdictStillShown)
{
    auto form = MakeForm();
    form->show();
    form->SetImageFolder(Path("gone"));
    Messages.clear();
    form->OpenImageFile(Sample("clean-pass.png"));
    EXPECT_EQ(form->RESULT->text(), "Pass");
    EXPECT_EQ(form->CHECK->text(), "Resume");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Inspection not logged");
    EXPECT_TRUE(Messages[0].Text.contains("gone/inspections.csv")) << Messages[0].Text.toStdString();
}

TEST_F(RecordsTest, FailedInspectionsLeaveTheirPicturesWhenAsked)
{
    {
        auto form = MakeForm();
        form->SAVEFAILED->setChecked(true);
    }
    auto form = MakeForm(); // the option is remembered
    ASSERT_TRUE(form->SAVEFAILED->isChecked());
    form->show();
    QDir(Dir.path()).mkdir("images");
    form->SetImageFolder(Path("images"));
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0007");

    form->OpenImageFile(Sample("core-defect.png"));
    form->OpenImageFile(Sample("core-defect.png")); // the same connector again
    form->CheckOrResume();
    form->CheckOrResume();
    TBitmap frame;
    frame.Assign(QImage(QString::fromStdString(Sample("core-defect.png"))));
    for (int i = 0; i < 3; ++i)
        form->VIDEOFrameCaptureCompleted(&frame, true);

    const QStringList pictures = QDir(Path("images")).entryList({"*.bmp"}, QDir::Files, QDir::Name);
    EXPECT_EQ(pictures, (QStringList{"AB0007-fail-2.bmp", "AB0007-fail-3.bmp", "AB0007-fail-frame.bmp",
                                     "AB0007-fail.bmp"}));
    EXPECT_EQ(QImage(Path("images/AB0007-fail.bmp")).size(), QSize(905, 480));
    EXPECT_EQ(QImage(Path("images/AB0007-fail-frame.bmp")).size(), QSize(640, 480));
    EXPECT_EQ(form->B_SERIAL->text(), "AB0007"); // a failed connector keeps its number
    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Path("images"))));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(CsvField(rows, 3, "files"),
              Path("images/AB0007-fail-3.bmp") + ";" + Path("images/AB0007-fail-frame.bmp"));
}

TEST_F(RecordsTest, ThePdfReportHoldsTheFaceTheVerdictsAndSearchableText)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    auto form = MakeForm();
    form->show();
    form->B_SERIAL->setText("PLANT0042");
    form->OpenImageFile(Sample("core-defect.png"));
    form->WritePdfReportTo(Path("report.pdf"));

    const QString text =
        QString::fromUtf8(Poppler("pdftotext", {"-layout", Path("report.pdf"), "-"}).value_or(""));
    for (const char* expected : {"PLANT0042", "Single Mode", "Core zone", "Cladding zone", "Contact zone",
                                 "Fail", "Pass", "core-defect.png"})
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();

    ASSERT_TRUE(Poppler("pdftoppm", {"-r", "50", "-png", "-singlefile", Path("report.pdf"), Path("page")}));
    const QImage page(Path("page.png"));
    ASSERT_FALSE(page.isNull());
    int red = 0, grey = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
        {
            const QColor c = page.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 60 && c.blue() < 60;
            grey += c.red() == c.green() && c.green() == c.blue() && c.red() > 60 && c.red() < 200;
        }
    EXPECT_GT(red, 200);   // the verdict box
    EXPECT_GT(grey, 5000); // the end face
}

TEST_F(RecordsTest, AutomaticModeCanWriteAPdfBesideTheReportPicture)
{
    auto form = MakeForm();
    form->show();
    form->AUTOPDF->setChecked(true);
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    EXPECT_TRUE(QFile::exists(Path("0001.bmp")));
    EXPECT_TRUE(Read(Path("0001.pdf")).startsWith("%PDF"));
    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(CsvField(rows, 1, "files"), Path("0001.bmp") + ";" + Path("0001.pdf"));
    EXPECT_EQ(CsvField(rows, 1, "serial"), "0001");
    EXPECT_EQ(form->B_SERIAL->text(), "0002");
}

// A face judged under a caution: the PDF names the circle that judged and the caution, so a
// report read later shows that its zones may lie off the fiber.
TEST_F(RecordsTest, ThePdfOfACautionedFaceSaysWhereItsFiberWasFound)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    std::string error;
    ASSERT_TRUE(WriteEndFace(MakeEndFace(OffCentreEndFace(-160.0f, 60.0f)), false,
                             Path("off.bmp").toStdString(), error))
        << error;
    auto form = MakeForm();
    form->show();
    form->OpenImageFile(Path("off.bmp").toStdString());
    ASSERT_TRUE(form->Location().Caution());
    form->WritePdfReportTo(Path("report.pdf"));
    const QString text =
        QString::fromUtf8(Poppler("pdftotext", {"-layout", Path("report.pdf"), "-"}).value_or(""))
            .simplified();
    EXPECT_TRUE(text.contains("Fiber location: from the edge points (Fiber edge uncertain"))
        << text.toStdString();
}

// Every inspection goes into the station's store at once, with its report picture, and through
// the outbox to the plant database: a server that goes away keeps them waiting, said in the
// title bar, and takes each once when it is back.
TEST_F(RecordsTest, EveryInspectionReachesTheStoreAndThePlantDatabaseThroughAnOutage)
{
    TPostgresServer server;
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    TPlantDatabase plant = PlantDatabaseOf(server, QStringLiteral("plant"));
    TUserPreferences::SetPlantDatabase(plant, true);
    const auto onServer = [&] {
        QString count;
        server.Sql(QStringLiteral("SELECT count(*) FROM inspections"), &count, QStringLiteral("plant"));
        return count.toInt();
    };

    auto form = MakeForm();
    form->show();
    form->B_SERIAL->setText("P0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    {
        auto local = TRecordStore::OpenLocal(LocalRecordStorePath());
        const std::vector<TRecordSummary> page = local->Page({}, 10);
        ASSERT_EQ(page.size(), 1u);
        EXPECT_EQ(page[0].Serial, "P0001");
        EXPECT_EQ(page[0].Verdict, "Pass");
        EXPECT_TRUE(local->Get(page[0].Id)->ReportPng.startsWith("\x89PNG"));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return onServer() == 1; }, 10000));

    server.Stop();
    form->OpenImageFile(Sample("core-defect.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->PLANTWAITING->isVisible(); }, 10000));
    EXPECT_EQ(form->PLANTWAITING->text(), "Plant database: 1 record waiting");
    ASSERT_TRUE(server.Restart());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->PLANTWAITING->isVisible() && form->PlantWaiting() == 0; },
                                3 * TRecordSender::RetryInterval.count()));
    EXPECT_EQ(onServer(), 2);
}

// Closing never waits for a plant database that does not answer: the sender is left connecting
// to a server that took the connection and says nothing, the record it was to send stays in the
// outbox, and the next start sends it.
TEST_F(RecordsTest, ClosingWhileThePlantDatabaseIsSilentKeepsTheRecordForTheNextStart)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    TPlantDatabase away;
    away.Host = QStringLiteral("127.0.0.1");
    away.Port = silent.serverPort();
    away.Database = QStringLiteral("plant");
    away.User = QStringLiteral("postgres");
    away.SslMode = QStringLiteral("disable");
    away.ConnectTimeoutSeconds = 2;
    TUserPreferences::SetPlantDatabase(away, true);

    auto form = MakeForm();
    form->show();
    form->B_SERIAL->setText("P0007");
    form->OpenImageFile(Sample("clean-pass.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent.hasPendingConnections(); }, 10000));
    form->close();
    form.reset();
    EXPECT_EQ(TRecordStore::OpenLocal(LocalRecordStorePath())->WaitingCount(), 1);
    // The attempt left behind ends by itself at its time-out, and changes nothing.
    ASSERT_TRUE(QTest::qWaitFor([] { return TRecordSender::Unfinished() == 0; }, 30000));
    EXPECT_EQ(TRecordStore::OpenLocal(LocalRecordStorePath())->WaitingCount(), 1);

    TPostgresServer server;
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    ASSERT_TRUE(server.CreateDatabase(QStringLiteral("plant")));
    TUserPreferences::SetPlantDatabase(PlantDatabaseOf(server, QStringLiteral("plant")), true);
    auto next = MakeForm();
    const auto serialOnServer = [&] {
        QString serial;
        server.Sql(QStringLiteral("SELECT string_agg(serial, ',') FROM inspections"), &serial,
                   QStringLiteral("plant"));
        return serial.trimmed();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->PlantWaiting() == 0; }, 10000));
    EXPECT_EQ(serialOnServer(), "P0007");
}

// With a true-size profile the log and the PDF carry its name, its rows, the scale and every
// finding's size: the cladding scratch fails the classic table and passes Single mode PC.
TEST_F(RecordsTest, ATrueSizeProfileIsNamedWithItsRowsAndSizesInTheLogAndThePdf)
{
    auto form = MakeForm();
    form->show();
    form->SetProfile(BuiltinProfile("sm-pc"));
    form->B_SERIAL->setText("PLANT0043");
    form->OpenImageFile(Sample("cladding-scratch.png"));
    ASSERT_EQ(form->RESULT->text(), "Pass");
    form->WritePdfReportTo(Path("report.pdf"));

    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(CsvField(rows, 1, "profile"), "sm-pc");
    EXPECT_EQ(CsvField(rows, 1, "verdict"), "Pass");
    EXPECT_NEAR(CsvField(rows, 1, "um_per_pixel").toDouble(), form->ProfileResult().UmPerPixel, 1e-5);
    EXPECT_TRUE(
        CsvField(rows, 1, "profile_rows").startsWith("A Pass: Scratches 0/None, Defects 0/None; B Pass: "))
        << CsvField(rows, 1, "profile_rows").toStdString();
    EXPECT_TRUE(CsvField(rows, 1, "findings_um").startsWith("scratch "))
        << CsvField(rows, 1, "findings_um").toStdString();
    EXPECT_EQ(CsvField(rows, 1, "limit_cladding_scratches_over_3um"), "");

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    const QString text =
        QString::fromUtf8(Poppler("pdftotext", {"-layout", Path("report.pdf"), "-"}).value_or(""));
    for (const char* expected :
         {"PLANT0043", "Single mode PC (UPC)", "per pixel", "Zone A (0~25", "Zone D (135~250",
          "Scratches \u22643 \u00b5m", "Findings (\u00b5m): scratch"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("Cladding zone")) << text.toStdString();
}

// The inspection's serial number and time are those of the Check press: a serial typed during the
// Check, and the count-on after it, change nothing filed, printed or reported for it.
TEST_F(RecordsTest, AnInspectionKeepsTheSerialAndTimeItBeganWith)
{
    auto form = MakeForm();
    form->show();
    form->AUTOPDF->setChecked(true);
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0002");
    form->CheckOrResume();
    form->B_SERIAL->setText("AB/1234"); // typed while the frames come in
    TBitmap frame;
    frame.Assign(QImage(QString::fromStdString(Sample("clean-pass.png"))));
    for (int i = 0; i < 3; ++i)
        form->VIDEOFrameCaptureCompleted(&frame, true);

    ASSERT_TRUE(QFile::exists(Path("AB0002.bmp")));
    EXPECT_EQ(form->B_SERIAL->text(), "AB/1234"); // the operator's next serial stays
    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(CsvField(rows, 1, "serial"), "AB0002");
    // The report picture shows the time the log holds.
    const QDateTime logged = QDateTime::fromString(CsvField(rows, 1, "time"), Qt::ISODate);
    EXPECT_EQ(form->TESTTIME->text(), TMainForm::TestTimeText(QLocale::system(), logged));

    // Printed or reported later, after the count-on of a passed automatic inspection: the same
    // serial and picture as the report filed.
    form->B_SERIAL->setText("AB0003");
    const QImage filed(Path("AB0002.bmp"));
    EXPECT_EQ(form->ComposeReportImage().Image().convertToFormat(filed.format()), filed);
    EXPECT_EQ(form->B_SERIAL->text(), "AB0003");
    form->WritePdfReportTo(Path("later.pdf"));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString text =
        QString::fromUtf8(Poppler("pdftotext", {"-layout", Path("later.pdf"), "-"}).value_or(""));
    EXPECT_TRUE(text.contains("AB0002")) << text.toStdString();
    EXPECT_FALSE(text.contains("AB0003"));
}

TEST_F(RecordsTest, ASerialUsedAgainIsFiledBesideTheEarlierFiles)
{
    auto form = MakeForm();
    form->show();
    form->AUTOPDF->setChecked(true);
    form->B_AUTO->setChecked(true);
    for (const char* name : {"AB0001.bmp", "AB0001.pdf", "AB0002.bmp"})
    {
        QFile earlier(Path(name));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier connector");
    }
    form->B_SERIAL->setText("AB0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    form->B_SERIAL->setText("AB0002");
    form->OpenImageFile(Sample("clean-pass.png"));

    for (const char* name : {"AB0001.bmp", "AB0001.pdf", "AB0002.bmp"})
        EXPECT_EQ(Read(Path(name)), "an earlier connector") << name;
    EXPECT_TRUE(QFile::exists(Path("AB0001-2.bmp")));
    EXPECT_TRUE(QFile::exists(Path("AB0001-2.pdf")));
    // The picture and its PDF keep one name, although only the picture of AB0002 was taken.
    EXPECT_TRUE(QFile::exists(Path("AB0002-2.bmp")));
    EXPECT_TRUE(QFile::exists(Path("AB0002-2.pdf")));
    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(CsvField(rows, 1, "files"), Path("AB0001-2.bmp") + ";" + Path("AB0001-2.pdf"));
    ASSERT_EQ(form->ResultMessages().size(), 1);
    EXPECT_TRUE(form->ResultMessages()[0].contains("AB0002-2.bmp"));
    EXPECT_EQ(form->B_SERIAL->text(), "AB0003");
}

// A drag of the centre and a change of fiber mode each give a record of their own, with the
// first one's serial and time, and in automatic mode a report beside the first; the last record,
// the PDF and the screen agree.
TEST_F(RecordsTest, AReJudgedResultIsRecordedAndFiledBesideTheFirst)
{
    auto form = MakeForm();
    form->show();
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    ASSERT_EQ(form->RESULT->text(), "Pass");
    // The zones dragged onto the ferrule: the contact zone then holds the cladding's edge.
    form->PBMouseDown(Qt::LeftButton, 300, 240);
    form->PBMouseMove(420, 240);
    form->PBMouseUp(Qt::LeftButton, 420, 240);
    const QString dragged = form->RESULT->text();
    QTest::mouseClick(form->M_MULTI, Qt::LeftButton);
    EXPECT_EQ(form->Analyzer()->Mode, 1);

    const auto rows = ReadCsv(Read(TInspectionLog::FileName(Dir.path())));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(CsvField(rows, 1, "rejudged").isEmpty());
    for (std::size_t r : {2u, 3u})
    {
        EXPECT_EQ(CsvField(rows, r, "serial"), "AB0001") << r;
        EXPECT_EQ(CsvField(rows, r, "time"), CsvField(rows, 1, "time")) << r;
        EXPECT_FALSE(CsvField(rows, r, "rejudged").isEmpty()) << r;
    }
    EXPECT_EQ(CsvField(rows, 2, "verdict"), dragged);
    EXPECT_EQ(CsvField(rows, 2, "center_x").toFloat(), CsvField(rows, 1, "center_x").toFloat() + 120.0f);
    EXPECT_EQ(CsvField(rows, 3, "mode"), "multi");
    EXPECT_EQ(CsvField(rows, 3, "verdict"), form->RESULT->text());
    EXPECT_EQ(CsvField(rows, 2, "files"), Path("AB0001-2.bmp"));
    EXPECT_EQ(CsvField(rows, 3, "files"), Path("AB0001-3.bmp"));
    EXPECT_TRUE(QFile::exists(Path("AB0001.bmp")));
    EXPECT_EQ(form->B_SERIAL->text(), "AB0002"); // counted on once, for the connector

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    form->WritePdfReportTo(Path("rejudged.pdf"));
    const QString text =
        QString::fromUtf8(Poppler("pdftotext", {"-layout", Path("rejudged.pdf"), "-"}).value_or(""));
    EXPECT_TRUE(text.contains("Multi Mode")) << text.toStdString();
    EXPECT_FALSE(text.contains("Single Mode"));
}

// A link planted where a report goes in a shared image folder: the link's target is never
// written; the report goes under the next free name.
TEST_F(RecordsTest, ALinkWhereAReportGoesIsNeverWrittenThrough)
{
    QDir(Dir.path()).mkdir("elsewhere");
    QFile target(Path("elsewhere/victim"));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("keep me");
    target.close();
    ASSERT_TRUE(QFile::link(Path("elsewhere/victim"), Path("AB0001.bmp")));
    ASSERT_TRUE(QFile::link(Path("elsewhere/victim"), Path("AB0001.pdf")));
    ASSERT_TRUE(QFile::link(Path("elsewhere/none"), Path("AB0001-2.bmp"))); // dangling
    auto form = MakeForm();
    form->show();
    form->AUTOPDF->setChecked(true);
    form->B_AUTO->setChecked(true);
    form->B_SERIAL->setText("AB0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    EXPECT_EQ(Read(Path("elsewhere/victim")), "keep me");
    EXPECT_FALSE(QFile::exists(Path("elsewhere/none")));
    EXPECT_TRUE(QFileInfo(Path("AB0001-3.bmp")).isFile());
    EXPECT_TRUE(QFileInfo(Path("AB0001-3.pdf")).isFile());
}

// Another program holds a lock on the log: the window does not wait for it. The record is kept,
// the title bar says so, and it goes in once the lock is gone, before the next one.
TEST_F(RecordsTest, ALockedLogNeverFreezesTheWindowAndTheRecordGoesInLater)
{
    auto form = MakeForm();
    form->show();
    form->B_SERIAL->setText("AB0001");
    form->OpenImageFile(Sample("clean-pass.png"));
    const QString log = TInspectionLog::FileName(Dir.path());
    const int reader = ::open(QFile::encodeName(log).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);

    form->B_SERIAL->setText("AB0002");
    Messages.clear();
    form->OpenImageFile(Sample("core-defect.png")); // returns: the lock is waited for briefly only
    const QLabel* waiting = form->findChild<QLabel*>("RECORDSWAITING");
    ASSERT_TRUE(waiting);
    EXPECT_TRUE(waiting->isVisible());
    EXPECT_EQ(waiting->text(), "Inspection not logged yet");
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(ReadCsv(Read(log)).size(), 2u);

    ::close(reader); // the lock goes with it
    form->B_SERIAL->setText("AB0003");
    form->OpenImageFile(Sample("clean-pass.png"));
    const auto rows = ReadCsv(Read(log));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(CsvField(rows, 2, "serial"), "AB0002");
    EXPECT_EQ(CsvField(rows, 3, "serial"), "AB0003");
    EXPECT_FALSE(waiting->isVisible());
}
