// Memory that cannot be had is a refusal of the file, never a crash: each case runs in a child
// whose address space is limited to a little more than it already uses.

#include "platform/TBitmap.h"
#include "platform/TRasterBase.h"
#include "tests/platform/ChildProcess.h"
#include "tests/platform/TestImages.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

namespace
{
struct TOutcome
{
    bool Empty = false;
    TImageProblem Problem = TImageProblem::None;
};

// Valid files of 4096 x 4096 pixels: 64 MB once decoded, little as files.
TBytes LargeGreyJpeg()
{
    const TBytes grey(4096u * 4096u, 90);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, grey.data(), 4096, 0, 4096, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 50, 0);
    TBytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

TBytes LargeGreyPng()
{
    TPngLayout layout = PngLayout(4096, 4096, PNG_COLOR_TYPE_GRAY, 8);
    layout.Rows.assign(4096u * 4096u, 90);
    return MakePng(layout);
}

TBytes LargeRle8()
{
    TBmpLayout layout = BmpLayout(4096, 4096, 8, 1);
    layout.Palette.assign(256, TRgba{90, 90, 90});
    layout.Indices.assign(4096u * 4096u, 7);
    return MakeBmp(layout);
}

struct TLargeFile
{
    const char* Name;
    TBytes (*Make)();
};

void PrintTo(const TLargeFile& f, std::ostream* os)
{
    *os << f.Name;
}

class DecodeWithoutMemory : public testing::TestWithParam<TLargeFile>
{
};

TEST_P(DecodeWithoutMemory, IsARefusal)
{
    if (SanitizerBuild)
        GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
    TTempFiles files;
    const std::string path = files.Write(GetParam().Name, GetParam().Make());
    {
        TRasterBase unlimited;
        unlimited.LoadFromFile(path);
        ASSERT_EQ(unlimited.Width(), 4096) << "the fixture itself must decode";
    }
    const auto outcome = RunInChild<TOutcome>([&] {
        TOutcome o;
        TRasterBase raster;
        if (!LimitAddressSpace(32 << 20))
            return o;
        raster.LoadFromFile(path);
        o.Empty = raster.Pixels == nullptr && raster.Width() == 0 && raster.Height() == 0;
        o.Problem = raster.Refusal().Problem;
        return o;
    });
    ASSERT_TRUE(outcome) << "the decode crashed or let an exception escape";
    EXPECT_TRUE(outcome->Empty);
    EXPECT_EQ(outcome->Problem, TImageProblem::OutOfMemory);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeWithoutMemory,
                         testing::Values(TLargeFile{"jpeg", LargeGreyJpeg}, TLargeFile{"png", LargeGreyPng},
                                         TLargeFile{"rle8", LargeRle8}),
                         [](const testing::TestParamInfo<TLargeFile>& p) { return p.param.Name; });

// QImage answers a failed allocation with a null image; writing its scan lines then would write
// through a null pointer.
TEST(BitmapWithoutMemory, LeavesAnEmptyBitmap)
{
    if (SanitizerBuild)
        GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
    const auto outcome = RunInChild<TOutcome>([] {
        TOutcome o;
        TRasterBase raster;
        raster.Alloc(4096, 4096);
        TBitmap bitmap(2, 2);
        if (raster.Width() != 4096 || !LimitAddressSpace(16 << 20))
            return o;
        const bool decoded = raster.DecodeToBitmap(&bitmap);
        o.Empty = !decoded && bitmap.Empty() && bitmap.Width() == 0;
        return o;
    });
    ASSERT_TRUE(outcome) << "writing the bitmap crashed";
    EXPECT_TRUE(outcome->Empty);
}
} // namespace
