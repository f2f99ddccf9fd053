#include "ImageFixtures.h"

#include <fstream>
#include <stdexcept>
#include <turbojpeg.h>
#include <zlib.h>

namespace
{
void Put16(TBytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(TBytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Set32(TBytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Even rows as runs, odd rows as absolute stretches (where long enough), so both codes are used.
TBytes EncodeRle(const TBmpLayout& s)
{
    const bool four = s.Compression == 2;
    TBytes out;
    for (int fileRow = 0; fileRow < s.Height; ++fileRow)
    {
        const int y = s.Height - 1 - fileRow;
        const std::uint8_t* row =
            s.Indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.Width);
        if (fileRow % 2 == 1 && s.Width >= 3)
        {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(s.Width));
            std::size_t bytes = 0;
            for (int x = 0; x < s.Width; x += four ? 2 : 1, ++bytes)
            {
                if (four)
                    out.push_back(
                        static_cast<std::uint8_t>((row[x] << 4) | (x + 1 < s.Width ? row[x + 1] : 0)));
                else
                    out.push_back(row[x]);
            }
            if (bytes % 2)
                out.push_back(0);
        }
        else
        {
            for (int x = 0; x < s.Width;)
            {
                int n = 1;
                while (x + n < s.Width && row[x + n] == row[x] && n < 255)
                    ++n;
                out.push_back(static_cast<std::uint8_t>(n));
                out.push_back(four ? static_cast<std::uint8_t>((row[x] << 4) | row[x]) : row[x]);
                x += n;
            }
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

TBytes EncodeRows(const TBmpLayout& s)
{
    const std::size_t stride =
        ((static_cast<std::size_t>(s.Width) * static_cast<std::size_t>(s.Bits) + 31) / 32) * 4;
    TBytes out(stride * static_cast<std::size_t>(s.Height), 0);
    for (int fileRow = 0; fileRow < s.Height; ++fileRow)
    {
        const int y = s.TopDown ? fileRow : s.Height - 1 - fileRow;
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(fileRow) * stride;
        for (int x = 0; x < s.Width; ++x)
        {
            const std::size_t i =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(s.Width) + static_cast<std::size_t>(x);
            if (s.Bits <= 8)
            {
                const int perByte = 8 / s.Bits;
                const int shift = 8 - s.Bits * (x % perByte + 1);
                dst[x / perByte] = static_cast<std::uint8_t>(dst[x / perByte] | (s.Indices[i] << shift));
                continue;
            }
            const TRgba c = s.Colours[i];
            if (s.Bits == 24)
            {
                dst[3 * x] = c.B;
                dst[3 * x + 1] = c.G;
                dst[3 * x + 2] = c.R;
                continue;
            }
            // 16 and 32 bits: place each channel under its mask (default 5-5-5 / 8-8-8).
            std::uint32_t masks[4] = {s.Masks[0], s.Masks[1], s.Masks[2], s.Masks[3]};
            if (s.Compression == 0)
            {
                masks[0] = s.Bits == 16 ? 0x7C00u : 0xFF0000u;
                masks[1] = s.Bits == 16 ? 0x03E0u : 0x00FF00u;
                masks[2] = s.Bits == 16 ? 0x001Fu : 0x0000FFu;
                masks[3] = 0;
            }
            const std::uint8_t channel[4] = {c.R, c.G, c.B, c.A};
            std::uint32_t v = 0;
            for (int k = 0; k < 4; ++k)
            {
                if (!masks[k])
                    continue;
                int shift = 0;
                while (!((masks[k] >> shift) & 1u))
                    ++shift;
                const std::uint32_t max = masks[k] >> shift;
                v |= ((channel[k] * max + 127) / 255) << shift;
            }
            for (int b = 0; b < s.Bits / 8; ++b)
                dst[static_cast<std::size_t>(x) * static_cast<std::size_t>(s.Bits / 8) +
                    static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v >> (8 * b));
        }
    }
    return out;
}
} // namespace

TBytes MakeBmp(const TBmpLayout& s)
{
    const bool core = s.HeaderSize == 12;
    const bool trailingMasks = s.HeaderSize == 40 && s.Compression == 3;
    TBytes pixels = !s.Stream.empty()                          ? s.Stream
                    : s.Compression == 1 || s.Compression == 2 ? EncodeRle(s)
                                                               : EncodeRows(s);

    TBytes header;
    header.push_back('B');
    header.push_back('M');
    Put32(header, 0); // file size, set below
    Put32(header, 0);
    Put32(header, 0); // pixel offset, set below
    Put32(header, s.HeaderSize);
    if (core)
    {
        Put16(header, static_cast<unsigned>(s.Width));
        Put16(header, static_cast<unsigned>(s.Height));
        Put16(header, 1);
        Put16(header, static_cast<unsigned>(s.Bits));
    }
    else
    {
        Put32(header, static_cast<std::uint32_t>(s.Width));
        Put32(header, static_cast<std::uint32_t>(s.TopDown ? -s.Height : s.Height));
        Put16(header, 1);
        Put16(header, static_cast<unsigned>(s.Bits));
        Put32(header, s.Compression);
        Put32(header, static_cast<std::uint32_t>(pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, static_cast<std::uint32_t>(s.Palette.size()));
        Put32(header, 0);
        // 52 bytes and up hold the masks, 56 and up the alpha mask; the rest stays zero.
        for (std::uint32_t at = 40, k = 0; at < s.HeaderSize; at += 4, ++k)
            Put32(header, k < 4 && s.Compression == 3 ? s.Masks[k] : 0);
    }
    if (trailingMasks)
        for (int k = 0; k < 3; ++k)
            Put32(header, s.Masks[k]);
    for (const TRgba& c : s.Palette)
    {
        header.push_back(c.B);
        header.push_back(c.G);
        header.push_back(c.R);
        if (!core)
            header.push_back(0);
    }
    Set32(header, 10, static_cast<std::uint32_t>(header.size()));
    header.insert(header.end(), pixels.begin(), pixels.end());
    Set32(header, 2, static_cast<std::uint32_t>(header.size()));
    return header;
}

TBmpLayout BmpLayout(int width, int height, int bits, std::uint32_t compression)
{
    TBmpLayout layout;
    layout.Width = width;
    layout.Height = height;
    layout.Bits = bits;
    layout.Compression = compression;
    return layout;
}

TPngLayout PngLayout(int width, int height, int colourType, int bitDepth, bool interlaced)
{
    TPngLayout layout;
    layout.Width = width;
    layout.Height = height;
    layout.ColourType = colourType;
    layout.BitDepth = bitDepth;
    layout.Interlaced = interlaced;
    return layout;
}

void AppendPngSamples(TBytes& row, const std::vector<unsigned>& samples, int bitDepth)
{
    if (bitDepth == 16)
    {
        for (unsigned v : samples)
        {
            row.push_back(static_cast<std::uint8_t>(v >> 8));
            row.push_back(static_cast<std::uint8_t>(v));
        }
        return;
    }
    const int perByte = 8 / bitDepth;
    for (std::size_t i = 0; i < samples.size(); ++i)
    {
        if (i % static_cast<std::size_t>(perByte) == 0)
            row.push_back(0);
        const int shift = 8 - bitDepth * (static_cast<int>(i % static_cast<std::size_t>(perByte)) + 1);
        row.back() = static_cast<std::uint8_t>(row.back() | (samples[i] << shift));
    }
}

namespace
{
void WriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp)
{
}

// libpng reports errors by longjmp: no C++ objects with destructors in this function.
bool EncodePng(const TPngLayout* s, png_bytepp rows, TBytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s->Width), static_cast<png_uint_32>(s->Height),
                 s->BitDepth, s->ColourType, s->Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s->Palette.empty())
        png_set_PLTE(png, info, s->Palette.data(), static_cast<int>(s->Palette.size()));
    if (!s->PaletteAlpha.empty())
        png_set_tRNS(png, info, s->PaletteAlpha.data(), static_cast<int>(s->PaletteAlpha.size()), nullptr);
    if (s->TrnsColour)
    {
        png_color_16 colour = *s->TrnsColour;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
} // namespace

TBytes MakePng(const TPngLayout& s)
{
    const std::size_t stride = s.Rows.size() / static_cast<std::size_t>(s.Height);
    std::vector<png_bytep> rows;
    TBytes data = s.Rows;
    for (int y = 0; y < s.Height; ++y)
        rows.push_back(data.data() + static_cast<std::size_t>(y) * stride);
    TBytes out;
    if (!EncodePng(&s, rows.data(), &out))
        throw std::runtime_error("libpng could not write the fixture");
    return out;
}

TBytes MakeJpeg(const TBytes& rgb, int width, int height, int quality, bool grey, int flags)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    TBytes source = rgb;
    if (grey)
    {
        source.clear();
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            source.push_back(rgb[i]);
    }
    const int rc = tjCompress2(handle, source.data(), width, 0, height, grey ? TJPF_GRAY : TJPF_RGB, &jpeg,
                               &size, grey ? TJSAMP_GRAY : TJSAMP_444, quality, TJFLAG_ACCURATEDCT | flags);
    TBytes out;
    if (rc == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    if (rc != 0)
        throw std::runtime_error("TurboJPEG could not write the fixture");
    return out;
}

TBytes MakeCmykJpeg(int width, int height)
{
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    TBytes cmyk;
    for (int i = 0; i < width * height; ++i)
        cmyk.insert(cmyk.end(), {10, 200, 30, 0});
    const int rc =
        tjCompress2(handle, cmyk.data(), width, 0, height, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 90, 0);
    TBytes out;
    if (rc == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    if (rc != 0)
        throw std::runtime_error("TurboJPEG could not write the CMYK fixture");
    return out;
}

void FixPngCrcs(TBytes& png)
{
    std::size_t at = 8;
    while (at + 12 <= png.size())
    {
        const std::uint32_t length = (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
                                     (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
        if (length > png.size() - at - 12)
            return;
        const uLong crc = crc32(0, png.data() + at + 4, static_cast<uInt>(length + 4));
        const std::size_t c = at + 8 + length;
        png[c] = static_cast<std::uint8_t>(crc >> 24);
        png[c + 1] = static_cast<std::uint8_t>(crc >> 16);
        png[c + 2] = static_cast<std::uint8_t>(crc >> 8);
        png[c + 3] = static_cast<std::uint8_t>(crc);
        at = c + 4;
    }
}

void WriteFile(const std::string& path, const TBytes& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}
