// A power cut right after a name appears or moves in a folder can lose the name unless the folder
// itself is synced: the new log, the log set apart, the torn-record file. This file's fsync stands
// in for the C library's (the test program's own definition wins at link time), passes every call
// on, and notes the folders synced.

#include "records/InspectionLog.h"
#include "tests/records/LogFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <climits>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <vector>

namespace
{
std::vector<std::string>* SyncedFolders = nullptr;

int SyncsOf(const std::vector<std::string>& synced, const QString& folder)
{
    const std::string wanted = QFileInfo(folder).canonicalFilePath().toStdString();
    return static_cast<int>(std::count(synced.begin(), synced.end(), wanted));
}
} // namespace

extern "C" int fsync(int fd)
{
    struct stat st = {};
    if (SyncedFolders && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    {
        char path[PATH_MAX] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
        if (n > 0)
            SyncedFolders->emplace_back(path, static_cast<std::size_t>(n));
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

TEST(InspectionLogDurability, TheFolderIsSyncedWhenANameInItAppearsOrMoves)
{
    const struct
    {
        const char* What;
        QByteArray Log;  // empty: no log yet
        bool TornRecord; // a torn record after the log's first
        int Syncs;
    } cases[] = {
        {"a new log", {}, false, 1},
        {"a log of an earlier layout set apart, and a new log", "time,serial\r\n1,0001\r\n", false, 2},
        {"the first torn record's file", CsvLine(TInspectionRecord::CsvHeader()), true, 1},
        {"a record appended to a whole log", CsvLine(TInspectionRecord::CsvHeader()), false, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.What);
        QTemporaryDir dir;
        const QString log = TInspectionLog::FileName(dir.path());
        if (!c.Log.isEmpty())
        {
            ASSERT_TRUE(WriteBytes(log, c.Log));
        }
        if (c.TornRecord)
        {
            ASSERT_TRUE(WriteBytes(log, SerialRecord("0001").CsvRecordLine().left(30), QIODevice::Append));
        }
        std::vector<std::string> synced;
        SyncedFolders = &synced;
        TInspectionLog::Append(dir.path(), SerialRecord("0002"));
        SyncedFolders = nullptr;
        EXPECT_EQ(SyncsOf(synced, dir.path()), c.Syncs);
    }
}
