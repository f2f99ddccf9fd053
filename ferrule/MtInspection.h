#pragma once
// One multi-fibre connector inspected over one or more views: which fibres have been judged,
// each one's last verdict, where the next view carries on, and the connector's verdict once every
// fibre has one. No widgets: the window, the records and the analyser all read this.
#include "ferrule/FibreJudgement.h"

#include <vector>

enum class TFibreVerdict
{
    NotJudged,
    Pass,
    Fail,
};
const char* FibreVerdictName(TFibreVerdict verdict); // "Not judged", "Pass", "Fail"

class TMtInspection
{
public:
    struct Fibre
    {
        TFibreVerdict Verdict = TFibreVerdict::NotJudged;
        int Times = 0;     // how often the fibre was judged; the last judgement holds
        TFibreResult Last; // the last judgement (or location) of the fibre
        bool Seen = false; // located in some view, judged or not
    };

    // A new connector of the profile's layout, every fibre not judged.
    void Start(const TCriteriaProfile& profile);
    bool Started() const { return !Fibres_.empty(); }
    int FibreCount() const { return static_cast<int>(Fibres_.size()); }
    const Fibre& At(int number) const { return Fibres_[static_cast<std::size_t>(number - 1)]; }

    // Takes one view's results: each judged fibre's verdict replaces what it had; located fibres
    // are marked seen. Returns how many fibres it judged.
    int Take(const TMtCheck& check);
    // The first fibre of the next view when panning on: after the highest fibre the last view
    // judged (1 before any view, and never past the last fibre).
    int NextFirstFibre() const { return Next_; }
    void SetNextFirstFibre(int number);

    bool Complete() const; // every fibre judged
    bool Pass() const;     // complete, and every fibre passed
    int Judged() const;
    int Failed() const;
    bool AnyRejudged() const;

private:
    std::vector<Fibre> Fibres_;
    int Next_ = 1;
};
