#pragma once
// A built-in profile by its name, for the tests. A built-in text that no longer parses leaves its
// profile missing or cut short (the product's assert is compiled out of release builds): that
// fails the test here, with the name, instead of crashing the test program on a null profile or
// a zone that is not there.

#include "profiles/CriteriaProfile.h"

#include <stdexcept>
#include <string>
#include <string_view>

inline const TCriteriaProfile& BuiltinProfile(std::string_view name)
{
    const TCriteriaProfile* profile = FindProfile(name);
    // Every table of the IEC standard has its zones A to D, a multi-fibre ferrule's A and B.
    const std::size_t zones = profile && profile->Ferrule.MultiFibre() ? 2 : 4;
    if (!profile || (!profile->Classic && profile->Zones.size() != zones))
        throw std::runtime_error("the built-in profile " + std::string(name) +
                                 " is missing or cut short: its text does not parse");
    return *profile;
}
