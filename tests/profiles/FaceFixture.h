#pragma once
// Generated end faces described in micrometres at a given cladding radius, analysed.

#include "analysis/TFiberAnalyzer.h"
#include "tools/EndFaceGenerator.h"

#include <memory>

struct UmFace
{
    float Radius;
    EndFaceRecipe Recipe;

    explicit UmFace(float radius) : Radius(radius) { Recipe.CladdingRadius = radius; }
    float Px(float um) const { return um * Radius / 62.5f; }
    // A defect of the given diameter, its centre at (x, y) um from the fibre centre.
    UmFace& Defect(float diameter, float x, float y)
    {
        Recipe.Defects.push_back({Px(x), Px(y), Px(diameter), 20});
        return *this;
    }
    UmFace& Scratch(float width, float x0, float y0, float x1, float y1)
    {
        Recipe.Scratches.push_back({Px(x0), Px(y0), Px(x1), Px(y1), Px(width), 6});
        return *this;
    }
    std::unique_ptr<TFiberAnalyzer> Analyse() const
    {
        auto a = std::make_unique<TFiberAnalyzer>();
        a->SetDefaultCriteria();
        a->SetCapturedImage(MakeEndFace(Recipe));
        a->Analyze();
        return a;
    }
};
