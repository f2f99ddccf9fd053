#include "tools/AnalyzeCommand.h"

#include "analysis/TFiberAnalyzer.h"
#include "imaging/TLumarcRaster.h"
#include "platform/AtomicWrite.h"
#include "platform/TBitmap.h"
#include "tools/JsonOut.h"
#include "tools/ProfileJson.h"

#include <QBuffer>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

const char* const AnalyzeUsage =
    "Usage: fiberscope-analyze [--mode single|multi|both] [--json] [--settings FILE]\n"
    "                          [--annotate DIR] [--profile NAME] IMAGE...\n"
    "       fiberscope-analyze --list-profiles\n"
    "\n"
    "Checks fiber end-face images (BMP, JPEG or PNG of 640 x 480 or 720 x 480 pixels) the way the\n"
    "inspection station does, and prints the Pass/Fail verdict of the core, cladding and contact\n"
    "zones and the overall verdict, one line per image and fiber mode. Each image is checked as\n"
    "by a freshly started station: default acceptance limits (IEC 61300-3-35), and the\n"
    "detection thresholds of the settings file if one is given.\n"
    "\n"
    "  --mode single|multi|both  fiber type to check for (default: single mode)\n"
    "  --json                    one JSON object per image and mode instead of the table:\n"
    "                            fiber centre, zone radii, every finding, counts and verdicts\n"
    "  --settings FILE           take the detection thresholds from this settings file\n"
    "                            (the station's SystemSetting.ini); it must exist\n"
    "  --annotate DIR            also save each checked image with its zone circles as\n"
    "                            DIR/<image name>.result.bmp (with --mode both:\n"
    "                            <image name>.single.result.bmp and .multi.result.bmp)\n"
    "  --profile NAME            acceptance profile: classic (the station's own, default),\n"
    "                            sm-pc, sm-apc or mm-pc (IEC 61300-3-35:2015 zones and limits on\n"
    "                            sizes in true micrometres); JSON then adds a \"profile\" object\n"
    "                            with the scale in um per pixel and every finding's size in um\n"
    "  --list-profiles           the profiles' names and titles\n"
    "  --help                    this text\n"
    "\n"
    "An image that cannot be opened is reported once, with the station's own message.\n"
    "\n"
    "Exit status: 0 all images pass; 1 at least one image fails; 2 wrong arguments, or an\n"
    "image could not be opened or an annotated image could not be written.\n";

namespace
{
const char* const RefusalText = "Cannot open this image file";

// The evaluation scales a finding's box in place: these are the values detection recorded.
struct DetectedFinding
{
    int Kind;
    float Width;
    float Height;
    float Area;
};

std::string PointJson(const TPoint2D& p)
{
    std::string s(1, '[');
    s += JsonFloat(p.X);
    s += ',';
    s += JsonFloat(p.Y);
    s += ']';
    return s;
}

template <typename T, typename F> std::string ArrayJson(const T* values, int n, F format)
{
    std::string s(1, '[');
    for (int i = 0; i < n; ++i)
    {
        if (i)
            s += ',';
        s += format(values[i]);
    }
    s += ']';
    return s;
}

std::string IntJson(int v)
{
    return std::to_string(v);
}

// The settings file must exist and its thresholds line must read completely: the engine's
// reader quietly keeps defaults for whatever it cannot read, which for a re-check would give a
// verdict with thresholds nobody asked for.
std::string CheckSettingsFile(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return "settings file " + path + " does not exist";
    if (fs::is_directory(path, ec))
        return "settings file " + path + " is a folder";
    std::ifstream in(path, std::ios::binary);
    std::string line1, line2;
    if (!in)
        return "cannot read settings file " + path;
    if (!std::getline(in, line1) || !std::getline(in, line2))
        return "settings file " + path + " is too short: the thresholds belong on its second line";
    int i[4];
    float f[2];
    char tail = 0;
    const int n =
        std::sscanf(line2.c_str(), "%d,%d,%d,%d,%f,%f%c", &i[0], &i[1], &i[2], &i[3], &f[0], &f[1], &tail);
    if (n < 6 || (n == 7 && tail != '\r'))
        return "settings file " + path + ": line 2 is not six values like 128,128,60,140,3.000000,5.000000";
    return {};
}

std::string ModeName(int mode)
{
    return mode == 0 ? "single" : "multi";
}

class Runner
{
public:
    Runner(const AnalyzeOptions& options, std::ostream& out, std::ostream& err)
        : Options_(options), Out_(out), Err_(err)
    {
    }

    int Run()
    {
        if (!Options_.Json)
            PrintHeader();
        for (const std::string& image : Options_.Images)
        {
            if (Options_.Single && !Check(image, 0))
                continue;
            if (Options_.Multi)
                Check(image, 1);
        }
        return Error_ ? ExitError : AnyFail_ ? ExitFail : ExitPass;
    }

private:
    const AnalyzeOptions& Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    std::size_t NameWidth_ = 5;
    bool Error_ = false;
    bool AnyFail_ = false;

    void PrintHeader()
    {
        for (const std::string& image : Options_.Images)
            NameWidth_ = std::max(NameWidth_, image.size());
        const TCriteriaProfile* profile = FindProfile(Options_.Profile);
        if (profile && !profile->Classic)
            PrintRow("IMAGE", "MODE", {"A", "B", "C"}, "D     OVERALL");
        else
            PrintRow("IMAGE", "MODE", {"CORE", "CLADDING", "CONTACT"}, "OVERALL");
    }

    void PrintRow(const std::string& image, const std::string& mode, const std::vector<std::string>& zones,
                  const std::string& overall)
    {
        std::string line = image;
        line.resize(std::max(NameWidth_, image.size()) + 2, ' ');
        line += mode;
        line.resize(line.size() + 8 - std::min<std::size_t>(mode.size(), 7), ' ');
        const std::size_t widths[3] = {6, 10, 9};
        for (int k = 0; k < 3; ++k)
        {
            line += zones[static_cast<std::size_t>(k)];
            line.resize(line.size() + widths[k] -
                            std::min(zones[static_cast<std::size_t>(k)].size(), widths[k] - 1),
                        ' ');
        }
        Out_ << line << overall << '\n';
    }

    void ReportError(const std::string& message)
    {
        Err_ << "fiberscope-analyze: " << message << '\n';
        Error_ = true;
    }

    // Analyses one image in one mode as a freshly started station would. Returns false when the
    // image was refused (then the other mode is not tried).
    bool Check(const std::string& image, int mode)
    {
        auto analyzer = std::make_unique<TFiberAnalyzer>();
        TFiberAnalyzer& a = *analyzer;
        a.SetDefaultCriteria();
        if (!Options_.SettingsFile.empty())
            a.LoadSettings(Options_.SettingsFile);
        if (!a.LoadImageFile(image))
        {
            std::error_code ec;
            const bool exists = fs::exists(image, ec);
            ReportError(image + ": " + RefusalText +
                        (exists ? " (not a readable BMP, JPEG or PNG image of 640 x 480 or 720 x 480 pixels)"
                                : " (no such file)"));
            if (Options_.Json)
                Out_ << "{\"file\":" << JsonString(image)
                     << ",\"accepted\":false,\"error\":" << JsonString(RefusalText) << "}\n";
            return false;
        }
        a.Mode = mode;
        a.Analyze();

        std::vector<DetectedFinding> detected[3];
        for (int list = 0; list < 3; ++list)
            for (int i = 0; i < std::clamp(a.FindingCount[list], 0, TFiberAnalyzer::ListCapacity); ++i)
            {
                const Finding& f = a.Findings[list][i];
                detected[list].push_back({f.Kind, f.Width, f.Height, f.Area});
            }
        const bool pass = a.EvaluateAcceptance();
        if (!Options_.Profile.empty())
            return CheckProfile(image, a, detected, pass);
        AnyFail_ = AnyFail_ || !pass;

        if (Options_.Json)
            PrintJson(image, a, detected, pass);
        else
            PrintRow(image, ModeName(mode), {a.ZoneVerdicts[0], a.ZoneVerdicts[1], a.ZoneVerdicts[2]},
                     pass ? "Pass" : "Fail");
        if (!Options_.AnnotateDir.empty())
            Annotate(image, a);
        return true;
    }

    // With --profile: the classic output plus the profile's result; an IEC profile's verdict
    // decides the exit status and the table line.
    bool CheckProfile(const std::string& image, TFiberAnalyzer& a,
                      const std::vector<DetectedFinding> (&detected)[3], bool classicPass)
    {
        const TCriteriaProfile& profile = *FindProfile(Options_.Profile);
        const TProfileResult r =
            profile.Classic ? ClassicResult(a, classicPass) : EvaluateProfile(a, profile);
        AnyFail_ = AnyFail_ || !r.Pass;
        if (Options_.Json)
            PrintJson(image, a, detected, classicPass, &r);
        else
        {
            std::vector<std::string> zones;
            for (const TZoneResult& z : r.Zones)
                zones.push_back(z.Pass ? "Pass" : "Fail");
            zones.resize(std::max<std::size_t>(zones.size(), 3));
            std::string overall = r.Pass ? "Pass" : "Fail";
            for (std::size_t k = 3; k < zones.size(); ++k)
                overall = zones[k] + "  " + overall;
            zones.resize(3);
            PrintRow(image, r.ProfileName, zones, overall);
        }
        if (!Options_.AnnotateDir.empty())
            Annotate(image, a);
        return true;
    }

    void PrintJson(const std::string& image, const TFiberAnalyzer& a,
                   const std::vector<DetectedFinding> (&detected)[3], bool pass,
                   const TProfileResult* profile = nullptr)
    {
        std::string s = "{\"file\":" + JsonString(image) + ",\"accepted\":true";
        s += ",\"width\":" + IntJson(a.ImageWidth) + ",\"height\":" + IntJson(a.ImageHeight);
        s += ",\"mode\":\"" + ModeName(a.Mode) + "\"";
        s += ",\"center\":" + PointJson(a.Center);
        s += ",\"edge_points\":" + ArrayJson(a.EdgePoints, 4, PointJson);
        s += ",\"circle_centers\":" + ArrayJson(a.CircleCenters, 4, PointJson);
        s += ",\"zone_scale\":" + JsonFloat(a.ZoneScale);
        s += ",\"zone_radius\":" + ArrayJson(a.ZoneRadius, 5, JsonFloat);
        s += ",\"findings\":{";
        const char* const lists[3] = {"core", "cladding", "contact"};
        for (int list = 0; list < 3; ++list)
        {
            s += std::string(list ? "," : "") + "\"" + lists[list] + "\":[";
            for (std::size_t i = 0; i < detected[list].size(); ++i)
            {
                const DetectedFinding& d = detected[list][i];
                const Finding& f = a.Findings[list][i];
                const bool scratch = d.Kind == 0;
                s += std::string(i ? "," : "") + "{\"kind\":\"" + (scratch ? "scratch" : "defect") + "\"";
                s += ",\"width\":" + JsonFloat(d.Width) + ",\"height\":" + JsonFloat(d.Height);
                s += ",\"area\":" + JsonFloat(d.Area);
                s += ",\"size\":" + JsonFloat(scratch ? f.ScratchSize : f.DefectSize) + "}";
            }
            s += "]";
        }
        s += "}";
        s += ",\"zone_counts\":[" + ArrayJson(a.ZoneCounts[0], 10, IntJson) + "," +
             ArrayJson(a.ZoneCounts[1], 10, IntJson) + "]";
        s += ",\"multi_core_counts\":" + ArrayJson(a.MultiCoreCounts, 4, IntJson);
        s += ",\"zone_verdicts\":" +
             ArrayJson(a.ZoneVerdicts, 3, [](const std::string& v) { return JsonString(v); });
        s += std::string(",\"overall\":\"") + (pass ? "Pass" : "Fail") + "\"";
        if (profile)
            s += ",\"profile\":" + ProfileJson(*profile);
        Out_ << s << "}\n";
    }

    std::string AnnotationPath(const std::string& image, int mode) const
    {
        std::string name = fs::path(image).filename().string();
        if (Options_.Single && Options_.Multi)
            name.append(1, '.').append(ModeName(mode));
        name.append(".result.bmp");
        return (fs::path(Options_.AnnotateDir) / name).string();
    }

    // The working image with its zone circles at the image's own size, as the station's
    // annotated save draws it; written to a temporary name and renamed.
    void Annotate(const std::string& image, TFiberAnalyzer& a)
    {
        const std::string path = AnnotationPath(image, a.Mode);
        const int w = a.ImageWidth, h = a.ImageHeight;
        TBitmap bitmap(w, h);
        {
            QPainter painter(&bitmap.Image());
            a.DrawOverlay(&painter, w, h, QRect(0, 0, w, h));
        }
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        if (!bitmap.Image().save(&buffer, "BMP"))
            return ReportError("cannot write " + path + ": the image could not be encoded");
        std::string error;
        if (!WriteFileAtomically(
                path, std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())), error))
            ReportError(error);
    }
};
} // namespace

std::string ParseAnalyzeArguments(const std::vector<std::string>& args, AnalyzeOptions& options)
{
    options = AnalyzeOptions();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-")
        {
            options.Images.push_back(arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h")
        {
            options.Help = true;
            return {};
        }
        if (arg == "--list-profiles")
        {
            options.ListProfiles = true;
            return {};
        }
        if (arg == "--json")
        {
            options.Json = true;
            continue;
        }
        std::string value;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos)
        {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (arg != "--mode" && arg != "--settings" && arg != "--annotate" && arg != "--profile")
            return "unknown option " + args[i];
        if (eq == std::string::npos)
        {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            value = args[++i];
        }
        if (arg == "--mode")
        {
            if (value != "single" && value != "multi" && value != "both")
                return "--mode takes single, multi or both, not '" + value + "'";
            options.Single = value != "multi";
            options.Multi = value != "single";
        }
        else if (arg == "--profile")
        {
            if (!FindProfile(value))
                return "--profile takes classic, sm-pc, sm-apc or mm-pc, not '" + value + "'";
            options.Profile = value;
        }
        else if (value.empty())
            return arg + " needs a value";
        else if (arg == "--settings")
            options.SettingsFile = value;
        else
            options.AnnotateDir = value;
    }
    if (options.Images.empty())
        return "no image given";
    if (!options.AnnotateDir.empty())
    {
        std::error_code ec;
        if (!fs::is_directory(options.AnnotateDir, ec))
            return "--annotate: " + options.AnnotateDir + " is not an existing folder";
        // Two images of the same name would write the same annotated file.
        std::set<std::string> names;
        for (const std::string& image : options.Images)
            if (!names.insert(fs::path(image).filename().string()).second)
                return "--annotate: two images are named " + fs::path(image).filename().string() +
                       "; their annotated images would overwrite each other";
    }
    if (!options.SettingsFile.empty())
        return CheckSettingsFile(options.SettingsFile);
    return {};
}

int RunAnalyzeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    AnalyzeOptions options;
    const std::string problem = ParseAnalyzeArguments(args, options);
    if (!problem.empty())
    {
        err << "fiberscope-analyze: " << problem << " (try --help)\n";
        return ExitError;
    }
    if (options.Help)
    {
        out << AnalyzeUsage;
        return ExitPass;
    }
    if (options.ListProfiles)
    {
        out << ProfileList();
        return ExitPass;
    }
    const int status = Runner(options, out, err).Run();
    // A verdict that never reached its reader (full disk, closed pipe) must not look like success.
    out.flush();
    if (!out)
    {
        err << "fiberscope-analyze: could not write the results to standard output\n";
        return ExitError;
    }
    return status;
}
