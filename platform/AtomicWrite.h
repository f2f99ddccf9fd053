#pragma once
// Writes a whole file or nothing: the bytes go to a temporary file beside the target, are synced
// and renamed over it. The path is used byte for byte, so names that are not valid UTF-8 stay
// what they were (Qt's file classes would turn such bytes into U+FFFD).
//
// A path that is a symbolic link is written through: the link stays, its target gets the bytes
// (the temporary file and the rename are beside the target). An existing file keeps its
// permissions; a new one gets those any new file gets (0666 less the umask).

#include <string>
#include <string_view>

// Returns false and sets error (naming the file and the reason) when the file could not be
// written; no temporary file is left behind then.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

// The file a write to path lands in: path with every symbolic link of its last component followed
// (the target need not exist yet). path itself when it is no link.
std::string WriteTarget(const std::string& path);
