#pragma once
// Shared helpers of the decoder tests: a temporary folder, loading through TRasterBase, and the
// colours the fixtures are painted with.

#include "platform/TRasterBase.h"
#include "tests/platform/ImageFixtures.h"

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

// Sixteen distinct colours: the first eight use only 0 and 255 per channel, so they survive
// 5-bit channels exactly; the rest catch swapped or shifted channels.
inline const TRgba TestColours[16] = {
    {0, 0, 0},     {255, 255, 255}, {255, 0, 0},  {0, 255, 0},    {0, 0, 255}, {255, 255, 0},
    {0, 255, 255}, {255, 0, 255},   {12, 34, 56}, {200, 100, 50}, {1, 2, 3},   {250, 128, 7},
    {90, 90, 90},  {33, 200, 170},  {128, 0, 64}, {77, 66, 55},
};

inline std::vector<TRgba> PixelsOf(const TRasterBase& raster)
{
    std::vector<TRgba> out;
    const std::size_t n =
        static_cast<std::size_t>(raster.Width()) * static_cast<std::size_t>(raster.Height());
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::uint8_t* p = raster.Pixels + 4 * i;
        out.push_back({p[0], p[1], p[2], p[3]});
    }
    return out;
}

class TTempFiles
{
public:
    std::string Path(const std::string& name) const
    {
        return Dir_.filePath(QString::fromStdString(name)).toStdString();
    }

    std::string Write(const std::string& name, const TBytes& bytes) const
    {
        const std::string path = Path(name);
        WriteFile(path, bytes);
        return path;
    }

    std::unique_ptr<TRasterBase> Load(const TBytes& bytes, const std::string& name = "image") const
    {
        auto raster = std::make_unique<TRasterBase>();
        raster->LoadFromFile(Write(name, bytes));
        return raster;
    }

private:
    QTemporaryDir Dir_;
};

inline std::ostream& operator<<(std::ostream& os, const TRgba& c)
{
    return os << "(" << int(c.R) << "," << int(c.G) << "," << int(c.B) << "," << int(c.A) << ")";
}
