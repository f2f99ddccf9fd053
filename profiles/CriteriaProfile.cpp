// Profile text: one statement a line, split on blanks; numbers read with from_chars so the
// locale never changes what a file means.

#include "profiles/CriteriaProfile.h"

#include "platform/Utf8.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool ReadNumber(std::string_view text, float& value)
{
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value) && value >= 0.0f;
}

bool ReadLimit(std::string_view text, int& limit)
{
    if (text == "none")
        limit = LimitNone;
    else if (text == "nolimit")
        limit = LimitNoLimit;
    else
    {
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, limit);
        return !text.empty() && ec == std::errc() && ptr == end && limit >= 0;
    }
    return true;
}

bool ReadSizeClass(std::string_view text, TProfileRule& rule)
{
    if (text == "any")
        return true;
    if (text.starts_with("<=") || text.starts_with(">="))
    {
        float v = 0.0f;
        if (!ReadNumber(text.substr(2), v))
            return false;
        (text[0] == '<' ? rule.High : rule.Low) = v;
        return true;
    }
    if (text.starts_with('<') || text.starts_with('>'))
    {
        float v = 0.0f;
        if (!ReadNumber(text.substr(1), v))
            return false;
        if (text[0] == '<')
        {
            rule.High = v;
            rule.HighInclusive = false;
        }
        else
        {
            rule.Low = v;
            rule.LowInclusive = false;
        }
        return true;
    }
    const std::size_t dash = text.find('-');
    return dash != std::string_view::npos && ReadNumber(text.substr(0, dash), rule.Low) &&
           ReadNumber(text.substr(dash + 1), rule.High) && rule.Low <= rule.High;
}

// Valid UTF-8 without control characters (tab aside): what a profile says reaches the grid, the
// reports, the log and a terminal, where such bytes could forge lines or send escape sequences.
bool PlainText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
    {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80)
        {
            if ((b < 0x20 && b != '\t') || b == 0x7F)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        // Invalid, or a C1 control (U+0080 to U+009F), which a terminal may act on as on ESC.
        if (length == 0 || (b == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F))
            return false;
        i += length;
    }
    return true;
}

// The short name goes on command lines, into the preferences and into every record.
bool ShortName(std::string_view name)
{
    if (name.empty() || name.size() > 40)
        return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_' || c == '.' || c == '+'))
            return false;
    return true;
}

// At most limit bytes of a regular file; an empty text when read, else why not.
std::string ReadProfileBytes(const std::string& path, std::size_t limit, std::string& text)
{
    const auto unreadable = [](int code) { return "cannot be read: " + std::string(std::strerror(code)); };
    // Looked at before it is opened, so a device or a pipe is never opened at all; non-blocking,
    // so one swapped in meanwhile cannot stall the caller either, and fstat decides.
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "does not exist" : unreadable(errno);
    if (!S_ISREG(info.st_mode))
        return "is not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return unreadable(errno);
    std::string problem;
    if (::fstat(fd, &info) != 0)
        problem = unreadable(errno);
    else if (!S_ISREG(info.st_mode))
        problem = "is not a regular file";
    else if (static_cast<unsigned long long>(info.st_size) > limit)
        problem = "is too large";
    text.assign(problem.empty() ? limit + 1 : 0, '\0');
    std::size_t done = 0;
    while (problem.empty() && done < text.size())
    {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            problem = unreadable(errno);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(done);
    if (problem.empty() && done > limit)
        problem = "is too large";
    return problem;
}

std::string Number(float v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}
} // namespace

bool TProfileRule::Contains(float sizeUm) const
{
    const bool aboveLow = LowInclusive ? sizeUm >= Low : sizeUm > Low;
    const bool belowHigh = HighInclusive ? sizeUm <= High : sizeUm < High;
    return aboveLow && belowHigh;
}

std::string TProfileRule::SizeText() const
{
    const bool bounded = std::isfinite(High);
    if (Low == 0.0f && LowInclusive && !bounded)
        return "any";
    if (Low == 0.0f && LowInclusive)
        return (HighInclusive ? "\u2264" : "<") + Number(High) + " \u00b5m";
    if (!bounded)
        return (LowInclusive ? "\u2265" : ">") + Number(Low) + " \u00b5m";
    return Number(Low) + "\u2013" + Number(High) + " \u00b5m";
}

bool ParseProfile(std::string_view text, TCriteriaProfile& profile, std::string& error)
{
    profile = TCriteriaProfile();
    std::istringstream in{std::string(text)};
    std::string line;
    int number = 0;
    const auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(in, line))
    {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!PlainText(line))
            return fail("holds a control character or is not UTF-8 text");
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword[0] == '#')
            continue;
        if (keyword == "title")
        {
            std::getline(words >> std::ws, profile.Title);
            continue;
        }
        std::vector<std::string> args;
        for (std::string word; words >> word;)
            args.push_back(word);
        if (keyword == "profile")
        {
            if (args.size() != 1 || !ShortName(args[0]))
                return fail(
                    "profile takes one short name of at most 40 letters, digits, '-', '_', '.' or '+'");
            profile.Name = args[0];
        }
        else if (keyword == "fiber")
        {
            if (args.size() != 1 || (args[0] != "single" && args[0] != "multi"))
                return fail("fiber takes single or multi");
            profile.FiberMode = args[0] == "single" ? 0 : 1;
        }
        else if (keyword == "ferrule")
        {
            TFerruleLayout& f = profile.Ferrule;
            float perRow = 0.0f, rows = 0.0f;
            const bool read = (args.size() == 3 || args.size() == 4) && ReadNumber(args[0], perRow) &&
                              ReadNumber(args[1], rows) && ReadNumber(args[2], f.PitchUm) &&
                              (args.size() == 3 || ReadNumber(args[3], f.RowPitchUm));
            // The pitch must leave room between claddings (125 um) and the rows must not touch.
            if (!read || perRow != std::floor(perRow) || perRow < 2 || perRow > 32 ||
                (rows != 1 && rows != 2) || f.PitchUm < 150.0f || f.PitchUm > 2000.0f ||
                f.RowPitchUm < 150.0f || f.RowPitchUm > 5000.0f)
                return fail("ferrule takes fibres per row (2 to 32), rows (1 or 2), the pitch in um (150 to "
                            "2000) and optionally the rows' distance in um");
            f.FibresPerRow = static_cast<int>(perRow);
            f.Rows = static_cast<int>(rows);
        }
        else if (keyword == "zone")
        {
            TProfileZone zone;
            if (args.size() != 3 || !ReadNumber(args[1], zone.InnerDiameter) ||
                !ReadNumber(args[2], zone.OuterDiameter) || zone.InnerDiameter >= zone.OuterDiameter)
                return fail("zone takes a name and an inner and a larger outer diameter in um");
            if (!profile.Zones.empty() && zone.InnerDiameter < profile.Zones.back().OuterDiameter)
                return fail("zone " + args[0] + " overlaps the zone before it");
            zone.Name = args[0];
            profile.Zones.push_back(std::move(zone));
        }
        else if (keyword == "scratch" || keyword == "defect")
        {
            if (profile.Zones.empty())
                return fail(keyword + " comes before the first zone");
            TProfileRule rule;
            rule.Kind = keyword == "scratch" ? FindingClass::Scratch : FindingClass::Defect;
            if (args.size() != 2)
                return fail(keyword + " takes a size class and a limit");
            if (!ReadSizeClass(args[0], rule))
                return fail("size class '" + args[0] + "' is not any, <X, <=X, >X, >=X or X-Y");
            if (!ReadLimit(args[1], rule.Limit))
                return fail("limit '" + args[1] + "' is not none, nolimit or a whole number");
            profile.Zones.back().Rules.push_back(rule);
        }
        else
            return fail("unknown statement '" + keyword + "'");
    }
    if (profile.Name.empty())
        return fail("no profile name");
    if (profile.Title.empty())
        profile.Title = profile.Name;
    return true;
}

bool LoadProfileFile(const std::string& path, TCriteriaProfile& profile, std::string& error)
{
    // Read like an image: regular files only, never blocking on a pipe or a device; a profile is
    // a few hundred bytes, so anything past 64 KiB is not one. Its size refuses it before a byte
    // is read, and no more than the limit and one byte are read, should it grow meanwhile.
    constexpr std::size_t MaxBytes = 64 * 1024;
    std::string text;
    if (const std::string why = ReadProfileBytes(path, MaxBytes, text); !why.empty())
    {
        error = "profile " + path + " " + why;
        return false;
    }
    if (!ParseProfile(text, profile, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string ProfileLimitText(int limit)
{
    return limit == LimitNone ? "None" : limit == LimitNoLimit ? "No Limit" : std::to_string(limit);
}
