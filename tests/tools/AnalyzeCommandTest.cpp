// The command-line analyser, run as a script runs it: the built program by path, its exit
// status, its standard output and its error lines.

#include "tests/platform/ChildProcess.h"
#include "tests/platform/HostileImages.h"
#include "tests/tools/AnalyzerRun.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
    // The engine's reader refuses a value beyond int; a check of its own once let this pass.
    WriteText(dir, "big.ini", "PC Camera\r\n2147483648,0,0,0,3.0,5.0\r\n3\r\n\r\n\r\n");
    WriteText(dir, "count.ini", "PC Camera\r\n128,128,60,140,3.0,5.0\r\nthree\r\n\r\n\r\n");
    mkfifo(dir.filePath("pipe.ini").toLocal8Bit().constData(), 0600);
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
        ArgumentCase{"SettingsThresholdBeyondInt", {"--settings=DIR/big.ini", "a.png"}, "line 2"},
        ArgumentCase{"SettingsCountUnreadable", {"--settings=DIR/count.ini", "a.png"}, "line 3"},
        ArgumentCase{"SettingsNamedPipe", {"--settings=DIR/pipe.ini", "a.png"}, "not a regular file"},
        ArgumentCase{"AnnotateNotAFolder", {"--annotate", "DIR/none", "a.png"}, "not an existing folder"},
        ArgumentCase{"AnnotateSameNameTwice", {"--annotate", "DIR", "x/a.png", "y/a.png"}, "a.png"},
        ArgumentCase{"JobsZero", {"--jobs", "0", "a.png"}, "--jobs takes"},
        ArgumentCase{"JobsNotANumber", {"--jobs=two", "a.png"}, "--jobs takes"},
        ArgumentCase{"JobsTooMany", {"--jobs", "1000", "a.png"}, "--jobs takes"},
        ArgumentCase{"LocateSideways", {"--locate", "sideways", "a.png"}, "--locate takes rays or edges"},
        ArgumentCase{"LocateWithoutValue", {"a.png", "--locate"}, "--locate needs a value"},
        ArgumentCase{
            "FirstFibreWithoutProfile", {"--first-fibre", "2", "a.png"}, "not for the classic evaluation"},
        ArgumentCase{"FirstFibreWithSingleFibreProfile",
                     {"--profile", "sm-pc", "--first-fibre", "2", "a.png"},
                     "--first-fibre is for a multi-fibre profile"},
        ArgumentCase{"FirstFibreBeyondTheFerrule",
                     {"--first-fibre", "13", "--profile", "mt-sm-apc", "a.png"},
                     "--first-fibre 13 is beyond the 12 fibres of the ferrule (12x1)"},
        ArgumentCase{"FirstFibreBeyondTheGivenFerrule",
                     {"--profile", "mt-mm-pc", "--ferrule", "16x2", "--first-fibre", "33", "a.png"},
                     "beyond the 32 fibres of the ferrule (16x2)"},
        ArgumentCase{
            "FirstFibreZero", {"--profile", "mt-sm-apc", "--first-fibre", "0", "a.png"}, "from 1 to 12"},
        ArgumentCase{"FirstFibreNotANumber",
                     {"--profile", "mt-sm-apc", "--first-fibre=2nd", "a.png"},
                     "from 1 to 12, not '2nd'"},
        ArgumentCase{
            "FirstFibreWithoutValue", {"--profile", "mt-sm-apc", "a.png", "--first-fibre"}, "needs a value"},
        ArgumentCase{"FerruleWithSingleFibreProfile",
                     {"--profile", "sm-apc", "--ferrule", "12x1", "a.png"},
                     "--ferrule is for a multi-fibre profile"},
        ArgumentCase{"FerruleOfTenPerRow",
                     {"--profile", "mt-sm-apc", "--ferrule", "10x1", "a.png"},
                     "--ferrule takes"},
        ArgumentCase{"FerruleOfThreeRows",
                     {"--profile", "mt-sm-apc", "--ferrule", "12x3", "a.png"},
                     "--ferrule takes"},
        ArgumentCase{
            "FerruleWithoutRows", {"--profile", "mt-sm-apc", "--ferrule", "12", "a.png"}, "not '12'"},
        ArgumentCase{
            "FerruleTrailing", {"--profile", "mt-sm-apc", "--ferrule", "12x1x1", "a.png"}, "--ferrule takes"},
        ArgumentCase{"MultiFibreInBothModes",
                     {"--profile", "mt-sm-apc", "--mode", "both", "a.png"},
                     "judges single mode fibres, each picture once"},
        ArgumentCase{"MultiFibreInTheOtherMode",
                     {"--mode", "multi", "--profile", "mt-sm-apc", "a.png"},
                     "mt-sm-apc judges single mode fibres"},
        ArgumentCase{
            "MultiFibreLocated", {"--profile", "mt-mm-pc", "--locate", "edges", "a.png"}, "--locate is for"},
        ArgumentCase{"MultiFibreRecorded", {"--profile", "mt-mm-pc", "--record", "a.png"}, "--record keeps"}),
    [](const testing::TestParamInfo<ArgumentCase>& p) { return p.param.Name; });

TEST(AnalyzeCommand, HelpExplainsTheOptionsAndExitsZero)
{
    const RunResult r = Analyze({"--help"});
    EXPECT_EQ(r.Exit, 0);
    for (const char* word : {"--mode", "--json", "--settings", "--annotate", "--locate", "--first-fibre",
                             "--ferrule", "No fiber", "certifies nothing", "Exit status"})
        EXPECT_TRUE(r.Out.contains(word)) << word;
    EXPECT_TRUE(r.Err.isEmpty());
}

// A missing file and a file of a size the station refuses: the station's own message, one
// error line each, exit 2, and only the keys of a refusal in JSON.
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
        EXPECT_EQ(o.keys(), (QStringList{"accepted", "error", "file", "reason"}));
        EXPECT_EQ(o["file"].toString(), files[i]);
        EXPECT_EQ(o["accepted"], QJsonValue(false));
        EXPECT_EQ(o["error"].toString(), "Cannot open this image file");
    }
    const QStringList errors = Lines(r.Err);
    ASSERT_EQ(errors.size(), 3) << r.Err.toStdString();
    EXPECT_TRUE(errors[1].contains("does not exist"));
}

struct RefusalCase
{
    const char* Name;
    const char* Says;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.Name;
}

class AnalyzeRefusal : public testing::TestWithParam<RefusalCase>
{
};

// Each refusal says what was wrong with the file, in the error line and in JSON, and a good
// image after it is still checked.
TEST_P(AnalyzeRefusal, SaysWhyAndChecksTheNextImage)
{
    const RefusalCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = WriteImage(dir, "good.png", EndFaceRecipe());
    QString path = dir.filePath(c.Name);
    const std::string name = c.Name;
    if (name == "folder")
        ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    else if (name == "pipe")
        ASSERT_EQ(mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    else if (name == "notes.bmp")
        WriteText(dir, c.Name, "not a picture");
    else if (name == "cmyk.jpg")
        WriteFile(path.toStdString(), MakeCmykJpeg(640, 480));
    else if (name == "two-bits.bmp")
    {
        TBmpLayout layout = BmpLayout(640, 480, 4);
        layout.Palette.assign(16, TRgba{});
        layout.Indices.assign(640u * 480u, 0);
        TBytes bmp = MakeBmp(layout);
        bmp[28] = 2; // bits per pixel
        WriteFile(path.toStdString(), bmp);
    }
    else if (name == "cut.png")
    {
        QFile whole(good);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        WriteText(dir, c.Name, whole.readAll().left(2000));
    }
    else if (name == "large.png")
    {
        EndFaceRecipe large;
        large.Width = 800;
        large.Height = 600;
        WriteImage(dir, c.Name, large);
    }

    const RunResult r = Analyze({"--json", path, good});
    EXPECT_EQ(r.Exit, 2);
    const QStringList errors = Lines(r.Err);
    ASSERT_EQ(errors.size(), 1) << r.Err.toStdString();
    EXPECT_TRUE(errors[0].contains("Cannot open this image file")) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(c.Says)) << errors[0].toStdString();
    const QStringList lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 2) << r.Out.toStdString();
    EXPECT_TRUE(ParseLine(lines[0])["reason"].toString().contains(c.Says));
    EXPECT_EQ(ParseLine(lines[1])["accepted"], QJsonValue(true));
}

INSTANTIATE_TEST_SUITE_P(
    Files, AnalyzeRefusal,
    testing::Values(RefusalCase{"missing.png", "does not exist"}, RefusalCase{"folder", "not a regular file"},
                    RefusalCase{"pipe", "not a regular file"},
                    RefusalCase{"notes.bmp", "not a BMP, JPEG or PNG image"},
                    RefusalCase{"cmyk.jpg", "does not read: CMYK JPEG"},
                    RefusalCase{"two-bits.bmp", "does not read: BMP of 2 bits per pixel"},
                    RefusalCase{"cut.png", "damaged or truncated"},
                    RefusalCase{"large.png", "is 800 x 600 pixels; only 640 x 480 and 720 x 480"}),
    [](const testing::TestParamInfo<RefusalCase>& p) {
        std::string name = p.param.Name;
        return name.substr(0, name.find_first_of(".-"));
    });

// Under an address-space limit of 512 MB, files that claim 16384 x 16384 pixels are refused for
// their size, and the image after them is still checked.
TEST(AnalyzeCommand, HugeClaimsUnderAnAddressSpaceLimitAreRefusedOneByOne)
{
    if (SanitizerBuild)
        GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList args;
    const std::vector<THostileImage> images = HostileImages();
    for (const THostileImage& image : images)
    {
        args << dir.filePath(QString::fromStdString(image.Name));
        WriteFile(args.back().toStdString(), image.File);
    }
    args << WriteImage(dir, "good.png", EndFaceRecipe());

    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit limit{512ull << 20, 512ull << 20};
        setrlimit(RLIMIT_AS, &limit);
    });
    p.start(FS_ANALYZE_PATH, args);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
    const QStringList errors = Lines(QString::fromUtf8(p.readAllStandardError()));
    ASSERT_EQ(errors.size(), static_cast<qsizetype>(images.size()));
    for (const QString& e : errors)
        EXPECT_TRUE(e.contains("is 16384 x 16384 pixels")) << e.toStdString();
    const QStringList rows = Lines(QString::fromUtf8(p.readAllStandardOutput()));
    ASSERT_EQ(rows.size(), 2); // the header and the good image
    EXPECT_TRUE(rows[1].startsWith(args.back())) << rows[1].toStdString();
}

// Several jobs give the output of one, byte for byte and in the order of the arguments, for
// passing, failing, refused and missing images, the heaviest face to search and a picture
// without a fiber (the dark frame),
// as a table and as JSON, with annotated images.
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
           << WriteImage(dir, "dark.png", DarkScratchedFrame())
           << WriteImage(dir, "speckled.png", SpeckledEndFace()); // the heaviest detection
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
