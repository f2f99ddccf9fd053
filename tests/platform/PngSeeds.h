#pragma once
// The PNG seeds of the fuzz corpora (fuzz/make-seeds writes them), made here so that the tests go
// through the same files without a fuzz build.

#include "tests/platform/ImageFixtures.h"

#include <string>
#include <vector>

struct TNamedFile
{
    std::string Name;
    TBytes Bytes;
};

// Every colour type and bit depth, with and without a transparency chunk, interlaced or not: the
// decoders' seeds.
std::vector<TNamedFile> DecoderPngSeeds();

// 8-bit files of every kind the fast road takes: each filter type alone and all in turn, the image
// data split into several chunks, ancillary chunks around it, stored, fixed-code and small-window
// zlib streams, long runs. The fast road's own seeds, beside the decoders'.
std::vector<TNamedFile> FastRoadPngSeeds();
