#pragma once
// The multi-fibre connector under inspection, without widgets: its fibres' verdicts over the views
// taken so far, each fibre's picture at its last judgement, where the next view starts, and what
// the view just taken means. The connector's verdict exists only once every fibre has one; the
// window shows what this decides and never decides from what it shows.

#include "ferrule/MtInspection.h"
#include "profiles/CriteriaProfile.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// What one view means for the connector.
enum class TConnectorView
{
    NoFibre,   // no fibre in the picture
    Overview,  // fibres located and numbered, nothing certified
    NotInView, // fibres found, none whole: nothing judged
    Outside,   // a whole fibre numbered past the connector: First fibre is wrong, nothing taken
    Partial,   // fibres judged; others of the connector are not judged yet
    Complete,  // every fibre of the connector judged: its verdict stands
};

class TConnectorCycle
{
public:
    // A fibre's picture at its last judgement: its cladding with a margin, the fibre placed in
    // the crop's own pixels.
    struct Crop
    {
        QImage Picture;
        TLocatedFibre Where;
    };

    // A new connector of the profile's layout, nothing judged; a profile without a multi-fibre
    // layout ends any connector.
    void Start(const TCriteriaProfile& profile);
    bool Active() const { return Inspection_.Started(); }
    const TMtInspection& Inspection() const { return Inspection_; }
    const TCriteriaProfile& Profile() const { return Profile_; }

    // A view begins under serial at time. The first view names the connector; in automatic mode a
    // view under another serial is another connector, so the inspection starts anew.
    void BeginView(const QString& serial, const QDateTime& time, bool automaticMode);
    const QString& Serial() const { return Serial_; }
    const QDateTime& Time() const { return Time_; }
    int Views() const { return Views_; }

    // Takes one view's results: each judged fibre's verdict, and its crop of picture (the
    // working image the view was judged on).
    TConnectorView Take(const TMtCheck& check, const QImage& picture);
    TConnectorView LastView() const { return LastView_; }
    const TMtCheck& LastCheck() const { return LastCheck_; }
    // Fibres judged by the last view, lowest and highest number; 0 when none.
    int LowestJudged() const { return Lowest_; }
    int HighestJudged() const { return Highest_; }
    // The picture of a fibre's last judgement; null before it has one.
    const Crop* CropOf(int number) const;

    // The first fibre of the next view: where the last one left off, or what the operator set.
    int FirstFibre() const { return Inspection_.NextFirstFibre(); }
    void SetFirstFibre(int number) { Inspection_.SetNextFirstFibre(number); }

    // "Fibres 1–2 judged: 2 of 12", or why the last view judged nothing.
    QString Progress() const;

    // The last view judged a fibre of a complete connector: the connector's record is due (its
    // first, or one more after a fibre judged again).
    bool RecordDue() const { return LastView_ == TConnectorView::Complete; }
    bool Recorded() const { return Recorded_; }
    void MarkRecorded() { Recorded_ = true; }
    // Files saved for its views (a Ctrl+Check's frames), for its record.
    void AddFiles(const QStringList& files) { Files_ << files; }
    QStringList TakeFiles() { return std::exchange(Files_, {}); }
    // Its report was filed under the serial: never a second time.
    bool Filed() const { return Filed_; }
    void MarkFiled() { Filed_ = true; }

private:
    TCriteriaProfile Profile_;
    TMtInspection Inspection_;
    std::vector<Crop> Crops_; // by fibre number - 1
    TMtCheck LastCheck_;
    TConnectorView LastView_ = TConnectorView::NoFibre;
    int Lowest_ = 0;
    int Highest_ = 0;
    QString Serial_;
    QDateTime Time_;
    QStringList Files_;
    int Views_ = 0;
    bool Recorded_ = false;
    bool Filed_ = false;
};
