#pragma once
// Reads a PNG file for the raster wrapper: the file's kind of transparency, its transparent
// colour, and its pixels as 24-bit colour rows (blue, green, red per pixel) with a separate
// alpha row (one byte per pixel). Every bit depth and colour type is widened to 8 bits per
// channel; grey becomes three equal bytes; a palette is looked up; pixels made transparent by a
// transparency chunk get alpha 0 (or the palette entry's alpha), all others 255.

#include <cstdint>
#include <string>
#include <vector>

enum class TPngTransparency
{
    None,         // no alpha channel and no transparency chunk
    SingleColour, // a transparency chunk on grey or truecolour, or on a palette with exactly one
                  // entry that is not opaque
    Partial,      // an alpha channel, or a palette with any other number of non-opaque entries
};

struct TPngRgb
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;

    friend bool operator==(const TPngRgb&, const TPngRgb&) = default;
};

struct TPngFacts;

class TPngReader
{
public:
    // Decodes the file. False, and an empty reader (0 x 0, no transparency), when the file is
    // missing, not a PNG, truncated, corrupt or larger than TRasterBase::MaxSide either way.
    bool Read(const std::string& path);
    // Reads only as far as the image data: the size and the transparency, no rows. Enough to
    // decide how a file is to be loaded without decoding its pixels.
    bool ReadInfo(const std::string& path);
    // Drops the pixels.
    void Release();

    int Width() const { return Width_; }
    int Height() const { return Height_; }
    int ColourType() const { return ColourType_; } // as in the file's header
    TPngTransparency Transparency() const { return Transparency_; }

    // Whether there is a colour that stands for "transparent": the transparency chunk's colour
    // for grey (its level on all three channels) and truecolour, or the colour of the first fully
    // transparent palette entry. A palette whose one non-opaque entry is only partly
    // transparent has none; neither has a file without a transparency chunk.
    bool HasTransparentColour() const { return HasTransparentColour_; }
    TPngRgb TransparentColour() const { return TransparentColour_; }

    const std::uint8_t* ColourRow(int y) const; // Width() x 3 bytes: B G R
    const std::uint8_t* AlphaRow(int y) const;  // Width() bytes

private:
    void Clear();
    void Take(const TPngFacts& facts);

    int Width_ = 0;
    int Height_ = 0;
    int ColourType_ = 0;
    TPngTransparency Transparency_ = TPngTransparency::None;
    bool HasTransparentColour_ = false;
    TPngRgb TransparentColour_;
    std::vector<std::uint8_t> Colour_;
    std::vector<std::uint8_t> Alpha_;
};
