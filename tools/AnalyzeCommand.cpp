#include "tools/AnalyzeCommand.h"

#include "analysis/TFiberAnalyzer.h"
#include "ferrule/FibreJudgement.h"
#include "imaging/TLumarcRaster.h"
#include "platform/AtomicWrite.h"
#include "platform/TBitmap.h"
#include "platform/TImageRefusal.h"
#include "profiles/FiberLocation.h"
#include "profiles/ProfileOverlay.h"
#include "records/InspectionRecord.h"
#include "records/RecordStore.h"
#include "tools/JsonOut.h"
#include "tools/MtReport.h"
#include "tools/ProfileJson.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QSettings>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <streambuf>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

const char* const AnalyzeUsage =
    "Usage: fiberscope-analyze [--mode single|multi|both] [--json | --csv] [--settings FILE]\n"
    "                          [--annotate DIR] [--jobs N] [--profile NAME|FILE]\n"
    "                          [--locate rays|edges] [--record [--store FILE]]\n"
    "                          [--first-fibre N] [--ferrule PERROWxROWS] IMAGE...\n"
    "       fiberscope-analyze --list-profiles\n"
    "\n"
    "Checks fiber end-face images (BMP, JPEG or PNG of 640 x 480 or 720 x 480 pixels) the way the\n"
    "inspection station does, and prints the Pass/Fail verdict of the core, cladding and contact\n"
    "zones and the overall verdict, one line per image and fiber mode. Each image is checked as\n"
    "by a freshly started station: default acceptance limits (IEC 61300-3-35), and the\n"
    "detection thresholds of the settings file if one is given.\n"
    "\n"
    "  --mode single|multi|both  fiber type to check for (default: single mode)\n"
    "  --csv                     one CSV line per image and mode instead of the table, with\n"
    "                            the columns of the station's inspection log (inspections.csv)\n"
    "  --json                    one JSON object per image and mode instead of the table:\n"
    "                            fiber centre, zone radii, every finding, counts and verdicts\n"
    "  --settings FILE           take the detection thresholds from this settings file\n"
    "                            (the station's SystemSetting.ini); it must be a regular\n"
    "                            file whose every line the station reads\n"
    "  --annotate DIR            also save each checked image with its zone circles as\n"
    "                            DIR/<image name>.result.bmp (with --mode both:\n"
    "                            <image name>.single.result.bmp and .multi.result.bmp);\n"
    "                            a run in which one would replace an input is refused\n"
    "  --jobs N                  check N images at a time (default: one per processor core);\n"
    "                            the output is the same, in the order of the arguments\n"
    "  --profile NAME|FILE       acceptance profile: classic (the station's own, default),\n"
    "                            sm-pc, sm-apc or mm-pc (IEC 61300-3-35:2015 zones and limits on\n"
    "                            sizes in true micrometres), mt-sm-apc or mt-mm-pc (multi-fibre\n"
    "                            MT ferrules, see below), or a plant's own profile file; JSON\n"
    "                            then adds a \"profile\" object with the scale in um per pixel and\n"
    "                            every finding's size in um; CSV ends in the same, always. With\n"
    "                            any profile but classic the verdicts are the profile's: in JSON\n"
    "                            \"zone_verdicts\" (one per zone of the profile) and \"overall\",\n"
    "                            the classic ones moving to a \"classic\" object\n"
    "  --locate rays|edges       the circle the zones are centred on: rays (the station's own\n"
    "                            search outwards from the picture's centre; the default with\n"
    "                            the classic profile) or edges (the cladding's edge, found\n"
    "                            wherever the fiber lies; the default with any other profile).\n"
    "                            JSON adds a \"location\" object, with both circles, when the\n"
    "                            edges judge, when there is no verdict, or when the two circles\n"
    "                            disagree (then with a \"caution\" to centre the fiber)\n"
    "  --record                  also keep the record of each image and mode in the station's\n"
    "                            record store ($XDG_DATA_HOME/fiberscope/records.sqlite, by\n"
    "                            default under ~/.local/share): what --csv prints, with the\n"
    "                            findings, as an inspection of the station its preferences name;\n"
    "                            queued for the plant database when they name one, for the\n"
    "                            station or \"fiberscope-records sync\" to send. The output is the\n"
    "                            same with or without it\n"
    "  --store FILE              with --record: keep the records in this SQLite file, not in\n"
    "                            the station's store\n"
    "  --first-fibre N           with a multi-fibre profile: the number of the leftmost whole\n"
    "                            fibre of the view (of its upper row), 1 to the ferrule's fibres;\n"
    "                            without it a fibre view is numbered from 1 and says so\n"
    "  --ferrule PERROWxROWS     with a multi-fibre profile: its ferrule's fibres per row (8, 12\n"
    "                            or 16) and rows (1 or 2) in place of the profile's, as 16x1 or\n"
    "                            12x2; the pitches stay the profile's\n"
    "  --list-profiles           the profiles' names and titles\n"
    "  --help                    this text\n"
    "\n"
    "An image that cannot be opened is reported once, with the station's own message and the\n"
    "reason (it does not exist, is not a BMP, JPEG or PNG image, is damaged, has another size...);\n"
    "the other images are still checked.\n"
    "\n"
    "An image in which no fiber is found gets no verdict: its overall verdict is \"No fiber\"\n"
    "(\"Not in view\" when the edges judge a cladding cut by the picture's border), its zone\n"
    "verdicts are empty and nothing is measured; the JSON \"location\" object gives the reason,\n"
    "and an annotated image shows the picture without zone circles.\n"
    "\n"
    "Multi-fibre (MT) ferrules: with mt-sm-apc, mt-mm-pc or a profile file with a ferrule line,\n"
    "every fibre of each picture is located and numbered, and judged by the profile's zones A and\n"
    "B in true micrometres, in the fiber mode the profile is written for. A fibre view (0.4 to 1\n"
    "um per pixel, one to three whole fibres) judges each whole fibre, and its verdict is Pass when\n"
    "they all pass; a fibre cut by the frame is \"not in view\", never judged; a whole fibre that\n"
    "--first-fibre puts past the ferrule's last is not judged and leaves the view without a\n"
    "verdict (\"Fibres outside the connector\"). An\n"
    "overview (about 5 um per pixel) numbers the fibres of the row and marks gross findings but\n"
    "certifies nothing: it has no Pass or Fail. The table gives a line per fibre (number, outcome,\n"
    "centre, radius, um per pixel, each zone's verdict and count of findings, the fibre's verdict,\n"
    "and its findings' sizes in um) and a line for the view; JSON one object per picture with a\n"
    "\"fibres\" array; CSV one line per fibre, with the view's verdict on each. --locate and\n"
    "--record do not apply.\n"
    "\n"
    "Exit status: 0 all images pass; 1 at least one image fails or holds no fiber (or none\n"
    "wholly in view), or is an overview of a ferrule; 2 wrong arguments, or an image could not be opened, an "
    "annotated image\n"
    "could not be written or the record store could not be opened or written (the other images\n"
    "are still checked).\n";

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

std::string BoolJson(bool v)
{
    return v ? "true" : "false";
}

// The circle that judges: the profile's own unless --locate names one.
TLocateMethod JudgingMethod(const AnalyzeOptions& options)
{
    if (options.Locate == TLocateMethod::Rays)
        return TLocateMethod::Rays;
    const TCriteriaProfile& profile = options.Profile.empty() ? ClassicProfile() : options.ProfileTable;
    return MethodFor(profile, options.Locate == TLocateMethod::Edges);
}

// Both circles and, when there is no verdict, why: "center" and "radii" are the edge locator's
// cladding, "rays_center" and "rays_radius" the engine's own search.
std::string LocationJson(const TFiberLocation& location)
{
    const TEdgeLocation& edge = location.Edge;
    std::string s = std::string("{\"method\":\"") + LocateMethodName(location.Method) + "\"";
    s += ",\"found\":" + BoolJson(edge.Found);
    if (edge.Found)
    {
        s += ",\"center\":" + PointJson(edge.Centre);
        s += ",\"radii\":[" + JsonFloat(edge.RadiusX) + "," + JsonFloat(edge.RadiusY) + "]";
        s += ",\"arc_seen\":" + JsonFloat(edge.ArcSeen);
        s += ",\"wholly_in_picture\":" + BoolJson(edge.WhollyInPicture);
    }
    s += ",\"rays_center\":" + PointJson(location.RayCentre);
    s += ",\"rays_radius\":" + JsonFloat(location.RayRadius());
    if (location.Caution())
        s += ",\"caution\":" + JsonString(UncertainCaution);
    if (!location.Judges())
        s += ",\"reason\":" + JsonString(NoVerdictReason(location));
    return s + "}";
}

// The settings file must be one the engine reads, and the engine must take every line it has:
// for whatever it cannot take it quietly keeps its defaults, which for a re-check would give a
// verdict with thresholds nobody asked for. The engine's own reader decides, so the check and the
// verdicts cannot disagree.
std::string CheckSettingsFile(const std::string& path)
{
    TFiberAnalyzer probe;
    const TSettingsLoad load = probe.LoadSettings(path);
    const std::string file = "settings file " + path;
    switch (load.File)
    {
    case TSettingsLoad::Missing:
        return file + " does not exist";
    case TSettingsLoad::NotRegularFile: {
        std::error_code ec;
        return file + (fs::is_directory(path, ec) ? " is a folder" : " is not a regular file");
    }
    case TSettingsLoad::Unreadable:
        return "cannot read " + file + ": " + std::strerror(load.SystemError);
    case TSettingsLoad::Read:
        break;
    }
    if (load.Lines < 2)
        return file + " is too short: the thresholds belong on its second line";
    if (!load.LineTaken(2))
        return file + ": line 2 is not six values like 128,128,60,140,3.000000,5.000000";
    for (int line : {3, 6})
        if (load.Lines >= line && !load.LineTaken(line))
            return file + ": line " + std::to_string(line) + " is not a whole number";
    return {};
}

std::string ModeName(int mode)
{
    return mode == 0 ? "single" : "multi";
}

std::string AnnotationPath(const AnalyzeOptions& options, const std::string& image, int mode)
{
    std::string name = fs::path(image).filename().string();
    if (options.Single && options.Multi)
        name.append(1, '.').append(ModeName(mode));
    name.append(".result.bmp");
    return (fs::path(options.AnnotateDir) / name).string();
}

// Which file a path names, whatever name it is reached by (a link, a hard link, "dir/../x"): its
// device and inode, or, for a file not there yet, its folder's and its own name. Links of the
// last component are followed as the atomic write follows them.
struct FileKey
{
    dev_t Device = 0;
    ino_t Inode = 0;
    std::string Leaf; // empty for an existing file

    friend bool operator==(const FileKey&, const FileKey&) = default;
};

std::optional<FileKey> KeyOf(const std::string& path)
{
    const fs::path target(WriteTarget(path));
    struct stat info = {};
    if (stat(target.c_str(), &info) == 0)
        return FileKey{info.st_dev, info.st_ino, {}};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (stat(folder.c_str(), &info) == 0)
        return FileKey{info.st_dev, info.st_ino, target.filename().string()};
    return std::nullopt;
}

// An annotated image written over an input that is checked later would be checked in its place.
std::string CheckAnnotationsSpareInputs(const AnalyzeOptions& options)
{
    std::vector<std::pair<FileKey, std::string>> inputs;
    for (const std::string& image : options.Images)
        if (const auto key = KeyOf(image))
            inputs.emplace_back(*key, image);
    for (const std::string& image : options.Images)
        for (int mode = 0; mode < 2; ++mode)
        {
            if ((mode == 0 && !options.Single) || (mode == 1 && !options.Multi))
                continue;
            const std::string annotation = AnnotationPath(options, image, mode);
            const auto key = KeyOf(annotation);
            for (const auto& [input, name] : inputs)
                if (key && *key == input)
                    return "--annotate: the annotated image " + annotation + " would replace the input " +
                           name;
        }
    return {};
}

// Scripts append the CSV of several analysers to one file (>>). Through stdio, standard output
// goes out in buffer-sized pieces that split lines, and two processes' pieces interleave; with
// the whole lines held going out in one write(2), O_APPEND keeps every line whole.
class WholeLinesOut : public std::streambuf
{
public:
    explicit WholeLinesOut(int fd) : Fd_(fd) {}

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        Held_ += traits_type::to_char_type(c);
        return WriteLines(false) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        Held_.append(s, static_cast<std::size_t>(n));
        return WriteLines(false) ? n : 0;
    }
    int sync() override { return WriteLines(true) ? 0 : -1; }

private:
    int Fd_;
    std::string Held_;

    // Writes the whole lines held (at the end, all that is held) with one write(2).
    bool WriteLines(bool all)
    {
        const std::size_t end = all ? Held_.size() : Held_.rfind('\n') + 1;
        for (std::size_t done = 0; done < end;)
        {
            const ssize_t n = ::write(Fd_, Held_.data() + done, end - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
            {
                Held_.clear();
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        Held_.erase(0, end);
        return true;
    }
};

// What one job keeps from image to image: the edge locator's buffers, and the rasters and grey
// image an analyzer works in. Each check's fresh analyzer borrows them, so a batch decodes and
// analyses into the same memory picture after picture instead of faulting in new pages for each.
struct TJobBuffers
{
    TEdgeLocatorScratch Scratch;
    TFibreRowScratch Fibres;
    std::unique_ptr<TLumarcRaster> Source;
    std::unique_ptr<TLumarcRaster> Work;
    std::vector<std::uint8_t> Grey;
};

// Lends a job's rasters to an analyzer for one check and takes back whatever it holds at the end
// (a file the general road took brings rasters of its own). A loaded image replaces both rasters
// and the whole grey image is written before it is read, so the analyzer still checks the image as
// a freshly started one would.
class TLentBuffers
{
public:
    TLentBuffers(TFiberAnalyzer& analyzer, TJobBuffers& buffers) : Analyzer_(analyzer), Buffers_(buffers)
    {
        Analyzer_.SourceRaster = std::move(Buffers_.Source);
        Analyzer_.WorkRaster = std::move(Buffers_.Work);
        Analyzer_.GreyBuffer = std::move(Buffers_.Grey);
    }
    ~TLentBuffers()
    {
        Buffers_.Source = std::move(Analyzer_.SourceRaster);
        Buffers_.Work = std::move(Analyzer_.WorkRaster);
        Buffers_.Grey = std::move(Analyzer_.GreyBuffer);
    }
    TLentBuffers(const TLentBuffers&) = delete;
    TLentBuffers& operator=(const TLentBuffers&) = delete;

private:
    TFiberAnalyzer& Analyzer_;
    TJobBuffers& Buffers_;
};

class Runner
{
public:
    Runner(const AnalyzeOptions& options, std::ostream& out, std::ostream& err)
        : Options_(options), Out_(out), Err_(err), Method_(JudgingMethod(options))
    {
    }

    int Run()
    {
        if (Options_.Record)
            PrepareRecords();
        if (Options_.Csv)
            Out_ << (Options_.MultiFibre() ? MtCsvHeader()
                                           : CsvLine(TInspectionRecord::CsvHeader()).toStdString());
        else if (!Options_.Json)
            PrintHeader();
        const std::size_t jobs = std::min(JobCount(Options_), Options_.Images.size());
        if (jobs <= 1)
            for (const std::string& image : Options_.Images)
            {
                CheckImage(image);
                StoreRecords(Kept_);
            }
        else
            CheckInParallel(jobs);
        return Error_ ? ExitError : AnyFail_ ? ExitFail : ExitPass;
    }

private:
    const AnalyzeOptions& Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    const TLocateMethod Method_;
    // The buffers reused image after image; a worker thread lends its own to the runners it makes,
    // so no two threads share one.
    TJobBuffers OwnBuffers_;
    TJobBuffers* Buffers_ = &OwnBuffers_;
    std::size_t NameWidth_ = 5;
    bool Error_ = false;
    bool AnyFail_ = false;
    // The image the first mode decoded, left in the job's source raster for the second mode.
    std::string DecodedPath_;
    // --record: the station the records are of, where they go, whether they wait for the plant
    // database, and this image's records not yet stored.
    QString Station_;
    QString StorePath_;
    bool Queue_ = false;
    std::unique_ptr<TRecordStore> Store_;
    bool StoreFailed_ = false;
    std::vector<TStoredInspection> Kept_;

    // The station and the queueing as the window decides them, from the user's preferences.
    void PrepareRecords()
    {
        const QSettings preferences(PreferencesFileName(), QSettings::NativeFormat);
        Station_ = StationName(preferences);
        Queue_ = ReadPlantDatabase(preferences).Configured();
        StorePath_ = Options_.StoreFile.empty()
                         ? LocalRecordStorePath()
                         : QFile::decodeName(QByteArray::fromStdString(Options_.StoreFile));
    }

    // Writes the records in the order given, from this thread alone: a Qt SQL connection belongs
    // to the thread that opened it. The first failure is reported and ends the storing, since
    // every further try could wait out the store's busy time again.
    void StoreRecords(std::vector<TStoredInspection>& records)
    {
        for (const TStoredInspection& s : records)
        {
            if (StoreFailed_)
                break;
            try
            {
                if (!Store_)
                    Store_ = TRecordStore::OpenLocal(StorePath_);
                Store_->Add(s, Queue_);
            }
            catch (const TRecordStoreError& e)
            {
                StoreFailed_ = true;
                Store_.reset();
                const std::string what = e.what();
                const std::string store = QFile::encodeName(StorePath_).toStdString();
                ReportError(
                    what.find(store) != std::string::npos ? what : "the record store " + store + ": " + what);
            }
        }
        records.clear();
    }

    static std::size_t JobCount(const AnalyzeOptions& options)
    {
        if (options.Jobs > 0)
            return static_cast<std::size_t>(options.Jobs);
        return std::max(1u, std::thread::hardware_concurrency());
    }

    void CheckImage(const std::string& image)
    {
        if (!Options_.Single || Check(image, 0))
            if (Options_.Multi)
                Check(image, 1);
        DecodedPath_.clear();
    }

    // Each image is checked by a runner of its own writing into its own text; the texts are
    // printed in the order of the arguments, so the output is that of one job, byte for byte.
    void CheckInParallel(std::size_t jobs)
    {
        struct TResult
        {
            std::ostringstream Out, Err;
            bool Error = false, AnyFail = false;
            std::vector<TStoredInspection> Records;
        };
        std::vector<TResult> results(Options_.Images.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            TJobBuffers buffers;
            for (std::size_t i = next++; i < results.size(); i = next++)
            {
                Runner one(Options_, results[i].Out, results[i].Err);
                one.NameWidth_ = NameWidth_;
                one.Buffers_ = &buffers;
                one.Station_ = Station_;
                one.CheckImage(Options_.Images[i]);
                results[i].Error = one.Error_;
                results[i].AnyFail = one.AnyFail_;
                results[i].Records = std::move(one.Kept_);
            }
        };
        std::vector<std::thread> threads;
        for (std::size_t t = 1; t < jobs; ++t)
            threads.emplace_back(work);
        work();
        for (std::thread& t : threads)
            t.join();
        for (TResult& r : results)
        {
            Out_ << r.Out.str();
            Err_ << r.Err.str();
            Error_ = Error_ || r.Error;
            AnyFail_ = AnyFail_ || r.AnyFail;
            StoreRecords(r.Records);
        }
    }

    void PrintHeader()
    {
        for (const std::string& image : Options_.Images)
            NameWidth_ = std::max(NameWidth_, EscapedText(image).size());
        if (Options_.MultiFibre())
            Out_ << MtTableHeader(Options_.ProfileTable, NameWidth_);
        else if (!Options_.Profile.empty() && !Options_.ProfileTable.Classic)
            PrintRow("IMAGE", "MODE", {"A", "B", "C"}, "D     OVERALL");
        else
            PrintRow("IMAGE", "MODE", {"CORE", "CLADDING", "CONTACT"}, "OVERALL");
    }

    void PrintRow(const std::string& image, const std::string& mode, const std::vector<std::string>& zones,
                  const std::string& overall)
    {
        // A name is shown escaped: a line break in it must not forge a row.
        std::string line = EscapedText(image);
        line.resize(std::max(NameWidth_, line.size()) + 2, ' ');
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
        Err_ << "fiberscope-analyze: " << EscapedText(message) << '\n';
        Error_ = true;
    }

    void ReportRefusal(const std::string& image, const std::string& reason)
    {
        ReportError(image + ": " + RefusalText + " (" + reason + ")");
        if (Options_.Json)
            Out_ << "{\"file\":" << JsonString(image)
                 << ",\"accepted\":false,\"error\":" << JsonString(RefusalText)
                 << ",\"reason\":" << JsonString(reason) << "}\n";
    }

    // Analyses one image in one mode as a freshly started station would. Returns false when the
    // image was refused (then the other mode is not tried). Memory that runs out refuses this
    // image only: the next one is still checked.
    bool Check(const std::string& image, int mode)
    {
        try
        {
            return CheckImage(image, mode);
        }
        catch (const std::bad_alloc&)
        {
            ReportRefusal(image, "out of memory while checking it");
            return false;
        }
    }

    bool CheckImage(const std::string& image, int mode)
    {
        auto analyzer = std::make_unique<TFiberAnalyzer>();
        TFiberAnalyzer& a = *analyzer;
        const TLentBuffers lent(a, *Buffers_);
        a.SetDefaultCriteria();
        if (!Options_.SettingsFile.empty())
            a.LoadSettings(Options_.SettingsFile);
        // The second mode takes the image the first one decoded, which the analyzer never writes.
        TImageRefusal why;
        const bool decoded = DecodedPath_ == image && a.SourceRaster;
        if (!(decoded ? a.LoadImageBitmap(image, *a.SourceRaster->Bitmap) : a.LoadImageFile(image, &why)))
        {
            std::string reason = DescribeRefusal(why);
            if (why.Problem == TImageProblem::WrongSize)
                reason += "; only 640 x 480 and 720 x 480 are checked";
            ReportRefusal(image, reason);
            return false;
        }
        DecodedPath_ = image;
        a.Mode = mode;
        if (Options_.MultiFibre())
            return CheckFerrule(image, a);
        const TFiberLocation location = AnalyzeLocated(a, Buffers_->Scratch, Method_);
        if (!location.Judges())
        {
            ReportNoVerdict(image, a, location);
            return true;
        }

        std::vector<DetectedFinding> detected[3];
        for (int list = 0; list < 3; ++list)
            for (int i = 0; i < std::clamp(a.FindingCount[list], 0, TFiberAnalyzer::ListCapacity); ++i)
            {
                const Finding& f = a.Findings[list][i];
                detected[list].push_back({f.Kind, f.Width, f.Height, f.Area});
            }
        const bool pass = a.EvaluateAcceptance();
        if (!Options_.Profile.empty())
            return CheckProfile(image, a, detected, pass, location);
        AnyFail_ = AnyFail_ || !pass;

        if (Options_.Json)
            PrintJson(image, a, detected, pass, location);
        else if (!Options_.Csv)
            PrintRow(image, ModeName(mode), {a.ZoneVerdicts[0], a.ZoneVerdicts[1], a.ZoneVerdicts[2]},
                     pass ? "Pass" : "Fail");
        std::string annotation;
        if (!Options_.AnnotateDir.empty())
            annotation = Annotate(image, a, location);
        if (Options_.Csv || Options_.Record)
            ReportRecord(image, a, pass, annotation, ClassicResult(a, pass), location);
        return true;
    }

    // Every fibre of a ferrule's view, each judged on its own. A view passes when every fibre it
    // judged passes; an overview, or a view without a whole fibre, has no verdict and fails the
    // run as a picture without a fiber does.
    bool CheckFerrule(const std::string& image, TFiberAnalyzer& a)
    {
        a.PrepareImage();
        TMtReport report;
        report.Image = image;
        report.Width = a.ImageWidth;
        report.Height = a.ImageHeight;
        report.Mode = a.Mode;
        report.Profile = &Options_.ProfileTable;
        report.FirstFibre = std::max(Options_.FirstFibre, 1);
        report.FirstFibreGiven = Options_.FirstFibre > 0;
        report.Check = CheckFibres(a, Options_.ProfileTable, report.FirstFibre, Buffers_->Fibres);
        AnyFail_ = AnyFail_ || !MtViewPasses(report.Check);
        if (Options_.Json)
            Out_ << MtJson(report) << '\n';
        else if (Options_.Csv)
            Out_ << MtCsvLines(report);
        else
            Out_ << MtTableLines(report, NameWidth_);
        if (!Options_.AnnotateDir.empty())
            WriteAnnotation(AnnotationPath(Options_, image, a.Mode), a, [&](QPainter& painter) {
                if (a.WorkRaster && a.WorkRaster->Bitmap)
                    painter.drawImage(QRect(0, 0, a.ImageWidth, a.ImageHeight),
                                      a.WorkRaster->Bitmap->Image());
                DrawFibreZones(painter, report.Check, Options_.ProfileTable);
            });
        return true;
    }

    // A picture without a fiber to judge: nothing was evaluated, so no count, finding or zone
    // verdict is shown that could be read as measured, and it fails the run, since a capped
    // scope must not pass a batch.
    void ReportNoVerdict(const std::string& image, TFiberAnalyzer& a, const TFiberLocation& location)
    {
        AnyFail_ = true;
        const TCriteriaProfile& profile = Options_.Profile.empty() ? ClassicProfile() : Options_.ProfileTable;
        const std::string verdict = NoVerdictText(location);
        std::string annotation;
        if (!Options_.AnnotateDir.empty())
            annotation = Annotate(image, a, location);
        if (Options_.Json)
        {
            std::string s = "{\"file\":" + JsonString(image) + ",\"accepted\":true";
            s += ",\"width\":" + IntJson(a.ImageWidth) + ",\"height\":" + IntJson(a.ImageHeight);
            s += ",\"mode\":\"" + ModeName(a.Mode) + "\"";
            s += ",\"zone_verdicts\":[],\"overall\":" + JsonString(verdict);
            if (!Options_.Profile.empty())
                s += ",\"profile\":{\"name\":" + JsonString(profile.Name) +
                     ",\"title\":" + JsonString(profile.Title) + "}";
            Out_ << s << ",\"location\":" << LocationJson(location) << "}\n";
        }
        else if (!Options_.Csv)
        {
            // The overall verdict under its heading, past a true-size profile's zones beyond three.
            const bool byZones = !Options_.Profile.empty() && !profile.Classic;
            const std::size_t beyond = byZones ? std::max<std::size_t>(profile.Zones.size(), 3) - 3 : 0;
            PrintRow(image, Options_.Profile.empty() ? ModeName(a.Mode) : profile.Name, {"", "", ""},
                     std::string(6 * beyond, ' ') + verdict);
        }
        if (Options_.Csv || Options_.Record)
        {
            TProfileResult named;
            named.ProfileName = profile.Name;
            named.ProfileTitle = profile.Title;
            named.Classic = profile.Classic;
            ReportRecord(image, a, false, annotation, named, location);
        }
    }

    // The inspection log's record of this check (the source is the file, no frames combined):
    // printed with --csv, kept for the record store with --record.
    void ReportRecord(const std::string& image, const TFiberAnalyzer& a, bool pass,
                      const std::string& annotation, const TProfileResult& profile,
                      const TFiberLocation& location)
    {
        TInspectionRecord record = TInspectionRecord::FromAnalyzer(a, pass);
        record.SetProfileResult(profile);
        record.SetLocation(location);
        // A name's bytes that are not UTF-8 stay recognisable (\xNN), not U+FFFD.
        record.Source = FileNameText(QByteArray::fromStdString(image));
        if (!annotation.empty())
            record.Files << FileNameText(QByteArray::fromStdString(annotation));
        if (Options_.Csv)
            Out_ << record.CsvRecordLine().toStdString();
        if (Options_.Record)
        {
            TStoredInspection s = TStoredInspection::Made(record, Station_);
            // Without a judgement nothing was measured, so no finding is stored as if it were.
            if (record.Judged())
                s.TakeFindings(a);
            Kept_.push_back(std::move(s));
        }
    }

    // With --profile: the classic output plus the profile's result; an IEC profile's verdict
    // decides the exit status and the table line.
    bool CheckProfile(const std::string& image, TFiberAnalyzer& a,
                      const std::vector<DetectedFinding> (&detected)[3], bool classicPass,
                      const TFiberLocation& location)
    {
        const TCriteriaProfile& profile = Options_.ProfileTable;
        const TProfileResult r =
            profile.Classic ? ClassicResult(a, classicPass) : EvaluateProfile(a, profile);
        AnyFail_ = AnyFail_ || !r.Pass;
        std::string annotation;
        if (!Options_.AnnotateDir.empty())
            annotation = Annotate(image, a, location);
        if (Options_.Json)
            PrintJson(image, a, detected, classicPass, location, &r);
        else if (!Options_.Csv)
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
        if (Options_.Csv || Options_.Record)
            ReportRecord(image, a, classicPass, annotation, r, location);
        return true;
    }

    void PrintJson(const std::string& image, const TFiberAnalyzer& a,
                   const std::vector<DetectedFinding> (&detected)[3], bool pass,
                   const TFiberLocation& location, const TProfileResult* profile = nullptr)
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
        const std::string classic =
            "\"zone_verdicts\":" +
            ArrayJson(a.ZoneVerdicts, 3, [](const std::string& v) { return JsonString(v); }) +
            ",\"overall\":\"" + (pass ? "Pass" : "Fail") + "\"";
        // A true-size profile's verdicts are the ones the table, the CSV and the exit status give,
        // so a script reading "overall" gets the same answer; the engine's own move aside.
        if (profile && !profile->Classic)
            s += "," + ProfileVerdictsJson(*profile) + ",\"classic\":{" + classic + "}";
        else
            s += "," + classic;
        if (profile)
            s += ",\"profile\":" + ProfileJson(*profile);
        // Only when it tells more than the rays' circle: a face both locations agree on keeps the
        // object it always had.
        if (location.Noteworthy())
            s += ",\"location\":" + LocationJson(location);
        Out_ << s << "}\n";
    }

    // The working image with its zone circles at the image's own size, as the station's
    // annotated save draws it; written to a temporary name and renamed. Without a verdict no
    // circle is drawn: zones on a picture without a fiber would look like a judgement.
    std::string Annotate(const std::string& image, TFiberAnalyzer& a, const TFiberLocation& location)
    {
        const int w = a.ImageWidth, h = a.ImageHeight;
        return WriteAnnotation(AnnotationPath(Options_, image, a.Mode), a, [&](QPainter& painter) {
            if (!location.Judges())
            {
                if (a.WorkRaster && a.WorkRaster->Bitmap)
                    painter.drawImage(QRect(0, 0, w, h), a.WorkRaster->Bitmap->Image());
            }
            // The zones of the table the verdict came from.
            else if (!Options_.Profile.empty() && !Options_.ProfileTable.Classic)
                DrawProfileOverlay(&painter, a, Options_.ProfileTable, w, h, QRect(0, 0, w, h));
            else
                a.DrawOverlay(&painter, w, h, QRect(0, 0, w, h));
        });
    }

    // The working image at the image's own size as draw leaves it, written to a temporary name
    // and renamed. Returns the path, or empty when it could not be written (then said).
    template <typename Draw>
    std::string WriteAnnotation(const std::string& path, TFiberAnalyzer& a, Draw draw)
    {
        const int w = a.ImageWidth, h = a.ImageHeight;
        TBitmap bitmap(w, h);
        {
            QPainter painter(&bitmap.Image());
            draw(painter);
        }
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        if (!bitmap.Image().save(&buffer, "BMP"))
        {
            ReportError("cannot write " + path + ": the image could not be encoded");
            return {};
        }
        std::string error;
        if (!WriteFileAtomically(
                path, std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())), error))
        {
            ReportError(error);
            return {};
        }
        return path;
    }
};
} // namespace

// The built-in profiles' names, for a message: "classic, sm-pc, ... or mt-mm-pc".
std::string BuiltinNames()
{
    std::string names;
    for (const TCriteriaProfile& p : BuiltinProfiles())
        names += (names.empty() ? "" : ", ") + p.Name;
    return names;
}

std::optional<int> WholeNumber(const std::string& text)
{
    int n = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, n);
    if (ec != std::errc() || at != end)
        return std::nullopt;
    return n;
}

// The options that only a multi-fibre profile takes, and the ones it cannot take. --ferrule
// replaces the profile's fibres per row and rows (its pitches stay); the fiber mode is the one the
// profile is written for, since its zones are.
std::string CheckMultiFibreOptions(AnalyzeOptions& o, const std::string& firstFibre,
                                   const std::string& ferrule, const std::string& mode)
{
    if (!o.MultiFibre())
    {
        const std::string what = o.Profile.empty() ? "the classic evaluation" : o.Profile;
        for (const auto& [text, name] :
             {std::pair{&ferrule, "--ferrule"}, std::pair{&firstFibre, "--first-fibre"}})
            if (!text->empty())
                return std::string(name) +
                       " is for a multi-fibre profile (mt-sm-apc, mt-mm-pc or a profile file with a ferrule "
                       "line), not for " +
                       what;
        return {};
    }
    TFerruleLayout& layout = o.ProfileTable.Ferrule;
    if (!ferrule.empty())
    {
        const std::size_t x = ferrule.find_first_of("xX");
        const auto perRow = WholeNumber(ferrule.substr(0, x));
        const auto rows = x == std::string::npos ? std::nullopt : WholeNumber(ferrule.substr(x + 1));
        if (!perRow || !rows || (*perRow != 8 && *perRow != 12 && *perRow != 16) ||
            (*rows != 1 && *rows != 2))
            return "--ferrule takes fibres per row (8, 12 or 16) x rows (1 or 2), as 12x1 or 16x2, not '" +
                   ferrule + "'";
        layout.FibresPerRow = *perRow;
        layout.Rows = *rows;
    }
    if (!firstFibre.empty())
    {
        const auto n = WholeNumber(firstFibre);
        const std::string fibres = std::to_string(layout.Fibres());
        if (!n || *n < 1)
            return "--first-fibre takes a fibre number from 1 to " + fibres + ", not '" + firstFibre + "'";
        if (*n > layout.Fibres())
            return "--first-fibre " + firstFibre + " is beyond the " + fibres + " fibres of the ferrule (" +
                   std::to_string(layout.FibresPerRow) + "x" + std::to_string(layout.Rows) + ")";
        o.FirstFibre = *n;
    }
    if (o.Locate)
        return "--locate is for single-fibre profiles: each fibre of " + o.Profile +
               " is located by its cladding";
    if (o.Record)
        return "--record keeps single-fibre inspections; it cannot keep the fibres of " + o.Profile;
    // The fibres are judged in the mode the profile names (single when it names none).
    const int own = o.ProfileTable.FiberMode == 1 ? 1 : 0;
    const std::string fibres = own ? "multimode" : "single mode";
    if (!mode.empty() && o.Single && o.Multi)
        return "--mode both: " + o.Profile + " judges " + fibres + " fibres, each picture once";
    if (!mode.empty() && o.Multi != (own == 1))
        return "--mode " + mode + ": " + o.Profile + " judges " + fibres +
               " fibres (its fiber line says which)";
    o.Single = own == 0;
    o.Multi = own == 1;
    return {};
}

std::string ParseAnalyzeArguments(const std::vector<std::string>& args, AnalyzeOptions& options)
{
    options = AnalyzeOptions();
    bool optionsEnded = false;
    // Read once the profile is known, wherever it stands among the arguments.
    std::string firstFibre, ferrule, mode;
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
        if (arg == "--csv")
        {
            options.Csv = true;
            continue;
        }
        if (arg == "--record")
        {
            options.Record = true;
            continue;
        }
        std::string value;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos)
        {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (arg != "--mode" && arg != "--settings" && arg != "--annotate" && arg != "--jobs" &&
            arg != "--profile" && arg != "--locate" && arg != "--store" && arg != "--first-fibre" &&
            arg != "--ferrule")
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
            mode = value;
        }
        else if (arg == "--profile")
        {
            // A plant's own table is given by its file; a bare word names a built-in one.
            if (value.find('/') != std::string::npos || value.ends_with(".profile"))
            {
                std::string error;
                if (!LoadProfileFile(value, options.ProfileTable, error))
                    return "--profile: " + error;
                if (options.ProfileTable.Zones.empty())
                    return "--profile: " + value + " has no zone";
            }
            else if (const TCriteriaProfile* builtin = FindProfile(value))
                options.ProfileTable = *builtin;
            else
                return "--profile takes " + BuiltinNames() + " or a profile file, not '" + value + "'";
            options.Profile = options.ProfileTable.Name;
        }
        else if (arg == "--locate")
        {
            if (value != "rays" && value != "edges")
                return "--locate takes rays or edges, not '" + value + "'";
            options.Locate = value == "rays" ? TLocateMethod::Rays : TLocateMethod::Edges;
        }
        else if (value.empty())
            return arg + " needs a value";
        else if (arg == "--settings")
            options.SettingsFile = value;
        else if (arg == "--store")
            options.StoreFile = value;
        else if (arg == "--first-fibre")
            firstFibre = value;
        else if (arg == "--ferrule")
            ferrule = value;
        else if (arg == "--jobs")
        {
            char* end = nullptr;
            const long jobs = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || jobs < 1 || jobs > 256)
                return "--jobs takes a number of images from 1 to 256, not '" + value + "'";
            options.Jobs = static_cast<int>(jobs);
        }
        else
            options.AnnotateDir = value;
    }
    if (options.Images.empty())
        return "no image given";
    if (options.Json && options.Csv)
        return "--json and --csv cannot be combined";
    if (std::string problem = CheckMultiFibreOptions(options, firstFibre, ferrule, mode); !problem.empty())
        return problem;
    if (!options.StoreFile.empty() && !options.Record)
        return "--store " + options.StoreFile + " is for --record, which is not given";
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
        if (std::string problem = CheckAnnotationsSpareInputs(options); !problem.empty())
            return problem;
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
        err << "fiberscope-analyze: " << EscapedText(problem) << " (try --help)\n";
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
    WholeLinesOut lines(STDOUT_FILENO);
    std::ostream lineOut(&lines);
    // On standard output itself, each CSV line goes out whole in one write(2).
    const bool wholeLines = options.Csv && out.rdbuf() == std::cout.rdbuf();
    if (wholeLines)
    {
        out.flush();
        std::fflush(stdout);
    }
    std::ostream& sink = wholeLines ? lineOut : out;
    const int status = Runner(options, sink, err).Run();
    // A verdict that never reached its reader (full disk, closed pipe) must not look like success.
    sink.flush();
    if (!sink)
    {
        err << "fiberscope-analyze: could not write the results to standard output\n";
        return ExitError;
    }
    return status;
}
