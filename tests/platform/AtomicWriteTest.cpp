// The one atomic write used for the settings file, annotations and saved images: through links,
// with the permissions a user expects, and nothing left behind when it fails.

#include "platform/AtomicWrite.h"

#include "tests/platform/TestImages.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::size_t Entries(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

struct TLinkCase
{
    const char* Name;
    const char* LinkTo; // relative to the folder "links"; TARGET is replaced by the target's path
};

void PrintTo(const TLinkCase& c, std::ostream* os)
{
    *os << c.Name;
}

class AtomicWriteThroughLink : public testing::TestWithParam<TLinkCase>
{
};

// The link stays a link and its target gets the bytes, so a settings file kept elsewhere and
// linked into the start folder is updated, not replaced by a copy.
TEST_P(AtomicWriteThroughLink, KeepsTheLinkAndWritesItsTarget)
{
    TTempFiles files;
    fs::create_directories(files.Path("real"));
    fs::create_directories(files.Path("links"));
    const std::string target = files.Path("real/s.ini");
    const std::string link = files.Path("links/s.ini");
    std::string to = GetParam().LinkTo;
    if (to == "TARGET")
        to = target;
    if (to == "CHAIN")
    {
        fs::create_symlink("../real/s.ini", files.Path("links/middle"));
        to = "middle";
    }
    fs::create_symlink(to, link);

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(link, "first", error)) << error;
    ASSERT_TRUE(WriteFileAtomically(link, "second", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), "second");
    EXPECT_EQ(fs::canonical(WriteTarget(link)), fs::canonical(target));
    EXPECT_EQ(Entries(files.Path("real")), 1u) << "temporary file left beside the target";
}

INSTANTIATE_TEST_SUITE_P(Links, AtomicWriteThroughLink,
                         testing::Values(TLinkCase{"Relative", "../real/s.ini"},
                                         TLinkCase{"Absolute", "TARGET"}, TLinkCase{"Chain", "CHAIN"}),
                         [](const testing::TestParamInfo<TLinkCase>& p) {
                             return std::string(p.param.Name);
                         });

TEST(AtomicWrite, KeepsAnExistingModeAndGivesNewFilesTheUmasksMode)
{
    TTempFiles files;
    const std::string existing = files.Path("existing");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(existing, "old", error)) << error;
    ASSERT_EQ(chmod(existing.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(existing, "new", error)) << error;
    EXPECT_EQ(ModeOf(existing), 0640u);

    const mode_t previous = umask(027);
    const bool written = WriteFileAtomically(files.Path("fresh"), "x", error);
    umask(previous);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(ModeOf(files.Path("fresh")), 0640u);
}

TEST(AtomicWrite, FailureNamesTheFileAndLeavesNothingBehind)
{
    TTempFiles files;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(files.Path("missing/s.ini"), "x", error));
    EXPECT_NE(error.find("missing/s.ini"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    // A folder where the file should be: the rename fails, the folder stays, no temporary file.
    fs::create_directories(files.Path("taken/s.ini"));
    EXPECT_FALSE(WriteFileAtomically(files.Path("taken/s.ini"), "x", error));
    EXPECT_TRUE(fs::is_directory(files.Path("taken/s.ini")));
    EXPECT_EQ(Entries(files.Path("taken")), 1u);
}
} // namespace
