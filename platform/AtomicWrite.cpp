#include "platform/AtomicWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    // Formatted rather than concatenated: GCC 12 at -O3 misreads string appends here as
    // overlapping copies (-Wrestrict).
    const std::string dir = folder.string();
    const std::string leaf = target.filename().string();
    std::vector<char> name(dir.size() + leaf.size() + 16);
    std::snprintf(name.data(), name.size(), "%s/.%s.XXXXXX", dir.c_str(), leaf.c_str());

    const auto fail = [&](int fd, bool created) {
        const int code = errno;
        if (fd >= 0)
            ::close(fd);
        if (created)
            ::unlink(name.data());
        error = "cannot write " + path + ": " + std::strerror(code);
        return false;
    };

    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return fail(-1, false);
    // mkstemp makes the file private; give it the permissions any new file would get.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0)
        return fail(fd, true);
    for (std::size_t done = 0; done < bytes.size();)
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(fd, true);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail(fd, true);
    if (::close(fd) != 0)
        return fail(-1, true);
    if (std::rename(name.data(), path.c_str()) != 0)
        return fail(-1, true);
    return true;
}
