#include "records/LogFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace LogFile
{
void Fail(const char* subject, const QString& path, const std::string& what, int code)
{
    std::string message =
        std::string("Cannot write ") + subject + " " + QFile::encodeName(path).toStdString() + ": " + what;
    if (code != 0)
        message += std::string(" (") + std::strerror(code) + ")";
    throw std::runtime_error(message);
}

TFd::~TFd()
{
    if (Fd_ >= 0)
        ::close(Fd_);
}

TOpened OpenForAppend(const QString& path, int access)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = access | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    TOpened r;
    // A name that is there but is no regular file is never opened: opening some devices acts.
    struct stat st = {};
    if (::lstat(name.constData(), &st) == 0)
    {
        if (S_ISLNK(st.st_mode))
            r.Refusal = "it is a symbolic link; a log is never written through one";
        else if (!S_ISREG(st.st_mode))
            r.Refusal = "it is not a regular file (a folder, a pipe or a device); it was left alone";
        if (r.Refusal)
            return r;
    }
    // Made here or found: a file this call made needs its folder synced. Someone may remove or
    // make the file between the two opens, so they are tried a few times.
    for (int attempt = 0; attempt < 4 && r.Fd < 0; ++attempt)
    {
        r.Fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0666);
        r.Created = r.Fd >= 0;
        if (r.Fd < 0 && errno == EEXIST)
            r.Fd = ::open(name.constData(), flags);
        if (r.Fd < 0 && errno != ENOENT && errno != EEXIST)
            break;
    }
    if (r.Fd < 0)
    {
        if (errno == ELOOP)
            r.Refusal = "it is a symbolic link; a log is never written through one";
        else if (errno == ENXIO)
            r.Refusal = "it is not a regular file (a pipe or a device); it was left alone";
        else
            r.Error = errno;
        return r;
    }
    if (::fstat(r.Fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        const int code = errno;
        ::close(r.Fd);
        r.Fd = -1;
        if (S_ISREG(st.st_mode))
            r.Error = code;
        else
            r.Refusal = "it is not a regular file (a folder, a pipe or a device); it was left alone";
    }
    return r;
}

int OpenForAppendOrFail(const char* subject, const QString& path, int access, bool* created)
{
    const TOpened opened = OpenForAppend(path, access);
    if (opened.Refusal)
        Fail(subject, path, opened.Refusal);
    if (opened.Fd < 0)
        Fail(subject, path, "cannot open it", opened.Error);
    if (created)
        *created = opened.Created;
    return opened.Fd;
}

bool LockBefore(int fd, Clock::time_point deadline)
{
    for (;;)
    {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return false;
        const auto now = Clock::now();
        if (now >= deadline)
        {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(10)));
    }
}

bool StillNamed(int fd, const QString& path)
{
    struct stat open = {}, named = {};
    return ::fstat(fd, &open) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

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

void SyncFolder(const char* subject, const QString& folder)
{
    const QString name = folder.isEmpty() ? QStringLiteral(".") : folder;
    TFd dir(::open(QFile::encodeName(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder (EINVAL): there is nothing more to do on them.
    if (dir.Get() < 0 || (::fsync(dir.Get()) != 0 && errno != EINVAL))
        Fail(subject, name, "cannot sync the folder to the disk", errno);
}

QString MoveToFreeName(const char* subject, const QString& from, const QString& stem, const QString& suffix)
{
    const QByteArray source = QFile::encodeName(from);
    for (unsigned long long n = 1;; ++n)
    {
        const QString to = n == 1 ? stem + suffix : stem + QStringLiteral("-%1").arg(n) + suffix;
        const QByteArray target = QFile::encodeName(to);
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return to;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            Fail(subject, from, "cannot set it apart as " + QFile::encodeName(to).toStdString(), errno);
        // No RENAME_NOREPLACE here: claim the name first, so the rename replaces only our claim.
        const int claim =
            ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (claim < 0 && errno == EEXIST)
            continue;
        if (claim < 0)
            Fail(subject, from, "cannot set it apart as " + QFile::encodeName(to).toStdString(), errno);
        ::close(claim);
        if (::rename(source.constData(), target.constData()) != 0)
        {
            const int code = errno;
            ::unlink(target.constData());
            Fail(subject, from, "cannot set it apart as " + QFile::encodeName(to).toStdString(), code);
        }
        return to;
    }
}

bool ReadAt(int fd, char* data, std::size_t size, off_t offset)
{
    for (std::size_t done = 0; done < size;)
    {
        const ssize_t n = ::pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
} // namespace LogFile
