// Writes the harnesses' seed corpora into OUT/decode, OUT/bmpfast, OUT/png, OUT/pngfast,
// OUT/settings and OUT/analysis: small images of every kind the decoders read (every BMP depth and
// header kind, RLE4 and RLE8, top-down rows; every PNG colour type and bit depth with and without
// transparency, interlaced; baseline, progressive, greyscale, restart-marker and arithmetic-coded
// JPEG), for the quick BMP road also 32-bit files with alpha in use or left zero, masks it leaves
// to the general road, short rows and the first rows of files of the analyzer's sizes, for the fast
// PNG road 8-bit PNGs of each filter type, split image data and unusual zlib streams
// (tests/platform/PngSeeds.h), settings files of every shape, and analysis inputs. The bundled
// samples are added by fuzz/make-seeds.

#include "tests/platform/ImageFixtures.h"
#include "tests/platform/PngSeeds.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <turbojpeg.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
const TRgba Colours[8] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},    {0, 255, 0},
                          {0, 0, 255}, {12, 34, 56},    {200, 100, 50}, {90, 90, 90}};
constexpr int W = 9, H = 7;

void Write(const fs::path& folder, const std::string& name, const TBytes& bytes)
{
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Write(const fs::path& folder, const std::string& name, const std::string& text)
{
    Write(folder, name, TBytes(text.begin(), text.end()));
}

void Bmps(const fs::path& out)
{
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u})
            for (bool topDown : {false, true})
            {
                if (header == 12 && (bits == 16 || bits == 32 || topDown))
                    continue;
                TBmpLayout layout = BmpLayout(W, H, bits);
                layout.HeaderSize = header;
                layout.TopDown = topDown;
                for (int i = 0; i < W * H; ++i)
                {
                    layout.Indices.push_back(static_cast<std::uint8_t>(i % (bits == 1 ? 2 : 8)));
                    layout.Colours.push_back(Colours[i % 8]);
                }
                if (bits <= 8)
                    layout.Palette.assign(Colours, Colours + (bits == 1 ? 2 : 8));
                Write(out,
                      "bmp" + std::to_string(bits) + "-h" + std::to_string(header) + (topDown ? "-td" : "") +
                          ".bmp",
                      MakeBmp(layout));
                if ((bits == 16 || bits == 32) && header >= 40)
                {
                    layout.Compression = 3;
                    if (bits == 16)
                        layout.Masks[0] = 0xF800, layout.Masks[1] = 0x07E0, layout.Masks[2] = 0x001F;
                    else
                        layout.Masks[0] = 0xFF0000, layout.Masks[1] = 0xFF00, layout.Masks[2] = 0xFF,
                        layout.Masks[3] = header >= 56 ? 0xFF000000 : 0;
                    Write(out, "bmp" + std::to_string(bits) + "-fields-h" + std::to_string(header) + ".bmp",
                          MakeBmp(layout));
                }
            }
    for (int bits : {4, 8})
    {
        TBmpLayout layout = BmpLayout(W * 3, H, bits, bits == 8 ? 1 : 2);
        layout.Palette.assign(Colours, Colours + 8);
        for (int i = 0; i < W * 3 * H; ++i)
            layout.Indices.push_back(static_cast<std::uint8_t>((i / 5) % 8));
        Write(out, "bmp-rle" + std::to_string(bits) + ".bmp", MakeBmp(layout));
    }
}

// Colours whose every byte differs from its neighbours, alpha as given or varied.
std::vector<TRgba> Varied(int width, int height, bool alpha)
{
    std::vector<TRgba> colours;
    for (int i = 0; i < width * height; ++i)
        colours.push_back({static_cast<std::uint8_t>(i * 37 + 11), static_cast<std::uint8_t>(i * 59 + 3),
                           static_cast<std::uint8_t>(i * 83 + 200),
                           static_cast<std::uint8_t>(alpha ? i * 29 + (i % 3 == 0 ? 0 : 128) : 255)});
    return colours;
}

TBmpLayout Fields32(int width, int height, std::uint32_t header, std::uint32_t alphaMask, bool topDown)
{
    TBmpLayout layout = BmpLayout(width, height, 32, 3);
    layout.HeaderSize = header;
    layout.TopDown = topDown;
    layout.Masks[0] = 0xFF0000, layout.Masks[1] = 0xFF00, layout.Masks[2] = 0xFF, layout.Masks[3] = alphaMask;
    layout.Colours = Varied(width, height, alphaMask != 0);
    return layout;
}

TBytes Truncated(TBytes file, std::size_t shorter)
{
    file.resize(file.size() - shorter);
    return file;
}

// The kinds the quick BMP road copies itself (24 bits; 32 bits whose masks are the bytes, alpha
// in use, left zero or absent) beside near kinds it leaves to the general road (other masks, an
// alpha mask of half a byte or another byte, short rows), and headers of the analyzer's sizes with
// their first rows only, which the harness completes. The BMPs of every kind come from Bmps.
void QuickBmps(const fs::path& out)
{
    for (std::uint32_t header : {56u, 108u, 124u})
        for (bool topDown : {false, true})
            Write(out, "fields32-alpha-h" + std::to_string(header) + (topDown ? "-td" : "") + ".bmp",
                  MakeBmp(Fields32(W, H, header, 0xFF000000, topDown)));
    TBmpLayout zero = Fields32(W, H, 124, 0xFF000000, false);
    for (TRgba& c : zero.Colours)
        c.A = 0;
    Write(out, "fields32-alpha-zero.bmp", MakeBmp(zero));
    TBmpLayout oneAlpha = zero;
    oneAlpha.Colours.back().A = 1;
    Write(out, "fields32-alpha-one-pixel.bmp", MakeBmp(oneAlpha));
    // BI_ALPHABITFIELDS: the same masks under compression 6.
    TBytes alphaFields = MakeBmp(Fields32(W, H, 108, 0xFF000000, true));
    alphaFields[30] = 6;
    Write(out, "alphabitfields32-h108.bmp", alphaFields);
    Write(out, "fields32-bgrx.bmp", MakeBmp(Fields32(W, H, 40, 0, false)));

    TBmpLayout swapped = Fields32(W, H, 56, 0, false);
    swapped.Masks[0] = 0xFF, swapped.Masks[2] = 0xFF0000;
    Write(out, "fields32-swapped.bmp", MakeBmp(swapped));
    TBmpLayout tenBits = Fields32(W, H, 40, 0, false);
    tenBits.Masks[0] = 0x3FF00000, tenBits.Masks[1] = 0xFFC00, tenBits.Masks[2] = 0x3FF;
    Write(out, "fields32-10bit.bmp", MakeBmp(tenBits));
    Write(out, "fields32-alpha-nibble.bmp", MakeBmp(Fields32(W, H, 108, 0xF0000000, false)));
    TBmpLayout lowAlpha = Fields32(W, H, 124, 0xFF, false);
    lowAlpha.Masks[0] = 0xFF000000, lowAlpha.Masks[1] = 0xFF0000, lowAlpha.Masks[2] = 0xFF00;
    Write(out, "fields32-alpha-low-byte.bmp", MakeBmp(lowAlpha));

    TBmpLayout wide = BmpLayout(13, 5, 24);
    wide.Colours = Varied(13, 5, false);
    const TBytes padded = MakeBmp(wide);
    Write(out, "bmp24-padded.bmp", padded);
    Write(out, "bmp24-short-padding.bmp", Truncated(padded, 1));
    Write(out, "fields32-short-row.bmp", Truncated(MakeBmp(Fields32(W, H, 124, 0xFF000000, false)), 4));
    // Pixel rows further in than the headers end, as some writers leave a gap.
    TBytes gap = padded;
    gap.insert(gap.begin() + 54, 10, 0xEE);
    gap[10] = 54 + 10;
    Write(out, "bmp24-gap.bmp", gap);

    // The first rows of files of the analyzer's sizes: whole ones are longer than any input.
    const auto head = [&](const std::string& name, const TBmpLayout& layout) {
        TBytes file = MakeBmp(layout);
        file.resize(16 << 10);
        Write(out, name, file);
    };
    TBmpLayout camera = BmpLayout(640, 480, 24);
    camera.Colours = Varied(640, 480, false);
    head("camera24-640x480.bmp", camera);
    camera.HeaderSize = 12;
    head("camera24-core-640x480.bmp", camera);
    head("camera32-alpha-720x480-td.bmp", Fields32(720, 480, 124, 0xFF000000, true));
    TBmpLayout scope = Fields32(720, 480, 56, 0xFF000000, false);
    for (TRgba& c : scope.Colours)
        c.A = 0;
    head("scope32-alpha-zero-720x480.bmp", scope);
    TBmpLayout padding = BmpLayout(640, 480, 32);
    padding.Colours = Varied(640, 480, false);
    head("camera32-640x480.bmp", padding);
}

void Pngs(const fs::path& out, const std::vector<TNamedFile>& seeds)
{
    for (const TNamedFile& seed : seeds)
        Write(out, seed.Name, seed.Bytes);
}

void Jpegs(const fs::path& out)
{
    TBytes rgb;
    for (int i = 0; i < 16 * 16; ++i)
        rgb.insert(rgb.end(), {Colours[i % 8].R, Colours[(i / 3) % 8].G, Colours[(i / 7) % 8].B});
    Write(out, "jpeg-baseline.jpg", MakeJpeg(rgb, 16, 16, 90));
    Write(out, "jpeg-grey.jpg", MakeJpeg(rgb, 16, 16, 90, true));
    Write(out, "jpeg-progressive.jpg", MakeJpeg(rgb, 16, 16, 90, false, TJFLAG_PROGRESSIVE));
    Write(out, "jpeg-grey-progressive.jpg", MakeJpeg(rgb, 16, 16, 90, true, TJFLAG_PROGRESSIVE));
    Write(out, "jpeg-cmyk.jpg", MakeCmykJpeg(16, 16));
    // TurboJPEG takes restart markers and arithmetic coding from its environment.
    setenv("TJ_RESTART", "1", 1);
    Write(out, "jpeg-restart.jpg", MakeJpeg(rgb, 16, 16, 90));
    unsetenv("TJ_RESTART");
    setenv("TJ_ARITHMETIC", "1", 1);
    Write(out, "jpeg-arithmetic.jpg", MakeJpeg(rgb, 16, 16, 90));
    unsetenv("TJ_ARITHMETIC");
}

void Settings(const fs::path& out)
{
    Write(out, "defaults.ini",
          std::string("PC Camera\r\n128,128,60,140,3.000000,5.000000\r\n3\r\n\r\n\r\n0\r\n\r\n"));
    Write(out, "full.ini",
          std::string("USB Scope, 2\r\n-5,250,61,139,2.500000,0.125000\r\n1\r\nspare\r\nx\r\n1\r\n/img\r\n"));
    Write(out, "five-lines.ini", std::string("Cam\n1,2,3,4,5,6\n7\nA\nB\n"));
    Write(out, "bad-numbers.ini", std::string("C\r\n100,abc,60,140,3,5\r\nfour\r\n\r\n\r\nyes\r\n/x"));
    Write(out, "beyond-int.ini", std::string("C\r\n2147483648,0,0,0,3.0,5.0\r\n99999999999\r\n"));
    Write(out, "floats.ini",
          std::string("C\r\n1,2,3,4,nan,-inf\r\n3\r\n\r\n\r\n0\r\n\r\n1,2,3,4,1e39,0x1p-3\r\n"));
    Write(out, "long.ini",
          std::string(400, 'n') + "\r\n1,2,3,4,5,6\r\n7\r\n" + std::string(600, 's') + "\r\n");
}

void Analysis(const fs::path& out)
{
    // First byte: bit 0 720 columns, bit 1 multi mode, bit 2 tile the bytes; then x (2), y, size, grey.
    Write(out, "face-640", TBytes{0});
    Write(out, "face-720-multi", TBytes{3});
    Write(out, "dark-spot", TBytes{0, 0x40, 0x01, 120, 0x33, 10});
    Write(out, "bright-line", TBytes{2, 0x00, 0x01, 100, 0x0F, 250, 0x10, 0x01, 100, 0x0F, 250});
    Write(out, "black", TBytes{4, 0});
    Write(out, "noise-720", TBytes{5, 1, 200, 3, 90, 17, 255, 0, 128});
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const fs::path out = argv[1];
    for (const char* folder : {"decode", "bmpfast", "png", "pngfast", "settings", "analysis"})
        fs::create_directories(out / folder);
    Bmps(out / "decode");
    Bmps(out / "bmpfast");
    QuickBmps(out / "bmpfast");
    Pngs(out / "decode", DecoderPngSeeds());
    Pngs(out / "png", DecoderPngSeeds());
    Pngs(out / "pngfast", DecoderPngSeeds());
    Pngs(out / "pngfast", FastRoadPngSeeds());
    Jpegs(out / "decode");
    Settings(out / "settings");
    Analysis(out / "analysis");
    return 0;
}
