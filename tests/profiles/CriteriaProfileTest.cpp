#include "profiles/CriteriaProfile.h"

#include "profiles/ProfileEvaluation.h"
#include "tests/profiles/BuiltinProfile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <tuple>
#include <sys/stat.h>

namespace
{
// One finding of the given kind and size, with its centroid (and, for a scratch, all of it) at
// the given diameter.
TMeasuredFinding At(FindingClass kind, float sizeUm, float diameterUm)
{
    TMeasuredFinding f;
    f.Kind = kind;
    f.SizeUm = sizeUm;
    f.CentreDiameterUm = f.MinDiameterUm = f.MaxDiameterUm = diameterUm;
    return f;
}

const TProfileZone& ZoneNamed(const TCriteriaProfile& p, const std::string& name)
{
    for (const TProfileZone& z : p.Zones)
        if (z.Name == name)
            return z;
    throw std::runtime_error("no zone " + name);
}

int ZoneIndex(const TCriteriaProfile& p, const std::string& name)
{
    for (std::size_t i = 0; i < p.Zones.size(); ++i)
        if (p.Zones[i].Name == name)
            return static_cast<int>(i);
    return -1;
}
} // namespace

TEST(BuiltinProfiles, ClassicFirstThenTheIecTables)
{
    const auto& profiles = BuiltinProfiles();
    ASSERT_EQ(profiles.size(), 6u);
    EXPECT_EQ(profiles[0].Name, "classic");
    EXPECT_TRUE(profiles[0].Classic);
    EXPECT_TRUE(profiles[0].Zones.empty());
    EXPECT_EQ(profiles[0].FiberMode, -1);
    for (const auto& [name, fiberMode] :
         {std::pair("sm-pc", 0), std::pair("sm-apc", 0), std::pair("mm-pc", 1)})
    {
        const TCriteriaProfile* p = FindProfile(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_FALSE(p->Classic);
        EXPECT_EQ(p->FiberMode, fiberMode) << name;
        ASSERT_EQ(p->Zones.size(), 4u) << name;
        EXPECT_EQ(p->Zones.back().OuterDiameter, 250.0f);
    }
    // MT ferrules: zones A and B of each fibre, twelve fibres in a row at 250 um.
    for (const auto& [name, fiberMode, zoneA] :
         {std::tuple("mt-sm-apc", 0, 25.0f), std::tuple("mt-mm-pc", 1, 65.0f)})
    {
        const TCriteriaProfile* p = FindProfile(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->FiberMode, fiberMode) << name;
        ASSERT_EQ(p->Zones.size(), 2u) << name;
        EXPECT_EQ(p->Zones[0].OuterDiameter, zoneA) << name;
        EXPECT_EQ(p->Zones[1].OuterDiameter, 115.0f) << name;
        EXPECT_EQ(p->Ferrule.Fibres(), 12) << name;
        EXPECT_EQ(p->Ferrule.PitchUm, 250.0f) << name;
    }
    EXPECT_FALSE(FindProfile("sm-pc")->Ferrule.MultiFibre());
    EXPECT_EQ(FindProfile("sm-upc"), nullptr);
}

// Each row's limit at its boundary: the allowed number of findings passes, one more fails.
struct LimitCase
{
    const char* Profile;
    const char* Zone;
    FindingClass Kind;
    float Size;
    int Allowed; // LimitNoLimit: any number passes
};

class RowLimit : public testing::TestWithParam<LimitCase>
{
};

TEST_P(RowLimit, AllowedCountPassesOneMoreFails)
{
    const LimitCase& c = GetParam();
    const TCriteriaProfile& profile = BuiltinProfile(c.Profile);
    const TProfileZone& zone = ZoneNamed(profile, c.Zone);
    const float diameter = (zone.InnerDiameter + zone.OuterDiameter) / 2.0f;
    const int zoneIndex = ZoneIndex(profile, c.Zone);
    const int allowed = c.Allowed == LimitNoLimit ? 100 : c.Allowed;

    const auto evaluate = [&](int n) {
        return CountFindings(
            profile, std::vector<TMeasuredFinding>(static_cast<std::size_t>(n), At(c.Kind, c.Size, diameter)),
            0.4f);
    };
    const TProfileResult atLimit = evaluate(allowed);
    EXPECT_TRUE(atLimit.Pass);
    if (c.Allowed == LimitNoLimit)
        return;
    const TProfileResult over = evaluate(allowed + 1);
    EXPECT_FALSE(over.Pass);
    for (std::size_t z = 0; z < over.Zones.size(); ++z)
        EXPECT_EQ(over.Zones[z].Pass, static_cast<int>(z) != zoneIndex) << over.Zones[z].Name;
}

constexpr FindingClass S = FindingClass::Scratch;
constexpr FindingClass D = FindingClass::Defect;

INSTANTIATE_TEST_SUITE_P(
    IecTables, RowLimit,
    testing::Values(LimitCase{"sm-pc", "A", S, 0.5f, 0}, LimitCase{"sm-pc", "A", D, 0.5f, 0},
                    LimitCase{"sm-pc", "B", S, 3.0f, LimitNoLimit}, LimitCase{"sm-pc", "B", S, 3.01f, 0},
                    LimitCase{"sm-pc", "B", D, 1.99f, LimitNoLimit}, LimitCase{"sm-pc", "B", D, 2.0f, 5},
                    LimitCase{"sm-pc", "B", D, 5.0f, 5}, LimitCase{"sm-pc", "B", D, 5.01f, 0},
                    LimitCase{"sm-pc", "C", D, 40.0f, LimitNoLimit},
                    LimitCase{"sm-pc", "C", S, 9.0f, LimitNoLimit},
                    LimitCase{"sm-pc", "D", S, 9.0f, LimitNoLimit},
                    LimitCase{"sm-pc", "D", D, 10.0f, LimitNoLimit}, LimitCase{"sm-pc", "D", D, 10.01f, 0},
                    LimitCase{"sm-apc", "A", S, 3.0f, 4}, LimitCase{"sm-apc", "A", S, 3.01f, 0},
                    LimitCase{"sm-apc", "A", D, 0.5f, 0}, LimitCase{"sm-apc", "B", S, 9.0f, LimitNoLimit},
                    LimitCase{"sm-apc", "B", D, 3.0f, 5}, LimitCase{"sm-apc", "B", D, 5.01f, 0},
                    LimitCase{"mm-pc", "A", S, 3.0f, LimitNoLimit}, LimitCase{"mm-pc", "A", S, 3.01f, 0},
                    LimitCase{"mm-pc", "A", D, 5.0f, 4}, LimitCase{"mm-pc", "A", D, 5.01f, 0},
                    LimitCase{"mm-pc", "B", S, 5.0f, LimitNoLimit}, LimitCase{"mm-pc", "B", S, 5.01f, 0},
                    LimitCase{"mm-pc", "B", D, 4.99f, LimitNoLimit}, LimitCase{"mm-pc", "B", D, 5.0f, 5},
                    LimitCase{"mm-pc", "B", D, 10.0f, 5}, LimitCase{"mm-pc", "B", D, 10.01f, 0},
                    LimitCase{"mm-pc", "D", D, 19.99f, LimitNoLimit}, LimitCase{"mm-pc", "D", D, 20.0f, 5},
                    LimitCase{"mm-pc", "D", D, 30.0f, 5}, LimitCase{"mm-pc", "D", D, 30.01f, 0}));

// A defect belongs to the zone of its centroid: inner diameter included, outer excluded.
struct BoundaryCase
{
    const char* Profile;
    float Diameter;
    const char* Zone; // "" outside every zone
};

class ZoneBoundary : public testing::TestWithParam<BoundaryCase>
{
};

TEST_P(ZoneBoundary, DefectCountsInTheZoneOfItsCentroid)
{
    const BoundaryCase& c = GetParam();
    const TCriteriaProfile& profile = BuiltinProfile(c.Profile);
    // 40 um fails every zone that limits defects of that size; zone C limits nothing.
    const TProfileResult r = CountFindings(profile, {At(D, 40.0f, c.Diameter)}, 0.4f);
    for (std::size_t z = 0; z < profile.Zones.size(); ++z)
    {
        int counted = 0;
        for (const TRuleResult& row : r.Zones[z].Rows)
            counted += row.Count;
        EXPECT_EQ(counted > 0, profile.Zones[z].Name == c.Zone) << profile.Zones[z].Name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    IecZones, ZoneBoundary,
    testing::Values(BoundaryCase{"sm-pc", 24.99f, "A"}, BoundaryCase{"sm-pc", 25.0f, "B"},
                    BoundaryCase{"sm-pc", 114.99f, "B"}, BoundaryCase{"sm-pc", 115.0f, "C"},
                    BoundaryCase{"sm-pc", 134.99f, "C"}, BoundaryCase{"sm-pc", 135.0f, "D"},
                    BoundaryCase{"sm-pc", 249.99f, "D"}, BoundaryCase{"sm-pc", 250.0f, ""},
                    BoundaryCase{"mm-pc", 64.99f, "A"}, BoundaryCase{"mm-pc", 65.0f, "B"}));

TEST(ZoneBoundary, ScratchCountsInEveryZoneItCrosses)
{
    TMeasuredFinding scratch = At(S, 4.0f, 20.0f);
    scratch.MinDiameterUm = 20.0f;
    scratch.MaxDiameterUm = 30.0f;
    const TProfileResult r = CountFindings(BuiltinProfile("sm-pc"), {scratch}, 0.4f);
    EXPECT_FALSE(r.Zones[0].Pass); // A: no scratches
    EXPECT_FALSE(r.Zones[1].Pass); // B: none wider than 3 um
    EXPECT_TRUE(r.Zones[2].Pass);
}

TEST(ProfileText, UserProfileFileLoadsAndCounts)
{
    const auto path = std::filesystem::temp_directory_path() / "fs-profile-test.txt";
    std::ofstream(path)
        << "# a plant's own\r\nprofile plant-x\r\ntitle Plant X\t\u00b5 \u2264 \U0001F50D\r\nfiber multi\r\n"
           "zone Core 0 30\r\ndefect >=1.5 2\r\n\r\nzone Rest 30 250\r\n";
    TCriteriaProfile p;
    std::string error;
    ASSERT_TRUE(LoadProfileFile(path.string(), p, error)) << error;
    std::filesystem::remove(path);
    EXPECT_EQ(p.Name, "plant-x");
    EXPECT_EQ(p.Title, "Plant X\t\u00b5 \u2264 \U0001F50D"); // UTF-8 of every length, and a tab
    EXPECT_EQ(p.FiberMode, 1);
    ASSERT_EQ(p.Zones.size(), 2u);
    EXPECT_EQ(p.Zones[0].Rules[0].SizeText(), "\u22651.5 \u00b5m");
    EXPECT_TRUE(CountFindings(p, {At(D, 1.5f, 10), At(D, 9, 10), At(D, 1.4f, 10)}, 0.4f).Pass);
    EXPECT_FALSE(CountFindings(p, {At(D, 1.5f, 10), At(D, 9, 10), At(D, 2, 10)}, 0.4f).Pass);
}

// A profile folder is the user's, but a pipe or a device put there must not stall the start.
TEST(ProfileText, LoadRefusesWhatIsNoProfileFileWithoutBlocking)
{
    const auto dir = std::filesystem::temp_directory_path() / "fs-profile-refusals";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::ofstream(dir / "large") << "profile large\n" << std::string(70 * 1024, '#');
    const struct
    {
        std::filesystem::path Path;
        const char* Error;
    } cases[] = {
        {dir / "missing", "does not exist"},     {dir / "folder", "is not a regular file"},
        {dir / "pipe", "is not a regular file"}, {"/dev/zero", "is not a regular file"},
        {dir / "large", "is too large"},
    };
    for (const auto& c : cases)
    {
        TCriteriaProfile p;
        std::string error;
        EXPECT_FALSE(LoadProfileFile(c.Path.string(), p, error)) << c.Path;
        EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    }
    std::filesystem::remove_all(dir);
}

TEST(ProfileText, RefusalNamesTheLine)
{
    const struct
    {
        const char* Text;
        const char* Error;
    } cases[] = {
        {"profile p\nzone A 0 25\ndefect 5 none\n", "line 3: size class '5'"},
        {"profile p\nzone A 0 25\ndefect <5 few\n", "line 3: limit 'few'"},
        {"profile p\ndefect <5 none\n", "line 2: defect comes before the first zone"},
        {"profile p\nzone A 25 0\n", "line 2: zone takes"},
        {"profile p\nzone A 0 30\nzone B 25 50\n", "line 3: zone B overlaps"},
        {"profile p\nzone A 0 25\nscratch 6-3 none\n", "line 3: size class '6-3'"},
        {"zone A 0 25\n", "no profile name"},
        {"profile p\ncircle A 0 25\n", "line 2: unknown statement 'circle'"},
        {"profile p\nfiber om3\n", "line 2: fiber takes single or multi"},
        // What a file says reaches terminals, records and the grid: no control characters, UTF-8 only.
        {"profile p\ntitle Clean\x1b]0;forged\x07\n", "line 2: holds a control character"},
        {"profile p\ntitle Next\xc2\x85line\n", "line 2: holds a control character"},
        {"profile p\ntitle Caf\xe9\n", "line 2: holds a control character or is not UTF-8"},
        {"profile p\ntitle \xc0\xafoverlong\n", "line 2: holds a control character or is not UTF-8"},
        {"profile p\ntitle cut \xe2\x89\n", "line 2: holds a control character or is not UTF-8"},
        {"profile p\nzone A\x7f 0 25\n", "line 2: holds a control character"},
        {"profile p\ncircle\x08\x08\x08zone A 0 25\n", "line 2: holds a control character"},
        {"profile p\nferrule 12 3 250\n", "line 2: ferrule takes"},
        {"profile p\nferrule 12.5 1 250\n", "line 2: ferrule takes"},
        {"profile p\nferrule 12 1 100\n", "line 2: ferrule takes"},
        {"profile p\nferrule 12 1\n", "line 2: ferrule takes"},
        {"profile a,b\n", "line 1: profile takes one short name"},
        {"profile caf\xc3\xa9\n", "line 1: profile takes one short name"},
        {"profile a23456789012345678901234567890123456789012\n", "line 1: profile takes one short name"},
    };
    for (const auto& c : cases)
    {
        TCriteriaProfile p;
        std::string error;
        EXPECT_FALSE(ParseProfile(c.Text, p, error)) << c.Text;
        EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    }
}
