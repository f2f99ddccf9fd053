#pragma once
// Writes a whole file or nothing: the bytes go to a temporary file beside the target, are synced
// and renamed over it. The path is used byte for byte, so names that are not valid UTF-8 stay
// what they were (Qt's file classes would turn such bytes into U+FFFD).

#include <string>
#include <string_view>

// Returns false and sets error (naming the file and the reason) when the file could not be
// written; no temporary file is left behind then.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
