#include "records/InspectionLog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
[[noreturn]] void Fail(const QString& path, const char* what, int code)
{
    throw std::runtime_error("Cannot write the inspection log " + QFile::encodeName(path).toStdString() +
                             ": " + what + " (" + std::strerror(code) + ")");
}

// Writes all of bytes at the end of fd.
bool WriteAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();)
    {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

class Fd
{
public:
    explicit Fd(int fd) : Fd_(fd) {}
    ~Fd()
    {
        if (Fd_ >= 0)
            ::close(Fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return Fd_; }

private:
    int Fd_;
};

// Moves a torn last record out of the log: the bytes after the last line end go to the torn
// file first (synced), then the log is cut back to that line end.
void SetTornRecordApart(int fd, off_t size, const QString& logPath, const QString& tornPath)
{
    if (size == 0)
        return;
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1)
        Fail(logPath, "cannot read its end", errno);
    if (last == '\n')
        return;
    // Records are short: the torn one lies within the last few kilobytes, read in steps back.
    off_t lineEnd = 0;
    QByteArray tail;
    for (off_t end = size; end > 0 && lineEnd == 0;)
    {
        const off_t start = std::max<off_t>(0, end - 4096);
        QByteArray chunk(static_cast<qsizetype>(end - start), '\0');
        if (::pread(fd, chunk.data(), static_cast<size_t>(chunk.size()), start) != chunk.size())
            Fail(logPath, "cannot read its end", errno);
        const qsizetype nl = chunk.lastIndexOf('\n');
        if (nl >= 0)
        {
            lineEnd = start + nl + 1;
            tail.prepend(chunk.mid(nl + 1));
        }
        else
            tail.prepend(chunk);
        end = start;
    }
    const int torn =
        ::open(QFile::encodeName(tornPath).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (torn < 0)
        Fail(tornPath, "cannot keep a torn record apart", errno);
    Fd tornFd(torn);
    if (!WriteAll(torn, tail + "\r\n") || ::fsync(torn) != 0)
        Fail(tornPath, "cannot keep a torn record apart", errno);
    if (::ftruncate(fd, lineEnd) != 0)
        Fail(logPath, "cannot cut off a torn record", errno);
}
// The log's first line, without its line end; at most the first 64 KiB are looked at.
QByteArray FirstLine(int fd, const QString& logPath)
{
    QByteArray head(64 * 1024, '\0');
    const ssize_t n = ::pread(fd, head.data(), static_cast<size_t>(head.size()), 0);
    if (n < 0)
        Fail(logPath, "cannot read its header", errno);
    head.truncate(n);
    const qsizetype end = head.indexOf('\n');
    return end < 0 ? head : head.left(end + 1);
}

// A log begun by an earlier version with other columns is kept whole under a name of its own,
// so every file holds one layout and a new log starts with the current header.
void SetOlderLayoutApart(const QString& path)
{
    const QString stem = path.left(path.size() - 4) + QStringLiteral("-until-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = stem + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(kept) && n < 1000; ++n)
        kept = stem + QStringLiteral("-%1.csv").arg(n);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) != 0)
        Fail(path, "cannot set apart a log of an earlier layout", errno);
}
} // namespace

QString TInspectionLog::FileName(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("inspections.csv"));
}

QString TInspectionLog::TornFileName(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("inspections-torn.txt"));
}

void TInspectionLog::Append(const QString& folder, const TInspectionRecord& record)
{
    const QString path = FileName(folder);
    const QByteArray header = CsvLine(TInspectionRecord::CsvHeader());
    // Another station may set the file apart between our open and our lock: then the lock is on
    // a file that is no longer the log, and the log is opened again.
    for (int attempt = 0;; ++attempt)
    {
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0)
            Fail(path, "cannot open it", errno);
        Fd log(fd);
        // Two stations sharing a folder on a network drive must not interleave their records.
        if (::flock(fd, LOCK_EX) != 0)
            Fail(path, "cannot lock it", errno);
        struct stat st = {};
        if (::fstat(fd, &st) != 0)
            Fail(path, "cannot read its size", errno);
        if (!S_ISREG(st.st_mode))
            Fail(path, "it is not a regular file", EINVAL);
        struct stat named = {};
        const bool stillTheLog = ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
                                 named.st_dev == st.st_dev && named.st_ino == st.st_ino;
        if (!stillTheLog && attempt < 3)
            continue;
        if (st.st_size > 0 && FirstLine(fd, path) != header)
        {
            if (attempt >= 3)
                Fail(path, "its header keeps changing", EAGAIN);
            SetOlderLayoutApart(path);
            continue;
        }
        SetTornRecordApart(fd, st.st_size, path, TornFileName(folder));
        QByteArray bytes;
        const off_t before = ::lseek(fd, 0, SEEK_END);
        if (before == 0)
            bytes = header;
        bytes += CsvLine(record.CsvFields());
        if (!WriteAll(fd, bytes))
        {
            // A full disk: take back the part that did get written, so no torn record stays.
            const int code = errno;
            if (before >= 0 && ::ftruncate(fd, before) != 0)
            {
            }
            Fail(path, "cannot append the record", code);
        }
        if (::fsync(fd) != 0)
            Fail(path, "cannot sync the record to the disk", errno);
        return;
    }
}
