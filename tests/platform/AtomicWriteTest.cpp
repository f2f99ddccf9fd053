// The one atomic write used for the settings file, annotations and saved images: through links,
// with the permissions a user expects, and nothing left behind when it fails.

#include "platform/AtomicWrite.h"

#include "platform/AtomicWriteDetail.h"
#include "tests/platform/TestImages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <vector>

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

// What the sync of the temporary file saw: the target's bytes and the temporary file's size at
// that moment. The probe fails the sync with Error when that is not 0.
struct TSyncSeen
{
    std::string Target;
    int Error = 0;
    std::string TargetBytes;
    long long TemporarySize = -1;
};
TSyncSeen SyncSeen;

int ProbeSync(int fd)
{
    SyncSeen.TargetBytes = Read(SyncSeen.Target);
    struct stat info
    {
    };
    SyncSeen.TemporarySize = fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
    if (SyncSeen.Error == 0)
        return ::fsync(fd);
    errno = SyncSeen.Error;
    return -1;
}

// The probe in place of the sync for one scope.
class TProbedSync
{
public:
    TProbedSync(const std::string& target, int error) : Previous_(AtomicWriteDetail::SyncFile)
    {
        SyncSeen = {target, error, {}, -1};
        AtomicWriteDetail::SyncFile = ProbeSync;
    }
    ~TProbedSync() { AtomicWriteDetail::SyncFile = Previous_; }
    TProbedSync(const TProbedSync&) = delete;
    TProbedSync& operator=(const TProbedSync&) = delete;

private:
    AtomicWriteDetail::TSyncFile Previous_;
};

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

// The bytes are synced before the rename: at the sync the target still holds its old bytes and
// the temporary file all the new ones, so a sync that fails (a disk that is full or failing)
// leaves the old file, is reported with the file's name and the reason, and leaves nothing behind.
TEST(AtomicWrite, SyncsBeforeTheRenameAndAFailedSyncKeepsTheOldFile)
{
    TTempFiles files;
    fs::create_directories(files.Path("folder"));
    const std::string path = files.Path("folder/s.ini");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "old", error)) << error;
    {
        TProbedSync failing(path, EIO);
        EXPECT_FALSE(WriteFileAtomically(path, "new bytes", error));
    }
    EXPECT_EQ(Read(path), "old");
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
    EXPECT_EQ(Entries(files.Path("folder")), 1u) << "temporary file left beside the target";
    {
        TProbedSync probed(path, 0);
        ASSERT_TRUE(WriteFileAtomically(path, "new bytes", error)) << error;
    }
    EXPECT_EQ(SyncSeen.TargetBytes, "old");
    EXPECT_EQ(SyncSeen.TemporarySize, 9);
    EXPECT_EQ(Read(path), "new bytes");
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

// What a killed writer left behind goes with the next write to the folder: our own old
// temporaries only, never another writer's fresh one, a file of another name, or a link.
TEST(AtomicWrite, RemovesStaleTemporariesOfThisUserOnTheNextWrite)
{
    TTempFiles files;
    fs::create_directories(files.Path("shared"));
    const auto make = [&](const char* name, int ageMinutes) {
        const std::string path = files.Path(std::string("shared/") + name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs("partial", f);
        std::fclose(f);
        const auto when = fs::file_time_type::clock::now() - std::chrono::minutes(ageMinutes);
        fs::last_write_time(path, when);
    };
    make(".AB0001.bmp.k3J9aQ", 120);   // stale: removed
    make(".20261211.bmp.Zz09xy", 11);  // stale: removed
    make(".AB0002.bmp.q7Tr2M", 1);     // another writer's, still fresh: kept
    make(".profile", 120);             // not a temporary name: kept
    make(".AB0003.bmp.toolong1", 120); // not ours: kept
    fs::create_symlink(files.Path("shared/.profile"), files.Path("shared/.AB0004.bmp.L1nk00"));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(files.Path("shared/AB0005.bmp"), "report", error)) << error;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(files.Path("shared")))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".AB0002.bmp.q7Tr2M", ".AB0003.bmp.toolong1",
                                              ".AB0004.bmp.L1nk00", ".profile", "AB0005.bmp"}));
}
