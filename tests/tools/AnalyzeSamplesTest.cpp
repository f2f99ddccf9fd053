// The analyser end to end on the bundled samples: verdicts, counts, findings, the JSON shape,
// settings, annotated images.

#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace
{
QString Sample(const char* name)
{
    return QStringLiteral(FS_SOURCE_DIR "/samples/") + name;
}

float F(const QJsonValue& v)
{
    return static_cast<float>(v.toDouble());
}

// Every key of an analysed image, with its shape.
void ExpectAnalysedShape(const QJsonObject& o)
{
    EXPECT_EQ(o.keys(), (QStringList{"accepted", "center", "circle_centers", "edge_points", "file",
                                     "findings", "height", "mode", "multi_core_counts", "overall", "width",
                                     "zone_counts", "zone_radius", "zone_scale", "zone_verdicts"}));
    EXPECT_EQ(o["accepted"], QJsonValue(true));
    EXPECT_TRUE(o["width"].isDouble() && o["height"].isDouble() && o["zone_scale"].isDouble());
    EXPECT_EQ(o["center"].toArray().size(), 2);
    for (const char* key : {"edge_points", "circle_centers"})
    {
        ASSERT_EQ(o[key].toArray().size(), 4) << key;
        for (const QJsonValue& p : o[key].toArray())
            EXPECT_EQ(p.toArray().size(), 2) << key;
    }
    EXPECT_EQ(o["zone_radius"].toArray().size(), 5);
    ASSERT_EQ(o["zone_counts"].toArray().size(), 2);
    for (const QJsonValue& row : o["zone_counts"].toArray())
        EXPECT_EQ(row.toArray().size(), 10);
    EXPECT_EQ(o["multi_core_counts"].toArray().size(), 4);
    EXPECT_EQ(o["zone_verdicts"].toArray().size(), 3);
    EXPECT_EQ(o["findings"].toObject().keys(), (QStringList{"cladding", "contact", "core"}));
    const float scale = F(o["zone_scale"]);
    for (const QJsonValue& list : o["findings"].toObject())
        for (const QJsonValue& fv : list.toArray())
        {
            const QJsonObject f = fv.toObject();
            EXPECT_EQ(f.keys(), (QStringList{"area", "height", "kind", "size", "width"}));
            EXPECT_TRUE(f["kind"] == QJsonValue("defect") || f["kind"] == QJsonValue("scratch"));
            // Box and area as detected (whole pixels); the size is the evaluated one.
            const float w = F(f["width"]), h = F(f["height"]);
            EXPECT_EQ(w, std::floor(w));
            EXPECT_GE(F(f["area"]), 1.0f);
            const float sw = std::max(w, 1.0f) * scale, sh = std::max(h, 1.0f) * scale;
            EXPECT_EQ(F(f["size"]), std::max(sw, sh));
        }
}

int Count(const QJsonObject& o, int row, int column)
{
    return o["zone_counts"].toArray()[row].toArray()[column].toInt();
}

QStringList Verdicts(const QJsonObject& o)
{
    QStringList v;
    for (const QJsonValue& x : o["zone_verdicts"].toArray())
        v << x.toString();
    return v << o["overall"].toString();
}

QStringList Kinds(const QJsonObject& o, const char* list)
{
    QStringList kinds;
    for (const QJsonValue& f : o["findings"].toObject()[list].toArray())
        kinds << f.toObject()["kind"].toString();
    return kinds;
}
} // namespace

// Each sample shows what its name says, in both modes.
TEST(AnalyzeSamples, JsonVerdictsCountsAndFindings)
{
    const QStringList files = {Sample("clean-pass.png"), Sample("core-defect.png"),
                               Sample("cladding-scratch.png"), Sample("contact-defect.bmp"),
                               Sample("wide-720-pass.png")};
    const RunResult r = Analyze(QStringList{"--json", "--mode", "both"} + files);
    EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.isEmpty()) << r.Err.toStdString();
    const QStringList lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 10);
    QJsonObject single[5], multi[5];
    for (int i = 0; i < 5; ++i)
    {
        single[i] = ParseLine(lines[2 * i]);
        multi[i] = ParseLine(lines[2 * i + 1]);
        for (const QJsonObject* o : {&single[i], &multi[i]})
        {
            SCOPED_TRACE(files[i].toStdString());
            ExpectAnalysedShape(*o);
            EXPECT_EQ((*o)["file"].toString(), files[i]);
            EXPECT_EQ((*o)["width"].toInt(), i == 4 ? 720 : 640);
            EXPECT_EQ((*o)["height"].toInt(), 480);
        }
        EXPECT_EQ(single[i]["mode"].toString(), "single");
        EXPECT_EQ(multi[i]["mode"].toString(), "multi");
    }

    const QStringList pass = {"Pass", "Pass", "Pass", "Pass"};
    EXPECT_EQ(Verdicts(single[0]), pass);
    EXPECT_EQ(Kinds(single[0], "core") + Kinds(single[0], "cladding") + Kinds(single[0], "contact"),
              QStringList());

    EXPECT_EQ(Verdicts(single[1]), (QStringList{"Fail", "Pass", "Pass", "Fail"}));
    EXPECT_EQ(Kinds(single[1], "core"), QStringList{"defect"});
    EXPECT_EQ(Count(single[1], 1, 0), 1);
    // In a multi-mode core up to four small defects are allowed.
    EXPECT_EQ(Verdicts(multi[1]), pass);
    EXPECT_EQ(multi[1]["multi_core_counts"].toArray()[2].toInt(), 1);
    EXPECT_EQ(Count(multi[1], 1, 0), 0);

    EXPECT_EQ(Verdicts(single[2]), (QStringList{"Pass", "Fail", "Pass", "Fail"}));
    EXPECT_EQ(Kinds(single[2], "cladding"), QStringList{"scratch"});
    EXPECT_EQ(Count(single[2], 0, 1), 1);
    EXPECT_GT(F(single[2]["findings"].toObject()["cladding"].toArray()[0].toObject()["area"]), 500.0f);

    EXPECT_EQ(Verdicts(single[3]), (QStringList{"Pass", "Pass", "Fail", "Fail"}));
    EXPECT_EQ(Kinds(single[3], "contact"), QStringList{"defect"});
    EXPECT_EQ(Count(single[3], 1, 4), 1);

    EXPECT_EQ(Verdicts(single[4]), pass);
    EXPECT_EQ(Kinds(single[4], "cladding"), (QStringList{"defect", "defect", "defect"}));
    EXPECT_EQ(Count(single[4], 1, 2), 3);
}

TEST(AnalyzeSamples, TableAndExitStatus)
{
    const QString clean = Sample("clean-pass.png");
    const RunResult ok = Analyze({clean});
    EXPECT_EQ(ok.Exit, 0);
    const QStringList lines = Lines(ok.Out);
    ASSERT_EQ(lines.size(), 2) << ok.Out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("IMAGE"));
    EXPECT_EQ(lines[1].simplified(), clean + " single Pass Pass Pass Pass");
    // Columns line up under the header.
    EXPECT_EQ(lines[0].indexOf("OVERALL"), lines[1].lastIndexOf("Pass"));

    EXPECT_EQ(Analyze({"--mode", "multi", clean, Sample("contact-defect.bmp")}).Exit, 1);
    const RunResult refused = Analyze({clean, Sample("no-such.png"), Sample("core-defect.png")});
    EXPECT_EQ(refused.Exit, 2);
    EXPECT_EQ(Lines(refused.Out).size(), 3) << "the images after a refused one are still checked";
}

TEST(AnalyzeSamples, SettingsThresholdChangesTheVerdict)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The core defect is grey 20, 30 after the contrast stretch: below 60, not below 20.
    const QString lenient = WriteText(
        dir, "lenient.ini", "PC Camera\r\n128,128,20,140,3.000000,5.000000\r\n3\r\n\r\n\r\n0\r\n\r\n");
    const QString defaults = WriteText(
        dir, "defaults.ini", "PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n3\r\n\r\n\r\n0\r\n\r\n");
    EXPECT_EQ(Analyze({"--settings", defaults, Sample("core-defect.png")}).Exit, 1);
    EXPECT_EQ(Analyze({"--settings", lenient, Sample("core-defect.png")}).Exit, 0);
}

TEST(AnalyzeSamples, AnnotatedImagesShowTheZoneCircles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const RunResult r = Analyze({"--annotate", dir.path(), "--mode", "both", Sample("wide-720-pass.png")});
    EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"wide-720-pass.png.multi.result.bmp", "wide-720-pass.png.single.result.bmp"}));
    const QImage image(dir.filePath("wide-720-pass.png.single.result.bmp"), "BMP");
    ASSERT_EQ(image.size(), QSize(720, 480));
    int yellow = 0, green = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
        {
            const QRgb c = image.pixel(x, y);
            yellow += c == qRgb(255, 255, 0);
            green += c == qRgb(0, 128, 0);
            blue += c == qRgb(0, 0, 255);
        }
    EXPECT_GT(yellow, 100);
    EXPECT_GT(green, 1000);
    EXPECT_GT(blue, 500);
}

TEST(AnalyzeSamples, FailedAnnotationIsAnErrorAndLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A folder where the annotated file should go: the rename over it cannot succeed.
    ASSERT_TRUE(QDir(dir.path()).mkdir("clean-pass.png.result.bmp"));
    const RunResult r = Analyze({"--annotate", dir.path(), Sample("clean-pass.png")});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Err.contains("Cannot write")) << r.Err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"clean-pass.png.result.bmp"});
}

// A file name that is not valid UTF-8 and holds a quote and a backslash: analysed, reported in
// JSON so that its bytes can be recovered, and annotated under exactly those bytes. The name
// cannot pass through QProcess (it re-encodes arguments), so the shell runs the analyser.
TEST(AnalyzeSamples, FileNamesAreKeptByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string name = "we\xE9ird \"q\" \\b.png";
    std::filesystem::copy_file(FS_SOURCE_DIR "/samples/clean-pass.png", folder + "/" + name);
    const std::string command =
        "cd '" + folder + "' && timeout 60 '" FS_ANALYZE_PATH "' --json --annotate . '" + name + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << out;
    EXPECT_EQ(out.rfind("{\"file\":\"we\\udce9ird \\\"q\\\" \\\\b.png\",\"accepted\":true,", 0), 0u) << out;
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/" + name + ".result.bmp"));
}

TEST(AnalyzeSamples, UnwritableOutputIsAnError)
{
    // /dev/full accepts the open and fails every write.
    const std::string command = "timeout 60 '" FS_ANALYZE_PATH "' --json '" FS_SOURCE_DIR
                                "/samples/clean-pass.png' > /dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

// Control characters in a name are escaped in the table as in JSON, so a line break cannot forge
// a result row.
TEST(AnalyzeSamples, TableEscapesControlCharactersInNames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath("a.png\nforged.png  single  Pass  Pass  Pass  Pass\t\x1b[2J.png");
    ASSERT_TRUE(QFile::copy(Sample("contact-defect.bmp"), name));
    const RunResult r = Analyze({"--mode", "multi", name});
    EXPECT_EQ(r.Exit, 1);
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.Out.toStdString();
    EXPECT_TRUE(lines[1].startsWith(dir.path() +
                                    "/a.png\\nforged.png  single  Pass  Pass  Pass  Pass\\t\\u001b[2J.png"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("Fail"));
    EXPECT_EQ(lines[0].indexOf("OVERALL"), lines[1].lastIndexOf("Fail"));
}

namespace
{
struct ReplaceCase
{
    const char* Name;
    QStringList Mode;
    const char* Annotation; // the annotated image of a.png, in out/
    const char* Link;       // "", "symbolic" or "hard": the second input reaches the annotation by a link
    bool Exists;            // the annotation is there before the run
};

void PrintTo(const ReplaceCase& c, std::ostream* os)
{
    *os << c.Name;
}

class AnnotationOverInput : public testing::TestWithParam<ReplaceCase>
{
};

// An annotated image that would replace an input checked later is refused before anything is
// written: the input would otherwise be checked as the annotation (Pass for a failing image).
TEST_P(AnnotationOverInput, IsRefusedBeforeAnythingIsWritten)
{
    const ReplaceCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("out"));
    const QString first = dir.filePath("a.png");
    ASSERT_TRUE(QFile::copy(Sample("clean-pass.png"), first));
    const QString annotation = dir.filePath(QString("out/") + c.Annotation);
    if (c.Exists)
    {
        ASSERT_TRUE(QFile::copy(Sample("contact-defect.bmp"), annotation));
    }
    QString second = annotation;
    const std::string link = c.Link;
    if (!link.empty())
    {
        second = dir.filePath("failing.bmp");
        if (link == "symbolic")
            std::filesystem::create_symlink(annotation.toStdString(), second.toStdString());
        else
            std::filesystem::create_hard_link(annotation.toStdString(), second.toStdString());
    }
    const QStringList before = QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden);

    const RunResult r =
        Analyze(QStringList{"--annotate", dir.filePath("out")} + c.Mode + QStringList{first, second});
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Out.isEmpty()) << r.Out.toStdString();
    EXPECT_TRUE(r.Err.contains("would replace the input")) << r.Err.toStdString();
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), before);
    if (c.Exists)
    {
        QFile written(annotation), original(Sample("contact-defect.bmp"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), original.readAll());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnotationOverInput,
    testing::Values(ReplaceCase{"SameName", {}, "a.png.result.bmp", "", true},
                    ReplaceCase{"NotThereYet", {}, "a.png.result.bmp", "", false},
                    ReplaceCase{"SymbolicLink", {}, "a.png.result.bmp", "symbolic", true},
                    ReplaceCase{"HardLink", {}, "a.png.result.bmp", "hard", true},
                    ReplaceCase{"BothModes", {"--mode", "both"}, "a.png.multi.result.bmp", "", true}),
    [](const testing::TestParamInfo<ReplaceCase>& p) { return std::string(p.param.Name); });
} // namespace
