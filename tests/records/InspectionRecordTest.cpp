// The CSV line of a record: which fields are quoted, and that every field reads back unchanged.

#include "records/InspectionRecord.h"

#include "tests/records/CsvReader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
// As std::string, so that a failure prints the text.
std::vector<std::string> Texts(const QStringList& fields)
{
    std::vector<std::string> out;
    for (const QString& f : fields)
        out.push_back(f.toStdString());
    return out;
}
} // namespace

// A field is quoted, its quotes doubled, when it holds a comma or a quote; any other field is
// written as it is. A quote alone must be enough: a serial or a title may hold one without a comma.
TEST(CsvLine, QuotesAFieldWithACommaOrAQuoteAndReadsItBackUnchanged)
{
    const struct
    {
        QString Field;
        QByteArray Written;
    } cases[] = {
        {"AB0001", "AB0001"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"5\"x\"0002", "\"5\"\"x\"\"0002\""},
        {"\"", "\"\"\"\""},
        {"Plant \"X\" polish", "\"Plant \"\"X\"\" polish\""},
        {"a,b\"c\"0002", "\"a,b\"\"c\"\"0002\""},
        {QString::fromUtf8("Zo\u00eb \u00b5m"), "Zo\xc3\xab \xc2\xb5m"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Field.toStdString());
        EXPECT_EQ(CsvLine({c.Field}).toStdString(), (c.Written + "\r\n").toStdString());
        const QStringList fields = {"before", c.Field, "after"};
        const std::vector<QStringList> rows = ReadCsv(CsvLine(fields));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(Texts(rows[0]), Texts(fields));
    }
}
