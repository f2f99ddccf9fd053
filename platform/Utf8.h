#pragma once
// UTF-8 as the station checks it wherever outside text (file names, profile files) is shown.

#include <cstddef>
#include <string_view>

// Length of the valid UTF-8 sequence starting at s[i], or 0 when there is none there: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);
