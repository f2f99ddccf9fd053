#include "platform/IntText.h"

#include <limits>
#include <stdexcept>

int StrToInt(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        negative = t[i++] == u'-';
    long long value = 0;
    const long long limit =
        negative ? -static_cast<long long>(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
    bool digits = false;
    for (; i < t.size(); ++i)
    {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
        {
            digits = false;
            break;
        }
        value = value * 10 + (c - u'0');
        digits = true;
        if (value > limit)
        {
            digits = false;
            break;
        }
    }
    if (!digits)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return static_cast<int>(negative ? -value : value);
}
