#include "ferrule/FibreRowLocator.h"

#include "MtFixture.h"
#include "analysis/TFiberAnalyzer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace
{
struct Case
{
    const char* Name;
    MtPicture Picture;
};

MtPicture Overview(int perRow, int rows, float umPerPixel)
{
    MtPicture p;
    p.FibresPerRow = perRow;
    p.Rows = rows;
    p.UmPerPixel = umPerPixel;
    return p;
}

MtPicture View(float umPerPixel, float viewX)
{
    MtPicture p;
    p.UmPerPixel = umPerPixel;
    p.ViewX = viewX;
    return p;
}

template <class F> MtPicture With(MtPicture p, F change)
{
    change(p);
    return p;
}

TFerruleLayout LayoutOf(const MtPicture& p)
{
    TFerruleLayout layout;
    layout.FibresPerRow = p.FibresPerRow;
    layout.Rows = p.Rows;
    layout.PitchUm = p.PitchUm;
    layout.RowPitchUm = p.RowPitchUm;
    return layout;
}

// Fibre n of the picture lies wholly in it, with the locator's pixel to spare.
bool WhollyIn(const MtPicture& p, int n)
{
    float x = 0.0f, y = 0.0f;
    p.FibrePixel(n, x, y);
    const float r = 62.5f / p.UmPerPixel;
    return x - r >= 1.5f && y - r >= 1.5f && x + r <= static_cast<float>(p.Width) - 2.5f &&
           y + r <= static_cast<float>(p.Height) - 2.5f;
}

class FibreRowLocatorTest : public testing::TestWithParam<Case>
{
};

// Every whole fibre is found where it is drawn and numbered as the connector numbers it; nothing
// else is found; the view's kind follows from the fibres' size.
TEST_P(FibreRowLocatorTest, FindsAndNumbersEveryWholeFibre)
{
    const MtPicture& p = GetParam().Picture;
    TFiberAnalyzer analyzer;
    analyzer.SetCapturedImage(p.Make());
    analyzer.PrepareImage();
    TFibreRowScratch scratch;
    const TFerruleLayout layout = LayoutOf(p);
    const TFibreRowLocation location = LocateFibreRow(analyzer.GreyBuffer.data(), analyzer.ImageWidth,
                                                      analyzer.ImageHeight, layout, scratch);

    int firstWhole = 0, whole = 0;
    for (int n = 1; n <= layout.Fibres() && p.Fibres; ++n)
        if (WhollyIn(p, n))
        {
            firstWhole = firstWhole == 0 ? n : firstWhole;
            ++whole;
        }
    if (whole == 0)
    {
        EXPECT_EQ(location.Kind, TMtViewKind::None);
        EXPECT_TRUE(location.Fibres.empty());
        return;
    }
    EXPECT_EQ(location.Kind, p.UmPerPixel <= 1.0f ? TMtViewKind::FibreView : TMtViewKind::Overview);
    EXPECT_NEAR(location.UmPerPixel, p.UmPerPixel, 0.03f * p.UmPerPixel);
    EXPECT_NEAR(location.Angle * 180.0f / 3.14159265f, p.TiltDegrees, whole > 1 ? 0.5f : 5.0f);
    const std::vector<int> numbers = NumberFibres(location, layout, firstWhole);
    int found = 0;
    for (std::size_t i = 0; i < location.Fibres.size(); ++i)
    {
        const TLocatedFibre& f = location.Fibres[i];
        if (!f.WhollyInView)
            continue;
        ++found;
        const int n = numbers[i];
        ASSERT_GE(n, 1) << "fibre at " << f.Centre.X << ", " << f.Centre.Y;
        ASSERT_LE(n, layout.Fibres());
        float x = 0.0f, y = 0.0f;
        p.FibrePixel(n, x, y);
        EXPECT_LE(std::hypot(f.Centre.X - x, f.Centre.Y - y), 1.0f) << "fibre " << n;
        EXPECT_NEAR(0.5f * (f.RadiusX + f.RadiusY), 62.5f / p.UmPerPixel,
                    std::max(1.0f, 0.02f * 62.5f / p.UmPerPixel))
            << "fibre " << n;
        EXPECT_TRUE(WhollyIn(p, n)) << "fibre " << n;
    }
    EXPECT_EQ(found, whole);
}

INSTANTIATE_TEST_SUITE_P(
    Views, FibreRowLocatorTest,
    testing::Values(
        Case{"Overview12Bright", Overview(12, 1, 5.0f)},
        Case{"Overview12DarkTilted",
             With(Overview(12, 1, 5.0f),
                  [](MtPicture& p) { p.Cladding = 60, p.Core = 55, p.Ferrule = 150, p.TiltDegrees = 3.0f; })},
        Case{"Overview8", Overview(8, 1, 4.5f)}, Case{"Overview16WithPinHoles", Overview(16, 1, 6.8f)},
        Case{"Overview24TwoRows", With(Overview(12, 2, 5.0f), [](MtPicture& p) { p.TiltDegrees = -2.0f; })},
        Case{"ViewTwoFibres", View(1.0f, -125.0f)},
        Case{"ViewThreeFibresTilted", With(View(0.8f, 0.0f), [](MtPicture& p) { p.TiltDegrees = 2.5f; })},
        Case{"ViewOneFibreCutNeighbours", View(0.5f, -375.0f)},
        Case{"ViewFirstFibreFine", View(0.4f, -1375.0f)},
        Case{"ViewDarkFibres",
             With(View(0.6f, 125.0f), [](MtPicture& p) { p.Cladding = 60, p.Core = 55, p.Ferrule = 150; })},
        Case{"EmptyFerruleOverview", With(Overview(12, 1, 5.0f), [](MtPicture& p) { p.Fibres = false; })},
        Case{"EmptyFerruleView", With(View(0.6f, 0.0f), [](MtPicture& p) { p.Fibres = false; })}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.Name); });

// A view without whole rows takes the operator's number for its leftmost whole fibre; an overview
// of whole rows numbers its fibres itself, whatever the operator says.
TEST(FibreNumbering, OperatorNumberOrWholeRows)
{
    TFerruleLayout layout;
    layout.FibresPerRow = 12;
    layout.Rows = 2;
    TFibreRowLocation view;
    view.Kind = TMtViewKind::FibreView;
    for (int slot = 0; slot < 4; ++slot)
    {
        TLocatedFibre f;
        f.Slot = slot;
        f.WhollyInView = slot != 0; // the first is cut by the frame
        view.Fibres.push_back(f);
    }
    EXPECT_EQ(NumberFibres(view, layout, 5), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(NumberFibres(view, layout, 1), (std::vector<int>{0, 1, 2, 3}));
    // The second row's first fibre: its neighbour to the left is not in the connector's row.
    EXPECT_EQ(NumberFibres(view, layout, 13), (std::vector<int>{0, 13, 14, 15}));
    EXPECT_EQ(NumberFibres(view, layout, 11), (std::vector<int>{10, 11, 12, 0}));

    TFibreRowLocation overview;
    overview.Kind = TMtViewKind::Overview;
    overview.WholeRowsSeen = true;
    for (int row = 0; row < 2; ++row)
        for (int slot = 0; slot < 12; ++slot)
        {
            TLocatedFibre f;
            f.Row = row;
            f.Slot = slot;
            f.WhollyInView = true;
            overview.Fibres.push_back(f);
        }
    const std::vector<int> numbers = NumberFibres(overview, layout, 7);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(numbers[static_cast<std::size_t>(i)], i + 1);
}

TEST(FibreRowLocator, RefusesWhatIsNoPicture)
{
    TFibreRowScratch scratch;
    TFerruleLayout layout;
    layout.FibresPerRow = 12;
    layout.Rows = 1;
    const std::vector<std::uint8_t> grey(16 * 16, 100);
    EXPECT_EQ(LocateFibreRow(nullptr, 640, 480, layout, scratch).Kind, TMtViewKind::None);
    EXPECT_EQ(LocateFibreRow(grey.data(), 16, 16, layout, scratch).Kind, TMtViewKind::None);
    // A single-fibre profile has no row to find.
    const std::vector<std::uint8_t> flat(640 * 480, 100);
    EXPECT_EQ(LocateFibreRow(flat.data(), 640, 480, TFerruleLayout{}, scratch).Kind, TMtViewKind::None);
}
} // namespace
