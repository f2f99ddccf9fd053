#include "EngineFixtures.h"
#include "tools/EndFaceGenerator.h"

#include <functional>
#include <gtest/gtest.h>

namespace
{
// Centre (320, 240) with the radii of a cladding radius of about 150 pixels.
void SetZones(TFiberAnalyzer& a)
{
    a.Center = {320.0f, 240.0f};
    const float radii[5] = {30.0f, 78.0f, 142.0f, 159.0f, 300.0f};
    std::copy(std::begin(radii), std::end(radii), a.ZoneRadius);
}

int CountPixels(const TFiberAnalyzer& a, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    int n = 0;
    const TBitmap& b = *a.WorkRaster->Bitmap;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
        {
            const std::uint8_t* px = b.ScanLine(y) + 3 * x;
            n += px[0] == blue && px[1] == green && px[2] == red;
        }
    return n;
}

std::vector<float> AreasOf(const TFiberAnalyzer& a, int list)
{
    std::vector<float> areas;
    for (int i = 0; i < a.FindingCount[list]; ++i)
        areas.push_back(a.Findings[list][i].Area);
    return areas;
}

// The detection as plainly written: recursive fills, whole-buffer relabelling, literal scan
// orders. The engine's explicit-stack fills and per-group relabelling must give the same bytes.
struct ReferenceDetection
{
    TFiberAnalyzer& A;

    std::uint8_t& L(int x, int y) { return A.GreyBuffer[static_cast<std::size_t>(y * A.ImageWidth + x)]; }
    float D(int x, int y) const
    {
        return Distance(A.Center, TPoint2D(static_cast<float>(x), static_cast<float>(y)));
    }

    void Fill(int x, int y, std::uint8_t follow, std::uint8_t mark)
    {
        if (A.FillCount > 1000)
            return;
        A.FillCount += 1;
        A.BoxMinX = std::min(A.BoxMinX, x);
        A.BoxMinY = std::min(A.BoxMinY, y);
        A.BoxMaxX = std::max(A.BoxMaxX, x);
        A.BoxMaxY = std::max(A.BoxMaxY, y);
        L(x, y) = mark;
        for (const auto& n : A.Neighbours)
            if (L(x + n[0], y + n[1]) == follow)
                Fill(x + n[0], y + n[1], follow, mark);
    }

    void Record(int kind)
    {
        const int bx = (A.BoxMinX + A.BoxMaxX) / 2;
        const int by = (A.BoxMinY + A.BoxMaxY) / 2;
        const float d = Distance(TPoint2D(static_cast<float>(bx), static_cast<float>(by)), A.Center);
        const float core = A.Mode == 0 ? A.ZoneRadius[0] : A.ZoneRadius[1];
        int list = -1;
        if (d < core)
            list = 0;
        if (core <= d && d < A.ZoneRadius[2])
            list = 1;
        if (A.ZoneRadius[3] <= d && d < A.ZoneRadius[4])
            list = 2;
        if (list < 0 || A.FindingCount[list] >= 100)
            return;
        Finding& f = A.Findings[list][A.FindingCount[list]++];
        f = Finding{kind,
                    static_cast<float>(A.BoxMaxX - A.BoxMinX),
                    static_cast<float>(A.BoxMaxY - A.BoxMinY),
                    static_cast<float>(A.FillCount),
                    0.0f,
                    f.ScratchSize};
    }

    void Reset()
    {
        A.FillCount = 0;
        A.BoxMinX = A.BoxMinY = 10000;
        A.BoxMaxX = A.BoxMaxY = -10000;
    }

    void Run()
    {
        const int w = A.ImageWidth;
        const int h = A.ImageHeight;
        std::vector<std::uint8_t> mask(static_cast<std::size_t>(w * h), 0);
        const auto m = [&](int x, int y) -> std::uint8_t& {
            return mask[static_cast<std::size_t>(y * w + x)];
        };
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
            {
                const float d = D(x, y);
                const int g = L(x, y);
                if (d < A.ZoneRadius[2])
                    m(x, y) = g < A.CoreCladThreshold ? 1 : 0;
                if (A.ZoneRadius[2] <= d && d < A.ZoneRadius[3])
                    m(x, y) = 0;
                if (A.ZoneRadius[3] <= d && d < A.ZoneRadius[4])
                    m(x, y) = g < A.ContactThreshold ? 1 : 0;
                if (d >= A.ZoneRadius[4])
                    m(x, y) = 0;
            }
        const int probes[4][2] = {{-5, 0}, {0, -5}, {5, 0}, {0, 5}};
        for (int x = 10; x < w - 10; ++x)
            for (int y = 10; y < h - 10; ++y)
                if (D(x, y) < A.ZoneRadius[2] && m(x, y) != 1)
                    for (const auto& p : probes)
                    {
                        const int c = L(x, y);
                        const int n = L(x + p[0], y + p[1]);
                        if (c > 135 && 5 < c - n && c - n < 15)
                            m(x, y) = 2;
                    }
        std::copy(mask.begin(), mask.end(), A.GreyBuffer.begin());
        for (int x = 0; x < w; ++x)
            L(x, 0) = L(x, h - 1) = 0;
        for (int y = 0; y < h; ++y)
            L(0, y) = L(w - 1, y) = 0;
        std::fill(std::begin(A.FindingCount), std::end(A.FindingCount), 0);
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                if (L(x, y) == 1)
                {
                    Reset();
                    Fill(x, y, 1, 3);
                    Record(1);
                }
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                if (L(x, y) == 2)
                {
                    Reset();
                    Fill(x, y, 2, 5);
                    const std::uint8_t to = A.FillCount > 500 ? 4 : 0;
                    for (std::uint8_t& l : A.GreyBuffer)
                        if (l == 5)
                            l = to;
                    if (A.FillCount > 500)
                        Record(0);
                }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                std::uint8_t* px = A.WorkRaster->Bitmap->ScanLine(y) + 3 * x;
                if (L(x, y) == 3)
                    px[0] = 0, px[1] = 0, px[2] = 255;
                if (L(x, y) == 4)
                    px[0] = 0, px[1] = 255, px[2] = 0;
            }
    }
};

void ExpectSameDetection(const TFiberAnalyzer& a, const TFiberAnalyzer& b)
{
    EXPECT_EQ(a.GreyBuffer, b.GreyBuffer);
    EXPECT_TRUE(a.WorkRaster->Bitmap->Image() == b.WorkRaster->Bitmap->Image());
    for (int list = 0; list < TFiberAnalyzer::ListCount; ++list)
    {
        ASSERT_EQ(a.FindingCount[list], b.FindingCount[list]) << "list " << list;
        for (int i = 0; i < a.FindingCount[list]; ++i)
        {
            const Finding& f = a.Findings[list][i];
            const Finding& g = b.Findings[list][i];
            EXPECT_TRUE(f.Kind == g.Kind && f.Width == g.Width && f.Height == g.Height && f.Area == g.Area)
                << "list " << list << " record " << i;
        }
    }
    EXPECT_EQ(a.FillCount, b.FillCount);
    EXPECT_EQ(a.BoxMinX, b.BoxMinX);
    EXPECT_EQ(a.BoxMaxY, b.BoxMaxY);
}
} // namespace

TEST(DetectDefects, MatchesThePlainAlgorithmOnRandomEndFaces)
{
    // The engine's own order of neighbours takes the framed road; any other order the general one.
    const int ownOrder[8][2] = {{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}};
    const int otherOrder[8][2] = {{0, 1}, {1, 1}, {-1, 0}, {1, 0}, {-1, -1}, {0, -1}, {-1, 1}, {1, -1}};
    int scratches = 0;
    int pieces = 0;
    for (const auto* order : {ownOrder, otherOrder})
        for (unsigned seed = 1; seed <= 4; ++seed)
        {
            const GreyImage image = NoisyEndFace(seed);
            TFiberAnalyzer fast;
            TFiberAnalyzer plain;
            for (TFiberAnalyzer* a : {&fast, &plain})
            {
                GiveGrey(*a, image);
                SetZones(*a);
                a->Mode = static_cast<int>(seed % 2);
                std::copy(&order[0][0], &order[0][0] + 16, &a->Neighbours[0][0]);
            }
            fast.DetectDefects();
            ReferenceDetection{plain}.Run();
            SCOPED_TRACE(order == ownOrder ? "own order" : "other order");
            ExpectSameDetection(fast, plain);
            for (int list = 0; list < 3; ++list)
                for (int i = 0; i < fast.FindingCount[list]; ++i)
                {
                    scratches += fast.Findings[list][i].Kind == 0;
                    pieces += fast.Findings[list][i].Area == 1001.0f;
                }
        }
    // The fixture is only worth its time if it exercises accepted scratches and split groups.
    EXPECT_GT(scratches, 0);
    EXPECT_GT(pieces, 0);
}

// A fill called directly may start on the image's border, where no frame of zeros guards it.
TEST(DetectDefects, DirectFillsStayInsideTheImageAtItsCorners)
{
    struct Corner
    {
        int X, Y;
    };
    for (const Corner c : {Corner{0, 0}, Corner{639, 0}, Corner{0, 479}, Corner{639, 479}})
    {
        TFiberAnalyzer a;
        GiveGrey(a, GreyImage(640, 480, 0));
        const int x0 = c.X == 0 ? 0 : 600, y0 = c.Y == 0 ? 0 : 440;
        for (int y = y0; y < y0 + 40; ++y)
            std::fill_n(a.GreyBuffer.begin() + y * 640 + x0, 40, std::uint8_t{1});
        a.FillCount = 0;
        a.BoxMinX = a.BoxMinY = 10000;
        a.BoxMaxX = a.BoxMaxY = -10000;
        a.FillDefect(c.X, c.Y);
        SCOPED_TRACE(testing::Message() << c.X << "," << c.Y);
        EXPECT_EQ(a.FillCount, 1001);
        EXPECT_GE(a.BoxMinX, x0);
        EXPECT_LT(a.BoxMaxX, x0 + 40);
        EXPECT_GE(a.BoxMinY, y0);
        EXPECT_LT(a.BoxMaxY, y0 + 40);
        EXPECT_EQ(std::count(a.GreyBuffer.begin(), a.GreyBuffer.end(), std::uint8_t{3}), 1001);
    }
}

TEST(DetectDefects, LargeSquareSplitsIntoPiecesOfTheFillLimit)
{
    GreyImage image(640, 480, 150);
    image.FillRect(295, 215, 50, 50, 0);
    TFiberAnalyzer a;
    GiveGrey(a, image);
    SetZones(a);
    a.Mode = 1;
    a.DetectDefects();
    EXPECT_EQ(AreasOf(a, 0), (std::vector<float>{1001, 1001, 498}));
    EXPECT_EQ(CountPixels(a, 0, 0, 255), 2500);

    // Through the preparation the median filter rounds off the four corners.
    TFiberAnalyzer b;
    GiveImage(b, image.ToBitmap());
    b.PrepareImage();
    SetZones(b);
    b.Mode = 1;
    b.DetectDefects();
    EXPECT_EQ(AreasOf(b, 0), (std::vector<float>{1001, 1001, 494}));
}

TEST(DetectDefects, LoneDarkPixelIsOneTinyDefect)
{
    GreyImage image(640, 480, 200);
    image.At(322, 241) = 59;
    TFiberAnalyzer a;
    GiveGrey(a, image);
    SetZones(a);
    a.FindingCount[3] = a.FindingCount[4] = 7;
    a.DetectDefects();
    ASSERT_EQ(a.FindingCount[0], 1);
    const Finding& f = a.Findings[0][0];
    EXPECT_EQ(f.Kind, 1);
    EXPECT_EQ(f.Width, 0.0f);
    EXPECT_EQ(f.Height, 0.0f);
    EXPECT_EQ(f.Area, 1.0f);
    EXPECT_EQ(a.FindingCount[1] + a.FindingCount[2] + a.FindingCount[3] + a.FindingCount[4], 0);
    EXPECT_EQ(a.GreyBuffer[241 * 640 + 322], 3);

    // Through the preparation a lone pixel is filtered away, a 3 x 3 spot arrives as a cross.
    image.FillRect(399, 239, 3, 3, 0);
    TFiberAnalyzer b;
    GiveImage(b, image.ToBitmap());
    b.PrepareImage();
    SetZones(b);
    b.DetectDefects();
    ASSERT_EQ(b.FindingCount[1], 1);
    EXPECT_EQ(b.FindingCount[0], 0);
    EXPECT_EQ(b.Findings[1][0].Width, 2.0f);
    EXPECT_EQ(b.Findings[1][0].Height, 2.0f);
    EXPECT_EQ(b.Findings[1][0].Area, 5.0f);
}

// One dark pixel at a distance from the centre along the x axis: which list takes it.
struct ZoneCase
{
    const char* Name;
    int Distance;
    std::uint8_t Grey;
    int Mode;
    int List; // -1: not recorded, and not coloured
};

class DetectionZone : public ::testing::TestWithParam<ZoneCase>
{
};

TEST_P(DetectionZone, FilesByTheBoxCentre)
{
    const ZoneCase c = GetParam();
    GreyImage image(640, 480, 200);
    image.At(320 + c.Distance, 240) = c.Grey;
    TFiberAnalyzer a;
    GiveGrey(a, image);
    SetZones(a);
    a.Mode = c.Mode;
    a.DetectDefects();
    for (int list = 0; list < 3; ++list)
        EXPECT_EQ(a.FindingCount[list], list == c.List ? 1 : 0) << "list " << list;
    EXPECT_EQ(CountPixels(a, 0, 0, 255), c.List >= 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectionZone,
    ::testing::Values(
        ZoneCase{"CoreSingle", 29, 0, 0, 0}, ZoneCase{"CoreEdgeIsCladdingSingle", 30, 0, 0, 1},
        ZoneCase{"Distance40Single", 40, 0, 0, 1}, ZoneCase{"Distance40Multi", 40, 0, 1, 0},
        ZoneCase{"CoreEdgeIsCladdingMulti", 78, 0, 1, 1}, ZoneCase{"BelowCoreCladThreshold", 100, 59, 0, 1},
        ZoneCase{"AtCoreCladThreshold", 100, 60, 0, -1}, ZoneCase{"NotDarkInsideCladding", 100, 100, 0, -1},
        ZoneCase{"LastCladding", 141, 0, 0, 1}, ZoneCase{"AdhesiveRing", 142, 0, 0, -1},
        ZoneCase{"AdhesiveRingEnd", 158, 0, 0, -1}, ZoneCase{"ContactStart", 159, 0, 0, 2},
        ZoneCase{"DarkInContact", 200, 100, 1, 2}, ZoneCase{"AtContactThreshold", 200, 140, 0, -1},
        ZoneCase{"LastContact", 299, 139, 0, 2}),
    [](const ::testing::TestParamInfo<ZoneCase>& p) { return std::string(p.param.Name); });

TEST(DetectDefects, FrameOfZerosCutsTheBorder)
{
    GreyImage image(640, 480, 200);
    image.At(0, 240) = 0;   // alone on the border: never a defect
    image.At(639, 200) = 0; // a pair across the border: only the inner pixel counts
    image.At(638, 200) = 0;
    TFiberAnalyzer a;
    GiveGrey(a, image);
    SetZones(a);
    a.ZoneRadius[4] = 1000.0f;
    a.DetectDefects();
    ASSERT_EQ(a.FindingCount[2], 1);
    EXPECT_EQ(a.Findings[2][0].Area, 1.0f);
    EXPECT_EQ(CountPixels(a, 0, 0, 255), 1);
}

TEST(DetectDefects, ListTakesAHundredAndAllAreColoured)
{
    GreyImage image(640, 480, 200);
    for (int j = 0; j < 15; ++j)
        for (int i = 0; i < 10; ++i)
            image.At(360 + 3 * i, 200 + 3 * j) = 0;
    TFiberAnalyzer a;
    GiveGrey(a, image);
    SetZones(a);
    a.DetectDefects();
    EXPECT_EQ(a.FindingCount[1], 100);
    EXPECT_EQ(CountPixels(a, 0, 0, 255), 150);
}

TEST(DetectDefects, ScratchNeedsMoreThanFiveHundredPixels)
{
    for (const int pixels : {500, 501})
    {
        // Two rows of a line 10 levels brighter than its surroundings: every line pixel is a
        // candidate, nothing else is.
        GreyImage image(640, 480, 130);
        image.FillRect(200, 240, 250, 1, 140);
        image.FillRect(200, 241, pixels - 250, 1, 140);
        TFiberAnalyzer a;
        GiveGrey(a, image);
        SetZones(a);
        a.ContactThreshold = 0;
        a.DetectDefects();
        if (pixels == 500)
        {
            EXPECT_EQ(a.FindingCount[0] + a.FindingCount[1], 0);
            EXPECT_EQ(CountPixels(a, 0, 255, 0), 0);
            EXPECT_EQ(CountPixels(a, 140, 140, 140), 500);
            EXPECT_EQ(a.GreyBuffer[240 * 640 + 200], 0);
        }
        else
        {
            ASSERT_EQ(a.FindingCount[0], 1);
            EXPECT_EQ(a.Findings[0][0].Kind, 0);
            EXPECT_EQ(a.Findings[0][0].Area, 501.0f);
            EXPECT_EQ(a.Findings[0][0].Width, 250.0f);
            EXPECT_EQ(a.Findings[0][0].Height, 1.0f);
            EXPECT_EQ(CountPixels(a, 0, 255, 0), 501);
            EXPECT_EQ(a.GreyBuffer[240 * 640 + 200], 4);
        }
    }
}

TEST(DetectDefects, ScratchCandidateSteps)
{
    // A 40 x 40 square of level c on level n: the 700 pixels within 5 of its edge see n through a
    // probe, enough for an accepted scratch when c and c - n qualify.
    struct
    {
        int C, N;
        bool Scratch;
    } const cases[] = {{140, 135, false}, {141, 135, true},  {149, 135, true},
                       {150, 135, false}, {135, 125, false}, {136, 126, true}};
    for (const auto& c : cases)
    {
        GreyImage image(640, 480, static_cast<std::uint8_t>(c.N));
        image.FillRect(300, 220, 40, 40, static_cast<std::uint8_t>(c.C));
        TFiberAnalyzer a;
        GiveGrey(a, image);
        SetZones(a);
        a.ContactThreshold = 0;
        a.DetectDefects();
        EXPECT_EQ(a.FindingCount[0], c.Scratch ? 1 : 0) << c.C << " on " << c.N;
        if (c.Scratch && a.FindingCount[0] == 1)
        {
            EXPECT_EQ(a.Findings[0][0].Area, 700.0f);
        }
    }
}

TEST(DetectDefects, NoScratchNearTheBorderOrOutsideTheCladding)
{
    // A band of candidates within 10 pixels of the top border, with the cladding circle made to
    // cover the whole image.
    GreyImage border(640, 480, 130);
    border.FillRect(0, 0, 640, 9, 140);
    TFiberAnalyzer a;
    GiveGrey(a, border);
    SetZones(a);
    a.ZoneRadius[2] = 1000.0f;
    a.ZoneRadius[3] = a.ZoneRadius[4] = 2000.0f;
    a.DetectDefects();
    EXPECT_EQ(a.FindingCount[0] + a.FindingCount[1], 0);

    // A long line beyond the cladding circle.
    GreyImage outside(640, 480, 130);
    outside.FillRect(100, 400, 400, 2, 140);
    TFiberAnalyzer b;
    GiveGrey(b, outside);
    SetZones(b);
    b.ContactThreshold = 0;
    b.DetectDefects();
    EXPECT_EQ(b.FindingCount[0] + b.FindingCount[1] + b.FindingCount[2], 0);
    EXPECT_EQ(CountPixels(b, 0, 255, 0), 0);
}

// The generator's hardest faces after a real preparation and localisation: the dark frame fills
// the cladding circle and contact ring with groups cut by bright lines, the speckled face makes
// about a thousand small scratch groups to fill and drop.
TEST(DetectDefects, MatchesThePlainAlgorithmOnTheWorstCases)
{
    const std::pair<const char*, EndFaceRecipe> faces[] = {{"dark-scratched", DarkScratchedFrame()},
                                                           {"speckled", SpeckledEndFace()},
                                                           {"typical", TypicalEndFace()}};
    for (const auto& [name, recipe] : faces)
    {
        TFiberAnalyzer fast;
        fast.SetCapturedImage(MakeEndFace(recipe));
        fast.PrepareImage();
        fast.LocateFiber();
        TFiberAnalyzer plain;
        GiveImage(plain, *fast.WorkRaster->Bitmap);
        plain.GreyBuffer = fast.GreyBuffer;
        plain.ImageWidth = fast.ImageWidth;
        plain.ImageHeight = fast.ImageHeight;
        plain.Center = fast.Center;
        std::copy(std::begin(fast.ZoneRadius), std::end(fast.ZoneRadius), plain.ZoneRadius);
        fast.DetectDefects();
        ReferenceDetection{plain}.Run();
        SCOPED_TRACE(name);
        ExpectSameDetection(fast, plain);
    }
}
