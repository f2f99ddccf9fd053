#include "platform/FileSystems.h"

#include <QFile>
#include <sys/vfs.h>

QString NetworkFileSystemOfType(long type)
{
    // The magic numbers of linux/magic.h and the file systems' own headers. FUSE covers sshfs
    // and most user-space network mounts, whose locks are the mount's own business.
    struct Kind
    {
        unsigned long Magic;
        const char* Name;
    };
    static const Kind kinds[] = {
        {0x6969, "nfs"},      {0xFF534D42, "cifs"}, {0xFE534D42, "smb2"}, {0x517B, "smb"},
        {0x65735546, "fuse"}, {0x5346414F, "afs"},  {0x564C, "ncp"},      {0x73757245, "coda"},
        {0x01021997, "9p"},   {0x00C36400, "ceph"}, {0x47504653, "gpfs"}, {0x0BD00BD0, "lustre"},
    };
    const auto magic = static_cast<unsigned long>(type) & 0xFFFFFFFFul;
    for (const Kind& k : kinds)
        if (k.Magic == magic)
            return QString::fromLatin1(k.Name);
    return QString();
}

QString NetworkFileSystem(const QString& folder)
{
    struct statfs fs = {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return QString();
    return NetworkFileSystemOfType(static_cast<long>(fs.f_type));
}
