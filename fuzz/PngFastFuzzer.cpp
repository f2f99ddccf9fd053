// The fast PNG road against the libpng road, in memory: on the bytes as given, again with every
// chunk's CRC made right, so that mutations reach the inflater, and again with the zlib check
// value of the image data made right too, so that mutated rows reach the filters. Contract: every
// kernel target gives the same answer and the same bytes; a file the fast road takes, the libpng
// road takes too, with the same bitmap (alpha blended over white by TRasterBase::DecodeToBitmap);
// a file it leaves, it leaves the bitmap as it was; with the analyzer's sizes it takes only a file
// of one of them. The one difference allowed: image data that zlib refuses for one of the codes
// RFC 1951 reserves and libdeflate decodes (see platform/PngFastDecoder.cpp), told by zlib's message.

#include "fuzz/FuzzCheck.h"
#include "platform/ImageDecoders.h"
#include "platform/PngFastDecoder.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

namespace
{
using TBytes = std::vector<std::uint8_t>;

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Every chunk's CRC recomputed, as far as the chunk lengths hold.
TBytes WithRightCrcs(const std::uint8_t* data, std::size_t size)
{
    TBytes png(data, data + size);
    for (std::size_t at = 8; at + 12 <= size;)
    {
        const std::uint32_t length = BigEndian32(data + at);
        if (length > size - at - 12)
            break;
        const auto crc = static_cast<std::uint32_t>(crc32(0, data + at + 4, length + 4));
        for (int i = 0; i < 4; ++i)
            png[at + 8 + length + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + std::size_t{length};
    }
    return png;
}

// The file offset of each byte of the image data, joined.
std::vector<std::size_t> ImageDataOffsets(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::size_t> offsets;
    for (std::size_t at = 8; at + 12 <= size;)
    {
        const std::uint32_t length = BigEndian32(data + at);
        if (length > size - at - 12)
            break;
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0)
            for (std::size_t i = 0; i < length; ++i)
                offsets.push_back(at + 8 + i);
        at += 12 + std::size_t{length};
    }
    return offsets;
}

TBytes ImageData(const std::uint8_t* data, const std::vector<std::size_t>& offsets)
{
    TBytes stream;
    for (std::size_t at : offsets)
        stream.push_back(data[at]);
    return stream;
}

// What zlib makes of a whole stream: its last result and message, the input it read and the
// check value of what it wrote. windowBits as inflateInit2 takes it (0: the stream's own).
struct TInflated
{
    int Result = Z_STREAM_ERROR;
    std::string Message;
    std::size_t Read = 0;
    std::uint32_t Adler = 0;
};

TInflated InflateWhole(TBytes stream, int windowBits)
{
    TInflated out;
    z_stream z{};
    if (inflateInit2(&z, windowBits) != Z_OK)
        return out;
    z.next_in = stream.data();
    z.avail_in = static_cast<uInt>(stream.size());
    std::uint8_t sink[1 << 16];
    int rc = Z_OK;
    while (rc == Z_OK)
    {
        z.next_out = sink;
        z.avail_out = sizeof sink;
        rc = inflate(&z, Z_NO_FLUSH);
    }
    out.Result = rc;
    out.Message = z.msg ? z.msg : "";
    out.Read = z.total_in;
    out.Adler = static_cast<std::uint32_t>(z.adler);
    inflateEnd(&z);
    return out;
}

// The file with the zlib check value of its image data made right, when zlib refuses only that:
// mutated rows then reach the filters. Empty when there is nothing to make right.
TBytes WithRightCheckValue(const TBytes& png)
{
    const std::vector<std::size_t> offsets = ImageDataOffsets(png.data(), png.size());
    const TInflated z = InflateWhole(ImageData(png.data(), offsets), 15);
    const bool wrongCheck = z.Result == Z_DATA_ERROR && z.Message == "incorrect data check";
    const std::size_t end = z.Read;
    const std::uint32_t check = z.Adler;
    if (!wrongCheck || end < 4)
        return {};
    TBytes fixed = png;
    for (std::size_t i = 0; i < 4; ++i)
        fixed[offsets[end - 4 + i]] = static_cast<std::uint8_t>(check >> (24 - 8 * i));
    return WithRightCrcs(fixed.data(), fixed.size());
}

// zlib's verdict on the file's image data, joined: whether it refuses one of the codes that only
// zlib refuses.
bool ZlibRefusesAReservedCode(const std::uint8_t* data, std::size_t size)
{
    const TInflated z = InflateWhole(ImageData(data, ImageDataOffsets(data, size)), 0);
    static const char* const reserved[] = {"invalid literal/length code", "invalid distance code",
                                           "too many length or distance symbols", "invalid code lengths set",
                                           "invalid bit length repeat"};
    const bool refused =
        z.Result == Z_DATA_ERROR &&
        std::any_of(std::begin(reserved), std::end(reserved), [&](const char* m) { return z.Message == m; });
    return refused;
}

QImage Marked()
{
    QImage image(3, 2, QImage::Format_BGR888);
    image.fill(QColor(1, 2, 3));
    return image;
}

void Check(const std::uint8_t* data, std::size_t size)
{
    static const TImageSizes analyzerSizes{{{640, 480}, {720, 480}}};
    static const std::vector<TPngFastTarget> targets = SupportedPngFastTargets();
    const TPngFastTarget saved = PngFastTarget();

    std::vector<TBitmap> fast(targets.size());
    std::vector<bool> taken(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
    {
        SetPngFastTarget(targets[i]);
        fast[i].Image() = Marked();
        taken[i] = DecodePngFast(data, size, fast[i]) == TPngFastResult::Taken;
        FUZZ_CHECK(taken[i] == taken[0]);
        FUZZ_CHECK(fast[i].Image() == (taken[i] ? fast[0].Image() : Marked()));
    }
    SetPngFastTarget(saved);
    if (!taken[0])
        return;

    TRgbaImage rgba;
    if (!DecodePng(data, size, rgba))
    {
        FUZZ_CHECK(ZlibRefusesAReservedCode(data, size));
        return;
    }
    TRasterBase raster;
    raster.Alloc(rgba.Width, rgba.Height);
    FUZZ_CHECK(raster.Pixels);
    std::copy(rgba.Pixels.begin(), rgba.Pixels.end(), raster.Pixels);
    TBitmap general;
    FUZZ_CHECK(raster.DecodeToBitmap(&general));
    FUZZ_CHECK(fast[0].Image() == general.Image());

    TBitmap limited;
    const bool takenLimited = DecodePngFast(data, size, limited, &analyzerSizes) == TPngFastResult::Taken;
    FUZZ_CHECK(takenLimited == analyzerSizes.Accepts(rgba.Width, rgba.Height));
    FUZZ_CHECK(!takenLimited || limited.Image() == general.Image());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Check(data, size);
    const TBytes fixed = WithRightCrcs(data, size);
    if (!std::equal(fixed.begin(), fixed.end(), data))
        Check(fixed.data(), fixed.size());
    const TBytes checked = WithRightCheckValue(fixed);
    if (!checked.empty())
        Check(checked.data(), checked.size());
    return 0;
}
