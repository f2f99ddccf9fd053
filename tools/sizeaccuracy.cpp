// How well the true-size profiles measure: generated faces with defects and scratches of known
// size in um at cladding radii 100 to 210 px, analysed, measured, compared. Prints one line per
// case and the mean and largest error per kind.

#include "analysis/TFiberAnalyzer.h"
#include "profiles/TrueSizeFindings.h"
#include "tools/EndFaceGenerator.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace
{
struct Stats
{
    double Sum = 0, Max = 0;
    int N = 0, Missed = 0;
    void Add(double e)
    {
        Sum += std::fabs(e);
        Max = std::max(Max, std::fabs(e));
        ++N;
    }
};

// The measured finding of the given kind whose centroid lies nearest to (x, y) px from the centre.
const TMeasuredFinding* Nearest(const std::vector<TMeasuredFinding>& found, FindingClass kind,
                                const TFiberAnalyzer& a, float x, float y)
{
    const TMeasuredFinding* best = nullptr;
    float bestD = 1e9f;
    for (const TMeasuredFinding& f : found)
    {
        const float d = std::hypot(f.CentreX - a.Center.X - x, f.CentreY - a.Center.Y - y);
        if (f.Kind == kind && d < bestD)
        {
            bestD = d;
            best = &f;
        }
    }
    return bestD < 10.0f ? best : nullptr;
}
} // namespace

int main()
{
    Stats defects, scratches;
    std::printf("radius  kind     true_um  measured_um\n");
    for (int radius = 100; radius <= 210; radius += 10)
    {
        const float px = static_cast<float>(radius) / 62.5f; // pixels per um
        const float sizes[] = {2, 3, 4, 5, 6, 8, 10};
        for (int angle = 0; angle < 2; ++angle)
        {
            EndFaceRecipe recipe;
            recipe.CladdingRadius = static_cast<float>(radius);
            recipe.OffsetX = 0.3f * static_cast<float>(angle);
            for (int i = 0; i < 7; ++i)
            {
                const float t = (static_cast<float>(i) + 0.5f * static_cast<float>(angle)) * 0.9f;
                recipe.Defects.push_back({40 * px * std::cos(t), 40 * px * std::sin(t), sizes[i] * px, 20});
            }
            auto a = std::make_unique<TFiberAnalyzer>();
            a->SetCapturedImage(MakeEndFace(recipe));
            a->Analyze();
            const auto found = MeasureFindings(*a, FibreScaleOf(*a));
            for (const EndFaceDefect& d : recipe.Defects)
            {
                const TMeasuredFinding* f = Nearest(found, FindingClass::Defect, *a, d.X, d.Y);
                const float truth = d.Diameter / px;
                if (!f)
                {
                    ++defects.Missed;
                    std::printf("%6d  defect   %7.2f  missed\n", radius, truth);
                    continue;
                }
                std::printf("%6d  defect   %7.2f  %7.2f\n", radius, truth, f->SizeUm);
                defects.Add(f->SizeUm - truth);
            }
        }
        for (const float width : {2.0f, 3.0f, 4.0f, 5.0f})
            for (int diagonal = 0; diagonal < 2; ++diagonal)
            {
                EndFaceRecipe recipe;
                recipe.CladdingRadius = static_cast<float>(radius);
                EndFaceScratch s;
                if (diagonal)
                    s = {-3.5f * px, -45.9f * px, -45.9f * px, -3.5f * px, width * px, 6};
                else
                    s = {-30 * px, 40 * px, 30 * px, 40 * px, width * px, 6};
                recipe.Scratches.push_back(s);
                auto a = std::make_unique<TFiberAnalyzer>();
                a->SetCapturedImage(MakeEndFace(recipe));
                a->Analyze();
                const auto found = MeasureFindings(*a, FibreScaleOf(*a));
                const TMeasuredFinding* f =
                    Nearest(found, FindingClass::Scratch, *a, (s.X0 + s.X1) / 2, (s.Y0 + s.Y1) / 2);
                if (!f)
                {
                    ++scratches.Missed;
                    std::printf("%6d  scratch%s %7.2f  missed\n", radius, diagonal ? "/" : "-", width);
                    continue;
                }
                std::printf("%6d  scratch%s %7.2f  %7.2f  (%zu regions)\n", radius, diagonal ? "/" : "-",
                            width, f->SizeUm, found.size());
                scratches.Add(f->SizeUm - width);
            }
    }
    std::printf("defect diameter: mean |error| %.2f um, largest %.2f um over %d, %d missed\n",
                defects.N ? defects.Sum / defects.N : 0.0, defects.Max, defects.N, defects.Missed);
    std::printf("scratch width:   mean |error| %.2f um, largest %.2f um over %d, %d missed\n",
                scratches.N ? scratches.Sum / scratches.N : 0.0, scratches.Max, scratches.N,
                scratches.Missed);
    return 0;
}
