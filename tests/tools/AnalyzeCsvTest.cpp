// The analyser's --csv: the inspection log's columns, and the same results as --json, field by
// field, for every sample in both modes.

#include "tests/records/CsvReader.h"
#include "tests/tools/AnalyzerRun.h"

#include <QJsonArray>

namespace
{
QString Field(const std::vector<QStringList>& rows, std::size_t row, const char* name)
{
    const qsizetype i = rows.at(0).indexOf(QLatin1String(name));
    EXPECT_GE(i, 0) << name;
    return i >= 0 ? rows.at(row).value(i) : QString();
}
} // namespace

TEST(AnalyzeCsv, MatchesTheJsonOutputFieldByField)
{
    QStringList images;
    for (const char* name : {"clean-pass.png", "core-defect.png", "cladding-scratch.png",
                             "contact-defect.bmp", "wide-720-pass.png"})
        images << QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name);
    const RunResult csv = Analyze(QStringList{"--csv", "--mode", "both"} + images);
    const RunResult json = Analyze(QStringList{"--json", "--mode", "both"} + images);
    EXPECT_EQ(csv.Exit, json.Exit);
    const std::vector<QStringList> rows = ReadCsv(csv.Out.toUtf8());
    const QStringList objects = Lines(json.Out);
    ASSERT_EQ(rows.size(), 11u);
    ASSERT_EQ(objects.size(), 10);
    for (int i = 0; i < 10; ++i)
    {
        const QJsonObject o = ParseLine(objects[i]);
        const std::size_t r = static_cast<std::size_t>(i) + 1;
        ASSERT_EQ(rows[r].size(), rows[0].size());
        EXPECT_EQ(Field(rows, r, "source"), o["file"].toString());
        EXPECT_EQ(Field(rows, r, "mode"), o["mode"].toString());
        EXPECT_EQ(Field(rows, r, "verdict"), o["overall"].toString());
        const QJsonArray zones = o["zone_verdicts"].toArray();
        EXPECT_EQ(Field(rows, r, "core_verdict"), zones[0].toString());
        EXPECT_EQ(Field(rows, r, "cladding_verdict"), zones[1].toString());
        EXPECT_EQ(Field(rows, r, "contact_verdict"), zones[2].toString());
        EXPECT_FLOAT_EQ(Field(rows, r, "center_x").toFloat(),
                        static_cast<float>(o["center"].toArray()[0].toDouble()));
        EXPECT_FLOAT_EQ(Field(rows, r, "radius_contact").toFloat(),
                        static_cast<float>(o["zone_radius"].toArray()[4].toDouble()));
        const QJsonArray counts = o["zone_counts"].toArray();
        EXPECT_EQ(Field(rows, r, "count_cladding_scratches_over_3um").toInt(),
                  counts[0].toArray()[1].toInt());
        EXPECT_EQ(Field(rows, r, "count_cladding_defects_2_5um").toInt(), counts[1].toArray()[2].toInt());
        EXPECT_EQ(Field(rows, r, "count_contact_defects_over_10um").toInt(), counts[1].toArray()[4].toInt());
        if (o["mode"].toString() == "multi")
            EXPECT_EQ(Field(rows, r, "count_core_defects").toInt(),
                      o["multi_core_counts"].toArray()[2].toInt());
        else
            EXPECT_EQ(Field(rows, r, "count_core_defects").toInt(), counts[1].toArray()[0].toInt());
        EXPECT_EQ(Field(rows, r, "frames"), "0");
    }
    EXPECT_EQ(Analyze({"--csv", "--json", images[0]}).Exit, 2);
}
