#pragma once
// The careful file operations the inspection log and the pending records share. Image folders
// are shared by stations and people: a file is appended to only when it is a regular file reached
// without a symbolic link, opened without blocking (a pipe planted under its name cannot hang the
// station), a lock is waited for only so long, a name is taken only when it is free, and a folder
// is synced once a name in it appears or moves, so a power cut cannot lose the file.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>

namespace LogFile
{
using Clock = std::chrono::steady_clock;

// Throws std::runtime_error: "Cannot write <subject> <path>: <what>", and the system's reason
// when code is not 0.
[[noreturn]] void Fail(const char* subject, const QString& path, const std::string& what, int code = 0);

class TFd
{
public:
    explicit TFd(int fd = -1) : Fd_(fd) {}
    ~TFd();
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd_; }
    int Release() { return std::exchange(Fd_, -1); }

private:
    int Fd_;
};

struct TOpened
{
    int Fd = -1;
    bool Created = false;          // the call made the file: its folder needs a sync
    const char* Refusal = nullptr; // why a file that is there was refused, when Fd < 0 and Error 0
    int Error = 0;                 // errno when it could not be opened
};

// Opens path for appending (access O_RDWR or O_WRONLY), creating it when missing, never through
// a symbolic link, never blocking, and only a regular file: a link, a pipe, a device or a folder
// under the name is refused and left as it is.
TOpened OpenForAppend(const QString& path, int access);
// The same, throwing with subject and path named when it cannot.
int OpenForAppendOrFail(const char* subject, const QString& path, int access, bool* created = nullptr);

// Takes an exclusive flock, trying again every few milliseconds until deadline: false when
// another holder kept it that long. The wait is bounded because the window appends on its own
// thread: a reader holding a shared lock must not freeze it.
bool LockBefore(int fd, Clock::time_point deadline);

// True when path still names the file open as fd: another station may have set it apart between
// the open and the lock.
bool StillNamed(int fd, const QString& path);

// Writes all of bytes at the end of fd; false with errno set when it cannot.
bool WriteAll(int fd, const QByteArray& bytes);

// Makes a rename or a new file in folder durable.
void SyncFolder(const char* subject, const QString& folder);

// Moves from to stem + suffix, or stem + "-2" + suffix, "-3"... whichever is free first, never
// replacing a file that is there (renameat2 RENAME_NOREPLACE; where the file system lacks it, the
// name is first claimed with O_EXCL and then renamed onto). Returns the name taken.
QString MoveToFreeName(const char* subject, const QString& from, const QString& stem, const QString& suffix);

// Reads exactly size bytes at offset; false with errno set when it cannot.
bool ReadAt(int fd, char* data, std::size_t size, off_t offset);
} // namespace LogFile
