#include "tests/records/CsvReader.h"
#include "tools/AnalyzeCommand.h"
#include "tools/EndFaceGenerator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace
{
struct CommandRun
{
    int Status;
    std::string Out;
    std::string Err;
};

CommandRun Analyze(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunAnalyzeCommand(args, out, err);
    return {status, out.str(), err.str()};
}

// A face at cladding radius 150 px with one 6 um defect in zone B: Single mode PC fails it, and so
// does classic (its scale makes it about 2.9 times larger: above its middle class).
std::string SixMicrometreDefect()
{
    EndFaceRecipe recipe;
    const float px = 150.0f / 62.5f;
    recipe.Defects = {{40 * px, 0, 6 * px, 20}};
    // One file per test: CTest runs the tests of this file side by side.
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string("fs-profile-six-") +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
    std::string error;
    EXPECT_TRUE(WriteEndFace(MakeEndFace(recipe), true, path.string(), error)) << error;
    return path.string();
}

QJsonObject JsonObject(const std::string& line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return doc.object();
}

// A JSON value as text, so that a failure shows it: a string bare, an array or object compact.
std::string Text(const QJsonValue& v)
{
    if (v.isString())
        return v.toString().toStdString();
    const QJsonDocument doc = v.isArray() ? QJsonDocument(v.toArray()) : QJsonDocument(v.toObject());
    return doc.toJson(QJsonDocument::Compact).toStdString();
}
} // namespace

TEST(AnalyzeProfile, ListsTheProfiles)
{
    const CommandRun r = Analyze({"--list-profiles"});
    EXPECT_EQ(r.Status, ExitPass);
    for (const char* name : {"classic", "sm-pc", "sm-apc", "mm-pc"})
        EXPECT_NE(r.Out.find(std::string(name) + " "), std::string::npos) << name;
}

TEST(AnalyzeProfile, UnknownProfileIsRefused)
{
    const CommandRun r = Analyze({"--profile", "sm-upc", "x.png"});
    EXPECT_EQ(r.Status, ExitError);
    EXPECT_NE(
        r.Err.find("--profile takes classic, sm-pc, sm-apc, mm-pc, mt-sm-apc, mt-mm-pc or a profile file, "
                   "not 'sm-upc'"),
        std::string::npos);
}

TEST(AnalyzeProfile, JsonCarriesProfileScaleAndTrueSizes)
{
    const std::string image = SixMicrometreDefect();
    const CommandRun plain = Analyze({"--json", image});
    const CommandRun classic = Analyze({"--json", "--profile", "classic", image});
    const CommandRun smPc = Analyze({"--json", "--profile", "sm-pc", image});
    std::filesystem::remove(image);

    EXPECT_EQ(plain.Out.find("\"profile\""), std::string::npos);
    // The classic profile's object follows the unchanged classic output.
    ASSERT_GT(classic.Out.size(), plain.Out.size());
    EXPECT_EQ(classic.Out.substr(0, plain.Out.size() - 2), plain.Out.substr(0, plain.Out.size() - 2));
    EXPECT_NE(classic.Out.find("\"profile\":{\"name\":\"classic\""), std::string::npos);
    EXPECT_EQ(classic.Status, plain.Status);

    EXPECT_EQ(smPc.Status, ExitFail);
    EXPECT_NE(smPc.Out.find("\"profile\":{\"name\":\"sm-pc\""), std::string::npos);
    EXPECT_NE(smPc.Out.find("\"um_per_pixel\":0.41"), std::string::npos);
    EXPECT_NE(smPc.Out.find("\"diameter_um\":"), std::string::npos);
    EXPECT_NE(smPc.Out.find("\"name\":\"Zone B (25~115 \u03bcm)\""), std::string::npos);
}

TEST(AnalyzeProfile, TableNamesTheZonesOfTheProfile)
{
    const std::string image = SixMicrometreDefect();
    const CommandRun r = Analyze({"--profile", "sm-pc", image});
    std::filesystem::remove(image);
    EXPECT_EQ(r.Status, ExitFail);
    EXPECT_NE(r.Out.find("D     OVERALL"), std::string::npos);
    EXPECT_NE(r.Out.find("sm-pc   Pass  Fail      Pass     Pass  Fail"), std::string::npos) << r.Out;
}

// The CSV ends in the profile, the scale, its rows and every finding's size; a plant's profile
// file is a profile like the built-in ones, and a faulty one is refused before any image.
TEST(AnalyzeProfile, CsvCarriesTheProfileAndAPlantsFileJudgesLikeABuiltInOne)
{
    const std::string image = SixMicrometreDefect();
    const CommandRun csv = Analyze({"--csv", "--profile", "sm-pc", image});
    EXPECT_EQ(csv.Status, ExitFail);
    const std::vector<QStringList> rows = ReadCsv(QByteArray::fromStdString(csv.Out));
    ASSERT_EQ(rows.size(), 2u) << csv.Out;
    const auto field = [&](const char* name) { return rows[1].value(rows[0].indexOf(QLatin1String(name))); };
    EXPECT_EQ(field("profile"), "sm-pc");
    EXPECT_EQ(field("verdict"), "Fail");
    EXPECT_NEAR(field("um_per_pixel").toDouble(), 62.5 / 150, 0.01);
    EXPECT_TRUE(field("profile_rows").contains(QString::fromUtf8("B Fail: ")))
        << field("profile_rows").toStdString();
    const QString sizes = field("findings_um");
    ASSERT_TRUE(sizes.startsWith("defect ")) << sizes.toStdString();
    EXPECT_NEAR(sizes.mid(7).toDouble(), 6.0, 0.5);

    const auto dir = std::filesystem::temp_directory_path() / "fs-analyze-plant-profile";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "plant.profile") << "profile plant-y\nzone All 0 250\ndefect >=7 none\n";
    std::ofstream(dir / "bad.profile") << "profile bad\nzone All 0 250\ndefect seven none\n";
    const CommandRun plant = Analyze({"--profile", (dir / "plant.profile").string(), image});
    EXPECT_EQ(plant.Status, ExitPass) << plant.Err;
    EXPECT_NE(plant.Out.find("plant-y"), std::string::npos) << plant.Out;
    const CommandRun bad = Analyze({"--profile", (dir / "bad.profile").string(), image});
    EXPECT_EQ(bad.Status, ExitError);
    EXPECT_NE(bad.Err.find("bad.profile: line 3: size class 'seven'"), std::string::npos) << bad.Err;
    std::filesystem::remove_all(dir);
    std::filesystem::remove(image);
}

// Where a true-size profile and the classic evaluation disagree, either way, the object's own
// verdicts are the profile's, as the exit status and the CSV are; the classic ones stand apart,
// exactly as a run without a profile gives them.
TEST(AnalyzeProfile, JsonVerdictIsTheProfilesWithTheClassicOneBeside)
{
    // A plant's profile that allows nothing: the small spots classic lets through fail it.
    const auto dir = std::filesystem::temp_directory_path() / "fs-analyze-spotless-profile";
    std::filesystem::create_directories(dir);
    const std::string spotless = (dir / "spotless.profile").string();
    std::ofstream(spotless) << "profile spotless\nzone All 0 250\nscratch any none\ndefect any none\n";
    const std::string samples = FS_SOURCE_DIR "/samples/";
    const struct
    {
        const char* Image;
        std::string Profile;
        const char* Classic;
        const char* Verdict;
        int Status;
    } cases[] = {
        {"cladding-scratch.png", "sm-pc", "Fail", "Pass", ExitPass},
        {"contact-defect.bmp", "sm-apc", "Fail", "Pass", ExitPass},
        {"core-defect.png", "mm-pc", "Fail", "Pass", ExitPass},
        {"wide-720-pass.png", spotless, "Pass", "Fail", ExitFail},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.Image) + " " + c.Profile);
        const std::string image = samples + c.Image;
        const CommandRun plain = Analyze({"--json", image});
        const CommandRun json = Analyze({"--json", "--profile", c.Profile, image});
        const CommandRun csv = Analyze({"--csv", "--profile", c.Profile, image});
        const QJsonObject classic = JsonObject(plain.Out);
        ASSERT_EQ(Text(classic["overall"]), c.Classic) << plain.Out;

        const QJsonObject o = JsonObject(json.Out);
        const QJsonObject profile = o["profile"].toObject();
        EXPECT_EQ(json.Status, c.Status);
        EXPECT_EQ(Text(o["overall"]), c.Verdict);
        EXPECT_EQ(Text(profile["overall"]), c.Verdict);
        // One verdict per zone of the profile, in its order: four for the IEC tables, one for the plant's.
        QJsonArray zones;
        for (const QJsonValue& zone : profile["zones"].toArray())
            zones.append(zone.toObject()["verdict"]);
        EXPECT_EQ(Text(o["zone_verdicts"]), Text(zones));
        EXPECT_EQ(Text(o["classic"]), Text(QJsonObject{{"zone_verdicts", classic["zone_verdicts"]},
                                                       {"overall", classic["overall"]}}));

        EXPECT_EQ(csv.Status, c.Status);
        const std::vector<QStringList> rows = ReadCsv(QByteArray::fromStdString(csv.Out));
        ASSERT_EQ(rows.size(), 2u) << csv.Out;
        EXPECT_EQ(rows[1].value(rows[0].indexOf(QLatin1String("verdict"))).toStdString(), c.Verdict);
    }
    std::filesystem::remove_all(dir);
}
