#pragma once
// Which kind of file system a folder is on, as far as the station's records care: a record log
// shared through a network file system may not get the lock it relies on.

#include <QString>

// The network file system a folder is on ("nfs", "cifs", "smb2", "fuse", ...), or empty for a
// local one (and for a folder that cannot be looked at).
QString NetworkFileSystem(const QString& folder);

// The same for a file system type as statfs reports it.
QString NetworkFileSystemOfType(long type);
