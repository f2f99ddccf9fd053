#pragma once
// Small JSON pieces for the command-line analyser: one object per line, built by appending.

#include <string>
#include <string_view>

// s as a quoted JSON string. Valid UTF-8 passes through; quotes, backslashes and control
// characters (C0, DEL and C1) are escaped; each byte that is not part of valid UTF-8 becomes \udcXX (XX the
// byte), the surrogate-escape convention, so a script can get the exact bytes of a file name back.
std::string JsonString(std::string_view s);

// s with the same escapes, without the quotes, and with quotes left as they are: a file name as
// one line of a table or a message, so a line break in a name cannot forge another line.
std::string EscapedText(std::string_view s);

// The shortest decimal that reads back as the same single-precision value; null for NaN and
// infinities, which JSON cannot hold.
std::string JsonFloat(float v);
