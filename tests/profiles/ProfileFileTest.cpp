// A profile file is read only as far as a profile can reach: a huge file is refused by its size
// before a byte of it is read, and the limit itself still loads.

#include "profiles/CriteriaProfile.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace
{
// Bytes this process has read so far, as the kernel counts them.
long long BytesRead()
{
    std::ifstream in("/proc/self/io");
    for (std::string key; in >> key;)
    {
        long long value = 0;
        in >> value;
        if (key == "rchar:")
            return value;
    }
    return -1;
}
} // namespace

TEST(ProfileFile, AHugeFileIsRefusedWithoutBeingRead)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("huge.profile").toStdString();
    std::ofstream(path) << "profile huge\nzone A 0 25\n";
    // 300 MB that take no disk: a hole after the first line.
    ASSERT_EQ(::truncate(path.c_str(), 300LL * 1000 * 1000), 0);

    TCriteriaProfile profile;
    std::string error;
    const long long before = BytesRead();
    EXPECT_FALSE(LoadProfileFile(path, profile, error));
    const long long read = BytesRead() - before;

    EXPECT_NE(error.find("is too large"), std::string::npos) << error;
    EXPECT_LT(read, 1024 * 1024);
}

TEST(ProfileFile, TheLimitLoadsAndOneByteMoreIsRefused)
{
    QTemporaryDir dir;
    const std::string head = "profile edge\nzone A 0 25\n";
    for (const std::size_t size : {std::size_t{64 * 1024}, std::size_t{64 * 1024 + 1}})
    {
        SCOPED_TRACE(size);
        const std::string path = dir.filePath("edge.profile").toStdString();
        std::ofstream(path) << head << std::string(size - head.size() - 1, '#') << '\n';
        TCriteriaProfile profile;
        std::string error;
        const bool loaded = LoadProfileFile(path, profile, error);
        EXPECT_EQ(loaded, size == 64 * 1024) << error;
        if (!loaded)
        {
            EXPECT_NE(error.find("is too large"), std::string::npos) << error;
        }
    }
}
