#pragma once
// Analysis of one live frame for the live assistant: the station's own analysis (preparation,
// localisation, detection, evaluation) on an analyzer of the assistant's own, after the same
// fiber check as every Check (is there a fiber, which circle judges), plus how sharp the end face
// is. Never touches the window's analyzer.

#include "analysis/TPoint2D.h"
#include "profiles/FiberLocation.h"

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <memory>

class TFibreRowScratch;

struct TCriteriaProfile;

class TBitmap;
class TFiberAnalyzer;

// What the window's analyzer judges with; copied to the live analyzer for every frame.
struct TLiveSettings
{
    int Mode = 0;
    int Thresholds[4] = {128, 128, 60, 140};
    float DefectPercents[2] = {3.0f, 5.0f};
    int SingleCriteria[8] = {};
    int MultiCriteria[8][2] = {};
    // A true-size profile judges instead of the limits above; null for the classic one. Shared,
    // so handing the settings over with every frame copies no table.
    std::shared_ptr<const TCriteriaProfile> Profile;
    bool ClassicByEdge = false; // the user's choice: the classic profile judges by the edge too
    int FirstFibre = 1;         // a multi-fibre profile: the number the Check gives the leftmost fibre

    TLocateMethod Method() const;

    static TLiveSettings From(const TFiberAnalyzer& analyzer);
    void ApplyTo(TFiberAnalyzer& analyzer) const;
};

struct TLiveResult
{
    qint64 FrameNumber = 0;
    int ImageWidth = 0; // of the analysed image: zone positions are in its pixels
    int ImageHeight = 0;
    bool FiberInView = false;     // a fiber to judge: found, and wholly in view when its edge judges
    bool NotWhollyInView = false; // found, but cut by the frame where its edge judges
    bool Caution = false;         // the rays judge a circle the edge locator places elsewhere
    TPoint2D Center;
    float ZoneRadius[5] = {};
    int Mode = 0;
    bool Pass = false;
    bool ZonePass[3] = {};    // core, cladding, contact
    int ZoneFindings[3] = {}; // findings per zone, for the compact verdict
    float Focus = 0.0f;       // mean squared grey gradient over the end face; larger is sharper
    // With a true-size profile: the scale, and a bit for each of its zones that fails.
    bool TrueSize = false;
    float UmPerPixel = 0.0f;
    unsigned FailedZones = 0;
    // With a multi-fibre profile: the fibres in the frame, located and numbered as the Check
    // would, but not judged (the Check judges each fibre of the view). FiberInView then says
    // that a whole fibre of the connector is in view; Focus is that of the first one.
    struct TFibre
    {
        TPoint2D Centre;
        float Radius = 0.0f;
        int Number = 0; // 0: outside the connector
        bool Whole = false;
    };
    static constexpr int MaxFibres = 64;
    bool MultiFibre = false;
    bool Overview = false;
    int FibreCount = 0;
    std::array<TFibre, MaxFibres> Fibres{};
};

// Mean squared central-difference gradient of the prepared grey image inside the adhesive ring
// around the located centre. Reads the analyzer after PrepareImage and LocateFiber.
float FocusScore(const TFiberAnalyzer& analyzer);

// Analyses frame (any size; larger than 640 x 480 is scaled down as a Check does) with analyzer
// set up by settings. scaled and edges are kept by the caller, so a frame allocates nothing.
// rows is the multi-fibre locator's scratch; without it a multi-fibre profile's frame shows no
// fibres.
TLiveResult AnalyseLiveFrame(TFiberAnalyzer& analyzer, const TLiveSettings& settings, const TBitmap& frame,
                             TBitmap& scaled, TEdgeLocatorScratch& edges, TFibreRowScratch* rows = nullptr);
