// Writes the harnesses' seed corpora into OUT/decode, OUT/png, OUT/settings and OUT/analysis:
// small images of every kind the decoders read (every BMP depth and header kind, RLE4 and RLE8,
// top-down rows; every PNG colour type and bit depth with and without transparency, interlaced;
// baseline, progressive, greyscale, restart-marker and arithmetic-coded JPEG), settings files of
// every shape, and analysis inputs. The bundled samples are added by fuzz/make-seeds.

#include "tests/platform/ImageFixtures.h"

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

void Pngs(const fs::path& out)
{
    struct Kind
    {
        int Type;
        int Channels;
        std::vector<int> Depths;
    };
    const Kind kinds[] = {{PNG_COLOR_TYPE_GRAY, 1, {1, 2, 4, 8, 16}},
                          {PNG_COLOR_TYPE_RGB, 3, {8, 16}},
                          {PNG_COLOR_TYPE_PALETTE, 1, {1, 2, 4, 8}},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 2, {8, 16}},
                          {PNG_COLOR_TYPE_RGB_ALPHA, 4, {8, 16}}};
    for (const Kind& kind : kinds)
        for (int depth : kind.Depths)
            for (int trns = 0; trns < (kind.Channels % 2 ? 3 : 1); ++trns)
                for (bool interlaced : {false, true})
                {
                    TPngLayout layout = PngLayout(W, H, kind.Type, depth, interlaced);
                    const unsigned max = (1u << std::min(depth, 8)) - 1;
                    for (int y = 0; y < H; ++y)
                    {
                        std::vector<unsigned> samples;
                        for (int x = 0; x < W * kind.Channels; ++x)
                            samples.push_back(unsigned(x + y) % (max + 1) * (depth == 16 ? 257u : 1u));
                        AppendPngSamples(layout.Rows, samples, depth);
                    }
                    if (kind.Type == PNG_COLOR_TYPE_PALETTE)
                    {
                        for (unsigned i = 0; i <= max; ++i)
                            layout.Palette.push_back({Colours[i % 8].R, Colours[i % 8].G, Colours[i % 8].B});
                        // 1: one entry clear (a transparent colour), 2: several partly clear.
                        if (trns == 1)
                            layout.PaletteAlpha = {255, 0};
                        if (trns == 2)
                            layout.PaletteAlpha = {0, 128, 200};
                    }
                    else if (trns == 1)
                        layout.TrnsColour = png_color_16{0, 1, 1, 1, 1};
                    else if (trns == 2)
                        continue;
                    Write(out,
                          "png-t" + std::to_string(kind.Type) + "-d" + std::to_string(depth) + "-trns" +
                              std::to_string(trns) + (interlaced ? "-i" : "") + ".png",
                          MakePng(layout));
                }
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
    for (const char* folder : {"decode", "png", "settings", "analysis"})
        fs::create_directories(out / folder);
    Bmps(out / "decode");
    Pngs(out / "decode");
    Pngs(out / "png");
    Jpegs(out / "decode");
    Settings(out / "settings");
    Analysis(out / "analysis");
    return 0;
}
