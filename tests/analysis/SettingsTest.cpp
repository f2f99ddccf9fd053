#include "TestSupport.h"
#include "analysis/TFiberAnalyzer.h"
#include "tests/platform/ChildProcess.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const std::string DefaultsWithFolder = "PC Camera\r\n"
                                       "128,128,60,140,3.000000,5.000000\r\n"
                                       "3\r\n"
                                       "\r\n"
                                       "\r\n"
                                       "0\r\n"
                                       "C:\\Images\r\n";

void ExpectSameSettings(const TFiberAnalyzer& a, const TFiberAnalyzer& b)
{
    EXPECT_EQ(a.DeviceName, b.DeviceName);
    EXPECT_EQ(a.LowerThreshold, b.LowerThreshold);
    EXPECT_EQ(a.UpperThreshold, b.UpperThreshold);
    EXPECT_EQ(a.CoreCladThreshold, b.CoreCladThreshold);
    EXPECT_EQ(a.ContactThreshold, b.ContactThreshold);
    EXPECT_EQ(a.CoreDefectPercent, b.CoreDefectPercent);
    EXPECT_EQ(a.CladDefectPercent, b.CladDefectPercent);
    EXPECT_EQ(a.CaptureCount, b.CaptureCount);
    EXPECT_EQ(a.SpareText1, b.SpareText1);
    EXPECT_EQ(a.SpareText2, b.SpareText2);
    EXPECT_EQ(a.ShowCounts, b.ShowCounts);
    EXPECT_EQ(a.ImageFolder, b.ImageFolder);
}

// An analyzer whose every settings field differs from the defaults.
void Scramble(TFiberAnalyzer& a)
{
    a.DeviceName = "other";
    a.LowerThreshold = a.UpperThreshold = a.CoreCladThreshold = a.ContactThreshold = -7;
    a.CoreDefectPercent = a.CladDefectPercent = 42.0f;
    a.CaptureCount = 9;
    a.SpareText1 = a.SpareText2 = "x";
    a.ShowCounts = 1;
    a.ImageFolder = "/elsewhere";
}
} // namespace

TEST(Settings, DefaultsAreWrittenByteForByte)
{
    TempDir dir;
    TFiberAnalyzer a;
    a.ImageFolder = "C:\\Images";
    a.SaveSettings(dir / "SystemSetting.ini");
    EXPECT_EQ(ReadBytes(dir / "SystemSetting.ini"), DefaultsWithFolder);

    TFiberAnalyzer b;
    Scramble(b);
    b.LoadSettings(dir / "SystemSetting.ini");
    ExpectSameSettings(a, b);
}

TEST(Settings, RoundTripKeepsEveryField)
{
    TempDir dir;
    TFiberAnalyzer a;
    a.DeviceName = "USB Scope, Model 2 (HD)";
    a.LowerThreshold = -5;
    a.UpperThreshold = 250;
    a.CoreCladThreshold = 61;
    a.ContactThreshold = 139;
    a.CoreDefectPercent = 2.5f;
    a.CladDefectPercent = 0.125f;
    a.CaptureCount = 1;
    a.SpareText1 = "spare, one";
    a.ShowCounts = 1;
    a.ImageFolder = "/home/op/end faces, 2026";
    const std::string path = dir / "s.ini";
    a.SaveSettings(path);
    EXPECT_EQ(ReadBytes(path), "USB Scope, Model 2 (HD)\r\n-5,250,61,139,2.500000,0.125000\r\n1\r\n"
                               "spare, one\r\n\r\n1\r\n/home/op/end faces, 2026\r\n");

    TFiberAnalyzer b;
    Scramble(b);
    b.LoadSettings(path);
    ExpectSameSettings(a, b);
    b.SaveSettings(dir / "again.ini");
    EXPECT_EQ(ReadBytes(dir / "again.ini"), ReadBytes(path));
}

TEST(Settings, ShortFilesLeaveTheMissingFieldsAlone)
{
    TempDir dir;
    TFiberAnalyzer a;
    Scramble(a);
    WriteBytes(dir / "five.ini", "Cam\r\n1,2,3,4,5.000000,6.000000\r\n7\r\nA\r\nB\r\n");
    a.LoadSettings(dir / "five.ini");
    EXPECT_EQ(a.DeviceName, "Cam");
    EXPECT_EQ(a.ContactThreshold, 4);
    EXPECT_EQ(a.CladDefectPercent, 6.0f);
    EXPECT_EQ(a.CaptureCount, 7);
    EXPECT_EQ(a.SpareText2, "B");
    EXPECT_EQ(a.ShowCounts, 1);
    EXPECT_EQ(a.ImageFolder, "/elsewhere");

    WriteBytes(dir / "six.ini", "Cam\r\n1,2,3,4,5,6\r\n7\r\n\r\n\r\n0\r\n");
    a.LoadSettings(dir / "six.ini");
    EXPECT_EQ(a.SpareText1, "");
    EXPECT_EQ(a.ShowCounts, 0);
    EXPECT_EQ(a.ImageFolder, "/elsewhere");

    // A last line without its line end still counts; lines after the seventh are ignored.
    WriteBytes(dir / "open.ini", "Cam\r\n1,2,3,4,5,6\r\n7\r\n\r\n\r\n1\r\n/img");
    a.LoadSettings(dir / "open.ini");
    EXPECT_EQ(a.ShowCounts, 1);
    EXPECT_EQ(a.ImageFolder, "/img");
    WriteBytes(dir / "eight.ini", "Cam\r\n1,2,3,4,5,6\r\n7\r\n\r\n\r\n0\r\n/seven\r\n/eight\r\n");
    a.LoadSettings(dir / "eight.ini");
    EXPECT_EQ(a.ImageFolder, "/seven");
}

TEST(Settings, ReadingStopsAtTheFirstValueThatDoesNotConvert)
{
    TempDir dir;
    TFiberAnalyzer a;
    WriteBytes(dir / "s.ini", "PC Camera\r\n100,abc,60,140,3,5\r\nfour\r\n\r\n\r\n1\r\n/img\r\n");
    a.LoadSettings(dir / "s.ini");
    EXPECT_EQ(a.LowerThreshold, 100);
    EXPECT_EQ(a.UpperThreshold, 128);
    EXPECT_EQ(a.CoreCladThreshold, 60);
    EXPECT_EQ(a.ContactThreshold, 140);
    EXPECT_EQ(a.CoreDefectPercent, 3.0f);
    EXPECT_EQ(a.CaptureCount, 3);
    // The bad lines do not shift the lines after them.
    EXPECT_EQ(a.ShowCounts, 1);
    EXPECT_EQ(a.ImageFolder, "/img");

    // A number too large for an int does not convert either.
    WriteBytes(dir / "big.ini", "PC Camera\r\n 7, -8,99999999999,1,2,3\r\n");
    a.LoadSettings(dir / "big.ini");
    EXPECT_EQ(a.LowerThreshold, 7);
    EXPECT_EQ(a.UpperThreshold, -8);
    EXPECT_EQ(a.CoreCladThreshold, 60);
}

TEST(Settings, FractionalPercentIsKept)
{
    TempDir dir;
    TFiberAnalyzer a;
    WriteBytes(dir / "s.ini", "PC Camera\r\n128,128,60,140,2.5,5\r\n3\r\n\r\n\r\n0\r\n\r\n");
    a.LoadSettings(dir / "s.ini");
    EXPECT_EQ(a.CoreDefectPercent, 2.5f);
    a.SaveSettings(dir / "s.ini");
    EXPECT_EQ(ReadBytes(dir / "s.ini"),
              "PC Camera\r\n128,128,60,140,2.500000,5.000000\r\n3\r\n\r\n\r\n0\r\n\r\n");
}

TEST(Settings, LongTextLinesAreCutWithoutShiftingTheNextLines)
{
    TempDir dir;
    TFiberAnalyzer a;
    const std::string name(400, 'n');
    const std::string spare(600, 's');
    WriteBytes(dir / "s.ini", name + "\r\n1,2,3,4,5,6\r\n7\r\n" + spare + "\r\nB\r\n1\r\nF\r\n");
    a.LoadSettings(dir / "s.ini");
    EXPECT_EQ(a.DeviceName, std::string(299, 'n'));
    EXPECT_EQ(a.LowerThreshold, 1);
    EXPECT_EQ(a.SpareText1, std::string(499, 's'));
    EXPECT_EQ(a.SpareText2, "B");
    EXPECT_EQ(a.ImageFolder, "F");
}

TEST(Settings, MissingOrUnreadableFileChangesNothing)
{
    TempDir dir;
    TFiberAnalyzer a;
    Scramble(a);
    TFiberAnalyzer before;
    Scramble(before);
    a.LoadSettings(dir / "absent.ini");
    ExpectSameSettings(a, before);
    // A folder in place of the file exists but cannot be read as one.
    std::filesystem::create_directory(dir / "folder.ini");
    a.LoadSettings(dir / "folder.ini");
    ExpectSameSettings(a, before);
}

TEST(Settings, FailedSaveKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir / "s.ini";
    WriteBytes(path, DefaultsWithFolder);
    WriteBytes(dir / "plain", "not a folder");

    TFiberAnalyzer a;
    EXPECT_THROW(a.SaveSettings(dir / "plain/s.ini"), std::runtime_error);
    EXPECT_THROW(a.SaveSettings(dir / "missing/s.ini"), std::runtime_error);
    try
    {
        a.SaveSettings(dir / "missing/s.ini");
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_NE(std::string(e.what()).find("missing/s.ini"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }

    // A text with a line break would shift the lines after it: refused, old file untouched.
    a.DeviceName = "two\nlines";
    EXPECT_THROW(a.SaveSettings(path), std::runtime_error);
    EXPECT_EQ(ReadBytes(path), DefaultsWithFolder);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "temporary file left";
}

// A settings file linked into the start folder stays a link: the save lands in its target.
TEST(Settings, SaveWritesThroughALink)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "shared");
    WriteBytes(dir / "shared/SystemSetting.ini", DefaultsWithFolder);
    std::filesystem::create_symlink("shared/SystemSetting.ini", dir / "SystemSetting.ini");
    TFiberAnalyzer a;
    a.CaptureCount = 5;
    a.SaveSettings(dir / "SystemSetting.ini");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "SystemSetting.ini"));
    TFiberAnalyzer b;
    b.LoadSettings(dir / "shared/SystemSetting.ini");
    EXPECT_EQ(b.CaptureCount, 5);
}

TEST(Settings, NumbersIgnoreTheProcessLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    TempDir dir;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
    {
        // Machines without a comma locale get one compiled into the test's folder.
        const std::string compile =
            "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(compile.c_str()) == 0)
        {
            ::setenv("LOCPATH", dir.Path().c_str(), 1);
            std::setlocale(LC_ALL, "de_DE.UTF-8");
            ::unsetenv("LOCPATH");
        }
    }
    if (std::localeconv()->decimal_point[0] != ',')
    {
        std::setlocale(LC_ALL, previous.c_str());
        GTEST_SKIP() << "no comma locale available";
    }
    TFiberAnalyzer a;
    a.CoreDefectPercent = 2.5f;
    a.SaveSettings(dir / "s.ini");
    TFiberAnalyzer b;
    b.LoadSettings(dir / "s.ini");
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(ReadBytes(dir / "s.ini"),
              "PC Camera\r\n128,128,60,140,2.500000,5.000000\r\n3\r\n\r\n\r\n0\r\n\r\n");
    EXPECT_EQ(b.CoreDefectPercent, 2.5f);
    EXPECT_EQ(b.CladDefectPercent, 5.0f);
}

namespace
{
struct TSourceCase
{
    const char* Name;
    void (*Make)(const std::string& path);
};

void PrintTo(const TSourceCase& c, std::ostream* os)
{
    *os << c.Name;
}

struct TLoadOutcome
{
    TSettingsLoad::TFile File = TSettingsLoad::Read;
    int Lines = -1;
    bool FieldsKept = false;
    std::size_t DeviceNameLength = 0;
};

class SettingsSource : public testing::TestWithParam<TSourceCase>
{
};

// What a settings path may point at besides a settings file. Each load runs in a child with an
// alarm, so a reader that blocks or reads without end fails the case instead of hanging.
TEST_P(SettingsSource, IsReadBoundedOrNotAtAll)
{
    TempDir dir;
    const std::string path = dir / "SystemSetting.ini";
    GetParam().Make(path);
    const auto outcome = RunInChild<TLoadOutcome>([&] {
        alarm(10);
        TFiberAnalyzer a, before;
        Scramble(a);
        Scramble(before);
        const TSettingsLoad load = a.LoadSettings(path);
        TLoadOutcome o;
        o.File = load.File;
        o.Lines = load.Lines;
        o.DeviceNameLength = a.DeviceName.size();
        o.FieldsKept = a.DeviceName == before.DeviceName && a.LowerThreshold == before.LowerThreshold &&
                       a.ImageFolder == before.ImageFolder;
        return o;
    });
    ASSERT_TRUE(outcome) << "the load blocked, ran too long or crashed";
    if (std::string(GetParam().Name) == "HugeFileWithoutLineEnd")
    {
        EXPECT_EQ(outcome->File, TSettingsLoad::Read);
        EXPECT_EQ(outcome->Lines, 1);
        EXPECT_EQ(outcome->DeviceNameLength, 299u);
        return;
    }
    EXPECT_EQ(outcome->File, TSettingsLoad::NotRegularFile);
    EXPECT_TRUE(outcome->FieldsKept);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SettingsSource,
    testing::Values(
        TSourceCase{"NamedPipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        TSourceCase{"LinkToDevZero",
                    [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }},
        TSourceCase{"LinkToDevNull",
                    [](const std::string& p) { std::filesystem::create_symlink("/dev/null", p); }},
        // 64 GB, sparse: a reader that looked for seven line ends would read it all.
        TSourceCase{"HugeFileWithoutLineEnd",
                    [](const std::string& p) {
                        WriteBytes(p, "x");
                        std::filesystem::resize_file(p, 64ull << 30);
                    }}),
    [](const testing::TestParamInfo<TSourceCase>& p) { return std::string(p.param.Name); });

struct TTakenCase
{
    const char* Name;
    const char* File;
    int Lines;
    unsigned Taken; // bit n - 1 for line n
};

void PrintTo(const TTakenCase& c, std::ostream* os)
{
    *os << c.Name;
}

class SettingsLinesTaken : public testing::TestWithParam<TTakenCase>
{
};

// The loader tells which lines set their fields in full: the analyser refuses a file on this.
TEST_P(SettingsLinesTaken, AreReportedLineByLine)
{
    TempDir dir;
    WriteBytes(dir / "s.ini", GetParam().File);
    TFiberAnalyzer a;
    const TSettingsLoad load = a.LoadSettings(dir / "s.ini");
    EXPECT_EQ(load.File, TSettingsLoad::Read);
    EXPECT_EQ(load.Lines, GetParam().Lines);
    EXPECT_EQ(load.Taken, GetParam().Taken);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsLinesTaken,
    testing::Values(TTakenCase{"AllSeven", "C\r\n1,2,3,4,5.0,6.0\r\n3\r\n\r\n\r\n0\r\n/img\r\n", 7, 0x7F},
                    TTakenCase{"FiveLines", "C\r\n1,2,3,4,5,6\r\n3\r\nA\r\nB\r\n", 5, 0x1F},
                    TTakenCase{"ThresholdBeyondInt", "C\r\n2147483648,0,0,0,3.0,5.0\r\n3\r\n\r\n\r\n", 5,
                               0x1D},
                    TTakenCase{"FiveValuesOnly", "C\r\n128,128,60,140,3.0\r\n3\r\n\r\n\r\n", 5, 0x1D},
                    TTakenCase{"CountNotANumber", "C\r\n1,2,3,4,5,6\r\nthree\r\n\r\n\r\n", 5, 0x1B},
                    TTakenCase{"ShowCountsNotANumber", "C\r\n1,2,3,4,5,6\r\n3\r\n\r\n\r\nyes\r\n", 6, 0x1F},
                    TTakenCase{"Empty", "", 0, 0}),
    [](const testing::TestParamInfo<TTakenCase>& p) { return std::string(p.param.Name); });
} // namespace
