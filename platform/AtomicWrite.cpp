#include "platform/AtomicWrite.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

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
    if (::fsync(fd) != 0)
        return fail(fd, true);
    if (::close(fd) != 0)
        return fail(-1, true);
    if (std::rename(name.c_str(), target.c_str()) != 0)
        return fail(-1, true);
    return true;
}
