// The settings reader and the save/load round trip, through the file entry points the program
// uses. Contract: any file loads without blocking or growing (at most seven lines, texts within
// their limits, no line break in a text); what was loaded saves; the saved file loads back with
// every one of its seven lines taken and saves again to the same bytes.

#include "analysis/TFiberAnalyzer.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"

#include <fstream>
#include <iterator>

namespace
{
std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HasLineBreak(const std::string& s)
{
    return s.find_first_of("\r\n") != std::string::npos;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteFuzzFile("SystemSetting.ini", data, size);
    TFiberAnalyzer a;
    const TSettingsLoad load = a.LoadSettings(path);
    FUZZ_CHECK(load.File == TSettingsLoad::Read);
    FUZZ_CHECK(load.Lines >= 0 && load.Lines <= 7 && (load.Taken >> load.Lines) == 0);
    FUZZ_CHECK(a.DeviceName.size() <= 299 && a.SpareText1.size() <= 499 && a.SpareText2.size() <= 499 &&
               a.ImageFolder.size() <= 499);
    FUZZ_CHECK(!HasLineBreak(a.DeviceName) && !HasLineBreak(a.SpareText1) && !HasLineBreak(a.SpareText2) &&
               !HasLineBreak(a.ImageFolder));

    const std::string saved = FuzzFolder() + "/saved.ini";
    a.SaveSettings(saved);
    TFiberAnalyzer b;
    const TSettingsLoad again = b.LoadSettings(saved);
    FUZZ_CHECK(again.Lines == 7 && again.Taken == 0x7F);
    FUZZ_CHECK(b.DeviceName == a.DeviceName && b.SpareText1 == a.SpareText1 && b.SpareText2 == a.SpareText2 &&
               b.ImageFolder == a.ImageFolder);
    FUZZ_CHECK(b.LowerThreshold == a.LowerThreshold && b.UpperThreshold == a.UpperThreshold &&
               b.CoreCladThreshold == a.CoreCladThreshold && b.ContactThreshold == a.ContactThreshold &&
               b.CaptureCount == a.CaptureCount && b.ShowCounts == a.ShowCounts);
    const std::string first = ReadAll(saved);
    b.SaveSettings(saved);
    FUZZ_CHECK(ReadAll(saved) == first);
    return 0;
}
