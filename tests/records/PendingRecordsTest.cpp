// Records kept while a log is busy or unwritable: they go in later, each folder's in order and
// each once, also after a restart or a crash between the append and the file's update.

#include "records/PendingRecords.h"

#include "tests/records/CsvReader.h"
#include "tests/records/LogFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace
{
TLogAppendOptions ShortWait()
{
    TLogAppendOptions options;
    options.LockWait = std::chrono::milliseconds(50);
    return options;
}

QStringList Serials(const QString& folder)
{
    const std::vector<QStringList> rows = ReadCsv(ReadBytes(TInspectionLog::FileName(folder)));
    QStringList serials;
    for (std::size_t i = 1; i < rows.size(); ++i)
        serials << ColumnOf(rows[0], rows[i], "serial");
    return serials;
}

// Holds an exclusive lock on a folder's log as another station would, until destroyed.
class THeldLog
{
public:
    explicit THeldLog(const QString& folder)
        : Fd_(::open(QFile::encodeName(TInspectionLog::FileName(folder)).constData(), O_RDONLY | O_CLOEXEC))
    {
        EXPECT_GE(Fd_, 0);
        EXPECT_EQ(::flock(Fd_, LOCK_EX), 0);
    }
    ~THeldLog() { ::close(Fd_); }
    THeldLog(const THeldLog&) = delete;
    THeldLog& operator=(const THeldLog&) = delete;

private:
    int Fd_;
};
} // namespace

// One folder's log is held by another station: its records wait, in order, while the other
// folder's go in; once it is free they follow, and the file is empty again.
TEST(PendingRecords, BusyRecordsWaitAndGoInInOrderWhileOtherFoldersGoOn)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("line-a"), b = dir.filePath("line-b");
    ASSERT_TRUE(QDir().mkpath(a) && QDir().mkpath(b));
    TInspectionLog::Append(a, SerialRecord("A0001"));
    TPendingRecords pending(dir.filePath("data"), ShortWait());
    {
        THeldLog held(a);
        EXPECT_THROW(TInspectionLog::Append(a, SerialRecord("A0002"), ShortWait()), TInspectionLogBusy);
        pending.Add(a, SerialRecord("A0002"));
        pending.Add(b, SerialRecord("B0001"));
        pending.Add(a, SerialRecord("A0003"));
        QString problem;
        EXPECT_EQ(pending.Flush(&problem), 1);
        EXPECT_NE(problem.indexOf("line-a/inspections.csv"), -1) << problem.toStdString();
        EXPECT_EQ(pending.Count(), 2);
        EXPECT_EQ(Serials(b), QStringList{"B0001"});
    }
    EXPECT_EQ(pending.Flush(), 2);
    EXPECT_EQ(pending.Count(), 0);
    EXPECT_EQ(Serials(a), (QStringList{"A0001", "A0002", "A0003"}));
    EXPECT_EQ(Serials(b), QStringList{"B0001"});
    EXPECT_EQ(pending.Flush(), 0);
    EXPECT_EQ(ReadBytes(pending.FileName()), QByteArray());
}

// A folder that cannot be written (here: not there yet) keeps its records too, and a station
// started again finds them in the file; a line torn by a crash during Add is no record.
TEST(PendingRecords, ARestartFindsThemInTheFileAndATornLineIsNoRecord)
{
    QTemporaryDir dir;
    const QString images = dir.filePath("images");
    const QString data = dir.filePath("data");
    {
        TPendingRecords pending(data, ShortWait());
        EXPECT_THROW(TInspectionLog::Append(images, SerialRecord("0001")), std::runtime_error);
        pending.Add(images, SerialRecord("0001"));
        pending.Add(images, SerialRecord("0002"));
        QString problem;
        EXPECT_EQ(pending.Flush(&problem), 0);
        EXPECT_NE(problem.indexOf("images/inspections.csv"), -1) << problem.toStdString();
    }
    // The power went while a third record was being kept.
    ASSERT_TRUE(
        WriteBytes(TPendingRecords(data).FileName(), "%2Fimages 2026-01-02T10:00", QIODevice::Append));
    ASSERT_TRUE(QDir().mkpath(images));

    TPendingRecords restarted(data, ShortWait());
    EXPECT_EQ(restarted.Count(), 2);
    restarted.Add(images, SerialRecord("0004"));
    EXPECT_EQ(restarted.Count(), 3);
    EXPECT_EQ(restarted.Flush(), 3);
    EXPECT_EQ(Serials(images), (QStringList{"0001", "0002", "0004"}));
    EXPECT_EQ(restarted.Count(), 0);
}

// Killed after a record went into its log but before the file was rewritten: the mark Flush left
// says where the record went, and finding it there, the next Flush does not append it again. A
// mark that does not find its record there (the append never happened) does not stop it.
TEST(PendingRecords, ARecordMarkedAndFoundInItsLogAfterACrashGoesInOnce)
{
    const struct
    {
        const char* What;
        bool RecordWentIn;
    } cases[] = {
        {"killed after the append", true},
        {"killed before the append", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.What);
        QTemporaryDir dir;
        const QString images = dir.filePath("images");
        ASSERT_TRUE(QDir().mkpath(images));
        TInspectionLog::Append(images, SerialRecord("0001"));
        TPendingRecords pending(dir.filePath("data"), ShortWait());
        const TInspectionRecord record = SerialRecord("0002");
        pending.Add(images, record);
        // What the killed Flush left behind: its mark, and perhaps the record in the log.
        const QString log = TInspectionLog::FileName(images);
        struct stat st = {};
        ASSERT_EQ(::stat(QFile::encodeName(log).constData(), &st), 0);
        const QByteArray mark = "> 0 " + QByteArray::number(static_cast<qulonglong>(st.st_dev)) + ' ' +
                                QByteArray::number(static_cast<qulonglong>(st.st_ino)) + ' ' +
                                QByteArray::number(static_cast<qlonglong>(st.st_size)) + "\r\n";
        ASSERT_TRUE(WriteBytes(pending.FileName(), mark, QIODevice::Append));
        if (c.RecordWentIn)
            TInspectionLog::Append(images, record);

        EXPECT_EQ(pending.Flush(), c.RecordWentIn ? 0 : 1);

        EXPECT_EQ(Serials(images), (QStringList{"0001", "0002"}));
        EXPECT_EQ(pending.Count(), 0);
    }
}
