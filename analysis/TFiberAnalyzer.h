#pragma once
// The analysis engine: one instance per program run, reused for every inspection.
// A plain class with public fields: the main window, its dialogs and the result view read and
// write them directly. Never copied.

#include "analysis/TPoint2D.h"
#include "platform/TImageRefusal.h"

#include <QRect>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class TBitmap;
class TLumarcRaster;

// One detected region, filed in a zone list.
struct Finding
{
    int Kind = 0;       // 1 defect (dark region), 0 scratch (long bright region)
    float Width = 0.0f; // box extent in pixels as detected; scaled in place by the evaluation
    float Height = 0.0f;
    float Area = 0.0f;       // pixels marked by the fill
    float DefectSize = 0.0f; // set by the evaluation
    float ScratchSize = 0.0f;
};

// What LoadSettings made of a file: whether it could be read, how many of the seven lines it has
// and which of them set their fields in full. A number line that does not convert completely
// keeps (some of) its fields at their old values and is not taken.
struct TSettingsLoad
{
    enum TFile
    {
        Read,
        Missing,
        NotRegularFile, // a folder, a device, a pipe: never read
        Unreadable,     // SystemError says why
    };
    TFile File = Missing;
    int SystemError = 0;
    int Lines = 0;      // 0..7
    unsigned Taken = 0; // bit n - 1 for line n

    bool LineTaken(int line) const { return (Taken >> (line - 1)) & 1u; }
};

class TFiberAnalyzer
{
public:
    static constexpr int ListCount = 5;
    static constexpr int ListCapacity = 500;
    static constexpr int ListLimit = 100;

    // Fields in declaration order.
    std::unique_ptr<TLumarcRaster> SourceRaster; // the image as captured or loaded
    std::unique_ptr<TLumarcRaster> WorkRaster;   // grey copy of the source, findings coloured in
    std::string SpareText1;
    std::string SpareText2;
    std::string ImageFolder;
    int Mode = 0; // 0 Single Mode, 1 Multi Mode
    TPoint2D Center;
    float ZoneRadius[5] = {}; // core SM (25 um), core MM (65), cladding (118), adhesive (132), contact (250)
    TPoint2D EdgePoints[4];   // left, right, up, down
    TPoint2D CircleCenters[4];
    std::vector<std::uint8_t> GreyBuffer; // empty = absent; holds at least ImageWidth x ImageHeight bytes
    int ImageWidth = 0;
    int ImageHeight = 0;
    int FillCount = 0;
    int Neighbours[8][2] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}};
    int FindingCount[ListCount] = {}; // [0] core, [1] cladding, [2] contact
    Finding Findings[ListCount][ListCapacity];
    int BoxMinX = 0;
    int BoxMinY = 0;
    int BoxMaxX = 0;
    int BoxMaxY = 0;
    std::string ZoneVerdicts[3]; // "Pass" / "Fail": core, cladding, contact
    int LowerThreshold = 128;
    int UpperThreshold = 128;
    int CoreCladThreshold = 60;
    int ContactThreshold = 140;
    float CoreDefectPercent = 3.0f;
    float CladDefectPercent = 5.0f;
    float ZoneScale = 0.0f;
    int ShowCounts = 0;
    int ZoneCounts[2][10] = {}; // row 0 scratches, row 1 defects
    int MultiCoreCounts[4] = {};
    std::string DeviceName = "PC Camera";
    int SingleCriteria[8] = {};
    int MultiCriteria[8][2] = {};
    int CaptureCount = 3;

    TFiberAnalyzer();
    ~TFiberAnalyzer();
    TFiberAnalyzer(const TFiberAnalyzer&) = delete;
    TFiberAnalyzer& operator=(const TFiberAnalyzer&) = delete;

    // Image input. A file that is refused (of another size, unreadable, or too big for the memory
    // there is) leaves the analyzer as it was; why says what was wrong with it.
    void SetCapturedImage(const TBitmap& frame);
    bool LoadImageFile(const std::string& path, TImageRefusal* why = nullptr);
    // An image already decoded from path, taken as LoadImageFile takes the file (same sizes
    // accepted, both rasters replaced): a caller analysing one file several times decodes once.
    bool LoadImageBitmap(const std::string& path, const TBitmap& image);

    // Analysis: PrepareImage, LocateFiber, DetectDefects.
    void Analyze();
    void PrepareImage();
    void ConvertToGrey();
    void MedianFilter();
    void EnhanceContrast();
    void LocateFiber();
    TPoint2D FindEdgeOnRay(int sx, int sy, int ex, int ey);
    TPoint2D FitCenter();
    void DetectDefects();
    void FillDefect(int x, int y);
    void FillScratch(int x, int y);
    void RecordFinding(int kind);

    // The working image stretched into rect, with the zone circles of the current mode.
    void DrawOverlay(QPainter* canvas, int width, int height, const QRect& rect) const;

    // Acceptance.
    void SetDefaultCriteria();
    bool EvaluateAcceptance();

    // Settings file. SaveSettings writes a temporary file beside the target and renames it over
    // the target, so a failed write leaves the old file intact; it throws std::runtime_error
    // naming the file and the reason. LoadSettings reads regular files only, and no more than
    // the seven lines can need.
    void SaveSettings(const std::string& path) const;
    TSettingsLoad LoadSettings(const std::string& path);
};
