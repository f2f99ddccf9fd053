#pragma once
// The call WriteFileAtomically makes to put the temporary file's bytes on disk before the rename:
// ::fsync. A variable so that a test can make it fail, or look at the files at that moment;
// nothing else sets it.

namespace AtomicWriteDetail
{
using TSyncFile = int (*)(int fd);
extern TSyncFile SyncFile;
} // namespace AtomicWriteDetail
