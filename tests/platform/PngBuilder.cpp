#include "tests/platform/PngBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>
#include <stdexcept>
#include <zlib.h>

namespace
{
void Put32(TBytes& b, std::uint32_t v)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    b.insert(b.end(), std::begin(bytes), std::end(bytes));
}

int PaethOf(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}
} // namespace

int PngChannels(int colourType)
{
    switch (colourType)
    {
    case 0:
        return 1;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 3;
    }
}

TPngPlan RandomPngPlan(int width, int height, int colourType, unsigned seed)
{
    TPngPlan plan;
    plan.Width = width;
    plan.Height = height;
    plan.ColourType = colourType;
    std::mt19937 random(seed);
    const std::size_t channels = static_cast<std::size_t>(PngChannels(colourType));
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t p = 0; p < pixels; ++p)
        for (std::size_t k = 0; k < channels; ++k)
        {
            // Smooth colour with some noise, so every filter has something to predict; alpha
            // counts through all its values.
            const bool alpha = (colourType & 4) && k + 1 == channels;
            plan.Pixels.push_back(alpha ? static_cast<std::uint8_t>(p * 37)
                                        : static_cast<std::uint8_t>(p / 3 + 40 * k + random() % 24));
        }
    return plan;
}

TBytes FilteredPngRows(const TPngPlan& plan)
{
    const std::size_t bpp = static_cast<std::size_t>(PngChannels(plan.ColourType));
    const std::size_t stride = static_cast<std::size_t>(plan.Width) * bpp;
    const TBytes zeros(stride, 0);
    TBytes out;
    for (std::size_t y = 0; y < static_cast<std::size_t>(plan.Height); ++y)
    {
        const int type =
            plan.Filters.empty() ? static_cast<int>(y % 5) : plan.Filters[y % plan.Filters.size()];
        const std::uint8_t* row = plan.Pixels.data() + y * stride;
        const std::uint8_t* up = y ? row - stride : zeros.data();
        out.push_back(static_cast<std::uint8_t>(type));
        for (std::size_t i = 0; i < stride; ++i)
        {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int upLeft = i >= bpp ? up[i - bpp] : 0;
            int predicted = 0;
            switch (type)
            {
            case 1:
                predicted = left;
                break;
            case 2:
                predicted = up[i];
                break;
            case 3:
                predicted = (left + up[i]) / 2;
                break;
            case 4:
                predicted = PaethOf(left, up[i], upLeft);
                break;
            default:
                break;
            }
            out.push_back(static_cast<std::uint8_t>(row[i] - predicted));
        }
    }
    return out;
}

TBytes ZlibStream(const TBytes& data, int windowBits, int level)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib could not start");
    TBytes out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("zlib could not compress");
    return out;
}

TBytes PngChunk(const char* type, const TBytes& data)
{
    // Sized first and written in place: GCC's -O3 sees phantom overflows in inserts into a new vector.
    TBytes out(data.size() + 12);
    const auto put32 = [&out](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    put32(0, static_cast<std::uint32_t>(data.size()));
    std::copy_n(type, 4, out.begin() + 4);
    std::copy(data.begin(), data.end(), out.begin() + 8);
    put32(8 + data.size(),
          static_cast<std::uint32_t>(crc32(0, out.data() + 4, static_cast<uInt>(data.size() + 4))));
    return out;
}

TBytes BuildPng(const TPngPlan& plan, const TBytes* stream)
{
    TBytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBytes header;
    Put32(header, static_cast<std::uint32_t>(plan.Width));
    Put32(header, static_cast<std::uint32_t>(plan.Height));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(plan.ColourType), 0, 0, 0});
    const TBytes ihdr = PngChunk("IHDR", header);
    out.insert(out.end(), ihdr.begin(), ihdr.end());
    out.insert(out.end(), plan.Before.begin(), plan.Before.end());
    const TBytes data = stream ? *stream : ZlibStream(FilteredPngRows(plan), plan.WindowBits, plan.Level);
    const std::size_t step = plan.ChunkBytes ? plan.ChunkBytes : std::max<std::size_t>(data.size(), 1);
    for (std::size_t at = 0; at < data.size() || at == 0; at += step)
    {
        const auto first = data.begin() + static_cast<std::ptrdiff_t>(std::min(at, data.size()));
        const auto last = data.begin() + static_cast<std::ptrdiff_t>(std::min(at + step, data.size()));
        const TBytes idat = PngChunk("IDAT", TBytes(first, last));
        out.insert(out.end(), idat.begin(), idat.end());
    }
    out.insert(out.end(), plan.After.begin(), plan.After.end());
    const TBytes iend = PngChunk("IEND", {});
    out.insert(out.end(), iend.begin(), iend.end());
    return out;
}
