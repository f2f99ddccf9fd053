// A whole analysis of arbitrary 640 x 480 and 720 x 480 pixels, entered the way the program enters
// them (a captured frame, or an image file for 720 columns). The first byte chooses the width, the
// fiber mode and the base picture (a synthetic end face, or the input's bytes repeated); the rest
// paints rectangles of any grey anywhere. Contract: the finding lists stay within their limit, each
// finding within the image, the verdicts are Pass or Fail; libFuzzer's time-out catches a loop
// without end.

#include "analysis/TFiberAnalyzer.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"
#include "platform/ImageWriter.h"
#include "tools/EndFaceGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
const TBitmap& EndFace(int width)
{
    static const TBitmap narrow = MakeEndFace(TypicalEndFace());
    static const TBitmap wide = [] {
        EndFaceRecipe recipe = TypicalEndFace();
        recipe.Width = 720;
        return MakeEndFace(recipe);
    }();
    return width == 720 ? wide : narrow;
}

void Paint(TBitmap& image, const std::uint8_t* data, std::size_t size, bool tile)
{
    const int w = image.Width(), h = image.Height();
    if (tile && size > 0)
    {
        std::size_t k = 0;
        for (int y = 0; y < h; ++y)
        {
            std::uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < w * 3; ++x, k = (k + 1) % size)
                row[x] = data[k];
        }
        return;
    }
    for (std::size_t i = 0; i + 5 <= size; i += 5)
    {
        const int x0 = (data[i] | (data[i + 1] << 8)) % w;
        const int y0 = (data[i + 2] * 2) % h;
        const int rw = 1 + (data[i + 3] & 15), rh = 1 + (data[i + 3] >> 4);
        for (int y = y0; y < std::min(h, y0 + rh); ++y)
            std::memset(image.ScanLine(y) + x0 * 3, data[i + 4], std::size_t(std::min(w - x0, rw)) * 3);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int width = (data[0] & 1) ? 720 : 640;
    TBitmap image = EndFace(width);
    Paint(image, data + 1, size - 1, (data[0] & 4) != 0);

    TFiberAnalyzer a;
    a.SetDefaultCriteria();
    if (width == 640)
        a.SetCapturedImage(image);
    else
    {
        const std::string path = FuzzFolder() + "/frame.bmp";
        WriteImageFile(path, image.Image());
        FUZZ_CHECK(a.LoadImageFile(path));
    }
    a.Mode = (data[0] >> 1) & 1;
    a.Analyze();

    for (int list = 0; list < 3; ++list)
    {
        FUZZ_CHECK(a.FindingCount[list] >= 0 && a.FindingCount[list] <= TFiberAnalyzer::ListLimit);
        for (int i = 0; i < a.FindingCount[list]; ++i)
        {
            const Finding& f = a.Findings[list][i];
            FUZZ_CHECK(f.Kind == 0 || f.Kind == 1);
            FUZZ_CHECK(f.Width >= 0 && f.Width <= float(width) && f.Height >= 0 && f.Height <= 480.0f);
            FUZZ_CHECK(f.Area >= 1 && f.Area <= float(width) * 480.0f);
        }
    }
    a.EvaluateAcceptance();
    for (const std::string& verdict : a.ZoneVerdicts)
        FUZZ_CHECK(verdict == "Pass" || verdict == "Fail");
    return 0;
}
