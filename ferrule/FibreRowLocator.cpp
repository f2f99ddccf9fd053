#include "ferrule/FibreRowLocator.h"

const char* MtViewKindName(TMtViewKind kind)
{
    switch (kind)
    {
    case TMtViewKind::FibreView:
        return "fibre view";
    case TMtViewKind::Overview:
        return "overview";
    case TMtViewKind::None:
        break;
    }
    return "none";
}

TFibreRowLocation LocateFibreRow(const std::uint8_t*, int, int, const TFerruleLayout&, TFibreRowScratch&)
{
    return {};
}

std::vector<int> NumberFibres(const TFibreRowLocation& location, const TFerruleLayout&, int)
{
    return std::vector<int>(location.Fibres.size(), 0);
}
