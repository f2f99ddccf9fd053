// The log in an image folder that other stations, other versions of the program and people
// share: a held lock, pipes and links planted under the log's names, logs of other layouts, a
// huge tail without a line end, a folder that takes no new file. Attacks that could hang run in
// a child process with a time limit, so a hang fails the test instead of stalling it.

#include "records/InspectionLog.h"
#include "tests/records/CsvReader.h"
#include "tests/records/LogFixtures.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>

namespace
{
QStringList UntilFiles(const QString& folder)
{
    return QDir(folder).entryList({"inspections-until-*.csv"}, QDir::Files, QDir::Name);
}

// Bytes this process read and wrote so far, as the kernel counts them.
struct TIoCount
{
    long long Read = -1;
    long long Written = -1;
};

TIoCount IoCount()
{
    TIoCount io;
    std::ifstream in("/proc/self/io");
    for (std::string key; in >> key;)
    {
        long long value = 0;
        in >> value;
        if (key == "rchar:")
            io.Read = value;
        else if (key == "wchar:")
            io.Written = value;
    }
    return io;
}

const QByteArray& Header()
{
    static const QByteArray header = CsvLine(TInspectionRecord::CsvHeader());
    return header;
}
} // namespace

// A reader that merely holds a shared lock on the log must not freeze the window: Append gives
// up after its wait, says the log is busy, and writes nothing; once the lock is gone it appends.
TEST(InspectionLogLock, AHeldLockMakesAppendReportBusyAndWriteNothing)
{
    QTemporaryDir dir;
    TInspectionLog::Append(dir.path(), SerialRecord("0001"));
    const QString log = TInspectionLog::FileName(dir.path());
    const QByteArray before = ReadBytes(log);
    for (const int kind : {LOCK_SH, LOCK_EX})
    {
        SCOPED_TRACE(kind == LOCK_SH ? "shared" : "exclusive");
        const int held = ::open(QFile::encodeName(log).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, kind), 0);
        TLogAppendOptions options;
        options.LockWait = std::chrono::milliseconds(200);
        const TChildRun run = AppendInChild(dir.path(), SerialRecord("0002"), options);
        ::close(held);
        EXPECT_FALSE(run.TimedOut) << "Append waited for the lock without end";
        EXPECT_EQ(run.Status, Busy) << run.Message;
        EXPECT_NE(run.Message.find("inspections.csv"), std::string::npos) << run.Message;
        EXPECT_EQ(ReadBytes(log), before);
    }
    TInspectionLog::Append(dir.path(), SerialRecord("0003"));
    const std::vector<QStringList> rows = ReadCsv(ReadBytes(log));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(ColumnOf(rows[0], rows[2], "serial"), "0003");
}

// A pipe, a link or a dangling link planted as the log or as its torn-record file is refused with
// a message naming it; the station never hangs on it, never writes through it, never makes its
// target, and the log keeps what it had.
TEST(InspectionLogLinks, PipesAndLinksUnderTheLogsNamesAreRefusedAndLeftAlone)
{
    enum Plant
    {
        Pipe,
        Link,
        DanglingLink,
    };
    const struct
    {
        const char* Name;
        Plant What;
        const char* Says;
    } cases[] = {
        {"inspections.csv", Pipe, "not a regular file"},
        {"inspections.csv", Link, "symbolic link"},
        {"inspections.csv", DanglingLink, "symbolic link"},
        {"inspections-torn.txt", Pipe, "not a regular file"},
        {"inspections-torn.txt", Link, "symbolic link"},
        {"inspections-torn.txt", DanglingLink, "symbolic link"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.Name) + " " + c.Says + " " + std::to_string(c.What));
        QTemporaryDir images, elsewhere;
        const QString log = TInspectionLog::FileName(images.path());
        const QString target = elsewhere.filePath("target.txt");
        const bool torn = QLatin1String(c.Name) == QLatin1String("inspections-torn.txt");
        if (torn)
        {
            // A whole record and a torn one, so the torn-record file is wanted.
            TInspectionLog::Append(images.path(), SerialRecord("0001"));
            ASSERT_TRUE(WriteBytes(log, SerialRecord("0002").CsvRecordLine().left(40), QIODevice::Append));
        }
        const QByteArray logBefore = ReadBytes(log);
        const QByteArray planted = QFile::encodeName(images.filePath(c.Name));
        if (c.What == Link)
        {
            ASSERT_TRUE(WriteBytes(target, "someone else's file\n"));
        }
        if (c.What == Pipe)
        {
            ASSERT_EQ(::mkfifo(planted.constData(), 0666), 0);
        }
        else
        {
            ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), planted.constData()), 0);
        }

        const TChildRun run = AppendInChild(images.path(), SerialRecord("0003"));

        EXPECT_FALSE(run.TimedOut) << "the station hung on the planted file";
        EXPECT_EQ(run.Status, Refused) << run.Message;
        EXPECT_NE(run.Message.find(c.Name), std::string::npos) << run.Message;
        EXPECT_NE(run.Message.find(c.Says), std::string::npos) << run.Message;
        if (c.What == Link)
        {
            EXPECT_EQ(ReadBytes(target), "someone else's file\n");
        }
        else
        {
            EXPECT_FALSE(QFileInfo::exists(target));
        }
        if (torn)
        {
            EXPECT_EQ(ReadBytes(log), logBefore);
        }
        struct stat st = {};
        ASSERT_EQ(::lstat(planted.constData(), &st), 0);
        EXPECT_EQ(c.What == Pipe ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode), true);
    }
}

// A newer version's log (our columns and more) is appended to in our columns, padded to its
// own column count, and never set apart: two versions sharing a folder share one log.
TEST(InspectionLogLayout, ANewerLayoutIsAppendedToInOurColumnsAndNeverSetApart)
{
    QTemporaryDir dir;
    const QString log = TInspectionLog::FileName(dir.path());
    const QByteArray newer = Header().chopped(2) + ",operator,\"station, line\"\r\n";
    const QByteArray theirs = SerialRecord("0001").CsvRecordLine().chopped(2) + ",Kim,\"L1, 2\"\r\n";
    ASSERT_TRUE(WriteBytes(log, newer + theirs));

    for (const char* serial : {"0002", "0003"})
        TInspectionLog::Append(dir.path(), SerialRecord(serial));

    EXPECT_TRUE(UntilFiles(dir.path()).isEmpty());
    const QByteArray now = ReadBytes(log);
    EXPECT_TRUE(now.startsWith(newer + theirs));
    const std::vector<QStringList> rows = ReadCsv(now);
    ASSERT_EQ(rows.size(), 4u);
    const qsizetype ours = TInspectionRecord::CsvHeader().size();
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].size(), ours + 2) << i;
    EXPECT_EQ(ColumnOf(rows[0], rows[2], "serial"), "0002");
    EXPECT_EQ(ColumnOf(rows[0], rows[3], "serial"), "0003");
    EXPECT_EQ(ColumnOf(rows[0], rows[3], "operator"), "");
    EXPECT_EQ(ColumnOf(rows[0], rows[1], "operator"), "Kim");
}

// A log of an earlier layout, or one whose first line was torn by a power cut (no line end at
// all, or a first line that is only the start of our header), is set apart whole, once, and a
// new log begins; nothing of it goes to the torn-record file.
TEST(InspectionLogLayout, AnOlderLayoutOrATornHeaderIsSetApartOnceAndWhole)
{
    const QList<QByteArray> columns = Header().chopped(2).split(',');
    const QByteArray withoutLastColumn = columns.mid(0, columns.size() - 1).join(',');
    const struct
    {
        const char* What;
        QByteArray Log;
    } cases[] = {
        {"earlier layout", "time,serial,verdict\r\n2026-01-02T10:00:00Z,0001,Pass\r\n"},
        {"one column fewer", withoutLastColumn + "\r\n2026-01-02T10:00:00Z,0001\r\n"},
        {"torn header", Header().left(Header().size() / 2)},
        {"header without its line feed", Header().chopped(1)},
        {"our header torn to a newer-looking prefix", Header().chopped(2) + ",opera"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.What);
        QTemporaryDir dir;
        const QString log = TInspectionLog::FileName(dir.path());
        ASSERT_TRUE(WriteBytes(log, c.Log));

        TInspectionLog::Append(dir.path(), SerialRecord("0002"));
        TInspectionLog::Append(dir.path(), SerialRecord("0003"));

        const QStringList kept = UntilFiles(dir.path());
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(ReadBytes(dir.filePath(kept[0])), c.Log);
        EXPECT_FALSE(QFileInfo::exists(TInspectionLog::TornFileName(dir.path())));
        const std::vector<QStringList> rows = ReadCsv(ReadBytes(log));
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0], TInspectionRecord::CsvHeader());
        EXPECT_EQ(ColumnOf(rows[0], rows[2], "serial"), "0003");
    }
}

// The names taken by logs set apart never replace one another, however many are set apart in
// one second: here the first 1,000 names of each second the test may take are already there.
TEST(InspectionLogLayout, NamesOfLogsSetApartNeverReplaceOneAnother)
{
    QTemporaryDir dir;
    const QDateTime start = QDateTime::currentDateTime();
    for (int s = 0; s < 3; ++s)
    {
        const QString stem =
            dir.filePath("inspections-until-") + start.addSecs(s).toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (int n = 1; n <= 1000; ++n)
            ASSERT_TRUE(WriteBytes(n == 1 ? stem + ".csv" : stem + QStringLiteral("-%1.csv").arg(n),
                                   QByteArray::number(n)));
    }
    const QByteArray older = "time,serial\r\n2026-01-02T10:00:00Z,0001\r\n";
    ASSERT_TRUE(WriteBytes(TInspectionLog::FileName(dir.path()), older));

    TInspectionLog::Append(dir.path(), SerialRecord("0002"));

    const QStringList kept = UntilFiles(dir.path());
    ASSERT_EQ(kept.size(), 3001);
    int olderLogs = 0;
    for (const QString& name : kept)
    {
        const QByteArray bytes = ReadBytes(dir.filePath(name));
        if (bytes == older)
            ++olderLogs;
        else
        {
            // Still the placeholder it was made with: its own number.
            const QString number = name.section('-', 4).section('.', 0, 0);
            EXPECT_EQ(bytes, QByteArray::number(number.isEmpty() ? 1 : number.toInt())) << name.toStdString();
        }
    }
    EXPECT_EQ(olderLogs, 1);
}

// A tail without a line end within the longest record is no torn record: the whole log is set
// apart by a rename, neither read whole, nor copied, nor held in memory, and nothing is lost. A
// tail just within that bound is still a torn record, moved to the torn-record file.
TEST(InspectionLogTail, ATailLongerThanAnyRecordSetsTheLogApartUnreadAndUncopied)
{
    const qsizetype bound = TInspectionLog::MaxRecordBytes;
    const struct
    {
        qsizetype Tail;
        bool SetApart;
    } cases[] = {
        {8 * 1024 * 1024, true},
        {bound + 1, true},
        {bound, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Tail);
        QTemporaryDir dir;
        const QString log = TInspectionLog::FileName(dir.path());
        TInspectionLog::Append(dir.path(), SerialRecord("0001"));
        const QByteArray whole = ReadBytes(log);
        const QByteArray tail(c.Tail, 'x');
        ASSERT_TRUE(WriteBytes(log, tail, QIODevice::Append));

        const TIoCount before = IoCount();
        TInspectionLog::Append(dir.path(), SerialRecord("0002"));
        const TIoCount after = IoCount();

        EXPECT_LE(after.Read - before.Read, 2 * bound + 256 * 1024);
        const QStringList kept = UntilFiles(dir.path());
        if (c.SetApart)
        {
            EXPECT_LE(after.Written - before.Written, 64 * 1024);
            ASSERT_EQ(kept.size(), 1);
            EXPECT_EQ(ReadBytes(dir.filePath(kept[0])), whole + tail);
            EXPECT_FALSE(QFileInfo::exists(TInspectionLog::TornFileName(dir.path())));
        }
        else
        {
            EXPECT_TRUE(kept.isEmpty());
            EXPECT_EQ(ReadBytes(TInspectionLog::TornFileName(dir.path())), tail + "\r\n");
        }
        const std::vector<QStringList> rows = ReadCsv(ReadBytes(log));
        ASSERT_EQ(rows.size(), c.SetApart ? 2u : 3u);
        EXPECT_EQ(ColumnOf(rows[0], rows.back(), "serial"), "0002");
    }
}

// A torn record in an image folder the station may not write to no longer blocks every later
// record: it goes to the fallback folder, after a line naming its log, and the log goes on.
TEST(InspectionLogTorn, ATornRecordInAFolderThatTakesNoNewFileGoesToTheFallbackFolder)
{
    QTemporaryDir dir;
    const QString images = dir.filePath("images");
    const QString data = dir.filePath("data");
    ASSERT_TRUE(QDir().mkpath(images) && QDir().mkpath(data));
    const QString log = TInspectionLog::FileName(images);
    TInspectionLog::Append(images, SerialRecord("0001"));
    const QByteArray torn = SerialRecord("0002").CsvRecordLine().left(50);
    ASSERT_TRUE(WriteBytes(log, torn, QIODevice::Append));
    // Anyone may write the log and the data folder; nobody may add a file to the image folder.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(log).constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(data).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(images).constData(), 0555), 0);
    // Permissions bind root only once it is somebody else.
    const auto asNobody = [] { return ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0); };

    const TChildRun blocked = AppendInChild(images, SerialRecord("0003"), {}, asNobody);
    if (blocked.Status == 96)
        GTEST_SKIP() << "cannot run as another user here";
    EXPECT_EQ(blocked.Status, Refused) << blocked.Message;
    EXPECT_NE(blocked.Message.find("inspections-torn.txt"), std::string::npos) << blocked.Message;

    TLogAppendOptions options;
    options.TornFallbackFolder = data;
    const TChildRun run = AppendInChild(images, SerialRecord("0003"), options, asNobody);
    ::chmod(QFile::encodeName(images).constData(), 0755);

    EXPECT_EQ(run.Status, Appended) << run.Message;
    EXPECT_FALSE(QFileInfo::exists(TInspectionLog::TornFileName(images)));
    EXPECT_EQ(ReadBytes(TInspectionLog::TornFileName(data)),
              "from " + QFile::encodeName(log) + "\r\n" + torn + "\r\n");
    const std::vector<QStringList> rows = ReadCsv(ReadBytes(log));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(ColumnOf(rows[0], rows[1], "serial"), "0001");
    EXPECT_EQ(ColumnOf(rows[0], rows[2], "serial"), "0003");
}
