#pragma once
// Whole decimal text to int, for edits that must hold a number. Refused text throws
// std::invalid_argument whose message names the text, so the exception display tells the
// operator which entry is wrong.

#include <QString>

// Accepts surrounding blanks, an optional sign and decimal digits within the 32-bit range.
int StrToInt(const QString& text);
