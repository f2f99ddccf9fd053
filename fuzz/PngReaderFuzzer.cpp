// The PNG reader and the raster's PNG path with the transparency rules, through the file entry
// points the program uses. Contract: the header-only read and the full read agree; a PNG that the
// reader takes reaches the bitmap at its size, each pixel its colour composited over white by its
// alpha, except that without partial transparency a pixel of the transparent colour is white
// (also where the palette repeats that colour opaque); one it refuses leaves a 0 x 0 bitmap.

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"
#include "imaging/TLumarcRaster.h"
#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TPngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteFuzzFile("input.png", data, size);
    TPngReader info, full;
    const bool okInfo = info.ReadInfo(path);
    const bool okFull = full.Read(path);
    if (okFull)
    {
        FUZZ_CHECK(okInfo);
        FUZZ_CHECK(info.Width() == full.Width() && info.Height() == full.Height());
        FUZZ_CHECK(info.Transparency() == full.Transparency() && info.ColourType() == full.ColourType());
        FUZZ_CHECK(info.HasTransparentColour() == full.HasTransparentColour());
        FUZZ_CHECK(full.Transparency() != TPngTransparency::None || !full.HasTransparentColour());
        FUZZ_CHECK((full.ColourType() & 4) == 0 || full.Transparency() == TPngTransparency::Partial);
    }

    const TLumarcRaster raster(path);
    const TBitmap& bitmap = *raster.Bitmap;
    if (!okFull)
    {
        if (DetectImageFormat(data, size) == TImageFormat::Png)
            FUZZ_CHECK(bitmap.Width() == 0 && bitmap.Height() == 0 && raster.Refusal);
        return 0;
    }
    if (bitmap.Width() == 0)
    {
        // Only memory that cannot be had may refuse what the reader took.
        FUZZ_CHECK(raster.Refusal.Problem == TImageProblem::OutOfMemory);
        return 0;
    }
    FUZZ_CHECK(bitmap.Width() == full.Width() && bitmap.Height() == full.Height());
    const TPngRgb t = full.TransparentColour();
    const bool replaces = full.Transparency() != TPngTransparency::Partial && full.HasTransparentColour();
    for (int y = 0; y < full.Height(); ++y)
    {
        const std::uint8_t* bgr = full.ColourRow(y);
        const std::uint8_t* alpha = full.AlphaRow(y);
        const std::uint8_t* out = bitmap.ScanLine(y);
        for (int x = 0; x < full.Width(); ++x, bgr += 3, out += 3)
        {
            const bool transparent = replaces && bgr[2] == t.Red && bgr[1] == t.Green && bgr[0] == t.Blue;
            for (int c = 0; c < 3; ++c)
            {
                const unsigned a = alpha[x];
                const unsigned expected = transparent ? 255u : (bgr[c] * a + 255u * (255u - a) + 127u) / 255u;
                FUZZ_CHECK(out[c] == expected);
            }
        }
    }
    return 0;
}
