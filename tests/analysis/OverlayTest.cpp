#include "EngineFixtures.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace
{
struct Extent
{
    int MinX = 1 << 30, MaxX = -1, MinY = 1 << 30, MaxY = -1;
    bool operator==(const Extent&) const = default;
};

void PrintTo(const Extent& e, std::ostream* os)
{
    *os << "x " << e.MinX << ".." << e.MaxX << ", y " << e.MinY << ".." << e.MaxY;
}

Extent ExtentOf(const QImage& image, QColor colour)
{
    Extent e;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
            {
                e.MinX = std::min(e.MinX, x);
                e.MaxX = std::max(e.MaxX, x);
                e.MinY = std::min(e.MinY, y);
                e.MaxY = std::max(e.MaxY, y);
            }
    return e;
}

const QColor Yellow(255, 255, 0);
const QColor Green(0, 128, 0);
const QColor Blue(0, 0, 255);

// A black 640 x 480 working image; circles of radius 30 and 78 (core), 140 (cladding), 10 (the
// adhesive circle, kept inside the others) and 200 (contact) around (320, 240).
void WithCircles(TFiberAnalyzer& a, int mode)
{
    GiveImage(a, GreyImage(640, 480, 0).ToBitmap());
    a.Mode = mode;
    a.Center = {320.0f, 240.0f};
    const float radii[5] = {30.0f, 78.0f, 140.0f, 10.0f, 200.0f};
    std::copy(std::begin(radii), std::end(radii), a.ZoneRadius);
}

QImage Draw(const TFiberAnalyzer& a, int width, int height)
{
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    a.DrawOverlay(&p, width, height, QRect(0, 0, width, height));
    p.end();
    return canvas;
}
} // namespace

TEST(DrawOverlay, BoxesExcludeTheirRightAndBottomEdge)
{
    TFiberAnalyzer a;
    WithCircles(a, 0);
    QImage full = Draw(a, 640, 480);
    // Green: the cladding circle, box (180, 100)-(460, 380); the adhesive circle lies inside.
    EXPECT_EQ(ExtentOf(full, Green), (Extent{180, 459, 100, 379}));
    EXPECT_EQ(ExtentOf(full, Yellow), (Extent{290, 349, 210, 269}));
    EXPECT_EQ(ExtentOf(full, Blue), (Extent{120, 519, 40, 439}));
    EXPECT_EQ(full.pixelColor(0, 0), QColor(0, 0, 0)); // the image under the circles

    const QImage half = Draw(a, 320, 240);
    EXPECT_EQ(ExtentOf(half, Green), (Extent{90, 229, 50, 189}));

    // 179.9 is drawn at 179 (and 459.9 ends the box at 459).
    a.Center.X = 319.9f;
    full = Draw(a, 640, 480);
    EXPECT_EQ(ExtentOf(full, Green), (Extent{179, 458, 100, 379}));
}

TEST(DrawOverlay, EachModeDrawsItsOwnCoreCircle)
{
    TFiberAnalyzer a;
    WithCircles(a, 1);
    EXPECT_EQ(ExtentOf(Draw(a, 640, 480), Yellow), (Extent{242, 397, 162, 317}));
    a.Mode = 2;
    const QImage none = Draw(a, 640, 480);
    EXPECT_EQ(ExtentOf(none, Yellow), Extent{});
    EXPECT_EQ(ExtentOf(none, Green), Extent{});
    EXPECT_EQ(ExtentOf(none, Blue), Extent{});
    EXPECT_EQ(none.pixelColor(320, 240), QColor(0, 0, 0));
}

TEST(DrawOverlay, DrawsNothingWithoutAWorkingImage)
{
    TFiberAnalyzer a;
    a.ZoneRadius[2] = 100.0f;
    QImage blank(64, 48, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_TRUE(Draw(a, 64, 48) == blank);

    WithCircles(a, 0);
    a.WorkRaster.reset();
    EXPECT_TRUE(Draw(a, 64, 48) == blank);
}
