// Which circle the analyser judges with, and pictures it must not judge at all: no fiber, or a
// cladding the judging circle finds cut by the border.

#include "records/InspectionRecord.h"
#include "tests/records/CsvReader.h"
#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <cmath>
#include <gtest/gtest.h>

namespace
{
float F(const QJsonValue& v)
{
    return static_cast<float>(v.toDouble());
}

// Pixels in the colours of the zone circles, of the classic table or a profile's.
int ZonePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
        {
            const QRgb c = image.pixel(x, y);
            n += c == qRgb(255, 255, 0) || c == qRgb(0, 128, 0) || c == qRgb(0, 0, 255);
        }
    return n;
}

struct EmptyCase
{
    const char* Name;
    EndFaceRecipe Recipe;
};

void PrintTo(const EmptyCase& c, std::ostream* os)
{
    *os << c.Name;
}

EndFaceRecipe Uniform(int grey)
{
    EndFaceRecipe r = EmptyFrame(EmptyFrameKind::Uniform, 5);
    r.Background = grey;
    return r;
}

class AnalyzeWithoutFiber : public testing::TestWithParam<EmptyCase>
{
};
} // namespace

// A picture without a fiber gets no verdict, measures nothing and fails the run, in every output:
// a capped or empty scope must never pass a batch.
TEST_P(AnalyzeWithoutFiber, IsNoFiberAndFailsInTableJsonAndCsv)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("out"));
    const QString image = WriteImage(dir, "empty.png", GetParam().Recipe);

    const RunResult table = Analyze({"--annotate", dir.filePath("out"), image});
    EXPECT_EQ(table.Exit, 1) << table.Err.toStdString();
    const QStringList rows = Lines(table.Out);
    ASSERT_EQ(rows.size(), 2) << table.Out.toStdString();
    EXPECT_EQ(rows[1].simplified(), image + " single No fiber");
    EXPECT_EQ(rows[0].indexOf("OVERALL"), rows[1].indexOf("No fiber"));
    const QImage annotated(dir.filePath("out/empty.png.result.bmp"), "BMP");
    ASSERT_FALSE(annotated.isNull());
    EXPECT_EQ(ZonePixels(annotated), 0) << "zone circles drawn on a picture without a fiber";

    const RunResult json = Analyze({"--json", "--mode", "both", image});
    EXPECT_EQ(json.Exit, 1);
    const QStringList objects = Lines(json.Out);
    ASSERT_EQ(objects.size(), 2) << json.Out.toStdString();
    for (const QString& line : objects)
    {
        const QJsonObject o = ParseLine(line);
        // Only what is known without a judgement: nothing that reads as measured.
        EXPECT_EQ(o.keys(), (QStringList{"accepted", "file", "height", "location", "mode", "overall", "width",
                                         "zone_verdicts"}));
        EXPECT_EQ(o["overall"].toString(), "No fiber");
        EXPECT_EQ(o["zone_verdicts"].toArray().size(), 0);
        const QJsonObject location = o["location"].toObject();
        EXPECT_EQ(location["found"], QJsonValue(false));
        EXPECT_TRUE(location["reason"].toString().startsWith("No fiber: ")) << line.toStdString();
    }

    const RunResult csv = Analyze({"--csv", "--profile", "sm-pc", image});
    EXPECT_EQ(csv.Exit, 1);
    const std::vector<QStringList> records = ReadCsv(csv.Out.toUtf8());
    ASSERT_EQ(records.size(), 2u) << csv.Out.toStdString();
    ASSERT_EQ(records[1].size(), records[0].size());
    EXPECT_EQ(CsvField(records, 1, "verdict"), "No fiber");
    EXPECT_EQ(CsvField(records, 1, "profile"), "sm-pc");
    for (const char* empty : {"center_x", "center_y", "radius_contact", "count_core_defects", "core_verdict",
                              "um_per_pixel", "profile_rows", "edge_center_x"})
        EXPECT_TRUE(CsvField(records, 1, empty).isEmpty())
            << empty << ": " << CsvField(records, 1, empty).toStdString();
    EXPECT_TRUE(CsvField(records, 1, "no_verdict_reason").startsWith("No fiber: "));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, AnalyzeWithoutFiber,
    testing::Values(EmptyCase{"Grey", Uniform(128)}, EmptyCase{"Black", Uniform(0)},
                    EmptyCase{"LensCap", EmptyFrame(EmptyFrameKind::LensCap, 5)},
                    EmptyCase{"SpecksOnBlack", EmptyFrame(EmptyFrameKind::SpecksOnBlack, 5)}),
    [](const testing::TestParamInfo<EmptyCase>& p) { return std::string(p.param.Name); });

// The picture's centre lies outside the glass: the rays judge their own circle under a caution,
// and --locate edges judges the cladding where it is.
TEST(AnalyzeLocation, OffCentreFaceCautionsTheRaysAndIsJudgedByItsEdgeOnRequest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteImage(dir, "off.png", OffCentreEndFace(-160.0f, 60.0f));
    const float cx = 160.0f, cy = 300.0f;

    const QJsonObject rays = ParseLine(Analyze({"--json", image}).Out.trimmed());
    const QJsonObject cautioned = rays["location"].toObject();
    EXPECT_EQ(cautioned["method"].toString(), "rays");
    EXPECT_TRUE(cautioned["caution"].toString().startsWith("Fiber edge uncertain"))
        << cautioned.keys().join(',').toStdString();
    EXPECT_FALSE(cautioned.contains("reason"));
    EXPECT_NEAR(F(cautioned["center"].toArray()[0]), cx, 1.0f);
    EXPECT_NEAR(F(cautioned["center"].toArray()[1]), cy, 1.0f);
    EXPECT_EQ(rays["center"], cautioned["rays_center"]) << "the rays' circle judged";

    const RunResult byEdge = Analyze({"--json", "--locate", "edges", image});
    const QJsonObject edges = ParseLine(byEdge.Out.trimmed());
    EXPECT_EQ(byEdge.Exit, 0) << byEdge.Out.toStdString();
    EXPECT_EQ(edges["overall"].toString(), "Pass");
    const QJsonObject location = edges["location"].toObject();
    EXPECT_EQ(location["method"].toString(), "edges");
    EXPECT_FALSE(location.contains("caution"));
    EXPECT_EQ(location["wholly_in_picture"], QJsonValue(true));
    EXPECT_NEAR(F(edges["center"].toArray()[0]), cx, 1.0f);
    EXPECT_NEAR(F(edges["center"].toArray()[1]), cy, 1.0f);
    EXPECT_NEAR(F(edges["zone_scale"]), 150.0f * 0.008f, 0.012f) << "zones scaled from the fitted cladding";

    const std::vector<QStringList> records =
        ReadCsv(Analyze({"--csv", "--locate=edges", image}).Out.toUtf8());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(CsvField(records, 1, "location"), "edges");
    EXPECT_NEAR(CsvField(records, 1, "center_x").toFloat(), cx, 1.0f);
    EXPECT_NEAR(CsvField(records, 1, "edge_center_y").toFloat(), cy, 1.0f);
}

// A quarter of the cladding beyond the border: a true-size profile, judging by the edge, cannot
// inspect all its zones and gives no verdict; the classic one, judging by the rays, still does.
TEST(AnalyzeLocation, CutCladdingIsNotInViewForATrueSizeProfileOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = WriteImage(dir, "cut.png", OffCentreEndFace(230.0f, 0.0f));

    const RunResult table = Analyze({"--profile", "sm-pc", image});
    EXPECT_EQ(table.Exit, 1);
    const QStringList rows = Lines(table.Out);
    ASSERT_EQ(rows.size(), 2) << table.Out.toStdString();
    EXPECT_EQ(rows[1].simplified(), image + " sm-pc Not in view");
    EXPECT_EQ(rows[0].indexOf("OVERALL"), rows[1].indexOf("Not in view"));

    const RunResult json = Analyze({"--json", "--profile", "sm-pc", image});
    EXPECT_EQ(json.Exit, 1);
    const QJsonObject o = ParseLine(json.Out.trimmed());
    EXPECT_EQ(o["overall"].toString(), "Not in view");
    EXPECT_EQ(o["zone_verdicts"].toArray().size(), 0);
    EXPECT_EQ(o["profile"].toObject()["name"].toString(), "sm-pc");
    EXPECT_FALSE(o.contains("findings") || o.contains("classic"));
    const QJsonObject location = o["location"].toObject();
    EXPECT_EQ(location["method"].toString(), "edges");
    EXPECT_EQ(location["found"], QJsonValue(true));
    EXPECT_EQ(location["wholly_in_picture"], QJsonValue(false));
    EXPECT_EQ(location["reason"].toString(), "Fiber not wholly in view: centre it");

    const QJsonObject classic = ParseLine(Analyze({"--json", image}).Out.trimmed());
    EXPECT_TRUE(classic["overall"] == QJsonValue("Pass") || classic["overall"] == QJsonValue("Fail"))
        << classic["overall"].toString().toStdString();
    EXPECT_EQ(classic["zone_verdicts"].toArray().size(), 3);
}
