#include "tools/JsonOut.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace
{
// Length of the valid UTF-8 sequence starting at s[i], or 0 when there is none there: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF)
    {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    }
    else if (c >= 0xF0 && c <= 0xF4)
    {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    }
    else
        return 0;
    if (i + len > s.size())
        return 0;
    if (b(i + 1) < lo || b(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < len; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF)
            return 0;
    return len;
}

void AppendEscape(std::string& out, unsigned code)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", code);
    out += buf;
}
} // namespace

namespace
{
void AppendEscaped(std::string& out, std::string_view s, bool quotes)
{
    for (std::size_t i = 0; i < s.size();)
    {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80)
        {
            const std::size_t len = Utf8SequenceLength(s, i);
            if (len == 0)
            {
                AppendEscape(out, 0xDC00u + c);
                ++i;
            }
            else if (c == 0xC2 && static_cast<unsigned char>(s[i + 1]) <= 0x9F)
            {
                // The C1 controls (U+0080 to U+009F): a terminal may act on them as on ESC.
                AppendEscape(out, static_cast<unsigned char>(s[i + 1]));
                i += 2;
            }
            else
            {
                out.append(s.substr(i, len));
                i += len;
            }
            continue;
        }
        switch (c)
        {
        case '"':
            out += quotes ? "\\\"" : "\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                AppendEscape(out, c);
            else
                out += static_cast<char>(c);
        }
        ++i;
    }
}
} // namespace

std::string JsonString(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    AppendEscaped(out, s, true);
    out += '"';
    return out;
}

std::string EscapedText(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    AppendEscaped(out, s, false);
    return out;
}

std::string JsonFloat(float v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("null");
}
