// The inspection log: records that read back field for field, appends that survive a torn
// record and a full disk, and the CSV quoting of awkward serial numbers.

#include "records/InspectionLog.h"

#include "analysis/TFiberAnalyzer.h"
#include "records/InspectionRecord.h"
#include "tests/profiles/BuiltinProfile.h"
#include "tests/records/CsvReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>

namespace
{
QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(path);
    ASSERT_TRUE(f.open(mode));
    f.write(bytes);
}

TInspectionRecord Record(const QString& serial, int mode = 0)
{
    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    a.Mode = mode;
    a.ZoneCounts[1][2] = 6; // six middle-sized cladding defects: over the limit of 5
    a.MultiCoreCounts[1] = 2;
    a.ZoneVerdicts[1] = "Fail";
    TInspectionRecord r = TInspectionRecord::FromAnalyzer(a, false);
    r.Serial = serial;
    r.Source = QStringLiteral("USB Video Device");
    r.Frames = 3;
    r.Files = {"/images/a.bmp", "/images/a.pdf"};
    return r;
}

QString Field(const QStringList& header, const QStringList& row, const char* name)
{
    const qsizetype i = header.indexOf(QLatin1String(name));
    EXPECT_GE(i, 0) << name;
    return i >= 0 && i < row.size() ? row[i] : QString();
}
} // namespace

TEST(InspectionLog, RecordsReadBackFieldForFieldWhateverTheSerial)
{
    QTemporaryDir dir;
    const QString serials[] = {"AB0001", "a,b\"c\"0002", "5\"x\"0002", "Zoë–ß 0003", ""};
    for (const QString& s : serials)
        TInspectionLog::Append(dir.path(), Record(s));
    const std::vector<QStringList> rows = ReadCsv(Read(TInspectionLog::FileName(dir.path())));
    ASSERT_EQ(rows.size(), std::size(serials) + 1);
    const QStringList& header = rows[0];
    EXPECT_EQ(header, TInspectionRecord::CsvHeader());
    for (std::size_t i = 0; i < std::size(serials); ++i)
    {
        const QStringList& row = rows[i + 1];
        ASSERT_EQ(row.size(), header.size()) << i;
        EXPECT_EQ(Field(header, row, "serial"), serials[i]);
        EXPECT_EQ(Field(header, row, "source"), "USB Video Device");
        EXPECT_EQ(Field(header, row, "frames"), "3");
        EXPECT_EQ(Field(header, row, "mode"), "single");
        EXPECT_EQ(Field(header, row, "limit_cladding_defects_2_5um"), "5");
        EXPECT_EQ(Field(header, row, "count_cladding_defects_2_5um"), "6");
        // A class Single Mode does not have is left empty, not zero.
        EXPECT_EQ(Field(header, row, "count_core_scratches_over_3um"), "");
        EXPECT_EQ(Field(header, row, "cladding_verdict"), "Fail");
        EXPECT_EQ(Field(header, row, "verdict"), "Fail");
        EXPECT_EQ(Field(header, row, "core_cladding_threshold"), "60");
        EXPECT_EQ(Field(header, row, "files"), "/images/a.bmp;/images/a.pdf");
        EXPECT_FALSE(Field(header, row, "version").isEmpty());
        EXPECT_TRUE(QDateTime::fromString(Field(header, row, "time"), Qt::ISODate).isValid());
    }
}

TEST(InspectionLog, MultiModeRecordsTheCoresTwoSizeClasses)
{
    QTemporaryDir dir;
    TInspectionLog::Append(dir.path(), Record("0001", 1));
    const std::vector<QStringList> rows = ReadCsv(Read(TInspectionLog::FileName(dir.path())));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Field(rows[0], rows[1], "mode"), "multi");
    EXPECT_EQ(Field(rows[0], rows[1], "count_core_scratches_over_3um"), "2");
    EXPECT_EQ(Field(rows[0], rows[1], "limit_core_scratches"), "5");
}

TEST(InspectionLog, ATornRecordIsSetApartAndNeverGluedToTheNext)
{
    QTemporaryDir dir;
    const QString log = TInspectionLog::FileName(dir.path());
    TInspectionLog::Append(dir.path(), Record("0001"));
    const QByteArray whole = Read(log);
    // The power went while the second record was being written, inside a quoted serial.
    const QByteArray torn = CsvLine(Record("x,\"torn").CsvFields()).left(40);
    Write(log, torn, QIODevice::Append);

    TInspectionLog::Append(dir.path(), Record("0003"));

    const QByteArray now = Read(log);
    EXPECT_TRUE(now.startsWith(whole)); // the earlier record is untouched
    const std::vector<QStringList> rows = ReadCsv(now);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Field(rows[0], rows[2], "serial"), "0003");
    EXPECT_EQ(Read(TInspectionLog::TornFileName(dir.path())), torn + "\r\n");
}

TEST(InspectionLog, AFullDiskOrAMissingFolderIsReportedAndLeavesNoTornRecord)
{
    QTemporaryDir dir;
    TInspectionLog::Append(dir.path(), Record("0001"));
    const QByteArray before = Read(TInspectionLog::FileName(dir.path()));
    {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = old;
        full.rlim_cur = static_cast<rlim_t>(before.size() + 20);
        setrlimit(RLIMIT_FSIZE, &full);
        EXPECT_THROW(TInspectionLog::Append(dir.path(), Record("0002")), std::runtime_error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_EQ(Read(TInspectionLog::FileName(dir.path())), before);
    try
    {
        TInspectionLog::Append(dir.filePath("missing"), Record("0003"));
        FAIL() << "appended to a log in a missing folder";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_NE(std::string(e.what()).find("missing/inspections.csv"), std::string::npos) << e.what();
    }
}

// A true-size profile judges by its own rows: they, the scale and every finding's size are on
// record, and the classic limits, counts and zone verdicts that did not apply stay empty.
TEST(InspectionLog, ATrueSizeProfileRecordsItsRowsScaleAndSizes)
{
    QTemporaryDir dir;
    TMeasuredFinding defect;
    defect.SizeUm = 6.0f;
    defect.CentreDiameterUm = defect.MinDiameterUm = defect.MaxDiameterUm = 60.0f;
    TMeasuredFinding scratch = defect;
    scratch.Kind = FindingClass::Scratch;
    scratch.SizeUm = 2.0f;
    scratch.LengthUm = 60.25f;
    TInspectionRecord r = Record("0001");
    r.SetProfileResult(CountFindings(BuiltinProfile("sm-pc"), {defect, scratch}, 0.4f));
    TInspectionLog::Append(dir.path(), r);

    const std::vector<QStringList> rows = ReadCsv(Read(TInspectionLog::FileName(dir.path())));
    ASSERT_EQ(rows.size(), 2u);
    const QStringList& h = rows[0];
    const QStringList& row = rows[1];
    ASSERT_EQ(row.size(), h.size());
    EXPECT_EQ(Field(h, row, "profile"), "sm-pc");
    EXPECT_EQ(Field(h, row, "um_per_pixel"), "0.4");
    EXPECT_EQ(Field(h, row, "findings_um"), "defect 6.00; scratch 2.00 x 60.3");
    const QString profileRows = Field(h, row, "profile_rows");
    EXPECT_TRUE(profileRows.startsWith("A Pass: Scratches 0/None, Defects 0/None; B Fail: "))
        << profileRows.toStdString();
    EXPECT_TRUE(profileRows.contains(QString::fromUtf8("Scratches \u22643 \u00b5m 1/No Limit")))
        << profileRows.toStdString();
    EXPECT_TRUE(profileRows.contains(QString::fromUtf8("Defects >5 \u00b5m 1/None")))
        << profileRows.toStdString();
    EXPECT_EQ(Field(h, row, "verdict"), "Fail");
    EXPECT_EQ(Field(h, row, "limit_cladding_defects_2_5um"), "");
    EXPECT_EQ(Field(h, row, "count_cladding_defects_2_5um"), "");
    EXPECT_EQ(Field(h, row, "cladding_verdict"), "");
}

// A log begun with other columns is kept whole beside the new one, never mixed with it.
TEST(InspectionLog, ALogOfAnEarlierLayoutIsKeptWholeAndANewOneBegins)
{
    QTemporaryDir dir;
    const QString log = TInspectionLog::FileName(dir.path());
    const QByteArray older = "time,serial,verdict\r\n2026-01-02T10:00:00Z,0001,Pass\r\n";
    Write(log, older);

    TInspectionLog::Append(dir.path(), Record("0002"));
    TInspectionLog::Append(dir.path(), Record("0003"));

    const QStringList kept = QDir(dir.path()).entryList({"inspections-until-*.csv"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(Read(dir.filePath(kept[0])), older);
    const std::vector<QStringList> rows = ReadCsv(Read(log));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], TInspectionRecord::CsvHeader());
    EXPECT_EQ(Field(rows[0], rows[2], "serial"), "0003");
}
