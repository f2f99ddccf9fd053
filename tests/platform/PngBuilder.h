#pragma once
// PNG files put together chunk by chunk, for the fast PNG road's tests and fuzz seeds: each row
// filtered as asked, the zlib stream made with the window and level asked (or given whole), the
// image data split into IDAT chunks of a given size, ancillary chunks before or after it. libpng's
// writer can neither split the data at will nor choose each row's filter.

#include "tests/platform/ImageFixtures.h"

#include <cstddef>
#include <vector>

struct TPngPlan
{
    int Width = 0;
    int Height = 0;
    int ColourType = 2;         // 8 bits per sample: 0 grey, 2 R G B, 4 grey and alpha, 6 R G B A
    TBytes Pixels;              // rows top to bottom, unfiltered, Width x channels bytes each
    std::vector<int> Filters;   // row y uses Filters[y % size]; empty: y % 5, every type in turn
    std::size_t ChunkBytes = 0; // image data per IDAT chunk; 0: all in one
    int WindowBits = 15;
    int Level = 6;
    TBytes Before; // whole chunks between IHDR and the image data
    TBytes After;  // whole chunks between the image data and IEND
};

int PngChannels(int colourType);

// A plan of random pixels; with alpha, every alpha value from 0 to 255 turns up.
TPngPlan RandomPngPlan(int width, int height, int colourType, unsigned seed);

// The rows as stored before compression: each row's filter byte, then its filtered bytes.
TBytes FilteredPngRows(const TPngPlan& plan);
TBytes ZlibStream(const TBytes& data, int windowBits = 15, int level = 6);
// Length, type, data and CRC.
TBytes PngChunk(const char* type, const TBytes& data);

// The whole file; with stream, that zlib stream in place of the plan's rows.
TBytes BuildPng(const TPngPlan& plan, const TBytes* stream = nullptr);
