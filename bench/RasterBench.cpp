// Decoding a camera-size (640 x 480) frame from each file format the station opens, through
// the decoder object alone and through the raster wrapper (which reads a PNG twice: once for
// its transparency, once to decode).

#include "imaging/TLumarcRaster.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"
#include "tests/platform/ImageFixtures.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace
{
constexpr int Width = 640;
constexpr int Height = 480;

// A bright disc on a dark background with sensor noise: compresses like a real end face.
TBytes EndFaceRgb()
{
    std::mt19937 random(7);
    TBytes rgb;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
        {
            const int dx = x - Width / 2, dy = y - Height / 2;
            const int base = dx * dx + dy * dy < 150 * 150 ? 190 : 40;
            const auto v = static_cast<std::uint8_t>(base + static_cast<int>(random() % 16));
            rgb.insert(rgb.end(), {v, v, static_cast<std::uint8_t>(v / 2)});
        }
    return rgb;
}

struct TFiles
{
    QTemporaryDir Dir;
    std::string Jpeg, Png, Bmp;

    TFiles()
    {
        const TBytes rgb = EndFaceRgb();
        Jpeg = Dir.filePath("frame.jpg").toStdString();
        WriteFile(Jpeg, MakeJpeg(rgb, Width, Height, 90));
        TPngLayout png = PngLayout(Width, Height);
        png.Rows = rgb;
        Png = Dir.filePath("frame.png").toStdString();
        WriteFile(Png, MakePng(png));
        TBmpLayout bmp = BmpLayout(Width, Height);
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            bmp.Colours.push_back({rgb[i], rgb[i + 1], rgb[i + 2], 255});
        Bmp = Dir.filePath("frame.bmp").toStdString();
        WriteFile(Bmp, MakeBmp(bmp));
    }
};

const TFiles& Files()
{
    static const TFiles files;
    return files;
}

void DecoderToBitmap(benchmark::State& state, const std::string& path)
{
    for (auto _ : state)
    {
        TRasterBase raster;
        raster.LoadFromFile(path);
        TBitmap bitmap;
        raster.DecodeToBitmap(&bitmap);
        if (bitmap.Width() != Width)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}

void WrapperFromFile(benchmark::State& state, const std::string& path)
{
    for (auto _ : state)
    {
        TLumarcRaster raster(path);
        if (raster.Bitmap->Width() != Width)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(raster.Bitmap->ScanLine(0));
    }
}

void BM_DecodeJpeg(benchmark::State& state)
{
    DecoderToBitmap(state, Files().Jpeg);
}
void BM_DecodePng(benchmark::State& state)
{
    DecoderToBitmap(state, Files().Png);
}
void BM_DecodeBmp(benchmark::State& state)
{
    DecoderToBitmap(state, Files().Bmp);
}
void BM_RasterFromPng(benchmark::State& state)
{
    WrapperFromFile(state, Files().Png);
}
void BM_RasterFromJpeg(benchmark::State& state)
{
    WrapperFromFile(state, Files().Jpeg);
}
} // namespace

BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterFromPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterFromJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
