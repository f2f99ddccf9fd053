#include "tools/JsonOut.h"

#include "platform/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace
{
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
