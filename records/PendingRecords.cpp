#include "records/PendingRecords.h"

#include "records/LogFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace LogFile;

namespace
{
const char* const Subject = "the pending records";

struct TMark
{
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Offset = 0;
};

struct TEntry
{
    QString Folder;
    QByteArray Line; // the record's CSV line with its CR LF
    QByteArray Raw;  // the whole line of this file
};

struct TSpool
{
    std::vector<TEntry> Entries;
    std::map<std::size_t, TMark> Marks; // by entry index; a later mark replaces an earlier one
};

// Whole lines only: a last line without its CR LF was torn by a crash during Add and never kept.
TSpool Parse(const QByteArray& bytes)
{
    TSpool spool;
    for (qsizetype at = 0;;)
    {
        const qsizetype end = bytes.indexOf("\r\n", at);
        if (end < 0)
            break;
        const QByteArray line = bytes.mid(at, end - at);
        const QByteArray raw = bytes.mid(at, end + 2 - at);
        at = end + 2;
        if (line.startsWith("> "))
        {
            const QList<QByteArray> words = line.mid(2).split(' ');
            bool ok[4] = {};
            if (words.size() != 4)
                continue;
            const qulonglong index = words[0].toULongLong(&ok[0]);
            const TMark mark{static_cast<dev_t>(words[1].toULongLong(&ok[1])),
                             static_cast<ino_t>(words[2].toULongLong(&ok[2])),
                             static_cast<off_t>(words[3].toLongLong(&ok[3]))};
            if (ok[0] && ok[1] && ok[2] && ok[3])
                spool.Marks[static_cast<std::size_t>(index)] = mark;
            continue;
        }
        const qsizetype blank = line.indexOf(' ');
        if (blank <= 0)
            continue;
        spool.Entries.push_back({QFile::decodeName(QByteArray::fromPercentEncoding(line.left(blank))),
                                 line.mid(blank + 1) + "\r\n", raw});
    }
    return spool;
}

QByteArray ReadAll(int fd, const QString& path)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        Fail(Subject, path, "cannot read it", errno);
    QByteArray bytes(static_cast<qsizetype>(st.st_size), '\0');
    if (!ReadAt(fd, bytes.data(), static_cast<std::size_t>(bytes.size()), 0))
        Fail(Subject, path, "cannot read it", errno);
    return bytes;
}

// Opens the file and takes its lock; Flush may have replaced it between the open and the lock.
int OpenLocked(const QString& path, const QString& folder, std::chrono::milliseconds wait)
{
    const Clock::time_point deadline = Clock::now() + wait;
    for (int turn = 0;; ++turn)
    {
        bool created = false;
        TFd spool(OpenForAppendOrFail(Subject, path, O_RDWR, &created));
        if (created)
            SyncFolder(Subject, folder);
        if (!LockBefore(spool.Get(), deadline))
        {
            if (errno == EWOULDBLOCK)
                throw TInspectionLogBusy("Cannot write the pending records " +
                                         QFile::encodeName(path).toStdString() +
                                         ": another instance held their lock");
            Fail(Subject, path, "cannot lock it", errno);
        }
        if (StillNamed(spool.Get(), path))
            return spool.Release();
        if (turn >= 8 && Clock::now() >= deadline)
            throw TInspectionLogBusy("Cannot write the pending records " +
                                     QFile::encodeName(path).toStdString() + ": they kept being replaced");
    }
}

// Whether the record the mark points at is in the log already: the same file, and the line
// there (padded with empty fields for a newer layout).
bool AlreadyThere(const TEntry& entry, const TMark& mark)
{
    const TFd log(::open(QFile::encodeName(TInspectionLog::FileName(entry.Folder)).constData(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st = {};
    if (log.Get() < 0 || ::fstat(log.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != mark.Device ||
        st.st_ino != mark.Inode)
        return false;
    const QByteArray fields = entry.Line.chopped(2);
    const off_t there = st.st_size - mark.Offset;
    if (mark.Offset < 0 || there < fields.size() + 2)
        return false;
    QByteArray at(static_cast<qsizetype>(std::min<off_t>(there, fields.size() + 4096)), '\0');
    if (!ReadAt(log.Get(), at.data(), static_cast<std::size_t>(at.size()), mark.Offset) ||
        !at.startsWith(fields))
        return false;
    qsizetype k = fields.size();
    while (k < at.size() && at[k] == ',')
        ++k;
    return at.mid(k, 2) == "\r\n";
}

// Leaves only the given entries in the file: emptied in place, or written whole under another
// name and renamed over it, so a crash leaves the old file or the new one.
void Rewrite(int fd, const QString& path, const QString& folder, const QByteArray& remaining)
{
    if (remaining.isEmpty())
    {
        if (::ftruncate(fd, 0) != 0 || ::fsync(fd) != 0)
            Fail(Subject, path, "cannot empty it", errno);
        return;
    }
    const QString next = path + QStringLiteral(".new");
    const QByteArray nextName = QFile::encodeName(next);
    {
        const TFd out(
            ::open(nextName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (out.Get() < 0 || !WriteAll(out.Get(), remaining) || ::fsync(out.Get()) != 0)
            Fail(Subject, next, "cannot write it", errno);
    }
    if (::rename(nextName.constData(), QFile::encodeName(path).constData()) != 0)
        Fail(Subject, path, "cannot replace it", errno);
    SyncFolder(Subject, folder);
}
} // namespace

TPendingRecords::TPendingRecords(const QString& dataFolder, TLogAppendOptions options)
    : Folder_(dataFolder), Options_(std::move(options))
{
}

QString TPendingRecords::FileName() const
{
    return QDir(Folder_).filePath(QStringLiteral("inspections-pending.txt"));
}

void TPendingRecords::Add(const QString& folder, const TInspectionRecord& record)
{
    const QString path = FileName();
    const QByteArray line = record.CsvRecordLine();
    if (line.size() > TInspectionLog::MaxRecordBytes)
        Fail(Subject, path, "the record is longer than any this program writes");
    const QByteArray entry =
        QFile::encodeName(QDir(folder).absolutePath()).toPercentEncoding("/") + ' ' + line;
    QDir().mkpath(Folder_);
    const TFd spool(OpenLocked(path, Folder_, Options_.LockWait));
    // A line torn by a crash during an earlier Add was never kept: cut it off, not glued to this.
    const QByteArray bytes = ReadAll(spool.Get(), path);
    const off_t whole = bytes.lastIndexOf('\n') + 1;
    if (whole < bytes.size() && ::ftruncate(spool.Get(), whole) != 0)
        Fail(Subject, path, "cannot cut off a torn line", errno);
    if (!WriteAll(spool.Get(), entry) || ::fsync(spool.Get()) != 0)
    {
        const int code = errno;
        if (::ftruncate(spool.Get(), whole) != 0)
        {
        }
        Fail(Subject, path, "cannot keep the record", code);
    }
}

int TPendingRecords::Flush(QString* problem)
{
    const QString path = FileName();
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENOENT)
        return 0;
    const TFd spool(OpenLocked(path, Folder_, Options_.LockWait));
    const TSpool pending = Parse(ReadAll(spool.Get(), path));
    QStringList failed;
    QByteArray remaining;
    int appended = 0;
    for (std::size_t i = 0; i < pending.Entries.size(); ++i)
    {
        const TEntry& entry = pending.Entries[i];
        const auto mark = pending.Marks.find(i);
        if (failed.contains(entry.Folder))
        {
            remaining += entry.Raw;
            continue;
        }
        if (mark != pending.Marks.end() && AlreadyThere(entry, mark->second))
            continue;
        try
        {
            TInspectionLog::AppendLine(
                entry.Folder, entry.Line, Options_, [&](const TInspectionLog::TSpot& spot) {
                    const QByteArray line = "> " + QByteArray::number(static_cast<qulonglong>(i)) + ' ' +
                                            QByteArray::number(static_cast<qulonglong>(spot.Device)) + ' ' +
                                            QByteArray::number(static_cast<qulonglong>(spot.Inode)) + ' ' +
                                            QByteArray::number(static_cast<qlonglong>(spot.Offset)) + "\r\n";
                    if (!WriteAll(spool.Get(), line) || ::fsync(spool.Get()) != 0)
                        Fail(Subject, path, "cannot mark a record as being appended", errno);
                });
            ++appended;
        }
        catch (const std::runtime_error& e)
        {
            // The folder's later records wait behind this one, so its log keeps their order.
            failed << entry.Folder;
            remaining += entry.Raw;
            if (problem && problem->isEmpty())
                *problem = QString::fromUtf8(e.what());
        }
    }
    Rewrite(spool.Get(), path, Folder_, remaining);
    return appended;
}

int TPendingRecords::Count() const
{
    const QString path = FileName();
    const TFd spool(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (spool.Get() < 0 && errno == ENOENT)
        return 0;
    struct stat st = {};
    if (spool.Get() < 0 || ::fstat(spool.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        Fail(Subject, path, "cannot read it", spool.Get() < 0 ? errno : 0);
    return static_cast<int>(Parse(ReadAll(spool.Get(), path)).Entries.size());
}
