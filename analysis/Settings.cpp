// The settings file: seven CR LF lines of text, numbers in C notation whatever the process
// locale. Saving goes through the one atomic write (temporary file beside the target, synced,
// renamed), so a failed save never leaves a half-written file behind.

#include "analysis/TFiberAnalyzer.h"
#include "platform/AtomicWrite.h"

#include <cerrno>
#include <climits>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr std::size_t DeviceNameLimit = 299;
constexpr std::size_t TextLineLimit = 499;

// The "C" locale object, made once; numbers are formatted and parsed with it so that a comma
// locale set by the GUI cannot change the file.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

class CLocaleScope
{
public:
    CLocaleScope() : Previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(Previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t Previous_;
};

std::string FormatSettings(const TFiberAnalyzer& a)
{
    for (const std::string* text : {&a.DeviceName, &a.SpareText1, &a.SpareText2, &a.ImageFolder})
        if (text->find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument("a text contains a line break");

    const CLocaleScope c;
    char numbers[256];
    std::string out;
    out += a.DeviceName + "\r\n";
    std::snprintf(numbers, sizeof numbers, "%d,%d,%d,%d,%f,%f\r\n", a.LowerThreshold, a.UpperThreshold,
                  a.CoreCladThreshold, a.ContactThreshold, static_cast<double>(a.CoreDefectPercent),
                  static_cast<double>(a.CladDefectPercent));
    out += numbers;
    std::snprintf(numbers, sizeof numbers, "%d\r\n", a.CaptureCount);
    out += numbers;
    out += a.SpareText1 + "\r\n";
    out += a.SpareText2 + "\r\n";
    std::snprintf(numbers, sizeof numbers, "%d\r\n", a.ShowCounts);
    out += numbers;
    out += a.ImageFolder + "\r\n";
    return out;
}

// A line's text up to its first CR or LF, at most limit characters of it.
std::string TextOf(std::string_view line, std::size_t limit)
{
    const std::size_t end = line.find_first_of("\r\n");
    return std::string(line.substr(0, std::min({end, line.size(), limit})));
}

// One value as scanf's "%d" reads it: blanks, a sign, digits. A value out of the int range does
// not convert.
bool ReadInt(const char*& p, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = strtol_l(p, &end, 10, CLocale());
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    p = end;
    return true;
}

// One value as scanf's "%f" reads it into a float.
bool ReadFloat(const char*& p, float& value)
{
    char* end = nullptr;
    const float v = strtof_l(p, &end, CLocale());
    if (end == p)
        return false;
    value = v;
    p = end;
    return true;
}

bool Expect(const char*& p, char c)
{
    if (*p != c)
        return false;
    ++p;
    return true;
}

// True when all six values converted.
bool ReadThresholdLine(const std::string& line, TFiberAnalyzer& a)
{
    // Values are stored one by one; reading stops at the first that does not convert.
    const char* p = line.c_str();
    return ReadInt(p, a.LowerThreshold) && Expect(p, ',') && ReadInt(p, a.UpperThreshold) && Expect(p, ',') &&
           ReadInt(p, a.CoreCladThreshold) && Expect(p, ',') && ReadInt(p, a.ContactThreshold) &&
           Expect(p, ',') && ReadFloat(p, a.CoreDefectPercent) && Expect(p, ',') &&
           ReadFloat(p, a.CladDefectPercent);
}

bool ReadIntLine(const std::string& line, int& value)
{
    const char* p = line.c_str();
    return ReadInt(p, value);
}

// Seven lines of at most 499 characters and a few numbers: no settings file needs more than
// this. What lies beyond is never read, so a huge file costs neither time nor memory.
constexpr std::size_t ReadLimit = 64 * 1024;

// The first seven lines, split at LF; a CR before the LF stays in the line and is cut off by the
// readers. Text after the last LF (within the limit) is a line of its own, an empty remainder is
// not. Only a regular file is read: a pipe or a device is refused without being opened, and the
// file is opened non-blocking, so one swapped in meanwhile cannot stall the reader either.
TSettingsLoad ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    TSettingsLoad load;
    const auto fail = [&](TSettingsLoad::TFile file, int error) {
        load.File = file;
        load.SystemError = error;
        return load;
    };
    struct stat info = {};
    if (stat(path.c_str(), &info) != 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? TSettingsLoad::Missing : TSettingsLoad::Unreadable,
                    errno);
    if (!S_ISREG(info.st_mode))
        return fail(TSettingsLoad::NotRegularFile, 0);
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(TSettingsLoad::Unreadable, errno);
    std::string bytes(ReadLimit, '\0');
    std::size_t size = 0;
    int error = 0;
    load.File = TSettingsLoad::Read;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        load.File = TSettingsLoad::NotRegularFile;
    while (load.File == TSettingsLoad::Read && size < bytes.size())
    {
        const ssize_t n = read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    close(fd);
    if (load.File != TSettingsLoad::Read || error != 0)
        return fail(load.File != TSettingsLoad::Read ? load.File : TSettingsLoad::Unreadable, error);

    bytes.resize(size);
    std::size_t start = 0;
    while (lines.size() < 7 && start < bytes.size())
    {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
        {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    load.Lines = static_cast<int>(lines.size());
    return load;
}
} // namespace

void TFiberAnalyzer::SaveSettings(const std::string& path) const
{
    std::string content;
    try
    {
        content = FormatSettings(*this);
    }
    catch (const std::invalid_argument& e)
    {
        throw std::runtime_error("cannot write " + path + ": " + e.what());
    }
    std::string error;
    if (!WriteFileAtomically(path, content, error))
        throw std::runtime_error(error);
}

TSettingsLoad TFiberAnalyzer::LoadSettings(const std::string& path)
{
    // The lines are read before any field changes: a read error leaves everything as it was.
    std::vector<std::string> lines;
    TSettingsLoad load = ReadLines(path, lines);
    if (load.File != TSettingsLoad::Read)
        return load;
    const std::size_t count = lines.size();
    const auto took = [&](int line, bool taken) {
        if (taken)
            load.Taken |= 1u << (line - 1);
    };

    if (count > 0)
        DeviceName = TextOf(lines[0], DeviceNameLimit);
    if (count > 1)
        took(2, ReadThresholdLine(lines[1], *this));
    if (count > 2)
        took(3, ReadIntLine(lines[2], CaptureCount));
    if (count > 3)
        SpareText1 = TextOf(lines[3], TextLineLimit);
    if (count > 4)
        SpareText2 = TextOf(lines[4], TextLineLimit);
    if (count > 5)
        took(6, ReadIntLine(lines[5], ShowCounts));
    if (count > 6)
        ImageFolder = TextOf(lines[6], TextLineLimit);
    // A text line is taken whole, whatever it holds.
    for (int line : {1, 4, 5, 7})
        took(line, load.Lines >= line);
    return load;
}
