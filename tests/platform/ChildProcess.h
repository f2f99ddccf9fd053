#pragma once
// Memory tests run their case in a forked child: a child that dies (a null scan line written,
// an exception that escapes) fails the case instead of the test program, and a limit on its
// address space or a reset of its peak resident size touches nothing else.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

// AddressSanitizer reserves terabytes of address space and keeps freed blocks: limits on the
// address space cannot work under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SanitizerBuild = true;
#else
constexpr bool SanitizerBuild = false;
#endif
#else
constexpr bool SanitizerBuild = false;
#endif

// A field of /proc/self/status in kB ("VmRSS", "VmHWM", "VmSize"), or -1.
inline long long ProcStatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stoll(line.substr(field.size() + 1));
    return -1;
}

// Makes the peak resident size start again from the current one. False where the kernel does not
// offer it.
inline bool ResetPeakRss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// Limits the calling process's address space to its current size plus extraBytes.
inline bool LimitAddressSpace(long long extraBytes)
{
    const long long now = ProcStatusKb("VmSize");
    if (now < 0)
        return false;
    const rlimit limit{static_cast<rlim_t>(now * 1024 + extraBytes),
                       static_cast<rlim_t>(now * 1024 + extraBytes)};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// Runs body in a child; its result comes back through a pipe. Nothing when the child did not
// exit normally (a crash, an escaped exception).
template <typename T, typename F> std::optional<T> RunInChild(F body)
{
    static_assert(std::is_trivially_copyable_v<T>);
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        const T result = body();
        const bool written = write(fds[1], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    T result{};
    std::size_t got = 0;
    while (pid > 0 && got < sizeof result)
    {
        const ssize_t n = read(fds[0], reinterpret_cast<char*>(&result) + got, sizeof result - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        got != sizeof result)
        return std::nullopt;
    return result;
}
