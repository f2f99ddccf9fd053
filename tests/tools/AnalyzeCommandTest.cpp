// The command-line analyser, run as a script runs it: the built program by path, its exit
// status, its standard output and its error lines.

#include "tests/tools/AnalyzerRun.h"

#include <gtest/gtest.h>

struct ArgumentCase
{
    const char* Name;
    QStringList Args;
    const char* Says; // part of the one error line
};

void PrintTo(const ArgumentCase& c, std::ostream* os)
{
    *os << c.Name;
}

class AnalyzeArguments : public testing::TestWithParam<ArgumentCase>
{
};

TEST_P(AnalyzeArguments, WrongArgumentsExitTwoWithOneLine)
{
    const ArgumentCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList args;
    for (QString a : c.Args)
        args << a.replace("DIR", dir.path());
    WriteText(dir, "short.ini", "PC Camera\r\n");
    WriteText(dir, "bad.ini", "PC Camera\r\n128,128,sixty,140,3.000000,5.000000\r\n3\r\n\r\n\r\n");
    const RunResult r = Analyze(args);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_TRUE(r.Out.isEmpty()) << r.Out.toStdString();
    EXPECT_EQ(Lines(r.Err).size(), 1) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(c.Says)) << r.Err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyzeArguments,
    testing::Values(
        ArgumentCase{"NoImage", {}, "no image"}, ArgumentCase{"NoImageAfterOptions", {"--json"}, "no image"},
        ArgumentCase{"UnknownOption", {"--verbose", "a.png"}, "unknown option --verbose"},
        ArgumentCase{"BadMode", {"--mode", "dual", "a.png"}, "single, multi or both"},
        ArgumentCase{"BadModeWithEquals", {"--mode=", "a.png"}, "single, multi or both"},
        ArgumentCase{"ModeWithoutValue", {"a.png", "--mode"}, "--mode needs a value"},
        ArgumentCase{"SettingsMissing", {"--settings", "DIR/none.ini", "a.png"}, "does not exist"},
        ArgumentCase{"SettingsIsFolder", {"--settings", "DIR", "a.png"}, "is a folder"},
        ArgumentCase{"SettingsTooShort", {"--settings", "DIR/short.ini", "a.png"}, "too short"},
        ArgumentCase{"SettingsThresholdsUnreadable", {"--settings=DIR/bad.ini", "a.png"}, "line 2"},
        ArgumentCase{"AnnotateNotAFolder", {"--annotate", "DIR/none", "a.png"}, "not an existing folder"},
        ArgumentCase{"AnnotateSameNameTwice", {"--annotate", "DIR", "x/a.png", "y/a.png"}, "a.png"}),
    [](const testing::TestParamInfo<ArgumentCase>& p) { return p.param.Name; });

TEST(AnalyzeCommand, HelpExplainsTheOptionsAndExitsZero)
{
    const RunResult r = Analyze({"--help"});
    EXPECT_EQ(r.Exit, 0);
    for (const char* word : {"--mode", "--json", "--settings", "--annotate", "Exit status"})
        EXPECT_TRUE(r.Out.contains(word)) << word;
    EXPECT_TRUE(r.Err.isEmpty());
}

// A missing file and a file of a size the station refuses: the station's own message, one
// error line each, exit 2, and only the three keys of a refusal in JSON.
TEST(AnalyzeCommand, RefusedFilesGiveTheRefusalObject)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EndFaceRecipe shortImage;
    shortImage.Height = 479;
    const QString wrongSize = WriteImage(dir, "short.png", shortImage);
    const QString missing = dir.filePath("missing.png");
    const QString notAnImage = WriteText(dir, "notes.png", "not a picture");

    const RunResult r = Analyze({"--json", "--mode", "both", wrongSize, missing, notAnImage});
    EXPECT_EQ(r.Exit, 2);
    const QStringList lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 3) << r.Out.toStdString();
    const QString files[3] = {wrongSize, missing, notAnImage};
    for (int i = 0; i < 3; ++i)
    {
        const QJsonObject o = ParseLine(lines[i]);
        EXPECT_EQ(o.keys(), (QStringList{"accepted", "error", "file"}));
        EXPECT_EQ(o["file"].toString(), files[i]);
        EXPECT_EQ(o["accepted"], QJsonValue(false));
        EXPECT_EQ(o["error"].toString(), "Cannot open this image file");
    }
    const QStringList errors = Lines(r.Err);
    ASSERT_EQ(errors.size(), 3) << r.Err.toStdString();
    EXPECT_TRUE(errors[1].contains("no such file"));
}
