// Every dispatched kernel on every target this processor has, against the plain reference.

#include "analysis/Kernels.h"

#include "EngineFixtures.h"

#include <gtest/gtest.h>
#include <utility>

namespace
{
int ReferenceGrey(int b, int g, int r)
{
    return static_cast<int>(static_cast<float>(0.299 * b + 0.587 * g + 0.114 * r));
}

std::uint8_t ReferenceContrast(std::uint8_t g)
{
    float v = static_cast<float>(g) * 1.5f;
    if (v > 255.0f)
        v = 255.0f;
    return static_cast<std::uint8_t>(static_cast<int>(v));
}

TBitmap RandomColour(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            b.ScanLine(y)[x] = static_cast<std::uint8_t>(random() & 0xFF);
    return b;
}

class OnEveryTarget : public testing::TestWithParam<TKernelTarget>
{
protected:
    void SetUp() override
    {
        Saved_ = KernelTarget();
        ASSERT_TRUE(SetKernelTarget(GetParam()));
    }
    void TearDown() override { SetKernelTarget(Saved_); }

private:
    TKernelTarget Saved_ = TKernelTarget::Scalar;
};

std::string NameOf(const testing::TestParamInfo<TKernelTarget>& info)
{
    return KernelTargetName(info.param);
}
} // namespace

TEST(KernelTarget, TheWidestSupportedIsTheDefaultAndOthersAreRefused)
{
    const std::vector<TKernelTarget> targets = SupportedKernelTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.front(), TKernelTarget::Scalar);
    EXPECT_EQ(KernelTarget(), targets.back());
    for (TKernelTarget t :
         {TKernelTarget::Scalar, TKernelTarget::Sse2, TKernelTarget::Avx2, TKernelTarget::Avx512})
        if (!KernelTargetSupported(t))
        {
            EXPECT_FALSE(SetKernelTarget(t)) << KernelTargetName(t);
            EXPECT_EQ(KernelTarget(), targets.back());
        }
}

// All 2^24 colours, in rows of every length remainder the vector steps leave.
TEST_P(OnEveryTarget, GreyRowMatchesTheFormulaForEveryColour)
{
    constexpr std::size_t Row = 4096 + 13;
    std::vector<std::uint8_t> bgr(3 * Row), out(3 * Row), grey(Row);
    for (int first = 0; first < (1 << 24); first += 4096)
    {
        const std::size_t n = 4096 + static_cast<std::size_t>(first / 4096 % 14);
        for (std::size_t x = 0; x < n; ++x)
        {
            const int colour = (first + static_cast<int>(x)) & 0xFFFFFF;
            bgr[3 * x] = static_cast<std::uint8_t>(colour >> 16);
            bgr[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
            bgr[3 * x + 2] = static_cast<std::uint8_t>(colour);
        }
        GreyRow(bgr.data(), out.data(), grey.data(), n);
        for (std::size_t x = 0; x < n; ++x)
        {
            const int expected = ReferenceGrey(bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]);
            ASSERT_EQ(grey[x], expected) << first + static_cast<int>(x);
            ASSERT_TRUE(out[3 * x] == expected && out[3 * x + 1] == expected && out[3 * x + 2] == expected);
        }
    }
}

// Widths around each vector width (16, 32, 64 interior pixels) and below it.
TEST_P(OnEveryTarget, MedianMatchesTheExchangeSortOnRandomImages)
{
    const std::pair<int, int> sizes[] = {{3, 3},   {5, 4},   {17, 5}, {18, 7}, {19, 3},  {33, 4},
                                         {34, 6},  {35, 9},  {65, 5}, {66, 8}, {67, 41}, {131, 7},
                                         {640, 6}, {720, 5}, {1, 9},  {9, 2}};
    unsigned seed = 1;
    for (const auto& [w, h] : sizes)
        for (bool contrast : {false, true})
        {
            const GreyImage image = RandomGrey(w, h, seed++);
            std::vector<std::uint8_t> out(image.Pixels.size(), 7);
            MedianRows(image.Pixels.data(), out.data(), w, h, contrast);
            std::vector<std::uint8_t> expected = ReferenceMedian(image);
            if (contrast)
                for (std::uint8_t& v : expected)
                    v = ReferenceContrast(v);
            EXPECT_EQ(out, expected) << w << " x " << h << (contrast ? " stretched" : "");
        }
}

TEST_P(OnEveryTarget, ContrastMatchesTheFloatStretchForEveryLevel)
{
    std::vector<std::uint8_t> levels(256 + 37);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::uint8_t> out = levels;
    ContrastRow(out.data(), out.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        EXPECT_EQ(out[i], ReferenceContrast(levels[i])) << int(levels[i]);
}

// The fused preparation (grey straight from the source, median and stretch in one store) against
// the described steps written out on random colour images of both accepted sizes.
TEST_P(OnEveryTarget, PreparationEqualsTheStepsWrittenOut)
{
    for (const int width : {640, 720})
    {
        const TBitmap colour = RandomColour(width, 480, static_cast<unsigned>(width));
        TFiberAnalyzer a;
        GiveImage(a, colour);
        a.WorkRaster->Bitmap->Image().fill(QColor(0, 255, 0)); // an earlier detection's colours
        a.PrepareImage();

        GreyImage grey(width, 480, 0);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < width; ++x)
            {
                const std::uint8_t* px = colour.ScanLine(y) + 3 * x;
                grey.At(x, y) = static_cast<std::uint8_t>(ReferenceGrey(px[0], px[1], px[2]));
            }
        std::vector<std::uint8_t> expected = ReferenceMedian(grey);
        for (std::uint8_t& v : expected)
            v = ReferenceContrast(v);
        EXPECT_EQ(GreyOf(a), expected) << width;
        EXPECT_EQ(a.WorkRaster->Bitmap->Image(), grey.ToBitmap().Image()) << width;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, OnEveryTarget, testing::ValuesIn(SupportedKernelTargets()), NameOf);
