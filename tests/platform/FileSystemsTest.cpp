// Which folders the station treats as on a network file system, where the log's lock may not
// hold across machines.

#include "platform/FileSystems.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileSystems, NamesNetworkFileSystemsAndNothingLocal)
{
    const struct
    {
        long Type;
        const char* Name;
    } cases[] = {
        {0x6969, "nfs"},
        {static_cast<long>(0xFF534D42), "cifs"},
        {static_cast<long>(0xFE534D42), "smb2"},
        {0x517B, "smb"},
        {0x65735546, "fuse"},
        {0xEF53, ""}, // ext4
        {0x58465342, ""},
        {0x01021994, ""},
        {0x9123683E, ""}, // xfs, tmpfs, btrfs
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkFileSystemOfType(c.Type), QString::fromLatin1(c.Name)) << std::hex << c.Type;
    // statfs's type is signed on some machines: the high bit must not hide CIFS.
    EXPECT_EQ(NetworkFileSystemOfType(static_cast<long>(static_cast<int>(0xFF534D42))), "cifs");

    const QTemporaryDir local;
    EXPECT_EQ(NetworkFileSystem(local.path()), QString());
    EXPECT_EQ(NetworkFileSystem(QDir(local.path()).filePath("missing")), QString());
}
