// The command-line analyser, run as a script runs it: the built program by path, its exit
// status, its standard output and its error lines.

#include "tests/tools/AnalyzerRun.h"

#include <QDir>
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
        ArgumentCase{"AnnotateSameNameTwice", {"--annotate", "DIR", "x/a.png", "y/a.png"}, "a.png"},
        ArgumentCase{"JobsZero", {"--jobs", "0", "a.png"}, "--jobs takes"},
        ArgumentCase{"JobsNotANumber", {"--jobs=two", "a.png"}, "--jobs takes"},
        ArgumentCase{"JobsTooMany", {"--jobs", "1000", "a.png"}, "--jobs takes"}),
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

// Several jobs give the output of one, byte for byte and in the order of the arguments, for
// passing, failing, refused and missing images, as a table and as JSON, with annotated images.
TEST(AnalyzeCommand, JobsGiveTheSameBytesAsOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList images;
    for (const char* name : {"clean-pass.png", "core-defect.png", "cladding-scratch.png",
                                "contact-defect.bmp", "wide-720-pass.png"})
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(FS_SOURCE_DIR "/samples/") + name, dir.filePath(name)));
        images << dir.filePath(name);
    }
    images << WriteImage(dir, "typical.jpg", TypicalEndFace())
           << WriteImage(dir, "dark.png", DarkScratchedFrame());
    WriteText(dir, "broken.png", "not an image");
    images.insert(2, dir.filePath("broken.png"));
    images.insert(5, dir.filePath("missing.png"));
    for (const QStringList& options : {QStringList{"--mode", "both"}, QStringList{"--json", "--mode", "both"},
                                       QStringList{"--mode", "multi"}})
    {
        QTemporaryDir one, many;
        const RunResult serial =
            Analyze(options + QStringList{"--jobs", "1", "--annotate", one.path()} + images);
        const RunResult parallel =
            Analyze(options + QStringList{"--jobs=3", "--annotate", many.path()} + images);
        EXPECT_EQ(serial.Exit, 2);
        EXPECT_EQ(parallel.Exit, serial.Exit);
        EXPECT_EQ(parallel.Out.toStdString(), serial.Out.toStdString()) << options.join(' ').toStdString();
        EXPECT_EQ(parallel.Err.toStdString(), serial.Err.toStdString());
        const QStringList written = QDir(one.path()).entryList(QDir::Files);
        EXPECT_EQ(QDir(many.path()).entryList(QDir::Files), written);
        for (const QString& name : written)
        {
            QFile a(one.filePath(name)), b(many.filePath(name));
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            EXPECT_TRUE(a.readAll() == b.readAll()) << name.toStdString();
        }
    }
}
