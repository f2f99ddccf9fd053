#include "records/InspectionLog.h"

#include "records/LogFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace LogFile;

namespace
{
const char* const LogSubject = "the inspection log";
const char* const TornSubject = "the torn-record file";

enum class TLayout
{
    Ours,  // our header, or an empty file
    Newer, // our header extended by further columns
    Other, // an earlier layout, a first line torn, or no CSV log at all
};

struct THeaderCheck
{
    TLayout Layout = TLayout::Ours;
    int ExtraColumns = 0;
};

// Fields of one CSV line: commas outside quotes, plus one.
int FieldCount(const QByteArray& line)
{
    int fields = 1;
    bool quoted = false;
    for (const char c : line)
    {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            ++fields;
    }
    return fields;
}

// Reads the log's first line (at most 64 KiB of it) and tells its layout from ours.
THeaderCheck CheckHeader(int fd, off_t size, const QByteArray& header, int columns, const QString& path)
{
    if (size == 0)
        return {};
    QByteArray head(static_cast<qsizetype>(std::min<off_t>(size, 64 * 1024)), '\0');
    if (!ReadAt(fd, head.data(), static_cast<std::size_t>(head.size()), 0))
        Fail(LogSubject, path, "cannot read its header", errno);
    const qsizetype end = head.indexOf('\n');
    if (end < 0)
        return {TLayout::Other, 0};
    const QByteArray first = head.left(end + 1);
    if (first == header)
        return {};
    const QByteArray ours = header.chopped(2) + ',';
    if (!first.startsWith(ours))
        return {TLayout::Other, 0};
    const QByteArray line = first.endsWith("\r\n") ? first.chopped(2) : first.chopped(1);
    return {TLayout::Newer, std::max(1, FieldCount(line) - columns)};
}

// Sets the whole log apart under a name of its own, so every file holds one layout and a new
// log starts with the current header.
void SetApart(const QString& path, const QString& folder)
{
    const QString stem = path.left(path.size() - 4) + QStringLiteral("-until-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    MoveToFreeName(LogSubject, path, stem, QStringLiteral(".csv"));
    SyncFolder(LogSubject, folder);
}

// The log's path for a line of text: control bytes escaped so it stays one line.
QByteArray PathLine(const QString& path)
{
    QByteArray out;
    for (const char c : QFile::encodeName(path))
    {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '\\')
            out += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

// Appends a torn record to the torn-record file beside the log, or in the fallback folder when
// the image folder takes no new file and its torn-record file cannot be written.
void KeepTornRecord(const QByteArray& tail, const QString& folder, const QString& logPath,
                    const TLogAppendOptions& options)
{
    QString where = folder;
    QString tornPath = TInspectionLog::TornFileName(folder);
    QByteArray bytes = tail + "\r\n";
    TOpened opened = OpenForAppend(tornPath, O_WRONLY);
    const bool unwritable = opened.Error == EACCES || opened.Error == EPERM || opened.Error == EROFS;
    if (opened.Fd < 0 && !opened.Refusal && unwritable && !options.TornFallbackFolder.isEmpty())
    {
        where = options.TornFallbackFolder;
        tornPath = TInspectionLog::TornFileName(where);
        bytes = "from " + PathLine(logPath) + "\r\n" + bytes;
        opened = OpenForAppend(tornPath, O_WRONLY);
    }
    if (opened.Refusal)
        Fail(TornSubject, tornPath, opened.Refusal);
    if (opened.Fd < 0)
        Fail(TornSubject, tornPath, "cannot keep a torn record apart", opened.Error);
    TFd torn(opened.Fd);
    if (opened.Created)
        SyncFolder(TornSubject, where);
    if (!WriteAll(torn.Get(), bytes) || ::fsync(torn.Get()) != 0)
        Fail(TornSubject, tornPath, "cannot keep a torn record apart", errno);
}

// Moves a torn last record out of the log: the bytes after the last line end go to the torn
// file first (synced), then the log is cut back to that line end. The line end is looked for
// only as far back as the longest record could reach, so a huge tail costs one bounded read;
// false when it is not there: the tail is no torn record of ours, and the caller sets the whole
// log apart instead of copying or dropping any of it.
bool SetTornRecordApart(int fd, off_t size, const QString& folder, const QString& logPath,
                        const TLogAppendOptions& options)
{
    if (size == 0)
        return true;
    char last = 0;
    if (!ReadAt(fd, &last, 1, size - 1))
        Fail(LogSubject, logPath, "cannot read its end", errno);
    if (last == '\n')
        return true;
    // A torn record is a record and its CR at most, without the LF.
    const off_t limit = std::max<off_t>(0, size - TInspectionLog::MaxRecordBytes - 1);
    constexpr off_t Step = 64 * 1024;
    QByteArray chunk;
    off_t lineEnd = -1;
    for (off_t end = size; end > limit && lineEnd < 0;)
    {
        const off_t start = std::max(limit, end - Step);
        chunk.resize(static_cast<qsizetype>(end - start));
        if (!ReadAt(fd, chunk.data(), static_cast<std::size_t>(chunk.size()), start))
            Fail(LogSubject, logPath, "cannot read its end", errno);
        const qsizetype nl = chunk.lastIndexOf('\n');
        if (nl >= 0)
            lineEnd = start + nl + 1;
        end = start;
    }
    if (lineEnd < 0)
        return false;
    QByteArray tail(static_cast<qsizetype>(size - lineEnd), '\0');
    if (!ReadAt(fd, tail.data(), static_cast<std::size_t>(tail.size()), lineEnd))
        Fail(LogSubject, logPath, "cannot read its end", errno);
    KeepTornRecord(tail, folder, logPath, options);
    if (::ftruncate(fd, lineEnd) != 0)
        Fail(LogSubject, logPath, "cannot cut off a torn record", errno);
    return true;
}

[[noreturn]] void Busy(const QString& path, std::chrono::milliseconds wait, const char* why)
{
    throw TInspectionLogBusy("Cannot write the inspection log " + QFile::encodeName(path).toStdString() +
                             ": " + why + " for " + std::to_string(wait.count()) + " ms");
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

void TInspectionLog::Append(const QString& folder, const TInspectionRecord& record,
                            const TLogAppendOptions& options)
{
    AppendLine(folder, record.CsvRecordLine(), options, {});
}

void TInspectionLog::AppendLine(const QString& folder, const QByteArray& line,
                                const TLogAppendOptions& options,
                                const std::function<void(const TSpot&)>& beforeWrite)
{
    const QString path = FileName(folder);
    if (line.size() > MaxRecordBytes)
        Fail(LogSubject, path, "the record is longer than any this program writes");
    const QStringList columns = TInspectionRecord::CsvHeader();
    const QByteArray header = CsvLine(columns);
    const Clock::time_point deadline = Clock::now() + options.LockWait;
    // Each turn makes progress: a log set apart, or a log another station set apart between our
    // open and our lock (then the lock is on a file that is no longer the log). A few turns are
    // always allowed; after them the wait bounds the turns as it bounds a held lock.
    for (int turn = 0;; ++turn)
    {
        if (turn >= 8 && Clock::now() >= deadline)
            Busy(path, options.LockWait, "it kept being replaced by another station");
        bool created = false;
        const TFd log(OpenForAppendOrFail(LogSubject, path, O_RDWR, &created));
        const int fd = log.Get();
        if (created)
            SyncFolder(LogSubject, folder);
        if (!LockBefore(fd, deadline))
        {
            if (errno == EWOULDBLOCK)
                Busy(path, options.LockWait, "another station or program held its lock");
            Fail(LogSubject, path, "cannot lock it", errno);
        }
        if (!StillNamed(fd, path))
            continue;
        struct stat st = {};
        if (::fstat(fd, &st) != 0)
            Fail(LogSubject, path, "cannot read its size", errno);
        const THeaderCheck layout =
            CheckHeader(fd, st.st_size, header, static_cast<int>(columns.size()), path);
        if (layout.Layout == TLayout::Other || !SetTornRecordApart(fd, st.st_size, folder, path, options))
        {
            SetApart(path, folder);
            continue;
        }
        const off_t before = ::lseek(fd, 0, SEEK_END);
        if (before < 0)
            Fail(LogSubject, path, "cannot read its size", errno);
        QByteArray bytes = before == 0 ? header : QByteArray();
        // A newer version's log keeps its column count: our fields, then its extra ones empty.
        bytes +=
            layout.ExtraColumns > 0 ? line.chopped(2) + QByteArray(layout.ExtraColumns, ',') + "\r\n" : line;
        if (beforeWrite)
            beforeWrite({st.st_dev, st.st_ino, before + static_cast<off_t>(before == 0 ? header.size() : 0)});
        if (!WriteAll(fd, bytes))
        {
            // A full disk: take back the part that did get written, so no torn record stays.
            const int code = errno;
            if (::ftruncate(fd, before) != 0)
            {
            }
            Fail(LogSubject, path, "cannot append the record", code);
        }
        if (::fsync(fd) != 0)
            Fail(LogSubject, path, "cannot sync the record to the disk", errno);
        return;
    }
}
