// The in-memory decoders behind every image file, as the raster calls them: format detection,
// then BMP, JPEG or PNG. Contract: a refusal leaves an empty image and says why; an accepted image
// is within the cap and its buffer holds exactly its pixels; decoding for the analyzer's sizes
// gives the same image where the size is one of them and a size refusal where it is not.

#include "fuzz/FuzzCheck.h"
#include "platform/ImageDecoders.h"
#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TImageSizes analyzerSizes{{{640, 480}, {720, 480}}};

    TRgbaImage image;
    TImageRefusal why;
    const bool ok = DecodeImage(data, size, image, {}, &why);
    if (!ok)
    {
        FUZZ_CHECK(image.Width == 0 && image.Height == 0 && image.Pixels.empty());
        FUZZ_CHECK(why.Problem != TImageProblem::None);
    }
    else
    {
        FUZZ_CHECK(ImageSizeAcceptable(image.Width, image.Height));
        FUZZ_CHECK(image.Pixels.size() == std::size_t(image.Width) * std::size_t(image.Height) * 4);
    }

    TRgbaImage limited;
    TImageRefusal whyLimited;
    const bool okLimited = DecodeImage(data, size, limited, analyzerSizes, &whyLimited);
    if (ok && analyzerSizes.Accepts(image.Width, image.Height))
        FUZZ_CHECK(okLimited && limited.Width == image.Width && limited.Pixels == image.Pixels);
    else if (ok)
        FUZZ_CHECK(!okLimited && whyLimited.Problem == TImageProblem::WrongSize);
    else
        FUZZ_CHECK(!okLimited);

    // The bitmap the rest of the program sees has the raster's size.
    if (ok && image.Pixels.size() <= (1u << 20))
    {
        TRasterBase raster;
        raster.Alloc(image.Width, image.Height);
        std::copy(image.Pixels.begin(), image.Pixels.end(), raster.Pixels);
        TBitmap bitmap;
        FUZZ_CHECK(raster.DecodeToBitmap(&bitmap));
        FUZZ_CHECK(bitmap.Width() == image.Width && bitmap.Height() == image.Height);
    }
    return 0;
}
