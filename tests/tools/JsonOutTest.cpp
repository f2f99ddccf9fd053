#include "tools/JsonOut.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace
{
// What a script gets back: the string's code units, with lone surrogates \udcXX turned back into
// the byte XX (the surrogate-escape convention).
std::string ReadBack(const std::string& json)
{
    QJsonParseError error;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString("{\"s\":" + json + "}"), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    const QString s = doc.object().value("s").toString();
    std::string bytes;
    QString run;
    for (qsizetype i = 0; i < s.size(); ++i)
    {
        const char16_t c = s[i].unicode();
        const bool paired = i > 0 && s[i - 1].isHighSurrogate();
        if (c >= 0xDC80 && c <= 0xDCFF && !paired)
        {
            bytes += run.toStdString();
            run.clear();
            bytes += static_cast<char>(c - 0xDC00);
        }
        else
            run += s[i];
    }
    bytes += run.toStdString();
    return bytes;
}
} // namespace

struct EscapeCase
{
    const char* Name;
    std::string Input;
    std::string Expected;
};

void PrintTo(const EscapeCase& c, std::ostream* os)
{
    *os << c.Name;
}

class JsonStringTest : public testing::TestWithParam<EscapeCase>
{
};

TEST_P(JsonStringTest, EscapesAndReadsBackToTheSameBytes)
{
    const EscapeCase& c = GetParam();
    EXPECT_EQ(JsonString(c.Input), c.Expected);
    EXPECT_EQ(ReadBack(JsonString(c.Input)), c.Input);
}

INSTANTIATE_TEST_SUITE_P(
    FileNames, JsonStringTest,
    testing::Values(EscapeCase{"Plain", "samples/clean.png", "\"samples/clean.png\""},
                    EscapeCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                    EscapeCase{"ControlBytes", std::string("t\tn\nr\r\x01\x1f\x7f", 9),
                               "\"t\\tn\\nr\\r\\u0001\\u001f\\u007f\""},
                    EscapeCase{"NulByte", std::string("a\0b", 3), "\"a\\u0000b\""},
                    EscapeCase{"C1Controls",
                               "a\xC2\x9B"
                               "2Jb\xC2\x85\xC2\xA0",
                               "\"a\\u009b2Jb\\u0085\xC2\xA0\""},
                    EscapeCase{"ValidUtf8PassesThrough", "caf\xC3\xA9 \xF0\x9F\x94\xAC",
                               "\"caf\xC3\xA9 \xF0\x9F\x94\xAC\""},
                    EscapeCase{"Latin1Byte", "caf\xE9.png", "\"caf\\udce9.png\""},
                    EscapeCase{"TruncatedSequence", "x\xE2\x82", "\"x\\udce2\\udc82\""},
                    EscapeCase{"Overlong", "\xC0\xAF", "\"\\udcc0\\udcaf\""},
                    EscapeCase{"EncodedSurrogate", "\xED\xA0\x80", "\"\\udced\\udca0\\udc80\""},
                    EscapeCase{"BeyondUnicode", "\xF4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""}),
    [](const testing::TestParamInfo<EscapeCase>& p) { return p.param.Name; });

TEST(JsonFloat, ShortestFormReadsBackAsTheSameFloat)
{
    EXPECT_EQ(JsonFloat(0.1f), "0.1");
    EXPECT_EQ(JsonFloat(1.2f), "1.2");
    EXPECT_EQ(JsonFloat(150.0f), "150");
    EXPECT_EQ(JsonFloat(-0.5f), "-0.5");

    // Bit patterns spread over the whole range, denormals and extremes included.
    std::uint32_t bits = 12345;
    for (int i = 0; i < 20000; ++i)
    {
        bits = bits * 1664525u + 1013904223u;
        const float v = std::bit_cast<float>(bits);
        if (!std::isfinite(v))
            continue;
        const std::string text = JsonFloat(v);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(std::strtof(text.c_str(), nullptr)), bits) << text;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]"));
        ASSERT_TRUE(doc.isArray()) << text;
    }
    EXPECT_EQ(JsonFloat(std::numeric_limits<float>::max()), "3.4028235e+38");
    EXPECT_EQ(JsonFloat(std::numeric_limits<float>::denorm_min()), "1e-45");
}

TEST(JsonFloat, NonFiniteBecomesNull)
{
    EXPECT_EQ(JsonFloat(std::numeric_limits<float>::quiet_NaN()), "null");
    EXPECT_EQ(JsonFloat(std::numeric_limits<float>::infinity()), "null");
    EXPECT_EQ(JsonFloat(-std::numeric_limits<float>::infinity()), "null");
}
