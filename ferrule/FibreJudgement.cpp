#include "ferrule/FibreJudgement.h"

#include "analysis/TFiberAnalyzer.h"

const char* FibreOutcomeName(TFibreOutcome outcome)
{
    switch (outcome)
    {
    case TFibreOutcome::Judged:
        return "judged";
    case TFibreOutcome::Located:
        return "located";
    case TFibreOutcome::NotInView:
        break;
    }
    return "not in view";
}

bool TMtCheck::AnyJudged() const
{
    for (const TFibreResult& f : Fibres)
        if (f.Judged())
            return true;
    return false;
}

std::string TMtCheck::NoVerdictReason() const
{
    return {};
}

TMtCheck CheckFibres(TFiberAnalyzer&, const TCriteriaProfile&, int, TFibreRowScratch&)
{
    return {};
}
