// The profiles that come with the station, as the same text a plant writes for its own. Zones
// and limits of the IEC profiles are those of IEC 61300-3-35:2015 for single-fibre connectors and,
// zones A and B only, for each fibre of a rectangular ferrule.

#include "profiles/CriteriaProfile.h"

#include <cassert>

namespace
{
const char* const ClassicText = R"(profile classic
title Station (classic)
)";

const char* const SinglePcText = R"(profile sm-pc
title Single mode PC (UPC)
fiber single
zone A 0 25
scratch any none
defect any none
zone B 25 115
scratch <=3 nolimit
scratch >3 none
defect <2 nolimit
defect 2-5 5
defect >5 none
zone C 115 135
scratch any nolimit
defect any nolimit
zone D 135 250
scratch any nolimit
defect >10 none
)";

const char* const SingleApcText = R"(profile sm-apc
title Single mode APC
fiber single
zone A 0 25
scratch <=3 4
scratch >3 none
defect any none
zone B 25 115
scratch any nolimit
defect <2 nolimit
defect 2-5 5
defect >5 none
zone C 115 135
scratch any nolimit
defect any nolimit
zone D 135 250
scratch any nolimit
defect >10 none
)";

const char* const MultiPcText = R"(profile mm-pc
title Multimode PC
fiber multi
zone A 0 65
scratch <=3 nolimit
scratch >3 none
defect <=5 4
defect >5 none
zone B 65 115
scratch <=5 nolimit
scratch >5 none
defect <5 nolimit
defect 5-10 5
defect >10 none
zone C 115 135
scratch any nolimit
defect any nolimit
zone D 135 250
scratch any nolimit
defect <20 nolimit
defect 20-30 5
defect >30 none
)";

// Rectangular (MT) ferrules: zones A and B of each fibre, with the limits of those zones for
// angled single-mode and for multimode PC; 12 fibres in one row unless a plant's profile says
// otherwise.
const char* const MtSingleApcText = R"(profile mt-sm-apc
title MT single mode APC (12 fibres)
fiber single
ferrule 12 1 250
zone A 0 25
scratch <=3 4
scratch >3 none
defect any none
zone B 25 115
scratch any nolimit
defect <2 nolimit
defect 2-5 5
defect >5 none
)";

const char* const MtMultiPcText = R"(profile mt-mm-pc
title MT multimode PC (12 fibres)
fiber multi
ferrule 12 1 250
zone A 0 65
scratch <=3 nolimit
scratch >3 none
defect <=5 4
defect >5 none
zone B 65 115
scratch <=5 nolimit
scratch >5 none
defect <5 nolimit
defect 5-10 5
defect >10 none
)";

std::vector<TCriteriaProfile> Parse()
{
    std::vector<TCriteriaProfile> profiles;
    for (const char* text :
         {ClassicText, SinglePcText, SingleApcText, MultiPcText, MtSingleApcText, MtMultiPcText})
    {
        TCriteriaProfile profile;
        std::string error;
        [[maybe_unused]] const bool ok = ParseProfile(text, profile, error);
        assert(ok);
        profiles.push_back(std::move(profile));
    }
    profiles.front().Classic = true;
    return profiles;
}
} // namespace

const std::vector<TCriteriaProfile>& BuiltinProfiles()
{
    static const std::vector<TCriteriaProfile> profiles = Parse();
    return profiles;
}

const TCriteriaProfile* FindProfile(std::string_view name)
{
    for (const TCriteriaProfile& profile : BuiltinProfiles())
        if (profile.Name == name)
            return &profile;
    return nullptr;
}

const TCriteriaProfile& ClassicProfile()
{
    return BuiltinProfiles().front();
}
