#include "platform/AtomicWrite.h"

#include "platform/AtomicWriteDetail.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

AtomicWriteDetail::TSyncFile AtomicWriteDetail::SyncFile = ::fsync;

namespace
{
// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int MaxLinks = 40;

// Creates a new file "folder/.leaf.XXXXXX" with mode 0666, so the umask and a default ACL of the
// folder apply as to any new file (mkstemp would make it private). The name is returned in name.
int CreateTemporary(const fs::path& target, std::string& name)
{
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const std::string leaf = target.filename().string();
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::minstd_rand random(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (static_cast<long>(getpid()) << 16)));
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string suffix(6, 'x');
        for (char& c : suffix)
            c = Letters[random() % (sizeof Letters - 1)];
        // Appended piece by piece: GCC 12 at -O3 misreads a chain of string additions here as
        // overlapping copies (-Wrestrict).
        name = folder;
        name.append("/.").append(leaf).append(".").append(suffix);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}
// A temporary name of ours: ".LEAF." and six letters or digits.
bool IsTemporaryName(const std::string& name)
{
    if (name.size() < 10 || name[0] != '.' || name[name.size() - 7] != '.')
        return false;
    for (std::size_t i = name.size() - 6; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Temporaries a killed writer left behind, removed when a folder is next written to. Only our
// own (this user's regular files of our naming) and only old ones: another station's write in
// progress in a shared folder lasts milliseconds. Looked at once in a while per folder, so a
// folder of many pictures is not read at every save.
void RemoveStaleTemporaries(const fs::path& folder)
{
    using Clock = std::chrono::steady_clock;
    static std::mutex lock;
    static std::map<std::string, Clock::time_point> looked;
    {
        const std::lock_guard guard(lock);
        const auto now = Clock::now();
        auto& last = looked[folder.string()];
        if (last != Clock::time_point() && now - last < std::chrono::minutes(10))
            return;
        last = now;
    }
    const auto stale = std::chrono::system_clock::now() - std::chrono::minutes(10);
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec))
    {
        const std::string leaf = it->path().filename().string();
        if (!IsTemporaryName(leaf))
            continue;
        struct stat st = {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (std::chrono::system_clock::from_time_t(st.st_mtime) < stale)
            ::unlink(it->path().c_str());
    }
}

// A new name in a folder lasts through a power cut only once the folder itself is synced.
void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
} // namespace

std::string WriteTarget(const std::string& path)
{
    fs::path target(path);
    for (int i = 0; i < MaxLinks; ++i)
    {
        std::error_code ec;
        const fs::path link = fs::read_symlink(target, ec);
        if (ec)
            break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target.string();
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    const fs::path target(WriteTarget(path));
    std::string name;
    const auto fail = [&](int fd, bool created) {
        const int code = errno;
        if (fd >= 0)
            ::close(fd);
        if (created)
            ::unlink(name.c_str());
        error = "Cannot write " + path + ": " + std::strerror(code);
        return false;
    };

    RemoveStaleTemporaries(target.parent_path());
    const int fd = CreateTemporary(target, name);
    if (fd < 0)
        return fail(-1, false);
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail(fd, true);
    for (std::size_t done = 0; done < bytes.size();)
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return fail(fd, true);
        }
        done += static_cast<std::size_t>(n);
    }
    if (AtomicWriteDetail::SyncFile(fd) != 0)
        return fail(fd, true);
    if (::close(fd) != 0)
        return fail(-1, true);
    if (std::rename(name.c_str(), target.c_str()) != 0)
        return fail(-1, true);
    SyncFolder(target.parent_path());
    return true;
}
