// The analyser on pictures of multi-fibre (MT) ferrules: every fibre's line, object or CSV row,
// numbering, the view's verdict, an overview that certifies nothing, and the annotated picture.

#include "analysis/AnalysisGeometry.h"
#include "tests/records/CsvReader.h"
#include "tests/tools/AnalyzerRun.h"
#include "tests/tools/MtFaces.h"

#include <QImage>
#include <QJsonArray>
#include <gtest/gtest.h>

namespace
{
QJsonArray Fibres(const RunResult& r)
{
    const QStringList lines = Lines(r.Out);
    EXPECT_EQ(lines.size(), 1) << r.Out.toStdString() << r.Err.toStdString();
    return lines.isEmpty() ? QJsonArray() : ParseLine(lines[0])["fibres"].toArray();
}

QList<int> Numbers(const QJsonArray& fibres)
{
    QList<int> numbers;
    for (const QJsonValue& f : fibres)
        numbers << f.toObject()["number"].toInt();
    return numbers;
}
} // namespace

TEST(AnalyzeFerrule, FibreViewJudgesEachWholeFibreAndTheViewByAll)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    const RunResult r = Analyze({"--json", "--profile", "mt-sm-apc", image});
    EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.isEmpty()) << r.Err.toStdString();
    const QJsonObject o = ParseLine(Lines(r.Out).value(0));
    EXPECT_EQ(o["view"].toString(), "fibre view");
    EXPECT_NEAR(o["um_per_pixel"].toDouble(), 0.9, 0.05);
    EXPECT_EQ(o["numbering"].toString(), "assumed");
    EXPECT_EQ(o["overall"].toString(), "Fail");
    EXPECT_EQ(o["profile"].toObject()["fibres_per_row"].toInt(), 12);
    const QJsonArray fibres = o["fibres"].toArray();
    ASSERT_EQ(fibres.size(), 2) << r.Out.toStdString();
    const char* verdicts[2] = {"Pass", "Fail"};
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const QJsonObject f = fibres[i].toObject();
        EXPECT_EQ(f["number"].toInt(), i + 1);
        EXPECT_EQ(f["outcome"].toString(), "judged");
        EXPECT_EQ(f["verdict"].toString(), verdicts[i]);
        EXPECT_NEAR(f["center"].toArray()[0].toDouble(), 181.0 + i * 250.0 / 0.9, 3.0);
        EXPECT_NEAR(f["um_per_pixel"].toDouble(), 0.9, 0.05);
        const QJsonArray zones = f["zones"].toArray();
        ASSERT_EQ(zones.size(), 2);
        EXPECT_EQ(zones[0].toObject()["key"].toString(), "A");
        EXPECT_EQ(zones[1].toObject()["key"].toString(), "B");
        EXPECT_EQ(zones[1].toObject()["verdict"].toString(), verdicts[i]);
        EXPECT_EQ(zones[1].toObject()["count"].toInt(), i);
    }
    const QJsonArray findings = fibres[1].toObject()["findings"].toArray();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_NEAR(findings[0].toObject()["diameter_um"].toDouble(), 8.0, 1.5);
    EXPECT_NEAR(findings[0].toObject()["position_diameter_um"].toDouble(), 40.0, 3.0);
}

// The operator's first fibre numbers the view; without it the view starts at 1 and says so. A
// whole fibre numbered past the connector's last is never judged, so the view has no verdict:
// that fibre (here the failing one) must not drop out of a passing view.
TEST(AnalyzeFerrule, FirstFibreNumbersTheView)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    const struct
    {
        QStringList Args;
        QList<int> Numbers;
        const char* Numbering;
        const char* Overall;
        int Exit;
    } cases[] = {
        {{}, {1, 2}, "assumed", "Fail", 1},
        {{"--first-fibre", "5"}, {5, 6}, "given", "Fail", 1},
        {{"--first-fibre=12"}, {12, 0}, "given", "Fibres outside the connector", 1},
        {{"--ferrule", "16x1", "--first-fibre", "15"}, {15, 16}, "given", "Fail", 1},
        {{"--ferrule", "12x2", "--first-fibre", "13"}, {13, 14}, "given", "Fail", 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const RunResult r =
            Analyze(QStringList{"--json", "--profile", "mt-sm-apc"} + c.Args + QStringList{image});
        EXPECT_EQ(r.Exit, c.Exit);
        EXPECT_EQ(Numbers(Fibres(r)), c.Numbers);
        const QJsonObject o = ParseLine(Lines(r.Out).value(0));
        EXPECT_EQ(o["numbering"].toString(), c.Numbering);
        EXPECT_EQ(o["overall"].toString(), c.Overall);
    }
    const RunResult table = Analyze({"--profile", "mt-sm-apc", image});
    EXPECT_TRUE(table.Out.contains("first fibre 1 assumed (no --first-fibre)")) << table.Out.toStdString();
    const RunResult given = Analyze({"--profile", "mt-sm-apc", "--first-fibre", "5", image});
    EXPECT_FALSE(given.Out.contains("assumed")) << given.Out.toStdString();
}

// An overview numbers the whole row itself, marks what it sees and certifies nothing: no fibre
// and no view gets Pass or Fail, in any form, and the run does not pass.
TEST(AnalyzeFerrule, OverviewNumbersTheRowAndCertifiesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteMtFace(dir, "row.png", MtOverview());

    const RunResult json = Analyze({"--json", "--profile", "mt-sm-apc", "--first-fibre", "7", image});
    EXPECT_EQ(json.Exit, 1);
    const QJsonObject o = ParseLine(Lines(json.Out).value(0));
    EXPECT_EQ(o["view"].toString(), "overview");
    EXPECT_EQ(o["numbering"].toString(), "overview");
    EXPECT_TRUE(o["overall"].toString().contains("certifies nothing")) << json.Out.toStdString();
    const QJsonArray fibres = o["fibres"].toArray();
    EXPECT_EQ(Numbers(fibres), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    for (const QJsonValue& f : fibres)
    {
        EXPECT_EQ(f.toObject()["outcome"].toString(), "located");
        EXPECT_EQ(f.toObject()["verdict"].toString(), "Not judged");
        EXPECT_FALSE(f.toObject().contains("zones"));
    }

    const RunResult table = Analyze({"--profile", "mt-sm-apc", image});
    EXPECT_EQ(table.Exit, 1);
    EXPECT_FALSE(table.Out.contains("Pass") || table.Out.contains("Fail")) << table.Out.toStdString();
    EXPECT_TRUE(table.Out.contains("certifies nothing"));

    const RunResult csv = Analyze({"--csv", "--profile", "mt-sm-apc", image});
    const std::vector<QStringList> rows = ReadCsv(csv.Out.toUtf8());
    ASSERT_EQ(rows.size(), 13u) << csv.Out.toStdString();
    for (std::size_t i = 1; i < rows.size(); ++i)
    {
        EXPECT_EQ(CsvField(rows, i, "fibre").toInt(), static_cast<int>(i));
        EXPECT_EQ(CsvField(rows, i, "view"), "overview");
        EXPECT_EQ(CsvField(rows, i, "verdict"), "Not judged");
        EXPECT_TRUE(CsvField(rows, i, "a_verdict").isEmpty());
    }
}

// The CSV has a line per fibre with the JSON's values, and a picture without a fibre keeps a
// line of its own, so a batch's CSV names every picture.
TEST(AnalyzeFerrule, CsvHasALinePerFibreWithTheJsonValues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString two = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    MtFace blank;
    blank.Fibres = 0;
    const QString empty = WriteMtFace(dir, "blank.png", blank);
    const QStringList args = {"--profile", "mt-sm-apc", "--first-fibre", "3", two, empty};
    const RunResult csv = Analyze(QStringList{"--csv"} + args);
    const RunResult json = Analyze(QStringList{"--json"} + args);
    EXPECT_EQ(csv.Exit, 1);
    EXPECT_EQ(csv.Exit, json.Exit);
    const std::vector<QStringList> rows = ReadCsv(csv.Out.toUtf8());
    ASSERT_EQ(rows.size(), 4u) << csv.Out.toStdString();
    const QStringList objects = Lines(json.Out);
    ASSERT_EQ(objects.size(), 2);
    const QJsonArray fibres = ParseLine(objects[0])["fibres"].toArray();
    ASSERT_EQ(fibres.size(), 2);
    for (std::size_t r = 1; r <= 2; ++r)
    {
        const QJsonObject f = fibres[static_cast<int>(r) - 1].toObject();
        ASSERT_EQ(rows[r].size(), rows[0].size());
        EXPECT_EQ(CsvField(rows, r, "source"), two);
        EXPECT_EQ(CsvField(rows, r, "fibre").toInt(), f["number"].toInt());
        EXPECT_EQ(CsvField(rows, r, "outcome"), f["outcome"].toString());
        EXPECT_EQ(CsvField(rows, r, "verdict"), f["verdict"].toString());
        EXPECT_EQ(CsvField(rows, r, "view_verdict"), "Fail");
        EXPECT_FLOAT_EQ(CsvField(rows, r, "center_x").toFloat(),
                        static_cast<float>(f["center"].toArray()[0].toDouble()));
        const QJsonObject b = f["zones"].toArray()[1].toObject();
        EXPECT_EQ(CsvField(rows, r, "b_verdict"), b["verdict"].toString());
        EXPECT_EQ(CsvField(rows, r, "b_count").toInt(), b["count"].toInt());
    }
    EXPECT_TRUE(CsvField(rows, 2, "findings_um").startsWith("defect "))
        << CsvField(rows, 2, "findings_um").toStdString();
    EXPECT_EQ(CsvField(rows, 3, "source"), empty);
    EXPECT_TRUE(CsvField(rows, 3, "fibre").isEmpty());
    EXPECT_EQ(CsvField(rows, 3, "verdict"), "No fiber");
    EXPECT_EQ(ParseLine(objects[1])["overall"].toString(), "No fiber");
}

// A fibre the frame cuts is reported and never judged; the whole ones still give the view its
// verdict.
TEST(AnalyzeFerrule, FibreCutByTheFrameIsNotInView)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MtFace face;
    face.UmPerPixel = 1.0f;
    face.FirstX = 100.0f;
    face.Fibres = 3; // the third at x 600, its cladding out to 662
    const QString image = WriteMtFace(dir, "cut.png", face);
    const RunResult r = Analyze({"--json", "--profile", "mt-sm-apc", image});
    EXPECT_EQ(r.Exit, 0) << r.Out.toStdString();
    const QJsonArray fibres = Fibres(r);
    ASSERT_EQ(fibres.size(), 3) << r.Out.toStdString();
    EXPECT_EQ(fibres[2].toObject()["outcome"].toString(), "not in view");
    EXPECT_EQ(fibres[2].toObject()["verdict"].toString(), "Not in view");
    EXPECT_FALSE(fibres[2].toObject().contains("zones"));
    EXPECT_EQ(ParseLine(Lines(r.Out).value(0))["overall"].toString(), "Pass");
}

// The annotated picture draws each judged fibre's zone boundaries (zone B's outer one in the
// outermost colour) around its own centre, and its number in red above it.
TEST(AnalyzeFerrule, AnnotatedPictureShowsEachFibresZonesAndNumber)
{
    QTemporaryDir dir, out;
    ASSERT_TRUE(dir.isValid() && out.isValid());
    const QString image = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    const RunResult r = Analyze({"--json", "--profile", "mt-sm-apc", "--annotate", out.path(), image});
    const QJsonArray fibres = Fibres(r);
    ASSERT_EQ(fibres.size(), 2);
    const QImage annotated(out.filePath("two.png.result.bmp"));
    ASSERT_FALSE(annotated.isNull());
    const QRgb outer = ZoneColour(TZoneColour::Outermost);
    for (const QJsonValue& v : fibres)
    {
        const QJsonObject f = v.toObject();
        const double cx = f["center"].toArray()[0].toDouble(), cy = f["center"].toArray()[1].toDouble();
        const double rB = f["radii"].toArray()[0].toDouble() * 115.0 / 125.0;
        bool boundary = false, number = false;
        for (int dx = -2; dx <= 2; ++dx)
            boundary =
                boundary || annotated.pixel(static_cast<int>(cx + rB) + dx, static_cast<int>(cy)) == outer;
        for (int y = 0; y < static_cast<int>(cy - rB); ++y)
            for (int x = static_cast<int>(cx) - 20; x <= static_cast<int>(cx) + 20; ++x)
                number = number || annotated.pixel(x, y) == qRgb(255, 0, 0);
        EXPECT_TRUE(boundary) << f["number"].toInt();
        EXPECT_TRUE(number) << f["number"].toInt();
    }
}

// A plant's profile file with a ferrule line takes the multi-fibre path as the built-in ones do,
// in the fiber mode it names (single when it names none).
TEST(AnalyzeFerrule, PlantsProfileWithAFerruleLineJudgesEachFibre)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteMtFace(dir, "two.png", TwoFibresSecondFails());
    const QString profile = WriteText(dir, "plant-mt.profile",
                                      "profile plant-mt\nferrule 8 1 250\nzone A 0 25\ndefect any none\n"
                                      "zone B 25 115\ndefect >5 none\n");
    const RunResult r = Analyze({"--json", "--profile", profile, image});
    EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
    const QJsonObject o = ParseLine(Lines(r.Out).value(0));
    EXPECT_EQ(o["mode"].toString(), "single");
    EXPECT_EQ(o["profile"].toObject()["fibres_per_row"].toInt(), 8);
    EXPECT_EQ(Numbers(o["fibres"].toArray()), (QList<int>{1, 2}));
    EXPECT_EQ(o["overall"].toString(), "Fail");

    const RunResult multi = Analyze({"--mode", "multi", "--profile", profile, image});
    EXPECT_EQ(multi.Exit, 2);
    EXPECT_TRUE(multi.Err.contains("plant-mt judges single mode fibres")) << multi.Err.toStdString();
}
