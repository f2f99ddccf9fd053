// The fast PNG road against the libpng road (libpng's R G B A, blended over white by the raster
// wrapper): on every kernel target, each file it takes gives the libpng road's bytes; it takes
// every fuzz seed, sample and generated file of its kind; it leaves every damaged, unusual or
// oversized file, and the bitmap with it.

#include "platform/PngFastDecoder.h"

#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"
#include "tests/platform/AllocationProbe.h"
#include "tests/platform/HostileImages.h"
#include "tests/platform/PngBuilder.h"
#include "tests/platform/PngSeeds.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

namespace
{
std::vector<std::uint8_t> BytesOf(const TBitmap& b)
{
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y)
        out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + 3 * b.Width());
    return out;
}

// The libpng road in memory; empty when libpng refuses the file.
TBitmap LibpngRoad(const TBytes& file)
{
    TRgbaImage rgba;
    TBitmap bitmap;
    if (!DecodePng(file.data(), file.size(), rgba))
        return bitmap;
    TRasterBase raster;
    raster.Alloc(rgba.Width, rgba.Height);
    std::copy(rgba.Pixels.begin(), rgba.Pixels.end(), raster.Pixels);
    raster.DecodeToBitmap(&bitmap);
    return bitmap;
}

struct TFast
{
    bool Taken = false;
    TBitmap Bitmap;
};

// The fast road on every target the processor has; they must agree.
TFast FastOnEveryTarget(const TBytes& file, const std::string& name, const TImageSizes* sizes = nullptr)
{
    const TPngFastTarget saved = PngFastTarget();
    TFast first;
    for (TPngFastTarget target : SupportedPngFastTargets())
    {
        SetPngFastTarget(target);
        TFast fast;
        fast.Taken = DecodePngFast(file.data(), file.size(), fast.Bitmap, sizes) == TPngFastResult::Taken;
        if (target == TPngFastTarget::Scalar)
            first = fast;
        else
        {
            EXPECT_EQ(fast.Taken, first.Taken) << name << " target " << static_cast<int>(target);
            EXPECT_EQ(BytesOf(fast.Bitmap), BytesOf(first.Bitmap))
                << name << " target " << static_cast<int>(target);
        }
    }
    SetPngFastTarget(saved);
    return first;
}

// Taken, with the libpng road's bytes, on every target.
void ExpectTakenAsLibpng(const TBytes& file, const std::string& name)
{
    const TFast fast = FastOnEveryTarget(file, name);
    EXPECT_TRUE(fast.Taken) << name;
    if (!fast.Taken)
        return;
    const TBitmap expected = LibpngRoad(file);
    ASSERT_FALSE(expected.Empty()) << name << ": the libpng road refuses it";
    EXPECT_EQ(fast.Bitmap.Width(), expected.Width()) << name;
    EXPECT_EQ(fast.Bitmap.Height(), expected.Height()) << name;
    EXPECT_EQ(BytesOf(fast.Bitmap), BytesOf(expected)) << name;
}

// Whether a file is of the fast road's kind: 8 bits, grey, grey and alpha, R G B or R G B A, not
// interlaced, without a palette or transparency chunk.
bool FastKind(const TBytes& png)
{
    const int depth = png[24], colour = png[25], interlace = png[28];
    bool plain = depth == 8 && (colour == 0 || colour == 2 || colour == 4 || colour == 6) && interlace == 0;
    for (std::size_t at = 8; at + 8 <= png.size();)
    {
        const std::uint32_t length = (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
                                     (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
        const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        plain = plain && type != "tRNS" && type != "PLTE";
        at += 12 + std::size_t{length};
    }
    return plain;
}

TBytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), {});
}

TPngPlan Plan(int width, int height, int colourType, std::vector<int> filters = {})
{
    TPngPlan plan = RandomPngPlan(width, height, colourType, static_cast<unsigned>(width * 31 + colourType));
    plan.Filters = std::move(filters);
    return plan;
}

// The same plan with ancillary chunks placed before or after the image data.
TBytes WithChunks(TPngPlan plan, const TBytes& before, const TBytes& after)
{
    plan.Before = before;
    plan.After = after;
    return BuildPng(plan);
}

TBytes Joined(std::initializer_list<TBytes> parts)
{
    TBytes out;
    for (const TBytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The offset of the first chunk of the given type.
std::size_t ChunkAt(const TBytes& png, const char* type)
{
    for (std::size_t at = 8; at + 8 <= png.size();)
    {
        if (std::equal(type, type + 4, png.begin() + static_cast<std::ptrdiff_t>(at + 4)))
            return at;
        at += 12 + ((std::size_t{png[at]} << 24) | (std::size_t{png[at + 1]} << 16) |
                    (std::size_t{png[at + 2]} << 8) | png[at + 3]);
    }
    return png.size();
}

// A file made when its test runs, not when the tests are listed.
struct TCase
{
    std::string Name;
    std::function<TBytes()> Make;
};

void PrintTo(const TCase& c, std::ostream* os)
{
    *os << c.Name;
}
} // namespace

TEST(PngFastDecoder, TakesTheSeedsAndSamplesOfItsKindWithTheLibpngRoadsBytes)
{
    std::vector<TNamedFile> files = DecoderPngSeeds();
    for (TNamedFile& seed : FastRoadPngSeeds())
        files.push_back(std::move(seed));
    for (const auto& entry : std::filesystem::directory_iterator(FS_SOURCE_DIR "/samples"))
        if (entry.path().extension() == ".png")
            files.push_back({entry.path().filename().string(), ReadFile(entry.path())});
    for (const TNamedFile& file : files)
    {
        if (FastKind(file.Bytes))
            ExpectTakenAsLibpng(file.Bytes, file.Name);
        else
            EXPECT_FALSE(FastOnEveryTarget(file.Bytes, file.Name).Taken) << file.Name;
    }
}

class PngFastTakes : public testing::TestWithParam<TCase>
{
};

TEST_P(PngFastTakes, WithTheLibpngRoadsBytes)
{
    ExpectTakenAsLibpng(GetParam().Make(), GetParam().Name);
}

std::vector<TCase> TakenCases()
{
    std::vector<TCase> cases;
    const char* kinds[] = {"grey", "", "rgb", "", "grey-alpha", "", "rgba"};
    for (int colour : {0, 2, 4, 6})
    {
        const std::string kind = kinds[colour];
        for (int filter = 0; filter <= 4; ++filter)
            cases.push_back({kind + " filter " + std::to_string(filter),
                             [=] { return BuildPng(Plan(37, 23, colour, {filter})); }});
        cases.push_back({kind + " filters in turn", [=] { return BuildPng(Plan(37, 23, colour)); }});
        // Narrow rows end inside the first vector step.
        for (int width : {1, 2, 3, 5, 6, 7, 16, 17, 21})
            cases.push_back(
                {kind + " width " + std::to_string(width), [=] { return BuildPng(Plan(width, 6, colour)); }});
        cases.push_back({kind + " one byte per chunk", [=] {
                             TPngPlan split = Plan(29, 11, colour);
                             split.ChunkBytes = 1;
                             return BuildPng(split);
                         }});
        cases.push_back({kind + " chunks and an empty one", [=] {
                             TPngPlan split = Plan(29, 11, colour);
                             split.ChunkBytes = 100;
                             split.After = PngChunk("IDAT", {});
                             return BuildPng(split);
                         }});
        for (int level : {0, 1, 9})
            cases.push_back({kind + " zlib level " + std::to_string(level), [=] {
                                 TPngPlan small = Plan(11, 5, colour);
                                 small.Level = level;
                                 return BuildPng(small);
                             }});
        cases.push_back({kind + " 512-byte window", [=] {
                             TPngPlan small = Plan(11, 5, colour);
                             small.WindowBits = 9;
                             return BuildPng(small);
                         }});
    }
    cases.push_back({"rgb 720 x 480", [] { return BuildPng(Plan(720, 480, 2)); }});
    cases.push_back({"rgba 720 x 480", [] { return BuildPng(Plan(720, 480, 6)); }});
    cases.push_back({"grey 640 x 480", [] { return BuildPng(Plan(640, 480, 0)); }});
    // Every colour value under every alpha, through each filter.
    for (int colour : {4, 6})
        cases.push_back({std::string(kinds[colour]) + " every value under every alpha", [=] {
                             TPngPlan all;
                             all.Width = 256;
                             all.Height = 256;
                             all.ColourType = colour;
                             for (int a = 0; a < 256; ++a)
                                 for (int c = 0; c < 256; ++c)
                                 {
                                     const auto v = static_cast<std::uint8_t>(c);
                                     const auto alpha = static_cast<std::uint8_t>(a);
                                     if (colour == 4)
                                         all.Pixels.insert(all.Pixels.end(), {v, alpha});
                                     else
                                         all.Pixels.insert(all.Pixels.end(),
                                                           {v, static_cast<std::uint8_t>(255 - c),
                                                            static_cast<std::uint8_t>(c ^ a), alpha});
                                 }
                             return BuildPng(all);
                         }});
    // Ancillary chunks around the image data, and bytes after the end.
    const TBytes text = PngChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'f', 'a', 'c', 'e'});
    const TBytes gamma = PngChunk("gAMA", {0, 0, 0xB1, 0x8F});
    const TBytes srgb = PngChunk("sRGB", {0});
    const TBytes physical = PngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1});
    const TBytes time = PngChunk("tIME", {0x07, 0xE8, 1, 2, 3, 4, 5});
    const TBytes background = PngChunk("bKGD", {0, 9, 0, 9, 0, 9});
    const TBytes bits = PngChunk("sBIT", {8, 8, 8});
    const TBytes own = PngChunk("prVt", {1, 2, 3});
    cases.push_back({"chunks before the data", [=] {
                         return WithChunks(Plan(19, 9, 2),
                                           Joined({gamma, srgb, physical, background, bits, own, text}), {});
                     }});
    cases.push_back({"chunks after the data", [=] {
                         return WithChunks(Plan(19, 9, 2), {}, Joined({text, time, own}));
                     }});
    cases.push_back({"bytes after the end", [] {
                         TBytes png = BuildPng(Plan(19, 9, 2));
                         png.insert(png.end(), {0, 1, 2, 3, 'x'});
                         return png;
                     }});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, PngFastTakes, testing::ValuesIn(TakenCases()));

class PngFastLeaves : public testing::TestWithParam<TCase>
{
};

// Left to the libpng road, and the bitmap left as it was.
TEST_P(PngFastLeaves, AndTheBitmapAsItWas)
{
    const TCase& c = GetParam();
    const TBytes file = c.Make();
    for (TPngFastTarget target : SupportedPngFastTargets())
    {
        const TPngFastTarget saved = PngFastTarget();
        SetPngFastTarget(target);
        TBitmap bitmap(5, 3);
        bitmap.Image().fill(QColor(7, 8, 9));
        const std::vector<std::uint8_t> before = BytesOf(bitmap);
        EXPECT_EQ(DecodePngFast(file.data(), file.size(), bitmap), TPngFastResult::NotTaken)
            << c.Name << " target " << static_cast<int>(target);
        EXPECT_EQ(BytesOf(bitmap), before) << c.Name;
        SetPngFastTarget(saved);
    }
}

namespace
{
// The file with a byte changed (CRCs left as they are).
TBytes Changed(TBytes png, std::size_t at, std::uint8_t value)
{
    png[at] = value;
    return png;
}

// The file with the byte at `at` changed and every CRC made right again.
TBytes ChangedAndSealed(TBytes png, std::size_t at, std::uint8_t value)
{
    png[at] = value;
    FixPngCrcs(png);
    return png;
}

TBytes WithStream(const TPngPlan& plan, const TBytes& stream)
{
    return BuildPng(plan, &stream);
}
} // namespace

std::vector<TCase> LeftCases()
{
    const TPngPlan plan = Plan(33, 17, 2);
    const TBytes good = BuildPng(plan);
    const std::size_t idat = ChunkAt(good, "IDAT");
    const std::size_t iend = ChunkAt(good, "IEND");
    const TBytes rows = FilteredPngRows(plan);
    const TBytes stream = ZlibStream(rows);
    const TBytes text = PngChunk("tEXt", {'a', 0, 'b'});

    const std::pair<std::string, TBytes> files[] = {
        {"IHDR CRC wrong", Changed(good, 29, static_cast<std::uint8_t>(good[29] ^ 1))},
        {"IDAT CRC wrong", Changed(good, iend - 1, static_cast<std::uint8_t>(good[iend - 1] ^ 0x80))},
        {"IEND CRC wrong", Changed(good, good.size() - 1, static_cast<std::uint8_t>(good.back() ^ 1))},
        {"ancillary CRC wrong",
         [&] {
             TBytes png = WithChunks(plan, text, {});
             png[ChunkAt(png, "IDAT") - 1] ^= 1;
             return png;
         }()},
        {"IDAT length one more", Changed(good, idat + 3, static_cast<std::uint8_t>(good[idat + 3] + 1))},
        {"IDAT length beyond the file", Changed(good, idat, 0x7F)},
        {"IDAT length beyond 31 bits", Changed(good, idat, 0x80)},
        {"no IEND", TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(iend))},
        {"IEND with data", Joined({TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(iend)),
                                   PngChunk("IEND", {0})})},
        {"no image data", Joined({TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(idat)),
                                  PngChunk("IEND", {})})},
        {"image data split by another chunk",
         [&] {
             TPngPlan split = plan;
             split.ChunkBytes = stream.size() / 2 + 1;
             TBytes png = BuildPng(split);
             const std::size_t second = ChunkAt(png, "IDAT") + 12 + split.ChunkBytes;
             png.insert(png.begin() + static_cast<std::ptrdiff_t>(second), text.begin(), text.end());
             return png;
         }()},
        {"transparency chunk", WithChunks(plan, PngChunk("tRNS", {0, 1, 0, 2, 0, 3}), {})},
        {"palette on R G B", WithChunks(plan, PngChunk("PLTE", {1, 2, 3, 4, 5, 6}), {})},
        {"unknown critical chunk", WithChunks(plan, PngChunk("CrIt", {1}), {})},
        {"second IHDR", WithChunks(plan, {}, PngChunk("IHDR", TBytes(good.begin() + 16, good.begin() + 29)))},
        {"chunk name not letters", WithChunks(plan, PngChunk("te#t", {1}), {})},
        {"16-bit", ChangedAndSealed(good, 24, 16)},
        {"interlaced", ChangedAndSealed(good, 28, 1)},
        {"palette colour type", ChangedAndSealed(good, 25, 3)},
        {"compression method 1", ChangedAndSealed(good, 26, 1)},
        {"filter method 1", ChangedAndSealed(good, 27, 1)},
        {"width 0", ChangedAndSealed(ChangedAndSealed(good, 18, 0), 19, 0)},
        {"wider than the raster takes", [&] {
             TBytes png = good;
             png[16] = 0, png[17] = 0, png[18] = 0x40, png[19] = 0x01; // 16385
             FixPngCrcs(png);
             return png;
         }()},
        {"a row short", WithStream(plan, ZlibStream(TBytes(rows.begin(), rows.end() - 1)))},
        {"a byte too many", WithStream(plan, ZlibStream(Joined({rows, {0}})))},
        {"a row too many", WithStream(plan, ZlibStream(Joined({rows, TBytes(34, 0)})))},
        {"bytes after the zlib stream", WithStream(plan, Joined({stream, {0, 0}}))},
        {"zlib check value wrong", [&] {
             TBytes s = stream;
             s.back() ^= 1;
             return WithStream(plan, s);
         }()},
        {"filter type 5", [&] {
             TBytes r = rows;
             r[3 * (33 * 3 + 1)] = 5;
             return WithStream(plan, ZlibStream(r));
         }()},
        // Back references reach further than the 256-byte window the header declares: zlib, and
        // so libpng, refuses them.
        {"window smaller than the references", [&] {
             TBytes s = stream;
             s[0] = 0x08;
             s[1] = static_cast<std::uint8_t>(31 - (0x08 * 256) % 31);
             return WithStream(plan, s);
         }()},
    };
    std::vector<TCase> cases;
    for (const auto& [name, file] : files)
        cases.push_back({name, [file] { return file; }});
    cases.push_back({"chunk of more than 8,000,000 bytes",
                     [=] { return WithChunks(plan, PngChunk("zzZz", TBytes(8000001)), {}); }});
    // Every prefix of a small file: cut anywhere, it is never taken.
    const TBytes tiny = BuildPng(Plan(3, 2, 6));
    for (std::size_t n = 0; n < tiny.size(); ++n)
        cases.push_back({"first " + std::to_string(n) + " bytes", [=] {
                             return TBytes(tiny.begin(), tiny.begin() + static_cast<std::ptrdiff_t>(n));
                         }});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, PngFastLeaves, testing::ValuesIn(LeftCases()));

// A file's header is checked against the sizes before anything is allocated for it.
TEST(PngFastDecoder, TakesOnlyTheSizesItIsGivenAndAllocatesNothingForOthers)
{
    const TImageSizes analyzer{{{640, 480}, {720, 480}}};
    TBitmap bitmap;
    const TBytes wide = BuildPng(Plan(720, 480, 2));
    EXPECT_EQ(DecodePngFast(wide.data(), wide.size(), bitmap, &analyzer), TPngFastResult::Taken);
    EXPECT_EQ(bitmap.Width(), 720);
    const TBytes other = BuildPng(Plan(800, 600, 2));
    AllocationProbe::Reset();
    EXPECT_EQ(DecodePngFast(other.data(), other.size(), bitmap, &analyzer), TPngFastResult::NotTaken);
    EXPECT_LT(AllocationProbe::Largest(), 65536u);
    for (const THostileImage& hostile : HostileImages())
    {
        if (DetectImageFormat(hostile.File.data(), hostile.File.size()) != TImageFormat::Png)
            continue;
        AllocationProbe::Reset();
        EXPECT_EQ(DecodePngFast(hostile.File.data(), hostile.File.size(), bitmap), TPngFastResult::NotTaken)
            << hostile.Name;
        EXPECT_LT(AllocationProbe::Largest(), 65536u) << hostile.Name;
    }
}

// The bitmap and the buffers are reused from file to file: a smaller file after a larger one, of
// another kind, keeps nothing of it, and a file no larger than one before allocates nothing.
TEST(PngFastDecoder, ARunOfFilesGivesEachItsOwnBytes)
{
    const TBytes files[] = {BuildPng(Plan(720, 480, 6)), BuildPng(Plan(7, 3, 2)), BuildPng(Plan(64, 48, 0)),
                            BuildPng(Plan(640, 480, 2)), BuildPng(Plan(5, 9, 4))};
    TBitmap bitmap;
    for (const TBytes& file : files)
    {
        ASSERT_EQ(DecodePngFast(file.data(), file.size(), bitmap), TPngFastResult::Taken);
        EXPECT_EQ(BytesOf(bitmap), BytesOf(LibpngRoad(file)));
    }
    TBitmap again(720, 480);
    AllocationProbe::Reset();
    EXPECT_EQ(DecodePngFast(files[0].data(), files[0].size(), again), TPngFastResult::Taken);
    EXPECT_EQ(AllocationProbe::Largest(), 0u);
}

// Whatever an ancillary chunk holds, and wherever it is, the fast road never disagrees with
// libpng: a chunk whose content libpng would refuse the file for is left to libpng.
TEST(PngFastDecoder, AncillaryChunksOfAnyContentNeverMakeItDisagree)
{
    const TPngPlan plan = Plan(9, 4, 6);
    const char* types[] = {"bKGD", "cHRM", "gAMA", "hIST", "iCCP", "iTXt", "oFFs",
                           "pCAL", "pHYs", "sBIT", "sCAL", "sPLT", "sRGB", "sTER",
                           "tEXt", "tIME", "zTXt", "eXIf", "prVt", "vpAg", "abcd"};
    const TBytes contents[] = {
        {}, {0}, {1, 2, 3, 4, 5, 6, 7}, TBytes(40, 0xFF), {'k', 0, 0, 'x', 0x78, 0x9C, 1}};
    for (const char* type : types)
        for (const TBytes& content : contents)
            for (bool before : {true, false})
            {
                const TBytes chunk = PngChunk(type, content);
                const TBytes file = before ? WithChunks(plan, chunk, {}) : WithChunks(plan, {}, chunk);
                const std::string name = std::string(type) + " of " + std::to_string(content.size()) +
                                         " bytes " + (before ? "before" : "after");
                const TFast fast = FastOnEveryTarget(file, name);
                if (!fast.Taken)
                    continue;
                const TBitmap expected = LibpngRoad(file);
                EXPECT_FALSE(expected.Empty()) << name << ": taken, but libpng refuses it";
                EXPECT_EQ(BytesOf(fast.Bitmap), BytesOf(expected)) << name;
            }
}
