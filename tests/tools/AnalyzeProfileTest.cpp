#include "tools/AnalyzeCommand.h"
#include "tools/EndFaceGenerator.h"
#include "tests/records/CsvReader.h"

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

// A face at cladding radius 150 px with one 6 um defect in zone B: classic passes it (its scale
// makes it about 2.9 times larger, but still within its middle class), Single mode PC does not.
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
    EXPECT_NE(r.Err.find("--profile takes classic, sm-pc, sm-apc, mm-pc or a profile file, not 'sm-upc'"), std::string::npos);
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
    EXPECT_TRUE(field("profile_rows").contains(QString::fromUtf8("B Fail: "))) << field("profile_rows").toStdString();
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
