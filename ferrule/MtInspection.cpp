#include "ferrule/MtInspection.h"

#include <algorithm>

const char* FibreVerdictName(TFibreVerdict verdict)
{
    switch (verdict)
    {
    case TFibreVerdict::Pass:
        return "Pass";
    case TFibreVerdict::Fail:
        return "Fail";
    case TFibreVerdict::NotJudged:
        break;
    }
    return "Not judged";
}

void TMtInspection::Start(const TCriteriaProfile& profile)
{
    Fibres_.assign(static_cast<std::size_t>(std::max(profile.Ferrule.Fibres(), 0)), Fibre());
    Next_ = 1;
}

int TMtInspection::Take(const TMtCheck& check)
{
    int judged = 0;
    int highest = 0;
    for (const TFibreResult& f : check.Fibres)
    {
        if (f.Number < 1 || f.Number > FibreCount())
            continue;
        Fibre& entry = Fibres_[static_cast<std::size_t>(f.Number - 1)];
        entry.Seen = true;
        if (!f.Judged())
        {
            if (entry.Times == 0)
                entry.Last = f;
            continue;
        }
        entry.Verdict = f.Result.Pass ? TFibreVerdict::Pass : TFibreVerdict::Fail;
        ++entry.Times;
        entry.Last = f;
        ++judged;
        highest = std::max(highest, f.Number);
    }
    if (highest > 0)
        Next_ = std::min(highest + 1, FibreCount());
    return judged;
}

void TMtInspection::SetNextFirstFibre(int number)
{
    Next_ = std::clamp(number, 1, std::max(FibreCount(), 1));
}

bool TMtInspection::Complete() const
{
    return Started() && Judged() == FibreCount();
}

bool TMtInspection::Pass() const
{
    return Complete() && Failed() == 0;
}

int TMtInspection::Judged() const
{
    return static_cast<int>(std::count_if(Fibres_.begin(), Fibres_.end(), [](const Fibre& f) {
        return f.Verdict != TFibreVerdict::NotJudged;
    }));
}

int TMtInspection::Failed() const
{
    return static_cast<int>(std::count_if(Fibres_.begin(), Fibres_.end(),
                                          [](const Fibre& f) { return f.Verdict == TFibreVerdict::Fail; }));
}

bool TMtInspection::AnyRejudged() const
{
    return std::any_of(Fibres_.begin(), Fibres_.end(), [](const Fibre& f) { return f.Times > 1; });
}
